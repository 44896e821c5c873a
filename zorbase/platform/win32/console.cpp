// Standard error as a console on Windows.
#include <zorbase/platform/console.h>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

int StandardErrorColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void WriteStandardError(const char* data, std::size_t size) {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  while (size > 0) {
    DWORD written = 0;
    DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
    if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0) return;
    data += written;
    size -= written;
  }
}

}  // namespace platform
}  // namespace zb
