// SPDX-License-Identifier: MIT
// End to end: the panel records a minute against the relay simulator once a
// second, then its recorder window lists the day, loads it, draws the curves
// and exports the day. Quick "Pauza"/"Zapis" and "Stop"/"Zapis" presses never
// record a second twice; a second copy of the program cannot delete the day
// file the first one records into.
#include "AppPaths.h"
#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CDataDlg.h"
#include "DayFile.h"
#include "DayFileFixture.h"
#include "ModalHelpers.h"
#include "ProgramProcess.h"
#include "Recorder.h"
#include "RecorderBrowser.h"
#include "RecorderState.h"
#include "RelayUnderTest.h"

#include <QAbstractButton>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

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

} // namespace

class tst_recorder_e2e : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
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
        RelayUnderTest relay(LinkKind::Tcp, {}, QStringLiteral("at 0 set 30 100\n")); // phase 1: 10.0 A
        QVERIFY2(relay.start(), qPrintable(relay.errorString()));
        relay.pointSettingsAtRelay();
        ProgramSettings& s = theApp().settings;
        s.nRecordInterval = 1;
        s.bAutoRecord = 0;
        s.nGraphQuantity[0] = 1; // phase current i1
        s.bGraphVisible[0] = 1;

        CCPL_ZRQ7Dlg window;
        window.show();
        QTest::mouseClick(window.findChild<QAbstractButton*>("id1084"), Qt::LeftButton);
        auto* data = window.findChild<CDataDlg*>();
        QVERIFY(data);
        QTest::mouseClick(data->findChild<QAbstractButton*>("id1175"), Qt::LeftButton); // "Zapis"
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
};

QTEST_MAIN(tst_recorder_e2e)
#include "tst_recorder_e2e.moc"
