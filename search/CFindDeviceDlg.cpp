// SPDX-License-Identifier: MIT
#include "CFindDeviceDlg.h"

#include "MessageBox.h"
#include "SearchThread.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString startText = QStringLiteral("Rozpocznij\nwyszukiwanie");
const QString stopText = QStringLiteral("Zatrzymaj\nwyszukiwanie");

// Multi-line texts come with CR LF; a text box wants one line break each.
QString plainLines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QPushButton* makeButton(QWidget* parent, int id, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QStringLiteral("id%1").arg(id));
    button->setAutoDefault(false);
    button->setMinimumHeight(44);
    return button;
}

} // namespace

CFindDeviceDlg::CFindDeviceDlg(Setup setup, QWidget* owner)
    : QDialog(owner), m_setup(std::move(setup)), m_result(devicesearch::defaultResult()),
      m_search(new SearchThread(m_setup.link, m_setup.range, this))
{
    setObjectName(QStringLiteral("id201"));
    setWindowTitle(QStringLiteral("Wyszukiwanie ZRQ-7/8..."));
    buildControls();
    applyColours();
    connect(m_search, &SearchThread::progress, this, &CFindDeviceDlg::onProgress);
    connect(m_search, &SearchThread::found, this, &CFindDeviceDlg::onFound);
    connect(m_search, &SearchThread::finished, this, &CFindDeviceDlg::onFinished);
    connect(m_startStop, &QPushButton::clicked, this, &CFindDeviceDlg::onStartStop);
    connect(m_accept, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CFindDeviceDlg::reject);
    m_list->viewport()->installEventFilter(this);
}

CFindDeviceDlg::~CFindDeviceDlg()
{
    stopAndWait();
}

void CFindDeviceDlg::buildControls()
{
    m_explanation =
        new QLabel(plainLines(QStringLiteral("Dane oprogramowanie narzędziowe wyszukuje podłączone "
                                             "urządzenia ZRQ-7/8 na dostępnych portach COM "
                                             "komputera.\r\nPrzed rozpoczęciem wyszukiwania upewnij się, że "
                                             "urządzenia są podłączone, a komunikacja z "
                                             "urządzeniem jest dozwolona.")),
                   this);
    m_explanation->setWordWrap(true);

    m_progress = new QPlainTextEdit(QStringLiteral("Aby zacząć wyszukiwanie, naciśnij przycisk..."), this);
    m_progress->setObjectName(QStringLiteral("id1146"));
    m_progress->setReadOnly(true);
    m_progress->setFixedHeight(m_progress->fontMetrics().lineSpacing() * 3 + 12);

    m_startStop = makeButton(this, 1063, startText);
    m_listCaption = new QLabel(QStringLiteral("Znalezione urządzenia:"), this);

    m_list = new QTableWidget(0, 4, this);
    m_list->setObjectName(QStringLiteral("id1219"));
    m_list->setHorizontalHeaderLabels({QStringLiteral("Port"), QStringLiteral("Nazwa"), QStringLiteral("ID"),
                                       QStringLiteral("Ustawienia")});
    const int widths[] = {40, 130, 30, 120};
    const double scale = logicalDpiX() / 96.0 * 1.5;
    for (int column = 0; column < 4; ++column)
        m_list->setColumnWidth(column, int(widths[column] * scale));
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);

    m_accept = makeButton(this, 1221, QStringLiteral("Połącz się z tym\nurządzeniem"));
    m_accept->setEnabled(false);
    m_cancel = makeButton(this, 1140, QStringLiteral("Anuluj"));

    auto* top = new QHBoxLayout;
    top->addWidget(m_progress, 1);
    top->addWidget(m_startStop);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_accept);
    bottom->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_explanation);
    layout->addLayout(top);
    layout->addWidget(m_listCaption);
    layout->addWidget(m_list, 1);
    layout->addLayout(bottom);
    resize(560, 420);
}

void CFindDeviceDlg::applyColours()
{
    const DeviceSearchColours& c = m_setup.colours;
    QPalette window = palette();
    window.setColor(QPalette::Window, c.background);
    window.setColor(QPalette::WindowText, c.text);
    setPalette(window);
    setAutoFillBackground(true);

    QPalette edit = m_progress->palette();
    edit.setColor(QPalette::Base, c.background);
    edit.setColor(QPalette::Text, c.value);
    m_progress->setPalette(edit);

    QPalette list = m_list->palette();
    list.setColor(QPalette::Base, m_setup.listBackground);
    list.setColor(QPalette::Text, m_setup.listText);
    m_list->setPalette(list);
}

bool CFindDeviceDlg::isSearching() const
{
    return m_search->isRunning();
}

void CFindDeviceDlg::onStartStop()
{
    if (m_search->isRunning()) {
        m_search->stop(); // the thread ends before its next exchange and says so
        return;
    }
    m_startStop->setEnabled(false);
    if (ShowMessage(this, QMessageBox::Warning, QStringLiteral("Ostrzeżenie"),
                    QStringLiteral("Proces ten może potrwać ponad 5 minut. Czy chcesz kontynuować?"),
                    QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        m_startStop->setEnabled(true);
        return;
    }
    // The window's searching state, set before the thread can report anything.
    m_accept->setEnabled(false);
    m_cancel->setEnabled(false);
    m_startStop->setText(stopText);
    m_list->setRowCount(0);
    if (!m_search->start(m_setup.retries)) {
        showIdle();
        ShowMessage(this, QMessageBox::Critical, QStringLiteral("Błąd"),
                    QStringLiteral("Nie można uruchomić strumienia wyszukiwania urządzenia"));
        return;
    }
    m_startStop->setEnabled(true);
}

void CFindDeviceDlg::onProgress(const QString& text)
{
    m_progress->setPlainText(plainLines(text));
}

void CFindDeviceDlg::onFound(const devicesearch::FoundDevice& device)
{
    m_list->insertRow(0);
    const QStringList cells = device.cells();
    for (int column = 0; column < cells.size(); ++column) {
        auto* item = new QTableWidgetItem(cells[column]);
        item->setTextAlignment(column == 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        m_list->setItem(0, column, item);
    }
}

void CFindDeviceDlg::showIdle()
{
    m_accept->setEnabled(false);
    m_cancel->setEnabled(true);
    m_startStop->setText(startText);
    m_startStop->setEnabled(true);
}

void CFindDeviceDlg::onFinished()
{
    m_search->wait();
    showIdle();
    m_progress->setPlainText(plainLines(
        QStringLiteral("Wyszukiwanie zakończone. Dostępne urządzenia\r\nsą wymienione w liście poniżej.")));
}

void CFindDeviceDlg::onListClick()
{
    const QList<QTableWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        m_accept->setEnabled(false);
        m_result = devicesearch::defaultResult();
        return;
    }
    const int row = selected.constFirst()->row();
    const auto cell = [this, row](int column) {
        const QTableWidgetItem* item = m_list->item(row, column);
        return item ? item->text() : QString();
    };
    m_result = devicesearch::resultFromRow(cell(0), cell(2), cell(3));
    // A row is taken over only while no search runs.
    m_accept->setEnabled(!m_search->isRunning());
}

bool CFindDeviceDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // A click beside the rows leaves nothing selected.
        if (!m_list->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
            m_list->clearSelection();
        onListClick();
    }
    return QDialog::eventFilter(watched, event);
}

void CFindDeviceDlg::reject()
{
    stopAndWait();
    QDialog::reject();
}

void CFindDeviceDlg::stopAndWait()
{
    m_search->stop();
    m_search->wait();
}
