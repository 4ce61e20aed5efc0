# SPDX-License-Identifier: MIT
# The Japanese catalogue is in line with the code (what lupdate makes of the
# sources now) and finished; runoctl speaks it under a Japanese locale while
# its machine-readable output stays byte for byte what it is in C, but for
# --json's "error", a human message (here the line's refusal of a device name).
set(work ${CMAKE_CURRENT_BINARY_DIR}/translations-check)
file(MAKE_DIRECTORY ${work})
configure_file(${TS} ${work}/current.ts COPYONLY)
execute_process(COMMAND ${LUPDATE} ${LUPDATE_ARGS} -ts ${work}/current.ts RESULT_VARIABLE failed)
file(READ ${TS} shipped)
file(READ ${work}/current.ts current)
if(failed OR NOT shipped STREQUAL current)
  message(FATAL_ERROR "${TS} is not in line with the sources: cmake --build build --target update-translations, then translate")
endif()
string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation( type=\"unfinished\")?></translation>" untranslated "${shipped}")
string(REGEX MATCHALL "<translation type=\"unfinished\">" unfinished "${shipped}")
if(untranslated OR unfinished)
  message(FATAL_ERROR "untranslated or unfinished in ${TS}:\n${untranslated}")
endif()
string(ASCII 1 control)
foreach(locale C ja_JP.UTF-8)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=${locale} LANGUAGE= RUNO_COM1=/dev/tty${control}x ${RUNOCTL} --json
    --com 1 power on OUTPUT_VARIABLE refused_${locale} ERROR_QUIET)
  string(REGEX REPLACE "\"error\":\"[^\"]*\"" "" refused_keys_${locale} "${refused_${locale}}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=${locale} LANGUAGE= ${RUNOCTL} --no-such-option ERROR_VARIABLE usage_${locale})
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=${locale} LANGUAGE= ${RUNOCTL} --json list OUTPUT_VARIABLE json_${locale})
endforeach()
if(NOT usage_ja_JP.UTF-8 MATCHES "詳しくは 'runoctl --help'" OR NOT usage_C MATCHES "Try 'runoctl --help'")
  message(FATAL_ERROR "runoctl under C and ja_JP.UTF-8:\n${usage_C}\n${usage_ja_JP.UTF-8}")
endif()
if(NOT json_C STREQUAL json_ja_JP.UTF-8 OR NOT json_C MATCHES "^{")
  message(FATAL_ERROR "runoctl --json list differs under ja_JP.UTF-8")
endif()
if(NOT refused_ja_JP.UTF-8 MATCHES "拒否されました: RUNO_COM1 のデバイス名に制御文字が含まれています"
   OR NOT refused_C MATCHES "refused: RUNO_COM1 names a device with a control character in it"
   OR NOT refused_keys_C STREQUAL refused_keys_ja_JP.UTF-8 OR NOT refused_keys_C MATCHES "\"result\":\"port error\"")
  message(FATAL_ERROR "runoctl --json's refusal under C and ja_JP.UTF-8:\n${refused_C}\n${refused_ja_JP.UTF-8}")
endif()
