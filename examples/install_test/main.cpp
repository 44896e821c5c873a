// Builds against the installed headers and library and calls into them.
#include <zorbase/zorbase.h>

#include <cstdio>

int main() {
  SetLastError(ERROR_ACCESS_DENIED);
  if (GetLastError() != ERROR_ACCESS_DENIED || !zb::LibraryLoaded()) return 1;
  std::printf("install_test: ZorBase found and linked\n");
  return 0;
}
