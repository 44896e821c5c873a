# `zorbase ini`: set creates an 8-bit file, get prints the value alone (exit 1 when missing), dump
# names the encoding of the file it read, and the usage errors.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME IniTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool> -DWORK=${CMAKE_BINARY_DIR}
            -DSOURCE=${PROJECT_SOURCE_DIR}
            -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

set(dir ${WORK}/ini_tool)
file(REMOVE_RECURSE ${dir})
file(MAKE_DIRECTORY ${dir})
set(ini ${dir}/app.ini)
run_tool(0 ini set ${ini} General Name "Two words")
file(READ ${ini} written HEX)
# "[General]\r\nName=Two words\r\n"
if(NOT written STREQUAL "5b47656e6572616c5d0d0a4e616d653d54776f20776f7264730d0a")
  message(FATAL_ERROR "unexpected file after set: '${written}'")
endif()
run_tool(0 ini get ${ini} GENERAL name)
if(NOT output STREQUAL "Two words\n")
  message(FATAL_ERROR "get printed '${output}'")
endif()
run_tool(1 ini get ${ini} General Missing)
run_tool(1 ini get ${dir}/none.ini General Name)
run_tool(0 ini dump ${ini})
expect_text("encoding: 8-bit, code page 1252\n[General]\nName = Two words\n")
# A UTF-16 file beside it (as Windows tools write it) takes precedence for dump.
file(COPY_FILE ${SOURCE}/zorbase/settings/testdata/windows_utf16_u.ini ${dir}/app_u.ini)
run_tool(0 ini dump ${ini})
expect_text("encoding: UTF-16LE (")
expect_text("Language = Deutsch\n")
run_tool(1 ini dump ${dir}/none.ini)
run_tool(2 ini)
run_tool(2 ini get ${ini} General)
run_tool(2 ini frobnicate)
