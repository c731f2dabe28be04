// SPDX-License-Identifier: MIT
// The level bar as drawn: zone colours, bar length, marks, and many values
// making one repaint.
#include "CXProgressCtrl.h"
#include "LevelBarGeometry.h"

#include <QTest>

namespace {

// Colour in the middle row of column x of the rendered bar: the shaded fill is
// at its full colour there.
QColor midColor(QWidget& bar, int x)
{
    const QImage image = bar.grab().toImage();
    return image.pixelColor(x, bar.height() / 2);
}

// Counts paints.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class TestLevelBar : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void barLengthFollowsScale();
    void zoneColours_data();
    void zoneColours();
    void onlyMarkASplitsTheBar();
    void marksAndFrame();
    void rangeIgnoredWhenHighUnchanged();
    void overColourSwap();
    void followsResize();
    void valuesCoalesceIntoOneRepaint();

private:
    CXProgressCtrl* m_bar = nullptr;
};

void TestLevelBar::init()
{
    m_bar = new CXProgressCtrl;
    m_bar->resize(180, 16);
}

void TestLevelBar::cleanup()
{
    delete m_bar;
}

void TestLevelBar::barLengthFollowsScale()
{
    m_bar->SetRange(0, 900, 1.0f);
    m_bar->SetLevel(450);
    QCOMPARE(m_bar->GetScale(), 0.2f);
    // Bar covers x < 90 (the frame takes the outer two pixels), background from 90.
    QCOMPARE(midColor(*m_bar, 50), CXProgressCtrl::defaultNormal());
    QCOMPARE(midColor(*m_bar, 89), CXProgressCtrl::defaultNormal());
    QCOMPARE(midColor(*m_bar, 90), CXProgressCtrl::defaultBackground());
    // The shaded fill is darker at the top than in the middle.
    const QImage image = m_bar->grab().toImage();
    QVERIFY(image.pixelColor(50, 2).green() < image.pixelColor(50, 8).green());
}

void TestLevelBar::zoneColours_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QColor>("color");
    QTest::newRow("below B: low") << 10 << CXProgressCtrl::defaultLow();
    QTest::newRow("between: normal") << 30 << CXProgressCtrl::defaultNormal();
    QTest::newRow("above A: over, whole bar") << 60 << QColor(255, 0, 0);
}

void TestLevelBar::zoneColours()
{
    QFETCH(int, level);
    QFETCH(QColor, color);
    // Range 0..90 on 180 px: 2 px per unit; marks A = 50 (x 100), B = 20 (x 40).
    m_bar->SetRange(0, 90, 1.0f);
    m_bar->SetMarks(50, 20);
    m_bar->SetOverColor(QColor(255, 0, 0));
    m_bar->SetLevel(level);
    // One colour from the start of the bar to its end.
    QCOMPARE(midColor(*m_bar, 5), color);
    QCOMPARE(midColor(*m_bar, level * 2 - 1), color);
    QCOMPARE(midColor(*m_bar, level * 2 + 1), CXProgressCtrl::defaultBackground());
}

void TestLevelBar::onlyMarkASplitsTheBar()
{
    m_bar->SetRange(0, 90, 1.0f);
    m_bar->SetMarks(50, 0);
    m_bar->SetOverColor(QColor(255, 0, 0));
    m_bar->SetLevel(80);
    QCOMPARE(midColor(*m_bar, 99), CXProgressCtrl::defaultNormal());
    QCOMPARE(midColor(*m_bar, 101), QColor(255, 0, 0));
    QCOMPARE(midColor(*m_bar, 159), QColor(255, 0, 0));
    QCOMPARE(midColor(*m_bar, 160), CXProgressCtrl::defaultBackground());
}

void TestLevelBar::marksAndFrame()
{
    m_bar->SetRange(0, 90, 1.0f);
    m_bar->SetMarks(50, 20);
    m_bar->SetLevel(30);
    const QImage image = m_bar->grab().toImage();
    const QColor markLine = CXProgressCtrl::defaultMarkLine();
    // Mark B over the bar, mark A over the background, both over the full inner height.
    for (int y = 2; y < 14; ++y) {
        QCOMPARE(image.pixelColor(40, y), markLine);
        QCOMPARE(image.pixelColor(100, y), markLine);
    }
    QCOMPARE(image.pixelColor(41, 8), CXProgressCtrl::defaultNormal());
    QCOMPARE(image.pixelColor(101, 8), CXProgressCtrl::defaultBackground());
    // Sunken frame: top-left shadow darker than the bottom-right light edge.
    QVERIFY(image.pixelColor(0, 8).lightness() < image.pixelColor(179, 8).lightness());
    QVERIFY(image.pixelColor(90, 0).lightness() < image.pixelColor(90, 15).lightness());
}

void TestLevelBar::rangeIgnoredWhenHighUnchanged()
{
    m_bar->SetRange(0, 900, 1.0f);
    m_bar->SetRange(450, 900, 2.0f); // same high: nothing changes, not even the factor
    QCOMPARE(m_bar->GetScale(), 0.2f);
    m_bar->SetRange(0, 180, 1.0f);
    QCOMPARE(m_bar->GetScale(), 1.0f);
}

void TestLevelBar::overColourSwap()
{
    QCOMPARE(m_bar->SetOverColor(QColor(255, 0, 0)), CXProgressCtrl::defaultOver());
    QCOMPARE(m_bar->SetOverColor(ColorRef(0xFFFF)), ColorRef(0xFF));
}

void TestLevelBar::followsResize()
{
    // Marks and bar stay at their values when the bar gets wider.
    m_bar->SetRange(0, 90, 1.0f);
    m_bar->SetMarks(45, 0);
    m_bar->SetLevel(30);
    m_bar->resize(360, 16);
    const QImage image = m_bar->grab().toImage();
    QCOMPARE(image.pixelColor(180, 8), CXProgressCtrl::defaultMarkLine());
    QCOMPARE(image.pixelColor(119, 8), CXProgressCtrl::defaultNormal());
    QCOMPARE(image.pixelColor(121, 8), CXProgressCtrl::defaultBackground());
}

void TestLevelBar::valuesCoalesceIntoOneRepaint()
{
    m_bar->SetRange(0, 1000, 1.0f);
    m_bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_bar));
    QCoreApplication::processEvents();

    PaintCounter counter;
    m_bar->installEventFilter(&counter);
    for (int level = 1; level <= 500; ++level)
        m_bar->SetLevel(level);
    QCOMPARE(counter.paints, 0); // a setter never paints by itself
    QTRY_VERIFY(counter.paints >= 1);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 1); // 500 values, one repaint
    QCOMPARE(m_bar->GetLevel(), 500);
    QCOMPARE(midColor(*m_bar, 88), CXProgressCtrl::defaultNormal());
    QCOMPARE(midColor(*m_bar, 91), CXProgressCtrl::defaultBackground());
}

QTEST_MAIN(TestLevelBar)
#include "tst_level_bar.moc"
