// Test support: tagged-file bytes built by hand (headers in little-endian order, the default file
// byte order), so fixtures are spelled out independently of the code under test. Used only by
// tests and the fuzz target's seed tool.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace zb {
namespace test {

// A 12-byte header: 6 NUL-padded name bytes, major, minor, skip (little-endian).
inline std::string TagHeader(const char* name, int major, int minor, std::int32_t skip) {
  std::string out(6, '\0');
  std::memcpy(&out[0], name, std::min<size_t>(std::strlen(name), 6));
  out += static_cast<char>(major);
  out += static_cast<char>(minor);
  const std::uint32_t value = static_cast<std::uint32_t>(skip);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

// A whole record: header with the payload's length, then the payload.
inline std::string TagRecord(const char* name, int major, int minor, const std::string& payload) {
  return TagHeader(name, major, minor, static_cast<std::int32_t>(payload.size())) + payload;
}

// The head of a file of the current version.
inline std::string TagHead() { return TagHeader("ZORCOM", 2, 1, 0); }

}  // namespace test
}  // namespace zb
