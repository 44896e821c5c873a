# `zorbase tag`: dumps, verifies and converts the tagged-file seeds of the fuzz corpus and checks
# output and exit codes. Included by the top CMakeLists (which registers the ctest); ctest then
# runs this same file in script mode.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME TagTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool>
      -DCORPUS=${PROJECT_SOURCE_DIR}/fuzz/corpus/tagged_fuzz -DWORK=${CMAKE_CURRENT_BINARY_DIR}/tag_tool_work
      -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

run_tool(0 tag dump ${CORPUS}/nested)
expect_text("head ZORCOM 2.1, 6 records")
expect_text("DOC      2.1  at 12  data 57\n")
expect_text("  TITLE    2.1  at 24  data 17\n")
expect_text("    DATA     2.1  at 36  data 5\n")
expect_text("MUID     2.0  at 81  data 16\n")

run_tool(0 tag verify ${CORPUS}/three_records)
expect_text("ok, version 2.1, 3 records in 63 bytes")
run_tool(1 tag verify ${CORPUS}/record_past_end)
expect_text("damaged at offset 26 (depth 0): record runs past the end of the file")
run_tool(1 tag verify ${CORPUS}/negative_skip)
expect_text("damaged at offset 26 (depth 0): negative record length")
run_tool(1 tag verify ${CORPUS}/nested_past_parent)
expect_text("damaged at offset 24 (depth 1)")
run_tool(1 tag dump ${CORPUS}/record_past_end)
expect_text("damaged at offset 26")
run_tool(1 tag verify ${CORPUS}/does_not_exist)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${CORPUS}/version1 DESTINATION ${WORK})
run_tool(0 tag convert ${WORK}/version1)
run_tool(0 tag dump ${WORK}/version1)
expect_text("head ZORCOM 2.1, 4 records")
expect_text("PTS      2.1  at 12  data 17\n")
expect_text("  DATA     2.1  at 24  data 5\n")
run_tool(0 tag convert ${WORK}/version1 2.5)
run_tool(1 tag convert ${WORK}/version1 1.0)
file(COPY ${CORPUS}/record_past_end DESTINATION ${WORK})
run_tool(1 tag convert ${WORK}/record_past_end 3.0)
run_tool(2 tag convert ${WORK}/version1 two)
run_tool(2 tag)
run_tool(2 tag frobnicate x)
file(REMOVE_RECURSE ${WORK})
