# Fixtures of the resource and version tests: the runner's own resources (through
# zorbase_add_resources), two small Windows libraries built with the mingw-w64 compiler and
# resource compiler (one with version information, one without), and a native library exporting
# "DllGetVersion". They are built with the project, never committed, so they always match the
# scripts in zorbase/platform/testdata/.
set(fixture_src ${PROJECT_SOURCE_DIR}/zorbase/platform/testdata)
set(fixture_out ${PROJECT_BINARY_DIR}/resource_fixtures)
find_program(ZORBASE_WINDMC NAMES x86_64-w64-mingw32-windmc
  DOC "mingw-w64 message compiler for the message-table fixture (Debian: binutils-mingw-w64-x86-64)")
add_custom_command(OUTPUT ${fixture_out}/messages/messages.rc ${fixture_out}/messages/MSG00409.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${fixture_out}/messages
  COMMAND ${ZORBASE_WINDMC} -U -h ${fixture_out}/messages -r ${fixture_out}/messages
          ${fixture_src}/messages.mc
  DEPENDS ${fixture_src}/messages.mc
  COMMENT "Compiling the message-table fixture"
  VERBATIM)
zorbase_add_resources(zorbase_tests ${fixture_src}/module_resources.rc
  INCLUDE_DIRECTORIES ${fixture_out}/messages
  DEPENDS ${fixture_src}/strings_common.rc ${fixture_out}/messages/messages.rc
          ${fixture_out}/messages/MSG00409.bin)

find_program(ZORBASE_MINGW_CC NAMES x86_64-w64-mingw32-gcc
  DOC "mingw-w64 C compiler for the PE test fixtures (Debian: gcc-mingw-w64-x86-64)")
if(NOT ZORBASE_MINGW_CC)
  message(FATAL_ERROR "x86_64-w64-mingw32-gcc not found: run scripts/install-deps.sh")
endif()
set(pe_fixtures "")
foreach(name pe_with_version pe_without_version)
  add_custom_command(OUTPUT ${fixture_out}/${name}.dll
    COMMAND ${CMAKE_COMMAND} -E make_directory ${fixture_out}
    COMMAND ${ZORBASE_WINDRES} -c 65001 -I ${fixture_src} --output-format=coff
            -i ${fixture_src}/${name}.rc -o ${fixture_out}/${name}.res.o
    COMMAND ${ZORBASE_MINGW_CC} -shared -nostdlib -e 0 -s -Wl,--no-insert-timestamp
            -o ${fixture_out}/${name}.dll ${fixture_src}/pe_stub.c ${fixture_out}/${name}.res.o
    DEPENDS ${fixture_src}/${name}.rc ${fixture_src}/strings_common.rc ${fixture_src}/pe_stub.c
    COMMENT "Building the PE fixture ${name}.dll"
    VERBATIM)
  list(APPEND pe_fixtures ${fixture_out}/${name}.dll)
endforeach()
add_custom_target(zorbase_pe_fixtures DEPENDS ${pe_fixtures})

add_library(zorbase_test_dll_version MODULE ${fixture_src}/dll_get_version.c)
set_target_properties(zorbase_test_dll_version PROPERTIES
  LIBRARY_OUTPUT_DIRECTORY ${fixture_out} PREFIX "")

add_dependencies(zorbase_tests zorbase_pe_fixtures zorbase_test_dll_version zorbase)
# Only the file that hands out the paths sees them, so the other test sources keep their flags.
set_source_files_properties(${PROJECT_SOURCE_DIR}/zorbase/platform/resource_fixtures_test.cpp
  PROPERTIES COMPILE_DEFINITIONS
  "ZORBASE_RESOURCE_FIXTURES=\"${fixture_out}\";ZORBASE_LIBRARY_FILE=\"$<TARGET_FILE:zorbase>\";ZORBASE_DLL_VERSION_FILE=\"$<TARGET_FILE:zorbase_test_dll_version>\"")
