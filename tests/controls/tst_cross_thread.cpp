// SPDX-License-Identifier: MIT
// A poll thread stores values into the controls while the UI thread paints
// them: nothing may tear or crash, and the last values must show once the
// worker stops. (Run under the thread sanitizer this proves the locking.)
#include "CGraph.h"
#include "CXLabel.h"
#include "CXLed.h"
#include "CXListCtrl.h"
#include "CXProgressCtrl.h"

#include <QTest>
#include <QVBoxLayout>
#include <atomic>
#include <thread>

class TestCrossThread : public QObject
{
    Q_OBJECT
private slots:
    void workerWritesWhileUiPaints();
};

void TestCrossThread::workerWritesWhileUiPaints()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new CXLabel(QStringLiteral("0.0 A"));
    auto* bar = new CXProgressCtrl;
    auto* led = new CXLed;
    auto* graph = new CGraph;
    auto* list = new CXListCtrl;
    QPixmap on(12, 12), off(12, 12);
    on.fill(Qt::green);
    off.fill(Qt::darkGray);
    led->SetIconHandles(on, off);
    for (QWidget* w : std::initializer_list<QWidget*>{label, bar, led, graph, list})
        layout->addWidget(w);
    bar->setFixedSize(200, 16);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    graph->RunGraph(true);

    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::thread poll([&] {
        for (int i = 0; !stop.load(); ++i) {
            label->SetText(QString::asprintf("%.1f \u0410", i / 10.0));
            label->SetColors(QColor(0, 0, i % 256), QColor(240, 240, 240));
            bar->SetRange(0, 1000 + i % 2, 1.0f);
            bar->SetMarks(800, 100 + i % 3);
            bar->SetLevel(i % 1000);
            bar->SetOverColor(i % 2 ? QColor(255, 0, 0) : QColor(255, 255, 0));
            led->SetState(i % 3);
            graph->SetLoad(std::uint32_t(i) * 1000u);
            list->Mark(i % 40);
            list->IsAnyMarked();
            rounds.store(i);
        }
        // The values a poll would leave behind.
        label->SetText(QStringLiteral("42.0 \u0410"));
        label->SetColors(QColor(0, 0, 128), QColor(240, 240, 240));
        bar->SetRange(0, 1000, 1.0f);
        bar->SetMarks(800, 100);
        bar->SetLevel(500);
        led->SetState(CXLed::On);
    });
    for (int i = 0; i < 60 || rounds.load() < 1000; ++i) {
        QCoreApplication::processEvents();
        window.grab();
    }
    stop.store(true);
    poll.join();
    graph->RunGraph(false);

    CXLabel reference(QStringLiteral("42.0 \u0410"));
    reference.resize(label->size());
    reference.SetColors(QColor(0, 0, 128), QColor(240, 240, 240));
    QTRY_COMPARE(label->grab().toImage(), reference.grab().toImage());
    const QImage barImage = bar->grab().toImage();
    QCOMPARE(barImage.pixelColor(98, 8), CXProgressCtrl::defaultNormal());
    QCOMPARE(barImage.pixelColor(101, 8), CXProgressCtrl::defaultBackground());
    QCOMPARE(led->grab().toImage().pixelColor(6, 6), QColor(Qt::green));
    QVERIFY(list->IsAnyMarked());
}

QTEST_MAIN(TestCrossThread)
#include "tst_cross_thread.moc"
