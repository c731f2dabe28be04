# SPDX-License-Identifier: MIT
# Until the widget-free poll has a module of its own: the panel's poll sources,
# built once more for the service with Qt Core (and Qt Gui for the load graph's
# colour type, which the load-percent rule still sits beside). Replaced by
# ZRQ7::poll when that module exists.
if(TARGET ZRQ7::poll)
    return()
endif()
set(_monitor ${PROJECT_SOURCE_DIR}/monitor)
add_library(zrq7rec_poll STATIC
    ${_monitor}/RegisterDecoding.cpp
    ${_monitor}/BlockDecoding.cpp
    ${_monitor}/FaultList.cpp
    ${_monitor}/PollWorker.cpp
    ${PROJECT_SOURCE_DIR}/controls/LoadGraphMath.cpp
)
target_include_directories(zrq7rec_poll PUBLIC ${_monitor} ${PROJECT_SOURCE_DIR}/controls)
target_link_libraries(zrq7rec_poll PUBLIC Qt6::Core Qt6::Gui ZRQ7::DLL ZRQ7::snapshot Threads::Threads)
set_target_properties(zrq7rec_poll PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
add_library(ZRQ7::poll ALIAS zrq7rec_poll)
