// SPDX-License-Identifier: MIT
#include "ControlAccessibility.h"

#include "CGraph.h"
#include "CXLabel.h"
#include "CXLed.h"
#include "CXProgressCtrl.h"
#include "LevelBarGeometry.h"

#include <QAccessibleWidget>

namespace {

class LabelAccessible final : public QAccessibleWidget
{
public:
    explicit LabelAccessible(CXLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    // A read-out is read by what it shows, unless the window named it.
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value || (t == QAccessible::Name && widget()->accessibleName().isEmpty())) {
            QString shown = static_cast<const CXLabel*>(widget())->Text();
            return shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        }
        return QAccessibleWidget::text(t);
    }
};

class LedAccessible final : public QAccessibleWidget
{
public:
    explicit LedAccessible(CXLed* led) : QAccessibleWidget(led, QAccessible::Indicator) {}

    // Named by the window: the name says which lamp, value and description its
    // state (readers speak the description of an indicator, some the value).
    // Unnamed: the state is all there is to say.
    QString text(QAccessible::Text t) const override
    {
        const auto* led = static_cast<const CXLed*>(widget());
        const QString state = ledStateText(led->GetState(), led->IsBlinking());
        switch (t) {
        case QAccessible::Name:
            return led->accessibleName().isEmpty() ? state : led->accessibleName();
        case QAccessible::Value:
        case QAccessible::Description:
            return state;
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

class LevelBarAccessible final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit LevelBarAccessible(CXProgressCtrl* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(bar()->GetLevel());
        return QAccessibleWidget::text(t);
    }

    // The bar only shows values; a reader cannot set one.
    QVariant currentValue() const override { return bar()->GetLevel(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return bar()->GetFullScale(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    const CXProgressCtrl* bar() const { return static_cast<const CXProgressCtrl*>(widget()); }
};

class LoadGraphAccessible final : public QAccessibleWidget
{
public:
    explicit LoadGraphAccessible(CGraph* graph) : QAccessibleWidget(graph, QAccessible::Chart) {}

    QString text(QAccessible::Text t) const override
    {
        const auto* graph = static_cast<const CGraph*>(widget());
        switch (t) {
        case QAccessible::Name:
            return graph->accessibleName().isEmpty() ? QStringLiteral("Wykres obciążenia silnika")
                                                     : graph->accessibleName();
        case QAccessible::Description:
            return loadGraphDescription(graph->LoadPercent());
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface* controlInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("CXLabel"))
        return new LabelAccessible(static_cast<CXLabel*>(object));
    if (className == QLatin1String("CXLed"))
        return new LedAccessible(static_cast<CXLed*>(object));
    if (className == QLatin1String("CXProgressCtrl"))
        return new LevelBarAccessible(static_cast<CXProgressCtrl*>(object));
    if (className == QLatin1String("CGraph"))
        return new LoadGraphAccessible(static_cast<CGraph*>(object));
    return nullptr;
}

} // namespace

void installControlAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&controlInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

void notifyAccessible(QWidget* widget, QAccessible::Event event)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent change(widget, event);
    QAccessible::updateAccessibility(&change);
}

QString ledStateText(int state, bool clockRunning)
{
    switch (state) {
    case CXLed::On:
        return clockRunning ? QStringLiteral("miga") : QStringLiteral("świeci");
    case CXLed::Flashing:
        return clockRunning ? QStringLiteral("błyska") : QStringLiteral("świeci");
    default:
        return QStringLiteral("zgaszona");
    }
}

QString loadGraphDescription(unsigned percent)
{
    return QStringLiteral("Obciążenie cieplne silnika: %1 %").arg(percent);
}
