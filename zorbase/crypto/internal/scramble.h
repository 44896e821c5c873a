// The 8- and 16-bit forms of the scrambling functions, which the public interface does not name.
#pragma once

#include <cstdint>

namespace zb {
namespace crypto {
namespace internal {

std::uint8_t Decrypt8(std::uint8_t value, std::uint32_t key);
std::uint16_t Encrypt16(std::uint16_t value, std::uint32_t key);
std::uint16_t Decrypt16(std::uint16_t value, std::uint32_t key);

}  // namespace internal
}  // namespace crypto
}  // namespace zb
