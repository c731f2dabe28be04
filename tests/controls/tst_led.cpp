// SPDX-License-Identifier: MIT
// The LED as drawn: on and off pictures per state, blinking and flashing on
// the 100 ms clock.
#include "CXLed.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

const QColor onColor(0, 200, 0);
const QColor offColor(60, 60, 60);

QPixmap solid(const QColor& color, QSize size = {12, 12})
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

QColor centre(CXLed& led)
{
    return led.grab().toImage().pixelColor(6, 6);
}

// Drives the LED's clock by hand and writes '#' for on and '.' for off per tick.
QString pattern(CXLed& led, int ticks)
{
    QString result;
    for (int i = 0; i < ticks; ++i) {
        led.advanceClock();
        result += centre(led) == onColor ? u'#' : u'.';
    }
    return result;
}

} // namespace

class TestLed : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void steadyStates_data();
    void steadyStates();
    void blinkingAndFlashing();
    void stateZeroHoldsTheClock();
    void runningTimerBlinks();
    void timerWakesOnlyForChanges();
    void programIconsByName();

private:
    CXLed* m_led = nullptr;
};

void TestLed::init()
{
    m_led = new CXLed;
    m_led->SetIconHandles(solid(onColor), solid(offColor));
    m_led->resize(m_led->sizeHint());
}

void TestLed::cleanup()
{
    delete m_led;
}

void TestLed::steadyStates_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QColor>("color");
    // Without the clock running, blinking and flashing LEDs simply light.
    QTest::newRow("off") << 0 << offColor;
    QTest::newRow("on") << 1 << onColor;
    QTest::newRow("flashing, clock stopped") << 2 << onColor;
}

void TestLed::steadyStates()
{
    QFETCH(int, state);
    QFETCH(QColor, color);
    QCOMPARE(m_led->sizeHint(), QSize(12, 12));
    m_led->SetState(state);
    QCOMPARE(m_led->GetState(), state);
    QCOMPARE(centre(*m_led), color);
}

void TestLed::blinkingAndFlashing()
{
    m_led->SetState(1);
    m_led->SetBlink(true);
    QVERIFY(m_led->IsBlinking());
    // 100 ms per tick: the phase changes every fifth tick (500 ms on, 500 ms off).
    QCOMPARE(pattern(*m_led, 20), QStringLiteral("####.....#####.....#"));

    // Flashing on the same clock: on for one tick in ten.
    m_led->SetState(2);
    const QString flash = pattern(*m_led, 20);
    QCOMPARE(flash.count(u'#'), 2);
    QCOMPARE(flash.indexOf(u'#') + 10, flash.lastIndexOf(u'#'));

    m_led->SetBlink(false);
    QVERIFY(!m_led->IsBlinking());
}

void TestLed::stateZeroHoldsTheClock()
{
    m_led->SetState(1);
    m_led->SetBlink(true);
    QCOMPARE(pattern(*m_led, 3), QStringLiteral("###"));
    m_led->SetState(0);
    QCOMPARE(pattern(*m_led, 10), QStringLiteral(".........."));
    // Back on, the clock resumes where it stood: two more ticks to the switch.
    m_led->SetState(1);
    QCOMPARE(pattern(*m_led, 3), QStringLiteral("#.."));
}

void TestLed::runningTimerBlinks()
{
    m_led->SetState(1);
    m_led->SetBlink(true);
    QVERIFY(m_led->showsOn());
    QTRY_VERIFY_WITH_TIMEOUT(!m_led->showsOn(), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(m_led->showsOn(), 2000);
}

// Blinking or flashing, the timer wakes the LED when its icon changes (twice
// a second), not on every 100 ms tick of its clock.
void TestLed::timerWakesOnlyForChanges()
{
    struct TimerEvents : QObject
    {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            count += event->type() == QEvent::Timer;
            return false;
        }
    };
    for (const int state : {1, 2}) {
        TimerEvents wakes;
        m_led->installEventFilter(&wakes);
        m_led->SetState(state);
        m_led->SetBlink(true);
        QString seen;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 2100) {
            QTest::qWait(20);
            const QChar now = m_led->showsOn() ? u'#' : u'.';
            if (seen.isEmpty() || seen.back() != now)
                seen += now;
        }
        QVERIFY2(wakes.count <= 6, qPrintable(QString::number(wakes.count)));
        QVERIFY2(seen.size() >= 4, qPrintable(seen)); // it still blinks or flashes
        m_led->removeEventFilter(&wakes);
        m_led->SetBlink(false);
    }
}

void TestLed::programIconsByName()
{
    CXLed led;
    led.SetState(1);
    led.SetIcons(QStringLiteral("led_green_on"), 16, 16, QStringLiteral("led_green_off"), 16, 16);
    QCOMPARE(led.GetState(), 0); // new icons start dark
    led.resize(led.sizeHint());
    QCOMPARE(led.sizeHint(), QSize(16, 16));
    const QColor off = led.grab().toImage().pixelColor(8, 8);
    led.SetState(1);
    const QColor on = led.grab().toImage().pixelColor(8, 8);
    QVERIFY2(on.green() > 150 && on.green() > on.red() + 60, qPrintable(on.name()));
    QVERIFY2(off.lightness() < on.lightness(), qPrintable(off.name()));

    // An unknown name loads nothing (and does not crash the drawing).
    led.SetIcons(QStringLiteral("no_such_icon"), 16, 16, QString(), 0, 0);
    QCOMPARE(led.grab().toImage().pixelColor(8, 8), led.palette().color(QPalette::Window));
}

QTEST_MAIN(TestLed)
#include "tst_led.moc"
