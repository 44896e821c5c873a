// Tests set and clear environment variables with the POSIX calls. On Windows the runtime's
// _putenv_s stands in for them (the Windows build force-includes this header into the test
// runner's sources); elsewhere this header is empty. Windows keeps no empty variables: setting ""
// removes the variable there.
#pragma once

#ifdef _WIN32
#include <stdlib.h>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (overwrite == 0 && getenv(name) != nullptr) return 0;
  return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }
#endif
