# `zorbase clip`: text set by one run and read by the next through an X server's clipboard
# (Xvfb), and the process's own clipboard without a display.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  find_program(ZORBASE_XVFB_RUN_CLIP xvfb-run)
  if(ZORBASE_XVFB_RUN_CLIP)
    add_test(NAME ClipTool
      COMMAND ${ZORBASE_XVFB_RUN_CLIP} -a -s "-nolisten tcp"
              ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool> -P ${CMAKE_CURRENT_LIST_FILE})
  endif()
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

set(text "Grüße Ωμέγα 日本語")
set(x11 ${CMAKE_COMMAND} -E env --unset=WAYLAND_DISPLAY ${TOOL})
set(TOOL ${x11})
run_tool(0 clip set "${text}")
run_tool(0 clip get)
if(NOT output STREQUAL text)
  message(FATAL_ERROR "clip get gave '${output}', expected '${text}'")
endif()

set(TOOL ${CMAKE_COMMAND} -E env --unset=WAYLAND_DISPLAY --unset=DISPLAY ${x11})
run_tool(0 clip set "only here")
run_tool(1 clip get)
expect_text("no text on the clipboard")
run_tool(2 clip)
run_tool(2 clip put x)
