// SPDX-License-Identifier: MIT
#include "RecorderBrowser.h"

#include "AppPaths.h"
#include "CCPL_ZRQ7App.h"
#include "CColorRect.h"
#include "CIconButton.h"
#include "DayFile.h"
#include "MessageBox.h"
#include "ZRQ7DLL.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString windowCaption = QStringLiteral("Baza danych ZRQ-7/8");
const QColor editHighlight(255, 120, 45); // 0x2D78FF

// Controls of channel rows 1-5: check box, quantity list, "Max:" edit, swatch.
constexpr int checkIds[] = {1193, 1194, 1196, 1197, 1199};
constexpr int quantityIds[] = {1170, 1171, 1172, 1173, 1174};
constexpr int maxIds[] = {1145, 1148, 1150, 1152, 1153};
constexpr int swatchIds[] = {1177, 1178, 1179, 1180, 1181};

template <typename W> W* withId(W* widget, int id)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

QString fromWide(const char16_t* text)
{
    return QString::fromUtf16(text);
}

QTableWidget* setUpReportList(QTableWidget* list, const QStringList& titles, const std::vector<int>& widths,
                              const std::vector<Qt::Alignment>& alignments)
{
    list->setColumnCount(int(titles.size()));
    list->setHorizontalHeaderLabels(titles);
    for (int c = 0; c < int(titles.size()); ++c) {
        list->setColumnWidth(c, widths[std::size_t(c)]);
        list->horizontalHeaderItem(c)->setTextAlignment(alignments[std::size_t(c)]);
    }
    list->verticalHeader()->hide();
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setShowGrid(true);
    list->horizontalHeader()->setStretchLastSection(true);
    return list;
}

void appendRow(QTableWidget* list, const QStringList& cells, int data, const std::vector<Qt::Alignment>& alignments)
{
    const int row = list->rowCount();
    list->insertRow(row);
    for (int c = 0; c < int(cells.size()); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setTextAlignment(alignments[std::size_t(c)] | Qt::AlignVCenter);
        if (c == 0)
            item->setData(Qt::UserRole, data);
        list->setItem(row, c, item);
    }
}

const std::vector<Qt::Alignment> listAlignments{Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignHCenter};

// A list no narrower than `columns` pixels of columns plus its frame and a
// vertical scroll bar: its columns show without scrolling sideways.
void fitColumns(QTableWidget* list, int columns)
{
    const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    list->setMinimumWidth(columns + scrollBar + 2 * list->frameWidth() + 4);
}

} // namespace

CXDBListCtrl::CXDBListCtrl(QWidget* parent) : QTableWidget(parent)
{
    setUpReportList(this, {QStringLiteral("Nazwa"), QStringLiteral("Data"), QStringLiteral("Czas")}, {130, 90, 70},
                    listAlignments);
}

void CXDBListCtrl::SortByDate()
{
    std::vector<std::pair<QStringList, int>> rows;
    for (int r = 0; r < rowCount(); ++r)
        rows.push_back({{item(r, 0)->text(), item(r, 1)->text(), item(r, 2)->text()},
                        item(r, 0)->data(Qt::UserRole).toInt()});
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return recordings::CompareByDate(a.first[1], b.first[1]) < 0;
    });
    setRowCount(0);
    for (const auto& [cells, data] : rows)
        appendRow(this, cells, data, listAlignments);
}

RecorderBrowser::RecorderBrowser(QWidget* parent) : QWidget(parent), m_folder(RecordingsFolderPath())
{
    m_openFile = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_graphPart = buildGraphArea();
    m_channelPart = buildChannelRows();
    m_listPart = new QWidget(this);
    auto* lists = new QHBoxLayout(m_listPart);
    lists->setContentsMargins(0, 0, 0, 0);
    lists->addWidget(buildRecordingList(), 1);
    lists->addWidget(buildFaultHistory(), 1);
    layout->addWidget(m_graphPart, 1);
    layout->addWidget(m_channelPart);
    layout->addWidget(m_listPart);

    connect(m_graph, &CGraphMix::replotRequested, this, &RecorderBrowser::Replot);
    connect(&m_export, &ExportJob::finished, this, &RecorderBrowser::onExportFinished);
    applySettings();
}

RecorderBrowser::~RecorderBrowser() = default;

void RecorderBrowser::placeInto(QWidget* graphArea, QWidget* channelArea, QWidget* listArea)
{
    const std::pair<QWidget*, QWidget*> moves[] = {{m_graphPart, graphArea}, {m_channelPart, channelArea},
                                                   {m_listPart, listArea}};
    for (const auto& [part, area] : moves) {
        auto* layout = area->layout() ? area->layout() : new QVBoxLayout(area);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(part);
    }
    hide(); // what is left of this widget is its logic
}

QWidget* RecorderBrowser::buildGraphArea()
{
    auto* part = new QWidget(this);
    auto* column = new QVBoxLayout(part);
    column->setContentsMargins(0, 0, 0, 0);
    m_graph = withId(new CGraphMix(part), 1184);
    m_graph->setMinimumSize(600, 260);
    column->addWidget(m_graph, 1);
    auto* bar = new QHBoxLayout;
    struct Button
    {
        int id;
        const char* name; // what a screen reader says: the buttons show only icons
        const char* icon;
        const char* tip;
        std::function<void()> action;
    };
    const Button buttons[] = {
        {1010, "Powiększanie", "graph_zoom", "Powiększ / Pomniejsz lub Ctrl + (rolka myszy w górę / w dół)",
         [this] { m_graph->SetMode(CGraphMix::GRAPH_MODE_ZOOM); }},
        {1013, "Zaznaczanie obszaru", "graph_select", "Powiększ / pomniejsz zaznaczony obszar",
         [this] { m_graph->SetMode(CGraphMix::GRAPH_MODE_SELECT); }},
        {1022, "Kursor", "graph_cursor", "Informacyjne okienko kursora",
         [this] { m_graph->SetMode(CGraphMix::GRAPH_MODE_CURSOR); }},
        {1015, "Cały wykres", "graph_whole", "Cały wykres", [this] { m_graph->ShowWholeRange(); }},
        {1017, "Przesuń w lewo", "graph_left", "Przesuń wykres w lewo lub obróć rolkę myszy w górę",
         [this] { m_graph->ScrollEarlier(); }},
        {1019, "Przesuń w prawo", "graph_right", "Przesuń wykres w prawo lub obróć rolkę myszy w dół",
         [this] { m_graph->ScrollLater(); }},
    };
    for (const Button& b : buttons) {
        auto* button = withId(new CIconButton(part), b.id);
        button->setAccessibleName(QString::fromUtf8(b.name));
        button->SetIcons(QString::fromLatin1(b.icon), 32, 32);
        button->SetTooltip(QString::fromUtf8(b.tip));
        button->setFixedSize(38, 38);
        connect(button, &CIconButton::clicked, this, b.action);
        bar->addWidget(button);
    }
    bar->addSpacing(20);
    bar->addWidget(new QLabel(QStringLiteral("Grubość linii"), part));
    m_lineWidth = withId(new QSlider(Qt::Horizontal, part), 1198);
    m_lineWidth->setRange(1, 5);
    m_lineWidth->setPageStep(1);
    m_lineWidth->setFixedWidth(120);
    bar->addWidget(m_lineWidth);
    bar->addStretch(1);
    connect(m_lineWidth, &QSlider::valueChanged, this, [this](int width) {
        m_graph->SetLineWidth(width);
        Replot();
        if (!m_lineWidth->isSliderDown() && width != theApp().settings.nLineThickness) {
            theApp().settings.nLineThickness = width;
            saveSettings();
        }
    });
    connect(m_lineWidth, &QSlider::sliderReleased, this, [this] {
        if (m_lineWidth->value() != theApp().settings.nLineThickness) {
            theApp().settings.nLineThickness = m_lineWidth->value();
            saveSettings();
        }
    });
    column->addLayout(bar);
    return part;
}

QWidget* RecorderBrowser::buildChannelRows()
{
    auto* box = new QGroupBox(QStringLiteral("Wybór danych graficznych:"), this);
    auto* grid = new QGridLayout(box);
    QStringList entries{QStringLiteral("Nie")};
    for (const auto& info : dll_nMeasureInfo)
        entries << fromWide(info.szDescription) + QStringLiteral(", ") + fromWide(info.szName) + QStringLiteral(", ") +
                       fromWide(info.szUnit);
    // Digits with one decimal point or comma: the same in every locale.
    const QRegularExpression number(QStringLiteral("^[0-9]{0,10}([.,][0-9]{0,6})?$"));
    for (int c = 0; c < channelCount; ++c) {
        ChannelRow& row = m_rows[std::size_t(c)];
        row.check = withId(new QCheckBox(QStringLiteral("Kanał %1").arg(c + 1), box), checkIds[c]);
        row.quantity = withId(new QComboBox(box), quantityIds[c]);
        row.quantity->addItems(entries);
        row.quantity->setMaxVisibleItems(20);
        row.max = withId(new QLineEdit(box), maxIds[c]);
        row.max->setValidator(new QRegularExpressionValidator(number, row.max));
        row.max->setFixedWidth(90);
        row.swatch = withId(new CColorRect(box), swatchIds[c]);
        row.swatch->setFixedSize(40, 20);
        grid->addWidget(row.check, c, 0);
        grid->addWidget(row.quantity, c, 1);
        grid->addWidget(new QLabel(QStringLiteral("Max:"), box), c, 2);
        grid->addWidget(row.max, c, 3);
        grid->addWidget(new QLabel(QStringLiteral("Kolor:"), box), c, 4);
        grid->addWidget(row.swatch, c, 5);
        connect(row.quantity, &QComboBox::activated, this, [this, c] { onQuantityChanged(c); });
        connect(row.check, &QCheckBox::clicked, this, [this, c] { onCheckClicked(c); });
        connect(row.swatch, &CColorRect::doubleClicked, this, [this, c] { onSwatchDoubleClicked(c); });
        connect(row.max, &QLineEdit::textEdited, this, [this, c] { onMaxEdited(c); });
    }
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* RecorderBrowser::buildRecordingList()
{
    auto* box = new QGroupBox(QStringLiteral("Lista baz danych"), m_listPart);
    auto* layout = new QGridLayout(box);
    layout->addWidget(new QLabel(QStringLiteral("zrq_db:"), box), 0, 0);
    m_list = withId(new CXDBListCtrl(box), 1169);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    fitColumns(m_list, m_list->horizontalHeader()->length());
    layout->addWidget(m_list, 1, 0, 1, 4);
    auto* refresh = withId(new QPushButton(QStringLiteral("Odśwież"), box), 1183);
    m_deleteButton = withId(new QPushButton(QStringLiteral("Usuń"), box), 1062);
    auto* deleteAll = withId(new QPushButton(QStringLiteral("Usuń wszystkie"), box), 1083);
    m_exportButton = withId(new QPushButton(QStringLiteral("Eksportuj do Excel"), box), 1205);
    m_deleteButton->setEnabled(false);
    m_exportButton->setEnabled(false);
    layout->addWidget(refresh, 2, 0);
    layout->addWidget(m_deleteButton, 2, 1);
    layout->addWidget(deleteAll, 2, 2);
    layout->addWidget(m_exportButton, 2, 3);

    connect(refresh, &QPushButton::clicked, this, &RecorderBrowser::ScanRecordings);
    connect(m_deleteButton, &QPushButton::clicked, this, &RecorderBrowser::DeleteRecording);
    connect(deleteAll, &QPushButton::clicked, this, &RecorderBrowser::DeleteAllRecordings);
    connect(m_exportButton, &QPushButton::clicked, this, [this] {
        if (const QString name = selectedName(); !name.isEmpty())
            ExportRecording(name);
    });
    // However a row is picked (mouse, arrow keys, a screen reader), or the list refilled.
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RecorderBrowser::updateListButtons);
    connect(m_list, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { LoadRecording(m_list->item(row, 0)->text()); });
    connect(m_list, &QWidget::customContextMenuRequested, this, &RecorderBrowser::onListContextMenu);
    return box;
}

QWidget* RecorderBrowser::buildFaultHistory()
{
    auto* box = new QGroupBox(QStringLiteral("Historia awarii"), m_listPart);
    auto* layout = new QVBoxLayout(box);
    m_faults = withId(new QTableWidget(box), 1168);
    setUpReportList(m_faults, {QStringLiteral("Nazwa"), QStringLiteral("###"), QStringLiteral("Czas")}, {290, 70, 60},
                    listAlignments);
    // The description takes the room there is, so "###" and "Czas" always show
    // (the full description is the row's tool tip).
    m_faults->horizontalHeader()->setStretchLastSection(false);
    m_faults->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_faults->horizontalHeader()->setMinimumSectionSize(40);
    m_faults->setWordWrap(false);
    const int timeWidth =
        std::max(60, m_faults->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 14);
    m_faults->setColumnWidth(2, timeWidth);
    fitColumns(m_faults, 70 + timeWidth + 150);
    layout->addWidget(m_faults);
    connect(m_faults, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { GoToFaultAt(row); });
    return box;
}

void RecorderBrowser::applySettings()
{
    // The colour style is the recorder window's (CDataDlg): this widget is hidden there.
    const ProgramSettings& s = theApp().settings;
    const int thickness = std::clamp(s.nLineThickness, 1, 5);
    m_lineWidth->blockSignals(true);
    m_lineWidth->setValue(thickness);
    m_lineWidth->blockSignals(false);
    m_graph->SetLineWidth(thickness);
    for (int c = 0; c < channelCount; ++c) {
        m_rows[std::size_t(c)].swatch->SetColor(ColorRef(s.crGraphLine[c]));
        m_graph->SetChannelColor(c, s.crGraphLine[c]);
    }
    m_graph->SetMaxima({});
    m_graph->SetMinima({});
    m_graph->SetDivisors({1, 1, 1, 1, 1});
    m_graph->SetMode(CGraphMix::GRAPH_MODE_ZOOM);
    for (int c = 0; c < channelCount; ++c) {
        ChannelRow& row = m_rows[std::size_t(c)];
        const int listIndex = s.nGraphQuantity[c];
        row.quantity->setCurrentIndex(listIndex >= 0 && listIndex < row.quantity->count() ? listIndex : 0);
        row.max->setText(QStringLiteral("0"));
        row.check->setChecked(s.bGraphVisible[c] != 0);
        onCheckClicked(c); // visibility and the edit's enabling follow the stored box
    }
}

channels::Quantities RecorderBrowser::quantities() const
{
    channels::Quantities q{};
    for (int c = 0; c < channelCount; ++c)
        q[std::size_t(c)] = channels::quantityOfListIndex(m_rows[std::size_t(c)].quantity->currentIndex());
    return q;
}

void RecorderBrowser::saveSettings()
{
    theApp().SaveSettings(); // a failed save keeps the live record; nothing to tell here
}

QString RecorderBrowser::recordingPath(const QString& name) const
{
    return QDir(m_folder).filePath(name);
}

// ---- Loading and plotting ----

void RecorderBrowser::LoadRecording(const QString& name)
{
    m_seriesTimesValid = false;
    window()->setWindowTitle(windowCaption);
    // The new day is decoded into the old one's storage: one day in memory at a time.
    DbFileContents day = ReadDbFile(QFile::encodeName(recordingPath(name)).toStdString(), std::move(m_records));
    m_records.clear();
    if (day.status == DbReadStatus::OpenFailed || day.status == DbReadStatus::ReadFailed)
        return;
    if (day.status != DbReadStatus::Ok) {
        ShowMessage(this, QMessageBox::Warning, QStringLiteral("Błąd"),
                    QStringLiteral("Plik \"") + name + QStringLiteral("\" jest uszkodzony."));
        return;
    }
    m_records = std::move(day.records);
    FillFaultHistory();
    AutoScale({true, true, true, true, true});
    Replot();
    m_graph->SetTitle(QStringLiteral("Plik:") + name);
    m_graph->Redraw();
}

// Times and pen breaks follow the records; a channel's values follow its
// quantity too. Records with a damaged time are left out here: the graph
// skips them anyway, and without them the times can be searched.
void RecorderBrowser::updateSeries()
{
    constexpr int seriesUnbuilt = channels::noQuantity - 1;
    if (!m_seriesTimesValid) {
        m_series = PlotSeries{};
        m_seriesRecords.clear();
        m_seriesQuantities.fill(seriesUnbuilt);
        m_seriesRecords.reserve(m_records.size());
        m_series.seconds.reserve(m_records.size());
        m_series.penBreaks.reserve(m_records.size());
        for (std::size_t i = 0; i < m_records.size(); ++i) {
            const _tagSTRUCT_DATA& r = m_records[i];
            const std::int32_t t = r.stTime.wHour * 3600 + r.stTime.wMinute * 60 + r.stTime.wSecond;
            if (t < 0 || t > std::int32_t(graphmath::fullEnd))
                continue;
            m_seriesRecords.push_back(i);
            m_series.seconds.push_back(t);
            m_series.penBreaks.push_back(i == 0 || r.nLinkState == 0);
        }
        m_series.timeOrdered = std::is_sorted(m_series.seconds.begin(), m_series.seconds.end());
        m_seriesTimesValid = true;
    }
    const channels::Quantities q = quantities();
    for (int c = 0; c < channelCount; ++c) {
        const int quantity = q[std::size_t(c)];
        if (quantity == m_seriesQuantities[std::size_t(c)])
            continue;
        m_seriesQuantities[std::size_t(c)] = quantity;
        auto& values = m_series.values[std::size_t(c)];
        values.clear();
        if (quantity == channels::noQuantity || m_records.empty())
            continue;
        values.reserve(m_seriesRecords.size());
        for (const std::size_t i : m_seriesRecords)
            values.push_back(channels::channelValue(quantity, m_records[i].nValue[std::size_t(quantity)]));
    }
}

void RecorderBrowser::Replot()
{
    updateSeries();
    std::array<QColor, channelCount> colors;
    for (int c = 0; c < channelCount; ++c)
        colors[std::size_t(c)] = m_rows[std::size_t(c)].swatch->GetColor();
    m_graph->PlotChannels(m_series, colors);
    m_graph->Redraw();
}

void RecorderBrowser::AutoScale(std::array<bool, channelCount> which)
{
    const channels::Quantities q = quantities();
    for (int c = 0; c < channelCount; ++c)
        if (which[std::size_t(c)]) {
            m_maxRaw[std::size_t(c)] = m_minRaw[std::size_t(c)] = 0;
            m_maxEditValue[std::size_t(c)] = 0;
            m_maxEdited[std::size_t(c)] = false;
        }
    if (m_records.empty()) {
        m_graph->SetMaxima({});
        m_graph->SetMinima({});
        m_graph->SetDivisors({1, 1, 1, 1, 1});
        showMaxEdits(m_maxEditValue, which);
        return;
    }
    // The scale fits the values the graph draws: the channel series, built once per quantity.
    updateSeries();
    std::array<std::span<const std::int32_t>, channelCount> values;
    channels::Quantities scanned{};
    for (int c = 0; c < channelCount; ++c) {
        scanned[std::size_t(c)] = which[std::size_t(c)] ? q[std::size_t(c)] : channels::noQuantity;
        if (scanned[std::size_t(c)] != channels::noQuantity)
            values[std::size_t(c)] = m_series.values[std::size_t(c)];
    }
    const channels::AutoScaleResult own = channels::autoScale(values, scanned);
    for (int c = 0; c < channelCount; ++c)
        if (which[std::size_t(c)]) {
            // The channel's own extremes (autoScale's maxima are grouped among the scanned only).
            std::int32_t max = 0, min = 0;
            for (const std::int32_t v : values[std::size_t(c)]) {
                max = std::max(max, v);
                min = std::min(min, v);
            }
            m_maxRaw[std::size_t(c)] = max;
            m_minRaw[std::size_t(c)] = min;
            m_maxEditValue[std::size_t(c)] = own.editValues[std::size_t(c)];
        }
    GroupMaxima();
    showMaxEdits(m_maxEditValue, which);
    handScaleToGraph();
}

void RecorderBrowser::GroupMaxima()
{
    channels::groupMaxima(m_maxRaw, quantities());
}

void RecorderBrowser::handScaleToGraph()
{
    const channels::Quantities q = quantities();
    CGraphMix::Channels divisors{};
    for (int c = 0; c < channelCount; ++c)
        divisors[std::size_t(c)] = channels::divisorOf(q[std::size_t(c)]);
    m_graph->SetMaxima(m_maxRaw);
    m_graph->SetMinima(m_minRaw);
    m_graph->SetDivisors(divisors);
}

void RecorderBrowser::showMaxEdits(const std::array<float, channelCount>& values,
                                   std::array<bool, channelCount> which)
{
    for (int c = 0; c < channelCount; ++c)
        if (which[std::size_t(c)]) {
            m_rows[std::size_t(c)].max->setText(channels::maxText(values[std::size_t(c)]));
            paintMaxEdit(c);
        }
}

void RecorderBrowser::paintMaxEdit(int channel)
{
    QLineEdit* edit = m_rows[std::size_t(channel)].max;
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, m_maxEdited[std::size_t(channel)] ? editHighlight
                                                                       : this->palette().color(QPalette::Base));
    edit->setPalette(palette);
}

// ---- Channel rows ----

void RecorderBrowser::onQuantityChanged(int channel)
{
    ChannelRow& row = m_rows[std::size_t(channel)];
    m_graph->SetChannelVisible(channel, true);
    std::array<bool, channelCount> only{};
    only[std::size_t(channel)] = true;
    AutoScale(only);
    Replot();
    row.check->setChecked(true);
    row.check->show();
    onCheckClicked(channel);
    const int listIndex = row.quantity->currentIndex();
    if (listIndex != theApp().settings.nGraphQuantity[channel]) {
        theApp().settings.nGraphQuantity[channel] = listIndex;
        saveSettings();
    }
}

void RecorderBrowser::onCheckClicked(int channel)
{
    ChannelRow& row = m_rows[std::size_t(channel)];
    const bool checked = row.check->isChecked();
    m_graph->SetChannelVisible(channel, checked);
    m_graph->Redraw();
    row.max->setEnabled(checked && row.quantity->currentIndex() > 0);
    if (int(checked) != theApp().settings.bGraphVisible[channel]) {
        theApp().settings.bGraphVisible[channel] = checked;
        saveSettings();
    }
}

void RecorderBrowser::onSwatchDoubleClicked(int channel)
{
    CColorRect* swatch = m_rows[std::size_t(channel)].swatch;
    if (!swatch->ChooseColor())
        return;
    const ColorRef color = swatch->GetColorRef();
    m_graph->SetChannelColor(channel, color);
    Replot();
    if (color != theApp().settings.crGraphLine[channel]) {
        theApp().settings.crGraphLine[channel] = color;
        saveSettings();
    }
}

void RecorderBrowser::onMaxEdited(int channel)
{
    QLineEdit* edited = m_rows[std::size_t(channel)].max;
    if (edited->text().isEmpty())
        edited->setText(QStringLiteral("0"));
    const channels::Quantities q = quantities();
    for (int c = 0; c < channelCount; ++c) {
        const std::optional<double> value = channels::parseMaxText(m_rows[std::size_t(c)].max->text());
        if (!value)
            return; // the validator admits only numbers; keep the previous values otherwise
        m_maxEditValue[std::size_t(c)] = float(*value);
        if (q[std::size_t(c)] != channels::noQuantity)
            m_maxRaw[std::size_t(c)] = channels::rawMaxOf(*value, channels::divisorOf(q[std::size_t(c)]));
    }
    if (q[std::size_t(channel)] != channels::noQuantity) {
        GroupMaxima();
        m_graph->SetMaxima(m_maxRaw);
        Replot();
        m_maxEdited[std::size_t(channel)] = true;
    } else {
        m_maxEdited[std::size_t(channel)] = false;
    }
    paintMaxEdit(channel);
}

// ---- Recordings list ----

QString RecorderBrowser::selectedName() const
{
    const QList<QTableWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return {};
    return m_list->item(selected.first()->row(), 0)->text();
}

void RecorderBrowser::updateListButtons()
{
    const bool any = !m_list->selectedItems().isEmpty();
    m_exportButton->setEnabled(any && !m_export.running());
    m_deleteButton->setEnabled(any);
}

void RecorderBrowser::ScanRecordings()
{
    m_list->setRowCount(0);
    int order = 0;
    for (const recordings::ScannedFile& file : recordings::scanFolder(m_folder)) {
        using Kind = recordings::ScannedFile::Kind;
        if (file.kind == Kind::Listed) {
            appendRow(m_list, {file.name, file.dateText, file.timeText}, order++, listAlignments);
            continue;
        }
        // The list is scanned at every file release, midnight included: a kept
        // file is asked about once per run, not every night on an unattended PC.
        if (m_askedToDelete.contains(file.name))
            continue;
        m_askedToDelete.insert(file.name);
        const QString text = file.kind == Kind::OtherVersion
                                 ? QStringLiteral("Plik \"") + file.name +
                                       QStringLiteral("\" nie odpowiada bieżącej wersji programu. Usunąć?")
                                 : QStringLiteral("Plik \"") + file.name + QStringLiteral("\" jest uszkodzony. Usunąć?");
        if (ShowMessage(this, QMessageBox::Critical, QStringLiteral("Błąd"), text,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes)
            removeRecordingFile(file.name);
    }
    m_list->SortByDate();
}

DbRemoveStatus RecorderBrowser::removeRecordingFile(const QString& name)
{
    const QString path = recordingPath(name);
    // Unlinking a file a recorder holds would succeed and lose the day's
    // records from then on. RemoveDbFile asks for the writers' lock; this
    // program's own recorder is also known by its file (on a file system
    // without locks).
    if (m_heldFile) {
        const std::optional<recordings::FileIdentity> held = m_heldFile();
        if (held && recordings::identityOf(path) == held)
            return DbRemoveStatus::BeingRecorded;
    }
    return RemoveDbFile(QFile::encodeName(path).toStdString());
}

bool RecorderBrowser::deleteListedRecording(int row)
{
    const QString name = m_list->item(row, 0)->text();
    const DbRemoveStatus status = removeRecordingFile(name);
    if (status == DbRemoveStatus::Removed) {
        m_list->removeRow(row);
        return true;
    }
    QString text = QStringLiteral("Usunięcie pliku nie powiodło się") + name;
    if (status == DbRemoveStatus::BeingRecorded)
        text += QStringLiteral("\r\nPlik jest w tej chwili zapisywany (trwa zapis danych).");
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("Błąd usunięcia"), text);
    return false;
}

void RecorderBrowser::DeleteRecording()
{
    const QList<QTableWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = selected.first()->row();
    const QString name = m_list->item(row, 0)->text();
    const QString question = QStringLiteral("Plik \"%1\" z dnia %2 zostanie usunięty\r\nPo usunięciu dane zostaną "
                                            "bezpowrotnie utracone. Czy na pewno chcesz usunąć?")
                                 .arg(name, m_list->item(row, 1)->text());
    if (ShowMessage(this, QMessageBox::Warning, QStringLiteral("Usuwanie baz danych"), question,
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    deleteListedRecording(row);
}

void RecorderBrowser::DeleteAllRecordings()
{
    if (ShowMessage(this, QMessageBox::Warning, QStringLiteral("Uwaga"),
                    QStringLiteral("WSZYSTKIE bazy danych zostaną usunięte.\r\nPo usunięciu dane zostaną bezpowrotnie "
                                   "utracone. Czy na pewno chcesz usunąć?"),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    for (int row = m_list->rowCount() - 1; row >= 0; --row)
        deleteListedRecording(row);
}

void RecorderBrowser::onListContextMenu(const QPoint& position)
{
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    QMenu menu(this);
    QAction* refresh = menu.addAction(QStringLiteral("Odśwież"));
    QAction* remove = menu.addAction(QStringLiteral("Usuń"));
    menu.addSeparator();
    QAction* toTable = menu.addAction(QStringLiteral("Prześlij dane do Excel"));
    QAction* chosen = menu.exec(m_list->viewport()->mapToGlobal(position));
    if (chosen == refresh)
        ScanRecordings();
    else if (chosen == remove)
        DeleteRecording();
    else if (chosen == toTable)
        ExportRecording(name);
}

// ---- Fault history ----

void RecorderBrowser::FillFaultHistory()
{
    m_faults->setRowCount(0);
    if (m_records.empty())
        return;
    for (const recordings::FaultStart& start : recordings::faultStarts(m_records)) {
        const _tagSTRUCT_ERR_INFO& info = dll_nErrInfo[start.fault];
        appendRow(m_faults, {fromWide(info.szDescription), fromWide(info.szName), start.time}, start.fault,
                  listAlignments);
        m_faults->item(m_faults->rowCount() - 1, 0)->setToolTip(fromWide(info.szDescription));
    }
}

void RecorderBrowser::GoToFaultAt(int row)
{
    const QTableWidgetItem* item = m_faults->item(row, 2);
    if (!item)
        return;
    const std::optional<recordings::TimeOfDay> time = recordings::parseTimeOfDay(item->text());
    if (!time)
        return;
    m_graph->GoToTime(time->hour, time->minute, time->second); // replots through replotRequested
}

// ---- Export ----

void RecorderBrowser::ExportRecording(const QString& name)
{
    if (m_export.running())
        return;
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Excel files (*.xlsx)"), QStringLiteral("CSV (*.csv)")});
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    dialog.selectFile(ExportJob::suggestedName(name) + QStringLiteral(".xlsx"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter.contains(QStringLiteral("csv")) ? QStringLiteral("csv") : QStringLiteral("xlsx"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ExportRecordingTo(name, dialog.selectedFiles().first());
}

void RecorderBrowser::ExportRecordingTo(const QString& name, const QString& target)
{
    if (m_export.running())
        return;
    m_exportName = name;
    m_exportTarget = target;
    m_exportTargetExisted = QFileInfo::exists(target);
    m_exportButton->setEnabled(false);
    m_progress = new QProgressDialog(QStringLiteral("Zapis pliku ") + QFileInfo(target).fileName() + QStringLiteral("..."),
                                     QStringLiteral("Anuluj"), 0, 100, this);
    m_progress->setWindowTitle(windowCaption);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(400);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    connect(m_progress, &QProgressDialog::canceled, &m_export, &ExportJob::cancel);
    connect(&m_export, &ExportJob::progress, m_progress, [this](qint64 done, qint64 total) {
        if (m_progress && total > 0)
            m_progress->setValue(int(done * 100 / total));
    });
    m_export.start(recordingPath(name), target);
}

void RecorderBrowser::onExportFinished(const ExportJob::Outcome& outcome)
{
    if (m_progress) {
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    updateListButtons();
    const QString keptNote = m_exportTargetExisted ? QStringLiteral("\r\n\r\nIstniejący plik nie został zmieniony.")
                                                   : QString();
    switch (outcome.readStatus) {
    case DbReadStatus::Ok:
        break;
    case DbReadStatus::OpenFailed:
    case DbReadStatus::ReadFailed:
        ShowMessage(this, QMessageBox::Critical, windowCaption, QStringLiteral("Nie można otworzyć pliku bazy danych."));
        emit exportFinished(outcome);
        return;
    case DbReadStatus::TooShort:
    case DbReadStatus::WrongFormat:
        ShowMessage(this, QMessageBox::Warning, QStringLiteral("Błąd"),
                    QStringLiteral("Plik \"") + m_exportName + QStringLiteral("\" jest uszkodzony."));
        emit exportFinished(outcome);
        return;
    }
    switch (outcome.table.outcome) {
    case exporting::Outcome::Written:
        if (ShowMessage(this, QMessageBox::Information, windowCaption,
                        QStringLiteral("Zapis pliku zakończony sukcesem.\r\nCzy chcesz otworzyć ten plik?"),
                        QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes &&
            m_openFile)
            m_openFile(m_exportTarget);
        break;
    case exporting::Outcome::Failed:
        ShowMessage(this, QMessageBox::Warning, windowCaption,
                    QStringLiteral("Nie można utworzyć pliku.\r\n('%1')\r\n\r\n%2:\r\n%3")
                            .arg(m_exportTarget, outcome.table.errorSource, outcome.table.errorDescription) +
                        keptNote);
        break;
    case exporting::Outcome::Cancelled:
        ShowMessage(this, QMessageBox::Information, windowCaption,
                    QStringLiteral("Zapis pliku przerwany.") + keptNote);
        break;
    }
    emit exportFinished(outcome);
}
