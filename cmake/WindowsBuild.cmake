# The Windows build (x86_64-w64-mingw32, run under wine on Linux): its dependencies, its backend and
# the parts of the Linux build it leaves out. Included by the top CMakeLists.txt when WIN32; the
# reasons for each exclusion are in docs/windows-build.md.

# ---- dependencies --------------------------------------------------------------------------------
# Static libraries in the prefix that the dependency script fills (expat, APR, APR-util, log4cxx,
# UnitTest++; Boost is Debian's headers, linked into the prefix). Found through pkg-config, whose
# --static answers carry the libraries the static ones need.
set(ZORBASE_WINDOWS_PREFIX "$ENV{ZORBASE_WINDOWS_PREFIX}" CACHE PATH
  "Prefix with the static Windows dependencies (default ~/.cache/zorbase-windows/prefix)")
if(NOT ZORBASE_WINDOWS_PREFIX)
  set(ZORBASE_WINDOWS_PREFIX "$ENV{HOME}/.cache/zorbase-windows/prefix" CACHE PATH "" FORCE)
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${ZORBASE_WINDOWS_PREFIX})
list(APPEND CMAKE_PREFIX_PATH ${ZORBASE_WINDOWS_PREFIX})
set(ENV{PKG_CONFIG_LIBDIR} "${ZORBASE_WINDOWS_PREFIX}/lib/pkgconfig")
set(PKG_CONFIG_ARGN --static)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LOG4CXX REQUIRED IMPORTED_TARGET liblog4cxx)
pkg_check_modules(UNITTESTPP REQUIRED IMPORTED_TARGET UnitTest++)
find_package(Threads REQUIRED)
find_package(Boost REQUIRED)
# The .reg reader and writer share the registry store's tree type, whose header names SQLite.
find_package(SQLite3 REQUIRED)

# The system libraries the backend calls.
set(ZORSTDBASE_SYSTEM_LIBRARIES kernel32)
set(ZORBASE_PRIVATE_LIBRARIES SQLite::SQLite3 advapi32 shell32 shlwapi ole32 user32 version ws2_32 mswsock rpcrt4)
set(ZORBASE_BACKEND win32)

# Everything static, also in the DLLs, so wine needs no MinGW runtime DLLs; every program and DLL
# in one folder, where Windows finds the DLLs a program needs.
string(APPEND CMAKE_SHARED_LINKER_FLAGS " -static")
string(APPEND CMAKE_EXE_LINKER_FLAGS " -static")
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/lib)
# No lib prefix: zorbase.dll and zorstdbase.dll, import libraries zorbase.dll.a and zorstdbase.dll.a.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_IMPORT_LIBRARY_PREFIX "")
# Faults that tests translate into exceptions may happen in any frame of the library.
add_compile_options(-fnon-call-exceptions)

# ---- what the Windows build leaves out -----------------------------------------------------------
# Library sources of the Linux emulation: on Windows the system's own functions (code pages,
# runtime conversions, messages, global memory, the clipboard, window messages, resources, version
# information, profile files, the registry's notification) or its own programs (the messaging
# library, the help viewer) take their place.
set(ZORBASE_LINUX_ONLY_SOURCES
  "/zorbase/platform/portable/(builtin_modules|chm_archive|chm_streams|clipboard|codepage_api|crt_text|format_message|global_memory|handle|html_help_viewer|mail_mime|mapi_buffers|mapi_module|mapi_objects|message_table|module_image|numeric_api|profile_api|registry_notify|resource_api|system_info|version_api|window_messages)\\.cpp$")
# Tests of a Linux emulation mechanism (docs/windows-build.md lists each with its reason).
set(ZORBASE_LINUX_ONLY_TESTS
  "/zorbase/platform/(builtin_modules|child_process|clipboard|dir_name_cache|file_details|html_help|isolated_call|mail_delivery|mapi_module|path_mapping|registry_reliability|resource_fixtures|shell_file|shell_folders|system_info|window_messages)_test\\.cpp$")
# Test code sets environment variables with setenv/unsetenv; on Windows these come from here.
set(ZORBASE_TEST_COMPILE_OPTIONS -include ${PROJECT_SOURCE_DIR}/tools/test_runner/posix_env.h)
# The tool tests (tools/test_runner/*.cmake) that run under wine.
set(ZORBASE_WINDOWS_EXTRA_TESTS "/(none)\\.cmake$")
