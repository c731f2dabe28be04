// SPDX-License-Identifier: MIT
#include "LinkMessages.h"

#include "SettingsFields.h"
#include "ZRQ7DLL.h"

#include <iterator>

namespace linkmessages {

QString linkErrorMessage(int32_t result, uint32_t deviceError)
{
    switch (result) {
    case LINK_ERR_IO:
        return QStringLiteral("Błąd wprowadzenia/wyprowadzenia");
    case LINK_ERR_FRAME_FORMAT:
        return QStringLiteral("Błąd formatu ramki");
    case LINK_ERR_TIMEOUT:
        return QStringLiteral("Błąd limitu czasu. Brak odpowiedzi urządzenia.");
    case LINK_ERR_DEVICE:
        return deviceErrorMessage(deviceError);
    case LINK_ERR_CHECKSUM:
        // The leading space is part of the text as the operator has always seen it.
        return QStringLiteral(" Błąd sumy kontrolnej odebranego pakietu");
    case LINK_ERR_FRAME:
        return QStringLiteral("Odebrana niepełna ramka lub ramka zawiera niedozwolone znaki");
    case LINK_ERR_PORT:
        return QStringLiteral("Błąd portu. Praca z nieistniejącym portem");
    case LINK_ERR_ECHO:
        return QStringLiteral("Nie wszystkie bajty zostały przesłane");
    case LINK_ERR_OVERFLOW:
        return QStringLiteral("Przepełnienie bufora");
    default:
        return QStringLiteral("Nieznany kod błędu %1").arg(result);
    }
}

QString deviceErrorMessage(uint32_t deviceError)
{
    // MODBUS exception codes 1 to 7 by their standard names.
    static constexpr const char* names[] = {
        "ILLEGAL FUNCTION", "ILLEGAL DATA ADDRESS", "ILLEGAL DATA VALUE",  "SLAVE DEVICE FAILURE",
        "ACKNOWLEDGE",      "SLAVE DEVICE BUSY",    "NEGATIVE ACKNOWLEDGE"};
    if (deviceError >= 1 && deviceError <= std::size(names))
        return QStringLiteral("Urządzenie przesłało komunikat o wystąpieniu błędu '%1'")
            .arg(QLatin1String(names[deviceError - 1]));
    if (deviceError == 11)
        return QStringLiteral("Brama przesłała komunikat o wystąpieniu błędu 'Brak odpowiedzi urządzenia'");
    return QStringLiteral("Nieznany błąd!");
}

QString portOpenFailed(uint32_t failure)
{
    QString text = QStringLiteral("COM - Nie można otworzyć portu");
    if (failure == COM_OPEN_NO_PERMISSION)
        text += QStringLiteral("\r\nBrak uprawnień do portu: użytkownik musi należeć do grupy dialout.");
    else if (failure == COM_OPEN_BUSY)
        text += QStringLiteral("\r\nPort jest zajęty przez inny program (np. ModemManager).");
    return text;
}

QString portSetupFailed()
{
    return QStringLiteral("COM - Nie można dokonać ustawień portu");
}

QString tcpConnectFailed(uint32_t dwIpAddress)
{
    return QStringLiteral("TCP/IP - Nie można podłączyć się do węzła IP:") + Ipv4Text(dwIpAddress);
}

QString incompatibleDevice()
{
    return QStringLiteral("Błąd identyfikacji urządzenia. \r\nPodłączono niekompatybilne urządzenie.");
}

QString noCommunication()
{
    return QStringLiteral("Połączenie jest niemożliwe.\r\nBrak komunikacji z urządzeniem;");
}

QString pollStartFailed()
{
    return QStringLiteral("Nieodwracalny wyjątek. Program zostanie zamknięty.");
}

} // namespace linkmessages
