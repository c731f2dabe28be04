# SPDX-License-Identifier: MIT
# zrq7_add_plain_library(<name> ALIAS <ZRQ7::alias> SOURCES <files...>
#                        [PUBLIC <targets...>] [PRIVATE <targets...>])
#
# A static library of plain C++ (no Qt code generators): its folder is its PUBLIC include
# folder, so its users include its headers by their bare names. Such libraries build in
# every configuration, the fuzz build's (no Qt) included.
function(zrq7_add_plain_library name)
    cmake_parse_arguments(L "" "ALIAS" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    add_library(${name} STATIC ${L_SOURCES})
    add_library(${L_ALIAS} ALIAS ${name})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    if(L_PUBLIC)
        target_link_libraries(${name} PUBLIC ${L_PUBLIC})
    endif()
    if(L_PRIVATE)
        target_link_libraries(${name} PRIVATE ${L_PRIVATE})
    endif()
    set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
endfunction()
