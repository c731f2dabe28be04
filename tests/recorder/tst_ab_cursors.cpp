// SPDX-License-Identifier: MIT
// The recorder window's A/B cursors, driven as the operator does: the switch,
// clicks and Shift+clicks on the graph, the arrow keys, and the read-out.
#include "CCPL_ZRQ7App.h"
#include "CDataDlg.h"
#include "CIconButton.h"
#include "DayFileFixture.h"
#include "MeasurementSnapshot.h"
#include "RecorderBrowser.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace graphmath;

namespace {

const QColor colorOfA(170, 0, 170);
const QColor colorOfB(0, 90, 200);

// Records every 10 s from 12:00:00 to 12:10:00 (index i at 12:00:00 + 10 i s):
// phase current i1 rising by 0.1 A a record from 10.0 A, temperature falling
// by 1 °C from 100 °C, apparent power 1.00 kVA + 0.25 kVA a record.
std::vector<_tagSTRUCT_DATA> tenMinutes()
{
    std::vector<_tagSTRUCT_DATA> records;
    for (int i = 0; i <= 60; ++i) {
        _tagSTRUCT_DATA r = recordAt(12 * 3600 + 10 * i);
        r.nValue[0] = 100 + i;
        r.nValue[36] = 100 - i;
        r.nValue[30] = 100 + 25 * i;
        records.push_back(r);
    }
    return records;
}

int secondsOf(int hour, int minute, int second)
{
    return hour * 3600 + minute * 60 + second;
}

int xAt(CGraphMix* graph, int seconds)
{
    return xOfTime(graph->plot(), graph->view(), seconds);
}

// Columns of the graph's picture that hold a colour in the plot's upper part.
QList<int> columnsIn(CGraphMix* graph, const QColor& color)
{
    QImage picture = graph->grab().toImage();
    picture.setDevicePixelRatio(1);
    QList<int> columns;
    const int y = graph->plot().top + graph->plot().height() / 2;
    for (int x = 0; x < picture.width(); ++x)
        if (picture.pixelColor(x, y) == color)
            columns << x;
    return columns;
}

} // namespace

class tst_ab_cursors : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // The browser shown with the first day loaded and the view zoomed to about from..to.
    bool showDay(RecorderBrowser& browser, int from, int to)
    {
        browser.setFolder(m_dir.path());
        browser.resize(1100, 900);
        browser.show();
        if (!QTest::qWaitForWindowActive(&browser))
            return false;
        browser.LoadRecording("08122025.db");
        browser.graph()->ZoomToRange(xAt(browser.graph(), from), xAt(browser.graph(), to));
        return true;
    }

private slots:
    void init()
    {
        theApp().ResetSettings();
        ProgramSettings& s = theApp().settings;
        // i1, temperature 1, apparent power; channels 4 and 5 none.
        const int quantities[] = {1, 37, 31, 0, 0};
        for (int c = 0; c < 5; ++c) {
            s.nGraphQuantity[c] = quantities[c];
            s.bGraphVisible[c] = c < 3;
        }
        QVERIFY(writeDayFile(m_dir.filePath("08122025.db"), {8, 12, 2025}, tenMinutes()));
        QVERIFY(writeDayFile(m_dir.filePath("09122025.db"), {9, 12, 2025}, tenMinutes()));
    }

    void placeMoveAndReadTheCursors()
    {
        RecorderBrowser browser;
        // About 11:55 to 12:15: a pixel is under 2 s, a click snaps to the record meant.
        QVERIFY(showDay(browser, secondsOf(11, 55, 0), secondsOf(12, 15, 0)));
        CGraphMix* graph = browser.graph();
        CursorPair& cursors = graph->abCursors();
        const auto clickAt = [graph](int seconds, Qt::KeyboardModifiers keys = {}) {
            QTest::mouseClick(graph, Qt::LeftButton, keys, QPoint(xAt(graph, seconds), 100));
        };
        const auto key = [graph](Qt::Key key, Qt::KeyboardModifiers keys = {}) {
            QTest::keyClick(graph, key, keys);
        };

        auto* readout = browser.findChild<QPlainTextEdit*>("id1302");
        auto* toggle = browser.findChild<CIconButton*>("id1301");
        QVERIFY(readout && toggle);
        QCOMPARE(toggle->accessibleName(), QStringLiteral("Kursory A/B"));
        QVERIFY(readout->isHidden());
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(toggle->isChecked() && cursors.isOn());
        QVERIFY(readout->isVisible());
        QCOMPARE(readout->toPlainText(), QStringLiteral("Kliknij wykres: kursor A; Shift+klik: kursor B"));

        // The window starts in zoom mode: a click places A instead of zooming, and takes the keys.
        const View before = graph->view();
        clickAt(secondsOf(12, 1, 2));
        QCOMPARE(graph->view().start, before.start);
        QCOMPARE(graph->view().end, before.end);
        QCOMPARE(cursors.position(CursorPair::A), std::optional<std::size_t>(6));
        QVERIFY(graph->hasFocus());
        QCOMPARE(readout->toPlainText(),
                 QStringLiteral("A 12:01:00 (Shift+klik: kursor B)\n"
                                "Kanał 1 (Wartość skuteczna prądu fazowego Ф1): A 10.6 A\n"
                                "Kanał 2 (Temperatura czujnika 1): A 94 °\u0421\n"
                                "Kanał 3 (Moc całkowita): A 2.50 kVA"));

        clickAt(secondsOf(12, 3, 57), Qt::ShiftModifier);
        QCOMPARE(cursors.position(CursorPair::B), std::optional<std::size_t>(24));
        QCOMPARE(
            readout->toPlainText(),
            QStringLiteral("A 12:01:00, B 12:04:00, Δt 00:03:00\n"
                           "Kanał 1 (Wartość skuteczna prądu fazowego Ф1): A 10.6 A, B 12.4 A, B−A 1.8 A\n"
                           "Kanał 2 (Temperatura czujnika 1): A 94 °\u0421, B 76 °\u0421, B−A -18 °\u0421\n"
                           "Kanał 3 (Moc całkowita): A 2.50 kVA, B 7.00 kVA, B−A 4.50 kVA"));

        // A screen reader gets the read-out as the text of "Odczyt kursorów A/B", and the switch as on.
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(readout);
        QVERIFY(spoken);
        QCOMPARE(spoken->text(QAccessible::Name), QStringLiteral("Odczyt kursorów A/B"));
        QCOMPARE(spoken->text(QAccessible::Value), readout->toPlainText());
        QVERIFY(QAccessible::queryAccessibleInterface(toggle)->state().checked);

        // B was placed last: the arrows move it by a record, with Shift by a minute.
        key(Qt::Key_Right);
        QCOMPARE(cursors.position(CursorPair::B), std::optional<std::size_t>(25));
        key(Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(cursors.position(CursorPair::B), std::optional<std::size_t>(31));
        key(Qt::Key_Left, Qt::ShiftModifier);
        key(Qt::Key_Left, Qt::ShiftModifier);
        key(Qt::Key_Left);
        QCOMPARE(cursors.position(CursorPair::B), std::optional<std::size_t>(18));
        QCOMPARE(cursors.position(CursorPair::A), std::optional<std::size_t>(6));
        QVERIFY(readout->toPlainText().startsWith(QStringLiteral("A 12:01:00, B 12:03:00, Δt 00:02:00\n")));
        // B before A reads a negative difference.
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(cursors.position(CursorPair::B), std::optional<std::size_t>(0));
        QVERIFY(readout->toPlainText().startsWith(QStringLiteral("A 12:01:00, B 12:00:00, Δt -00:01:00\n")));
        // Both stay within the records.
        key(Qt::Key_Left);
        key(Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(cursors.position(CursorPair::B), std::optional<std::size_t>(0));
        clickAt(secondsOf(12, 9, 0)); // A is active now
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Right, Qt::ShiftModifier);
        key(Qt::Key_Right);
        QCOMPARE(cursors.position(CursorPair::A), std::optional<std::size_t>(60));
        QCOMPARE(cursors.position(CursorPair::B), std::optional<std::size_t>(0));
        QVERIFY(readout->toPlainText().startsWith(QStringLiteral("A 12:10:00, B 12:00:00, Δt -00:10:00\n")));

        // Another quantity or a hidden channel changes the read-out at once.
        auto* quantity2 = browser.findChild<QComboBox*>("id1171");
        quantity2->setCurrentIndex(2); // phase current i2: not recorded, reads 0
        emit quantity2->activated(2);
        QVERIFY(readout->toPlainText().contains(
            QStringLiteral("Kanał 2 (Wartość skuteczna prądu fazowego Ф2): A 0.0 A, B 0.0 A, B−A 0.0 A")));
        QTest::mouseClick(browser.findChild<QCheckBox*>("id1196"), Qt::LeftButton); // channel 3 off
        QVERIFY(!readout->toPlainText().contains(QStringLiteral("Kanał 3")));
        QCOMPARE(readout->toPlainText().count(QLatin1Char('\n')), 2);

        // Another recording: no cursors.
        browser.LoadRecording("09122025.db");
        QVERIFY(!cursors.position(CursorPair::A) && !cursors.position(CursorPair::B));
        QCOMPARE(readout->toPlainText(), QStringLiteral("Kliknij wykres: kursor A; Shift+klik: kursor B"));

        // Switched off, a click zooms again and the read-out goes.
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(!cursors.isOn() && readout->isHidden());
        const double span = graph->view().span();
        clickAt(secondsOf(12, 5, 0));
        QVERIFY(graph->view().span() < span);
    }

    // The lines stand on their records: a zoom or a scroll moves them with the
    // time axis, and one outside the view is not drawn.
    void linesFollowTheView()
    {
        RecorderBrowser browser;
        QVERIFY(showDay(browser, secondsOf(11, 50, 0), secondsOf(12, 20, 0)));
        CGraphMix* graph = browser.graph();
        QTest::mouseClick(browser.findChild<CIconButton*>("id1301"), Qt::LeftButton);
        const auto xOf = [graph](int seconds) { return xAt(graph, seconds); };
        QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(xOf(secondsOf(12, 2, 0)), 100));
        QTest::mouseClick(graph, Qt::LeftButton, Qt::ShiftModifier, QPoint(xOf(secondsOf(12, 8, 0)), 100));
        // The active cursor (B) is drawn two pixels wide.
        QCOMPARE(columnsIn(graph, colorOfA), QList<int>({xOf(secondsOf(12, 2, 0))}));
        QVERIFY(columnsIn(graph, colorOfB).contains(xOf(secondsOf(12, 8, 0))));
        QCOMPARE(columnsIn(graph, colorOfB).size(), 2);

        graph->setCursorPoint(QPoint(xOf(secondsOf(12, 5, 0)), 100));
        for (int i = 0; i < 4; ++i)
            graph->ZoomInAt();
        QCOMPARE(columnsIn(graph, colorOfA), QList<int>({xOf(secondsOf(12, 2, 0))}));
        QVERIFY(columnsIn(graph, colorOfB).contains(xOf(secondsOf(12, 8, 0))));
        QCOMPARE(graph->abCursors().position(CursorPair::A), std::optional<std::size_t>(12));

        // Whole minutes earlier: B leaves the view, A stays.
        QVERIFY(graph->GoToTime(12, 0, 0) == 0);
        QVERIFY(graph->view().end < secondsOf(12, 8, 0));
        QCOMPARE(columnsIn(graph, colorOfA), QList<int>({xOf(secondsOf(12, 2, 0))}));
        QVERIFY(columnsIn(graph, colorOfB).isEmpty());
    }

    // Without a mouse: the graph is reached with Tab while the cursors are on,
    // the keys A and B place them mid-view, and a cursor the arrows move out
    // of the view brings the view along.
    void keysAloneDriveTheCursors()
    {
        RecorderBrowser browser;
        QVERIFY(showDay(browser, secondsOf(12, 1, 0), secondsOf(12, 3, 0)));
        CGraphMix* graph = browser.graph();
        CursorPair& cursors = graph->abCursors();
        QCOMPARE(graph->focusPolicy(), Qt::ClickFocus);
        QTest::mouseClick(browser.findChild<CIconButton*>("id1301"), Qt::LeftButton);
        QCOMPARE(graph->focusPolicy(), Qt::StrongFocus);
        graph->setFocus(Qt::TabFocusReason);

        const View view = graph->view();
        const auto nearestMiddle = std::size_t(std::lround(((view.start + view.end) / 2 - 12 * 3600) / 10));
        QTest::keyClick(graph, Qt::Key_A);
        QCOMPARE(cursors.position(CursorPair::A), std::optional<std::size_t>(nearestMiddle));
        QTest::keyClick(graph, Qt::Key_B);
        QCOMPARE(cursors.position(CursorPair::B), std::optional<std::size_t>(nearestMiddle));
        QCOMPARE(cursors.active(), CursorPair::B);

        for (int minute = 0; minute < 4; ++minute)
            QTest::keyClick(graph, Qt::Key_Right, Qt::ShiftModifier);
        const double b = *cursors.timeOf(CursorPair::B);
        QCOMPARE(b, *cursors.timeOf(CursorPair::A) + 240);
        QVERIFY2(
            graph->view().start <= b && b <= graph->view().end,
            qPrintable(
                QStringLiteral("%1 outside %2..%3").arg(b).arg(graph->view().start).arg(graph->view().end)));
        QCOMPARE(graph->view().span(), view.span());
        QVERIFY(columnsIn(graph, colorOfB).contains(xAt(graph, int(b))));
    }

    // Over a run of days the cursors' times carry their date.
    void timesOverDaysCarryTheDate()
    {
        RecorderBrowser browser;
        QVERIFY(showDay(browser, secondsOf(12, 0, 0), secondsOf(12, 10, 0)));
        browser.LoadRange({2025, 12, 8}, {2025, 12, 9});
        QCOMPARE(browser.shownAxis().days, 2);
        CGraphMix* graph = browser.graph();
        QTest::mouseClick(browser.findChild<CIconButton*>("id1301"), Qt::LeftButton);
        graph->setFocus();
        QTest::keyClick(graph, Qt::Key_A); // mid-range: the 8th's last record is the nearest
        QTest::keyClick(graph, Qt::Key_B);
        QTest::keyClick(graph, Qt::Key_Right); // the 9th's first
        QCOMPARE(browser.findChild<QPlainTextEdit*>("id1302")->toPlainText().section(u'\n', 0, 0),
                 QStringLiteral("A 08.12.2025 12:10:00, B 09.12.2025 12:00:00, Δt 23:50:00"));
    }

    // The read-out takes its room from the graph: the recorder window keeps
    // its size (within 1024 x 768), and the graph gets the room back.
    void readoutKeepsTheWindowSize()
    {
        MeasurementSnapshot snapshot;
        CDataDlg window(snapshot);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize size = window.size();
        CGraphMix* graph = window.browser()->graph();
        const int graphHeight = graph->height();
        auto* toggle = window.findChild<CIconButton*>("id1301");
        QTest::mouseClick(toggle, Qt::LeftButton);
        QTRY_VERIFY(window.findChild<QPlainTextEdit*>("id1302")->isVisible());
        QCOMPARE(window.size(), size);
        QVERIFY(graph->height() < graphHeight);
        QTest::mouseClick(toggle, Qt::LeftButton);
        QTRY_COMPARE(graph->height(), graphHeight);
        QCOMPARE(window.size(), size);
    }
};

QTEST_MAIN(tst_ab_cursors)
#include "tst_ab_cursors.moc"
