// SPDX-License-Identifier: MIT
#include "SharedLine.h"

#include "ZRQ7DLL.h"

namespace zrq7rec {
namespace {

using namespace std::chrono_literals;

// A line opened less than this long ago is not reopened for the next unit's
// identification: two silent units on one line reopen it once, not twice.
constexpr auto reopenAfter = 1s;

std::u16string utf16(const std::string& utf8)
{
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t code = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        for (int k = 1; k <= extra && i + std::size_t(k) < utf8.size(); ++k)
            code = code << 6 | (static_cast<unsigned char>(utf8[i + std::size_t(k)]) & 0x3F);
        i += std::size_t(extra) + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += char16_t(0xD800 + (code >> 10));
            out += char16_t(0xDC00 + (code & 0x3FF));
        } else {
            out += char16_t(code);
        }
    }
    return out;
}

std::string openFailureText(uint32_t failure)
{
    switch (failure) {
    case COM_OPEN_NOT_FOUND:
        return "nie ma takiego portu";
    case COM_OPEN_NO_PERMISSION:
        return "brak uprawnień (grupa dialout)";
    case COM_OPEN_BUSY:
        return "port zajęty przez inny program";
    case COM_OPEN_NOT_TERMINAL:
        return "to nie jest port szeregowy";
    default:
        return "błąd otwarcia";
    }
}

} // namespace

// One turn on the line, taken in the order asked for. Not taken (held() false)
// when the line is shut: a shut line serves no more turns, so the tickets still
// waiting need not pass in order.
class SharedLine::Turn
{
public:
    explicit Turn(SharedLine& line) : m_line(line)
    {
        std::unique_lock lock(line.m_lock);
        if (line.m_shut)
            return;
        const uint64_t ticket = line.m_nextTicket++;
        line.m_turnChanged.wait(lock, [&] { return line.m_serving == ticket || line.m_shut; });
        m_held = line.m_serving == ticket && !line.m_shut;
        if (!m_held && line.m_serving == ticket)
            ++line.m_serving; // shut as its turn came
    }
    ~Turn()
    {
        if (!m_held)
            return;
        std::lock_guard lock(m_line.m_lock);
        ++m_line.m_serving;
        m_line.m_turnChanged.notify_all();
    }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

    bool held() const { return m_held; }

private:
    SharedLine& m_line;
    bool m_held = false;
};

SharedLine::SharedLine(LinkOptions link, uint32_t timeoutMs, ServiceLog& log)
    : m_link(std::move(link)), m_timeoutMs(timeoutMs), m_text(linkText(m_link)), m_log(log)
{
}

SharedLine::~SharedLine()
{
    // Nothing reads any more (the units are gone): close without waiting for a turn.
    if (m_open)
        closeLink();
}

int32_t SharedLine::read(uint32_t address, uint32_t firstRegister, uint32_t count, uint8_t* buffer,
                         uint32_t bufferSize, uint32_t retries)
{
    Turn turn(*this);
    if (!turn.held() || !m_open)
        return LINK_ERR_IO;
    return MODBUS_Read03(address, firstRegister, count, buffer, bufferSize, retries);
}

bool SharedLine::prepareForIdentification()
{
    Turn turn(*this);
    if (!turn.held())
        return false;
    bool reopen = false;
    {
        std::lock_guard lock(m_lock);
        reopen = m_open && m_unitsUp == 0 && std::chrono::steady_clock::now() - m_openedAt >= reopenAfter;
    }
    if (reopen)
        closeLink();
    return m_open || openLink();
}

void SharedLine::unitUp()
{
    std::lock_guard lock(m_lock);
    ++m_unitsUp;
}

void SharedLine::unitDown()
{
    std::lock_guard lock(m_lock);
    if (m_unitsUp > 0)
        --m_unitsUp;
}

void SharedLine::shut()
{
    std::lock_guard lock(m_lock);
    m_shut = true;
    m_turnChanged.notify_all();
}

bool SharedLine::isShut() const
{
    std::lock_guard lock(m_lock);
    return m_shut;
}

bool SharedLine::openLink()
{
    DLL_SetIOTimeout(m_timeoutMs);
    int32_t result = 0;
    std::string failure;
    if (m_link.kind == LinkKind::Tcp) {
        result = TCP_Open(utf16(m_link.tcpHost).c_str(), m_link.tcpPort);
        if (result != 0)
            failure = "brak połączenia TCP (" + std::to_string(result) + ")";
    } else {
        DLL_SetIOProtocol(m_link.framing == Framing::Ascii ? 1 : 0);
        result = COM_Open(utf16(m_link.portName).c_str());
        if (result != 0) {
            failure = openFailureText(COM_GetOpenFailure());
        } else {
            result = COM_Setup(m_link.baudRate == 19200 ? 1 : 0, m_link.dataBits == 7 ? 0 : 1,
                               m_link.parity == Parity::Even ? 1 : 0, m_link.stopBits == 1 ? 0 : 1);
            if (result != 0) {
                failure = "sterownik odrzucił ustawienia łącza";
                COM_Close();
            }
        }
    }
    if (result != 0) {
        if (!m_openFailed)
            m_log.event("łącze " + m_text + ": nie można otworzyć: " + failure);
        m_openFailed = true;
        return false;
    }
    if (m_openFailed)
        m_log.event("łącze " + m_text + ": otwarte");
    else
        m_log.detail("łącze " + m_text + ": otwarte");
    m_openFailed = false;
    m_open = true;
    std::lock_guard lock(m_lock);
    m_openedAt = std::chrono::steady_clock::now();
    return true;
}

void SharedLine::closeLink()
{
    if (m_link.kind == LinkKind::Tcp)
        TCP_Close();
    else
        COM_Close();
    m_open = false;
}

} // namespace zrq7rec
