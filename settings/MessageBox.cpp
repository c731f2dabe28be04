// SPDX-License-Identifier: MIT
#include "MessageBox.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QPushButton>
#include <QWidget>
#include <functional>

namespace {

QString iconName(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Information:
        return QStringLiteral("information");
    case QMessageBox::Warning:
        return QStringLiteral("warning");
    case QMessageBox::Critical:
        return QStringLiteral("error");
    case QMessageBox::Question:
        return QStringLiteral("question");
    default:
        return QStringLiteral("none");
    }
}

QString escaped(QString text)
{
    return text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('|'), QLatin1String("\\|"));
}

// The default button when none is named is the first one of the box, as the
// operator sees them: OK, Yes, Abort and Retry come before the others, and
// their flag values are the lowest.
QMessageBox::StandardButton firstButton(QMessageBox::StandardButtons buttons)
{
    const auto bits = static_cast<unsigned>(buttons.toInt());
    if (bits == 0)
        return QMessageBox::Ok;
    return static_cast<QMessageBox::StandardButton>(bits & (~bits + 1));
}

void appendToLog(const QString& line)
{
    QFile log(qEnvironmentVariable("ZRQ7_MESSAGE_LOG"));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write((line + QLatin1Char('\n')).toUtf8());
}

class ShownWindowLogger : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            const Qt::WindowType type = widget->windowType();
            if ((type == Qt::Window || type == Qt::Dialog) && !qobject_cast<QMessageBox*>(widget))
                appendToLog(QStringLiteral("window|") + QLatin1String(widget->metaObject()->className()) +
                            QLatin1Char('|') + escaped(widget->windowTitle()));
        }
        return false;
    }
};

} // namespace

void LogShownWindows()
{
    if (!qEnvironmentVariableIsEmpty("ZRQ7_MESSAGE_LOG") && qApp)
        qApp->installEventFilter(new ShownWindowLogger(qApp));
}

namespace {

// `adjust` changes the box before it is shown (button texts).
QMessageBox::StandardButton showMessage(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton, bool onTop,
                                        const std::function<void(QMessageBox&)>& adjust = {})
{
    if (defaultButton == QMessageBox::NoButton)
        defaultButton = firstButton(buttons);

    if (!qEnvironmentVariableIsEmpty("ZRQ7_MESSAGE_LOG")) {
        appendToLog(iconName(icon) + QLatin1Char('|') + escaped(caption) + QLatin1Char('|') + escaped(text));
        return defaultButton;
    }

    // Texts keep their CR LF line ends; a box shows plain LF.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(icon, caption, shown, buttons, owner);
    // File names and relay texts are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    if (onTop)
        box.setWindowFlag(Qt::WindowStaysOnTopHint); // not shown yet: nothing to re-create
    if (adjust)
        adjust(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

QMessageBox::StandardButton ShowMessage(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    return showMessage(owner, icon, caption, text, buttons, defaultButton, false);
}

QMessageBox::StandardButton ShowMessageOnTop(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                                             const QString& text, QMessageBox::StandardButtons buttons,
                                             QMessageBox::StandardButton defaultButton)
{
    return showMessage(owner, icon, caption, text, buttons, defaultButton, true);
}

QMessageBox::StandardButton AskCancelTryContinue(QWidget* owner, const QString& caption, const QString& text)
{
    return showMessage(owner, QMessageBox::Warning, caption, text,
                       QMessageBox::Cancel | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Retry,
                       true, [](QMessageBox& box) {
                           box.button(QMessageBox::Cancel)->setText(QStringLiteral("Anuluj"));
                           box.button(QMessageBox::Retry)->setText(QStringLiteral("Ponów próbę"));
                           box.button(QMessageBox::Ignore)->setText(QStringLiteral("Kontynuuj"));
                       });
}
