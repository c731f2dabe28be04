// SPDX-License-Identifier: MIT
#include "ProgramIdentity.h"

namespace programidentity {

QString titleText()
{
    return QStringLiteral("Panel sterowania 7/8");
}

QString makerWebAddress()
{
    return QStringLiteral("www.zrq7.example.com");
}

int versionMajor()
{
    return ZRQ7_VERSION_MAJOR;
}

int versionMinor()
{
    return ZRQ7_VERSION_MINOR;
}

} // namespace programidentity
