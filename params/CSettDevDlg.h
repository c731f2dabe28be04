// SPDX-License-Identifier: MIT
#pragma once

#include "ParameterTransfer.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <functional>

class CWaitDlg;
class ParameterGridModel;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeView;

// What the window is opened with: the firmware version its table is built
// for, whether a relay is connected (transfers, clock and restart only then),
// and the relay's link as the program settings name it at the time of a
// transfer (address and retries).
struct ParametersWindowContext
{
    int firmwareVersion = 15;
    bool online = false;
    std::function<RegisterLink()> link;
};

// The device parameters window "Parametry ZRQ-7/8": the relay's settings in a
// grid with range checks, read from and written to the relay, saved to and
// loaded from parameter files, the factory values, the relay's clock and its
// restart. Non-modal; the main window keeps polling and painting meanwhile.
// Every exchange runs on ParameterTransfer's thread; while one runs the
// window takes no edits, file commands, factory restore or close.
class CSettDevDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CSettDevDlg(ParametersWindowContext context, QWidget* parent = nullptr);
    ~CSettDevDlg() override;

    static QString windowTitleText() { return QStringLiteral("Parametry ZRQ-7/8"); }

    // Enter and Esc do nothing.
    void accept() override {}
    void reject() override {}

    ParameterGridModel& model() { return *m_model; }
    QTreeView* grid() const { return m_grid; }
    // Opened with a relay connected.
    bool isOnline() const { return m_context.online; }
    // Opened online and the link it was opened with is still open: transfers,
    // clock and restart work only then.
    bool hasLink() const { return m_context.online && !m_linkClosed; }
    bool isTransferRunning() const { return m_transfer.isRunning(); }
    // Ends a running transfer at its next register and waits for the exchange in
    // progress (the program ends).
    void stopTransfer();
    // The program closes (its question was asked): the window goes from the
    // screen at once and tells nothing more; a running transfer is asked to end
    // at its next register, without waiting (the destructor joins it).
    void endWithProgram();
    // The link this window was opened with is about to close: a running transfer
    // is asked to end at its next register (and says it was interrupted), and
    // transfers, clock and restart stay off for good; editing and files go on.
    // The link is closed only once the returned use has ended, after the
    // transfer's exchange in progress. Returns at once.
    std::shared_ptr<LinkUse> linkClosing();
    // The closing question: with unsaved changes, asks whether to close anyway.
    // True when the window may go; nothing is stopped either way.
    bool confirmClose();

    // ---- Commands (the buttons; the file commands ask for the path first) ----
    void ReadAllParameters();
    void WriteAllParameters();
    void SaveParameterFile();
    void LoadParameterFile();
    void SaveParameterFile(const QString& path);
    void LoadParameterFile(const QString& path);
    void RestoreFactoryValues(); // with its question
    void SynchronizeDeviceClock();
    void RestartDevice(); // with its question

    // Tests choose files without the file dialog: (save, proposed name) -> path or "".
    using FileChooser = std::function<QString(bool save, const QString& proposedName)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

signals:
    // A transfer ended and its message (if any) was answered.
    void transferFinished(ParameterTransfer::Kind kind, int failures, bool cancelled, int code);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void applyColors();
    void setBusy(bool busy);
    std::vector<TransferRegister> transferRegisters(bool onlyPending) const;
    void onQuestion(quint64 id, const QString& text);
    void onFinished(ParameterTransfer::Kind kind, int failures, bool cancelled, int code);
    void onRegisterSkipped(int group, int row);
    void showDescription(const QModelIndex& current);
    QString chooseFile(bool save, const QString& proposedName);
    void showWait(const QString& caption, const QString& text);

    ParametersWindowContext m_context;
    ParameterGridModel* m_model;
    QTreeView* m_grid = nullptr;
    QLabel* m_description = nullptr;
    QProgressBar* m_progress = nullptr;
    QCheckBox* m_onlyChanged = nullptr;
    // Every button of the window; of those, the ones that work only with the
    // link (read all, write all, clock, restart).
    QList<QPushButton*> m_buttons;
    QList<QPushButton*> m_relayButtons;
    QPointer<CWaitDlg> m_wait;
    ParameterTransfer m_transfer;
    ParameterTransfer::Kind m_runningKind = ParameterTransfer::Kind::ReadAll;
    bool m_closing = false;
    bool m_linkClosed = false; // see linkClosing()
    FileChooser m_chooseFile;
};
