// SPDX-License-Identifier: MIT
// Ends a helper process the test started: a polite SIGTERM first, so it can
// remove its links and close its ports, then SIGKILL if it does not go.
#pragma once

#include <QProcess>

namespace zrq7::test {

inline void stopProcess(QProcess& process, int timeoutMs = 5000)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(timeoutMs);
    }
}

} // namespace zrq7::test
