// SPDX-License-Identifier: MIT
#pragma once

// The 100 ms clock behind a blinking or flashing LED. Every tick advances both
// counters: the blink phase toggles every 5 ticks (500 ms on, 500 ms off) and
// the flash phase is 0 on one tick in ten (the LED lights for 100 ms each
// second). Each LED keeps its own clock, so LEDs never speed each other up.
struct LedBlinkClock
{
    int blinkTicks = 0;
    int flashTicks = 0;
    bool blinkPhase = false; // false shows the on icon
    bool flashPhase = false; // false shows the on icon

    void tick()
    {
        if (++blinkTicks == 5) {
            blinkPhase = !blinkPhase;
            blinkTicks = 0;
        }
        if (++flashTicks == 10) {
            flashPhase = false;
            flashTicks = 0;
        } else {
            flashPhase = true;
        }
    }

    // Ticks until an LED in `state` shows its other icon (1..10), or 0 when it
    // never will: a timer need only wake the LED then.
    int ticksToChange(int state) const;
};

// Whether an LED in state (0 off, 1 on or blinking, 2 flashing) shows its on
// icon in the given phases. An LED whose clock never ran lights in 1 and 2.
constexpr bool ledShowsOn(int state, bool blinkPhase, bool flashPhase)
{
    switch (state) {
    case 1:
        return !blinkPhase;
    case 2:
        return !flashPhase;
    default:
        return false;
    }
}

inline int LedBlinkClock::ticksToChange(int state) const
{
    LedBlinkClock ahead = *this;
    const bool shown = ledShowsOn(state, blinkPhase, flashPhase);
    for (int n = 1; n <= 10; ++n) {
        ahead.tick();
        if (ledShowsOn(state, ahead.blinkPhase, ahead.flashPhase) != shown)
            return n;
    }
    return 0;
}
