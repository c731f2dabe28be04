// SPDX-License-Identifier: MIT
// The recorder thread on its own: records from the snapshot once per interval,
// the midnight roll-over with one clock reading per record, damaged and held
// day files, a full file system, and how fast stop and quit take effect.
#include "DayFile.h"
#include "MeasurementSnapshot.h"
#include "NearlyFullFileSystem.h"
#include "Recorder.h"
#include "RecorderState.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QVariant>
#include <atomic>
#include <mutex>

namespace {

// Records a recorder signal for the test. ThreadSpy appends in the emitting
// thread (a direct connection): here the recorder's own thread, while the test
// reads the spy, a data race. This one takes every emission over to the test's
// thread (a queued connection) and is only touched there.
class ThreadSpy : public QObject, public QList<QVariantList>
{
public:
    template <typename Sender, typename... Args> ThreadSpy(Sender* sender, void (Sender::*signal)(Args...))
    {
        connect(
            sender, signal, this,
            [this](Args... args) { append(QVariantList{QVariant::fromValue(args)...}); },
            Qt::QueuedConnection);
    }
};

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(path.toStdString());
}

// A clock the test sets; it stands still between settings.
class ManualClock
{
public:
    void set(DbClockReading reading)
    {
        std::lock_guard lock(m_lock);
        m_now = reading;
    }
    DbClockReading now() const
    {
        std::lock_guard lock(m_lock);
        return m_now;
    }
    Recorder::Clock function()
    {
        return [this] { return now(); };
    }

private:
    mutable std::mutex m_lock;
    DbClockReading m_now{{8, 12, 2025}, 12, 5, 9};
};

qint64 fileSize(const QString& path)
{
    return QFileInfo(path).size();
}

} // namespace

class tst_Recorder : public QObject
{
    Q_OBJECT

private slots:
    void stateTables()
    {
        QVERIFY((RecordButtonsFor(0) == RecordButtonStates{true, false, false}));
        QVERIFY((RecordButtonsFor(REC_ON) == RecordButtonStates{false, true, true}));
        QVERIFY((RecordButtonsFor(REC_ON | REC_PAUSED) == RecordButtonStates{true, true, false}));
        QCOMPARE(ClampRecordInterval(0), 1u);
        QCOMPARE(ClampRecordInterval(90000), 86400u);
        QCOMPARE(ClampRecordInterval(1ull << 40), 86400u);

        bool blink = false;
        QCOMPARE(int(TrayStatusFor(false, REC_ON, blink).icon), int(TrayIconKind::Warning));
        QCOMPARE(blink, false); // not running: the blink stands still
        TrayStatus status = TrayStatusFor(true, REC_ON, blink);
        QCOMPARE(QString::fromUtf8(status.tip.data()), QStringLiteral("Zapisywanie bazy danych włączone"));
        QCOMPARE(int(status.icon), int(TrayIconKind::Normal));
        QCOMPARE(int(TrayStatusFor(true, REC_ON, blink).icon), int(TrayIconKind::Recording));
        QCOMPARE(int(TrayStatusFor(true, REC_ON | REC_PAUSED, blink).icon), int(TrayIconKind::Normal));
        QCOMPARE(int(TrayStatusFor(true, REC_ON | REC_PAUSED, blink).icon), int(TrayIconKind::Warning));
        status = TrayStatusFor(true, 0, blink);
        QCOMPARE(QString::fromUtf8(status.tip.data()), QStringLiteral("Zapisywanie bazy danych wyłączone"));
    }

    // Records carry the snapshot's values, fault flags and link state and the
    // clock's time; a stop releases the file at once.
    void recordsTheSnapshot()
    {
        QTemporaryDir dir;
        MeasurementSnapshot snapshot;
        snapshot.SetMeasurement(0, 157);
        snapshot.SetMeasurement(52, -3);
        snapshot.Mark(0);
        snapshot.Mark(39);
        snapshot.SetLinkState(1);
        ManualClock clock;
        Recorder recorder({&snapshot, fsPath(dir.path()), clock.function()});
        recorder.setInterval(1);
        ThreadSpy released(&recorder, &Recorder::fileReleased);
        QVERIFY(recorder.start(true));
        QVERIFY(recorder.running());
        const QString path = dir.filePath(QStringLiteral("08122025.db"));
        QTRY_COMPARE_WITH_TIMEOUT(fileSize(path), qint64(48 + 225), 2000);
        snapshot.SetLinkState(0);
        snapshot.ClearMeasurements();
        clock.set({{8, 12, 2025}, 12, 5, 10});
        QTRY_COMPARE_WITH_TIMEOUT(fileSize(path), qint64(48 + 2 * 225), 3000);

        QElapsedTimer stopping;
        stopping.start();
        recorder.stop();
        QTRY_COMPARE_WITH_TIMEOUT(released.count(), 1, 1000);
        QVERIFY2(stopping.elapsed() < 100, qPrintable(QString::number(stopping.elapsed())));
        QVERIFY(!recorder.writerBusy());

        const DbFileContents contents = ReadDbFile(fsPath(path));
        QCOMPARE(int(contents.records.size()), 2);
        const _tagSTRUCT_DATA& first = contents.records[0];
        QCOMPARE(first.nLinkState, 1);
        QCOMPARE(first.stTime.wSecond, std::uint16_t(9));
        QCOMPARE(first.nValue[0], 157);
        QCOMPARE(first.nValue[52], -3);
        QCOMPARE(int(first.bFaultActive[0]), 1);
        QCOMPARE(int(first.bFaultActive[39]), 1);
        QCOMPARE(int(first.bFaultActive[1]), 0);
        const _tagSTRUCT_DATA& second = contents.records[1];
        QCOMPARE(second.nLinkState, 0);
        QCOMPARE(second.stTime.wSecond, std::uint16_t(10));
        QCOMPARE(second.nValue[0], 0);

        // Recording again the same day appends to the same file, but never a
        // second record of a time the file has: the restart within 12:05:10
        // waits for the clock to move on.
        recorder.record();
        QTRY_VERIFY_WITH_TIMEOUT(recorder.writerBusy(), 1000);
        QTest::qWait(1500); // the clock stands still: nothing may come meanwhile
        QCOMPARE(fileSize(path), qint64(48 + 2 * 225));
        clock.set({{8, 12, 2025}, 12, 5, 11});
        QTRY_COMPARE_WITH_TIMEOUT(fileSize(path), qint64(48 + 3 * 225), 3000);
        // A clock set back by an hour (the end of summer time) is not waited
        // for: recording goes on at once, and again never twice in a second.
        clock.set({{8, 12, 2025}, 11, 5, 30});
        QTRY_COMPARE_WITH_TIMEOUT(fileSize(path), qint64(48 + 4 * 225), 3000);
        QTest::qWait(1500);
        QCOMPARE(fileSize(path), qint64(48 + 4 * 225));
        QElapsedTimer quitting;
        quitting.start();
        recorder.quit();
        QVERIFY2(quitting.elapsed() < 100, qPrintable(QString::number(quitting.elapsed())));
        QVERIFY(!recorder.running());
    }

    // Past midnight the next record opens the new day's file, headed with the
    // new date; the old day's file never gets a record of the new day. Each record
    // written is handed on (the recorder service publishes it) with the clock
    // reading that stamped it and the file it went into.
    void midnightStartsANewFile()
    {
        QTemporaryDir dir;
        MeasurementSnapshot snapshot;
        snapshot.SetMeasurement(3, 42);
        ManualClock clock;
        clock.set({{31, 12, 2025}, 23, 59, 59});
        struct Written
        {
            _tagSTRUCT_DATA record;
            DbClockReading time;
            std::filesystem::path file;
        };
        std::mutex lock;
        std::vector<Written> written;
        Recorder::Setup setup{&snapshot, fsPath(dir.path()), clock.function()};
        setup.written = [&](const _tagSTRUCT_DATA& record, const DbClockReading& time,
                            const std::filesystem::path& file) {
            std::lock_guard guard(lock);
            written.push_back({record, time, file});
        };
        Recorder recorder(setup);
        recorder.setInterval(1);
        QVERIFY(recorder.start(true));
        const QString oldDay = dir.filePath(QStringLiteral("31122025.db"));
        const QString newDay = dir.filePath(QStringLiteral("01012026.db"));
        QTRY_COMPARE_WITH_TIMEOUT(fileSize(oldDay), qint64(48 + 225), 2000);
        clock.set({{1, 1, 2026}, 0, 0, 0});
        QTRY_COMPARE_WITH_TIMEOUT(fileSize(newDay), qint64(48 + 225), 3000);
        recorder.quit();

        const DbFileContents old = ReadDbFile(fsPath(oldDay));
        QCOMPARE(int(old.records.size()), 1);
        QCOMPARE(old.records[0].stTime.wHour, std::uint16_t(23));
        const DbFileContents fresh = ReadDbFile(fsPath(newDay));
        QVERIFY(fresh.date == (DbDate{1, 1, 2026}));
        QCOMPARE(fresh.records[0].stTime.wHour, std::uint16_t(0));

        QCOMPARE(int(written.size()), 2);
        QCOMPARE(written[0].file, fsPath(oldDay));
        QCOMPARE(written[0].time.hour, 23);
        QVERIFY(EncodeDbRecord(written[0].record) == EncodeDbRecord(old.records[0]));
        QCOMPARE(written[1].file, fsPath(newDay));
        QVERIFY(written[1].time.date == (DbDate{1, 1, 2026}));
        QVERIFY(EncodeDbRecord(written[1].record) == EncodeDbRecord(fresh.records[0]));
        QCOMPARE(written[1].record.nValue[3], 42);
    }

    // A damaged day file: the question, Yes deletes it, the thread ends.
    void damagedFileIsOfferedForDeletion()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("08122025.db"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(20, 'D'));
        file.close();
        MeasurementSnapshot snapshot;
        ManualClock clock;
        Recorder recorder({&snapshot, fsPath(dir.path()), clock.function()});
        ThreadSpy question(&recorder, &Recorder::question);
        ThreadSpy finished(&recorder, &Recorder::finished);
        QVERIFY(recorder.start(true));
        QTRY_COMPARE(question.count(), 1);
        QVERIFY(question.at(0).at(0).toString().startsWith(
            QStringLiteral("Bieżący plik bazy danych jest uszkodzony.")));
        recorder.answer(true);
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(recorder.state(), 0);
        QVERIFY(!recorder.running());
    }

    // A quit while a question waits for the operator ends the thread as well.
    void quitAnswersAnOpenQuestion()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("08122025.db")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(60, 'X')); // wrong format
        file.close();
        MeasurementSnapshot snapshot;
        ManualClock clock;
        Recorder recorder({&snapshot, fsPath(dir.path()), clock.function()});
        ThreadSpy question(&recorder, &Recorder::question);
        QVERIFY(recorder.start(true));
        QTRY_COMPARE(question.count(), 1);
        QElapsedTimer quitting;
        quitting.start();
        recorder.quit();
        QVERIFY(quitting.elapsed() < 100);
        QVERIFY(QFile::exists(file.fileName()));
    }

    // Another recorder holds today's file: this one says so and stays idle.
    void heldFileIsReportedBusy()
    {
        QTemporaryDir dir;
        DayFileWriter other;
        QCOMPARE(int(other.open(fsPath(dir.path()), {8, 12, 2025})), int(DbOpenStatus::Created));
        MeasurementSnapshot snapshot;
        ManualClock clock;
        Recorder recorder({&snapshot, fsPath(dir.path()), clock.function()});
        ThreadSpy warning(&recorder, &Recorder::warningMessage);
        QVERIFY(recorder.start(true));
        QTRY_COMPARE(warning.count(), 1);
        QVERIFY(warning.at(0).at(0).toString().contains(QStringLiteral("08122025.db")));
        QTRY_COMPARE(recorder.state(), 0);
        QVERIFY(recorder.running());
        QCOMPARE(fileSize(dir.filePath(QStringLiteral("08122025.db"))), qint64(48));
    }

    // The file system fills up: one message, recording off, only whole records.
    void fullFileSystemStopsRecording()
    {
        QTemporaryDir dir;
        const QString mountPoint = dir.filePath(QStringLiteral("small"));
        NearlyFullFileSystem small(mountPoint, {8, 12, 2025});
        if (!small.mounted())
            QSKIP("a small tmpfs needs root and a mountable tmpfs");
        QVERIFY(small.ready());
        MeasurementSnapshot snapshot;
        ManualClock clock;
        Recorder recorder({&snapshot, fsPath(mountPoint), clock.function()});
        recorder.setInterval(1);
        ThreadSpy error(&recorder, &Recorder::errorMessage);
        ThreadSpy state(&recorder, &Recorder::stateChanged);
        QVERIFY(recorder.start(true));
        QTRY_COMPARE(error.count(), 1);
        QVERIFY(error.at(0).at(0).toString().contains(QStringLiteral("brak miejsca na dysku")));
        QTRY_COMPARE(recorder.state(), 0);
        QCOMPARE(state.last().at(0).toInt(), 0);
        QTest::qWait(1500); // no second message, no second attempt
        QCOMPARE(error.count(), 1);
        const QString path = mountPoint + QStringLiteral("/08122025.db");
        QCOMPARE(fileSize(path), qint64(48 + NearlyFullFileSystem::seededRecords * 225));
        QCOMPARE(int(ReadDbFile(fsPath(path)).records.size()), NearlyFullFileSystem::seededRecords);
        recorder.quit();
    }

    // Slow writes do not stretch the interval: with every write taking 300 ms,
    // the local clock still stamps one record in each second, none skipped.
    void slowWritesKeepTheBeat()
    {
        QTemporaryDir dir;
        MeasurementSnapshot snapshot;
        Recorder recorder({&snapshot, fsPath(dir.path()), &Recorder::localClock,
                           [](int fd, const void* bytes, size_t size, off_t offset) {
                               QThread::msleep(300);
                               return ::pwrite(fd, bytes, size, offset);
                           }});
        recorder.setInterval(1);
        QVERIFY(recorder.start(true));
        const auto records = [&] {
            const QStringList days = QDir(dir.path()).entryList({QStringLiteral("*.db")});
            return days.isEmpty() ? std::vector<_tagSTRUCT_DATA>{}
                                  : ReadDbFile(fsPath(dir.filePath(days.last()))).records;
        };
        QTRY_VERIFY_WITH_TIMEOUT(records().size() >= 7, 15000);
        recorder.quit();
        const std::vector<_tagSTRUCT_DATA> written = records();
        const auto second = [](const _tagSTRUCT_DATA& r) {
            return r.stTime.wHour * 3600 + r.stTime.wMinute * 60 + r.stTime.wSecond;
        };
        for (std::size_t i = 1; i < written.size(); ++i)
            if (second(written[i]) != second(written[i - 1]) + 1 && second(written[i]) != 0) // midnight aside
                QFAIL(qPrintable(QStringLiteral("record %1 of %2 is %3 s after the one before")
                                     .arg(i)
                                     .arg(written.size())
                                     .arg(second(written[i]) - second(written[i - 1]))));
    }

    // Only one thread per recorder, however often it is started.
    void oneThreadOnly()
    {
        QTemporaryDir dir;
        MeasurementSnapshot snapshot;
        ManualClock clock;
        Recorder recorder({&snapshot, fsPath(dir.path()), clock.function()});
        recorder.setInterval(1);
        QVERIFY(recorder.start(true));
        QVERIFY(recorder.start(true));
        QVERIFY(recorder.start(false));
        QTRY_COMPARE_WITH_TIMEOUT(fileSize(dir.filePath(QStringLiteral("08122025.db"))), qint64(48 + 225),
                                  2000);
        QTest::qWait(300);
        QCOMPARE(fileSize(dir.filePath(QStringLiteral("08122025.db"))), qint64(48 + 225));
        recorder.quit();
    }
};

QTEST_GUILESS_MAIN(tst_Recorder)
#include "tst_recorder.moc"
