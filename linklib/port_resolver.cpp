// SPDX-License-Identifier: MIT
#include "port_resolver.h"

#include "link_channel.h"
#include "wide_text.h"

#include <cstdlib>
#include <sys/stat.h>

namespace zrq7::link {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Number n of "COMn", or 0 when the text is not such a name.
unsigned comNumber(const char16_t* name)
{
    if (name[0] != u'C' || name[1] != u'O' || name[2] != u'M')
        return 0;
    const char16_t* digits = name + 3;
    if (digits[0] < u'1' || digits[0] > u'9')
        return 0;
    unsigned n = 0;
    for (const char16_t* p = digits; *p; ++p) {
        if (*p < u'0' || *p > u'9' || p - digits >= 3)
            return 0;
        n = n * 10 + static_cast<unsigned>(*p - u'0');
    }
    return n <= 255 ? n : 0;
}

// Linux names of the first 32 ports of each kind, in the order the COM numbers count them.
std::string defaultDevice(unsigned n)
{
    static const char* const families[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
    const unsigned family = (n - 1) / 32;
    if (family >= 3)
        return {};
    return families[family] + std::to_string((n - 1) % 32);
}

} // namespace

std::string portMapFolder()
{
    if (const std::string ports = environment("ZRQ7_PORTS"); !ports.empty())
        return ports;
    if (const std::string config = environment("XDG_CONFIG_HOME"); !config.empty())
        return config + "/CPL_ZRQ7/ports";
    if (const std::string home = environment("HOME"); !home.empty())
        return home + "/.config/CPL_ZRQ7/ports";
    return {};
}

std::int32_t resolvePortPath(const char16_t* portName, std::string& path)
{
    if (!portName || !portName[0])
        return kOpenFailed;
    if (portName[0] == u'/')
        return toUtf8(portName, path) ? 0 : kOpenFailed;
    const unsigned n = comNumber(portName);
    if (n == 0)
        return kOpenFailed;
    const std::string name = "COM" + std::to_string(n);
    if (const std::string folder = portMapFolder(); !folder.empty()) {
        struct stat entry
        {
        };
        // lstat: a link to a device that is unplugged still names the port the user chose.
        if (lstat((folder + '/' + name).c_str(), &entry) == 0) {
            path = folder + '/' + name;
            return 0;
        }
    }
    path = defaultDevice(n);
    return path.empty() ? kOpenFailed : 0;
}

} // namespace zrq7::link
