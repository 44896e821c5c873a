// Whole-file reading for the digests.
#include <zorbase/crypto/internal/file_read.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include <zorbase/platform/last_error.h>

namespace zb {
namespace crypto {
namespace internal {

bool ReadFileInPieces(const char* path, std::size_t piece_size,
                      const std::function<void(unsigned char*, std::size_t)>& piece) {
  if (path == nullptr || piece_size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    zb::platform::SetLastErrorFromErrno(errno);
    return false;
  }
  std::vector<unsigned char> buffer(piece_size);
  bool ok = true;
  for (;;) {
    std::size_t n = std::fread(buffer.data(), 1, piece_size, file);
    if (n > 0) piece(buffer.data(), n);
    if (n < piece_size) {
      if (std::ferror(file)) {
        zb::platform::SetLastErrorFromErrno(errno);
        ok = false;
      }
      break;
    }
  }
  std::fclose(file);
  return ok;
}

}  // namespace internal
}  // namespace crypto
}  // namespace zb
