# `zorbase dir`: the standard folders under a fake home, and a directory with its map file, on a
# private drive C:. Included by the top CMakeLists (which registers the ctest); ctest then runs this
# same file in script mode.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME DirTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool>
      -DWORK=${CMAKE_CURRENT_BINARY_DIR}/dir_tool_work -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/drive_c/Projects/map1a" "${WORK}/drive_c/Projects/Plain"
  "${WORK}/home/Dokumente" "${WORK}/home/.config")
file(WRITE "${WORK}/drive_c/Projects/.map" "\r\nmap1a->Project: one\r\n[Section]\r\n")
file(WRITE "${WORK}/drive_c/Projects/notes.txt" "x")
file(WRITE "${WORK}/home/.config/user-dirs.dirs" "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n")
set(ENV{ZORBASE_DRIVE_C} "${WORK}/drive_c")
set(ENV{HOME} "${WORK}/home")
unset(ENV{XDG_CONFIG_HOME})
unset(ENV{XDG_DATA_HOME})
unset(ENV{XDG_CACHE_HOME})

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

run_tool(0 dir standard)
expect_text("CSIDL_PERSONAL")
expect_text("XDG_DOCUMENTS_DIR")
expect_text("Dokumente\n")
expect_text("CSIDL_PROGRAM_FILES ")
expect_text("C:\\Program Files  (missing)\n")
expect_text("system drive C:\n")

run_tool(0 dir map "C:\\PROJECTS")
expect_text("D-M   map1a")
expect_text("Project: one\n")
expect_text("D--   Plain")
expect_text("-F-   notes.txt")

file(WRITE "${WORK}/drive_c/Projects/.map" "map1a->Same\r\nPlain->same\r\n")
run_tool(1 dir map "C:\\Projects")
expect_text("error 1017")

run_tool(1 dir map "C:\\Missing")
run_tool(0 dir --help)
expect_text("usage: zorbase dir standard")
run_tool(2 dir)
run_tool(2 dir map)
run_tool(2 dir bogus)
