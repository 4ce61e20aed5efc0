# SPDX-License-Identifier: MIT
# runo_add_library(NAME FOLDER folder SOURCES files... [PUBLIC libs...] [PRIVATE libs...])
#
# One folder of src/, one static library. Its headers are reached as
# "folder/header.h" through an include root of its own in the build tree
# that holds that folder alone, so a target sees exactly the headers of the
# libraries it links: a file that includes from a folder its library may not
# use fails to compile.
#
# PUBLIC: what the library's own headers include, passed on to every target
# that links it. PRIVATE: what only its sources include; linked, but its
# headers stay out of sight of the targets above, which name for themselves
# whatever they include.
function(runo_add_library name)
  cmake_parse_arguments(L "" "FOLDER" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  set(root ${PROJECT_BINARY_DIR}/include/${name})
  get_filename_component(parent ${root}/${L_FOLDER} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${L_FOLDER} SYMBOLIC)
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE})
endfunction()
