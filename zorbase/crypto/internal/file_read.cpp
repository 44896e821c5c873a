// Whole-file reading for the digests, through the platform's file handles.
#include <zorbase/crypto/internal/file_read.h>

#include <string>
#include <vector>

#include <zorbase/platform/platform.h>

namespace zb {
namespace crypto {
namespace internal {

bool ReadFileInPieces(const char* path, std::size_t piece_size,
                      const std::function<void(unsigned char*, std::size_t)>& piece) {
  if (path == nullptr || piece_size == 0 || piece_size > 0x7FFFFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::wstring wide = zb::platform::MultiToWide(path);
  // The runtime's fopen shares the file for reading and writing; so does this.
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<unsigned char> buffer(piece_size);
  bool ok = true;
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(piece_size), &n, nullptr)) {
      ok = false;
      break;
    }
    if (n == 0) break;
    piece(buffer.data(), n);
  }
  DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok) SetLastError(error);
  return ok;
}

}  // namespace internal
}  // namespace crypto
}  // namespace zb
