// SPDX-License-Identifier: MIT
#include "SerialPortScan.h"

#include "ZRQ7DLL.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kHighestPortNumber = 255;

} // namespace

bool IsSerialPortPresent(const QString& portName)
{
    char path[4096];
    if (COM_GetDevicePath(reinterpret_cast<const char16_t*>(portName.utf16()), path, sizeof path) != 0)
        return false;
    // O_NONBLOCK: a tty without carrier would otherwise hold the open.
    const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    // In use (exclusive), or there but not ours to open: the port exists.
    // ENOENT, ENXIO, ENODEV and EIO (a UART node without hardware) do not.
    return errno == EBUSY || errno == EACCES || errno == EPERM;
}

QStringList ScanSerialPorts()
{
    QStringList ports;
    for (int n = 1; n <= kHighestPortNumber; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        if (IsSerialPortPresent(name))
            ports << name;
    }
    return ports;
}
