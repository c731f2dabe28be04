// SPDX-License-Identifier: MIT
#include "CXLabelAccessible.h"

#include "CXLabel.h"

#include <QAccessibleWidget>
#include <mutex>

namespace {

class CXLabelAccessible final : public QAccessibleWidget
{
public:
    explicit CXLabelAccessible(CXLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value ||
            (kind == QAccessible::Name && widget()->accessibleName().isEmpty())) {
            QString text = static_cast<const CXLabel*>(widget())->Text();
            return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        }
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* cxLabelInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("CXLabel") && object && object->isWidgetType())
        return new CXLabelAccessible(static_cast<CXLabel*>(object));
    return nullptr;
}

} // namespace

void installCXLabelAccessibility()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(cxLabelInterface); });
}
