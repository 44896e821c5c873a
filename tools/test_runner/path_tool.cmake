# `zorbase path`: runs the tool on a few paths and checks its output and exit codes. Included by the
# top CMakeLists (which registers the ctest); ctest then runs this same file in script mode.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME PathTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool> -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

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
