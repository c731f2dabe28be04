// SPDX-License-Identifier: MIT
#pragma once

#include "DayFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <sys/mount.h>
#include <unistd.h>

// An 8 KiB tmpfs mounted on a folder (root only), one 4 KiB page taken by a
// filler, and the day file of a date seeded with 17 records (3873 bytes) in the
// last page: the next 225-byte record does not fit and is written short.
// Unmounted again when it goes out of scope.
class NearlyFullFileSystem
{
public:
    static constexpr int seededRecords = 17;

    NearlyFullFileSystem(const QString& folder, const DbDate& date) : m_folder(QFile::encodeName(folder))
    {
        QDir().mkpath(folder);
        if (::geteuid() != 0 || ::mount("tmpfs", m_folder.constData(), "tmpfs", 0, "size=8k") != 0)
            return;
        m_mounted = true;
        QFile filler(folder + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly) || filler.write(QByteArray(4096, 'f')) != 4096)
            return;
        filler.close();
        DayFileWriter seed;
        if (seed.open(m_folder.toStdString(), date) != DbOpenStatus::Created)
            return;
        for (int n = 0; n < seededRecords; ++n)
            if (!seed.append(_tagSTRUCT_DATA{}))
                return;
        m_ready = true;
    }
    ~NearlyFullFileSystem()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    NearlyFullFileSystem(const NearlyFullFileSystem&) = delete;
    NearlyFullFileSystem& operator=(const NearlyFullFileSystem&) = delete;

    // False without root or where tmpfs cannot be mounted.
    bool mounted() const { return m_mounted; }
    // Mounted, filled and seeded.
    bool ready() const { return m_ready; }

private:
    QByteArray m_folder;
    bool m_mounted = false;
    bool m_ready = false;
};
