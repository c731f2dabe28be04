// SPDX-License-Identifier: MIT
// The exported C surface: each call forwards to the link's global state.
#include "ZRQ7DLL.h"
#include "link_channel.h"
#include "link_state.h"
#include "port_resolver.h"

#include <cstring>

using zrq7::link::LinkState;

namespace {
LinkState& link()
{
    return LinkState::instance();
}
} // namespace

extern "C" {

const std::uint32_t dll_nID = 11;
const std::uint32_t dll_nVerDll = 40;
const std::uint32_t dll_nVerMajor = 15;
const std::uint32_t dll_nVerMinor = 7;
const std::uint32_t dll_nVerDevAdr = 1;

int32_t MODBUS_Read03(uint32_t nAddress, uint32_t nRegister, uint32_t nCount, uint8_t* pBuffer,
                      uint32_t nBufferSize, uint32_t nRetries)
{
    return link().read03(nAddress, nRegister, nCount, pBuffer, nBufferSize, nRetries);
}

int32_t MODBUS_Write06(uint32_t nAddress, uint32_t nRegister, const int32_t* pnValue, uint32_t nRetries)
{
    if (!pnValue)
        return LINK_ERR_IO;
    return link().write06(nAddress, nRegister, *pnValue, nRetries);
}

uint32_t MODBUS_GetDeviceError(void)
{
    return link().deviceError;
}

int32_t COM_GetDevicePath(const char16_t* szPortName, char* szPath, uint32_t nPathSize)
{
    std::string path;
    if (zrq7::link::resolvePortPath(szPortName, path) != 0)
        return zrq7::link::kOpenFailed;
    if (!szPath || path.size() + 1 > nPathSize)
        return zrq7::link::kTooLong;
    std::memcpy(szPath, path.c_str(), path.size() + 1);
    return 0;
}

int32_t COM_Open(const char16_t* szPortName)
{
    return link().comOpen(szPortName);
}

uint32_t COM_GetOpenFailure(void)
{
    return link().openFailure;
}

int32_t COM_Setup(uint32_t nBaudRate, uint32_t nDataBits, uint32_t nParity, uint32_t nStopBits)
{
    return link().comSetup({nBaudRate, nDataBits, nParity, nStopBits});
}

int32_t COM_Close(void)
{
    return link().comClose();
}

int32_t COM_IsOpen(void)
{
    return link().comIsOpen() ? 1 : 0;
}

int32_t TCP_Open(const char16_t* szHost, uint32_t nPort)
{
    return link().tcpOpen(szHost, nPort);
}

int32_t TCP_Close(void)
{
    return link().tcpClose();
}

int32_t TCP_IsOpen(void)
{
    return link().tcpIsOpen() ? 1 : 0;
}

void DLL_SetIOProtocol(uint32_t nProtocol)
{
    link().ioProtocol = nProtocol;
}

void DLL_SetIOTimeout(uint32_t nTimeoutMs)
{
    link().ioTimeoutMs = nTimeoutMs;
}

void DLL_SetUserFlag(uint32_t nFlag)
{
    link().userFlag = nFlag;
}

uint32_t DLL_GetUserFlag(void)
{
    return link().userFlag;
}

int32_t DEBUG_Open(void)
{
    return link().debugOpen();
}

int32_t DEBUG_Close(void)
{
    return link().debugClose();
}

} // extern "C"
