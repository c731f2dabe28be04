// SPDX-License-Identifier: MIT
#include "ServiceOptions.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <set>
#include <sstream>
#include <unistd.h>

namespace zrq7rec {
namespace {

// One source of options (the command line or the config file) before merging:
// only what it names is set.
struct Layer
{
    std::optional<LinkOptions> link;
    std::vector<std::string> serialOnly; // serial settings given, by option name
    std::optional<Framing> framing;
    std::optional<int> baudRate;
    std::optional<int> dataBits;
    std::optional<Parity> parity;
    std::optional<int> stopBits;
    std::optional<std::vector<int>> units;
    std::optional<uint32_t> timeoutMs;
    std::optional<uint32_t> retries;
    std::optional<int> intervalSeconds;
    std::optional<std::string> dbDir;
    std::optional<std::string> mqttUrl;
    std::optional<std::string> topicPrefix;
    std::optional<std::string> mqttUser;
    std::optional<std::string> passwordFile;
    std::optional<std::string> caFile;
    std::optional<bool> verbose;
};

std::optional<long long> parseInteger(const std::string& text, long long low, long long high)
{
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<std::vector<int>> parseUnits(const std::string& text)
{
    std::vector<int> units;
    std::set<int> seen;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        const auto unit = parseInteger(item, 1, 247);
        if (!unit || !seen.insert(int(*unit)).second)
            return std::nullopt;
        units.push_back(int(*unit));
    }
    if (units.empty() || text.back() == ',')
        return std::nullopt;
    return units;
}

// HOST:PORT with a dotted IPv4 host (the link library resolves no names).
bool parseTcpEndpoint(const std::string& text, LinkOptions& link)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos)
        return false;
    const std::string host = text.substr(0, colon);
    in_addr address{};
    const auto port = parseInteger(text.substr(colon + 1), 1, 65535);
    if (!port || ::inet_pton(AF_INET, host.c_str(), &address) != 1)
        return false;
    link.tcpHost = host;
    link.tcpPort = uint16_t(*port);
    return true;
}

std::optional<bool> parseFlagValue(const std::string& text)
{
    if (text == "yes" || text == "1" || text == "true")
        return true;
    if (text == "no" || text == "0" || text == "false")
        return false;
    return std::nullopt;
}

// Options that take no value on the command line (yes/no in the file).
bool isFlag(const std::string& name)
{
    return name == "rtu" || name == "ascii" || name == "verbose" || name == "help";
}

// Applies one option (name without "--") to the layer. Returns "" or the error.
std::string applyOption(Layer& layer, const std::string& name, const std::string& value)
{
    const auto bad = [&] { return "--" + name + ": nieprawidłowa wartość \"" + value + "\""; };
    const auto serialSetting = [&] { layer.serialOnly.push_back("--" + name); };
    if (name == "tcp" || name == "serial") {
        if (layer.link)
            return "--tcp i --serial wykluczają się; podaj jedno łącze";
        LinkOptions link;
        if (name == "tcp") {
            link.kind = LinkKind::Tcp;
            if (!parseTcpEndpoint(value, link))
                return bad() + " (oczekiwano ADRES_IPv4:PORT)";
        } else {
            link.kind = LinkKind::Serial;
            if (value.empty())
                return bad();
            link.portName = value;
        }
        layer.link = link;
    } else if (name == "rtu" || name == "ascii") {
        const Framing framing = name == "rtu" ? Framing::Rtu : Framing::Ascii;
        if (layer.framing && *layer.framing != framing)
            return "--rtu i --ascii wykluczają się";
        layer.framing = framing;
        serialSetting();
    } else if (name == "baud") {
        if (value != "9600" && value != "19200")
            return bad() + " (9600 lub 19200)";
        layer.baudRate = std::atoi(value.c_str());
        serialSetting();
    } else if (name == "data-bits") {
        if (value != "7" && value != "8")
            return bad() + " (7 lub 8)";
        layer.dataBits = std::atoi(value.c_str());
        serialSetting();
    } else if (name == "parity") {
        if (value == "none")
            layer.parity = Parity::None;
        else if (value == "even")
            layer.parity = Parity::Even;
        else if (value == "odd")
            layer.parity = Parity::Odd;
        else
            return bad() + " (none, even lub odd)";
        serialSetting();
    } else if (name == "stop-bits") {
        if (value != "1" && value != "2")
            return bad() + " (1 lub 2)";
        layer.stopBits = std::atoi(value.c_str());
        serialSetting();
    } else if (name == "unit") {
        layer.units = parseUnits(value);
        if (!layer.units)
            return bad() + " (adresy 1-247 rozdzielone przecinkami, bez powtórzeń)";
    } else if (name == "timeout") {
        const auto ms = parseInteger(value, 1, 60000);
        if (!ms)
            return bad() + " (1-60000 ms)";
        layer.timeoutMs = uint32_t(*ms);
    } else if (name == "retries") {
        const auto n = parseInteger(value, 0, 100);
        if (!n)
            return bad() + " (0-100)";
        layer.retries = uint32_t(*n);
    } else if (name == "interval") {
        const auto s = parseInteger(value, 1, 3600);
        if (!s)
            return bad() + " (1-3600 s)";
        layer.intervalSeconds = int(*s);
    } else if (name == "db-dir" || name == "mqtt" || name == "mqtt-topic" || name == "mqtt-user" ||
               name == "mqtt-password-file" || name == "mqtt-cafile") {
        if (value.empty())
            return bad();
        if (name == "db-dir")
            layer.dbDir = value;
        else if (name == "mqtt")
            layer.mqttUrl = value;
        else if (name == "mqtt-topic")
            layer.topicPrefix = value;
        else if (name == "mqtt-user")
            layer.mqttUser = value;
        else if (name == "mqtt-password-file")
            layer.passwordFile = value;
        else
            layer.caFile = value;
    } else if (name == "verbose") {
        layer.verbose = true;
    } else {
        return "nieznana opcja --" + name;
    }
    return {};
}

// A flag read from a file: "verbose=yes" sets it, "verbose=no" leaves it unset.
std::string applyFileFlag(Layer& layer, const std::string& name, const std::string& value)
{
    const auto on = parseFlagValue(value);
    if (!on)
        return name + ": oczekiwano yes/no, 1/0 lub true/false";
    if (!*on) {
        if (name == "verbose")
            layer.verbose = false;
        return {};
    }
    return applyOption(layer, name, {});
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string readConfigFile(const std::string& path, Layer& layer)
{
    std::ifstream file(path);
    if (!file)
        return "--config: nie można odczytać pliku " + path;
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        const std::string text = trimmed(line);
        if (text.empty() || text[0] == '#' || text[0] == ';')
            continue;
        const auto equals = text.find('=');
        const std::string where = path + ":" + std::to_string(number) + ": ";
        if (equals == std::string::npos)
            return where + "oczekiwano klucz=wartość";
        const std::string key = trimmed(text.substr(0, equals));
        const std::string value = trimmed(text.substr(equals + 1));
        if (key == "config" || key == "help")
            return where + key + " nie może stać w pliku konfiguracji";
        const std::string error =
            isFlag(key) ? applyFileFlag(layer, key, value) : applyOption(layer, key, value);
        if (!error.empty())
            return where + error;
    }
    if (file.bad())
        return "--config: błąd odczytu pliku " + path;
    return {};
}

// The serial settings of a layer belong to its serial port.
std::string checkLinkGroup(const Layer& layer)
{
    if (layer.serialOnly.empty() || (layer.link && layer.link->kind == LinkKind::Serial))
        return {};
    return layer.serialOnly.front() + " wymaga --serial";
}

LinkOptions linkOf(const Layer& layer)
{
    LinkOptions link = *layer.link;
    link.framing = layer.framing.value_or(link.framing);
    link.baudRate = layer.baudRate.value_or(link.baudRate);
    link.dataBits = layer.dataBits.value_or(link.dataBits);
    link.parity = layer.parity.value_or(link.parity);
    link.stopBits = layer.stopBits.value_or(link.stopBits);
    return link;
}

template <typename T>
void take(std::optional<T>& into, const std::optional<T>& top, const std::optional<T>& below)
{
    into = top ? top : below;
}

ServiceOptions merged(const Layer& top, const Layer& file)
{
    ServiceOptions options;
    if (top.link)
        options.link = linkOf(top);
    else if (file.link)
        options.link = linkOf(file);
    options.units = top.units.value_or(file.units.value_or(std::vector<int>{}));
    take(options.timeoutMs, top.timeoutMs, file.timeoutMs);
    take(options.retries, top.retries, file.retries);
    options.intervalSeconds = top.intervalSeconds.value_or(file.intervalSeconds.value_or(1));
    options.dbDir = top.dbDir.value_or(file.dbDir.value_or(""));
    options.mqtt.url = top.mqttUrl.value_or(file.mqttUrl.value_or(""));
    options.mqtt.topicPrefix = top.topicPrefix.value_or(file.topicPrefix.value_or(""));
    options.mqtt.user = top.mqttUser.value_or(file.mqttUser.value_or(""));
    options.mqtt.passwordFile = top.passwordFile.value_or(file.passwordFile.value_or(""));
    options.mqtt.caFile = top.caFile.value_or(file.caFile.value_or(""));
    options.verbose = top.verbose.value_or(file.verbose.value_or(false));
    return options;
}

OptionsResult failure(std::string error)
{
    OptionsResult result;
    result.outcome = OptionsResult::Outcome::Error;
    result.error = std::move(error);
    return result;
}

std::string checkMqtt(const MqttOptions& mqtt)
{
    const bool anyDetail =
        !mqtt.topicPrefix.empty() || !mqtt.user.empty() || !mqtt.passwordFile.empty() || !mqtt.caFile.empty();
    if (mqtt.url.empty())
        return anyDetail ? "opcje --mqtt-... wymagają --mqtt URL" : "";
    const auto endpoint = parseMqttUrl(mqtt.url);
    if (!endpoint)
        return "--mqtt: nieprawidłowy adres \"" + mqtt.url +
               "\" (mqtt://HOST[:PORT] lub mqtts://HOST[:PORT])";
    if (!mqtt.caFile.empty() && !endpoint->tls)
        return "--mqtt-cafile wymaga adresu mqtts://";
    if (!mqtt.passwordFile.empty() && mqtt.user.empty())
        return "--mqtt-password-file wymaga --mqtt-user";
    if (!mqtt.topicPrefix.empty() && mqtt.topicPrefix.find_first_of("#+") != std::string::npos)
        return "--mqtt-topic: znaki # i + są niedozwolone w nazwie tematu";
    return {};
}

} // namespace

std::optional<MqttEndpoint> parseMqttUrl(const std::string& url)
{
    MqttEndpoint endpoint;
    std::string rest;
    if (url.rfind("mqtt://", 0) == 0) {
        rest = url.substr(7);
        endpoint.port = 1883;
    } else if (url.rfind("mqtts://", 0) == 0) {
        rest = url.substr(8);
        endpoint.tls = true;
        endpoint.port = 8883;
    } else {
        return std::nullopt;
    }
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    if (rest.find_first_of("/@?# ") != std::string::npos)
        return std::nullopt;
    if (!rest.empty() && rest.front() == '[') { // [IPv6]:port
        const auto close = rest.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        endpoint.host = rest.substr(1, close - 1);
        rest = rest.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return std::nullopt;
    } else {
        const auto colon = rest.find(':');
        endpoint.host = rest.substr(0, colon);
        rest = colon == std::string::npos ? "" : rest.substr(colon);
    }
    if (!rest.empty()) {
        const auto port = parseInteger(rest.substr(1), 1, 65535);
        if (!port)
            return std::nullopt;
        endpoint.port = uint16_t(*port);
    }
    if (endpoint.host.empty())
        return std::nullopt;
    return endpoint;
}

std::string linkText(const LinkOptions& link)
{
    switch (link.kind) {
    case LinkKind::Tcp:
        return "tcp " + link.tcpHost + ":" + std::to_string(link.tcpPort);
    case LinkKind::Serial: {
        const char parity = link.parity == Parity::Even ? 'E' : link.parity == Parity::Odd ? 'O' : 'N';
        return link.portName + " " + std::to_string(link.baudRate) + " " + std::to_string(link.dataBits) +
               parity + std::to_string(link.stopBits) + (link.framing == Framing::Ascii ? " ASCII" : " RTU");
    }
    case LinkKind::Profile:
        break;
    }
    return "profile";
}

std::string usageLine()
{
    return "użycie: zrq7rec [--config PLIK] [--tcp HOST:PORT | --serial COMn [--rtu|--ascii] "
           "[--baud 9600|19200] [--data-bits 7|8] [--parity none|even|odd] [--stop-bits 1|2]] "
           "[--unit N[,N...]] [--timeout MS] [--retries N] [--interval S] [--db-dir KATALOG] "
           "[--mqtt URL [--mqtt-topic PREFIKS] [--mqtt-user NAZWA] [--mqtt-password-file PLIK] "
           "[--mqtt-cafile PLIK]] [--verbose] [--help]";
}

std::string helpText()
{
    return usageLine() +
           "\n\n"
           "Zapisuje pomiary przekaźników ZRQ-7/8 do plików dziennych (jak panel) i wysyła je do brokera "
           "MQTT.\n"
           "  --config PLIK         opcje jako wiersze klucz=wartość (wiersz poleceń ma pierwszeństwo)\n"
           "  --tcp HOST:PORT       Modbus TCP (adres IPv4)\n"
           "  --serial COMn         łącze szeregowe (COMn lub ścieżka urządzenia), domyślnie 9600 8N2 "
           "RTU\n"
           "                        bez --tcp i --serial: ustawienia łącza z profilu panelu\n"
           "  --unit N[,N...]       adresy przekaźników na łączu (1-247)\n"
           "  --timeout MS          limit czasu odpowiedzi; --retries N: liczba ponownych zapytań\n"
           "  --interval S          interwał zapisu, 1-3600 s (domyślnie 1)\n"
           "  --db-dir KATALOG      pliki dzienne (kilka przekaźników: KATALOG/<adres>)\n"
           "  --mqtt URL            mqtt://HOST[:PORT] lub mqtts://HOST[:PORT]\n"
           "  --mqtt-topic PREFIKS  tematy PREFIKS/<adres>/... (domyślnie zrq7/<nazwa hosta>)\n"
           "  --mqtt-user NAZWA, --mqtt-password-file PLIK, --mqtt-cafile PLIK\n"
           "  --verbose             więcej wpisów w dzienniku\n";
}

OptionsResult parseServiceOptions(std::span<const std::string> args)
{
    Layer top;
    std::optional<std::string> configPath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0 || arg.size() == 2)
            return failure("nieoczekiwany argument \"" + arg + "\"");
        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (const auto equals = name.find('='); equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "help") {
            OptionsResult result;
            result.outcome = OptionsResult::Outcome::Help;
            return result;
        }
        std::string value;
        if (isFlag(name)) {
            if (inlineValue)
                return failure("--" + name + " nie przyjmuje wartości");
        } else if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return failure("--" + name + " wymaga wartości");
        }
        if (name == "config") {
            if (configPath)
                return failure("--config podano dwa razy");
            configPath = value;
            continue;
        }
        const std::string error = applyOption(top, name, value);
        if (!error.empty())
            return failure(error);
    }

    Layer file;
    if (configPath) {
        const std::string error = readConfigFile(*configPath, file);
        if (!error.empty())
            return failure(error);
    }
    for (const Layer* layer : {&top, &file}) {
        const std::string error = checkLinkGroup(*layer);
        if (!error.empty())
            return failure(error);
    }

    OptionsResult result;
    result.options = merged(top, file);
    if (const std::string error = checkMqtt(result.options.mqtt); !error.empty())
        return failure(error);
    // The link library sets none or even parity only; a line with odd parity
    // would be driven with none and never answer.
    if (result.options.link.kind == LinkKind::Serial && result.options.link.parity == Parity::Odd)
        return failure("--parity odd: biblioteka łącza obsługuje tylko none i even");
    result.outcome = OptionsResult::Outcome::Run;
    return result;
}

int reportOptionsOutcome(const OptionsResult& result)
{
    switch (result.outcome) {
    case OptionsResult::Outcome::Run:
        return -1;
    case OptionsResult::Outcome::Help:
        std::fputs(helpText().c_str(), stdout);
        return 0;
    case OptionsResult::Outcome::Error:
        break;
    }
    std::fprintf(stderr, "zrq7rec: %s\n%s\n", result.error.c_str(), usageLine().c_str());
    return usageExitCode;
}

namespace {

std::string absoluteEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

} // namespace

std::string defaultDbDir()
{
    // StateDirectory= may list several folders, separated by colons.
    std::string state = absoluteEnv("STATE_DIRECTORY");
    if (!state.empty())
        return state.substr(0, state.find(':'));
    std::string data = absoluteEnv("XDG_DATA_HOME");
    if (data.empty()) {
        std::string home = absoluteEnv("HOME");
        if (home.empty()) {
            const passwd* user = ::getpwuid(::getuid());
            home = user && user->pw_dir ? user->pw_dir : "";
        }
        data = home + "/.local/share";
    }
    return data + "/CPL_ZRQ7/zrq_db";
}

std::string unitDbDir(const std::string& dbDir, int unit, std::size_t unitCount)
{
    if (unitCount <= 1)
        return dbDir;
    return dbDir + "/" + std::to_string(unit);
}

} // namespace zrq7rec
