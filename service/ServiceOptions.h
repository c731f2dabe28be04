// SPDX-License-Identifier: MIT
#pragma once

// The options of zrq7rec: read from the command line and, with --config FILE,
// from key=value lines (the option's name without "--"; flags take yes/no,
// 1/0 or true/false); the command line wins over the file. The link options
// (--tcp, or --serial with its line settings) count as one group: the group is
// taken whole from the command line when it names a link, else from the file;
// with neither, the caller fills it from the panel's profile (PanelProfile.h).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zrq7rec {

enum class LinkKind { Profile, Tcp, Serial };
enum class Framing { Rtu, Ascii };
enum class Parity { None, Even, Odd };

struct LinkOptions
{
    LinkKind kind = LinkKind::Profile;
    std::string tcpHost; // dotted IPv4, as the link library takes it
    uint16_t tcpPort = 502;
    std::string portName; // "COMn" or a device path
    Framing framing = Framing::Rtu;
    int baudRate = 9600; // 9600 or 19200
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 2; // the panel's factory settings: 9600 8N2 RTU
};

// A broker address from --mqtt: mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (8883, TLS).
struct MqttEndpoint
{
    std::string host;
    uint16_t port = 1883;
    bool tls = false;
};
std::optional<MqttEndpoint> parseMqttUrl(const std::string& url);

struct MqttOptions
{
    std::string url;         // empty: no broker
    std::string topicPrefix; // empty: "zrq7/<host name>"
    std::string user;
    std::string passwordFile; // the password is its first line
    std::string caFile;
};

// How the link reads in the identity and in log lines: "tcp 192.168.1.10:502",
// "COM3 19200 8E1 RTU".
std::string linkText(const LinkOptions& link);

struct ServiceOptions
{
    LinkOptions link;
    std::vector<int> units;            // empty: the profile's address, else 1
    std::optional<uint32_t> timeoutMs; // empty: the profile's, else 500
    std::optional<uint32_t> retries;   // empty: the profile's, else 3
    int intervalSeconds = 1;           // 1 to 3600
    std::string dbDir;                 // empty: see defaultDbDir()
    MqttOptions mqtt;
    bool verbose = false;
};

struct OptionsResult
{
    enum class Outcome { Run, Help, Error };
    Outcome outcome = Outcome::Error;
    ServiceOptions options;
    std::string error; // for Error: one line naming the option and what is wrong
};

// Exit code of a program given bad options.
inline constexpr int usageExitCode = 2;

// The one-line usage text (no newline at the end) and the full help.
std::string usageLine();
std::string helpText();

// Parses args (without the program name); reads the --config file when one is named.
OptionsResult parseServiceOptions(std::span<const std::string> args);

// What the program does with a result: prints the help on stdout (0), or the
// error and the usage line on stderr (usageExitCode); nothing for Run (-1: go on).
int reportOptionsOutcome(const OptionsResult& result);

// Where day files go when no --db-dir is given: $STATE_DIRECTORY (set by a
// system unit's StateDirectory=, its first entry), else the panel's zrq_db folder
// ($XDG_DATA_HOME/CPL_ZRQ7/zrq_db, falling back to ~/.local/share).
std::string defaultDbDir();

// The day-file folder of one unit: dbDir itself when one unit is recorded,
// dbDir/<unit> when several share the line.
std::string unitDbDir(const std::string& dbDir, int unit, std::size_t unitCount);

} // namespace zrq7rec
