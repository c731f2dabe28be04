// SPDX-License-Identifier: MIT
#include "SerialPort.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zrq7::sim {

namespace {

// Raw mode at the configured speed and framing. A pty ignores the character
// size and parity, which is harmless: it only moves bytes.
bool configureLine(int fd, const LineSettings& line)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    const speed_t speed = line.baud == 19200 ? B19200 : B9600;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= (line.dataBits == 7 ? CS7 : CS8) | CLOCAL | CREAD;
    if (line.parity == Parity::Even)
        tio.c_cflag |= PARENB;
    if (line.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

std::unique_ptr<SerialPort> SerialPort::openDevice(const std::string& path, const LineSettings& line,
                                                   std::string& error)
{
    std::unique_ptr<SerialPort> port(new SerialPort);
    port->m_devicePath = path;
    port->m_name = "serial";
    port->m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port->m_fd < 0) {
        error = systemError("cannot open serial device " + path);
        return nullptr;
    }
    if (!::isatty(port->m_fd)) {
        error = "cannot use " + path + ": not a serial device";
        return nullptr;
    }
    if (!configureLine(port->m_fd, line)) {
        error = systemError("cannot set up serial device " + path);
        return nullptr;
    }
    ::tcflush(port->m_fd, TCIOFLUSH);
    return port;
}

std::unique_ptr<SerialPort> SerialPort::createPty(const std::string& linkPath, const LineSettings& line,
                                                  std::string& error)
{
    std::unique_ptr<SerialPort> port(new SerialPort);
    port->m_name = "pty";
    port->m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (port->m_fd < 0 || ::grantpt(port->m_fd) != 0 || ::unlockpt(port->m_fd) != 0) {
        error = systemError("cannot create a pseudo-terminal");
        return nullptr;
    }
    char slaveName[PATH_MAX];
    if (::ptsname_r(port->m_fd, slaveName, sizeof slaveName) != 0) {
        error = systemError("cannot name the pseudo-terminal");
        return nullptr;
    }
    port->m_devicePath = slaveName;
    port->m_slaveFd = ::open(slaveName, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (port->m_slaveFd < 0 || !configureLine(port->m_slaveFd, line)) {
        error = systemError(std::string("cannot set up pseudo-terminal ") + slaveName);
        return nullptr;
    }
    ::fcntl(port->m_fd, F_SETFL, ::fcntl(port->m_fd, F_GETFL) | O_NONBLOCK);

    struct stat target
    {
    };
    struct stat link
    {
    };
    if (::lstat(linkPath.c_str(), &link) == 0) {
        if (!S_ISLNK(link.st_mode) || ::stat(linkPath.c_str(), &target) == 0) {
            error = "cannot create link " + linkPath + ": it exists";
            return nullptr;
        }
        ::unlink(linkPath.c_str()); // a dangling link left by a killed run
    }
    if (::symlink(slaveName, linkPath.c_str()) != 0) {
        error = systemError("cannot create link " + linkPath);
        return nullptr;
    }
    port->m_linkPath = linkPath;
    return port;
}

int SerialPort::clientBaud() const
{
    termios tio{};
    if (m_slaveFd < 0 || ::tcgetattr(m_slaveFd, &tio) != 0)
        return 0;
    switch (::cfgetispeed(&tio)) {
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B4800:
        return 4800;
    default:
        return 0;
    }
}

SerialPort::~SerialPort()
{
    if (!m_linkPath.empty()) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(m_linkPath.c_str(), target, sizeof target - 1);
        if (length > 0 && std::string(target, std::size_t(length)) == m_devicePath)
            ::unlink(m_linkPath.c_str());
    }
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace zrq7::sim
