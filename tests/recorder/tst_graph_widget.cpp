// SPDX-License-Identifier: MIT
// The day graph as a widget: its picture at pixel level and its mouse handling.
#include "CGraphMix.h"

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

using namespace graphmath;

class tst_graph_widget : public QObject
{
    Q_OBJECT

private:
    // A graph of 620 × 230 (plot 20..610 × 10..210) shown offscreen.
    std::unique_ptr<CGraphMix> shownGraph()
    {
        auto graph = std::make_unique<CGraphMix>();
        graph->resize(620, 230);
        graph->show();
        if (!QTest::qWaitForWindowExposed(graph.get()))
            return nullptr;
        return graph;
    }

    static PlotSeries flatDay(std::int32_t value)
    {
        PlotSeries series;
        for (int t = 0; t < 86400; t += 10) {
            series.seconds.push_back(t);
            series.penBreaks.push_back(t == 0);
            series.values[0].push_back(value);
        }
        series.values[1] = series.values[0];
        return series;
    }

    static const std::array<QColor, 5>& lineColors()
    {
        static const std::array<QColor, 5> colors{QColor(255, 0, 0), QColor(0, 160, 0), QColor(0, 0, 255),
                                                  QColor(0, 0, 0), QColor(128, 0, 128)};
        return colors;
    }

private slots:
    void pictureAtPixelLevel()
    {
        auto graph = shownGraph();
        QVERIFY(graph);
        graph->SetMaxima({150, 150, 0, 0, 0});
        graph->SetMinima({-50, 0, 0, 0, 0});
        graph->PlotChannels(flatDay(0), lineColors());
        QImage picture = graph->grab().toImage();
        picture.setDevicePixelRatio(1);

        // Background 0xF0FFFF, the value axis black.
        QCOMPARE(picture.pixelColor(300, 50), QColor(255, 255, 240));
        QCOMPARE(picture.pixelColor(20, 50), QColor(0, 0, 0));
        // Channel 1 (-50..150) draws 0 a quarter of the plot height above the bottom.
        const int zero = yOfValue(graph->plot(), Scale{150, -50}, 0);
        QCOMPARE(zero, 160);
        QCOMPARE(picture.pixelColor(300, zero), QColor(255, 0, 0));
        // Channel 2 (0..150) draws 0 on the bottom edge, over the axis.
        QCOMPARE(picture.pixelColor(300, 210), QColor(0, 160, 0));

        // A hidden channel is kept but not painted.
        graph->SetChannelVisible(0, false);
        picture = graph->grab().toImage();
        QCOMPARE(picture.pixelColor(300, zero), QColor(255, 255, 240));
        // An empty scale draws nothing.
        graph->SetChannelVisible(0, true);
        graph->SetMaxima({0, 150, 0, 0, 0});
        graph->SetMinima({0, 0, 0, 0, 0});
        graph->PlotChannels(flatDay(0), lineColors());
        picture = graph->grab().toImage();
        QCOMPARE(picture.pixelColor(300, zero), QColor(255, 255, 240));
    }

    void clickInZoomModeKeepsTheTimeUnderIt()
    {
        auto graph = shownGraph();
        QVERIFY(graph);
        graph->SetMode(CGraphMix::GRAPH_MODE_ZOOM);
        QSignalSpy replots(graph.get(), &CGraphMix::replotRequested);
        const int middle = graph->plot().left + graph->plot().width() / 2;
        QTest::mouseClick(graph.get(), Qt::LeftButton, {}, QPoint(middle, 100));
        QCOMPARE(replots.count(), 1);
        QVERIFY(qAbs(graph->view().span() - 86400 / 1.3) < 1e-6);
        QVERIFY(qAbs(timeAtX(graph->plot(), graph->view(), middle) - 43200) < 1.0);
        QTest::mouseClick(graph.get(), Qt::RightButton, {}, QPoint(middle, 100));
        QVERIFY(qAbs(graph->view().span() - 86400) < 1e-6);
    }

    void dragInSelectModeZoomsToTheSelection()
    {
        auto graph = shownGraph();
        QVERIFY(graph);
        graph->SetMode(CGraphMix::GRAPH_MODE_SELECT);
        const Plot p = graph->plot();
        // 8 h to 12 h: x = 20 + t / 1440 * 590 / 60.
        const int x1 = p.left + int(8 * 3600 / 1440.0 * p.pxPerDivX + 0.5);
        const int x2 = p.left + int(12 * 3600 / 1440.0 * p.pxPerDivX + 0.5);
        QTest::mousePress(graph.get(), Qt::LeftButton, {}, QPoint(x1, 50));
        QMouseEvent move(QEvent::MouseMove, QPointF(x1 + 1, 60), graph->mapToGlobal(QPointF(x1 + 1, 60)),
                         Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(graph.get(), &move);
        QMouseEvent move2(QEvent::MouseMove, QPointF(x2, 120), graph->mapToGlobal(QPointF(x2, 120)),
                          Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(graph.get(), &move2);
        QCOMPARE(graph->selection(), QRect(QPoint(x1 + 1, 60), QPoint(x2, 120)));
        QTest::mouseRelease(graph.get(), Qt::LeftButton, {}, QPoint(x2, 120));
        QVERIFY(graph->selection().isEmpty());
        QVERIFY2(qAbs(graph->view().start - 8 * 3600) < 300 && qAbs(graph->view().end - 12 * 3600) < 300,
                 qPrintable(QString("%1..%2").arg(graph->view().start).arg(graph->view().end)));
    }

    void wheelNotchesAreAddedUpTo120()
    {
        auto graph = shownGraph();
        QVERIFY(graph);
        graph->SetMode(CGraphMix::GRAPH_MODE_ZOOM);
        graph->setCursorPoint(QPoint(graph->plot().left + graph->plot().width() / 2, 100));
        graph->ZoomInAt(); // a view off the day's start
        const double start = graph->view().start;
        QSignalSpy replots(graph.get(), &CGraphMix::replotRequested);
        auto wheel = [&](int delta, Qt::KeyboardModifiers keys) {
            QWheelEvent event(QPointF(300, 100), graph->mapToGlobal(QPointF(300, 100)), QPoint(),
                              QPoint(0, delta), Qt::NoButton, keys, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(graph.get(), &event);
        };
        wheel(40, Qt::NoModifier);
        wheel(40, Qt::NoModifier);
        QCOMPARE(replots.count(), 0);
        wheel(40, Qt::NoModifier); // 120 reached: one step earlier
        QCOMPARE(replots.count(), 1);
        QVERIFY(graph->view().start < start);
        const double span = graph->view().span();
        wheel(-120, Qt::ControlModifier); // towards the user with Ctrl: zoom out
        QVERIFY(graph->view().span() > span);
        wheel(120, Qt::ShiftModifier); // other keys: left to the default handling
        QCOMPARE(replots.count(), 2);
    }

    void goToTimeSwitchesToTheCursor()
    {
        auto graph = shownGraph();
        QVERIFY(graph);
        graph->ZoomToRange(300, 302); // a one-minute view
        QCOMPARE(graph->GoToTime(23, 59, 59), 0);
        QCOMPARE(graph->mode(), int(CGraphMix::GRAPH_MODE_CURSOR));
        QCOMPARE(graph->view().end, 86400.0);
        QCOMPARE(cursorTimeText(timeAtX(graph->plot(), graph->view(), graph->cursorPoint().x())),
                 QStringLiteral("23:59:58")); // within the pixel left of 23:59:59
        QCOMPARE(graph->GoToTime(24, 0, 1), -1);
    }
};

QTEST_MAIN(tst_graph_widget)
#include "tst_graph_widget.moc"
