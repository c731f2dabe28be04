# SPDX-License-Identifier: MIT
# What is installed beside the targets' own install() rules: the manual pages and the licence.
# The Debian packages are made from this install by debian/ (debhelper), through
# scripts/package; debian/<package>.install says which file goes into which package.

# The manual pages, uncompressed (packaging compresses them; man reads both).
if(TARGET cpl_zrq7)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/cpl_zrq7.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET zrq7sim)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/zrq7sim.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
