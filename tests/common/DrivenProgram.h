// SPDX-License-Identifier: MIT
// The real program (cpl_zrq7) worked by an operator library preloaded into it
// (LD_PRELOAD): offscreen in the test's private home, a short splash, its
// message boxes answered into `messageLog`, which the driver writes its steps to.
#pragma once

#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <utility>

namespace zrq7::test {

// Starts the program with `driver` preloaded and `settings` ("NAME", "value")
// added to the test's environment, and waits up to `timeoutMs` for it to end
// (it is killed after that). True when it ended by itself; `program` then
// holds its exit status and code.
bool runDrivenProgram(QProcess& program, const QString& driver, const QString& messageLog,
                      const QList<std::pair<QString, QString>>& settings, int timeoutMs);

// The lines of the message log so far (none when it does not exist yet).
QStringList messageLogLines(const QString& messageLog);

} // namespace zrq7::test
