// SPDX-License-Identifier: MIT
// The real program (cpl_zrq7) as a process of an end-to-end test: offscreen in
// the test's private home, a short splash, its message boxes answered into a
// log of its own. It inherits the test's environment, sanitizer options
// included. Killed (SIGKILL) when the object goes.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace zrq7::e2e {

class ProgramProcess
{
public:
    // `environment`: more "NAME=value" settings for this copy.
    explicit ProgramProcess(const QString& logPath, const QStringList& arguments = {},
                            const QStringList& environment = {});
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool started();
    bool running() const { return m_process.state() == QProcess::Running; }
    // SIGKILL, as a power cut or the OOM killer would end it.
    void kill();
    // The message log so far: "<icon>|<caption>|<text>" lines, shown windows as "window|...".
    QString messages() const;
    // Waits until the main window is shown; false when the program ends first or 20 s pass.
    bool reachesMainWindow();

    static QString program(); // $ZRQ7_BIN_DIR/cpl_zrq7

private:
    QString m_log;
    QProcess m_process;
};

// Writes the profile in $XDG_CONFIG_HOME with zrq7_demo_profile's options
// (e.g. {"--tcp", "127.0.0.1:5020", "--record", "1"}).
bool writeProfile(const QStringList& arguments);

} // namespace zrq7::e2e
