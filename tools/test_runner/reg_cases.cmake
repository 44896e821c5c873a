# `zorbase reg` case by case as the Windows reg tool behaves: each case is a .reg file and/or a
# command line, the exit code it must give, the values it must leave below
# HKEY_CURRENT_USER\Software\RegCases as bytes (printed by reg_values), and for imports the lines
# it must name on standard error. Every case starts from an empty registry.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_executable(reg_values ${CMAKE_CURRENT_LIST_DIR}/reg_values.cpp)
  target_link_libraries(reg_values PRIVATE zorbase)
  add_test(NAME RegToolCases
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool> -DVALUES=$<TARGET_FILE:reg_values>
            -DWORK=${CMAKE_BINARY_DIR} -P ${CMAKE_CURRENT_LIST_FILE})
  set_tests_properties(RegToolCases PROPERTIES TIMEOUT 600)
  return()
endif()

set(dir ${WORK}/reg_cases)
set(key "HKCU\\Software\\RegCases")
set(key_line "HKEY_CURRENT_USER\\Software\\RegCases")

# reg_case(NAME [BEFORE text] [REG text] ARGS arg... CODE n [VALUES text] [SKIPPED line...]
#          [OUTPUT text] [EXPORTED text])
#   BEFORE    a .reg file imported (with /strict) before the case, to set the scene
#   REG       the text of the file case.reg; ARGS name it as case.reg
#   ARGS      the tool's arguments after "reg", run in the case's directory
#   CODE      the exit code the tool must give
#   VALUES    what reg_values prints for the key afterwards (every key and value, as bytes)
#   SKIPPED   the line numbers the tool must name on standard error as "case.reg:LINE: reason"
#             (checked whenever REG is given; none when left out)
#   OUTPUT    the tool's whole standard output
#   EXPORTED  the text of the file out.reg afterwards, which must be UTF-16LE with a byte-order
#             mark and CR LF line ends
# In REG, BEFORE and EXPORTED, @KEY@ stands for HKEY_CURRENT_USER\Software\RegCases. The texts may
# hold semicolons, so the arguments are read one by one rather than as a list.
function(reg_case name)
  set(mode "")
  set(args "")
  set(skipped "")
  foreach(kind BEFORE REG CODE VALUES OUTPUT EXPORTED)
    set(have_${kind} FALSE)
  endforeach()
  math(EXPR last "${ARGC} - 1")
  foreach(i RANGE 1 ${last})
    set(arg "${ARGV${i}}")
    if(arg MATCHES "^(BEFORE|REG|ARGS|CODE|VALUES|SKIPPED|OUTPUT|EXPORTED)$")
      set(mode ${arg})
      set(have_${arg} TRUE)
    elseif(mode STREQUAL "ARGS")
      list(APPEND args "${arg}")
    elseif(mode STREQUAL "SKIPPED")
      list(APPEND skipped "${arg}")
    else()
      string(REPLACE "@KEY@" "${key_line}" arg "${arg}")
      set(text_${mode} "${arg}")
    endif()
  endforeach()

  file(REMOVE_RECURSE ${dir})
  file(MAKE_DIRECTORY ${dir})
  set(ENV{ZORBASE_REGISTRY_DIR} ${dir}/registry)
  if(have_BEFORE)
    file(WRITE ${dir}/before.reg "${text_BEFORE}")
    execute_process(COMMAND ${TOOL} reg import before.reg /strict WORKING_DIRECTORY ${dir}
      RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT code EQUAL 0)
      message(FATAL_ERROR "${name}: the scene was not set: ${out}${err}")
    endif()
  endif()
  if(have_REG)
    file(WRITE ${dir}/case.reg "${text_REG}")
  endif()
  execute_process(COMMAND ${TOOL} reg ${args} WORKING_DIRECTORY ${dir}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE ";" " " shown "${args}")
  set(report "zorbase reg ${shown}\n--- stdout\n${out}--- stderr\n${err}")
  if(NOT code EQUAL text_CODE)
    message(SEND_ERROR "${name}: exit code ${code}, expected ${text_CODE}\n${report}")
  endif()
  if(have_OUTPUT AND NOT out STREQUAL text_OUTPUT)
    message(SEND_ERROR "${name}: standard output differs; expected\n${text_OUTPUT}\n${report}")
  endif()
  if(have_REG)
    string(REGEX MATCHALL "(^|\n)case\\.reg:[0-9]+:" named "${err}")
    set(lines "")
    foreach(entry ${named})
      string(REGEX REPLACE ".*case\\.reg:([0-9]+):" "\\1" line "${entry}")
      list(APPEND lines ${line})
    endforeach()
    if(NOT "${lines}" STREQUAL "${skipped}")
      message(SEND_ERROR "${name}: lines named ${lines}, expected ${skipped}\n${report}")
    endif()
  endif()
  if(have_VALUES)
    execute_process(COMMAND ${VALUES} ${key} OUTPUT_VARIABLE stored RESULT_VARIABLE code)
    string(STRIP "${stored}" stored)
    string(STRIP "${text_VALUES}" expected)
    if(NOT stored STREQUAL expected)
      message(SEND_ERROR "${name}: stored values\n${stored}\nexpected\n${expected}\n${report}")
    endif()
  endif()
  if(have_EXPORTED)
    string(REPLACE "\n" "\r\n" expected "${text_EXPORTED}")
    string(HEX "${expected}" expected)
    string(REGEX REPLACE "(..)" "\\100" expected "${expected}")
    file(READ ${dir}/out.reg written HEX)
    if(NOT written STREQUAL "fffe${expected}")
      message(SEND_ERROR "${name}: out.reg is\n${written}\nexpected\nfffe${expected}\n${report}")
    endif()
  endif()
endfunction()

# ---- import: the header ---------------------------------------------------------------------------
set(one_value "
[]
a=4:01000000")
foreach(header "REGEDIT4" "  REGEDIT4" "\tREGEDIT4" "REGEDIT4 and some text"
        "Windows Registry Editor Version 5.00")
  reg_case("header '${header}' imports" REG "${header}\n[@KEY@]\n\"a\"=dword:1\n" ARGS import case.reg
    CODE 0 VALUES "${one_value}")
endforeach()
foreach(header "REGEDIT" "REGEDIT3" "REGEDIT5" "REGEDIT 4")
  reg_case("header '${header}' is accepted and imports nothing" REG "${header}\n[@KEY@]\n\"a\"=dword:1\n"
    ARGS import case.reg CODE 0 VALUES "(no key)" SKIPPED 1)
endforeach()
foreach(header "\nREGEDIT4" "; comment\nREGEDIT4" "regedit4" "Windows Registry Editor Version 4.00")
  reg_case("header '${header}' is refused" REG "${header}\n[@KEY@]\n\"a\"=dword:1\n" ARGS import case.reg
    CODE 1 VALUES "(no key)" SKIPPED 1)
endforeach()

# ---- import: line by line ---------------------------------------------------------------------------
reg_case("# lines are comments" ARGS import case.reg CODE 0 REG [[
REGEDIT4
# a comment
[@KEY@]
# another
"a"=dword:1
]] VALUES "${one_value}")

reg_case("a comment line and a blank line inside hex data continue it" ARGS import case.reg CODE 0 REG [[
REGEDIT4
[@KEY@]
"a"=hex:01,02,\
; a comment line

  03,\
  04
"b"=hex:05,\ ; a comment after the backslash
  06
]] VALUES [[
[]
a=3:01020304
b=3:0506
]])

reg_case("comments after hex data, after =- and whitespace after dword:" ARGS import case.reg CODE 0
  BEFORE [[
REGEDIT4
[@KEY@]
"gone"=dword:1
]] REG [[
REGEDIT4
[@KEY@]
"a"=hex:01,02 ; bytes
"b"=dword:	 2a ; a number
"gone"=- ; deleted
]] VALUES [[
[]
a=3:0102
b=4:2a000000
]])

reg_case("hex data continued at the end of the file keeps the bytes so far" ARGS import case.reg CODE 0
  REG "REGEDIT4\n[@KEY@]\n\"a\"=hex:01,02,\\\n  03,\\\n" VALUES [[
[]
a=3:010203
]])

reg_case("a line of only a backslash inside hex data drops the value" ARGS import case.reg CODE 0
  REG [[
REGEDIT4
[@KEY@]
"a"=hex:01,\
\
"b"=dword:2
]] VALUES [[
[]
b=4:02000000
]] SKIPPED 4)

reg_case("a key line that cuts hex data short still opens its key" ARGS import case.reg CODE 0
  REG [[
REGEDIT4
[@KEY@]
"a"=hex:01,\
[@KEY@\Other]
"b"=dword:2
]] VALUES [[
[]
[Other]
b=4:02000000
]] SKIPPED 4)

reg_case("\\0 and other unknown escapes make the value invalid" ARGS import case.reg CODE 0 REG [[
REGEDIT4
[@KEY@]
"a"="x\0y"
"b"="tab\t"
"c\q"="x"
"d"="back\\slash \"quoted\""
]] VALUES [[
[]
d=1:6200610063006b005c0073006c0061007300680020002200710075006f0074006500640022000000
]] SKIPPED 3 4 5)

reg_case("bad lines are skipped and named, the rest is imported" ARGS import case.reg CODE 0 REG [[
REGEDIT4
"early"=dword:1
[@KEY@]
"a"=dword:1
"b"=dword:123456789
"c"=hex:01,0g
"d"=dwrd:1
stray text
"e"="two" words
"f"="ok"
]] VALUES [[
[]
a=4:01000000
f=1:6f006b000000
]] SKIPPED 2 5 6 7 8 9)

reg_case("values in a deleted key are skipped" ARGS import case.reg CODE 0 REG [[
REGEDIT4
[-@KEY@\Gone]
"a"=dword:1
[@KEY@]
"b"=dword:2
]] VALUES [[
[]
b=4:02000000
]] SKIPPED 3)

reg_case("values of a key line that is skipped are skipped" ARGS import case.reg CODE 0 REG [[
REGEDIT4
[@KEY@]
"a"=dword:1
[HKEY_NOWHERE\Software]
"b"=dword:2
]] VALUES "${one_value}" SKIPPED 4 5)

set(bad_file [[
REGEDIT4
[@KEY@]
"a"=dword:2
"b"=dword:zz
]])
set(old_value [[
REGEDIT4
[@KEY@]
"a"=dword:1
]])
reg_case("/strict changes nothing when a line is bad" BEFORE "${old_value}" REG "${bad_file}"
  ARGS import case.reg /strict CODE 1 VALUES "${one_value}" SKIPPED 4)
reg_case("without /strict the good lines of the same file go in" BEFORE "${old_value}" REG "${bad_file}"
  ARGS import case.reg CODE 0 VALUES "
[]
a=4:02000000" SKIPPED 4)
reg_case("/strict refuses a header that imports nothing" REG "REGEDIT3\n[@KEY@]\n" ARGS import case.reg /strict
  CODE 1 VALUES "(no key)" SKIPPED 1)

reg_case("a change that cannot be written fails the import, the rest goes in" ARGS import case.reg
  CODE 1 REG [[
REGEDIT4
[HKEY_USERS\NoSuchHive]
"a"=dword:1
[@KEY@]
"a"=dword:1
]] VALUES "${one_value}" SKIPPED 2 3)

# ---- add -------------------------------------------------------------------------------------------
foreach(twice "/v;a;/v;b" "/t;REG_SZ;/t;REG_SZ" "/d;x;/d;y" "/f;/f" "/ve;/ve" "/v;a;/ve")
  reg_case("add refuses ${twice}" ARGS add ${key} ${twice} CODE 1 VALUES "(no key)")
endforeach()
reg_case("add REG_DWORD needs /d" ARGS add ${key} /v n /t REG_DWORD CODE 1 VALUES "(no key)")
reg_case("add REG_DWORD_BIG_ENDIAN needs /d" ARGS add ${key} /v n /t REG_DWORD_BIG_ENDIAN CODE 1
  VALUES "(no key)")
set(empty_default "
[]
@=1:0000")
reg_case("add KEY writes the empty default value" ARGS add ${key} CODE 0 VALUES "${empty_default}")
reg_case("add KEY /f writes the empty default value" ARGS add ${key} /f CODE 0 VALUES "${empty_default}")
reg_case("add REG_NONE keeps its text with a terminator" ARGS add ${key} /v n /t REG_NONE /d ab CODE 0
  VALUES "
[]
n=0:610062000000")
reg_case("add REG_NONE without /d is a terminator" ARGS add ${key} /v n /t REG_NONE CODE 0 VALUES "
[]
n=0:0000")
reg_case("add REG_DWORD_BIG_ENDIAN is stored in the machine's order" ARGS add ${key} /v n
  /t REG_DWORD_BIG_ENDIAN /d 0x12345678 CODE 0 VALUES "
[]
n=5:78563412")
reg_case("add REG_DWORD_LITTLE_ENDIAN is REG_DWORD" ARGS add ${key} /v n /t reg_dword_little_endian
  /d 10 CODE 0 VALUES "
[]
n=4:0a000000")
reg_case("add REG_QWORD -1 is all ones" ARGS add ${key} /v n /t REG_QWORD /d -1 CODE 0 VALUES "
[]
n=11:ffffffffffffffff")
reg_case("add REG_DWORD refuses -1" ARGS add ${key} /v n /t REG_DWORD /d -1 CODE 1 VALUES "(no key)")
reg_case("add REG_BINARY pads an odd number of digits in front" ARGS add ${key} /v n /t REG_BINARY
  /d abc CODE 0 VALUES "
[]
n=3:0abc")
reg_case("add REG_MULTI_SZ a# with /s # is a, NUL, NUL" ARGS add ${key} /v n /t REG_MULTI_SZ /s "#"
  /d "a#" CODE 0 VALUES "
[]
n=7:610000000000")
reg_case("add REG_MULTI_SZ a\\0b" ARGS add ${key} /v n /t REG_MULTI_SZ /d "a\\0b" CODE 0 VALUES "
[]
n=7:61000000620000000000")
reg_case("add REG_MULTI_SZ # alone with /s # is two NULs" ARGS add ${key} /v n /t REG_MULTI_SZ /s "#"
  /d "#" CODE 0 VALUES "
[]
n=7:00000000")
reg_case("add REG_MULTI_SZ without /d is one NUL" ARGS add ${key} /v n /t REG_MULTI_SZ CODE 0 VALUES "
[]
n=7:0000")
foreach(refused "/s;#;/d;a##b" "/s;#;/d;#a" "/d;a\\0\\0b" "/d;\\0a" "/s;##;/d;a##b" "/s;ab;/d;a")
  reg_case("add REG_MULTI_SZ refuses ${refused}" ARGS add ${key} /v n /t REG_MULTI_SZ ${refused}
    CODE 1 VALUES "(no key)")
endforeach()
reg_case("add refuses a key ending in two backslashes" ARGS add "${key}\\\\" /v n /d x CODE 1
  VALUES "(no key)")
reg_case("add refuses a value on a bare root" ARGS add HKCU /v n /d x CODE 1 VALUES "(no key)")
reg_case("add accepts /reg:64, there being one view" ARGS add ${key} /v n /d x /reg:64 CODE 0 VALUES "
[]
n=1:78000000")
reg_case("add refuses an unknown type" ARGS add ${key} /v n /t REG_WORD /d 1 CODE 1 VALUES "(no key)")
reg_case("add without KEY is a usage error" ARGS add CODE 1)
reg_case("reg without an operation is a usage error" ARGS "" CODE 1)

# ---- help ------------------------------------------------------------------------------------------
foreach(help "/?" "query;/?" "add;/h" "delete;-H" "export;/?" "import;-h" "add;${key};/v;x;/?")
  reg_case("help '${help}'" ARGS ${help} CODE 0)
endforeach()
reg_case("/h as the data of /d is data" ARGS add ${key} /v x /d /h CODE 0 VALUES "
[]
x=1:2f0068000000")

# ---- query -----------------------------------------------------------------------------------------
set(values_and_sub [[
REGEDIT4
[@KEY@]
"a"="x"
"n"=dword:2a
[@KEY@\Sub]
"b"="y"
]])
reg_case("query lists values, a blank line, then sub-keys" BEFORE "${values_and_sub}" ARGS query ${key}
  CODE 0 OUTPUT "
HKEY_CURRENT_USER\\Software\\RegCases
    a    REG_SZ    x
    n    REG_DWORD    0x2a

HKEY_CURRENT_USER\\Software\\RegCases\\Sub
")
reg_case("query of a key with only values ends in a blank line" BEFORE "REGEDIT4\n[@KEY@]\n\"a\"=\"x\"\n"
  ARGS query ${key} CODE 0 OUTPUT "
HKEY_CURRENT_USER\\Software\\RegCases
    a    REG_SZ    x

")
reg_case("query of a key with only sub-keys has no header line" BEFORE "REGEDIT4\n[@KEY@\\Sub]\n"
  ARGS query ${key} CODE 0 OUTPUT "
HKEY_CURRENT_USER\\Software\\RegCases\\Sub
")
reg_case("query /v shows one value and a blank line" BEFORE "${values_and_sub}" ARGS query ${key} /v N
  CODE 0 OUTPUT "
HKEY_CURRENT_USER\\Software\\RegCases
    n    REG_DWORD    0x2a

")
reg_case("query /s lists each key with its values and a blank line" BEFORE "${values_and_sub}"
  ARGS query ${key} /s CODE 0 OUTPUT "
HKEY_CURRENT_USER\\Software\\RegCases
    a    REG_SZ    x
    n    REG_DWORD    0x2a

HKEY_CURRENT_USER\\Software\\RegCases\\Sub
    b    REG_SZ    y

")

# ---- export ----------------------------------------------------------------------------------------
set(strings [[
Windows Registry Editor Version 5.00
[@KEY@]
"empty"=hex(1):
"cut"=hex(1):61,00,00,00,62,00,00,00
"plain"="text"
]])
set(exported_strings [[
Windows Registry Editor Version 5.00

[@KEY@]
"empty"=""
"cut"="a"
"plain"="text"

]])
reg_case("export writes empty and NUL-cut REG_SZ data as quoted text" BEFORE "${strings}"
  ARGS export ${key} out.reg CODE 0 EXPORTED "${exported_strings}")
reg_case("export takes /y after the file name" BEFORE "${strings}" ARGS export ${key} out.reg /y CODE 0
  EXPORTED "${exported_strings}")
reg_case("export refuses /y before the file name" BEFORE "${strings}" ARGS export ${key} /y out.reg
  CODE 1)
reg_case("export refuses /y before the key" BEFORE "${strings}" ARGS export /y ${key} out.reg CODE 1)
