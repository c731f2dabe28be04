// SPDX-License-Identifier: MIT
// Arbitrary slave responses to one ASCII request, through the real serial channel on a
// scripted line: no crash, no access outside the buffers, and every success is backed by the
// characters of the frame.
#include "SerialCase.h"
#include "modbus_checks.h"

#include <ZRQ7DLL.h>
#include <algorithm>

using namespace zrq7;
using namespace zrq7::link;

namespace {

std::uint8_t decodeByte(const std::uint8_t* chars)
{
    return std::uint8_t(decodeHexNibble(chars[0]) << 4 | decodeHexNibble(chars[1]));
}

// Finds the frame the master will take (':' ... CR LF, at least 5 characters kept) and writes
// the right LRC over its last two characters, so the checks behind the LRC get fuzzed too.
void repairLrc(std::vector<std::uint8_t>& response)
{
    std::vector<std::size_t> kept; // positions in the response of the kept characters
    int state = 0;                 // 0 outside, 1 in frame, 2 after CR
    for (std::size_t i = 0; i < response.size(); ++i) {
        const std::uint8_t c = response[i];
        if (c == ':') {
            state = 1;
            kept.clear();
        } else if (c == '\r' && state == 1) {
            state = 2;
        } else if (c == '\n' && state == 2 && kept.size() >= 5) {
            std::vector<std::uint8_t> message;
            std::vector<std::uint8_t> chars;
            for (std::size_t p : kept)
                chars.push_back(response[p]);
            for (std::size_t k = 0; k + 1 < kept.size() - 2; k += 2)
                message.push_back(decodeByte(chars.data() + k));
            char hex[2];
            modbus::hexByte(modbus::lrc(message.data(), message.size()), hex);
            response[kept[kept.size() - 2]] = std::uint8_t(hex[0]);
            response[kept[kept.size() - 1]] = std::uint8_t(hex[1]);
            return;
        } else if (state == 1 && c != '\r' && c != '\n') {
            kept.push_back(i);
        } else {
            state = 0;
            kept.clear();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzCase c;
    if (!fuzz::parseCase(data, size, c))
        return 0;
    if (c.repairChecksum)
        repairLrc(c.response);

    const fuzz::SerialRun run(c, SerialFraming::Ascii);
    const std::int32_t result = run.result;
    const std::uint32_t deviceError = run.deviceError;
    const fuzz::Target& target = run.target;

    FUZZ_REQUIRE(run.line->requests().size() == 1 && run.request().size() == ascii::kRequestSize);
    // The characters the master kept, as an independent scan of the same bytes sees them.
    ascii::Scanner scanner;
    const bool complete = scanner.feed(c.response.data(), c.response.size()).status == Completion::Complete;
    const std::uint8_t* chars = scanner.characters();
    const std::size_t count = scanner.count();
    const bool answered = result == 1 || result > 0 || result == -7 || result == LINK_ERR_DEVICE ||
                          result == LINK_ERR_CHECKSUM || result == LINK_ERR_ECHO;
    if (answered)
        FUZZ_REQUIRE(complete && count >= 5 && count < kFrameBufferSize &&
                     decodeByte(chars) == c.request.unit);
    if (result == LINK_ERR_DEVICE) {
        FUZZ_REQUIRE(count == 8 && (decodeByte(chars + 2) & 0x80) && deviceError == decodeByte(chars + 4));
    } else {
        FUZZ_REQUIRE(deviceError == 0);
    }
    if (c.write) {
        FUZZ_REQUIRE(fuzz::isSerialWriteResult(result));
        if (result == 1)
            FUZZ_REQUIRE(count == 14 && decodeByte(chars + 2) == 0x06 &&
                         (decodeByte(chars + 4) << 8 | decodeByte(chars + 6)) == c.request.reg &&
                         (decodeByte(chars + 8) << 8 | decodeByte(chars + 10)) == c.request.countOrValue);
        return 0;
    }
    FUZZ_REQUIRE(fuzz::isSerialReadResult(result));
    if (result > 0) {
        FUZZ_REQUIRE(std::uint32_t(result) < target.size);
        FUZZ_REQUIRE(decodeByte(chars + 2) == 0x03 && decodeByte(chars + 4) == result &&
                     count == 2 * std::size_t(result) + 8);
        for (std::int32_t i = 0; i < result; ++i)
            FUZZ_REQUIRE(target.bytes[std::size_t(i)] == decodeByte(chars + 6 + 2 * i));
    } else {
        FUZZ_REQUIRE(target.untouched());
    }
    return 0;
}
