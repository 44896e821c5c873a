# `zorbase path`: runs the tool on a few paths and checks its output and exit codes. Included by the
# top CMakeLists (which registers the ctest); ctest then runs this same file in script mode.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME PathTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool> -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()

function(run_tool expected_code)
  execute_process(COMMAND ${TOOL} ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  if(NOT code EQUAL expected_code)
    message(FATAL_ERROR "zorbase ${ARGN}: exit code ${code}, expected ${expected_code}\n${out}${err}")
  endif()
  set(output "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect_text text)
  string(FIND "${output}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected '${text}' in the output:\n${output}")
  endif()
endfunction()

run_tool(0 path "C:\\Dir\\File.txt")
expect_text("drive:       \"C:\"")
expect_text("directory:   \"\\Dir\\\"")
expect_text("title:       \"File\"")
expect_text("extension:   \".txt\"")
expect_text("GET:                        C:\\Dir\\File.txt\n")
expect_text("GET_DRIVE_DIR_PARTS:        C:\\Dir\\\n")
expect_text("GET_DRIVE_DIR_PARTS(false): C:\\Dir\n")
expect_text("GET_FILE_EXT_PARTS:         File.txt\n")

run_tool(0 path --dir "C:\\TestDir")
expect_text("directory:   \"\\TestDir\"")
expect_text("title:       (missing)")
expect_text("extension:   (missing)")

run_tool(0 path "a.")
expect_text("extension:   \".\"")
expect_text("drive:       (missing)")

run_tool(0 path --help)
expect_text("usage: zorbase path PATH [--dir]")
run_tool(2 path)
run_tool(2 path a b)
run_tool(2 path --bogus a)
