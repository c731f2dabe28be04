// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// A handshake for a step the poll thread hands to the user-interface thread and
// waits for (the fault list rows). The poll keeps a UiWait; the display gets the
// UiTicket, which it may copy into a queued call.
//
// It can never deadlock a disconnect: the wait ends when the UI has applied the
// step, when the last copy of the ticket is dropped without applying it, or when
// the poll is being stopped (cancel()). A step that was cancelled before the UI
// reached it is skipped, so nothing from a stopped poll lands in the window after
// the disconnect that stopped it.
namespace pollcycle {

class UiHandshake
{
public:
    enum class State { Pending, Applying, Done, Cancelled };

    // UI side: true (state Applying) when the poll still waits and the step is to be applied.
    bool claim()
    {
        State expected = State::Pending;
        return m_state.compare_exchange_strong(expected, State::Applying);
    }
    // Poll side (stop): the step will not be applied unless the UI already began.
    void cancel()
    {
        State expected = State::Pending;
        m_state.compare_exchange_strong(expected, State::Cancelled);
        wake();
    }
    // UI side: applied (or dropped unapplied); releases the poll.
    void finish()
    {
        m_state.store(State::Done);
        wake();
    }
    // Poll side: until Done or Cancelled, or until stopRequested() holds when woken.
    template <typename Stop> void wait(Stop stopRequested)
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] {
            const State s = m_state.load();
            return s == State::Done || s == State::Cancelled || stopRequested();
        });
    }
    State state() const { return m_state.load(); }

private:
    void wake()
    {
        std::lock_guard lock(m_mutex);
        m_wake.notify_all();
    }

    std::atomic<State> m_state{State::Pending};
    std::mutex m_mutex;
    std::condition_variable m_wake;
};

// The display's end of the handshake. Copyable; when the last copy goes away the
// poll is released even if apply() was never called.
class UiTicket
{
public:
    UiTicket() = default;
    explicit UiTicket(std::shared_ptr<UiHandshake> handshake)
        : m_releaser(std::make_shared<Releaser>(std::move(handshake)))
    {
    }

    // Runs the step unless the poll has stopped waiting for it; then releases the
    // poll. True when it ran. Call on the user-interface thread.
    bool apply(const std::function<void()>& step) const
    {
        if (!m_releaser || !m_releaser->handshake->claim())
            return false;
        step();
        m_releaser->handshake->finish();
        return true;
    }

private:
    struct Releaser
    {
        explicit Releaser(std::shared_ptr<UiHandshake> h) : handshake(std::move(h)) {}
        ~Releaser()
        {
            if (handshake->state() != UiHandshake::State::Done)
                handshake->finish();
        }
        Releaser(const Releaser&) = delete;
        Releaser& operator=(const Releaser&) = delete;
        std::shared_ptr<UiHandshake> handshake;
    };
    std::shared_ptr<Releaser> m_releaser;
};

} // namespace pollcycle
