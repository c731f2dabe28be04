// SPDX-License-Identifier: MIT
// The sd_notify wrapper against a private NOTIFY_SOCKET (a datagram socket the
// test binds, standing in for systemd), and without one.
#include "SystemdNotify.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace zrq7rec;

namespace {

// A bound AF_UNIX datagram socket at a path, as systemd's notify socket.
class NotifySocket
{
public:
    explicit NotifySocket(const QString& path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
        m_bound = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() { ::close(m_fd); }
    bool bound() const { return m_bound; }

    // The next datagram, or "" when none arrives within timeoutMs.
    QByteArray receive(int timeoutMs = 2000)
    {
        pollfd ready{m_fd, POLLIN, 0};
        if (::poll(&ready, 1, timeoutMs) != 1)
            return {};
        char buffer[256];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
    }

private:
    int m_fd = -1;
    bool m_bound = false;
};

} // namespace

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
