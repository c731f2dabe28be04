// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

// The live measurements shared by the poll, the main window and the recorder.
//
// Value k belongs to entry k of the measurement catalogue (dll_nMeasureInfo):
// the physical value times that entry's divisor, so 125 in a current slot is
// 12.5 A. The values sit under one lock, held only for the copy of one value
// or of all 53. The fault flags (entry i of dll_nErrInfo is listed) and the
// link state are single atomics, written by one side and read by the others.
//
// One instance for the program: the main window owns it; the poll worker, the
// recorder thread and the recorder window get a reference (the recorder window
// clears its values when it is created).
class MeasurementSnapshot
{
public:
    static constexpr int valueCount = 53;
    static constexpr int faultCount = 40;
    static constexpr std::size_t valueBytes = valueCount * sizeof(int32_t); // 212

    MeasurementSnapshot() = default;
    MeasurementSnapshot(const MeasurementSnapshot&) = delete;
    MeasurementSnapshot& operator=(const MeasurementSnapshot&) = delete;

    // All 53 values become 0.
    void ClearMeasurements();
    // Stores v in slot k; k outside 0..52 is ignored.
    void SetMeasurement(int k, int32_t v);
    // Slot k; 0 for k outside 0..52.
    int32_t GetMeasurement(int k) const;
    // Copies the 53 values (212 bytes) into buffer when it is given and size is at
    // least 212; otherwise does nothing. True when it copied.
    bool CopyMeasurements(void* buffer, std::size_t size) const;

    // Fault flags: entry i (0..39) of the fault catalogue is listed in the fault
    // list. "Any marked" is set by Mark and cleared only by ClearMarks, so it
    // stays set after single flags were cleared again (the fault reset button
    // follows it). Indices outside 0..39 are ignored and read as not active.
    bool Mark(int i);
    void ClearMark(int i);
    void ClearMarks();
    bool IsFaultActive(int i) const;
    bool IsAnyMarked() const { return m_anyMarked.load(); }

    // bConnected of the main window, for the recorder.
    void SetLinkState(int32_t connected) { m_linkState.store(connected); }
    int32_t LinkState() const { return m_linkState.load(); }

private:
    mutable std::mutex m_lock;
    std::array<int32_t, valueCount> m_values{};
    std::array<std::atomic<uint8_t>, faultCount> m_faultActive{};
    std::atomic<bool> m_anyMarked{false};
    std::atomic<int32_t> m_linkState{0};
};
