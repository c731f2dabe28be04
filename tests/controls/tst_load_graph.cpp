// SPDX-License-Identifier: MIT
// The load graph as drawn: columns, scrolling, the 100 % and 66 % lines, the
// time marker, reset and the run timer.
#include "CGraph.h"
#include "LoadGraphMath.h"

#include <QTest>

using namespace loadgraph;

class TestLoadGraph : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void emptyGraphShowsLinesOnly();
    void columnsEnterAtTheRightAndScroll();
    void resetLeavesNewColumnsEmptyWhileHistoryScrolls();
    void overloadColumnFillsToTheTop();
    void markerTravelsAndReappears();
    void runTimer();

private:
    QImage shot() const { return m_graph->grab().toImage(); }
    CGraph* m_graph = nullptr;
};

void TestLoadGraph::init()
{
    m_graph = new CGraph;
    m_graph->resize(100, 90);
}

void TestLoadGraph::cleanup()
{
    delete m_graph;
}

void TestLoadGraph::emptyGraphShowsLinesOnly()
{
    const QImage image = shot();
    // 2-pixel lines on rows 29-30 (100 %) and 50-51 (66 % at height 90).
    for (int x : {0, 60, 99}) {
        QCOMPARE(image.pixelColor(x, 29), line100Color());
        QCOMPARE(image.pixelColor(x, 30), line100Color());
        QCOMPARE(image.pixelColor(x, 50), line66Color());
        QCOMPARE(image.pixelColor(x, 51), line66Color());
        QCOMPARE(image.pixelColor(x, 28), background());
        QCOMPARE(image.pixelColor(x, 52), background());
        QCOMPARE(image.pixelColor(x, 70), background());
    }
    // Each label is written in its line's colour just above the line, at the left.
    auto labelInk = [&](int line, const QColor& color) {
        int ink = 0;
        for (int y = line - 15; y < line - 1; ++y)
            for (int x = 0; x < 50; ++x) {
                const QColor c = image.pixelColor(x, y);
                ink += qAbs(c.red() - color.red()) + qAbs(c.green() - color.green()) +
                           qAbs(c.blue() - color.blue()) <
                       90;
            }
        return ink;
    };
    QVERIFY(labelInk(30, line100Color()) > 5);
    QVERIFY(labelInk(51, line66Color()) > 5);
}

void TestLoadGraph::columnsEnterAtTheRightAndScroll()
{
    QCOMPARE(m_graph->SetLoad(550000), 50u);
    QCOMPARE(m_graph->Level(), 60);
    m_graph->scrollStep();
    // After one tick the new column sits at x = width − 2, from the level down.
    QImage image = shot();
    QCOMPARE(image.pixelColor(98, 59), background());
    QCOMPARE(image.pixelColor(98, 60), columnColor(60, 90));
    QCOMPARE(image.pixelColor(98, 89), columnColor(89, 90));
    QCOMPARE(image.pixelColor(99, 80), background()); // the rightmost column stays empty
    QCOMPARE(image.pixelColor(97, 80), background());

    m_graph->SetLoad(1100000);
    m_graph->scrollStep();
    image = shot();
    QCOMPARE(image.pixelColor(97, 70), columnColor(70, 90)); // older column moved left
    QCOMPARE(image.pixelColor(97, 40), background());
    QCOMPARE(image.pixelColor(98, 40), columnColor(40, 90)); // taller new column
    QCOMPARE(image.pixelColor(98, 29), line100Color());      // the line is drawn over the column
}

void TestLoadGraph::resetLeavesNewColumnsEmptyWhileHistoryScrolls()
{
    m_graph->SetLoad(550000);
    for (int i = 0; i < 3; ++i)
        m_graph->scrollStep();
    m_graph->ResetGraph();
    QCOMPARE(m_graph->Level(), 90);
    m_graph->scrollStep();
    m_graph->scrollStep();
    const QImage image = shot();
    QCOMPARE(image.pixelColor(98, 80), background());
    QCOMPARE(image.pixelColor(97, 80), background());
    for (int x : {94, 95, 96})
        QCOMPARE(image.pixelColor(x, 80), columnColor(80, 90));
}

void TestLoadGraph::overloadColumnFillsToTheTop()
{
    QCOMPARE(m_graph->SetLoad(20000000), 1000u);
    m_graph->scrollStep();
    const QImage image = shot();
    QCOMPARE(image.pixelColor(98, 0), topRed());
    QCOMPARE(image.pixelColor(98, 15), columnColor(15, 90));
    QCOMPARE(image.pixelColor(98, 89), columnColor(89, 90));
}

void TestLoadGraph::markerTravelsAndReappears()
{
    QCOMPARE(m_graph->Marker(), 0);
    m_graph->scrollStep();
    QCOMPARE(m_graph->Marker(), 97);
    QImage image = shot();
    QCOMPARE(image.pixelColor(96, 80), markerColor()); // drawn at width − 3, then scrolled
    QCOMPARE(image.pixelColor(96, 10), markerColor());
    for (int i = 0; i < 50; ++i)
        m_graph->scrollStep();
    QCOMPARE(shot().pixelColor(46, 80), markerColor());
    // width − 3 ticks after it appeared the marker reaches the left edge...
    for (int i = 0; i < 46; ++i)
        m_graph->scrollStep();
    QCOMPARE(m_graph->Marker(), 1);
    QCOMPARE(shot().pixelColor(0, 80), markerColor());
    // ...and with the next tick a new one starts at the right.
    m_graph->scrollStep();
    QCOMPARE(m_graph->Marker(), 97);
    image = shot();
    QCOMPARE(image.pixelColor(96, 80), markerColor());
    QCOMPARE(image.pixelColor(0, 80), background());
    QCOMPARE(image.pixelColor(50, 80), background());
}

void TestLoadGraph::runTimer()
{
    QVERIFY(!m_graph->IsRunning());
    m_graph->RunGraph(true);
    m_graph->RunGraph(true);
    QVERIFY(m_graph->IsRunning());
    // One timer: in about a second it ticks three times, two timers would tick six.
    m_graph->SetLoad(1100000);
    QTRY_VERIFY_WITH_TIMEOUT(m_graph->Marker() > 0, 2000);
    const int start = m_graph->Marker();
    QTest::qWait(3 * CGraph::tickMs + CGraph::tickMs / 2);
    const int ticks = start - m_graph->Marker();
    QVERIFY2(ticks >= 1 && ticks <= 4, qPrintable(QString::number(ticks)));
    m_graph->RunGraph(false);
    QVERIFY(!m_graph->IsRunning());
    const int frozen = m_graph->Marker();
    QTest::qWait(2 * CGraph::tickMs);
    QCOMPARE(m_graph->Marker(), frozen);
}

QTEST_MAIN(TestLoadGraph)
#include "tst_load_graph.moc"
