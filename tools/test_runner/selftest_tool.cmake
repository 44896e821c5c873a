# `zorbase selftest`: the built-in tests pass, the Meta Test shows its one error, and a filter that
# matches nothing is a failure rather than a pass.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME SelftestTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool> -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

run_tool(0 selftest)
expect_text("Meta Test\n - Testing if errorstrings work (if you don't see this, it doesn't)\n")
expect_text("selftest: passed")
run_tool(1 selftest NoSuchTestAnywhere)
expect_text("no test matches")
