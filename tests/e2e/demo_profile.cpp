// SPDX-License-Identifier: MIT
// zrq7_demo_profile: writes the program's settings profile (the one in
// $XDG_CONFIG_HOME/CPL_ZRQ7/) from the factory defaults with the link pointed
// at a relay, for the demo and for tests that start the real program.
//   zrq7_demo_profile --tcp HOST:PORT | --serial COMn [--ascii] [--auto-connect] [--record SECONDS]
//   (--record: recording starts with the program, one record every SECONDS)

#include "ProgramSettings.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QStringList>
#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: zrq7_demo_profile --tcp HOST:PORT | --serial COMn [--ascii] [--auto-connect] "
               "[--record SECONDS]\n",
               stderr);
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);

    ProgramSettings settings;
    ResetSettings(settings);
    bool linkGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& option = args[i];
        if (option == QLatin1String("--tcp") && i + 1 < args.size()) {
            const QStringList endpoint = args[++i].split(QLatin1Char(':'));
            bool portOk = false;
            const uint port = endpoint.value(1).toUInt(&portOk);
            const QHostAddress host(endpoint.value(0));
            if (endpoint.size() != 2 || !portOk || port > 65535 ||
                host.protocol() != QHostAddress::IPv4Protocol)
                return usage();
            SetSettingsText(settings.szPortName, QStringLiteral("Modbus TCP"));
            settings.dwIpAddress = host.toIPv4Address(); // first octet in the most significant byte
            settings.nTcpPort = port;
            linkGiven = true;
        } else if (option == QLatin1String("--serial") && i + 1 < args.size()) {
            if (!SetSettingsText(settings.szPortName, args[++i]))
                return usage();
            linkGiven = true;
        } else if (option == QLatin1String("--ascii")) {
            settings.nProtocolIndex = 1;
        } else if (option == QLatin1String("--auto-connect")) {
            settings.bAutoConnect = 1;
        } else if (option == QLatin1String("--record") && i + 1 < args.size()) {
            bool ok = false;
            const uint seconds = args[++i].toUInt(&ok);
            if (!ok || seconds < 1 || seconds > 86400)
                return usage();
            settings.bAutoRecord = 1;
            settings.nRecordInterval = int32_t(seconds);
        } else {
            return usage();
        }
    }
    if (!linkGiven)
        return usage();
    if (!SaveSettings(settings)) {
        std::fprintf(stderr, "zrq7_demo_profile: cannot write %s\n", qPrintable(SettingsProfilePath()));
        return 2;
    }
    std::printf("%s\n", qPrintable(SettingsProfilePath()));
    return 0;
}
