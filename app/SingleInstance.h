// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Tells whether another copy of the program runs, through the lock file
// "__CPL_ZRQ7_INITIAL_OWNER__" (in $XDG_RUNTIME_DIR, else the config folder).
// Every running copy holds a shared advisory lock on it for its whole life; a
// copy that finds any lock held knows another copy runs. The kernel drops the
// locks of a copy that dies, so a killed copy never blocks the next start.
class SingleInstance
{
public:
    SingleInstance() = default;
    ~SingleInstance() { release(); }
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Opens the lock file and joins the running copies. Returns true when
    // another copy was already running. The lock is kept until release().
    bool acquire();
    // Leaves (closes the lock file).
    void release();

    static QString lockFilePath();

private:
    int m_fd = -1;
};
