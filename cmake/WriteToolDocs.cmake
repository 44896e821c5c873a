# cmake -DTOOL=path/to/zorbase -DOUT=dir -P WriteToolDocs.cmake
# Writes OUT/zorbase.1 (and OUT/zorbase.1.gz, compressed as Debian wants it) and OUT/zorbase, the
# bash completion, from the tool's own command table. Also run by a sanitizer build, whose leak
# report must not fail it.
set(ENV{ASAN_OPTIONS} "detect_leaks=0")
file(MAKE_DIRECTORY ${OUT})
function(write_from_tool option file)
  execute_process(COMMAND ${TOOL} ${option} OUTPUT_FILE ${file}.tmp RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TOOL} ${option} failed: ${rc}")
  endif()
  file(RENAME ${file}.tmp ${file})
endfunction()
write_from_tool(--manual-page ${OUT}/zorbase.1)
write_from_tool(--bash-completion ${OUT}/zorbase)
# -n: no name or time stamp in the header, so the same page gives the same bytes.
execute_process(COMMAND gzip -9n -c ${OUT}/zorbase.1 OUTPUT_FILE ${OUT}/zorbase.1.gz RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed: ${rc}")
endif()
