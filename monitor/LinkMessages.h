// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <cstdint>

// The operator's texts for connecting to the relay and for the link library's
// exchange failures (results of -100 and below).
namespace linkmessages {

// A register call's failure: the text for `result`; for -103 (the relay sent an
// exception) the text of `deviceError`, the code MODBUS_GetDeviceError() returned.
QString linkErrorMessage(int32_t result, uint32_t deviceError);
// The relay's (or a gateway's) exception code.
QString deviceErrorMessage(uint32_t deviceError);

// COM_Open failed; `failure` is COM_GetOpenFailure() (0: no reason known). A
// refused permission or a port held by another program adds a line that says so.
QString portOpenFailed(uint32_t failure = 0);
QString portSetupFailed(); // COM_Setup failed
QString tcpConnectFailed(uint32_t dwIpAddress);
QString incompatibleDevice(); // another identifier or firmware version
QString noCommunication();    // five identification reads without a valid answer
QString pollStartFailed();    // the poll thread could not be started twice

} // namespace linkmessages
