# The tool's three descriptions agree: every command `zorbase --help` lists has its part of the
# manual page and is completed by the bash completion, every environment variable has its entry,
# the page renders without a groff warning and keeps backslashes and options as the user types
# them, and the completion script is valid bash.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME ToolDocs
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool> -DWORK=${CMAKE_CURRENT_BINARY_DIR}
            -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

# Fails unless the list variable `name` holds at least `minimum` entries.
function(expect_at_least minimum name)
  list(LENGTH ${name} count)
  if(count LESS minimum)
    message(FATAL_ERROR "--help lists ${count} ${name}:\n${overview}")
  endif()
endfunction()

run_tool(0 --help)
set(overview "${output}")
string(REGEX MATCH "commands:\n(  [^\n]+\n)+" listed "${overview}")
string(REGEX MATCHALL "\n  [a-z]+" commands "${listed}")
list(TRANSFORM commands STRIP)
expect_at_least(10 commands)
string(REGEX MATCH "environment:\n.*" environment "${overview}")
string(REGEX MATCHALL "\n  [A-Z][A-Z_<>]+" variables "${environment}")
list(TRANSFORM variables STRIP)
expect_at_least(5 variables)

run_tool(0 --manual-page)
set(page "${output}")
foreach(command ${commands})
  expect_text("\n.SS ${command}\n")
endforeach()
foreach(variable ${variables})
  expect_text("\n.B ${variable}")
endforeach()
expect_text(".SH \"EXIT STATUS\"")
# `zorbase file --help` says C:\Dir\File.txt and `zorbase dir` --recursive.
expect_text("C:\\eDir\\eFile.txt")
expect_text("\\-\\-recursive")

set(page_file ${WORK}/tool_docs_test.1)
file(WRITE ${page_file} "${page}")
execute_process(COMMAND groff -man -Tutf8 -ww -z ${page_file} RESULT_VARIABLE code
  ERROR_VARIABLE warnings)
if(NOT code EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff on the manual page: ${code}\n${warnings}")
endif()
file(REMOVE ${page_file})

run_tool(0 --bash-completion)
set(completion "${output}")
foreach(command ${commands})
  expect_text("    ${command}) words=")
endforeach()
expect_text("    tag) words=\"convert dump verify\"")
expect_text("    dir) words=\"map standard\"; options=\"--help --recursive\"")
execute_process(COMMAND bash -n -c "${completion}" RESULT_VARIABLE code ERROR_VARIABLE err)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "the completion script is not valid bash: ${err}")
endif()
