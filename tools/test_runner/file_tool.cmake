# `zorbase file`: stat and copy on a private drive C:, checking output, files and exit codes.
# Included by the top CMakeLists (which registers the ctest); ctest then runs this same file in
# script mode.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME FileTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool>
      -DWORK=${CMAKE_CURRENT_BINARY_DIR}/file_tool_work -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/drive_c/Data")
set(ENV{ZORBASE_DRIVE_C} "${WORK}/drive_c")
file(WRITE "${WORK}/drive_c/Data/Report.TXT" "twelve bytes")

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

run_tool(0 file stat "C:\\DATA\\report.txt")
expect_text("windows:    C:\\Data\\Report.TXT\n")
expect_text("native:     ${WORK}/drive_c/Data/Report.TXT\n")
expect_text("exists:     yes\n")
expect_text("type:       file\n")
expect_text("size:       12\n")
expect_text("attributes: 0x20 ARCHIVE\n")

run_tool(0 file stat "${WORK}/drive_c/Data")
expect_text("type:       directory\n")
expect_text("DIRECTORY")

run_tool(1 file stat "C:\\Data\\missing.txt")
expect_text("exists:     no (error 2)")
run_tool(1 file stat "C:\\nodir\\missing.txt")
expect_text("exists:     no (error 3)")
run_tool(1 file stat "C:\\Data\\bad|name")
expect_text("error:      123")

run_tool(0 file copy "C:\\data\\REPORT.txt" "C:\\Data\\Copy.txt")
file(READ "${WORK}/drive_c/Data/Copy.txt" copied)
if(NOT copied STREQUAL "twelve bytes")
  message(FATAL_ERROR "copy holds '${copied}'")
endif()
run_tool(1 file copy "C:\\Data\\missing.txt" "C:\\Data\\Copy2.txt")
if(EXISTS "${WORK}/drive_c/Data/Copy2.txt")
  message(FATAL_ERROR "a failed copy left a file")
endif()

# Only regular files are copied: a pipe would block the copy.
execute_process(COMMAND mkfifo "${WORK}/drive_c/Data/pipe" RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "cannot make a pipe")
endif()
run_tool(0 file stat "C:\\Data\\pipe")
expect_text("type:       other")
run_tool(1 file copy "C:\\Data\\pipe" "C:\\Data\\Copy3.txt")
expect_text("is not a regular file")

run_tool(0 file --help)
expect_text("usage: zorbase file stat PATH | file copy SRC DST")
run_tool(2 file)
run_tool(2 file stat)
run_tool(2 file copy a)
run_tool(2 file move a b)
file(REMOVE_RECURSE "${WORK}")
