// SPDX-License-Identifier: MIT
// Injected faults must be reproducible from their seed, so a failing
// reliability test can be run again with exactly the same faults.
#include "FaultInjector.h"

#include <QTest>
#include <set>

using namespace zrq7::sim;
using namespace std::chrono;

namespace {

struct Tally
{
    int drops = 0, corruptions = 0, delays = 0;
};

std::vector<FaultDecision> decisions(const FaultRates& rates, int count)
{
    FaultInjector injector(rates);
    std::vector<FaultDecision> out;
    for (int i = 0; i < count; ++i)
        out.push_back(injector.decide(9));
    return out;
}

Tally tally(const std::vector<FaultDecision>& list)
{
    Tally t;
    for (const FaultDecision& d : list) {
        t.drops += d.drop;
        t.corruptions += d.corrupt;
        t.delays += d.delay.count() > 0;
    }
    return t;
}

bool same(const FaultDecision& a, const FaultDecision& b)
{
    return a.drop == b.drop && a.delay == b.delay && a.corrupt == b.corrupt &&
           a.corruptIndex == b.corruptIndex && a.corruptMask == b.corruptMask;
}

} // namespace

class TestFaultInjector : public QObject
{
    Q_OBJECT

private slots:
    void sameSeedSameFaults();
    void ratesAreHonoured();
    void corruptionChangesOneByte();
    void garbageReplacesTheAnswer();
};

void TestFaultInjector::sameSeedSameFaults()
{
    const FaultRates rates{0.2, 0.2, 0.2, milliseconds(700), 42};
    const auto first = decisions(rates, 500);
    const auto again = decisions(rates, 500);
    QVERIFY(std::equal(first.begin(), first.end(), again.begin(), same));

    FaultRates other = rates;
    other.seed = 43;
    const auto different = decisions(other, 500);
    QVERIFY(!std::equal(first.begin(), first.end(), different.begin(), same));
}

void TestFaultInjector::ratesAreHonoured()
{
    // No rates: never a fault.
    const Tally none = tally(decisions(FaultRates{}, 1000));
    QCOMPARE(none.drops + none.corruptions + none.delays, 0);

    // The draws are fixed by the seed, so these bounds are not a matter of luck.
    const Tally some = tally(decisions(FaultRates{0.1, 0.3, 0.5, milliseconds(700), 7}, 4000));
    QVERIFY2(some.drops > 300 && some.drops < 500, qPrintable(QString::number(some.drops)));
    // Dropped answers are neither corrupted nor delayed.
    QVERIFY2(some.corruptions > 950 && some.corruptions < 1200,
             qPrintable(QString::number(some.corruptions)));
    QVERIFY2(some.delays > 1650 && some.delays < 1950, qPrintable(QString::number(some.delays)));

    for (const FaultDecision& d : decisions(FaultRates{0, 0, 1, milliseconds(700), 7}, 20))
        QCOMPARE(d.delay, milliseconds(700));
    for (const FaultDecision& d : decisions(FaultRates{1, 1, 1, milliseconds(700), 7}, 20))
        QVERIFY(d.drop && !d.corrupt && d.delay.count() == 0);
}

void TestFaultInjector::corruptionChangesOneByte()
{
    FaultInjector injector(FaultRates{0, 1, 0, milliseconds(0), 3});
    const std::vector<std::uint8_t> original{1, 3, 4, 0, 11, 0, 15, 0xCB, 0xF5};
    for (int i = 0; i < 200; ++i) {
        const FaultDecision d = injector.decide(original.size());
        std::vector<std::uint8_t> frame = original;
        FaultInjector::corrupt(d, frame);
        int changed = 0;
        for (std::size_t k = 0; k < frame.size(); ++k)
            changed += frame[k] != original[k];
        QCOMPARE(changed, 1);
    }
}

void TestFaultInjector::garbageReplacesTheAnswer()
{
    FaultRates rates{0.2, 0.2, 0.2, milliseconds(700), 42};
    const auto without = decisions(rates, 500);
    rates.garbage = 0.5;
    const auto with = decisions(rates, 500);
    // The other faults a seed gives stay where they were; garbage takes the
    // place of a corruption, never of a drop.
    int garbled = 0;
    for (std::size_t i = 0; i < with.size(); ++i) {
        QCOMPARE(with[i].drop, without[i].drop);
        QCOMPARE(with[i].delay, without[i].delay);
        QVERIFY(!(with[i].garbage && (with[i].drop || with[i].corrupt)));
        QCOMPARE(with[i].corrupt, without[i].corrupt && !with[i].garbage);
        garbled += with[i].garbage;
    }
    QVERIFY2(garbled > 150 && garbled < 250, qPrintable(QString::number(garbled)));

    // Random bytes of random lengths, the same ones again for the same seed.
    const std::vector<std::uint8_t> original{1, 3, 4, 0, 11, 0, 15, 0xCB, 0xF5};
    std::set<std::size_t> lengths;
    for (const FaultDecision& d : decisions(FaultRates{0, 0, 0, milliseconds(0), 5, 1}, 50)) {
        QVERIFY(d.garbage);
        std::vector<std::uint8_t> frame = original, again = original;
        FaultInjector::corrupt(d, frame);
        FaultInjector::corrupt(d, again);
        QCOMPARE(frame, again);
        QVERIFY(frame.size() >= 1 && frame.size() <= 300);
        QVERIFY(frame != original);
        lengths.insert(frame.size());
    }
    QVERIFY(lengths.size() > 30);
}

QTEST_GUILESS_MAIN(TestFaultInjector)
#include "tst_fault_injector.moc"
