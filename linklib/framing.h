// SPDX-License-Identifier: MIT
// The three MODBUS framings the link speaks (RTU, ASCII, Modbus TCP) as pure functions over byte
// buffers: building requests, deciding when a response is complete and checking it. Nothing
// here touches a port, a clock or global state, so every function can be fed arbitrary bytes.
// No function reads past the count it is given.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrq7::link {

// Size of the transmit and receive buffers of one exchange.
inline constexpr std::size_t kFrameBufferSize = 1024;

// Result of a read whose data do not fit the caller's buffer (also a port name too long).
inline constexpr std::int32_t kTooLong = -7;

// The two register operations the relay understands.
enum class Function : std::uint8_t { ReadHolding = 0x03, WriteSingle = 0x06 };

// One request: unit address, register, and the register count (read) or the value (write).
struct Request
{
    Function function = Function::ReadHolding;
    std::uint8_t unit = 0;
    std::uint16_t reg = 0;
    std::uint16_t countOrValue = 0;
};

// The caller's buffer of a read.
struct ReadTarget
{
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

// Result of a completion step: still waiting, complete (with the frame length), or failed
// with a link result code (negative).
struct Completion
{
    enum Status { Incomplete, Complete, Failed } status = Incomplete;
    std::size_t length = 0; // frame length once complete
    std::int32_t code = 0;  // result code when failed
};

// Result of the checks of a complete response: 1 (write echoed), the number of bytes copied
// (read), or a negative result code. deviceError holds the exception code after -103.
struct CheckResult
{
    std::int32_t code = 0;
    std::uint32_t deviceError = 0;
};

// Writes the 6 message bytes every framing carries: unit, function, register, count/value.
inline constexpr std::size_t kRequestMessageSize = 6;
std::size_t writeRequestMessage(const Request& request, std::uint8_t* out);

// Decodes one received hex character to its nibble: digits and either letter case decode
// correctly; anything else yields some nibble, which the LRC then catches.
std::uint8_t decodeHexNibble(std::uint8_t c);

namespace rtu {
inline constexpr std::size_t kRequestSize = 8;
// Writes the 8-byte request (address, function, register, count/value, CRC low byte first).
std::size_t buildRequest(const Request& request, std::uint8_t* out);
// Decides whether rx[0..count) holds a complete response to request.
Completion complete(const std::uint8_t* rx, std::size_t count, const Request& request);
// Checks a complete response of the given length (rx holds at least length bytes, as
// complete() guarantees): CRC, exception, echo (write) or copies the data (read; they must
// be smaller than the target).
CheckResult check(const std::uint8_t* rx, std::size_t length, const Request& request, ReadTarget target);
} // namespace rtu

namespace ascii {
inline constexpr std::size_t kRequestSize = 17;
// Writes the 17-character request ':' hex(address function register count/value LRC) CR LF.
std::size_t buildRequest(const Request& request, std::uint8_t* out);

// Collects the characters between ':' and CR LF of one response, across as many chunks as
// the line delivers them in. Starts empty for every attempt.
class Scanner
{
public:
    // Scans one chunk. Returns Complete once a frame of at least 5 characters has ended with
    // CR LF (bytes after that LF are ignored), else Incomplete. Never fails.
    Completion feed(const std::uint8_t* chunk, std::size_t size);
    const std::uint8_t* characters() const { return m_kept; }
    std::size_t count() const { return m_count; }

private:
    enum State { Idle, InFrame, GotCr, Done };
    State m_state = Idle;
    std::size_t m_count = 0;
    std::uint8_t m_kept[kFrameBufferSize] = {};
};

// Checks the kept characters of a complete frame: address, function and length, LRC,
// exception, echo (write) or decodes the data (read; they must be smaller than the target).
CheckResult check(const std::uint8_t* chars, std::size_t count, const Request& request, ReadTarget target);
} // namespace ascii

namespace tcp {
inline constexpr std::size_t kRequestSize = 12;
// Writes the 12-byte request: MBAP header (transaction id, protocol 0, length 6), unit, PDU.
std::size_t buildRequest(const Request& request, std::uint16_t transactionId, std::uint8_t* out);
// Scans rx[0..count) for the response to the request with this transaction id: frames with
// another transaction id or protocol id are skipped. On Complete, offset is where the
// matching frame starts (pass it to check()); on Failed, code is the result code.
struct Scan
{
    enum Status { Incomplete, Complete, Failed } status = Incomplete;
    std::size_t offset = 0;
    std::int32_t code = 0;
};
Scan scan(const std::uint8_t* rx, std::size_t count, std::uint16_t transactionId, std::uint8_t unit);
// Checks the complete frame at offset: exception, echo of function, register and value
// (write) or copies the data (read; they may fill the target).
// The frame must lie within rx[0..count); data reaching past its own length are refused (-105).
CheckResult check(const std::uint8_t* rx, std::size_t count, std::size_t offset, const Request& request,
                  ReadTarget target);
} // namespace tcp

} // namespace zrq7::link
