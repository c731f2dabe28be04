// SPDX-License-Identifier: MIT
// The sd_notify wrapper against a private NOTIFY_SOCKET (a datagram socket the
// test binds, standing in for systemd), and without one.
#include "NotifySocket.h"
#include "SystemdNotify.h"

#include <QTemporaryDir>
#include <QTest>

using namespace zrq7rec;
using zrq7::test::NotifySocket;

class tst_SystemdNotify : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void withoutSystemd();
    void statesReachTheSocket();
    void watchdogInterval();
};

void tst_SystemdNotify::cleanup()
{
    qunsetenv("NOTIFY_SOCKET");
    qunsetenv("WATCHDOG_USEC");
    qunsetenv("WATCHDOG_PID");
}

void tst_SystemdNotify::withoutSystemd()
{
    QVERIFY(!systemd::notifyReady());
    QVERIFY(!systemd::notifyWatchdog());
    QVERIFY(!systemd::notifyStopping());
    QVERIFY(!systemd::watchdogInterval());
}

void tst_SystemdNotify::statesReachTheSocket()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notify"));
    NotifySocket socket(path);
    QVERIFY(socket.bound());
    qputenv("NOTIFY_SOCKET", QFile::encodeName(path));

    QVERIFY(systemd::notifyReady());
    QCOMPARE(socket.receive(), QByteArray("READY=1"));
    // The watchdog is fed again and again: the variable must survive each call.
    QVERIFY(systemd::notifyWatchdog());
    QCOMPARE(socket.receive(), QByteArray("WATCHDOG=1"));
    QVERIFY(systemd::notifyWatchdog());
    QCOMPARE(socket.receive(), QByteArray("WATCHDOG=1"));
    QVERIFY(systemd::notifyStopping());
    QCOMPARE(socket.receive(), QByteArray("STOPPING=1"));
    QCOMPARE(qgetenv("NOTIFY_SOCKET"), QFile::encodeName(path));
}

void tst_SystemdNotify::watchdogInterval()
{
    qputenv("WATCHDOG_USEC", "30000000");
    qputenv("WATCHDOG_PID", QByteArray::number(::getpid()));
    QCOMPARE(systemd::watchdogInterval(), std::optional(std::chrono::microseconds(30000000)));
    // Meant for another process (a child of the service, say): not ours to feed.
    qputenv("WATCHDOG_PID", QByteArray::number(::getpid() + 1));
    QVERIFY(!systemd::watchdogInterval());
    qunsetenv("WATCHDOG_PID");
    QCOMPARE(systemd::watchdogInterval(), std::optional(std::chrono::microseconds(30000000)));
}

QTEST_GUILESS_MAIN(tst_SystemdNotify)
#include "tst_systemd_notify.moc"
