// SPDX-License-Identifier: MIT
// The program's message boxes show their texts as they are: a file name or a
// relay's text that looks like markup is shown literally, never rendered.
#include "MessageBox.h"
#include "ModalHelpers.h"

#include <QLabel>
#include <QTextDocumentFragment>
#include <QtTest>

class TestMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textIsShownAsPlainText_data();
    void textIsShownAsPlainText();
};

void TestMessageBox::initTestCase()
{
    qunsetenv("ZRQ7_MESSAGE_LOG"); // the real boxes, not the log
}

void TestMessageBox::textIsShownAsPlainText_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("message") << 0;
    QTest::newRow("message on top") << 1;
    QTest::newRow("cancel, try again, continue") << 2;
}

void TestMessageBox::textIsShownAsPlainText()
{
    QFETCH(int, kind);
    const QString text =
        QStringLiteral("Plik raportu jest zapisany pod adresem \"/tmp/<b>x</b>.html\".\r\n\r\n"
                       "Czy chcesz otworzyć ten plik?");
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    WhenModal<QMessageBox> reader([&](QMessageBox* box) {
        format = box->textFormat();
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            // What the label paints: its text as it stands, or the markup's plain text.
            shown = label->textFormat() == Qt::PlainText ||
                            (label->textFormat() == Qt::AutoText && !Qt::mightBeRichText(label->text()))
                        ? label->text()
                        : QTextDocumentFragment::fromHtml(label->text()).toPlainText();
        }
        box->reject();
    });
    QWidget owner;
    switch (kind) {
    case 0:
        ShowMessage(&owner, QMessageBox::Question, QStringLiteral("ZRQ-7/8"), text,
                    QMessageBox::Yes | QMessageBox::No);
        break;
    case 1:
        ShowMessageOnTop(&owner, QMessageBox::Warning, QStringLiteral("Uwaga"), text);
        break;
    default:
        AskCancelTryContinue(&owner, QStringLiteral("Błąd"), text);
        break;
    }
    QVERIFY(reader.seen);
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(shown, QStringLiteral("Plik raportu jest zapisany pod adresem \"/tmp/<b>x</b>.html\".\n\n"
                                   "Czy chcesz otworzyć ten plik?"));
}

QTEST_MAIN(TestMessageBox)
#include "tst_message_box.moc"
