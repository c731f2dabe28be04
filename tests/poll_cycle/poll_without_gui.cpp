// SPDX-License-Identifier: MIT
// Built with the poll library and Qt Core only (no Gui or Widgets include folders or
// libraries): every header of the poll compiles, and its decoding links and runs, in a
// program without a display.
#include "BlockDecoding.h"
#include "FaultList.h"
#include "LinkUse.h"
#include "MeasurementSnapshot.h"
#include "PollBlocks.h"
#include "PollDisplay.h"
#include "PollSchedule.h"
#include "PollWorker.h"
#include "RegisterDecoding.h"
#include "ThroughputMeter.h"
#include "UiTicket.h"

#include <cstdint>
#include <cstdio>

int main()
{
    // Registers 73-74: the thermal state at full load, high word first.
    const uint16_t fullLoad[] = {0x0010, 0xC8E0}; // 1,100,000
    const pollcycle::HeatingUpdate heating = pollcycle::decodeHeating(fullLoad);
    MeasurementSnapshot snapshot;
    pollcycle::storeSlots(snapshot, heating);
    if (heating.thermalState != 1'100'000u || heating.percent != 100) {
        std::fprintf(stderr, "heating decoded as %u, %d %%\n", heating.thermalState, heating.percent);
        return 1;
    }
    return 0;
}
