# SPDX-License-Identifier: MIT
# `cpack -G DEB` in the build folder makes cpl-zrq7_<version>_<arch>.deb from the install rules:
# the program, the link library with its header and pkg-config file, the simulator, the
# desktop entry, icon, metainfo and the operator's guide, installed under /usr.
set(ZRQ7_DEB_NAME cpl-zrq7)

# Debian wants the licence as the package's copyright file.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${ZRQ7_DEB_NAME} RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${ZRQ7_DEB_NAME})
set(CPACK_PACKAGE_VENDOR "The CPL_ZRQ7 developers")
set(CPACK_PACKAGE_CONTACT "The CPL_ZRQ7 developers <cpl-zrq7@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Control panel for the ZRQ-7/8 motor-protection relay")
set(CPACK_PACKAGE_DESCRIPTION
    "Desktop control panel (cpl_zrq7) for one ZRQ-7/8 three-phase motor-protection relay over\n\
RS-232/RS-485 (MODBUS RTU or ASCII) or Modbus TCP, with its link library libZRQ7DLL\n\
(header and pkg-config file included) and the relay simulator zrq7sim.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${ZRQ7_DEB_NAME})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends from the libraries the binaries link (dpkg-shlibdeps). The plug-ins Qt loads at run
# time come with them: the SVG image plug-in with libqt6svg6, the X11 platform with libqt6gui6.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# ldconfig for the shared library.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The build tree's library folder, so dpkg-shlibdeps finds libZRQ7DLL (ours, not a dependency).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
include(CPack)
