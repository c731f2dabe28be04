# SPDX-License-Identifier: MIT
# The standard install folders (GNUInstallDirs), with the library in the multiarch folder
# (lib/x86_64-linux-gnu and the like) as Debian expects for every prefix, /usr/local included:
# GNUInstallDirs alone picks it only when the prefix is /usr at the first configure.
# An explicit -DCMAKE_INSTALL_LIBDIR=... is kept; a build tree configured before this rule
# existed (plain "lib") is moved to the multiarch folder once.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT ZRQ7_LIBDIR_CHOSEN)
    if(NOT DEFINED CMAKE_INSTALL_LIBDIR OR CMAKE_INSTALL_LIBDIR STREQUAL "lib")
        set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}
            CACHE PATH "Object code libraries (LIBDIR)" FORCE)
    endif()
    set(ZRQ7_LIBDIR_CHOSEN ON CACHE INTERNAL "the multiarch library folder was set once")
endif()
include(GNUInstallDirs)
