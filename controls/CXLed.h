// SPDX-License-Identifier: MIT
#pragma once

#include "ControlAccessibility.h"
#include "IconPicture.h"
#include "LedBlinkClock.h"
#include "RenderCache.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QWidget>

// Indicator light drawn as one of two icons at the top-left corner: off, on,
// blinking (on/off every 500 ms) or flashing (on for 100 ms each second).
// UI thread only, like every display control (see UiThreadOnly.h).
class CXLed : public QWidget
{
    Q_OBJECT
public:
    enum State { Off = 0, On = 1, Flashing = 2 };
    static constexpr int blinkIntervalMs = 100;

    explicit CXLed(QWidget* parent = nullptr);

    // Icons by name (see IconPicture::fromName) at the given sizes. An empty
    // on name loads no on icon; a non-empty off name also resets the state to 0.
    void SetIcons(const QString& onName, int onWidth, int onHeight, const QString& offName, int offWidth,
                  int offHeight);
    // Pictures already loaded, each drawn at its own size; a non-null off
    // picture resets the state to 0.
    void SetIconHandles(const QPixmap& on, const QPixmap& off);

    // 0 off, 1 on or blinking, 2 flashing; no-op when unchanged.
    void SetState(int state);
    int GetState() const { return m_state; }

    // Starts (or stops) the 100 ms clock that makes state 1 blink and state 2
    // flash; clears the blink phase either way. The timer itself runs only
    // while the LED is not off, so a dark LED costs no wake-ups.
    void SetBlink(bool enable);
    bool IsBlinking() const { return m_blinkEnabled; }

    // One tick (100 ms) of the blink clock; the running timer moves it on by
    // the ticks that passed whenever the icon is due to change. Does nothing
    // while the state is 0.
    void advanceClock();
    // Whether the on icon is what the LED shows now.
    bool showsOn() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Runs the timer while blinking is on and the state is not 0.
    void followState();
    void advanceClockBy(int ticks);

    struct Look
    {
        qint64 icon = 0;
        bool operator==(const Look&) const = default;
    };

    IconPicture m_on;
    IconPicture m_off;
    int m_state = Off;
    LedBlinkClock m_clock;
    QBasicTimer m_timer;
    int m_timerTicks = 0; // clock ticks the running timer stands for
    QElapsedTimer m_sinceTimerStart;
    bool m_blinkEnabled = false;
    RenderCache<Look> m_cache;
};
