# SPDX-License-Identifier: MIT
# Installation beside the programs: desktop entry, AppStream metainfo, icons,
# manual pages, documentation. Included at the end of the top-level
# CMakeLists.txt; the programs install themselves into bin. The Debian
# packages (debian/, scripts/package) split what is installed here.
#
#   cmake --install BUILD --prefix PREFIX

include(GNUInstallDirs)

set(RUNO_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
# The AppStream component of the panel; its metainfo file bears this name.
set(RUNO_APPSTREAM_ID org.runocontrol.runo_control)

install(FILES ${RUNO_PACKAGING_DIR}/runo-control.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${RUNO_PACKAGING_DIR}/${RUNO_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons: 16 and 32 pixels drawn pixel by pixel (drawicon.cpp, committed, also
# built into the program); the larger sizes rendered from the SVG at build time.
set(RUNO_ICON_DRAWN_SIZES 16 32)
set(RUNO_ICON_RENDERED_SIZES 48 64 128 256)
foreach(size IN LISTS RUNO_ICON_DRAWN_SIZES)
  install(FILES ${RUNO_PACKAGING_DIR}/icons/${size}x${size}/runo-control.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
find_program(RUNO_RSVG_CONVERT rsvg-convert REQUIRED)
set(RUNO_ICON_FILES)
foreach(size IN LISTS RUNO_ICON_RENDERED_SIZES)
  set(png ${PROJECT_BINARY_DIR}/icons/${size}x${size}/runo-control.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}
    COMMAND ${RUNO_RSVG_CONVERT} --width ${size} --height ${size} --output ${png}
            ${RUNO_PACKAGING_DIR}/icons/runo-control.svg
    DEPENDS ${RUNO_PACKAGING_DIR}/icons/runo-control.svg
    COMMENT "Rendering the ${size} x ${size} icon")
  list(APPEND RUNO_ICON_FILES ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(runo-icons-rendered ALL DEPENDS ${RUNO_ICON_FILES})
install(FILES ${RUNO_PACKAGING_DIR}/icons/runo-control.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The bridge's Prometheus alert rules, loaded from here by prometheus.yml.
install(FILES ${RUNO_PACKAGING_DIR}/prometheus/runo-bridge.rules.yml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/runo-control/prometheus)

# The README and the documents it links to, so its links work where it is
# installed too.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/HACKING.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png")

# Manual pages, with the version filled in and compressed as Debian keeps them.
find_program(RUNO_GZIP gzip REQUIRED)
set(RUNO_MAN_PAGES runo-control runoctl runo-projector-sim)
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

# The copyright file, from the LICENSE, in Debian's machine-readable format:
# build/copyright is what debian/copyright must be (a test compares them).
file(READ ${PROJECT_SOURCE_DIR}/LICENSE RUNO_LICENSE_TEXT)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" RUNO_COPYRIGHT_LINE "${RUNO_LICENSE_TEXT}")
set(RUNO_COPYRIGHT_HOLDER "${CMAKE_MATCH_1}")
# The licence proper: what follows the copyright line.
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n\n" "" RUNO_LICENSE_TEXT "${RUNO_LICENSE_TEXT}")
string(REGEX REPLACE "\n$" "" RUNO_LICENSE_TEXT "${RUNO_LICENSE_TEXT}")
string(REGEX REPLACE "\n\n" "\n.\n" RUNO_LICENSE_TEXT "${RUNO_LICENSE_TEXT}")
string(REGEX REPLACE "\n" "\n " RUNO_LICENSE_TEXT "${RUNO_LICENSE_TEXT}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: runo-control
Source: the runo-control repository

Files: *
Copyright: ${RUNO_COPYRIGHT_HOLDER}
License: Expat

License: Expat
 ${RUNO_LICENSE_TEXT}
")
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Redraws the committed 16 and 32 pixel icons in the source tree (not built by
# default).
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
