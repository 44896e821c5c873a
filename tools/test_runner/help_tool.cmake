# `zorbase help`: the context ids, topics and default topic of a help file compiled here with
# chmcmd, a text stream printed, a context shown through a stand-in xdg-open, and the failures.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME HelpTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool> -DWORK=${CMAKE_BINARY_DIR}/help_tool
            -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

find_program(CHMCMD chmcmd REQUIRED)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/src ${WORK}/bin)
file(WRITE ${WORK}/src/tips.hhp "[OPTIONS]\nCompiled file=tips.chm\nDefault topic=index.htm\n"
  "Title=Tips\n\n[FILES]\nindex.htm\ntip1.htm\ntip2.htm\ntips.txt\n\n"
  "[ALIAS]\nIDH_TIP1=tip1.htm\nIDH_TIP2=tip2.htm\n\n"
  "[MAP]\n#define IDH_TIP1 32768\n#define IDH_TIP2 32769\n")
file(WRITE ${WORK}/src/index.htm "<html><body><a href=\"tip1.htm\">tips</a></body></html>")
file(WRITE ${WORK}/src/tip1.htm "<html><body>First tip</body></html>")
file(WRITE ${WORK}/src/tip2.htm "<html><body>Second tip</body></html>")
file(WRITE ${WORK}/src/tips.txt "Press F1 for help.\n")
execute_process(COMMAND ${CHMCMD} --no-html-scan tips.hhp WORKING_DIRECTORY ${WORK}/src
  RESULT_VARIABLE code OUTPUT_QUIET ERROR_QUIET)
if(NOT code EQUAL 0 OR NOT EXISTS ${WORK}/src/tips.chm)
  message(FATAL_ERROR "chmcmd could not compile the fixture")
endif()
set(chm ${WORK}/src/tips.chm)

run_tool(0 help ${chm})
expect_text("context 32768 /tip1.htm\ncontext 32769 /tip2.htm\n")
expect_text("topic /tip2.htm\n")
expect_text("default /index.htm\n")
run_tool(0 help ${chm} tips.txt)
expect_text("Press F1 for help.\n")
run_tool(1 help ${chm} nothing.txt)
expect_text("not in the file")

# Shown through xdg-open, found on PATH (a stand-in that records its argument).
file(WRITE ${WORK}/bin/xdg-open "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '${WORK}/opened'\n")
file(CHMOD ${WORK}/bin/xdg-open PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(TOOL ${CMAKE_COMMAND} -E env PATH=${WORK}/bin ${TOOL})
run_tool(0 help ${chm} 0x8001)
run_tool(0 help ${chm} index.htm)
run_tool(1 help ${chm} 32770)
expect_text("context 32770: not in the file")
file(READ ${WORK}/opened opened)
if(NOT opened MATCHES "/tip2.htm\n.*/index.htm\n$")
  message(FATAL_ERROR "xdg-open was given:\n${opened}")
endif()

file(WRITE ${WORK}/not_help.chm "plain text")
run_tool(1 help ${WORK}/not_help.chm)
expect_text("not a compiled help file")
run_tool(1 help ${WORK}/missing.chm)
expect_text("no such file")
run_tool(2 help)
