# `zorbase res strings`: the string table of a PE fixture and of the test runner (a native module
# with compiled-in resources), and the failures.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME ResTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool>
            -DFIXTURES=${PROJECT_BINARY_DIR}/resource_fixtures -DRUNNER=$<TARGET_FILE:zorbase_tests>
            -DLIBRARY=$<TARGET_FILE:zorbase> -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

string(REPEAT "0123456789" 60 long)
foreach(module ${FIXTURES}/pe_with_version.dll ${FIXTURES}/pe_without_version.dll ${RUNNER})
  run_tool(0 res strings ${module})
  expect_text("1\tFirst string\n15\tLast of block 1\n16\tFirst of block 2\n")
  expect_text("17\tGrüße € 𝄞\n100\tFormat %s and %d\n600\t${long}\n65535\tHighest id\n")
endforeach()
run_tool(1 res strings ${LIBRARY})
expect_text("has no string table")
run_tool(1 res strings ${FIXTURES}/no_such_file.dll)
run_tool(1 res strings ${CMAKE_CURRENT_LIST_FILE})
run_tool(2 res strings)
run_tool(2 res list ${RUNNER})
