// SPDX-License-Identifier: MIT
// Label, fault list rows, icon button and colour swatch.
#include "CColorRect.h"
#include "CIconButton.h"
#include "CXLabel.h"
#include "CXListCtrl.h"

#include <QColorDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Bounding box of the pixels of `image` that differ from `background`.
QRect inkBox(const QImage& image, const QColor& background)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != background)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestSmallControls : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void labelColoursAndLayout();
    void labelNewTextLaysNothingOut();

    void listRowsByFaultCode();

    void iconButtonLooks();
    void iconButtonDisabledIsGreyEvenHovered();
    void iconButtonClicksAndTooltip();

    void swatchFillAndColourValues();
    void swatchChooser_data();
    void swatchChooser();

private:
    QTemporaryDir m_dir;
    QString m_redIcon;
    QString m_blueIcon;
};

void TestSmallControls::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Solid 8 × 8 icons make every offset and colour visible exactly.
    auto write = [&](const QString& name, const QColor& color) {
        QPixmap pixmap(8, 8);
        pixmap.fill(color);
        const QString path = m_dir.filePath(name);
        pixmap.save(path);
        return path;
    };
    m_redIcon = write(QStringLiteral("red.png"), QColor(255, 0, 0));
    m_blueIcon = write(QStringLiteral("blue.png"), QColor(0, 0, 255));
}

void TestSmallControls::labelColoursAndLayout()
{
    CXLabel label(QStringLiteral("12 : 00 : 00\r\n01.02.2026"));
    label.resize(160, 60);
    label.SetColors(makeColorRef(0, 0, 128), makeColorRef(255, 255, 224));
    const QColor background(255, 255, 224);
    const QImage image = label.grab().toImage();
    QCOMPARE(image.pixelColor(0, 0), background);
    QCOMPARE(image.pixelColor(159, 59), background);
    const QRect ink = inkBox(image, background);
    // Two lines, centred horizontally, starting at the top.
    QVERIFY2(qAbs((ink.left() + ink.right()) - 159) <= 4, qPrintable(QString::number(ink.left())));
    QVERIFY(ink.top() < 8);
    QVERIFY(ink.height() > label.fontMetrics().height());
    QVERIFY(ink.height() < 2 * label.fontMetrics().height() + 2);

    // Bold and size change the font, and so the drawing.
    label.SetFontSize(14);
    label.SetBold(true);
    QCOMPARE(label.font().pointSize(), 14);
    QCOMPARE(label.font().weight(), QFont::Bold);
    QVERIFY(inkBox(label.grab().toImage(), background).width() > ink.width());
}

void TestSmallControls::labelNewTextLaysNothingOut()
{
    // A read-out in a window: new values repaint it alone; only a text wider
    // than the one reserved widens it, with one layout pass.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new CXLabel(QStringLiteral("0.0 \u0410"));
    label->ReserveText(QStringLiteral("888.8 \u0410"));
    layout->addWidget(label);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize reserved = label->sizeHint();
    QVERIFY(reserved.width() >= label->fontMetrics().horizontalAdvance(QStringLiteral("888.8 \u0410")));

    struct LayoutRequests : QObject
    {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            count += event->type() == QEvent::LayoutRequest;
            return false;
        }
    } requests;
    window.installEventFilter(&requests);
    for (int i = 0; i <= 8888; i += 101) {
        label->SetText(QString::asprintf("%.1f \u0410", i / 10.0));
        QCoreApplication::processEvents(); // each value reaches the screen
    }
    QCOMPARE(requests.count, 0);
    QCOMPARE(label->sizeHint(), reserved);

    const QString wide = QStringLiteral("123456.7 \u0410");
    label->SetText(wide);
    QTRY_COMPARE(requests.count, 1);
    QVERIFY(label->sizeHint().width() > reserved.width());
    QTRY_VERIFY(label->width() >= label->fontMetrics().horizontalAdvance(wide));
    // Other values of that form fit the widened label as they are.
    for (const char* value : {"999999.9 \u0410", "111111.1 \u0410", "800000.8 \u0410"}) {
        label->SetText(QString::fromUtf8(value));
        QCoreApplication::processEvents();
    }
    QCOMPARE(requests.count, 1);
    QTRY_VERIFY(label->width() >= label->fontMetrics().horizontalAdvance(QStringLiteral("800000.8 \u0410")));
    // A bigger font makes room for the same texts in that font.
    const QSize before = label->sizeHint();
    label->SetFontSize(label->font().pointSize() + 4);
    QVERIFY(label->sizeHint().width() > before.width() && label->sizeHint().height() > before.height());
}

void TestSmallControls::listRowsByFaultCode()
{
    CXListCtrl list;
    list.AddColumn(QStringLiteral("Nazwa"), 210);
    list.AddColumn(QStringLiteral("###"), 70, Qt::AlignHCenter);
    list.AddColumn(QStringLiteral("Data"), 0, Qt::AlignHCenter);
    QVERIFY(list.isColumnHidden(2));
    list.InsertRowAtTop({QStringLiteral("Zabezpieczenie nadprądowe fazowe"), QStringLiteral("Imax")}, 0);
    list.InsertRowAtTop({QStringLiteral("Przeciążenie"), QStringLiteral("Term")}, 1);
    list.InsertRowAtTop({QStringLiteral("Brak komunikacji")}, 38);
    list.InsertRowAtTop({QStringLiteral("Przeciążenie (2)")}, 1);
    QCOMPARE(list.rowCount(), 4);
    QCOMPARE(list.ItemData(0), 1); // newest on top
    QCOMPARE(list.item(0, 1)->text(), QString());
    QCOMPARE(list.item(3, 1)->text(), QStringLiteral("Imax"));
    QCOMPARE(list.item(3, 1)->textAlignment() & Qt::AlignHorizontal_Mask, int(Qt::AlignHCenter));

    QCOMPARE(list.DeleteRowsWithData(1), 2);
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(list.ItemData(0), 38);
    QCOMPARE(list.ItemData(1), 0);
    QCOMPARE(list.DeleteRowsWithData(5), 0);
    list.DeleteAllItems();
    QCOMPARE(list.rowCount(), 0);
}

void TestSmallControls::iconButtonLooks()
{
    CIconButton button;
    button.resize(20, 20);
    button.SetIcons(m_redIcon, 8, 8, m_blueIcon, 8, 8);
    const QColor white(255, 255, 255);
    QCOMPARE(inkBox(button.grab().toImage(), white), QRect(6, 6, 8, 8));

    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QCoreApplication::sendEvent(&button, &enter);
    QCOMPARE(button.look(), CIconButton::Look::Hover);
    QCOMPARE(inkBox(button.grab().toImage(), white), QRect(5, 5, 8, 8));

    button.setDown(true);
    QImage image = button.grab().toImage();
    QCOMPARE(inkBox(image, white), QRect(7, 7, 8, 8));
    QCOMPARE(image.pixelColor(10, 10), QColor(0, 0, 255)); // the pressed icon

    button.setDown(false);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    QCOMPARE(button.look(), CIconButton::Look::Normal);

    // Without a pressed icon the normal one moves; a new background is drawn.
    button.SetIcons(m_redIcon, 8, 8);
    button.SetBkColor(makeColorRef(0, 128, 0));
    button.setDown(true);
    image = button.grab().toImage();
    QCOMPARE(inkBox(image, QColor(0, 128, 0)), QRect(7, 7, 8, 8));
    QCOMPARE(image.pixelColor(10, 10), QColor(255, 0, 0));
}

void TestSmallControls::iconButtonDisabledIsGreyEvenHovered()
{
    CIconButton button;
    button.resize(20, 20);
    button.SetIcons(m_redIcon, 8, 8);
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QCoreApplication::sendEvent(&button, &enter);
    button.setEnabled(false);
    const QColor icon = button.grab().toImage().pixelColor(9, 9);
    QVERIFY2(icon.hsvSaturation() < 60, qPrintable(icon.name())); // no longer red
    button.setEnabled(true);
    QCOMPARE(button.grab().toImage().pixelColor(9, 9), QColor(255, 0, 0));
}

void TestSmallControls::iconButtonClicksAndTooltip()
{
    CIconButton button;
    button.resize(40, 40);
    button.SetIcons(m_redIcon, 8, 8);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);

    button.SetTooltip(QStringLiteral("Wstrzymaj zapis danych"), true);
    QCOMPARE(button.toolTip(), QStringLiteral("Wstrzymaj zapis danych"));
    button.SetTooltip(QString(), true); // empty text keeps the old one
    QCOMPARE(button.toolTip(), QStringLiteral("Wstrzymaj zapis danych"));
    button.SetTooltip(QStringLiteral("Kontynuuj zapis danych"), false);
    QCOMPARE(button.toolTip(), QString());
    button.SetTooltip(QString(), true);
    QCOMPARE(button.toolTip(), QStringLiteral("Kontynuuj zapis danych"));
}

void TestSmallControls::swatchFillAndColourValues()
{
    CColorRect swatch;
    QCOMPARE(swatch.GetColor(), QColor(Qt::black));
    swatch.resize(40, 20);
    QSignalSpy changed(&swatch, &CColorRect::colorChanged);
    swatch.SetColor(ColorRef(0x00C0FF)); // 0x00BBGGRR: orange
    QCOMPARE(swatch.GetColor(), QColor(255, 192, 0));
    QCOMPARE(swatch.GetColorRef(), ColorRef(0x00C0FF));
    swatch.SetColor(QColor(255, 192, 0));
    QCOMPARE(changed.count(), 1); // unchanged colour, no second signal
    const QImage image = swatch.grab().toImage();
    QCOMPARE(image.pixelColor(20, 10), QColor(255, 192, 0));
    QCOMPARE(image.pixelColor(2, 2), QColor(255, 192, 0));
    QVERIFY(image.pixelColor(0, 10) != QColor(255, 192, 0)); // sunken frame
    QVERIFY(image.pixelColor(39, 10) != QColor(255, 192, 0));

    QSignalSpy doubleClicked(&swatch, &CColorRect::doubleClicked);
    QTest::mouseDClick(&swatch, Qt::LeftButton);
    QCOMPARE(doubleClicked.count(), 1);
}

void TestSmallControls::swatchChooser_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("OK stores the choice") << true;
    QTest::newRow("Cancel keeps the colour") << false;
}

void TestSmallControls::swatchChooser()
{
    QFETCH(bool, accept);
    CColorRect swatch;
    swatch.SetColor(QColor(10, 20, 30));
    QColor offered;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        offered = dialog->currentColor();
        dialog->setCurrentColor(QColor(200, 100, 50));
        accept ? dialog->accept() : dialog->reject();
    });
    QCOMPARE(swatch.ChooseColor(), accept);
    QCOMPARE(offered, QColor(10, 20, 30));
    QCOMPARE(swatch.GetColor(), accept ? QColor(200, 100, 50) : QColor(10, 20, 30));
}

QTEST_MAIN(TestSmallControls)
#include "tst_small_controls.moc"
