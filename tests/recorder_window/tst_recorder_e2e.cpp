// SPDX-License-Identifier: MIT
// End to end: the panel records a minute against the relay simulator once a
// second, then its recorder window lists the day, loads it, draws the curves
// and exports the day.
#include "AppPaths.h"
#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "CDataDlg.h"
#include "DayFile.h"
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

class tst_recorder_e2e : public QObject
{
    Q_OBJECT

private slots:
    void recordLoadAndExport()
    {
        RelayUnderTest relay(LinkKind::Tcp, {}, QStringLiteral("at 0 set 30 100\n")); // phase 1: 10.0 A
        QVERIFY2(relay.start(), qPrintable(relay.errorString()));
        relay.pointSettingsAtRelay();
        QVERIFY(QDir().mkpath(RecordingsFolderPath()));
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
            return std::count_if(day.records.begin(), day.records.end(),
                                 [](const _tagSTRUCT_DATA& r) { return r.nLinkState == 1 && r.nValue[0] == 100; });
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
        const auto secondOf = [](const _tagSTRUCT_DATA& r) {
            return r.stTime.wHour * 3600 + r.stTime.wMinute * 60 + r.stTime.wSecond;
        };
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
