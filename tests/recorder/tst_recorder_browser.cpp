// SPDX-License-Identifier: MIT
// The recorder window's browsing half: recordings list, deletions, loading,
// channel scales, fault history and the export, driven like the operator does.
#include "CCPL_ZRQ7App.h"
#include "DayFileFixture.h"
#include "ModalHelpers.h"
#include "RecorderBrowser.h"
#include "RecorderPaneSupport.h"
#include "RecordingListPane.h"
#include "WidgetPixels.h"
#include "ZRQ7DLL.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateEdit>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <climits>

namespace {

QStringList column(QTableWidget* list, int c)
{
    QStringList cells;
    for (int r = 0; r < list->rowCount(); ++r)
        cells << list->item(r, c)->text();
    return cells;
}

// A day recorded once a minute, phase current i1 at 5.0 A; fault `fault` active
// from `faultFrom` for ten minutes (none: -1).
std::vector<_tagSTRUCT_DATA> minuteRecords(int fault = -1, int faultFrom = 0)
{
    std::vector<_tagSTRUCT_DATA> records;
    for (int t = 0; t < 86400; t += 60) {
        _tagSTRUCT_DATA r = recordAt(t);
        r.nValue[0] = 50;
        if (fault >= 0)
            r.bFaultActive[std::size_t(fault)] = t >= faultFrom && t < faultFrom + 600;
        records.push_back(r);
    }
    return records;
}

bool appendRecords(const QString& path, const std::vector<_tagSTRUCT_DATA>& records)
{
    QFile file(path);
    if (!file.open(QIODevice::Append))
        return false;
    for (const _tagSTRUCT_DATA& record : records) {
        const DbRecordBytes bytes = EncodeDbRecord(record);
        if (file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()))
            return false;
    }
    return true;
}

// The dates under the graph's labelled ticks, as drawn.
QStringList tickDates(CGraphMix* graph)
{
    QStringList dates;
    for (int j = 0; j <= graphmath::divisionsX; j += 10)
        if (const QString date = multiday::tickLabel(graph->axis(), graph->view(), j, 10).date;
            !date.isEmpty())
            dates << date;
    return dates;
}

} // namespace

class tst_recorder_browser : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTableWidget* list(RecorderBrowser& b) const { return b.findChild<QTableWidget*>("id1169"); }
    QTableWidget* faults(RecorderBrowser& b) const { return b.findChild<QTableWidget*>("id1168"); }
    // The browser on the test's folder, shown at 1000 × 800.
    bool show(RecorderBrowser& b) const
    {
        b.setFolder(m_dir.path());
        b.resize(1000, 800);
        b.show();
        return QTest::qWaitForWindowExposed(&b);
    }

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        qunsetenv("ZRQ7_MESSAGE_LOG");
        theApp().ResetSettings();
    }

    void listIsSortedByHeaderDate()
    {
        QVERIFY(writeDayFile(path("07122025.db"), {7, 12, 2025}, {recordAt(8 * 3600)}));
        QVERIFY(writeDayFile(path("08122025.db"), {8, 12, 2025}, {recordAt(12 * 3600 + 5 * 60 + 9)}));
        QVERIFY(writeDayFile(path("31122024.db"), {31, 12, 2024}, {}));
        QVERIFY(writeDayFile(path("aaa.db"), {1, 1, 2026}, {})); // the name says nothing about the date
        QVERIFY(writeDayFile(path("old.db"), {1, 1, 2020}, {}, 0x27));
        QFile damaged(path("bad.db"));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(30, 'x'));
        damaged.close();
        // The right letters and version with records of another shape: damaged, not another version.
        QVERIFY(writeDayFile(path("sizes.db"), {1, 1, 2020}, {}));
        QFile sizes(path("sizes.db"));
        QVERIFY(sizes.open(QIODevice::ReadWrite) && sizes.seek(16) && sizes.write("\x06", 1) == 1);
        sizes.close();

        const QString log = m_dir.filePath("messages.log");
        qputenv("ZRQ7_MESSAGE_LOG", log.toUtf8());
        RecorderBrowser browser;
        browser.setFolder(m_dir.path());
        browser.ScanRecordings();
        QCOMPARE(column(list(browser), 0),
                 QStringList({"aaa.db", "08122025.db", "07122025.db", "31122024.db"}));
        QCOMPARE(column(list(browser), 1),
                 QStringList({"01.01.2026", "08.12.2025", "07.12.2025", "31.12.2024"}));
        QCOMPARE(column(list(browser), 2), QStringList({"00:00:00", "12:05:09", "08:00:00", "00:00:00"}));

        // Damaged and outdated files are asked about; the default No keeps them.
        QFile messages(log);
        QVERIFY(messages.open(QIODevice::ReadOnly));
        const QString asked = QString::fromUtf8(messages.readAll());
        QVERIFY(asked.contains(QString::fromUtf8("error|Błąd|Plik \"bad.db\" jest uszkodzony. Usunąć?")));
        QVERIFY(asked.contains(
            QString::fromUtf8("error|Błąd|Plik \"old.db\" nie odpowiada bieżącej wersji programu. Usunąć?")));
        QVERIFY(asked.contains(QString::fromUtf8("error|Błąd|Plik \"sizes.db\" jest uszkodzony. Usunąć?")));
        QVERIFY(QFile::exists(path("bad.db")) && QFile::exists(path("old.db")));
        QCOMPARE(asked.count(QLatin1Char('\n')), 3);

        // The list is scanned again at every file release (midnight too): a kept
        // file is asked about once per run, not at every scan.
        browser.ScanRecordings();
        browser.ScanRecordings();
        QCOMPARE(list(browser)->rowCount(), 4);
        messages.seek(0);
        QCOMPARE(QString::fromUtf8(messages.readAll()), asked);
    }

    void deletionsRefuseTheRecordersFile()
    {
        QVERIFY(writeDayFile(path("08122025.db"), {8, 12, 2025}, {recordAt(60)}));
        QVERIFY(writeDayFile(path("07122025.db"), {7, 12, 2025}, {recordAt(60)}));
        QVERIFY(writeDayFile(path("31122024.db"), {31, 12, 2024}, {recordAt(60)}));
        RecorderBrowser browser;
        browser.setFolder(m_dir.path());
        // Today's file is held by the recorder (a second name for it must not get round that).
        QVERIFY(QFile::link(path("08122025.db"), m_dir.filePath("link-to-today")));
        const auto held = recordings::identityOf(m_dir.filePath("link-to-today"));
        QVERIFY(held);
        browser.setHeldFileQuery([held] { return held; });
        browser.ScanRecordings();

        MessageBoxAnswerer answers(QMessageBox::Yes);
        list(browser)->selectRow(1); // 07122025.db
        browser.DeleteRecording();
        QCOMPARE(answers.seen.size(), 1);
        QVERIFY(answers.seen[0].startsWith(QString::fromUtf8(
            "Usuwanie baz danych|Plik \"07122025.db\" z dnia 07.12.2025 zostanie usunięty")));
        QVERIFY(!QFile::exists(path("07122025.db")));
        QCOMPARE(column(list(browser), 0), QStringList({"08122025.db", "31122024.db"}));

        const QString refused =
            QString::fromUtf8("Błąd usunięcia|Usunięcie pliku nie powiodło się08122025.db\n"
                              "Plik jest w tej chwili zapisywany (trwa zapis danych).");
        list(browser)->selectRow(0);
        browser.DeleteRecording();
        QCOMPARE(answers.seen.last(), refused);
        QVERIFY(QFile::exists(path("08122025.db")));

        answers.seen.clear();
        browser.DeleteAllRecordings();
        QCOMPARE(answers.seen.size(), 2);
        QVERIFY(
            answers.seen[0].startsWith(QString::fromUtf8("Uwaga|WSZYSTKIE bazy danych zostaną usunięte.")));
        QCOMPARE(answers.seen[1], refused);
        QCOMPARE(column(list(browser), 0), QStringList({"08122025.db"}));
        QVERIFY(!QFile::exists(path("31122024.db")));
        QVERIFY(QFile::exists(path("08122025.db")));
    }

    void loadScalesChannelsAndBuildsTheFaultHistory()
    {
        // Channels 1 and 2 show phase currents i1 and i2 (list positions 1 and 2).
        ProgramSettings& s = theApp().settings;
        s.nGraphQuantity[0] = 1;
        s.nGraphQuantity[1] = 2;
        s.nGraphQuantity[2] = 29; // "Before OvL"
        s.bGraphVisible[0] = s.bGraphVisible[1] = s.bGraphVisible[2] = 1;
        std::vector<_tagSTRUCT_DATA> records;
        for (int i = 0; i < 60; ++i) {
            _tagSTRUCT_DATA r = recordAt(12 * 3600 + i);
            r.nValue[0] = i == 5 ? 120 : 50;
            r.nValue[1] = i == 7 ? 150 : 60;
            r.nValue[28] = i == 3 ? 601 : 100; // 601 is implausible: counts as 0
            r.bFaultActive[0] = i == 0;
            r.bFaultActive[1] = (i >= 10 && i <= 20) || (i >= 30 && i <= 40);
            records.push_back(r);
        }
        QVERIFY(writeDayFile(path("08122025.db"), {8, 12, 2025}, records));

        RecorderBrowser browser;
        QVERIFY(show(browser));
        browser.LoadRecording("08122025.db");
        QCOMPARE(int(browser.records().size()), 60);
        QCOMPARE(browser.graph()->title(), QStringLiteral("Plik:08122025.db"));

        // Shared scale of the phase currents; the edits show each channel's own maximum.
        QCOMPARE(browser.maxRaw()[0], 150);
        QCOMPARE(browser.maxRaw()[1], 150);
        QCOMPARE(browser.maxRaw()[2], 100);
        auto* max1 = browser.findChild<QLineEdit*>("id1145");
        QCOMPARE(max1->text(), QStringLiteral("12"));
        QCOMPARE(browser.findChild<QLineEdit*>("id1148")->text(), QStringLiteral("15"));
        QVERIFY(!browser.findChild<QLineEdit*>("id1152")->isEnabled()); // channel 4: "Nie"

        // The curves are drawn: in a view of a few minutes at noon channel 2's colour appears.
        const int noon = graphmath::xOfTime(browser.graph()->plot(), browser.graph()->view(), 12 * 3600);
        browser.graph()->ZoomToRange(noon, noon + 1);
        browser.graph()->GoToTime(12, 0, 30);
        QVERIFY(browser.graph()->view().span() <= 300);
        const QColor line = colorFromRef(ColorRef(theApp().settings.crGraphLine[1]));
        const QImage picture = browser.graph()->grab().toImage();
        bool drawn = false;
        for (int y = 0; y < picture.height() && !drawn; ++y)
            for (int x = 0; x < picture.width() && !drawn; ++x)
                drawn = picture.pixelColor(x, y) == line;
        QVERIFY(drawn);

        // Typing 20 A raises channel 1 to 200 raw and, grouped, channel 2 too.
        max1->selectAll();
        QTest::keyClicks(max1, "20");
        QCOMPARE(max1->text(), QStringLiteral("20"));
        QCOMPARE(browser.maxRaw()[0], 200);
        QCOMPARE(browser.maxRaw()[1], 200);
        QVERIFY(browser.maxEdited(0));
        // A comma reads as a decimal point; letters and signs are refused.
        max1->selectAll();
        QTest::keyClicks(max1, "-2x2,5");
        QCOMPARE(max1->text(), QStringLiteral("22,5"));
        QCOMPARE(browser.maxRaw()[0], 225);
        max1->selectAll();
        QTest::keyClicks(max1, "9999999999");
        QCOMPARE(browser.maxRaw()[0], 2147483647);

        // One row per start of an active period, in time order.
        QTableWidget* history = faults(browser);
        QCOMPARE(column(history, 2), QStringList({"12:00:00", "12:00:10", "12:00:30"}));
        QCOMPARE(history->item(1, 0)->data(Qt::UserRole).toInt(), 1);
        // A double click goes there: cursor mode, that time centred.
        browser.GoToFaultAt(2);
        QCOMPARE(browser.graph()->mode(), int(CGraphMix::GRAPH_MODE_CURSOR));
        const auto& view = browser.graph()->view();
        QVERIFY(qAbs((view.start + view.end) / 2 - (12 * 3600 + 30)) < 1);
    }

    void damagedRecordingIsReported()
    {
        QVERIFY(writeDayFile(path("08122025.db"), {8, 12, 2025}, {recordAt(0)}, 0x27));
        const QString log = m_dir.filePath("messages.log");
        qputenv("ZRQ7_MESSAGE_LOG", log.toUtf8());
        RecorderBrowser browser;
        browser.setFolder(m_dir.path());
        browser.LoadRecording("08122025.db");
        browser.LoadRecording("missing.db"); // cannot be opened: nothing at all
        QVERIFY(browser.records().empty());
        QFile messages(log);
        QVERIFY(messages.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(messages.readAll()),
                 QString::fromUtf8("warning|Błąd|Plik \"08122025.db\" jest uszkodzony.\n"));
    }

    // Files the recorder never writes, through the list and the loading the
    // operator does: the "damaged" message or the records that are whole,
    // never a crash, and no file removed without asking.
    void badFilesInTheRecordingsFolder_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("sparseSize"); // the file grown to this size with a hole; 0: as written
        QTest::addColumn<bool>("listed");       // a row in the list, else the question whether to delete it
        QTest::addColumn<int>("records");       // -1: "jest uszkodzony." on loading
        const auto dayFile = [](const std::vector<_tagSTRUCT_DATA>& records) {
            QTemporaryDir dir;
            const QString file = dir.filePath("day.db");
            writeDayFile(file, {8, 12, 2025}, records);
            QFile in(file);
            in.open(QIODevice::ReadOnly);
            return in.readAll();
        };
        const QByteArray header = dayFile({});
        QByteArray noise(20 * 225, '\0');
        QRandomGenerator random(7);
        for (char& byte : noise)
            byte = char(random.bounded(256));
        _tagSTRUCT_DATA extreme = recordAt(0);
        extreme.stTime = {65535, 65535, 65535};
        extreme.nValue.fill(INT32_MIN);
        extreme.nValue[0] = INT32_MAX;
        extreme.bFaultActive.fill(1);
        QTest::newRow("cut inside the header") << header.left(47) << qint64(0) << false << -1;
        QTest::newRow("last record cut short")
            << dayFile({recordAt(1), recordAt(2), recordAt(3)}).chopped(125) << qint64(0) << true << 2;
        QTest::newRow("random bytes") << "X" + noise << qint64(0) << false << -1;
        QTest::newRow("random records after a sound header") << header + noise << qint64(0) << true << 20;
        QTest::newRow("extreme times, values and flags")
            << dayFile({extreme, recordAt(5), extreme}) << qint64(0) << true << 3;
        // A size no day reaches (a copy gone wrong, a file system fault): refused
        // unread, by the list as by loading.
        QTest::newRow("64 GiB") << header << (qint64(64) << 30) << false << -1;
    }
    void badFilesInTheRecordingsFolder()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, sparseSize);
        QFETCH(bool, listed);
        QFETCH(int, records);
        QFile file(path("bad.db"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        if (sparseSize > 0 && !file.resize(sparseSize))
            QSKIP("no sparse files here");
        file.close();
        const QString log = m_dir.filePath("messages.log");
        qputenv("ZRQ7_MESSAGE_LOG", log.toUtf8());

        RecorderBrowser browser;
        browser.setFolder(m_dir.path());
        browser.ScanRecordings();
        QCOMPARE(list(browser)->rowCount(), listed ? 1 : 0);
        browser.LoadRecording("bad.db");
        QCOMPARE(int(browser.records().size()), std::max(records, 0));

        QFile messages(log); // missing when nothing was shown
        const QString shown =
            messages.open(QIODevice::ReadOnly) ? QString::fromUtf8(messages.readAll()) : QString();
        QCOMPARE(shown.contains(QString::fromUtf8("|Plik \"bad.db\" jest uszkodzony. Usunąć?")), !listed);
        QCOMPARE(shown.contains(QString::fromUtf8("warning|Błąd|Plik \"bad.db\" jest uszkodzony.\n")),
                 records < 0);
        QVERIFY(QFile::exists(path("bad.db")));
    }

    void listButtonsFollowTheSelection()
    {
        // However a row is picked: arrow keys, a screen reader (the selection
        // model), the mouse; refilling the list drops the pick and the buttons.
        QVERIFY(writeDayFile(path("08122025.db"), {8, 12, 2025}, {recordAt(60)}));
        QVERIFY(writeDayFile(path("07122025.db"), {7, 12, 2025}, {recordAt(60)}));
        RecorderBrowser browser;
        browser.setFolder(m_dir.path());
        browser.ScanRecordings();
        QTableWidget* rows = list(browser);
        auto* remove = browser.findChild<QAbstractButton*>("id1062");
        auto* exportButton = browser.findChild<QAbstractButton*>("id1205");
        const auto buttons = [&] { return QPair(remove->isEnabled(), exportButton->isEnabled()); };
        QCOMPARE(buttons(), QPair(false, false));

        rows->setFocus();
        QTest::keyClick(rows, Qt::Key_Down);
        QTest::keyClick(rows, Qt::Key_Down);
        QVERIFY(!rows->selectedItems().isEmpty());
        QCOMPARE(buttons(), QPair(true, true));

        browser.ScanRecordings();
        QCOMPARE(buttons(), QPair(false, false));

        rows->selectionModel()->select(rows->model()->index(1, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(buttons(), QPair(true, true));
        rows->clearSelection();
        QCOMPARE(buttons(), QPair(false, false));

        // While an export runs, neither the button nor the list's menu starts another.
        rows->selectRow(0);
        browser.findChild<RecordingListPane*>()->setExportRunning(true);
        QCOMPARE(buttons(), QPair(true, false));
        QStringList menuItems;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (const QAction* action : menu->actions())
                if (!action->isSeparator())
                    menuItems << action->text() + (action->isEnabled() ? "" : " (wyłączone)");
            menu->close();
        });
        emit rows->customContextMenuRequested(rows->visualRect(rows->model()->index(0, 0)).center());
        QCOMPARE(menuItems, QStringList({"Odśwież", "Usuń", "Prześlij dane do Excel (wyłączone)"}));
    }

    // Files of 08, 09 and 11.12.2025 (none of the 10th): a run picked in the
    // list (a click, then Shift and a double click) loads as one range of four
    // days; the missing day is a gap in the whole view and zoomed in; the fault
    // history covers the range with dates, and a double click on day two's
    // fault goes to that day and time.
    void runOfDaysLoadsAsOneRange()
    {
        theApp().settings.nGraphQuantity[0] = 1; // i1
        theApp().settings.bGraphVisible[0] = 1;
        QVERIFY(writeDayFile(path("08122025.db"), {8, 12, 2025}, minuteRecords(1, 6 * 3600)));
        QVERIFY(writeDayFile(path("09122025.db"), {9, 12, 2025}, minuteRecords(2, 14 * 3600 + 30 * 60)));
        QVERIFY(writeDayFile(path("11122025.db"), {11, 12, 2025}, minuteRecords()));
        RecorderBrowser browser;
        QVERIFY(show(browser));
        browser.ScanRecordings();
        QTableWidget* rows = list(browser);
        QCOMPARE(column(rows, 0), QStringList({"11122025.db", "09122025.db", "08122025.db"}));
        const auto rowPoint = [&](int row) { return rows->visualItemRect(rows->item(row, 0)).center(); };
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rowPoint(0));
        // A double click: its first click, then the second (QTest sends only that one).
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(2));
        QTest::mouseDClick(rows->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(2));
        QCOMPARE(rows->selectionModel()->selectedRows().size(), 3);
        QCOMPARE(browser.findChild<QDateEdit*>("id1303")->text(), QStringLiteral("08.12.2025"));
        QCOMPARE(browser.findChild<QDateEdit*>("id1304")->text(), QStringLiteral("11.12.2025"));

        CGraphMix* graph = browser.graph();
        QCOMPARE(browser.shownAxis().days, 4);
        QCOMPARE(DbDateText(browser.shownAxis().first), std::string("08.12.2025"));
        QVERIFY(browser.records().empty());
        QCOMPARE(browser.loaded().range()->series.seconds.size(), std::size_t(3 * 1440));
        QCOMPARE(graph->view().start, 0.0);
        QCOMPARE(graph->view().end, 4 * 86400.0);
        QCOMPARE(graph->title(), QStringLiteral("Pliki:08.12.2025 - 11.12.2025"));
        QCOMPARE(tickDates(graph),
                 QStringList({"08.12.2025", "09.12.2025", "10.12.2025", "11.12.2025", "12.12.2025"}));

        // No line across the 10th, whether drawn from the summary (wide views) or the records.
        const QColor line = colorFromRef(ColorRef(theApp().settings.crGraphLine[0]));
        const auto xOf = [&](double t) { return graphmath::xOfTime(graph->plot(), graph->view(), t); };
        QVERIFY(drawnBetween(graph, xOf(86400 + 3600), xOf(2 * 86400 - 3600), line));
        QVERIFY(!drawnBetween(graph, xOf(2 * 86400 + 3600), xOf(3 * 86400 - 3600), line));
        graph->ZoomToRange(xOf(1.5 * 86400), xOf(3.5 * 86400));
        QVERIFY(graph->view().span() < 3 * 86400);
        QVERIFY(drawnBetween(graph, xOf(1.5 * 86400 + 600), xOf(2 * 86400 - 600), line));
        QVERIFY(!drawnBetween(graph, xOf(2 * 86400 + 1800), xOf(3 * 86400 - 1800), line));
        QVERIFY(drawnBetween(graph, xOf(3 * 86400 + 600), xOf(3.5 * 86400 - 600), line));
        graph->ShowSpan(2 * 86400 - 2 * 3600, 2 * 86400 + 3 * 3600);
        QVERIFY(drawnBetween(graph, xOf(2 * 86400 - 7000), xOf(2 * 86400 - 120), line));
        QVERIFY(!drawnBetween(graph, xOf(2 * 86400 + 60), xOf(2 * 86400 + 3 * 3600), line));
        graph->ZoomToRange(xOf(3 * 86400), xOf(3.5 * 86400)); // the 11th's morning

        QTableWidget* history = faults(browser);
        QCOMPARE(column(history, 2), QStringList({"08.12.2025 06:00:00", "09.12.2025 14:30:00"}));
        QCOMPARE(history->item(1, 0)->data(Qt::UserRole).toInt(), 2);
        const QPoint dayTwoRow = history->visualItemRect(history->item(1, 0)).center();
        QTest::mouseClick(history->viewport(), Qt::LeftButton, {}, dayTwoRow);
        QTest::mouseDClick(history->viewport(), Qt::LeftButton, {}, dayTwoRow);
        const double dayTwoFault = 86400 + 14 * 3600 + 30 * 60;
        QCOMPARE(graph->mode(), int(CGraphMix::GRAPH_MODE_CURSOR));
        QVERIFY(graph->view().start <= dayTwoFault && dayTwoFault <= graph->view().end);
        QVERIFY(graph->view().span() <= 0.5 * 86400 + 1);
        const QString cursor = multiday::cursorText(
            graph->axis(), graphmath::timeAtX(graph->plot(), graph->view(), graph->cursorPoint().x()));
        QVERIFY2(cursor.startsWith(QStringLiteral("09.12.2025 14:")), qPrintable(cursor));
    }

    // "od"/"do" and "Wczytaj zakres": a range, one day (its file, as a double
    // click loads it), days without any file and a span too long (both said,
    // the loaded range kept).
    void datesFromAndToLoadARange()
    {
        QVERIFY(writeDayFile(path("09122025.db"), {9, 12, 2025}, minuteRecords(2, 600)));
        QVERIFY(writeDayFile(path("11122025.db"), {11, 12, 2025}, minuteRecords()));
        MessageBoxAnswerer answers;
        RecorderBrowser browser;
        browser.setFolder(m_dir.path());
        auto* from = browser.findChild<QDateEdit*>("id1303");
        auto* to = browser.findChild<QDateEdit*>("id1304");
        auto* load = browser.findChild<QAbstractButton*>("id1305");
        QCOMPARE(load->text(), QStringLiteral("Wczytaj zakres"));
        const auto loadDays = [&](QDate first, QDate last) {
            from->setDate(first);
            to->setDate(last);
            QTest::mouseClick(load, Qt::LeftButton);
        };
        loadDays({2025, 12, 9}, {2025, 12, 11});
        QCOMPARE(browser.shownAxis().days, 3);
        QCOMPARE(column(faults(browser), 2), QStringList({"09.12.2025 00:10:00"}));

        loadDays({2025, 12, 9}, {2025, 12, 9});
        QCOMPARE(browser.shownAxis().days, 1);
        QCOMPARE(int(browser.records().size()), 1440);
        QCOMPARE(browser.graph()->title(), QStringLiteral("Plik:09122025.db"));
        QCOMPARE(column(faults(browser), 2), QStringList({"00:10:00"}));
        QCOMPARE(browser.graph()->view().end, 86400.0);

        loadDays({2025, 12, 9}, {2025, 12, 11});
        QVERIFY(answers.seen.isEmpty());
        loadDays({2025, 12, 1}, {2025, 12, 5});
        loadDays({2025, 11, 1}, {2025, 12, 11});
        QCOMPARE(answers.seen,
                 QStringList({QString::fromUtf8("Błąd|Brak zapisów z dni od 01.12.2025 do 05.12.2025."),
                              QString::fromUtf8("Błąd|Można wczytać najwyżej 31 dni naraz.")}));
        QCOMPARE(browser.shownAxis().days, 3);
        QCOMPARE(browser.loaded().range()->series.seconds.size(), std::size_t(2 * 1440));

        // The range's view exported: its days' records in order, each row with its date.
        browser.graph()->ShowSpan(86400 - 3600, 2 * 86400 + 3600); // the 9th's last hour to the 11th's first
        QSignalSpy done(&browser, &RecorderBrowser::exportFinished);
        const QString target = m_dir.filePath("zakres.csv");
        browser.ExportViewTo(target);
        QVERIFY(done.wait(20000));
        QFile csv(target);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QVERIFY(lines.takeFirst().startsWith("Data,Czas,"));
        QStringList expected;
        for (int t = 23 * 3600; t < 86400; t += 60)
            expected << "09.12.2025," + recordings::recordTimeText(recordAt(t));
        for (int t = 0; t <= 3600; t += 60)
            expected << "11.12.2025," + recordings::recordTimeText(recordAt(t));
        for (QString& line : lines)
            line = line.section(',', 0, 1);
        QCOMPARE(lines, expected);
    }

    // The file being recorded grows: only the new records are read and drawn,
    // a view at the end of the data follows them, one elsewhere stays; past
    // midnight the next day's file joins as a second day.
    void followsTheRecordedFile()
    {
        theApp().settings.nGraphQuantity[0] = 1;
        theApp().settings.bGraphVisible[0] = 1;
        std::vector<_tagSTRUCT_DATA> morning;
        for (int t = 0; t < 8 * 3600; t += 10)
            morning.push_back(recordAt(t));
        QVERIFY(writeDayFile(path("08122025.db"), {8, 12, 2025}, morning));
        RecorderBrowser browser;
        QVERIFY(show(browser));
        browser.LoadRecording("08122025.db");
        CGraphMix* graph = browser.graph();
        const auto xOf = [&](double t) { return graphmath::xOfTime(graph->plot(), graph->view(), t); };
        graph->ZoomToRange(xOf(7 * 3600), xOf(8 * 3600));
        const auto grow = [&](int from, int to, const QDate& date, const QString& name) {
            std::vector<_tagSTRUCT_DATA> more;
            for (int t = from; t < to; t += 10)
                more.push_back(recordAt(t));
            QVERIFY(appendRecords(path(name), more));
            browser.followRecording(path(name), date);
        };
        grow(8 * 3600, 9 * 3600, {2025, 12, 8}, "08122025.db");
        QCOMPARE(int(browser.records().size()), 9 * 360);
        QVERIFY(graph->view().end >= 9 * 3600 - 10);
        QVERIFY(graph->view().span() < 2 * 3600);

        // The operator looks back: the view stays.
        graph->GoToTime(3, 0, 0);
        const graphmath::View back = graph->view();
        grow(9 * 3600, 10 * 3600, {2025, 12, 8}, "08122025.db");
        QCOMPARE(int(browser.records().size()), 10 * 360);
        QCOMPARE(graph->view().start, back.start);
        QCOMPARE(graph->view().end, back.end);

        // Another file written elsewhere changes nothing.
        QVERIFY(writeDayFile(path("01012020.db"), {1, 1, 2020}, {}));
        grow(0, 600, {2020, 1, 1}, "01012020.db");
        QCOMPARE(int(browser.records().size()), 10 * 360);

        // Midnight: the new day's file, followed from the end of the first day.
        grow(10 * 3600, 86400, {2025, 12, 8}, "08122025.db");
        graph->GoToTime(23, 59, 0);
        QVERIFY(writeDayFile(path("09122025.db"), {9, 12, 2025}, {}));
        grow(0, 3600, {2025, 12, 9}, "09122025.db");
        QCOMPARE(browser.shownAxis().days, 2);
        QCOMPARE(browser.loaded().range()->series.seconds.size(), std::size_t(8640 + 360));
        QVERIFY(graph->view().end >= 86400 + 3600 - 10);
        QVERIFY(tickDates(graph).contains(QStringLiteral("09.12.2025")));
    }

    // The history of the day being recorded grows with it: a fault still active
    // in the records added did not start again, one that clears and comes back did.
    void historyOfTheRecordedDayGrowsWithIt()
    {
        const auto faulty = [](int t, std::initializer_list<int> active) {
            _tagSTRUCT_DATA r = recordAt(t);
            for (const int fault : active)
                r.bFaultActive[std::size_t(fault)] = 1;
            return r;
        };
        QVERIFY(writeDayFile(path("08122025.db"), {8, 12, 2025},
                             {faulty(0, {}), faulty(10, {3}), faulty(20, {3})}));
        RecorderBrowser browser;
        QVERIFY(show(browser));
        browser.LoadRecording("08122025.db");
        const auto rows = [&] {
            QStringList seen;
            for (int row = 0; row < faults(browser)->rowCount(); ++row)
                seen << faults(browser)->item(row, 1)->text() + ' ' + faults(browser)->item(row, 2)->text();
            return seen;
        };
        const QString f3 = recorderpane::fromWide(dll_nErrInfo[3].szName);
        const QString f5 = recorderpane::fromWide(dll_nErrInfo[5].szName);
        QCOMPARE(rows(), QStringList{f3 + " 00:00:10"});

        QVERIFY(appendRecords(path("08122025.db"), {faulty(30, {3}), faulty(40, {3, 5})}));
        browser.followRecording(path("08122025.db"), {2025, 12, 8});
        QCOMPARE(rows(), QStringList({f3 + " 00:00:10", f5 + " 00:00:40"}));

        QVERIFY(appendRecords(path("08122025.db"), {faulty(50, {5}), faulty(60, {3, 5})}));
        browser.followRecording(path("08122025.db"), {2025, 12, 8});
        QCOMPARE(rows(), QStringList({f3 + " 00:00:10", f5 + " 00:00:40", f3 + " 00:01:00"}));
    }

    void exportThroughTheWindow()
    {
        std::vector<_tagSTRUCT_DATA> records;
        for (int i = 0; i < 100; ++i)
            records.push_back(recordAt(i));
        QVERIFY(writeDayFile(path("08122025.db"), {8, 12, 2025}, records));
        const QString log = m_dir.filePath("messages.log");
        qputenv("ZRQ7_MESSAGE_LOG", log.toUtf8());
        RecorderBrowser browser;
        browser.setFolder(m_dir.path());
        QString opened;
        browser.setOpenFileHandler([&](const QString& file) { opened = file; });
        QSignalSpy done(&browser, &RecorderBrowser::exportFinished);
        QCOMPARE(ExportJob::suggestedName("08122025.db"), QStringLiteral("Table_08122025"));

        browser.ExportRecordingTo("08122025.db", m_dir.filePath("Table_08122025.csv"));
        QVERIFY(done.wait(20000));
        const auto outcome = done.takeFirst().at(0).value<ExportJob::Outcome>();
        QCOMPARE(int(outcome.table.outcome), int(exporting::Outcome::Written));
        QCOMPARE(outcome.table.rows, std::size_t(100));
        QCOMPARE(opened, m_dir.filePath("Table_08122025.csv")); // the success question's default Yes
        QFile csv(opened);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 101);

        browser.ExportRecordingTo("nothing.db", m_dir.filePath("t.xlsx"));
        QVERIFY(done.wait(20000));
        QFile messages(log);
        QVERIFY(messages.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(messages.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines,
                 QStringList(
                     {QString::fromUtf8("information|Baza danych ZRQ-7/8|Zapis pliku zakończony "
                                        "sukcesem.\\r\\nCzy chcesz otworzyć ten plik?"),
                      QString::fromUtf8("error|Baza danych ZRQ-7/8|Nie można otworzyć pliku bazy danych.")}));
        QVERIFY(!QFile::exists(m_dir.filePath("t.xlsx")));
    }

    // "Eksportuj widok": enabled once a day is loaded; asks for the file and
    // writes the records of the zoomed view, both edges included.
    void exportOfTheView()
    {
        std::vector<_tagSTRUCT_DATA> records;
        for (int second = 0; second < 86400; second += 60)
            records.push_back(recordAt(second));
        QVERIFY(writeDayFile(path("08122025.db"), {8, 12, 2025}, records));
        MessageBoxesShown shown;
        MessageBoxAnswerer answers(QMessageBox::No);
        RecorderBrowser browser;
        browser.setFolder(m_dir.path());
        browser.ScanRecordings();
        auto* exportView = browser.findChild<QAbstractButton*>("id1306");
        QVERIFY(!exportView->isEnabled());
        browser.LoadRecording("08122025.db");
        QVERIFY(exportView->isEnabled());

        const int noon = graphmath::xOfTime(browser.graph()->plot(), browser.graph()->view(), 12 * 3600);
        browser.graph()->ZoomToRange(noon, noon + 1);
        browser.graph()->GoToTime(12, 0, 0);
        const graphmath::View view = browser.graph()->view();
        QVERIFY(view.span() < 3600);
        QStringList shownTimes;
        for (const _tagSTRUCT_DATA& record : records)
            if (const int t = DbSecondOfDay(record); t >= view.start && t <= view.end)
                shownTimes << recordings::recordTimeText(record);
        QVERIFY(!shownTimes.isEmpty());

        const QString target = m_dir.filePath("widok");
        WhenModal<QFileDialog> save([&](QFileDialog* dialog) {
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            QCOMPARE(dialog->selectedFiles().value(0).section('/', -1),
                     QStringLiteral("Table_08122025.xlsx"));
            dialog->selectNameFilter(QStringLiteral("CSV (*.csv)"));
            emit dialog->filterSelected(QStringLiteral("CSV (*.csv)"));
            dialog->selectFile(target);
            static_cast<QDialog*>(dialog)->accept();
        });
        QSignalSpy done(&browser, &RecorderBrowser::exportFinished);
        QTest::mouseClick(exportView, Qt::LeftButton);
        QVERIFY(save.seen);
        QVERIFY(done.wait(20000));
        QCOMPARE(answers.seen.value(0), QString::fromUtf8("Baza danych ZRQ-7/8|Zapis pliku zakończony "
                                                          "sukcesem.\nCzy chcesz otworzyć ten plik?"));
        QVERIFY(exportView->isEnabled());

        QFile csv(target + ".csv");
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QVERIFY(lines.takeFirst().startsWith("Data,Czas,"));
        QStringList times;
        for (const QString& line : lines) {
            QVERIFY(line.startsWith("08.12.2025,"));
            times << line.section(',', 1, 1);
        }
        QCOMPARE(times, shownTimes);
    }
};

QTEST_MAIN(tst_recorder_browser)
#include "tst_recorder_browser.moc"
