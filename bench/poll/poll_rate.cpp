// SPDX-License-Identifier: MIT
// zrq7_bench_poll: the panel polling a relay on a 19200 bit/s RTU line, against
// what the line itself can carry.
//
// The main window (offscreen) connects through the connection manager and the
// link library to zrq7sim on a pseudo-terminal; the simulator holds every answer
// back as long as a real line would take (line-speed emulation), with no reply
// delay of its own. Over the measuring time the bench counts the poll's
// requests and the bytes they put on the line, and prints:
//   - the line's limit for one full rotation of the poll (12 cycles: 84
//     requests), from the RTU frame sizes, characters of 11 bits (8 data bits,
//     no parity, 2 stop bits) and a silence of 3.5 characters after each frame;
//   - the rotations per second achieved and their ratio to that limit (goal
//     at least 0.95);
//   - the process's CPU time (all its threads: window, poll, link library) as a
//     share of one core (goal at most 1 %).
//   zrq7_bench_poll [--seconds N] [--warmup N] [--hidden]
// --hidden leaves the window unshown, so nothing is painted: the poll, the
// display queue and the controls' stores alone.

#include "CCPL_ZRQ7App.h"
#include "CCPL_ZRQ7Dlg.h"
#include "ConnectionManager.h"
#include "PollBlocks.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int baud = 19200;
constexpr double bitsPerCharacter = 1 + 8 + 2; // start, 8 data bits, no parity, 2 stop bits
constexpr double frameSilence = 3.5;           // characters of silence that end an RTU frame

// RTU function 03: request address, function, register, count, CRC; answer
// address, function, byte count, data, CRC.
constexpr int requestBytes = 8;
constexpr int answerBytes(int registers)
{
    return 5 + 2 * registers;
}

// Wire time of one exchange: request, the silence that ends it, the answer, and
// (on a real line) the silence that ends the answer before the next request.
// The simulator holds answers back for the first three only.
double exchangeSeconds(int registers, int silences = 2)
{
    return (requestBytes + answerBytes(registers) + silences * frameSilence) * bitsPerCharacter / baud;
}

struct Rotation
{
    int requests = 0;
    double seconds = 0; // on the line
};

// One full rotation: the fast group in each of 12 cycles, the medium group in 4, the slow group in 1.
Rotation fullRotation(int silences)
{
    using pollcycle::Block;
    const auto group = [silences](std::initializer_list<Block> blocks, int times, Rotation& r) {
        for (Block b : blocks) {
            r.requests += times;
            r.seconds += times * exchangeSeconds(int(pollcycle::blockSpec(b).count), silences);
        }
    };
    Rotation r;
    group({Block::A, Block::B, Block::C, Block::D, Block::E}, 12, r);
    group({Block::F, Block::G, Block::H, Block::I, Block::J}, 4, r);
    group({Block::K, Block::L, Block::M, Block::N}, 1, r);
    return r;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds of each thread of the process, by thread name.
QMap<QString, double> threadCpuSeconds()
{
    QMap<QString, double> byName;
    const double tick = double(sysconf(_SC_CLK_TCK));
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(tid + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        // After the name: state is field 3 of stat(5), utime 14 and stime 15.
        const double cpu = (fields.value(11).toDouble() + fields.value(12).toDouble()) / tick;
        // The process's first thread runs the window; the others are the poll and the link library.
        const QString role =
            tid.toLongLong() == getpid() ? QStringLiteral("window") : QStringLiteral("worker");
        byName[role + QLatin1Char(' ') + QString::fromUtf8(line.mid(open + 1, close - open - 1)) +
               QLatin1Char('#') + tid] = cpu;
    }
    return byName;
}

struct Counters
{
    std::atomic<int> requests{0};
    std::atomic<int> failed{0};
};

} // namespace

int main(int argc, char* argv[])
{
    // A private home, so the window's settings never touch a real profile.
    QTemporaryDir home;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "ZRQ7_PORTS"}) {
        const QString dir = home.filePath(QString::fromLatin1(name));
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(name, dir.toUtf8());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 20;
    int warmup = 3;
    const QStringList args = app.arguments();
    bool hidden = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = args[++i].toInt();
        else if (args[i] == QLatin1String("--warmup") && i + 1 < args.size())
            warmup = args[++i].toInt();
        else if (args[i] == QLatin1String("--hidden"))
            hidden = true;
    }

    const QString port = qEnvironmentVariable("ZRQ7_PORTS") + QStringLiteral("/COM5");
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/zrq7sim"),
              {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--pty"), port,
               QStringLiteral("--rtu"), QStringLiteral("--baud"), QString::number(baud),
               QStringLiteral("--stop-bits"), QStringLiteral("2"), QStringLiteral("--turnaround"),
               QStringLiteral("0")});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(10000) ||
        !sim.readLine().startsWith("zrq7sim ready")) {
        std::fprintf(stderr, "zrq7_bench_poll: zrq7sim did not start\n");
        return 1;
    }

    ProgramSettings& s = theApp().settings;
    ResetSettings(s);
    SetSettingsText(s.szPortName, QStringLiteral("COM5"));
    s.nProtocolIndex = 0;
    s.nBaudRateIndex = 1, s.nDataBitsIndex = 1, s.nParityIndex = 0, s.nStopBitsIndex = 1;

    Counters counters;
    std::atomic<bool> counting{false};
    LinkCalls calls = LinkCalls::library();
    const pollcycle::RegisterReader read = calls.read03;
    calls.read03 = [&](uint32_t unit, uint32_t reg, uint32_t count, uint8_t* buffer, uint32_t size,
                       uint32_t retries) {
        const int32_t result = read(unit, reg, count, buffer, size, retries);
        if (counting.load()) {
            ++counters.requests;
            if (result <= 0)
                ++counters.failed;
        }
        return result;
    };

    CCPL_ZRQ7Dlg window;
    if (!hidden)
        window.show();
    ConnectionManager connection(window, calls);
    connection.ToggleConnection();
    while (connection.isConnecting()) // the connect reports back through the event queue
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!window.isConnected()) {
        std::fprintf(stderr, "zrq7_bench_poll: the panel did not connect\n");
        return 1;
    }

    QElapsedTimer wall;
    double cpuAtStart = 0;
    double elapsed = 0;
    double cpu = 0;
    QMap<QString, double> threadsAtStart, threadsAtEnd;
    QTimer::singleShot(warmup * 1000, &app, [&] {
        cpuAtStart = cpuSeconds();
        threadsAtStart = threadCpuSeconds();
        wall.start();
        counting.store(true);
    });
    QTimer::singleShot((warmup + seconds) * 1000, &app, [&] {
        counting.store(false);
        elapsed = wall.elapsed() / 1000.0;
        cpu = cpuSeconds() - cpuAtStart;
        threadsAtEnd = threadCpuSeconds();
        connection.ToggleConnection(); // disconnected, so closing asks nothing
        app.exit(0);
    });
    app.exec();
    sim.terminate();
    sim.waitForFinished();

    const Rotation line = fullRotation(2);
    const Rotation emulated = fullRotation(1);
    const double rotations =
        double(counters.requests.load() - counters.failed.load()) / line.requests / elapsed;
    std::printf("poll over RTU at %d bit/s (11-bit characters), %.1f s measured, window %s\n", baud, elapsed,
                hidden ? "not shown" : "shown");
    std::printf("  achieved: %d requests (%d failed) = %.3f full rotations/s (%d requests each)\n",
                counters.requests.load(), counters.failed.load(), rotations, line.requests);
    std::printf("  line limit with a 3.5-character silence after request and answer: %.1f ms per rotation = "
                "%.3f rotations/s, ratio %.3f\n",
                line.seconds * 1000, 1 / line.seconds, rotations * line.seconds);
    std::printf("  limit the simulator emulates (silence after the request only): %.1f ms per rotation = "
                "%.3f rotations/s, ratio %.3f  goal >= 0.95\n",
                emulated.seconds * 1000, 1 / emulated.seconds, rotations * emulated.seconds);
    std::printf("  CPU: %.2f s in %.1f s = %.2f %% of one core  goal <= 1 %%\n", cpu, elapsed,
                100.0 * cpu / elapsed);
    for (auto it = threadsAtEnd.cbegin(); it != threadsAtEnd.cend(); ++it) {
        const double used = it.value() - threadsAtStart.value(it.key());
        if (used > 0)
            std::printf("    thread %-28s %.2f s\n", qPrintable(it.key()), used);
    }
    return 0;
}
