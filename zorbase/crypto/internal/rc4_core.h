// The two forms of the RC4 stream loop; both give the same bytes and leave the same key state.
#pragma once

#include <cstddef>

#include <zorbase/crypto/rc4.h>

namespace zb {
namespace crypto {
namespace internal {

// Buffers at least this long take the word form (its copy of the permutation pays off).
constexpr std::size_t kRc4WordThreshold = 512;

// Byte by byte on the caller's permutation.
void Rc4Bytes(unsigned char* buffer, std::size_t length, rc4_key* key);
// Eight bytes at a time on a 32-bit-word copy of the permutation.
void Rc4Words(unsigned char* buffer, std::size_t length, rc4_key* key);

}  // namespace internal
}  // namespace crypto
}  // namespace zb
