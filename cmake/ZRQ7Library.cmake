# SPDX-License-Identifier: MIT
# zrq7_add_library(<name> ALIAS <ZRQ7::alias> [QT] SOURCES <files...>
#                  [PUBLIC <targets...>] [PRIVATE <targets...>])
#
# A module's static library: its folder is its PUBLIC include folder, so its users
# include its headers by their bare names. Without QT it is plain C++ (Qt's code
# generators off) and builds in every configuration, the fuzz build's (no Qt) included;
# with QT moc, uic and rcc run over it.
function(zrq7_add_library name)
    cmake_parse_arguments(L "QT" "ALIAS" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    add_library(${name} STATIC ${L_SOURCES})
    add_library(${L_ALIAS} ALIAS ${name})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    if(L_PUBLIC)
        target_link_libraries(${name} PUBLIC ${L_PUBLIC})
    endif()
    if(L_PRIVATE)
        target_link_libraries(${name} PRIVATE ${L_PRIVATE})
    endif()
    if(NOT L_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    endif()
endfunction()
