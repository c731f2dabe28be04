// SPDX-License-Identifier: MIT
// Arbitrary bytes on the connection after one Modbus TCP request, through the real TCP channel
// on a scripted connection: no crash, no access outside the buffers, stale frames skipped, and
// every success is backed by a frame with the request's transaction id that is all there.
#include "FuzzCase.h"
#include "scripted_transports.h"
#include "tcp_channel.h"

#include <ZRQ7DLL.h>
#include <algorithm>

using namespace zrq7;
using namespace zrq7::link;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzCase c;
    if (!fuzz::parseCase(data, size, c))
        return 0;

    auto transport = std::make_shared<ScriptedTcpTransport>();
    transport->queueResponse(c.response);
    std::uint16_t counter = c.transactionCounter;
    TcpChannel channel(transport, counter);
    fuzz::Target target(c.targetSize);
    std::uint32_t deviceError = 0;
    const std::int32_t result =
        fuzz::runAttempt(channel, c, target,
                         std::chrono::milliseconds(0) /* all bytes are there before the wait */, deviceError);

    const std::uint16_t id = std::uint16_t(c.transactionCounter + 1);
    FUZZ_REQUIRE(counter == id);
    FUZZ_REQUIRE(transport->requests().size() == 1 && transport->requests()[0].size() == tcp::kRequestSize);
    const std::uint8_t* sent = transport->requests()[0].data();
    FUZZ_REQUIRE((sent[0] << 8 | sent[1]) == id);

    // The frame the master answered from, as an independent scan of the same bytes finds it.
    const std::vector<std::uint8_t>& r = c.response;
    const bool whole = r.size() < kFrameBufferSize - 100; // no chunk was dropped for lack of room
    const tcp::Scan found = tcp::scan(r.data(), r.size(), id, c.request.unit);
    const bool answered = result > 0 || result == -7 || result == LINK_ERR_DEVICE || result == LINK_ERR_ECHO;
    std::size_t o = found.offset;
    if (answered && whole) {
        FUZZ_REQUIRE(found.status == tcp::Scan::Complete);
        FUZZ_REQUIRE(r[o] == sent[0] && r[o + 1] == sent[1] && r[o + 2] == 0 && r[o + 3] == 0 &&
                     r[o + 6] == c.request.unit);
        FUZZ_REQUIRE(o + 6 + std::size_t(r[o + 4] << 8 | r[o + 5]) <= r.size());
    }
    if (result == LINK_ERR_DEVICE) {
        if (whole)
            FUZZ_REQUIRE((r[o + 7] & 0x80) && deviceError == r[o + 8]);
    } else {
        FUZZ_REQUIRE(deviceError == 0);
    }
    if (c.write) {
        FUZZ_REQUIRE(
            fuzz::isOneOf(result, {1, LINK_ERR_TIMEOUT, LINK_ERR_DEVICE, LINK_ERR_FRAME, LINK_ERR_ECHO}));
        if (result == 1 && whole)
            FUZZ_REQUIRE(std::equal(sent + 7, sent + 12, r.begin() + std::ptrdiff_t(o) + 7));
        return 0;
    }
    // A response without data bytes is taken as it stands: 0 bytes copied.
    FUZZ_REQUIRE(result >= 0 ||
                 fuzz::isOneOf(result, {-7, LINK_ERR_TIMEOUT, LINK_ERR_DEVICE, LINK_ERR_FRAME}));
    if (result > 0) {
        // The data may fill the caller's buffer but must lie inside their own frame.
        FUZZ_REQUIRE(std::uint32_t(result) <= target.size);
        if (whole) {
            const std::size_t length = std::size_t(r[o + 4] << 8 | r[o + 5]);
            FUZZ_REQUIRE(r[o + 8] == result && 3 + std::size_t(result) <= length);
            FUZZ_REQUIRE(std::equal(target.bytes.get(), target.bytes.get() + result,
                                    r.begin() + std::ptrdiff_t(o) + 9));
        }
    } else {
        FUZZ_REQUIRE(target.untouched());
    }
    return 0;
}
