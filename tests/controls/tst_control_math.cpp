// SPDX-License-Identifier: MIT
// Arithmetic of the controls, checked without any window.
#include "CIconButton.h"
#include "ColorRef.h"
#include "LedBlinkClock.h"
#include "LevelBarGeometry.h"
#include "LoadGraphMath.h"

#include <QTest>

using levelbar::Segment;
using levelbar::Zone;
using Segments = QList<Segment>;
Q_DECLARE_METATYPE(Segments)

class TestControlMath : public QObject
{
    Q_OBJECT
private slots:
    void colorRefLayout_data();
    void colorRefLayout();
    void barScaleAndPixels();
    void barSegments_data();
    void barSegments();
    void shadedFill();
    void loadGraph_data();
    void loadGraph();
    void loadGraphLinesAndColours();
    void blinkAndFlashTiming();
    void iconButtonOffsets_data();
    void iconButtonOffsets();
};

void TestControlMath::colorRefLayout_data()
{
    QTest::addColumn<uint>("ref");
    QTest::addColumn<QColor>("color");
    // Red sits in the low byte: 0xFF is red, 0xFFFF yellow (the bars' over colours).
    QTest::newRow("red") << 0x0000FFu << QColor(255, 0, 0);
    QTest::newRow("yellow") << 0x00FFFFu << QColor(255, 255, 0);
    QTest::newRow("blue") << 0xFF0000u << QColor(0, 0, 255);
    QTest::newRow("mixed") << 0xC1D1D0u << QColor(208, 209, 193);
}

void TestControlMath::colorRefLayout()
{
    QFETCH(uint, ref);
    QFETCH(QColor, color);
    QCOMPARE(colorFromRef(ref), color);
    QCOMPARE(colorRefFrom(color), ref);
    QCOMPARE(makeColorRef(color.red(), color.green(), color.blue()), ref);
    // The unused top byte never leaks into the colour.
    QCOMPARE(colorFromRef(ref | 0xAB000000u), color);
}

void TestControlMath::barScaleAndPixels()
{
    using namespace levelbar;
    // Range 0..900, factor 1, 180 pixels wide: 0.2 px per unit, level 450 is 90 px.
    const float scale = scaleFor(180, 0, 900, 1.0f);
    QCOMPARE(scale, 0.2f);
    QCOMPARE(pixelAt(450, scale), 90);
    QCOMPARE(pixelAt(899, scale), 179);
    QCOMPARE(scaleFor(180, 0, 900, 0.5f), 0.1f);
    // Empty or reversed ranges draw nothing instead of dividing by zero.
    QCOMPARE(scaleFor(180, 5, 5, 1.0f), 0.0f);
    QCOMPARE(scaleFor(180, 10, 0, 1.0f), 0.0f);

    // The value at the right edge (what a screen reader hears as the bar's maximum) is the one
    // whose pixel is the width.
    QCOMPARE(fullScaleValue(0, 900, 1.0f), 900);
    QCOMPARE(pixelAt(fullScaleValue(0, 900, 0.5f), scale / 2), 180);
    QCOMPARE(fullScaleValue(0, 900, 0.5f), 1800);
    QCOMPARE(fullScaleValue(100, 500, 0.8f), 500);
    QCOMPARE(fullScaleValue(5, 5, 1.0f), 0);
    QCOMPARE(fullScaleValue(0, 900, 0.0f), 0);
}

void TestControlMath::barSegments_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("markA");
    QTest::addColumn<int>("markB");
    QTest::addColumn<Segments>("expected");
    // Scale 1 px per unit throughout.
    QTest::newRow("both marks, at B is low") << 20 << 50 << 20 << Segments{{0, 20, Zone::Low}};
    QTest::newRow("both marks, below B") << 10 << 50 << 20 << Segments{{0, 10, Zone::Low}};
    QTest::newRow("both marks, between") << 30 << 50 << 20 << Segments{{0, 30, Zone::Normal}};
    QTest::newRow("both marks, at A is normal") << 50 << 50 << 20 << Segments{{0, 50, Zone::Normal}};
    QTest::newRow("both marks, above A: one bar") << 60 << 50 << 20 << Segments{{0, 60, Zone::Over}};
    QTest::newRow("only A, below") << 40 << 50 << 0 << Segments{{0, 40, Zone::Normal}};
    QTest::newRow("only A, above: split after mark")
        << 80 << 50 << 0 << Segments{{0, 50, Zone::Normal}, {51, 80, Zone::Over}};
    QTest::newRow("only A, one past the mark") << 51 << 50 << 0 << Segments{{0, 50, Zone::Normal}};
    QTest::newRow("only B, at") << 20 << 0 << 20 << Segments{{0, 20, Zone::Low}};
    QTest::newRow("only B, above") << 21 << 0 << 20 << Segments{{0, 21, Zone::Normal}};
    QTest::newRow("no marks") << 70 << 0 << 0 << Segments{{0, 70, Zone::Normal}};
    QTest::newRow("level 0 draws nothing") << 0 << 50 << 20 << Segments{};
    QTest::newRow("negative level draws nothing") << -5 << 0 << 0 << Segments{};
}

void TestControlMath::barSegments()
{
    QFETCH(int, level);
    QFETCH(int, markA);
    QFETCH(int, markB);
    QFETCH(Segments, expected);
    const auto segments = levelbar::barSegments(level, markA, markB, 1.0f);
    QCOMPARE(Segments(segments.begin(), segments.end()), expected);
}

void TestControlMath::shadedFill()
{
    const QColor green(89, 219, 75);
    const QColor dark(89 * 66 / 100, 219 * 66 / 100, 75 * 66 / 100);
    QCOMPARE(levelbar::shadedRowColor(green, 0, 16), dark);
    QCOMPARE(levelbar::shadedRowColor(green, 8, 16), green);
    // Brightness rises to the middle and falls after it.
    const auto g = [&](int row) { return levelbar::shadedRowColor(green, row, 16).green(); };
    QVERIFY(g(0) < g(4) && g(4) < g(8));
    QVERIFY(g(8) > g(12) && g(12) > g(15));
    QVERIFY(g(15) >= dark.green());
    // A one-row bar is its full colour.
    QCOMPARE(levelbar::shadedRowColor(green, 0, 1), green);
}

void TestControlMath::loadGraph_data()
{
    QTest::addColumn<uint>("value");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("level");
    QTest::addColumn<uint>("percent");
    QTest::newRow("empty") << 0u << 90 << 90 << 0u;
    QTest::newRow("100 %") << 1100000u << 90 << 30 << 100u;
    QTest::newRow("50 %") << 550000u << 90 << 60 << 50u;
    QTest::newRow("just below 1 %") << 10999u << 90 << 90 << 0u;
    QTest::newRow("1000 %") << 11000000u << 90 << -510 << 1000u;
    QTest::newRow("clamped to 1000 %") << 20000000u << 90 << -510 << 1000u;
    QTest::newRow("max unsigned") << 0xFFFFFFFFu << 90 << -510 << 1000u;
    // A tall graph must not overflow 32-bit arithmetic (11e6 × 470 > 2^32).
    QTest::newRow("tall graph, 1000 %") << 11000000u << 500 << 500 - 4700 << 1000u;
}

void TestControlMath::loadGraph()
{
    QFETCH(uint, value);
    QFETCH(int, height);
    QFETCH(int, level);
    QFETCH(uint, percent);
    QCOMPARE(loadgraph::levelFor(value, height), level);
    QCOMPARE(loadgraph::loadPercent(value), percent);
}

void TestControlMath::loadGraphLinesAndColours()
{
    using namespace loadgraph;
    QCOMPARE(line66(90), 51);
    QCOMPARE(line66(30), 30);
    QCOMPARE(columnColor(0, 90), topRed());
    QCOMPARE(columnColor(30, 90), orange());
    QCOMPARE(columnColor(15, 90), QColor(255, 51, 0)); // 103 × 0.5 truncated
    QCOMPARE(columnColor(90, 90), bottomBlue());
    // Truncation toward zero, also for falling channels: 255 + (8 − 255) × 0.5 = 131.5.
    QCOMPARE(interpolate(QColor(255, 0, 0), QColor(8, 0, 0), 1, 2).red(), 131);
}

void TestControlMath::blinkAndFlashTiming()
{
    // Ten ticks (one second) from a fresh clock, state 1 and state 2.
    LedBlinkClock clock;
    QString blink, flash;
    for (int tick = 0; tick < 20; ++tick) {
        clock.tick();
        blink += ledShowsOn(1, clock.blinkPhase, clock.flashPhase) ? u'#' : u'.';
        flash += ledShowsOn(2, clock.blinkPhase, clock.flashPhase) ? u'#' : u'.';
    }
    QCOMPARE(blink, QStringLiteral("####.....#####.....#"));
    QCOMPARE(flash, QStringLiteral(".........#.........#"));
    // Never ticked: on in states 1 and 2, off in 0.
    QVERIFY(ledShowsOn(1, false, false));
    QVERIFY(ledShowsOn(2, false, false));
    QVERIFY(!ledShowsOn(0, false, false));
}

void TestControlMath::iconButtonOffsets_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<int>("look");
    QTest::addColumn<QPoint>("origin");
    using L = CIconButton::Look;
    QTest::newRow("normal even") << QSize(40, 40) << int(L::Normal) << QPoint(4, 4);
    QTest::newRow("hover even") << QSize(40, 40) << int(L::Hover) << QPoint(3, 3);
    QTest::newRow("pressed even") << QSize(40, 40) << int(L::Pressed) << QPoint(5, 5);
    QTest::newRow("normal odd") << QSize(41, 39) << int(L::Normal) << QPoint(4, 3);
    QTest::newRow("hover odd") << QSize(41, 39) << int(L::Hover) << QPoint(3, 2);
    QTest::newRow("pressed odd") << QSize(41, 39) << int(L::Pressed) << QPoint(5, 4);
    // Larger icon than the button: halves truncate toward zero, as in C.
    QTest::newRow("icon larger") << QSize(30, 30) << int(L::Normal) << QPoint(-1, -1);
    QTest::newRow("icon larger, hover") << QSize(31, 31) << int(L::Hover) << QPoint(-1, -1);
}

void TestControlMath::iconButtonOffsets()
{
    QFETCH(QSize, client);
    QFETCH(int, look);
    QFETCH(QPoint, origin);
    QCOMPARE(CIconButton::iconOrigin(client, QSize(32, 32), CIconButton::Look(look)), origin);
}

QTEST_GUILESS_MAIN(TestControlMath)
#include "tst_control_math.moc"
