// SPDX-License-Identifier: MIT
// libFuzzer target for the simulator's slave side: arbitrary bytes from a
// master, cut into chunks, through the RTU, ASCII or Modbus TCP request
// parser and the 03/06 answers. Besides crashes and sanitizer findings it
// stops on a broken promise: a request whose size does not match the bytes
// it came from, or an answer that is not a well-formed MODBUS response.
//
// Input: byte 0 picks the framing (low 2 bits: 0 RTU, 1 ASCII, else TCP),
// byte 1 the chunk size (0 = all at once); the rest is the line.
#include "AsciiFraming.h"
#include "FakeRelay.h"
#include "RtuFraming.h"
#include "SlaveProtocol.h"
#include "TcpFraming.h"
#include "modbus_checks.h"

#include <cstdio>
#include <cstdlib>

using namespace zrq7::sim;

namespace {

void require(bool promise, const char* what)
{
    if (!promise) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

void checkAnswer(const SlaveRequest& request, const std::vector<std::uint8_t>& answer)
{
    require(!answer.empty() && !request.pdu.empty(), "an answer needs a request");
    const std::uint8_t function = request.pdu[0];
    if (answer[0] & 0x80) {
        require(answer.size() == 2 && answer[0] == (function | 0x80), "exception answer shape");
        require(answer[1] >= 1 && answer[1] <= 3, "exception code 1..3");
        return;
    }
    require(answer[0] == function, "answer for another function");
    require(request.pdu.size() == 5, "normal answer to a malformed request");
    if (function == kWriteSingle) {
        require(answer == request.pdu, "write answer is not the echo");
        return;
    }
    const std::size_t count = std::size_t(request.pdu[3]) << 8 | request.pdu[4];
    require(function == kReadHolding && count >= 1 && count <= kMaxReadCount, "read count 1..125");
    require(answer.size() == 2 + 2 * count && answer[1] == 2 * count, "byte count matches the registers");
}

void serve(SlaveProtocol& protocol, const SlaveRequest& request, bool serial)
{
    if (const auto answer = protocol.answer(request, serial))
        checkAnswer(request, *answer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int framing = data[0] & 3;
    const std::size_t chunk = data[1] == 0 ? size : data[1];
    data += 2;
    size -= 2;

    FakeRelay relay;
    SlaveProtocol protocol(relay, 1);
    if (framing == 0 || framing == 1) {
        const auto parser = makeSerialFraming(framing == 0 ? SerialMode::Rtu : SerialMode::Ascii);
        const auto check = [&](const SlaveRequest& request) {
            // RTU: unit, PDU, CRC. ASCII: ':', hex of unit, PDU and LRC, CR LF.
            const std::size_t bytes = request.pdu.size() + 1;
            require(request.wireCharacters == (framing == 0 ? bytes + 2 : 2 * (bytes + 1) + 3),
                    "request size does not match its frame");
            require(request.wireCharacters <= size, "request longer than the input");
            const std::vector<std::uint8_t> frame = parser->encode(request.unit, request.pdu);
            require(frame.size() == request.wireCharacters, "framed size");
            serve(protocol, request, true);
        };
        for (std::size_t at = 0; at < size; at += chunk) {
            parser->feed(data + at, std::min(chunk, size - at));
            while (auto request = parser->next())
                check(*request);
        }
        if (auto last = parser->lineIdle())
            check(*last);
    } else {
        TcpFraming parser;
        for (std::size_t at = 0; at < size && !parser.broken(); at += chunk) {
            parser.feed(data + at, std::min(chunk, size - at));
            while (auto request = parser.next()) {
                require(!request->pdu.empty() && request->wireCharacters == 7 + request->pdu.size(),
                        "TCP request size does not match its header");
                serve(protocol, *request, false);
            }
        }
    }
    return 0;
}
