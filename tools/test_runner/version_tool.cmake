# `zorbase version`: a PE fixture with version information, libzorbase.so (which reports the
# project version), and a PE file without version information.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME VersionTool
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:zorbase_tool>
            -DFIXTURES=${PROJECT_BINARY_DIR}/resource_fixtures -DLIBRARY=$<TARGET_FILE:zorbase>
            -DPROJECT_VERSION=${PROJECT_VERSION} -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/ToolTestHelpers.cmake)

run_tool(0 version ${FIXTURES}/pe_with_version.dll)
expect_text("file version:     1.2.3.4\nproduct version:  5.6.7.8\n")
expect_text("type:             2 (DLL), subtype 0\ntranslation:      040904b0\n")
expect_text("CompanyName:      Fixture Company\n")
expect_text("ProductName:      Fixture Product Grüße\n")

run_tool(0 version ${LIBRARY})
expect_text("file version:     ${PROJECT_VERSION}.0\n")
expect_text("ProductVersion:   ${PROJECT_VERSION}\n")
expect_text("OriginalFilename: libzorbase.so\n")

run_tool(1 version ${FIXTURES}/pe_without_version.dll)
expect_text("has no version information (error 1813)")
run_tool(1 version ${FIXTURES}/no_such_file.dll)
run_tool(2 version)
