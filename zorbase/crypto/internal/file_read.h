// Reading a whole file in pieces for the digests: one place that opens a narrow path through the
// platform and hands each piece to a callback.
#pragma once

#include <cstddef>
#include <functional>

namespace zb {
namespace crypto {
namespace internal {

// Opens `path` (narrow text in the ANSI code page, a Windows or native path) for reading, sharing
// it for reading and writing as the runtime's fopen does, and calls `piece` with consecutive pieces of at most `piece_size` bytes until the end of the file.
// Returns false without calling `piece` when the file cannot be opened (the thread's last error
// tells why), and false after the pieces read so far when reading fails.
bool ReadFileInPieces(const char* path, std::size_t piece_size,
                      const std::function<void(unsigned char*, std::size_t)>& piece);

}  // namespace internal
}  // namespace crypto
}  // namespace zb
