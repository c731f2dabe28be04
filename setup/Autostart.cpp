// SPDX-License-Identifier: MIT
#include "Autostart.h"

#include "AppPaths.h"
#include "MessageBox.h"
#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A path as one argument of the entry's Exec key: quoted, with the characters
// that are special inside quotes escaped, then escaped again as a string
// value; '%' is doubled because Exec gives it a meaning of its own.
QString execArgument(const QString& path)
{
    QString quoted;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('%'), QLatin1String("%%"));
    quoted.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray desktopEntry(const QString& executable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=CPL_ZRQ7\n"
                          "Comment=Panel sterowania ZRQ-7/8\n"
                          "Exec=%1\n"
                          "Icon=cpl_zrq7\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(executable))
        .toUtf8();
}

} // namespace

QString AutostartEntryPath()
{
    return XdgConfigHome() + QStringLiteral("/autostart/CPL_ZRQ7.desktop");
}

void ApplyAutostart(bool on)
{
    const QString entry = AutostartEntryPath();
    const QString folder = QFileInfo(entry).absolutePath();
    if (!QDir().mkpath(folder)) {
        ShowMessage(nullptr, QMessageBox::Warning, QStringLiteral("Błąd"),
                    QStringLiteral("Brak dostępu do rejestru Windows. Upewnij się, że twoje konto posiada "
                                   "odpowiednie uprawnienia."));
        return;
    }
    if (on) {
        const QByteArray text = desktopEntry(ExecutablePath());
        if (!ProfileFile::writeAtomically(entry, std::string_view(text.constData(), std::size_t(text.size())),
                                          0644)) {
            ShowMessage(nullptr, QMessageBox::Warning, QStringLiteral("Błąd"),
                        QStringLiteral("Nie można zapisać do rejestru. Automatyczne uruchomienie programu "
                                       "podczas startu Windows nie jest możliwe."));
        }
    } else {
        QFile::remove(entry); // nothing there is fine
    }
}
