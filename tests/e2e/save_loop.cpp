// SPDX-License-Identifier: MIT
// zrq7_save_loop: saves a file the way the program does, over and over, for a
// test that kills it mid-save (SIGKILL) and then checks the file.
//   zrq7_save_loop profile       the program's profile, through SaveSettings
//   zrq7_save_loop params FILE   a parameter file, as the parameters window saves it
// Save n stores n in every field it touches (the profile's TCP port and recording
// interval; every setting register of the parameter file), so a file mixing two
// saves shows. Prints "saving" once the first save is complete.

#include "ParameterFile.h"
#include "ProgramSettings.h"

#include <QCoreApplication>
#include <cstdio>
#include <vector>

namespace {

bool saveProfile(int n)
{
    ProgramSettings settings;
    ResetSettings(settings);
    settings.nTcpPort = uint32_t(n);
    settings.nRecordInterval = n;
    return SaveSettings(settings);
}

bool saveParameters(const std::string& path, int n)
{
    std::vector<zrq7::params::RegisterEntry> entries;
    for (std::uint16_t reg = 150; reg <= 244; ++reg)
        entries.push_back({reg, n});
    const std::optional<std::string> old = zrq7::params::readWholeFile(path);
    return zrq7::params::replaceFileAtomically(path,
                                               zrq7::params::writeParameterValues(old.value_or(""), entries));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const bool profile = args.value(0) == QLatin1String("profile");
    if (!profile && !(args.value(0) == QLatin1String("params") && args.size() == 2)) {
        std::fputs("usage: zrq7_save_loop profile | params FILE\n", stderr);
        return 1;
    }
    const std::string path = args.value(1).toStdString();
    for (int n = 1;; n = n % 30000 + 1) {
        if (!(profile ? saveProfile(n) : saveParameters(path, n))) {
            std::fprintf(stderr, "zrq7_save_loop: save %d failed\n", n);
            return 2;
        }
        if (n == 1) {
            std::puts("saving");
            std::fflush(stdout);
        }
    }
}
