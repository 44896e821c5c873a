# Helpers for the script-mode tests that run the `zorbase` tool: run_tool(EXPECTED_CODE ARGS...)
# runs it and keeps its output in `output`; expect_text(TEXT) fails unless the output holds TEXT.
function(run_tool expected_code)
  execute_process(COMMAND ${TOOL} ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  if(NOT code EQUAL expected_code)
    message(FATAL_ERROR "zorbase ${ARGN}: exit code ${code}, expected ${expected_code}\n${out}${err}")
  endif()
  set(output "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect_text text)
  string(FIND "${output}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected '${text}' in the output:\n${output}")
  endif()
endfunction()
