# Run by CPack once the packages' files are staged: the programs of a Debian package carry no run
# path. The library lives in the system's library directory there, and a run path pointing
# anywhere else would let a stray copy of it win.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER staged INCLUDE REGEX "/usr/bin/[^/]+$")
foreach(program ${staged})
  file(RPATH_REMOVE FILE ${program})
endforeach()
