// The system's text for a Windows error code, on Windows from the system itself.
#include <zorbase/platform/format_message.h>

namespace zb {
namespace platform {

bool SystemMessageText(DWORD code, std::wstring* text) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) {
    if (buffer != nullptr) LocalFree(buffer);
    return false;
  }
  text->assign(buffer, length);
  LocalFree(buffer);
  return true;
}

}  // namespace platform
}  // namespace zb
