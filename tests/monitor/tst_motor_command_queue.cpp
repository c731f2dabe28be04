// SPDX-License-Identifier: MIT
// The motor command writer's queue against a stand-in write: commands pressed
// while one is on the line follow it in the order pressed, each result comes
// back once and in that order, and a disconnect drops what has not gone on the
// line yet, so nothing is written after it.

#include "MotorCommands.h"

#include <QSignalSpy>
#include <QtTest>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

// A relay whose writes wait until the test lets each one through.
class HeldRelay
{
public:
    MotorCommandWriter::Write write()
    {
        return [this](uint32_t, uint32_t reg, const int32_t* value, uint32_t) {
            std::unique_lock lock(m_mutex);
            m_started.push_back(*value);
            m_changed.notify_all();
            // Bounded, so that a test that fails early cannot hang in the writer's destructor.
            if (m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_released > 0; }))
                --m_released;
            m_registers.push_back(reg);
            return m_results.empty() ? 1 : takeResult();
        };
    }
    // Lets `count` writes through (they may not have started yet).
    void release(int count = 1)
    {
        std::lock_guard lock(m_mutex);
        m_released += count;
        m_changed.notify_all();
    }
    // Waits until `count` writes have gone on the line; false after 5 s.
    bool waitForStarted(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_started.size() >= count; });
    }
    std::vector<int32_t> started()
    {
        std::lock_guard lock(m_mutex);
        return m_started;
    }
    std::vector<uint32_t> registers()
    {
        std::lock_guard lock(m_mutex);
        return m_registers;
    }
    void setResults(std::vector<int32_t> results) { m_results = std::move(results); }

private:
    int32_t takeResult()
    {
        const int32_t result = m_results.front();
        m_results.erase(m_results.begin());
        return result;
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<int32_t> m_started;
    std::vector<uint32_t> m_registers;
    std::vector<int32_t> m_results; // per write, in order; 1 when none left
    int m_released = 0;
};

using Finished = QList<QPair<int32_t, int32_t>>; // (value, result) in the order reported

Finished reported(const QSignalSpy& spy)
{
    Finished out;
    for (const QList<QVariant>& args : spy)
        out << qMakePair(args.at(0).value<int32_t>(), args.at(1).value<int32_t>());
    return out;
}

// START goes on the line; STOP and the fault reset are pressed while it waits.
// The caller checks QTest::currentTestFailed().
void pressStopAndResetBehindStart(MotorCommandWriter& writer, HeldRelay& relay)
{
    QVERIFY(writer.send(motorcommand::start, 1, 3));
    QVERIFY(relay.waitForStarted(1));
    QVERIFY(writer.send(motorcommand::stop, 1, 3));
    QVERIFY(writer.send(motorcommand::faultReset, 1, 3));
}

} // namespace

class TestMotorCommandQueue : public QObject
{
    Q_OBJECT

private slots:
    void commandsPressedMeanwhileFollowInOrder();
    void disconnectDropsWhatIsNotOnTheLine();
    void writerTakesCommandsAgainAfterItIsIdle();
};

void TestMotorCommandQueue::commandsPressedMeanwhileFollowInOrder()
{
    HeldRelay relay;
    relay.setResults({1, -102, 1}); // the STOP times out
    MotorCommandWriter writer(nullptr, relay.write());
    QSignalSpy finished(&writer, &MotorCommandWriter::finished);

    pressStopAndResetBehindStart(writer, relay);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(writer.isBusy());
    QCOMPARE(relay.started(), std::vector<int32_t>{motorcommand::start}); // one at a time

    relay.release(3);
    writer.wait();
    QVERIFY(!writer.isBusy());
    QCOMPARE(relay.started(),
             (std::vector<int32_t>{motorcommand::start, motorcommand::stop, motorcommand::faultReset}));
    QCOMPARE(relay.registers(), (std::vector<uint32_t>{903, 903, 903}));
    QTRY_COMPARE(finished.size(), 3);
    QCOMPARE(reported(finished),
             (Finished{{motorcommand::start, 1}, {motorcommand::stop, -102}, {motorcommand::faultReset, 1}}));
}

void TestMotorCommandQueue::disconnectDropsWhatIsNotOnTheLine()
{
    HeldRelay relay;
    MotorCommandWriter writer(nullptr, relay.write());
    QSignalSpy finished(&writer, &MotorCommandWriter::finished);
    pressStopAndResetBehindStart(writer, relay);
    if (QTest::currentTestFailed())
        return;

    // The disconnect: the queue is dropped, the write on the line ends.
    writer.dropQueued();
    relay.release(3);
    writer.wait();
    QCOMPARE(relay.started(), std::vector<int32_t>{motorcommand::start});
    QTRY_COMPARE(finished.size(), 1);
    // Nothing follows later either.
    QTest::qWait(100);
    QCOMPARE(relay.started(), std::vector<int32_t>{motorcommand::start});
    QCOMPARE(finished.size(), 1);
}

void TestMotorCommandQueue::writerTakesCommandsAgainAfterItIsIdle()
{
    HeldRelay relay;
    relay.release(2);
    MotorCommandWriter writer(nullptr, relay.write());
    QSignalSpy finished(&writer, &MotorCommandWriter::finished);
    QVERIFY(writer.send(motorcommand::start, 1, 3));
    writer.wait();
    QVERIFY(writer.send(motorcommand::stop, 1, 3));
    writer.wait();
    QCOMPARE(relay.started(), (std::vector<int32_t>{motorcommand::start, motorcommand::stop}));
    QTRY_COMPARE(finished.size(), 2);
}

QTEST_GUILESS_MAIN(TestMotorCommandQueue)
#include "tst_motor_command_queue.moc"
