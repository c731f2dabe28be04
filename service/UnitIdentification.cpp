// SPDX-License-Identifier: MIT
#include "UnitIdentification.h"

#include "ZRQ7DLL.h"

#include <array>
#include <chrono>
#include <thread>

namespace zrq7rec {

namespace {
constexpr int identificationAttempts = 5;
constexpr auto pauseBetweenAttempts = std::chrono::milliseconds(10);
} // namespace

Identification identifyUnit(const RegisterRead& read, int unit, uint32_t retries,
                            const std::function<bool()>& stopRequested)
{
    Identification identification;
    int32_t result = 0;
    for (int attempt = 0; attempt < identificationAttempts && !stopRequested(); ++attempt) {
        std::array<uint8_t, 10> buffer{};
        result = read(static_cast<uint32_t>(unit), 0, 2, buffer.data(), static_cast<uint32_t>(buffer.size()),
                      retries);
        if (result > 0) {
            identification.id = static_cast<uint16_t>(buffer[0] << 8 | buffer[1]);
            identification.firmware = static_cast<uint16_t>(buffer[2] << 8 | buffer[3]);
            const bool compatible = identification.id == dll_nID &&
                                    identification.firmware >= dll_nVerMinor &&
                                    identification.firmware <= dll_nVerMajor;
            identification.result = compatible ? 0 : -1;
            return identification;
        }
        std::this_thread::sleep_for(pauseBetweenAttempts);
    }
    identification.result = result <= LINK_ERR_IO ? result : -2;
    return identification;
}

} // namespace zrq7rec
