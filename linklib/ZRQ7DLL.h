// SPDX-License-Identifier: MIT
// Public interface of the ZRQ-7/8 device link library (libZRQ7DLL.so): a MODBUS master for one
// relay over a serial port (RTU or ASCII framing) or a Modbus TCP connection, plus the relay's
// fault and measurement catalogues. All state is process-global; there are no handles.
// This is the only header a program includes from the library.
#pragma once

#ifdef __cplusplus
#include <cstdint>
#else
#include <stdint.h>
#include <uchar.h>
#endif

#if defined(ZRQ7DLL_BUILDING)
#define ZRQ7DLL_API __attribute__((visibility("default")))
#else
#define ZRQ7DLL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Result codes. Register calls return a positive byte count (read) or 1 (write) on success;
// opens, COM_Setup and closes return 0. Open and set-up failures are -1 to -8 (see each call).
enum {
    LINK_OK = 0,
    LINK_ERR_IO = -100,           // no channel open, a lock failed, serial write/read failed
    LINK_ERR_FRAME_FORMAT = -101, // reserved, never returned
    LINK_ERR_TIMEOUT = -102,      // no complete response within the I/O time-out
    LINK_ERR_DEVICE = -103,       // exception response; MODBUS_GetDeviceError() gives its code
    LINK_ERR_CHECKSUM = -104,     // CRC (RTU) or LRC (ASCII) of the response is wrong
    LINK_ERR_FRAME = -105,        // other unit address, unexpected function code or wrong length
    LINK_ERR_PORT = -106,         // the port or socket is not open
    LINK_ERR_ECHO = -107,         // write response does not repeat the request's register and value
    LINK_ERR_OVERFLOW = -108      // response would not fit into the 1024-byte receive buffer
};

// Sizes of the exported catalogues (the arrays carry no count).
enum { ZRQ7_ERR_INFO_COUNT = 40, ZRQ7_MEASURE_INFO_COUNT = 53 };

// One relay fault; the index into dll_nErrInfo is the bit number in the relay's fault mask.
typedef struct _tagSTRUCT_ERR_INFO
{
    uint32_t nRegister;            // holding register with the value at which the fault tripped; 0 = none
    uint32_t nDivisor;             // value / divisor = physical value; 0 = show the raw integer
    const char16_t* szUnit;        // unit text after the value (may be empty)
    const char16_t* szName;        // short English name
    const char16_t* szDescription; // Polish description
} _tagSTRUCT_ERR_INFO;

// One measured quantity; the index into dll_nMeasureInfo is the measurement slot number.
typedef struct _tagSTRUCT_MEASURE_INFO
{
    uint32_t nDivisor;             // value / divisor = physical value (10, 1, 100 or 1000)
    const char16_t* szName;        // short English name; empty for the derived powers and the heating
    const char16_t* szUnit;        // unit text (may be empty)
    const char16_t* szDescription; // Polish description (channel and column title)
} _tagSTRUCT_MEASURE_INFO;

// Read-only catalogues; the strings live as long as the library is loaded.
ZRQ7DLL_API extern const _tagSTRUCT_ERR_INFO dll_nErrInfo[40];
ZRQ7DLL_API extern const _tagSTRUCT_MEASURE_INFO dll_nMeasureInfo[53];

ZRQ7DLL_API extern const uint32_t dll_nID;        // 11: identifier a compatible relay reports in register 0
ZRQ7DLL_API extern const uint32_t dll_nVerDll;    // 40: library and recording file format version
ZRQ7DLL_API extern const uint32_t dll_nVerMajor;  // 15: highest accepted relay firmware version (register 1)
ZRQ7DLL_API extern const uint32_t dll_nVerMinor;  // 7: lowest accepted relay firmware version
ZRQ7DLL_API extern const uint32_t dll_nVerDevAdr; // 1: kept for compatibility, not used

// ---- Register exchanges (any thread; one exchange on the line at a time) ----

// Reads nCount holding registers from nRegister at unit nAddress (function 03); copies the data,
// high byte first, into pBuffer. Makes up to nRetries + 1 attempts; the result is the last one's.
// Returns the number of bytes copied, -7 if the data do not fit pBuffer (serial: data must be
// smaller than nBufferSize; TCP: may fill it), or LINK_ERR_* (-100 when no link is open).
// A null pBuffer counts as a buffer of size 0.
ZRQ7DLL_API int32_t MODBUS_Read03(uint32_t nAddress, uint32_t nRegister, uint32_t nCount, uint8_t* pBuffer,
                                  uint32_t nBufferSize, uint32_t nRetries);

// Writes the low 16 bits of *pnValue to register nRegister at unit nAddress (function 06).
// Returns 1 when the relay echoed the request, else LINK_ERR_* (-100 also when pnValue is null).
ZRQ7DLL_API int32_t MODBUS_Write06(uint32_t nAddress, uint32_t nRegister, const int32_t* pnValue,
                                   uint32_t nRetries);

// Exception code of the last exception response (after a LINK_ERR_DEVICE result), else 0.
ZRQ7DLL_API uint32_t MODBUS_GetDeviceError(void);

// ---- Serial link ----

// Resolves a port name to a device path: an absolute path ("/dev/...") is copied unchanged;
// "COMn" (n 1..255) is the entry COMn of the port-map folder ($ZRQ7_PORTS, else
// $XDG_CONFIG_HOME/CPL_ZRQ7/ports, else ~/.config/CPL_ZRQ7/ports) when it exists, otherwise
// COM1-32 = /dev/ttyS0-31, COM33-64 = /dev/ttyUSB0-31, COM65-96 = /dev/ttyACM0-31.
// Returns 0 and the UTF-8 path in szPath; -1 for no name or a name that maps to nothing;
// -7 if the path plus its terminating 0 does not fit nPathSize bytes.
ZRQ7DLL_API int32_t COM_GetDevicePath(const char16_t* szPortName, char* szPath, uint32_t nPathSize);

// Closes the serial port and removes any channel, then opens the port ("COMn" or an absolute
// device path) exclusively and installs the RTU channel, or ASCII after DLL_SetIOProtocol(1).
// Returns 0; -1 for no name, a port that cannot be opened or one held by another opener;
// -7 if the name is longer than 249 characters. COM_GetOpenFailure() then tells why.
ZRQ7DLL_API int32_t COM_Open(const char16_t* szPortName);

// Why the last COM_Open failed, for the program's message; the library itself shows nothing.
enum {
    COM_OPEN_NO_FAILURE = 0,    // the last open succeeded, or there was none yet
    COM_OPEN_NOT_FOUND = 1,     // no name, a name that maps to nothing, or no such device
    COM_OPEN_NO_PERMISSION = 2, // the device refused this user (EACCES, EPERM): group dialout
    COM_OPEN_BUSY = 3,          // another program holds the port (EBUSY, or it holds its lock)
    COM_OPEN_NOT_TERMINAL = 4,  // the path is not a serial device
    COM_OPEN_OTHER = 5          // any other failure (name too long, device error, no resources)
};

// COM_OPEN_* for the most recent COM_Open in this process (any thread's). Never fails.
ZRQ7DLL_API uint32_t COM_GetOpenFailure(void);

// Sets the line: nBaudRate 0 = 9600, 1 = 19200; nDataBits 0 = 7, else 8; nParity 0 = none,
// 1 = even, else none; nStopBits 0 = 1, else 2. Returns 0, -1 if no port is open, -2 if the
// driver refuses a setting (the port stays open).
ZRQ7DLL_API int32_t COM_Setup(uint32_t nBaudRate, uint32_t nDataBits, uint32_t nParity, uint32_t nStopBits);

// Releases the port and removes the channel (whatever transport installed it). Always 0.
ZRQ7DLL_API int32_t COM_Close(void);

// 1 while a serial port is held, else 0.
ZRQ7DLL_API int32_t COM_IsOpen(void);

// ---- Modbus TCP link ----

// Closes the TCP link and removes any channel, then connects to szHost (dotted IPv4 text, no
// name resolution) at nPort (low 16 bits) and starts the receive thread. Returns 0; -3 for no
// host or no socket; -4 for bad host text, a failed socket option or a failed connection;
// -8 if the receive thread cannot be started.
ZRQ7DLL_API int32_t TCP_Open(const char16_t* szHost, uint32_t nPort);

// Closes the socket, stops the receive thread and removes the channel. Always 0.
ZRQ7DLL_API int32_t TCP_Close(void);

// 1 while a socket is held (also after a failed connect, until the next close or open), else 0.
ZRQ7DLL_API int32_t TCP_IsOpen(void);

// ---- Settings ----

// 1 selects ASCII framing, any other value RTU; takes effect at the next COM_Open.
ZRQ7DLL_API void DLL_SetIOProtocol(uint32_t nProtocol);

// Response time-out of one exchange attempt in milliseconds (default 100); read at each attempt.
ZRQ7DLL_API void DLL_SetIOTimeout(uint32_t nTimeoutMs);

// A value kept for the caller; the library never interprets it.
ZRQ7DLL_API void DLL_SetUserFlag(uint32_t nFlag);
ZRQ7DLL_API uint32_t DLL_GetUserFlag(void);

// ---- Simulated link (no port) ----

// Installs the simulated channel: writes return 1, reads fill 2 x nCount random bytes (0..254)
// and return 2 x nCount, or -7 if that is not smaller than the buffer size. Closes nothing. 0.
ZRQ7DLL_API int32_t DEBUG_Open(void);

// Removes the channel (whatever transport installed it); ports and sockets stay as they are. 0.
ZRQ7DLL_API int32_t DEBUG_Close(void);

#ifdef __cplusplus
} // extern "C"
#endif
