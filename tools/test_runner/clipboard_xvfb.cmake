# The clipboard suites against a real X server: Xvfb on a free display (xvfb-run -a), reached
# through xclip and xsel as on a desktop. Skipped (not failed) where Xvfb is not installed.
find_program(ZORBASE_XVFB_RUN xvfb-run)
if(ZORBASE_XVFB_RUN)
  foreach(suite Clipboard DesktopClipboard)
    add_test(NAME ${suite}Xvfb
      COMMAND ${ZORBASE_XVFB_RUN} -a -s "-nolisten tcp"
              env -u WAYLAND_DISPLAY $<TARGET_FILE:zorbase_tests> --suite ${suite})
    set_tests_properties(${suite}Xvfb PROPERTIES TIMEOUT 300)
  endforeach()
endif()
