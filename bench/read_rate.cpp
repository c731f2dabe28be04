// SPDX-License-Identifier: MIT
// Reads of 6 holding registers per second through the link library (MODBUS_Read03) against
// libmodbus's own client (modbus_read_registers), side by side in one run against the same
// libmodbus slave, over loopback TCP and over a pseudo-terminal pair (RTU).
//
//   zrq7_bench_read_rate [--tcp PORT] [--rtu DEVICE] [--seconds S] [--rounds R]
//
// DEVICE is the master's end of the pair; the slave (modbus_peer) serves unit 1 on the other
// end. The two clients take turns, R rounds of S seconds each, so drift of the machine's load
// hits both alike. bench/run starts the slaves and calls this.
#include <ZRQ7DLL.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <modbus.h>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kUnit = 1;
constexpr int kFirstRegister = 30;
constexpr int kRegisters = 6;

struct Tally
{
    long reads = 0;
    long failures = 0;
    double seconds = 0;
    double rate() const { return seconds > 0 ? reads / seconds : 0; }
};

// Runs one read after another for the given time; a read is one call that returned its data.
void measure(Tally& tally, double seconds, const std::function<bool()>& readOnce)
{
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    Clock::time_point now;
    do {
        if (readOnce())
            ++tally.reads;
        else
            ++tally.failures;
        now = Clock::now();
    } while (now < end);
    tally.seconds += std::chrono::duration<double>(now - start).count();
}

bool oursReadOnce()
{
    std::uint8_t buffer[64];
    return MODBUS_Read03(kUnit, kFirstRegister, kRegisters, buffer, sizeof buffer, 0) == 2 * kRegisters;
}

bool theirsReadOnce(modbus_t* ctx)
{
    std::uint16_t registers[kRegisters];
    return modbus_read_registers(ctx, kFirstRegister, kRegisters, registers) == kRegisters;
}

std::u16string widen(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

struct Row
{
    const char* link;
    Tally ours;
    Tally theirs;
    bool ran = false;
};

// Our client: open, read for a while, close (the other client needs the port).
bool oursRound(Tally& tally, double seconds, const std::function<int()>& open)
{
    DLL_SetIOTimeout(1000);
    if (open() != LINK_OK) {
        std::fprintf(stderr, "link library: cannot open the link\n");
        return false;
    }
    measure(tally, seconds, oursReadOnce);
    COM_Close();
    TCP_Close();
    return true;
}

bool theirsRound(Tally& tally, double seconds, modbus_t* ctx)
{
    if (!ctx || modbus_set_slave(ctx, kUnit) != 0 || modbus_set_response_timeout(ctx, 1, 0) != 0 ||
        modbus_connect(ctx) != 0) {
        std::fprintf(stderr, "libmodbus: cannot connect: %s\n", modbus_strerror(errno));
        if (ctx)
            modbus_free(ctx);
        return false;
    }
    measure(tally, seconds, [ctx] { return theirsReadOnce(ctx); });
    modbus_close(ctx);
    modbus_free(ctx);
    return true;
}

void printRow(const Row& row)
{
    const double ratio = row.theirs.rate() > 0 ? row.ours.rate() / row.theirs.rate() : 0;
    std::printf("%-4s %14.0f %14.0f %8.2f %10ld\n", row.link, row.ours.rate(), row.theirs.rate(), ratio,
                row.ours.failures + row.theirs.failures);
}

[[noreturn]] void usage()
{
    std::fprintf(stderr,
                 "usage: zrq7_bench_read_rate [--tcp PORT] [--rtu DEVICE] [--seconds S] [--rounds R]\n");
    std::exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    int tcpPort = -1;
    std::string device;
    // Short turns, many of them: the machine's load drifts by the second.
    double seconds = 0.5;
    int rounds = 6;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 >= argc)
            usage();
        if (!std::strcmp(argv[i], "--tcp"))
            tcpPort = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--rtu"))
            device = argv[++i];
        else if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::atoi(argv[++i]);
        else
            usage();
    }
    if (tcpPort < 0 && device.empty())
        usage();

    Row tcp{"tcp", {}, {}, false};
    Row rtu{"rtu", {}, {}, false};
    const std::u16string path = widen(device);
    bool ok = true;
    for (int round = 0; round < rounds && ok; ++round) {
        if (tcpPort >= 0) {
            ok = ok && oursRound(tcp.ours, seconds,
                                 [tcpPort] { return TCP_Open(u"127.0.0.1", std::uint32_t(tcpPort)); });
            ok = ok && theirsRound(tcp.theirs, seconds, modbus_new_tcp("127.0.0.1", tcpPort));
            tcp.ran = ok;
        }
        if (!device.empty()) {
            ok = ok && oursRound(rtu.ours, seconds, [&path] {
                     DLL_SetIOProtocol(0);
                     const int opened = COM_Open(path.c_str());
                     return opened == LINK_OK ? COM_Setup(1, 1, 0, 0) : opened;
                 });
            ok = ok && theirsRound(rtu.theirs, seconds, modbus_new_rtu(device.c_str(), 19200, 'N', 8, 1));
            rtu.ran = ok;
        }
    }
    if (!ok)
        return 1;

    std::printf("reads of %d registers per second (%d rounds of %.1f s each)\n", kRegisters, rounds, seconds);
    std::printf("%-4s %14s %14s %8s %10s\n", "link", "ZRQ7DLL", "libmodbus", "ratio", "failures");
    if (tcp.ran)
        printRow(tcp);
    if (rtu.ran)
        printRow(rtu);
    return 0;
}
