// SPDX-License-Identifier: MIT
// The device parameters window, offline and against a running relay
// simulator: the grid's checks, reading and writing all parameters (only the
// changed ones, or all in grid order), the question after a failed register,
// parameter files, the factory values, the clock and the restart.
// Runs under LANG=pl_PL.UTF-8: nothing may change with the decimal comma.
#include "CFirmwareDlg.h"
#include "CSettDevDlg.h"
#include "CWaitDlg.h"
#include "ParametersFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <clocale>

using namespace zrq7::test;
using Answer = QMessageBox::StandardButton;

namespace {

constexpr int kTransferTimeoutMs = 20000;

ParametersWindowContext online(int version)
{
    return {version, true, [] { return RegisterLink::library(1, 0); }};
}

QPushButton* button(QWidget& window, int id)
{
    return window.findChild<QPushButton*>(QStringLiteral("id%1").arg(id));
}

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QList<int> pendingAddresses(ParameterGridModel& model)
{
    QList<int> pending;
    for (int g = 0; g < model.groupCount(); ++g)
        for (int r = 0; r < model.itemCount(g); ++r)
            if (model.item(g, r).IsPendingChange())
                pending.append(model.item(g, r).GetAddress());
    return pending;
}

// The editor on screen (closed ones linger hidden until they are deleted).
QLineEdit* openEditor(CSettDevDlg& window)
{
    for (QLineEdit* editor : window.grid()->findChildren<QLineEdit*>(QStringLiteral("parameterEditor")))
        if (editor->isVisible())
            return editor;
    return nullptr;
}

// Types into the value editor of a register and presses Enter.
QLineEdit* typeValue(CSettDevDlg& window, uint16_t address, const QString& text)
{
    const QModelIndex index = valueIndex(window.model(), address);
    window.grid()->scrollTo(index);
    window.grid()->setCurrentIndex(index);
    window.grid()->edit(index);
    QLineEdit* editor = openEditor(window);
    if (!editor)
        return nullptr;
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the view commits an edit through its event queue
    return editor;
}

// The rows of a test that runs once with the operator saying No, once Yes.
void addAgreeRows(const char* no, const char* yes)
{
    QTest::addColumn<bool>("agree");
    QTest::newRow(no) << false;
    QTest::newRow(yes) << true;
}

// An operator who answers every question with Yes or No.
MessageBoxAnswerer::Choice yesOrNo(bool agree)
{
    return [agree](const QString&) { return agree ? QMessageBox::Yes : QMessageBox::No; };
}

} // namespace

class TestParametersWindow : public QObject
{
    Q_OBJECT

private slots:
    void firmwareChoice();
    void offlineWindow();
    void editChecksBounds();
    void decimalCommaInTheEditor_data();
    void decimalCommaInTheEditor();
    void factoryRestoreMarksWhatItChanged();
    void closingAsks_data();
    void closingAsks();
    void filesRoundTrip();
    void loadingRefusesBadFiles();
    void savingOnlineKeepsMarks();
    void readsEveryRegisterWhenOpened();
    void writesOnlyChangedThenAllInGridOrder();
    void failedRegister_data();
    void failedRegister();
    void clockSynchronisation();
    void clockThatStaysOff();
    void restart_data();
    void restart();
};

void TestParametersWindow::firmwareChoice()
{
    CFirmwareDlg choice;
    auto* list = choice.findChild<QComboBox*>(u"id1208"_qs);
    QCOMPARE(list->count(), 9);
    QCOMPARE(list->itemText(0), u"7"_qs);
    QCOMPARE(list->currentText(), u"15"_qs);
    list->setCurrentIndex(4);
    QTimer::singleShot(0, &choice, [&] {
        QTest::keyClick(&choice, Qt::Key_Escape); // does nothing
        QVERIFY(choice.isVisible());
        button(choice, 1212)->click();
    });
    QCOMPARE(choice.exec(), int(QDialog::Accepted));
    QCOMPARE(choice.chosenVersion(), 11);
}

void TestParametersWindow::offlineWindow()
{
    CSettDevDlg window({15, false, {}});
    window.show();
    for (int id : {1213, 1215, 1194, 1195})
        QVERIFY(!button(window, id)->isEnabled());
    for (int id : {1179, 1138, 1220, 1204, 1206, 1211})
        QVERIFY(button(window, id)->isEnabled());
    QVERIFY(window.findChild<QCheckBox*>(u"id1217"_qs)->isChecked());
    ParameterGridModel& model = window.model();
    QCOMPARE(gridAddresses(model).size(), 93);
    for (int g = 0; g < model.groupCount(); ++g) {
        QCOMPARE(window.grid()->isExpanded(model.index(g, 0)), g == 0);
        for (int r = 0; r < model.itemCount(g); ++r)
            QCOMPARE(model.item(g, r).value, model.item(g, r).factory);
    }
    QCOMPARE(itemOf(model, 230).value, 15);
    QCOMPARE(valueIndex(model, 189).data().toString(), u"49.7"_qs);
    QCOMPARE(valueIndex(model, 156).data().toString(), u"10.0"_qs);
    QTest::keyClick(&window, Qt::Key_Escape);
    QTest::keyClick(&window, Qt::Key_Return);
    QVERIFY(window.isVisible());
    button(window, 1179)->click();
    QVERIFY(window.grid()->isExpanded(model.index(19, 0)));
    button(window, 1138)->click();
    QVERIFY(!window.grid()->isExpanded(model.index(0, 0)));
    MessageBoxAnswerer noQuestions;
    button(window, 1211)->click();
    QVERIFY(!window.isVisible());
    QVERIFY(noQuestions.seen.isEmpty());
}

void TestParametersWindow::editChecksBounds()
{
    CSettDevDlg window({12, false, {}});
    window.show();
    ParameterGridModel& model = window.model();
    MessageBoxAnswerer operatorAnswers;

    // "Tm average i" 10..600: 601 is refused and the editor stays open with it.
    QLineEdit* editor = typeValue(window, 153, u"601"_qs);
    QVERIFY(editor);
    QTRY_COMPARE(operatorAnswers.seen.size(), 1);
    QCOMPARE(operatorAnswers.seen[0].section(u'|', 1),
             u"Wartość powinna znajdować się w przedziale od 10 do 600."_qs);
    QVERIFY(editor->isVisible()); // a closed editor is hidden before it goes
    QCOMPARE(editor->text(), u"601"_qs);
    QCOMPARE(itemOf(model, 153).value, 60);
    QVERIFY(!itemOf(model, 153).IsPendingChange());
    // 4294967396 would wrap to 100 in 32 bits.
    editor->setText(u"4294967396"_qs);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(operatorAnswers.seen.size(), 2);
    QCOMPARE(itemOf(model, 153).value, 60);

    editor->setText(u"600"_qs);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(itemOf(model, 153).value, 600);
    const QModelIndex value = valueIndex(model, 153);
    QVERIFY(itemOf(model, 153).IsPendingChange());
    QVERIFY(value.data(Qt::FontRole).value<QFont>().bold());
    QCOMPARE(value.data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    QVERIFY(value.siblingAtColumn(0).data(Qt::FontRole).value<QFont>().bold());

    // Tenths: what is shown is what is stored (and written).
    QVERIFY(typeValue(window, 169, u"1.06"_qs));
    QCOMPARE(itemOf(model, 169).value, 11);
    QCOMPARE(valueIndex(model, 169).data().toString(), u"1.1"_qs);
    QVERIFY(typeValue(window, 156, u"0.2"_qs));
    QTRY_COMPARE(operatorAnswers.seen.size(), 3);
    QCOMPARE(operatorAnswers.seen[2].section(u'|', 1),
             u"Wartość powinna znajdować się w przedziale od 0.3 do 600.0."_qs);
    QTest::keyClick(openEditor(window), Qt::Key_Escape);
    QCOMPARE(itemOf(model, 156).value, 100);
    // The shown text typed again changes nothing.
    QVERIFY(typeValue(window, 156, u"10.0"_qs));
    QVERIFY(!itemOf(model, 156).IsPendingChange());
    QVERIFY(typeValue(window, 203, u"-5"_qs));
    QCOMPARE(valueIndex(model, 203).data().toString(), u"-5"_qs);
    // Back to the factory value: the name is plain again, the value stays marked.
    QVERIFY(typeValue(window, 153, u"60"_qs));
    QVERIFY(!valueIndex(model, 153).siblingAtColumn(0).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(itemOf(model, 153).IsPendingChange());
    QCOMPARE(operatorAnswers.seen.size(), 3);
}

void TestParametersWindow::decimalCommaInTheEditor_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted"); // false: refused with the range message
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    for (const QByteArray& locale : {QByteArray("C"), QByteArray("pl_PL.UTF-8")}) {
        const auto row = [&](const char* name) -> QTestData& {
            return QTest::newRow((locale + ": " + name).constData());
        };
        // "Correct Time" -10.0..10.0, "Termal C stop" 1.0..4.0, "Imax delay" 0.3..600.0
        row("2,5 is 2.5") << locale << 232 << u"2,5"_qs << true << 25 << u"2.5"_qs;
        row("negative comma") << locale << 232 << u"-7,5"_qs << true << -75 << u"-7.5"_qs;
        row("whole number out of range") << locale << 232 << u"10,5"_qs << false << 0 << u"0.0"_qs;
        row("rounded like the point") << locale << 169 << u"1,06"_qs << true << 11 << u"1.1"_qs;
        row("point still read") << locale << 232 << u"2.5"_qs << true << 25 << u"2.5"_qs;
        row("below the bound") << locale << 156 << u"0,2"_qs << false << 100 << u"10.0"_qs;
    }
}

void TestParametersWindow::decimalCommaInTheEditor()
{
    QFETCH(QByteArray, locale);
    QFETCH(int, address);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(int, stored);
    QFETCH(QString, shown);
    // The C library's and Qt's locale both switch; the editor must read alike.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, locale.constData()))
        QSKIP("locale not installed");
    const QLocale previousQt;
    QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
    const auto restore = qScopeGuard([&] {
        std::setlocale(LC_ALL, previous.c_str());
        QLocale::setDefault(previousQt);
    });

    CSettDevDlg window({12, false, {}});
    window.show();
    MessageBoxAnswerer operatorAnswers;
    QLineEdit* editor = typeValue(window, uint16_t(address), typed);
    QVERIFY(editor);
    if (!accepted) {
        QTRY_COMPARE(operatorAnswers.seen.size(), 1);
        QVERIFY(operatorAnswers.seen[0].contains(u"Wartość powinna znajdować się w przedziale"_qs));
        QVERIFY(editor->isVisible());
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(!itemOf(window.model(), uint16_t(address)).IsPendingChange());
    } else {
        QVERIFY(itemOf(window.model(), uint16_t(address)).IsPendingChange());
        QVERIFY(operatorAnswers.seen.isEmpty());
    }
    QCOMPARE(itemOf(window.model(), uint16_t(address)).value, stored); // refused: the old value
    QCOMPARE(valueIndex(window.model(), uint16_t(address)).data().toString(), shown);
}

void TestParametersWindow::factoryRestoreMarksWhatItChanged()
{
    CSettDevDlg window({12, false, {}});
    ParameterGridModel& model = window.model();
    model.applyEdit(valueIndex(model, 153), 100);
    setValue(model, 189, 480); // as read from a relay
    QString asked;
    MessageBoxAnswerer yes([&](const QString& message) {
        asked = message;
        return QMessageBox::Yes;
    });
    button(window, 1220)->click();
    QVERIFY(asked.startsWith(u"Uwaga|Przywrócenie ustawień fabrycznych spowoduje"_qs));
    QCOMPARE(itemOf(model, 153).value, 60);
    QCOMPARE(itemOf(model, 189).value, 497);
    QVERIFY(!itemOf(model, 153).modified);
    QCOMPARE(pendingAddresses(model), (QList<int>{153, 189}));
}

void TestParametersWindow::closingAsks_data()
{
    addAgreeRows("no keeps the window", "yes closes");
}

void TestParametersWindow::closingAsks()
{
    QFETCH(bool, agree);
    CSettDevDlg window({12, false, {}});
    window.show();
    window.model().applyEdit(valueIndex(window.model(), 153), 100);
    MessageBoxAnswerer answer(yesOrNo(agree));
    window.close();
    QCOMPARE(answer.seen,
             QStringList{u"Uwaga|Nie wszystkie zmiany zostały zapisane. Czy na pewno chcesz zakończyć?"_qs});
    QCOMPARE(window.isVisible(), !agree);
}

void TestParametersWindow::filesRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"20240315.zrq7"_qs);
    MessageBoxAnswerer operatorAnswers;

    CSettDevDlg v11({11, false, {}});
    QString proposed;
    v11.setFileChooser([&](bool save, const QString& name) {
        proposed = save ? name : QString();
        return path;
    });
    v11.model().applyEdit(valueIndex(v11.model(), 243), 7);
    v11.model().applyEdit(valueIndex(v11.model(), 189), 480);
    v11.model().applyEdit(valueIndex(v11.model(), 203), -9);
    button(v11, 1204)->click();
    QCOMPARE(proposed, QDate::currentDate().toString(u"yyyyMMdd"_qs));
    QCOMPARE(operatorAnswers.seen.takeLast(),
             u"Parametry ZRQ-7/8|Zapis pliku ustawień zakończony sukcesem."_qs);
    QVERIFY(pendingAddresses(v11.model()).isEmpty()); // offline: the file holds the changes
    QString saved = fileText(path);
    QVERIFY(saved.startsWith(u"[ZRQ7config]\r\n150=100\r\n151=0\r\n152="_qs));
    QVERIFY(saved.contains(u"\r\n189=480\r\n"_qs));
    QVERIFY(saved.contains(u"\r\n203=-9\r\n243=7\r\n204="_qs));
    QCOMPARE(saved.count(u"\r\n"_qs), 96);
    QCOMPARE(saved.count(u'\n'), 96);

    // Lines that are not ours survive a second save.
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("; operator's note\n[notes]\nrelay=pump 3\n");
    file.close();
    v11.SaveParameterFile(path);
    saved = fileText(path);
    QVERIFY(saved.endsWith(u"; operator's note\r\n[notes]\r\nrelay=pump 3\r\n"_qs));

    // A version-12 window takes what it has and ignores 243 and 244.
    CSettDevDlg v12({12, false, {}});
    v12.model().applyEdit(valueIndex(v12.model(), 153), 100); // not in the file's changes
    v12.LoadParameterFile(path);
    QCOMPARE(operatorAnswers.seen.takeLast(),
             u"Parametry ZRQ-7/8|Pobieranie pliku ustawień zakończone sukcesem."_qs);
    QCOMPARE(itemOf(v12.model(), 189).value, 480);
    QCOMPARE(valueIndex(v12.model(), 189).data().toString(), u"48.0"_qs);
    QCOMPARE(itemOf(v12.model(), 203).value, -9);
    // 153 was loaded as 60 (different): marked; 230 holds 11 from the file.
    QCOMPARE(pendingAddresses(v12.model()), (QList<int>{153, 189, 203, 230}));

    // A version-11 file loaded back keeps 243 and 244 that it holds.
    CSettDevDlg again({11, false, {}});
    again.LoadParameterFile(path);
    QCOMPARE(itemOf(again.model(), 243).value, 7);
    QCOMPARE(pendingAddresses(again.model()), (QList<int>{189, 203, 243}));
}

void TestParametersWindow::loadingRefusesBadFiles()
{
    QTemporaryDir dir;
    MessageBoxAnswerer operatorAnswers;
    CSettDevDlg window({12, false, {}});
    window.model().applyEdit(valueIndex(window.model(), 153), 100);

    window.LoadParameterFile(dir.filePath(u"missing.zrq7"_qs));
    QVERIFY(operatorAnswers.seen.takeLast().startsWith(u"Błąd|Nie można odczytać pliku ustawień:\n"_qs));
    QCOMPARE(pendingAddresses(window.model()), QList<int>{153});

    const QString foreign = dir.filePath(u"other.zrq7"_qs);
    QFile file(foreign);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[settings]\n150=1\n");
    file.close();
    window.LoadParameterFile(foreign);
    QVERIFY(operatorAnswers.seen.takeLast().startsWith(u"Błąd|Plik nie zawiera ustawień ZRQ-7/8"_qs));
    QCOMPARE(itemOf(window.model(), 150).value, 100);

    const QString tooBig = dir.filePath(u"big.zrq7"_qs);
    QFile big(tooBig);
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write("\xEF\xBB\xBF[zrq7CONFIG]\r\n150=70000\r\n156=6500\r\n");
    big.close();
    window.LoadParameterFile(tooBig);
    QCOMPARE(operatorAnswers.seen.takeLast(), u"Parametry ZRQ-7/8|Pobieranie pliku ustawień "
                                              u"zakończone.\nPominięte parametry z liczbą spoza zakresu "
                                              "rejestru: 1."_qs);
    QCOMPARE(itemOf(window.model(), 150).value, 100);
    QCOMPARE(itemOf(window.model(), 156).value, 6500); // bounds are not checked on loading
    QCOMPARE(pendingAddresses(window.model()), (QList<int>{153, 156}));
}

void TestParametersWindow::savingOnlineKeepsMarks()
{
    QTemporaryDir dir;
    MessageBoxAnswerer operatorAnswers;
    CSettDevDlg window(online(12)); // never shown: no automatic read
    window.model().applyEdit(valueIndex(window.model(), 153), 100);
    window.SaveParameterFile(dir.filePath(u"a.zrq7"_qs));
    QCOMPARE(operatorAnswers.seen.takeLast(),
             u"Parametry ZRQ-7/8|Zapis pliku ustawień zakończony sukcesem."_qs);
    QCOMPARE(pendingAddresses(window.model()), QList<int>{153});
}

void TestParametersWindow::readsEveryRegisterWhenOpened()
{
    LinkedSimulator relay({u"--firmware"_qs, u"11"_qs, u"--setting"_qs, u"203=-9"_qs, u"--setting"_qs,
                           u"189=497"_qs, u"--setting"_qs, u"156=6000"_qs});
    QVERIFY2(relay.start(), qPrintable(relay.process().errorString()));
    MessageBoxAnswerer operatorAnswers;
    CSettDevDlg window(online(11));
    QSignalSpy finished(&window, &CSettDevDlg::transferFinished);
    window.show();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kTransferTimeoutMs);
    QCOMPARE(operatorAnswers.seen,
             QStringList{u"Parametry ZRQ-7/8|Proces odczytu parametrów z urządzenia został zakończony."_qs});
    const QList<int> relayValues = relay.registers(150, 95);
    QCOMPARE(relayValues.size(), 95);
    for (int address : gridAddresses(window.model()))
        QCOMPARE(itemOf(window.model(), uint16_t(address)).value, relayValues[address - 150]);
    QCOMPARE(valueIndex(window.model(), 203).data().toString(), u"-9"_qs);
    QCOMPARE(valueIndex(window.model(), 189).data().toString(), u"49.7"_qs);
    QCOMPARE(valueIndex(window.model(), 156).data().toString(), u"600.0"_qs);
    QCOMPARE(window.findChild<QProgressBar*>(u"id1142"_qs)->value(), 0);
    QVERIFY(button(window, 1213)->isEnabled());
}

void TestParametersWindow::writesOnlyChangedThenAllInGridOrder()
{
    LinkedSimulator relay({u"--firmware"_qs, u"11"_qs});
    QVERIFY2(relay.start(), qPrintable(relay.process().errorString()));
    MessageBoxAnswerer operatorAnswers;
    CSettDevDlg window(online(11));
    QSignalSpy finished(&window, &CSettDevDlg::transferFinished);
    window.show();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kTransferTimeoutMs);
    relay.takeWrites();

    // Nothing changed: nothing sent, the message still comes.
    button(window, 1215)->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, kTransferTimeoutMs);
    QVERIFY(relay.takeWrites().isEmpty());

    QVERIFY(typeValue(window, 169, u"1.06"_qs));
    window.model().applyEdit(valueIndex(window.model(), 244), 5);
    window.model().applyEdit(valueIndex(window.model(), 155), 40); // "Imax coef" 4.0
    button(window, 1215)->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 3, kTransferTimeoutMs);
    QList<int> values;
    QCOMPARE(relay.takeWrites(&values), (QList<int>{155, 169, 244}));
    QCOMPARE(values, (QList<int>{40, 11, 5}));
    QVERIFY(pendingAddresses(window.model()).isEmpty());
    QCOMPARE(relay.registers(169, 1), QList<int>{11});
    QCOMPARE(operatorAnswers.seen.last(),
             u"Parametry ZRQ-7/8|Proces zapisu parametrów do urządzenia został zakończony."_qs);

    window.findChild<QCheckBox*>(u"id1217"_qs)->click();
    button(window, 1215)->click();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 4, kTransferTimeoutMs);
    const QList<int> all = relay.takeWrites();
    QCOMPARE(all, gridAddresses(window.model()));
    QCOMPARE(all.size(), 95);
    QCOMPARE(all.indexOf(243), all.indexOf(203) + 1);
    QCOMPARE(all.indexOf(244), all.indexOf(207) + 1);
    QCOMPARE(all.mid(0, 5), (QList<int>{150, 151, 152, 153, 154}));
}

void TestParametersWindow::failedRegister_data()
{
    QTest::addColumn<bool>("reading");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("answer");
    QTest::newRow("read, try again") << true << u"156x1"_qs << int(QMessageBox::Retry);
    QTest::newRow("read, continue") << true << u"156"_qs << int(QMessageBox::Ignore);
    QTest::newRow("read, cancel") << true << u"156"_qs << int(QMessageBox::Cancel);
    QTest::newRow("write, continue") << false << u"156"_qs << int(QMessageBox::Ignore);
    QTest::newRow("write, cancel") << false << u"156"_qs << int(QMessageBox::Cancel);
}

void TestParametersWindow::failedRegister()
{
    QFETCH(bool, reading);
    QFETCH(QString, failing);
    QFETCH(int, answer);
    // 157 differs from the factory value, so reading it shows whether the read got there.
    LinkedSimulator relay({u"--fail-register"_qs, failing, u"--setting"_qs, u"157=250"_qs});
    QVERIFY2(relay.start(), qPrintable(relay.process().errorString()));
    int questions = 0;
    MessageBoxAnswerer operatorAnswers([&](const QString& message) {
        if (!message.startsWith(u"Uwaga|Błąd"_qs))
            return QMessageBox::Ok;
        ++questions;
        return Answer(answer);
    });
    CSettDevDlg window(online(12));
    ParameterGridModel& model = window.model();
    QSignalSpy finished(&window, &CSettDevDlg::transferFinished);
    if (reading) {
        markPending(model, 156);
        window.show();
    } else {
        window.findChild<QCheckBox*>(u"id1217"_qs)->setChecked(false);
        window.WriteAllParameters();
    }
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kTransferTimeoutMs);
    const QString name = itemOf(model, 156).name;
    const QString question = (reading ? u"Uwaga|Błąd pobrania parametru 'adres:156'\n\"%1\""_qs
                                      : u"Uwaga|Błąd zapisu parametru 'adres:156'\n\"%1\""_qs)
                                 .arg(name);
    QCOMPARE(operatorAnswers.seen.first(), question);
    QCOMPARE(questions, 1);
    // Not transferred: none after Try Again, the one given up after Continue,
    // and after Cancel that one and every register after it.
    const bool cancelled = answer == QMessageBox::Cancel;
    const QList<int> addresses = gridAddresses(model);
    const int failures = answer == QMessageBox::Retry ? 0
                         : cancelled                  ? int(addresses.size() - addresses.indexOf(156))
                                                      : 1;
    QCOMPARE(finished.first().at(1).toInt(), failures);
    QCOMPARE(finished.first().at(2).toBool(), cancelled);
    const QString process = reading ? u"Parametry ZRQ-7/8|Proces odczytu parametrów z urządzenia został "_qs
                                    : u"Parametry ZRQ-7/8|Proces zapisu parametrów do urządzenia został "_qs;
    QString expected = process + (cancelled ? u"przerwany."_qs : u"zakończony."_qs);
    if (cancelled)
        expected +=
            reading ? u"\nNie odczytano parametrów: %1 (pozostają ich poprzednie wartości)."_qs.arg(failures)
                    : u"\nNie zapisano parametrów: %1."_qs.arg(failures);
    else if (failures > 0)
        expected += reading ? u"\nNie odczytano parametrów: 1."_qs : u"\nNie zapisano parametrów: 1."_qs;
    QCOMPARE(operatorAnswers.seen.last(), expected);
    QCOMPARE(operatorAnswers.icons.last(), failures == 0 ? QMessageBox::Information : QMessageBox::Warning);
    QCOMPARE(window.findChild<QProgressBar*>(u"id1142"_qs)->value(), 0);

    const bool wentOn = answer != QMessageBox::Cancel;
    if (reading) {
        QCOMPARE(itemOf(model, 157).value, wentOn ? 250 : 2);
        // Try Again read it; Continue gave up its mark; Cancel left it as it was.
        QCOMPARE(itemOf(model, 156).IsPendingChange(), answer == QMessageBox::Cancel);
    } else {
        QList<int> written = relay.takeWrites();
        QCOMPARE(written.count(156), 1);
        QCOMPARE(written.contains(157), wentOn);
        QCOMPARE(itemOf(model, 156).IsPendingChange(), false); // nothing was pending
    }
}

void TestParametersWindow::clockSynchronisation()
{
    // The relay's clock starts a day and an hour off.
    const QDateTime wrong = QDateTime::currentDateTime().addSecs(-90000);
    LinkedSimulator relay({u"--start-time"_qs, wrong.toString(u"yyyy-MM-ddTHH:mm:ss"_qs)});
    QVERIFY2(relay.start(), qPrintable(relay.process().errorString()));
    // Away from a minute's end, so the read-back below stays inside the minute.
    QTRY_VERIFY_WITH_TIMEOUT(QTime::currentTime().second() >= 2 && QTime::currentTime().second() <= 50,
                             20000);
    MessageBoxAnswerer operatorAnswers;
    CSettDevDlg window(online(12));
    QSignalSpy finished(&window, &CSettDevDlg::transferFinished);
    button(window, 1194)->click();
    QVERIFY(window.findChild<CWaitDlg*>());
    QCOMPARE(window.findChild<CWaitDlg*>()->windowTitle(), u"Synchronizacja"_qs);
    QVERIFY(!button(window, 1211)->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kTransferTimeoutMs);
    QCOMPARE(finished.first().at(3).toInt(), 0);
    QVERIFY(operatorAnswers.seen.isEmpty());
    QTRY_VERIFY(!window.findChild<CWaitDlg*>());

    const QList<int> words = relay.registers(80, 6);
    QCOMPARE(words.size(), 6);
    const QDateTime pc = QDateTime::currentDateTime();
    const auto bcd = [&](int i) { return QString::number(words[i], 16).toInt(); };
    const QDateTime relayTime(QDate(2000 + bcd(5), bcd(4), bcd(3)), QTime(bcd(2), bcd(1), bcd(0)));
    QVERIFY2(qAbs(relayTime.secsTo(pc)) <= 1,
             qPrintable(relayTime.toString(Qt::ISODate) + u" / "_qs + pc.toString(Qt::ISODate)));
}

void TestParametersWindow::clockThatStaysOff()
{
    // The relay's second starts when register 80 is written, so a relay set 3 s
    // ahead reads 2 or 3 s ahead at the next second boundary: always off.
    LinkedSimulator relay({u"--clock-ahead"_qs, u"3"_qs});
    QVERIFY2(relay.start(), qPrintable(relay.process().errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(QTime::currentTime().second() >= 2 && QTime::currentTime().second() <= 45,
                             20000);
    MessageBoxAnswerer operatorAnswers;
    CSettDevDlg window(online(12));
    QSignalSpy finished(&window, &CSettDevDlg::transferFinished);
    window.SynchronizeDeviceClock();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kTransferTimeoutMs);
    QCOMPARE(finished.first().at(3).toInt(), 205);
    QCOMPARE(operatorAnswers.seen, QStringList{u"Błąd|Błąd synchronizacji czasu.\nNiezgodne sekundy."_qs});
    QList<int> values;
    const QList<int> writes = relay.takeWrites(&values);
    QCOMPARE(writes.size(), 24); // four attempts of six registers
    QCOMPARE(writes.mid(0, 6), (QList<int>{80, 81, 82, 83, 84, 85}));
}

void TestParametersWindow::restart_data()
{
    addAgreeRows("no sends nothing", "yes restarts");
}

void TestParametersWindow::restart()
{
    QFETCH(bool, agree);
    LinkedSimulator relay;
    QVERIFY2(relay.start(), qPrintable(relay.process().errorString()));
    MessageBoxAnswerer operatorAnswers(yesOrNo(agree));
    CSettDevDlg window(online(12));
    QSignalSpy finished(&window, &CSettDevDlg::transferFinished);
    button(window, 1195)->click();
    QCOMPARE(
        operatorAnswers.seen,
        QStringList{u"UWAGA|Zostanie wykonany restart urządzenia.\nJeżeli silnik jest włączony, nastąpi jego "
                    "wyłączenie.\nCzy na pewno chcesz kontynuować?"_qs});
    if (!agree) {
        QTest::qWait(200);
        QVERIFY(relay.takeWrites().isEmpty());
        return;
    }
    QCOMPARE(window.findChild<CWaitDlg*>()->findChild<QLabel*>(u"id1223"_qs)->text(),
             u"Trwa restart urządzenia..."_qs);
    // A restarting relay says nothing for a while (latched: QTRY asks once more at the end).
    bool wentSilent = false;
    QTRY_VERIFY_WITH_TIMEOUT(wentSilent = wentSilent || relay.registers(0, 2).isEmpty(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kTransferTimeoutMs);
    QList<int> values;
    QCOMPARE(relay.takeWrites(&values), QList<int>{903});
    QCOMPARE(values, QList<int>{88});
    // The relay restarted and answers again.
    QTRY_COMPARE_WITH_TIMEOUT(relay.registers(0, 2).size(), 2, 5000);
    QCOMPARE(operatorAnswers.seen.size(), 1);
}

QTEST_MAIN(TestParametersWindow)
#include "tst_parameters_window.moc"
