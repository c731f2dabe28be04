# SPDX-License-Identifier: MIT
# The device parameters window (Qt): the grid's model and editor, the transfer
# worker, the window itself, the firmware choice and the wait window.
set(_window_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(zrq7_params STATIC
    ${_window_dir}/ParameterGridModel.h ${_window_dir}/ParameterGridModel.cpp
    ${_window_dir}/ParameterDelegate.h ${_window_dir}/ParameterDelegate.cpp
    ${_window_dir}/ParameterTransfer.h ${_window_dir}/ParameterTransfer.cpp
    ${_window_dir}/CSettDevDlg.h ${_window_dir}/CSettDevDlg.cpp
    ${_window_dir}/CFirmwareDlg.h ${_window_dir}/CFirmwareDlg.cpp
    ${_window_dir}/CWaitDlg.h ${_window_dir}/CWaitDlg.cpp
)
add_library(ZRQ7::params ALIAS zrq7_params)
target_include_directories(zrq7_params PUBLIC ${_window_dir})
target_link_libraries(zrq7_params PUBLIC Qt6::Widgets zrq7_params_core ZRQ7::app ZRQ7::controls ZRQ7::DLL)
