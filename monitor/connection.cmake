# SPDX-License-Identifier: MIT
# The connection manager under the main window: connect, identify, disconnect,
# the link error texts.
set(_connection_dir ${CMAKE_CURRENT_LIST_DIR})
target_sources(zrq7_monitor PRIVATE
    ${_connection_dir}/LinkMessages.h ${_connection_dir}/LinkMessages.cpp
    ${_connection_dir}/ConnectionManager.h ${_connection_dir}/ConnectionManager.cpp
)
