// SPDX-License-Identifier: MIT
// Run with a device pixel ratio of 2: the controls must draw at device
// resolution, not draw at 1 and scale up (which looks blurry or blocky).
#include "CGraph.h"
#include "CIconButton.h"
#include "CXLabel.h"
#include "CXLed.h"
#include "CXProgressCtrl.h"

#include <QTest>

namespace {

// True when the picture has detail finer than one logical pixel: some 2 × 2
// block of device pixels is not a single colour. A picture drawn at ratio 1
// and scaled up has none.
bool hasDeviceDetail(const QImage& image)
{
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb c = image.pixel(x, y);
            if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c || image.pixel(x + 1, y + 1) != c)
                return true;
        }
    return false;
}

QImage shot(QWidget& widget)
{
    widget.show();
    return widget.grab().toImage();
}

} // namespace

class TestHiDpi : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void controlsDrawAtDeviceResolution();
    void levelBarKeepsLogicalGeometry();
};

void TestHiDpi::initTestCase()
{
    QWidget probe;
    probe.show();
    if (probe.devicePixelRatioF() != 2.0)
        QSKIP("this platform does not honour QT_SCALE_FACTOR");
}

void TestHiDpi::controlsDrawAtDeviceResolution()
{
    CXLed led;
    led.SetIcons(QStringLiteral("led_green_on"), 16, 16, QStringLiteral("led_green_off"), 16, 16);
    led.SetState(1);
    led.resize(16, 16);
    const QImage ledImage = shot(led);
    QCOMPARE(ledImage.size(), QSize(32, 32));
    QVERIFY(hasDeviceDetail(ledImage));

    CIconButton button;
    button.SetIcons(QStringLiteral("settings"), 32, 32);
    button.resize(40, 40);
    QVERIFY(hasDeviceDetail(shot(button)));

    CXLabel label(QStringLiteral("125.0 \u0410"));
    label.resize(80, 20);
    QVERIFY(hasDeviceDetail(shot(label)));

    CGraph graph;
    graph.resize(100, 90);
    QVERIFY(hasDeviceDetail(shot(graph))); // the line labels
}

void TestHiDpi::levelBarKeepsLogicalGeometry()
{
    CXProgressCtrl bar;
    bar.resize(180, 16);
    bar.SetRange(0, 900, 1.0f);
    bar.SetMarks(600, 0);
    bar.SetLevel(450);
    const QImage image = shot(bar);
    QCOMPARE(image.size(), QSize(360, 32));
    // Bar to logical x 90, mark line at logical x 120: device pixels 240-241.
    QCOMPARE(image.pixelColor(179, 16), CXProgressCtrl::defaultNormal());
    QCOMPARE(image.pixelColor(180, 16), CXProgressCtrl::defaultBackground());
    QCOMPARE(image.pixelColor(239, 16), CXProgressCtrl::defaultBackground());
    QCOMPARE(image.pixelColor(240, 16), CXProgressCtrl::defaultMarkLine());
    QCOMPARE(image.pixelColor(241, 16), CXProgressCtrl::defaultMarkLine());
    QCOMPARE(image.pixelColor(242, 16), CXProgressCtrl::defaultBackground());
}

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
