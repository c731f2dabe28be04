# SPDX-License-Identifier: MIT
# The poll cycle under the main window: the register map
# and its decoding, the poll worker with its display interface, the link watchdog.
set(_poll_cycle_dir ${CMAKE_CURRENT_LIST_DIR})
target_sources(zrq7_monitor PRIVATE
    ${_poll_cycle_dir}/RegisterDecoding.h ${_poll_cycle_dir}/RegisterDecoding.cpp
    ${_poll_cycle_dir}/PollBlocks.h
    ${_poll_cycle_dir}/BlockDecoding.h ${_poll_cycle_dir}/BlockDecoding.cpp
    ${_poll_cycle_dir}/FaultList.h ${_poll_cycle_dir}/FaultList.cpp
    ${_poll_cycle_dir}/PollDisplay.h
    ${_poll_cycle_dir}/UiTicket.h
    ${_poll_cycle_dir}/PollSchedule.h
    ${_poll_cycle_dir}/ThroughputMeter.h
    ${_poll_cycle_dir}/PollWorker.h ${_poll_cycle_dir}/PollWorker.cpp
    ${_poll_cycle_dir}/LinkWatchdog.h
)
target_include_directories(zrq7_monitor PUBLIC ${_poll_cycle_dir})
target_link_libraries(zrq7_monitor PUBLIC Qt6::Core ZRQ7::DLL ZRQ7::controls ZRQ7::snapshot Threads::Threads)
