// Portable SHA-1 compression (FIPS 180-1) and the run-time choice of the fast path.
#include <zorbase/crypto/internal/sha1_core.h>

#include <zorbase/crypto/internal/cpu.h>

namespace zb {
namespace crypto {
namespace internal {
namespace {

inline std::uint32_t Rol(std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

inline std::uint32_t LoadBe(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

}  // namespace

void Sha1TransformPortable(std::uint32_t* state, const std::uint8_t* data, std::size_t blocks) {
  for (; blocks > 0; --blocks, data += 64) {
    std::uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBe(data + 4 * i);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    auto step = [&](std::uint32_t f, std::uint32_t k, std::uint32_t x) {
      std::uint32_t t = Rol(a, 5) + f + e + k + x;
      e = d;
      d = c;
      c = Rol(b, 30);
      b = a;
      a = t;
    };
    auto next = [&](int i) {
      std::uint32_t v = Rol(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i & 15], 1);
      w[i & 15] = v;
      return v;
    };
    for (int i = 0; i < 16; ++i) step((b & c) | (~b & d), 0x5A827999u, w[i]);
    for (int i = 16; i < 20; ++i) step((b & c) | (~b & d), 0x5A827999u, next(i));
    for (int i = 20; i < 40; ++i) step(b ^ c ^ d, 0x6ED9EBA1u, next(i));
    for (int i = 40; i < 60; ++i) step((b & c) | (b & d) | (c & d), 0x8F1BBCDCu, next(i));
    for (int i = 60; i < 80; ++i) step(b ^ c ^ d, 0xCA62C1D6u, next(i));
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

void Sha1Transform(std::uint32_t* state, const std::uint8_t* data, std::size_t blocks) {
  if (ActiveCpu().sha.load(std::memory_order_relaxed)) {
    Sha1TransformNi(state, data, blocks);
  } else {
    Sha1TransformPortable(state, data, blocks);
  }
}

}  // namespace internal
}  // namespace crypto
}  // namespace zb
