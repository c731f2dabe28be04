// SPDX-License-Identifier: MIT
#include "DeviceSearch.h"

#include "CCPL_ZRQ7App.h"
#include "CFindDeviceDlg.h"
#include "ColorRef.h"
#include "MessageBox.h"
#include "ZRQ7DLL.h"

std::optional<DeviceSearchResult> RunDeviceSearch(QWidget* owner, const DeviceSearchColours& colours,
                                                  devicesearch::ScanRange range)
{
    if (COM_IsOpen() || TCP_IsOpen()) {
        ShowMessage(owner, QMessageBox::Warning, QStringLiteral("Uwaga"),
                    QStringLiteral("Nie można wyszukiwać urządzeń podczas połączenia z urządzeniem.\r\n"
                                   "Odłącz się od urządzenia i spróbuj ponownie."));
        return std::nullopt;
    }
    const ProgramSettings& s = theApp().settings;
    CFindDeviceDlg::Setup setup;
    setup.colours = colours;
    setup.listBackground = colorFromRef(s.crBackground);
    setup.listText = colorFromRef(s.crParameter);
    setup.retries = s.nRetries;
    setup.range = range;
    CFindDeviceDlg window(std::move(setup), owner);
    if (window.exec() != QDialog::Accepted)
        return std::nullopt;
    return window.result();
}
