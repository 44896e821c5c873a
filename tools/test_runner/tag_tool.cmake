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
# Deep nesting: every line is printed whole (no fixed line length), and past a depth the lines
# name their depth instead of growing their indentation, so output stays in proportion to the
# records however deep the file nests.
set(deep_script ${WORK}/make_deep.sh)
file(WRITE ${deep_script} [=[
# make_deep.sh OUT DEPTH: a head, DEPTH records "N" 2.1 each holding the next, and a DATA record.
out=$1; d=$2
byte() { printf "\\$(printf %03o "$1")"; }
{
  printf 'ZORCOM\002\001\000\000\000\000'
  i=0
  while [ "$i" -lt "$d" ]; do
    s=$((12 * (d - 1 - i) + 17))
    printf 'N\000\000\000\000\000\002\001'
    byte $((s & 255)); byte $(((s >> 8) & 255)); byte $(((s >> 16) & 255)); byte $(((s >> 24) & 255))
    i=$((i + 1))
  done
  printf 'DATA\000\000\002\001\005\000\000\00012345'
} > "$out"
]=])
execute_process(COMMAND sh ${deep_script} ${WORK}/deep 100 RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "cannot make the deeply nested file")
endif()
run_tool(0 tag verify ${WORK}/deep)
expect_text("ok, version 2.1, 101 records in 1229 bytes")
run_tool(0 tag dump ${WORK}/deep)
string(REPEAT " " 64 indent)
expect_text("\n${indent}N        2.1  at 396  data 821\n")
expect_text("\n${indent}[depth 67] N        2.1  at 816  data 401\n")
expect_text("\n${indent}[depth 99] N        2.1  at 1200  data 17\n")
expect_text("\n${indent}[depth 100] DATA     2.1  at 1212  data 5\n")

# The tools read regular files only: a pipe (which would block) or a directory is refused.
execute_process(COMMAND mkfifo ${WORK}/fifo RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "cannot make a pipe")
endif()
foreach(action dump verify convert)
  run_tool(1 tag ${action} ${WORK}/fifo)
  expect_text("is not a regular file")
endforeach()
run_tool(1 tag dump ${WORK})
expect_text("is a directory")

# Converting keeps the file's permissions, and converts the target of a symbolic link, keeping
# the link.
file(MAKE_DIRECTORY ${WORK}/real)
file(COPY ${CORPUS}/version1 DESTINATION ${WORK}/real)
file(CHMOD ${WORK}/real/version1 PERMISSIONS OWNER_READ OWNER_WRITE)
file(CREATE_LINK real/version1 ${WORK}/link SYMBOLIC)
run_tool(0 tag convert ${WORK}/link)
if(NOT IS_SYMLINK ${WORK}/link)
  message(FATAL_ERROR "convert replaced the symbolic link")
endif()
run_tool(0 tag dump ${WORK}/real/version1)
expect_text("head ZORCOM 2.1, 4 records")
execute_process(COMMAND stat -c %a ${WORK}/real/version1 OUTPUT_VARIABLE mode
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT mode STREQUAL "600")
  message(FATAL_ERROR "convert changed the permissions to ${mode}")
endif()
file(REMOVE_RECURSE ${WORK})
