# What `cmake --install` puts under the prefix, and the Debian package `cpack -G DEB` makes of it:
# the two programs, the language file, the desktop entry with its icons, the manual page of
# quelvane-cli and the README. Test programs, the gallery, benchmarks and fuzzers stay in the build.

set(CMAKE_INSTALL_DOCDIR "share/doc/quelvane" CACHE PATH "Documentation folder (DATAROOTDIR/doc/quelvane)")
include(GNUInstallDirs)

# The installed program looks for its language file in ../share/quelvane from its own folder.
if(NOT CMAKE_INSTALL_BINDIR STREQUAL "bin" OR NOT CMAKE_INSTALL_DATADIR STREQUAL "share")
  message(WARNING "quelvane finds its language file only in bin/../share/quelvane; "
    "with BINDIR ${CMAKE_INSTALL_BINDIR} and DATADIR ${CMAKE_INSTALL_DATADIR} it runs in English")
endif()

install(TARGETS quelvane quelvane-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${PROJECT_SOURCE_DIR}/LanguageFile.ini" DESTINATION "${CMAKE_INSTALL_DATADIR}/quelvane")
install(FILES "${PROJECT_SOURCE_DIR}/data/quelvane.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/data/icons/hicolor" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons")
# The manual page carries the version of the build.
configure_file("${PROJECT_SOURCE_DIR}/data/quelvane-cli.1.in" "${PROJECT_BINARY_DIR}/quelvane-cli.1" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/quelvane-cli.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${PROJECT_SOURCE_DIR}/README.md" DESTINATION "${CMAKE_INSTALL_DOCDIR}")

set(QUELVANE_MAINTAINER "Quelvane developers <quelvane@localhost>"
  CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "quelvane")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Quelvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search and replace text across the files of folders")
set(CPACK_PACKAGE_CONTACT "${QUELVANE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUELVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
# The body under the summary; CPack indents it for the control file.
set(CPACK_PACKAGE_DESCRIPTION "Quelvane finds the blocks of lines in which every search expression
matches, in the files of folders, shows them, and replaces them, first copying
every file it changes into a backup set that it can put back. The desktop
program is quelvane; the console program quelvane-cli searches, replaces and
restores the same way.")
# The fonts are read at run time, so no library scan finds them.
set(quelvane_font_depends "fonts-ipafont-gothic, fonts-dejavu-core")
find_program(QUELVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QUELVANE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${quelvane_font_depends}")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libsdl2-2.0-0, libpango-1.0-0, libpangocairo-1.0-0, libcairo2, ${quelvane_font_depends}")
endif()
include(CPack)
