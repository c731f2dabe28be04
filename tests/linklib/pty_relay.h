// SPDX-License-Identifier: MIT
// A relay on the far end of a private pseudo-terminal for the serial link tests: the link
// opens the terminal side, this plays the relay on the master side and hands every request
// (8 bytes RTU, or ':' ... CR LF in ASCII) to a handler that returns the answer bytes.
#pragma once

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

class PtyRelay
{
public:
    using Bytes = std::vector<std::uint8_t>;
    using Handler = std::function<Bytes(const Bytes& request)>;

    explicit PtyRelay(Handler handler) : m_handler(std::move(handler))
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        grantpt(m_master);
        unlockpt(m_master);
        m_slavePath = ptsname(m_master);
        // Keep the terminal side open ourselves, so the master never sees a hang-up while the
        // link has it closed (between a close and the next open).
        m_slaveKeeper = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        tcgetattr(m_slaveKeeper, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_slaveKeeper, TCSANOW, &tio);
        m_stop = eventfd(0, EFD_CLOEXEC);
        m_thread = std::thread([this] { run(); });
    }

    ~PtyRelay()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(m_stop, &one, sizeof one);
        m_thread.join();
        ::close(m_slaveKeeper);
        ::close(m_master);
        ::close(m_stop);
    }

    const std::string& slavePath() const { return m_slavePath; }
    // Sends every answer in this many pieces with a pause between them (a slow line).
    void setPieces(int pieces, std::chrono::milliseconds pause)
    {
        m_pieces = pieces;
        m_pause = pause;
    }
    // The terminal side's settings as the link left them.
    termios slaveSettings() const
    {
        termios tio{};
        tcgetattr(m_slaveKeeper, &tio);
        return tio;
    }

    std::vector<Bytes> requests() const
    {
        const std::lock_guard lock(m_mutex);
        return m_requests;
    }

    bool waitForRequests(std::size_t n, std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_requests.size() >= n; });
    }

private:
    void run()
    {
        Bytes pending;
        for (;;) {
            pollfd fds[2] = {{m_master, POLLIN, 0}, {m_stop, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                return;
            if (fds[1].revents)
                return;
            std::uint8_t chunk[512];
            const ssize_t n = ::read(m_master, chunk, sizeof chunk);
            if (n <= 0)
                continue;
            pending.insert(pending.end(), chunk, chunk + n);
            for (;;) {
                const std::size_t size = requestSize(pending);
                if (size == 0)
                    break;
                const Bytes request(pending.begin(), pending.begin() + std::ptrdiff_t(size));
                pending.erase(pending.begin(), pending.begin() + std::ptrdiff_t(size));
                {
                    const std::lock_guard lock(m_mutex);
                    m_requests.push_back(request);
                }
                m_changed.notify_all();
                const Bytes answer = m_handler(request);
                if (!answer.empty()) [[maybe_unused]]
                    auto w = ::write(m_master, answer.data(), answer.size());
            }
        }
    }

    void send(const Bytes& answer)
    {
        const std::size_t pieces = std::max<std::size_t>(1, std::size_t(m_pieces.load()));
        const std::size_t pieceSize = (answer.size() + pieces - 1) / pieces;
        for (std::size_t pos = 0; pos < answer.size(); pos += pieceSize) {
            if (pos > 0)
                std::this_thread::sleep_for(m_pause.load()); // line time, not waiting for anything
            const std::size_t n = std::min(pieceSize, answer.size() - pos);
            [[maybe_unused]] auto written = ::write(m_master, answer.data() + pos, n);
        }
    }

    // Length of the first whole request in pending, 0 while incomplete.
    static std::size_t requestSize(const Bytes& pending)
    {
        if (pending.empty())
            return 0;
        if (pending[0] == ':') {
            for (std::size_t i = 1; i < pending.size(); ++i)
                if (pending[i] == '\n')
                    return i + 1;
            return 0;
        }
        return pending.size() >= 8 ? 8 : 0;
    }

    Handler m_handler;
    std::atomic<int> m_pieces{1};
    std::atomic<std::chrono::milliseconds> m_pause{std::chrono::milliseconds(0)};
    int m_master = -1;
    int m_slaveKeeper = -1;
    int m_stop = -1;
    std::string m_slavePath;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Bytes> m_requests;
};
