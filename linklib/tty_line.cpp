// SPDX-License-Identifier: MIT
#include "tty_line.h"

#include "ZRQ7DLL.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace zrq7::link {

namespace {

timespec remainingUntil(Clock::time_point deadline)
{
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return {0, 0};
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

// Raw bytes in both directions, reads that return at once with what has arrived.
void makeRaw(termios& tio)
{
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                          IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
    tio.c_cflag |= CLOCAL | CREAD;
    for (cc_t& c : tio.c_cc)
        c = 0; // no special characters (XON, XOFF, end-of-file ...); VMIN = VTIME = 0
}

} // namespace

std::uint32_t openFailureOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case ELOOP: // a port-map entry whose target is gone or loops
        return COM_OPEN_NOT_FOUND;
    case EACCES:
    case EPERM:
        return COM_OPEN_NO_PERMISSION;
    case EBUSY: // held with TIOCEXCL by another program (against non-root users)
        return COM_OPEN_BUSY;
    default:
        return COM_OPEN_OTHER;
    }
}

TtyLine::TtyLine(int fd, int cancelFd) : m_fd(fd), m_cancelFd(cancelFd), m_open(true) {}

TtyLine::~TtyLine()
{
    close();
    if (m_cancelFd >= 0)
        ::close(m_cancelFd);
}

std::shared_ptr<TtyLine> TtyLine::open(const std::string& devicePath, std::uint32_t& failure)
{
    failure = COM_OPEN_NO_FAILURE;
    const auto fail = [&failure](int fd, std::uint32_t reason) {
        if (fd >= 0)
            ::close(fd);
        failure = reason;
        return nullptr;
    };
    // Never create: a port that does not exist is an error, not a new file.
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(-1, openFailureOf(errno));
    if (!isatty(fd))
        return fail(fd, COM_OPEN_NOT_TERMINAL);
    // TIOCEXCL keeps other users off the port, but not root: the advisory lock does that.
    // The lock comes first, so a port that another program holds is left exactly as it was
    // (exclusive mode belongs to the terminal, not to our descriptor).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(fd, errno == EWOULDBLOCK ? COM_OPEN_BUSY : COM_OPEN_OTHER);
    if (ioctl(fd, TIOCEXCL) != 0)
        return fail(fd, COM_OPEN_OTHER);
    // Binary from the first byte, even before the line is set up.
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        makeRaw(tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    const int cancelFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (cancelFd < 0) {
        ioctl(fd, TIOCNXCL);
        return fail(fd, COM_OPEN_OTHER);
    }
    return std::shared_ptr<TtyLine>(new TtyLine(fd, cancelFd));
}

std::int32_t TtyLine::setup(const LineSettings& settings)
{
    const std::lock_guard lock(m_io);
    if (!m_open)
        return kOpenFailed;
    // The transmit line stays in break while the line changes, so the relay sees no
    // half-configured characters.
    ioctl(m_fd, TIOCSBRK);
    tcflush(m_fd, TCIOFLUSH);
    auto refuse = [this] {
        ioctl(m_fd, TIOCCBRK);
        return kSetupRefused;
    };
    termios tio{};
    if (tcgetattr(m_fd, &tio) != 0)
        return refuse();
    makeRaw(tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
    tio.c_cflag |= settings.dataBits == 0 ? CS7 : CS8;
    if (settings.parity == 1)
        tio.c_cflag |= PARENB; // even; generated on transmit only (INPCK stays off)
    if (settings.stopBits != 0)
        tio.c_cflag |= CSTOPB;
    const speed_t speed = settings.baudRate == 1 ? B19200 : B9600;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)
        return refuse();
    // Pseudo-terminals accept and ignore speed and framing. glibc's tcsetattr reads the
    // settings back and reports EINVAL when parity or character size did not stick, which on
    // a pty happens from the second open on; the driver's own answer to TCSETS is the one
    // that counts. The leading fields of struct termios are the kernel's, speed is in c_cflag.
    if (ioctl(m_fd, TCSETS, &tio) != 0)
        return refuse();
    // DTR and RTS held inactive; lines without modem signals (pseudo-terminals) refuse this
    // harmlessly.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(m_fd, TIOCMBIC, &lines);
    ioctl(m_fd, TIOCCBRK);
    tcflush(m_fd, TCIOFLUSH);
    return 0;
}

void TtyLine::close()
{
    if (m_open) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_cancelFd, &one, sizeof one);
    }
    const std::lock_guard lock(m_io);
    if (!m_open)
        return;
    m_open = false;
    tcflush(m_fd, TCIOFLUSH);
    ioctl(m_fd, TIOCNXCL);
    ::close(m_fd); // also drops the advisory lock
    m_fd = -1;
}

std::unique_lock<std::mutex> TtyLine::lockForAttempt()
{
    return std::unique_lock(m_io);
}

bool TtyLine::isOpen() const
{
    return m_open;
}

void TtyLine::discardQueues()
{
    tcflush(m_fd, TCIOFLUSH);
}

bool TtyLine::writeAll(const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // The driver's queue is full: wait until it takes more, or until the port is closed.
        pollfd fds[2] = {{m_fd, POLLOUT, 0}, {m_cancelFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return false;
        if (fds[1].revents || (fds[0].revents & (POLLERR | POLLNVAL | POLLHUP)))
            return false;
    }
    return true;
}

bool TtyLine::cancelledBefore(Clock::time_point deadline) const
{
    for (;;) {
        pollfd fd{m_cancelFd, POLLIN, 0};
        const timespec left = remainingUntil(deadline);
        const int rc = ppoll(&fd, 1, &left, nullptr);
        if (rc < 0 && errno == EINTR)
            continue;
        return rc > 0;
    }
}

long TtyLine::waitForInput(Clock::time_point deadline)
{
    // ppoll first: it returns at once when bytes are there, and with O_NONBLOCK
    // the read that follows takes them without asking for their count.
    for (;;) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_cancelFd, POLLIN, 0}};
        const timespec left = remainingUntil(deadline);
        const int rc = ppoll(fds, 2, &left, nullptr);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            return kFailed;
        }
        if (rc == 0)
            return kTimedOut;
        if (fds[1].revents)
            return kClosed;
        if (fds[0].revents & (POLLERR | POLLNVAL))
            return kFailed;
        if (fds[0].revents & POLLHUP) {
            int waiting = 0;
            if (ioctl(m_fd, FIONREAD, &waiting) != 0)
                return kFailed;
            if (waiting > 0)
                return waiting;
            // The far end is gone (a pseudo-terminal without its master): nothing can come,
            // so the attempt simply runs into its time-out.
            return cancelledBefore(deadline) ? kClosed : kTimedOut;
        }
        if (fds[0].revents & POLLIN)
            return 1;
    }
}

long TtyLine::read(std::uint8_t* data, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(m_fd, data, size);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno == EINTR)
            continue;
        return errno == EAGAIN ? 0 : -1;
    }
}

} // namespace zrq7::link
