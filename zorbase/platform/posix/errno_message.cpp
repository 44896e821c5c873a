// The C library's texts for Windows codes that stand for an errno value the table has no text for.
#include <cstring>

#include <zorbase/platform/format_message.h>
#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {

bool ErrnoMessageText(DWORD code, std::wstring* text) {
  if (code == 0 || code == ERROR_GEN_FAILURE) return false;  // the catch-all has a Windows text
  for (int e = 1; e < 134; ++e) {
    if (ErrorFromErrno(e) != code) continue;
    char buffer[256];
    const char* message = strerror_r(e, buffer, sizeof buffer);  // GNU form
    text->clear();
    for (const char* p = message; *p; ++p) text->push_back(static_cast<unsigned char>(*p));
    text->push_back(L'.');
    return true;
  }
  return false;
}

}  // namespace platform
}  // namespace zb
