# SPDX-License-Identifier: MIT
# Installation beside the programs (desktop entry, icons, documentation) and
# the Debian package. Included at the end of the top-level CMakeLists.txt;
# runo-control, runoctl and projector-sim install themselves into bin.
#
#   cmake --install BUILD --prefix PREFIX
#   cd BUILD && cpack -G DEB

include(GNUInstallDirs)

set(RUNO_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

install(FILES ${RUNO_PACKAGING_DIR}/runo-control.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32)
  install(FILES ${RUNO_PACKAGING_DIR}/icons/${size}x${size}/runo-control.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${RUNO_PACKAGING_DIR}/icons/runo-control.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The README and the documents it links to, so its links work where it is
# installed too.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png")

# Manual pages, with the version filled in and compressed as Debian keeps them.
find_program(RUNO_GZIP gzip REQUIRED)
set(RUNO_MAN_PAGES runo-control runoctl projector-sim)
set(RUNO_MAN_FILES)
foreach(page IN LISTS RUNO_MAN_PAGES)
  configure_file(${RUNO_PACKAGING_DIR}/man/${page}.1.in ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.1.gz
    COMMAND ${RUNO_GZIP} -9nf -k ${page}.1
    DEPENDS ${PROJECT_BINARY_DIR}/man/${page}.1
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/man)
  list(APPEND RUNO_MAN_FILES ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
endforeach()
add_custom_target(runo-man ALL DEPENDS ${RUNO_MAN_FILES})
install(FILES ${RUNO_MAN_FILES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian copyright file, from the LICENSE, in the machine-readable format.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE RUNO_LICENSE_TEXT)
string(REGEX REPLACE "\n$" "" RUNO_LICENSE_TEXT "${RUNO_LICENSE_TEXT}")
string(REGEX REPLACE "\n\n" "\n.\n" RUNO_LICENSE_TEXT "${RUNO_LICENSE_TEXT}")
string(REGEX REPLACE "\n" "\n " RUNO_LICENSE_TEXT "${RUNO_LICENSE_TEXT}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: runo-control

Files: *
Copyright: 2026 The runo-control authors
License: MIT
 ${RUNO_LICENSE_TEXT}
")
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Redraws the committed PNG icons in the source tree (not built by default).
add_executable(runo-drawicon EXCLUDE_FROM_ALL ${RUNO_PACKAGING_DIR}/icons/drawicon.cpp)
target_link_libraries(runo-drawicon PRIVATE Qt6::Gui)
add_custom_target(runo-icons
  COMMAND ${CMAKE_COMMAND} -E make_directory ${RUNO_PACKAGING_DIR}/icons/16x16 ${RUNO_PACKAGING_DIR}/icons/32x32
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:runo-drawicon> 16 ${RUNO_PACKAGING_DIR}/icons/16x16/runo-control.png
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:runo-drawicon> 32 ${RUNO_PACKAGING_DIR}/icons/32x32/runo-control.png
  DEPENDS runo-drawicon
  COMMENT "Drawing the application icons")

# The Debian package.
set(RUNO_PACKAGE_CONTACT "runo-control maintainers" CACHE STRING
    "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME runo-control)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${RUNO_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Control panel for a data projector on an RS-232C port")
set(CPACK_PACKAGE_DESCRIPTION
"A desktop control panel for a data projector wired to the PC's serial port
(COM1 or COM2, 19200 or 9600 baud). Each button sends one projector command;
adjustment buttons repeat while held; replies are shown in a traffic display
and status reads are decoded into plain-language text. Includes runoctl,
the same commands from the shell for scripts and many projectors at once,
and projector-sim, a projector simulator on a pseudo-terminal for trying the
panel without a projector.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Not found through the libraries the programs link: the Qt platform plugins
# (without them the window cannot open) and the fonts the panel is drawn in.
set(RUNO_DEBIAN_EXTRA_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic")
find_program(RUNO_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(RUNO_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${RUNO_DEBIAN_EXTRA_DEPENDS}")
else()
  # The libraries dpkg-shlibdeps would find on Debian 12.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1 (>= 3.0), libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6serialport6 (>= 6.4), libqt6network6 (>= 6.4), ${RUNO_DEBIAN_EXTRA_DEPENDS}")
endif()

if(NOT CPACK_GENERATOR)
  set(CPACK_GENERATOR TGZ)
  find_program(RUNO_DPKG_DEB dpkg-deb)
  if(RUNO_DPKG_DEB)
    set(CPACK_GENERATOR DEB)
  endif()
endif()

include(CPack)
