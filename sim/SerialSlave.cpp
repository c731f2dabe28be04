// SPDX-License-Identifier: MIT
#include "SerialSlave.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace zrq7::sim {

namespace {

// A pty has no gaps: a client writes a frame in one go, but a slow one may
// split it. Waiting this long before ending a frame at silence keeps such
// frames whole; on a real line the 3.5-character gap applies.
constexpr std::chrono::milliseconds kPtyIdleGap{20};
// Below 19200 bit/s the gap follows the speed; above, MODBUS fixes it at 1.75 ms.
constexpr std::chrono::microseconds kMinIdleGap{1750};

void onWakeSignal(int) {}

} // namespace

void sleepUntil(std::chrono::steady_clock::time_point deadline, const std::atomic<bool>& stop)
{
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch());
    timespec at{};
    at.tv_sec = time_t(sinceEpoch.count() / 1000000000);
    at.tv_nsec = long(sinceEpoch.count() % 1000000000);
    // steady_clock is CLOCK_MONOTONIC on Linux.
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR && !stop) {
    }
}

SerialSlave::SerialSlave(std::unique_ptr<SerialPort> port, PortOpener reopen, SerialMode mode,
                         const SerialTiming& timing, SlaveProtocol& protocol, FaultInjector* faults,
                         FrameLog& log)
    : m_port(std::move(port)), m_reopen(std::move(reopen)), m_mode(mode), m_framing(makeSerialFraming(mode)),
      m_timing(timing), m_protocol(protocol), m_faults(faults), m_log(log)
{
}

SerialSlave::~SerialSlave()
{
    stop();
}

void SerialSlave::start()
{
    // SIGUSR1 only interrupts a wait for a due answer when stopping.
    struct sigaction action
    {
    };
    action.sa_handler = onWakeSignal;
    ::sigaction(SIGUSR1, &action, nullptr);
    m_thread = std::thread([this] { run(); });
}

void SerialSlave::stop()
{
    m_stop = true;
    m_wake.signal();
    if (m_thread.joinable()) {
        ::pthread_kill(m_thread.native_handle(), SIGUSR1);
        m_thread.join();
    }
}

std::chrono::nanoseconds SerialSlave::idleGap() const
{
    if (m_port->emulatesWire())
        return kPtyIdleGap;
    return std::max<std::chrono::nanoseconds>(characterTime(m_timing.line, 3.5), kMinIdleGap);
}

void SerialSlave::unplug(std::chrono::milliseconds duration)
{
    m_unplugMs = std::max<std::int64_t>(duration.count(), 1);
    m_wake.signal();
}

void SerialSlave::unplugNow(std::chrono::milliseconds duration)
{
    const std::string name = m_port->name();
    const std::string path = m_port->path();
    m_port.reset();
    m_log.note(name, "unplugged " + path + " for " + std::to_string(duration.count()) + " ms");
    sleepUntil(Clock::now() + duration, m_stop);
    while (!m_stop) {
        std::string error;
        if ((m_port = m_reopen(error)))
            break;
        m_log.note(name, "cannot plug in again: " + error);
        sleepUntil(Clock::now() + std::chrono::milliseconds(200), m_stop);
    }
    // Whatever was half received went with the old device.
    m_framing = makeSerialFraming(m_mode);
    if (m_port)
        m_log.note(name, "plugged in again at " + m_port->path());
}

void SerialSlave::run()
{
    bool silenceSeen = false;
    while (!m_stop) {
        if (const std::int64_t unplugFor = m_unplugMs.exchange(0); unplugFor > 0) {
            m_wake.clear();
            unplugNow(std::chrono::milliseconds(unplugFor));
            silenceSeen = false;
            continue;
        }
        pollfd fds[2] = {{m_wake.fd(), POLLIN, 0}, {m_port->fd(), POLLIN, 0}};
        const auto gap = std::chrono::duration_cast<std::chrono::nanoseconds>(idleGap());
        const timespec idle{time_t(gap.count() / 1000000000), long(gap.count() % 1000000000)};
        // Only RTU frames end at silence; ASCII waits for its CR LF however long it takes.
        const bool endsAtSilence =
            m_framing->frameGapCharacters() > 0 && m_framing->pending() && !silenceSeen;
        const int ready = ::ppoll(fds, 2, endsAtSilence ? &idle : nullptr, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (ready == 0) {
            silenceSeen = true; // wait for new bytes before the next silence
            if (auto request = m_framing->lineIdle())
                serve(*request);
            continue;
        }
        if (fds[1].revents & POLLIN) {
            std::uint8_t buffer[512];
            const ssize_t got = ::read(m_port->fd(), buffer, sizeof buffer);
            if (got > 0) {
                // A frame starts with the first byte after silence (or after nothing was buffered).
                if (!m_framing->pending() || silenceSeen)
                    m_frameStart = Clock::now();
                silenceSeen = false;
                m_framing->feed(buffer, std::size_t(got));
                while (auto request = m_framing->next())
                    serve(*request);
                continue;
            }
        }
        if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            m_log.note(m_port->name(), "line error, serial link stopped");
            break;
        }
    }
}

void SerialSlave::serve(const SlaveRequest& request)
{
    const std::string& link = m_port->name();
    if (m_log.enabled())
        m_log.frame(link, "<-", m_framing->encode(request.unit, request.pdu));
    if (m_timing.matchSpeed && m_port->emulatesWire()) {
        const int clientBaud = m_port->clientBaud();
        if (clientBaud != m_timing.line.baud) {
            m_log.note(link, "ignored: client line at " + std::to_string(clientBaud) + " bit/s");
            m_frameStart = Clock::now();
            return;
        }
    }
    const auto pdu = m_protocol.answer(request, true);
    const auto received = Clock::now();
    if (!pdu) {
        m_frameStart = received;
        return;
    }
    std::vector<std::uint8_t> frame = m_framing->encode(request.unit, *pdu);

    // Due when a real line could have carried it. On a pty, count everything
    // from the request's first byte; a real device already took the request's
    // time to arrive and will take the answer's time to send.
    Clock::time_point due;
    if (m_port->emulatesWire())
        due = m_frameStart + exchangeWireTime(m_timing.line, request.wireCharacters,
                                              m_framing->frameGapCharacters(), frame.size(),
                                              m_timing.turnaround);
    else
        due = received + characterTime(m_timing.line, m_framing->frameGapCharacters()) + m_timing.turnaround;

    const FaultDecision fault = m_faults ? m_faults->decide(frame.size()) : FaultDecision{};
    if (fault.drop) {
        m_log.frame(link, "x ", frame, "dropped");
        m_frameStart = Clock::now();
        return;
    }
    FaultInjector::corrupt(fault, frame);
    due += fault.delay;
    sleepUntil(due, m_stop);
    if (m_stop)
        return;
    writeAll(frame);
    m_log.frame(link, "->", frame,
                fault.garbage         ? "garbage"
                : fault.corrupt       ? "corrupted"
                : fault.delay.count() ? "delayed"
                                      : "");
    // A request already buffered behind this one could only start after it.
    m_frameStart = Clock::now();
}

void SerialSlave::writeAll(const std::vector<std::uint8_t>& frame)
{
    std::size_t done = 0;
    while (done < frame.size() && !m_stop) {
        const ssize_t written = ::write(m_port->fd(), frame.data() + done, frame.size() - done);
        if (written > 0) {
            done += std::size_t(written);
        } else if (written < 0 && errno == EAGAIN) {
            pollfd out{m_port->fd(), POLLOUT, 0};
            ::poll(&out, 1, 100);
        } else if (written < 0 && errno != EINTR) {
            return;
        }
    }
}

} // namespace zrq7::sim
