# The installed package works: scripts/check-install.sh installs this build into a temporary
# prefix, runs the installed tool there with an empty environment and builds a project against it.
# A sanitizer build is not a package: its library needs the sanitizer runtime loaded first, which
# a plain host program does not do.
if(NOT ZORBASE_SANITIZE)
  add_test(NAME InstallRuns COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-install.sh ${PROJECT_BINARY_DIR})
  set_tests_properties(InstallRuns PROPERTIES TIMEOUT 300)
endif()
