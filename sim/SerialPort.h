// SPDX-License-Identifier: MIT
// The simulator's end of a serial line: a real device set up with termios,
// or a pseudo-terminal we create with a symlink to its slave side for the
// client to open by name.
#pragma once

#include "LineTiming.h"

#include <memory>
#include <string>

namespace zrq7::sim {

class SerialPort
{
public:
    // A serial device, raw, with the line settings. Null with `error` set on failure.
    static std::unique_ptr<SerialPort> openDevice(const std::string& path, const LineSettings& line,
                                                  std::string& error);
    // A new pseudo-terminal, raw, with `linkPath` pointing at its slave side.
    // An existing link is replaced only when it dangles (left by a killed run).
    static std::unique_ptr<SerialPort> createPty(const std::string& linkPath, const LineSettings& line,
                                                 std::string& error);
    ~SerialPort(); // closes; removes the symlink if it still points at our pty
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    int fd() const { return m_fd; }
    // True for a pty: bytes move at memory speed, so the line's timing is emulated.
    bool emulatesWire() const { return m_slaveFd >= 0; }
    // A pty's line speed as its client last set it (bit/s); 0 when unknown.
    int clientBaud() const;
    std::string name() const { return m_name; }
    std::string path() const { return m_linkPath.empty() ? m_devicePath : m_linkPath; }

private:
    SerialPort() = default;

    int m_fd = -1;
    int m_slaveFd = -1; // held open so the pty survives clients opening and closing it
    std::string m_devicePath;
    std::string m_linkPath;
    std::string m_name;
};

} // namespace zrq7::sim
