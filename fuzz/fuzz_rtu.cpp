// SPDX-License-Identifier: MIT
// Arbitrary slave responses to one RTU request, through the real serial channel on a scripted
// line: no crash, no access outside the buffers, and every success is backed by the frame.
#include "SerialCase.h"
#include "modbus_checks.h"

#include <ZRQ7DLL.h>
#include <algorithm>

using namespace zrq7;
using namespace zrq7::link;

namespace {

// Gives a complete frame the CRC it should carry, so the checks behind the CRC get fuzzed too.
void repairCrc(std::vector<std::uint8_t>& response, const Request& request)
{
    const Completion done = rtu::complete(response.data(), response.size(), request);
    if (done.status != Completion::Complete || done.length < 3 || done.length > response.size())
        return;
    const std::uint16_t crc = modbus::crc16(response.data(), done.length - 2);
    response[done.length - 2] = std::uint8_t(crc & 0xFF);
    response[done.length - 1] = std::uint8_t(crc >> 8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzCase c;
    if (!fuzz::parseCase(data, size, c))
        return 0;
    if (c.repairChecksum)
        repairCrc(c.response, c.request);

    const fuzz::SerialRun run(c, SerialFraming::Rtu);
    const std::int32_t result = run.result;
    const std::uint32_t deviceError = run.deviceError;
    const fuzz::Target& target = run.target;

    const std::vector<std::uint8_t>& r = c.response;
    FUZZ_REQUIRE(run.line->requests().size() == 1 && run.request().size() == rtu::kRequestSize);
    if (result == LINK_ERR_DEVICE) {
        FUZZ_REQUIRE(r.size() >= 5 && (r[1] & 0x80) && deviceError == r[2]);
    } else {
        FUZZ_REQUIRE(deviceError == 0);
    }
    if (c.write) {
        FUZZ_REQUIRE(fuzz::isSerialWriteResult(result));
        if (result == 1) // an echo of the request, check sum included
            FUZZ_REQUIRE(r.size() >= 8 && std::equal(r.begin(), r.begin() + 8, run.request().begin()));
        return 0;
    }
    FUZZ_REQUIRE(fuzz::isSerialReadResult(result));
    if (result > 0) {
        // Data smaller than the caller's buffer, copied unchanged from a frame that is there.
        FUZZ_REQUIRE(std::uint32_t(result) < target.size);
        FUZZ_REQUIRE(r.size() >= std::size_t(result) + 5 && r[0] == c.request.unit && r[1] == 0x03 &&
                     r[2] == result);
        FUZZ_REQUIRE(std::equal(target.bytes.get(), target.bytes.get() + result, r.begin() + 3));
        FUZZ_REQUIRE(modbus::crc16(r.data(), std::size_t(result) + 3) ==
                     std::uint16_t(r[std::size_t(result) + 3] | r[std::size_t(result) + 4] << 8));
    } else {
        // A refused response leaves the caller's buffer alone.
        FUZZ_REQUIRE(target.untouched());
    }
    return 0;
}
