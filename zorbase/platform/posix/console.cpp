#include <zorbase/platform/console.h>

#include <cerrno>

#include <sys/ioctl.h>
#include <unistd.h>

namespace zb {
namespace platform {

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

int StandardErrorColumns() {
  struct winsize size {};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void WriteStandardError(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(STDERR_FILENO, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void SetStandardInputBinary() {}

std::vector<std::string> CommandLineUtf8(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) args.emplace_back(argv[i]);
  return args;
}

}  // namespace platform
}  // namespace zb
