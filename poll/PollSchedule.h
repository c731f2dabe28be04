// SPDX-License-Identifier: MIT
#pragma once

// Which groups of register blocks a poll cycle reads after its fast group. The
// medium group runs when its countdown is at 0 (then it restarts from 2), the
// slow group when the medium group ran and its own countdown is at 0 (then it
// restarts from 3): medium every third cycle, slow every twelfth, both in the first.
class PollSchedule
{
public:
    struct Groups
    {
        bool medium = false;
        bool slow = false;
    };

    Groups nextCycle()
    {
        if (m_mediumCountdown > 0) {
            --m_mediumCountdown;
            return {};
        }
        m_mediumCountdown = 2;
        if (m_slowCountdown > 0) {
            --m_slowCountdown;
            return {true, false};
        }
        m_slowCountdown = 3;
        return {true, true};
    }

private:
    int m_mediumCountdown = 0;
    int m_slowCountdown = 0;
};
