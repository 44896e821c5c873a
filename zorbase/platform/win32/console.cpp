// Standard error as a console on Windows.
#include <zorbase/platform/console.h>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/win_types.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

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

void SetStandardInputBinary() { _setmode(_fileno(stdin), _O_BINARY); }

std::vector<std::string> CommandLineUtf8(int argc, char** argv) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide != nullptr && count == argc) {
    for (int i = 0; i < count; ++i) args.push_back(WideToUtf8(wide[i]));
  } else {
    // The runtime and the shell split the line differently: keep what the runtime gave.
    for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
      args.emplace_back(argv[i]);
    }
  }
  if (wide != nullptr) LocalFree(wide);
  return args;
}

}  // namespace platform
}  // namespace zb
