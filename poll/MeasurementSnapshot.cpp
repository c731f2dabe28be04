// SPDX-License-Identifier: MIT
#include "MeasurementSnapshot.h"

#include <cstring>

namespace {
bool isSlot(int k)
{
    return k >= 0 && k < MeasurementSnapshot::valueCount;
}
bool isFault(int i)
{
    return i >= 0 && i < MeasurementSnapshot::faultCount;
}
} // namespace

void MeasurementSnapshot::ClearMeasurements()
{
    std::lock_guard guard(m_lock);
    m_values.fill(0);
}

void MeasurementSnapshot::SetMeasurement(int k, int32_t v)
{
    if (!isSlot(k))
        return;
    std::lock_guard guard(m_lock);
    m_values[k] = v;
}

int32_t MeasurementSnapshot::GetMeasurement(int k) const
{
    if (!isSlot(k))
        return 0;
    std::lock_guard guard(m_lock);
    return m_values[k];
}

bool MeasurementSnapshot::CopyMeasurements(void* buffer, std::size_t size) const
{
    if (!buffer || size < valueBytes)
        return false;
    std::lock_guard guard(m_lock);
    std::memcpy(buffer, m_values.data(), valueBytes);
    return true;
}

bool MeasurementSnapshot::Mark(int i)
{
    if (!isFault(i))
        return false;
    m_faultActive[i].store(1);
    m_anyMarked.store(true);
    return true;
}

void MeasurementSnapshot::ClearMark(int i)
{
    if (isFault(i))
        m_faultActive[i].store(0);
}

void MeasurementSnapshot::ClearMarks()
{
    for (auto& flag : m_faultActive)
        flag.store(0);
    m_anyMarked.store(false);
}

bool MeasurementSnapshot::IsFaultActive(int i) const
{
    return isFault(i) && m_faultActive[i].load() != 0;
}
