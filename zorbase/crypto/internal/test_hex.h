// Hexadecimal helpers for the known-answer tests of the checksums and ciphers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zb {
namespace crypto {
namespace internal {

inline std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::vector<std::uint8_t> out;
  auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1])));
  }
  return out;
}

inline std::string ToHex(const void* data, std::size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  const auto* p = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < n; ++i) {
    out += kDigits[p[i] >> 4];
    out += kDigits[p[i] & 15];
  }
  return out;
}

}  // namespace internal
}  // namespace crypto
}  // namespace zb
