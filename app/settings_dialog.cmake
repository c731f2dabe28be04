# SPDX-License-Identifier: MIT
# The settings window "Ustawienia" and what it needs: the serial port scan
# (through the link library's port resolver), the typed fields, and the hook
# through which the device search window plugs in.
target_sources(zrq7_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CSettingsDlg.h ${CMAKE_CURRENT_LIST_DIR}/CSettingsDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SerialPortScan.h ${CMAKE_CURRENT_LIST_DIR}/SerialPortScan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsFields.h ${CMAKE_CURRENT_LIST_DIR}/SettingsFields.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeviceSearchLauncher.h
)
target_link_libraries(zrq7_app PUBLIC ZRQ7::controls ZRQ7::DLL)
