// The SHA-1 compression function over whole 64-byte blocks: a portable form and one for the
// processor's SHA extensions, with identical results.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zb {
namespace crypto {
namespace internal {

// Runs `blocks` 64-byte blocks of `data` through the compression function, updating the five
// state words.
void Sha1TransformPortable(std::uint32_t* state, const std::uint8_t* data, std::size_t blocks);

// The same with the SHA extensions; call only when CpuHasSha().
void Sha1TransformNi(std::uint32_t* state, const std::uint8_t* data, std::size_t blocks);

// Picks the fast path when the processor has it and it is active.
void Sha1Transform(std::uint32_t* state, const std::uint8_t* data, std::size_t blocks);

}  // namespace internal
}  // namespace crypto
}  // namespace zb
