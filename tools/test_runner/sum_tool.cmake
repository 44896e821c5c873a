# `zorbase sum`: the check values of "123456789" in the sha1sum form, and the usage errors.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME SumTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool> -DWORK=${CMAKE_BINARY_DIR}
            -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

set(input ${WORK}/sum_tool_input.txt)
file(WRITE ${input} "123456789")
run_tool(0 sum crc32 ${input})
expect_text("340bc6d9  ${input}\n")
run_tool(0 sum crc16 ${input})
expect_text("29b1  ${input}\n")
run_tool(0 sum sha1 ${input} ${input})
expect_text("f7c3bc1d808e04732adf679965ccc34ca7ae3441  ${input}\nf7c3bc1d808e04732adf679965ccc34ca7ae3441  ${input}\n")
run_tool(1 sum sha1 ${WORK}/no_such_file_here)
run_tool(2 sum md5 ${input})
run_tool(2 sum)
