// SPDX-License-Identifier: MIT
// End to end: the panel records a minute against the relay simulator once a
// second, then its recorder window lists the day, loads it, draws the curves
// and exports the day; the day being recorded is drawn as it grows; three
// days load as one range and a fault of day two is reached from the history. Quick "Pauza"/"Zapis" and
// "Stop"/"Zapis" presses never record a second twice; a second copy of the program cannot delete the day file
// the first one records into.
#include "AppPaths.h"
#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CDataDlg.h"
#include "ClearOfMidnight.h"
#include "DayFile.h"
#include "DayFileFixture.h"
#include "ModalHelpers.h"
#include "ProgramProcess.h"
#include "Recorder.h"
#include "RecorderBrowser.h"
#include "RecorderState.h"
#include "RelayUnderTest.h"
#include "WidgetPixels.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

using namespace zrq7::e2e;

namespace {

int secondOf(const _tagSTRUCT_DATA& r)
{
    return DbSecondOfDay(r);
}

std::vector<_tagSTRUCT_DATA> recordsOf(const QString& path)
{
    return ReadDbFile(QFile::encodeName(path).toStdString()).records;
}

QString todaysFile()
{
    return QDir(RecordingsFolderPath())
        .filePath(QString::fromStdString(DbFileName(Recorder::localClock().date)));
}

// Settings for recording `relay` by hand once a second, channel 1 showing phase current i1.
void recordOnceASecond(const RelayUnderTest& relay)
{
    relay.pointSettingsAtRelay();
    ProgramSettings& s = theApp().settings;
    s.nRecordInterval = 1;
    s.bAutoRecord = 0;
    s.nGraphQuantity[0] = 1;
    s.bGraphVisible[0] = 1;
}

// Connects the main window and presses "Zapis" in its recorder window (returned).
CDataDlg* connectAndRecord(CCPL_ZRQ7Dlg& window)
{
    window.show();
    QTest::mouseClick(window.findChild<QAbstractButton*>("id1084"), Qt::LeftButton);
    auto* data = window.findChild<CDataDlg*>();
    if (data)
        QTest::mouseClick(data->findChild<QAbstractButton*>("id1175"), Qt::LeftButton);
    return data;
}

// The panel connected to a relay whose phase current 1 reads 10.0 A, its
// recorder window recording once a second.
struct RecordingPanel
{
    explicit RecordingPanel(const QStringList& relayOptions = {})
        : relay(LinkKind::Tcp, relayOptions, QStringLiteral("at 0 set 30 100\n"))
    {
    }

    RelayUnderTest relay;
    int responseTimeout = 0;            // ms; 0: as the relay's settings have it
    std::optional<CCPL_ZRQ7Dlg> window; // made once the settings point at the relay
    CDataDlg* data = nullptr;

    bool start()
    {
        if (!relay.start())
            return false;
        recordOnceASecond(relay);
        if (responseTimeout > 0)
            theApp().settings.nResponseTimeout = uint32_t(responseTimeout);
        data = connectAndRecord(window.emplace());
        return data != nullptr;
    }
};

} // namespace

class tst_recorder_e2e : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        waitUntilClearOfMidnight(std::chrono::seconds(90));
        QDir(RecordingsFolderPath()).removeRecursively();
        QVERIFY(QDir().mkpath(RecordingsFolderPath()));
        qunsetenv("ZRQ7_MESSAGE_LOG");
    }

    // Interval 1 s against the relay: the operator pauses and resumes, stops
    // and starts again, quickly and at every phase of the second. Read back,
    // the day file's times only go forward, never twice the same second.
    void quickPausesNeverRecordASecondTwice()
    {
        RelayUnderTest relay(LinkKind::Tcp);
        QVERIFY2(relay.start(), qPrintable(relay.errorString()));
        relay.pointSettingsAtRelay();
        theApp().settings.nRecordInterval = 1;
        theApp().settings.bAutoRecord = 0;
        CCPL_ZRQ7Dlg window;
        window.show();
        QTest::mouseClick(window.findChild<QAbstractButton*>("id1084"), Qt::LeftButton);
        auto* data = window.findChild<CDataDlg*>();
        QVERIFY(data);
        QAbstractButton* record = data->findChild<QAbstractButton*>("id1175");
        QAbstractButton* pause = data->findChild<QAbstractButton*>("id1004");
        QAbstractButton* stop = data->findChild<QAbstractButton*>("id1007");
        QTest::mouseClick(record, Qt::LeftButton);
        const QString path = todaysFile();
        QTRY_VERIFY_WITH_TIMEOUT(recordsOf(path).size() >= 2, 10000);

        // The operator's pace: how long each pause (or stop) lasts and how long
        // recording runs before the next press, in ms, spread over the second.
        const int paused[] = {120, 380, 650, 900, 1150, 1400, 240, 520, 780, 1030, 1280, 60};
        const int running[] = {300, 1100, 700, 150, 1300, 450, 900, 250, 1200, 600, 80, 1000};
        for (int i = 0; i < 12; ++i) {
            const bool restart = i % 4 == 3;
            QTest::mouseClick(restart ? stop : pause, Qt::LeftButton);
            QTest::qWait(paused[i]);
            QTest::mouseClick(record, Qt::LeftButton);
            QCOMPARE(data->recorder().state(), REC_ON);
            QTest::qWait(running[i]);
        }
        const std::size_t pressed = recordsOf(path).size();
        QTRY_VERIFY_WITH_TIMEOUT(recordsOf(path).size() >= pressed + 2, 10000);
        QTest::mouseClick(stop, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!data->recorder().heldFile(), 5000);

        const std::vector<_tagSTRUCT_DATA> records = recordsOf(path);
        QVERIFY(records.size() >= 12);
        for (std::size_t i = 1; i < records.size(); ++i)
            QVERIFY2(secondOf(records[i]) > secondOf(records[i - 1]),
                     qPrintable(QStringLiteral("record %1 at %2 after %3")
                                    .arg(i)
                                    .arg(recordings::recordTimeText(records[i]),
                                         recordings::recordTimeText(records[i - 1]))));
    }

    // Copy one (the real program) records; the recordings list of a second
    // copy, here in the test, is asked to delete its day file with "Usuń" and
    // "Usuń wszystkie": both are refused, saying the file is being recorded,
    // other files go, and copy one goes on writing into the file that is there.
    void secondCopyCannotDeleteTheLiveRecording()
    {
        QVERIFY(writeProfile({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:1"),
                              QStringLiteral("--record"), QStringLiteral("1")}));
        QTemporaryDir logs;
        ProgramProcess first(logs.filePath(QStringLiteral("first.log")));
        QVERIFY(first.started());
        const QString path = todaysFile();
        QTRY_VERIFY_WITH_TIMEOUT(recordsOf(path).size() >= 2, 20000);
        const QString older = QDir(RecordingsFolderPath()).filePath(QStringLiteral("01012020.db"));
        QVERIFY(writeDayFile(older, {1, 1, 2020}, {}));

        RecorderBrowser second;
        second.ScanRecordings();
        auto* list = second.findChild<QTableWidget*>("id1169");
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(list->item(0, 0)->text(), QFileInfo(path).fileName()); // newest first
        const QString refused = QStringLiteral("Błąd usunięcia|Usunięcie pliku nie powiodło się") +
                                QFileInfo(path).fileName() +
                                QStringLiteral("\nPlik jest w tej chwili zapisywany (trwa zapis danych).");
        MessageBoxAnswerer answers(QMessageBox::Yes);
        list->selectRow(0);
        second.DeleteRecording();
        QCOMPARE(answers.seen.size(), 2); // the question, then the refusal
        QCOMPARE(answers.seen[1], refused);
        QVERIFY(QFile::exists(path));

        answers.seen.clear();
        second.DeleteAllRecordings();
        QCOMPARE(answers.seen.size(), 2);
        QCOMPARE(answers.seen[1], refused);
        QVERIFY(QFile::exists(path));
        QVERIFY(!QFile::exists(older));
        QCOMPARE(list->rowCount(), 1);

        const std::size_t before = recordsOf(path).size();
        QTRY_VERIFY_WITH_TIMEOUT(recordsOf(path).size() >= before + 2, 10000);
        QVERIFY(first.running());
    }

    void recordLoadAndExport()
    {
        RecordingPanel panel;
        QVERIFY2(panel.start(), qPrintable(panel.relay.errorString()));
        CDataDlg* data = panel.data;
        const ProgramSettings& s = theApp().settings;
        QTRY_VERIFY_WITH_TIMEOUT(data->recorder().state() & REC_ON, 5000);

        // Wait for records written with the link and the relay's values.
        const QString name = QString::fromStdString(DbFileName(Recorder::localClock().date));
        const QString path = QDir(RecordingsFolderPath()).filePath(name);
        const auto linkedRecords = [&] {
            const DbFileContents day = ReadDbFile(QFile::encodeName(path).toStdString());
            return std::count_if(day.records.begin(), day.records.end(), [](const _tagSTRUCT_DATA& r) {
                return r.nLinkState == 1 && r.nValue[0] == 100;
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(linkedRecords() >= 60, 100000);

        RecorderBrowser* browser = data->browser();
        browser->ScanRecordings();
        auto* list = browser->graph()->window()->findChild<QTableWidget*>("id1169");
        QVERIFY(list);
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(list->item(0, 0)->text(), name);
        // Deleting the file being recorded is refused.
        const QString log = QDir(qEnvironmentVariable("ZRQ7_TEST_HOME")).filePath("e2e-messages.log");
        qputenv("ZRQ7_MESSAGE_LOG", log.toUtf8());
        list->selectRow(0);
        browser->DeleteAllRecordings(); // default answer No: nothing happens
        QVERIFY(QFile::exists(path));

        QTest::mouseClick(data->findChild<QAbstractButton*>("id1007"), Qt::LeftButton); // "Stop"
        QTRY_VERIFY_WITH_TIMEOUT(!(data->recorder().state() & REC_ON), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!data->recorder().heldFile(), 5000);

        data->show();
        browser->LoadRecording(name);
        const std::vector<_tagSTRUCT_DATA>& records = browser->records();
        QVERIFY(records.size() >= 60);
        // One record a second: no second lost, none written twice.
        for (std::size_t i = 1; i < records.size(); ++i)
            QCOMPARE(secondOf(records[i]) - secondOf(records[i - 1]), 1);
        QCOMPARE(browser->maxRaw()[0], 100);
        // Drawn over the minute recorded: over the whole day, a minute just after
        // midnight would lie under the graph's left edge.
        browser->graph()->ShowSpan(secondOf(records.front()), secondOf(records.back()));
        const QColor line = colorFromRef(ColorRef(s.crGraphLine[0]));
        const QImage picture = browser->graph()->grab().toImage();
        int drawn = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                drawn += picture.pixelColor(x, y) == line;
        QVERIFY2(drawn > 0, "no curve pixel in the graph");

        QTemporaryDir out;
        browser->setOpenFileHandler([](const QString&) {});
        QSignalSpy done(browser, &RecorderBrowser::exportFinished);
        browser->ExportRecordingTo(name, out.filePath("Table.xlsx"));
        QVERIFY(done.wait(30000));
        const auto outcome = done.takeFirst().at(0).value<ExportJob::Outcome>();
        QCOMPARE(int(outcome.table.outcome), int(exporting::Outcome::Written));
        QCOMPARE(outcome.table.rows, records.size());
        qunsetenv("ZRQ7_MESSAGE_LOG");
    }

    // The window shows the file the recorder writes: each new record is read
    // and drawn without loading the file again, and a view at the end of the
    // data moves along with it.
    void theDayBeingRecordedIsDrawnLive()
    {
        RecordingPanel panel;
        QVERIFY2(panel.start(), qPrintable(panel.relay.errorString()));
        CDataDlg* data = panel.data;
        const ProgramSettings& s = theApp().settings;
        data->show();
        QVERIFY(QTest::qWaitForWindowExposed(data));
        const QString path = todaysFile();
        QTRY_VERIFY_WITH_TIMEOUT(recordsOf(path).size() >= 3, 20000);

        RecorderBrowser* browser = data->browser();
        browser->ScanRecordings();
        browser->LoadRecording(QFileInfo(path).fileName());
        const std::size_t loaded = browser->records().size();
        QVERIFY(loaded >= 3);
        // The operator zooms in on the last minute recorded (in two steps: a
        // pixel of the whole day is over a minute).
        CGraphMix* graph = browser->graph();
        const double last = secondOf(browser->records().back());
        const auto xOf = [&](double t) { return graphmath::xOfTime(graph->plot(), graph->view(), t); };
        graph->ZoomToRange(xOf(last - 600), xOf(last + 600));
        graph->ZoomToRange(xOf(last - 60), xOf(last + 2));
        QVERIFY2(
            graph->view().end >= last && graph->view().end < last + 5,
            qPrintable(
                QStringLiteral("%1..%2, last %3").arg(graph->view().start).arg(graph->view().end).arg(last)));

        // Records come in while the window only listens (nothing loads the file again).
        QTRY_VERIFY_WITH_TIMEOUT(browser->records().size() >= loaded + 3, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(graph->view().end >= secondOf(browser->records().back()), 5000);
        QVERIFY(graph->view().span() < 120);
        const double newest = secondOf(browser->records().back());
        QVERIFY(newest >= last + 3);
        const QColor line = colorFromRef(ColorRef(s.crGraphLine[0]));
        QTRY_VERIFY_WITH_TIMEOUT(drawnBetween(graph, xOf(newest) - 12, xOf(newest), line), 5000);

        QTest::mouseClick(data->findChild<QAbstractButton*>("id1007"), Qt::LeftButton); // "Stop"
        QTRY_VERIFY_WITH_TIMEOUT(!data->recorder().heldFile(), 5000);
        // What was drawn is what the file holds, every record once.
        const std::vector<_tagSTRUCT_DATA> written = recordsOf(path);
        QTRY_COMPARE_WITH_TIMEOUT(browser->records().size(), written.size(), 5000);
        for (std::size_t i = 0; i < written.size(); ++i)
            QCOMPARE(secondOf(browser->records()[i]), secondOf(written[i]));
    }

    // A view export of days that include the one being recorded, against a
    // relay answering every read 400 ms late: the live records go on being
    // drawn while the export runs; closing the program asks first. "Nie"
    // keeps both going and the table is written whole; "Tak" cuts the export
    // short with nothing left behind and nothing reported as written, and the
    // program closes with the day file whole.
    void closeDuringAViewExportOnASlowRelay()
    {
        const QDate today = QDate::currentDate();
        const QDir folder(RecordingsFolderPath());
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        for (int back : {2, 1}) {
            const QDate date = today.addDays(-back);
            const DbDate day{date.day(), date.month(), date.year()};
            QVERIFY(writeDayFile(folder.filePath(QString::fromStdString(DbFileName(day))), day,
                                 fullDayRecords()));
        }
        RecordingPanel panel({QStringLiteral("--delay-rate"), QStringLiteral("1"),
                              QStringLiteral("--delay-ms"), QStringLiteral("400")});
        panel.responseTimeout = 3000; // late answers, but in time even under the export's load
        QVERIFY2(panel.start(), qPrintable(panel.relay.errorString()));
        CDataDlg* data = panel.data;
        const QString path = todaysFile();
        QTRY_VERIFY_WITH_TIMEOUT(recordsOf(path).size() >= 3, 20000);
        data->findChild<QDateEdit*>("id1303")->setDate(today.addDays(-2));
        data->findChild<QDateEdit*>("id1304")->setDate(today);
        QTest::mouseClick(data->findChild<QAbstractButton*>("id1305"), Qt::LeftButton);
        RecorderBrowser* browser = data->browser();
        QCOMPARE(browser->shownAxis().days, 3);
        const auto drawn = [browser] { return browser->loaded().range()->series.seconds.size(); };

        bool stay = true;
        MessageBoxAnswerer answers([&](const QString& message) {
            if (message.contains(QStringLiteral("Trwa eksport")))
                return stay ? QMessageBox::No : QMessageBox::Yes;
            if (message.contains(QStringLiteral("otworzyć")))
                return QMessageBox::No; // the written table stays closed
            return QMessageBox::Yes;    // disconnect and close
        });
        QTemporaryDir out;
        const QString whole = out.filePath(QStringLiteral("widok.csv"));
        QSignalSpy finished(browser, &RecorderBrowser::exportFinished);
        browser->ExportViewTo(whole);
        QVERIFY(browser->exportRunning());
        const std::size_t drawnBefore = drawn();
        panel.window->close(); // "Nie": nothing stops
        QVERIFY(panel.window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(drawn() > drawnBefore, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
        QCOMPARE(int(finished.first().first().value<ExportJob::Outcome>().table.outcome),
                 int(exporting::Outcome::Written));
        QFile table(whole);
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QStringList rows =
            QString::fromUtf8(table.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QVERIFY2(rows.size() >= 1 + 2 * 86400 + 3, qPrintable(QString::number(rows.size())));
        QVERIFY(rows.last().startsWith(today.toString(QStringLiteral("dd.MM.yyyy,"))));

        const QString cut = out.filePath(QStringLiteral("przerwany.xlsx"));
        answers.seen.clear();
        stay = false;
        browser->ExportViewTo(cut);
        QVERIFY(browser->exportRunning());
        panel.window->close(); // "Tak": the export is cut short, the program closes
        QTRY_VERIFY_WITH_TIMEOUT(!panel.window->isVisible(), 20000);
        QVERIFY(!browser->exportRunning());
        QCoreApplication::processEvents(); // an outcome on its way would be told now
        QVERIFY2(answers.seen.contains(QString::fromUtf8(
                     "Uwaga|Trwa eksport danych do pliku.\nPrzerwać eksport i zakończyć program?")),
                 qPrintable(answers.seen.join(u';')));
        for (const QString& seen : answers.seen)
            QVERIFY2(!seen.contains(QStringLiteral("Zapis pliku")), qPrintable(seen));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("widok.csv")});
        QVERIFY(!data->recorder().running());
        QCOMPARE(int(ReadDbFile(QFile::encodeName(path).toStdString()).status), int(DbReadStatus::Ok));
    }

    // Three days in the recordings folder (a fault on the second) picked with
    // "od"/"do" in the recorder window: one range, its fault history dated,
    // and a double click there goes to day two at the fault's time.
    void threeDaysAndAFaultOfDayTwo()
    {
        const auto day = [](int fault) {
            std::vector<_tagSTRUCT_DATA> records;
            for (int t = 0; t < 86400; t += 30) {
                _tagSTRUCT_DATA r = recordAt(t);
                r.nValue[0] = 100;
                r.bFaultActive[std::size_t(fault)] = fault > 0 && t >= 9 * 3600 + 15 * 60 && t < 10 * 3600;
                records.push_back(r);
            }
            return records;
        };
        const QDir folder(RecordingsFolderPath());
        QVERIFY(writeDayFile(folder.filePath("08122025.db"), {8, 12, 2025}, day(0)));
        QVERIFY(writeDayFile(folder.filePath("09122025.db"), {9, 12, 2025}, day(7)));
        QVERIFY(writeDayFile(folder.filePath("10122025.db"), {10, 12, 2025}, day(0)));
        theApp().settings.nGraphQuantity[0] = 1;
        theApp().settings.bGraphVisible[0] = 1;
        CCPL_ZRQ7Dlg window;
        auto* data = window.findChild<CDataDlg*>();
        QVERIFY(data);
        data->show();
        QVERIFY(QTest::qWaitForWindowExposed(data));
        data->findChild<QDateEdit*>("id1303")->setDate({2025, 12, 8});
        data->findChild<QDateEdit*>("id1304")->setDate({2025, 12, 10});
        QTest::mouseClick(data->findChild<QAbstractButton*>("id1305"), Qt::LeftButton);

        RecorderBrowser* browser = data->browser();
        QCOMPARE(browser->shownAxis().days, 3);
        QCOMPARE(DbDateText(browser->shownAxis().first), std::string("08.12.2025"));
        auto* history = data->findChild<QTableWidget*>("id1168");
        QCOMPARE(history->rowCount(), 1);
        QCOMPARE(history->item(0, 2)->text(), QStringLiteral("09.12.2025 09:15:00"));
        CGraphMix* graph = browser->graph();
        graph->ZoomToRange(graph->plot().left, graph->plot().left + 20); // the first hours of the 8th
        const QPoint row = history->visualItemRect(history->item(0, 0)).center();
        QTest::mouseClick(history->viewport(), Qt::LeftButton, {}, row);
        QTest::mouseDClick(history->viewport(), Qt::LeftButton, {}, row);
        const double fault = 86400 + 9 * 3600 + 15 * 60;
        QVERIFY2(graph->view().start < fault && fault < graph->view().end,
                 qPrintable(QStringLiteral("%1..%2").arg(graph->view().start).arg(graph->view().end)));
        QVERIFY(graph->view().span() < 86400);
        QCOMPARE(graph->mode(), int(CGraphMix::GRAPH_MODE_CURSOR));
        const QString cursor = multiday::cursorText(
            graph->axis(), graphmath::timeAtX(graph->plot(), graph->view(), graph->cursorPoint().x()));
        QVERIFY2(cursor.startsWith(QStringLiteral("09.12.2025 09:1")), qPrintable(cursor));
    }
};

QTEST_MAIN(tst_recorder_e2e)
#include "tst_recorder_e2e.moc"
