// The scrambling functions: XOR masks, affine steps v * a + c with odd a (invertible modulo 2^w)
// and bit reversals, each undone in reverse order by the decryption.
#include <zorbase/crypto/Encrypt.h>

#include <cstring>

#include <zorbase/crypto/internal/scramble.h>

namespace {

constexpr std::uint32_t kMultiplier = 1664525u;
constexpr std::uint64_t kBitsIncrement = 46923u;

// The multiplicative inverse of odd `a` modulo 2^64 (and so modulo every smaller power of two).
constexpr std::uint64_t Inverse(std::uint64_t a) {
  std::uint64_t inv = a;  // right in the low 3 bits for odd a
  for (int i = 0; i < 5; ++i) inv *= 2 - a * inv;
  return inv;
}

inline std::uint64_t Reverse64(std::uint64_t v) {
  v = ((v >> 1) & 0x5555555555555555ull) | ((v & 0x5555555555555555ull) << 1);
  v = ((v >> 2) & 0x3333333333333333ull) | ((v & 0x3333333333333333ull) << 2);
  v = ((v >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((v & 0x0F0F0F0F0F0F0F0Full) << 4);
  return __builtin_bswap64(v);
}

// Constants of one width: XOR masks, the fixed multiplier and the increment.
template <typename T>
struct Width;
template <>
struct Width<std::uint32_t> {
  static constexpr std::uint32_t m1 = 0xBAA96887u, m2 = 0x4B0F3B58u, m3 = 0x1E17D32Cu,
                                 m4 = 0x0874F0C3u, mul = 1664525u, c = 1013904223u;
};
template <>
struct Width<std::uint16_t> {
  static constexpr std::uint16_t m1 = 0x6887, m2 = 0x3B58, m3 = 0xD32C, m4 = 0xF0C3, mul = 26125,
                                 c = 46923;
};
template <>
struct Width<std::uint8_t> {
  static constexpr std::uint8_t m1 = 0x87, m2 = 0x58, m3 = 0x2C, m4 = 0xC3, mul = 13, c = 185;
};

template <typename T>
inline T Reverse(T v) {
  return static_cast<T>(Reverse64(v) >> (64 - 8 * sizeof(T)));
}

template <typename T>
inline T KeyMultiplier(std::uint32_t key) {
  std::uint32_t k = (key & 1) ? key : key + kMultiplier;
  return static_cast<T>(k | 1);
}

template <typename T>
inline T Affine(T v, T a) {
  // Unsigned 32-bit arithmetic: the narrow types would otherwise multiply as signed int.
  return static_cast<T>(std::uint32_t{v} * a + Width<T>::c);
}

template <typename T>
inline T AffineInverse(T v, T a) {
  return static_cast<T>((std::uint32_t{v} - Width<T>::c) * static_cast<std::uint32_t>(Inverse(a)));
}

template <typename T>
T EncryptW(T x, std::uint32_t key) {
  using W = Width<T>;
  x = Affine<T>(static_cast<T>(x ^ W::m1), W::mul);
  x = Reverse(x);
  x = Affine<T>(static_cast<T>(x ^ W::m2), KeyMultiplier<T>(key));
  x = Affine<T>(static_cast<T>(x ^ W::m3), W::mul);
  x = Reverse(x);
  return static_cast<T>(x ^ W::m4);
}

template <typename T>
T DecryptW(T x, std::uint32_t key) {
  using W = Width<T>;
  x = static_cast<T>(x ^ W::m4);
  x = Reverse(x);
  x = static_cast<T>(AffineInverse<T>(x, W::mul) ^ W::m3);
  x = static_cast<T>(AffineInverse<T>(x, KeyMultiplier<T>(key)) ^ W::m2);
  x = Reverse(x);
  return static_cast<T>(AffineInverse<T>(x, W::mul) ^ W::m1);
}

inline std::uint32_t Load32(const unsigned char* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

inline void Store32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

template <bool Forward>
void Buffer(unsigned char* buffer, std::size_t length, std::uint32_t key) {
  if (buffer == nullptr) return;
  std::size_t i = 0;
  for (; i + 4 <= length; i += 4) {
    std::uint32_t v = Load32(buffer + i);
    Store32(buffer + i, Forward ? EncryptW<std::uint32_t>(v, key) : DecryptW<std::uint32_t>(v, key));
  }
  std::size_t rest = length - i;
  if (rest >= 2) {
    auto v = static_cast<std::uint16_t>(buffer[i] | (buffer[i + 1] << 8));
    v = Forward ? EncryptW<std::uint16_t>(v, key) : DecryptW<std::uint16_t>(v, key);
    buffer[i] = static_cast<unsigned char>(v);
    buffer[i + 1] = static_cast<unsigned char>(v >> 8);
    i += 2;
    rest -= 2;
  }
  if (rest == 1) {
    buffer[i] = Forward ? EncryptW<std::uint8_t>(buffer[i], key) : DecryptW<std::uint8_t>(buffer[i], key);
  }
}

void SwapBytes(ulong128& v) {
  static const int kPairs[4][2] = {{1, 7}, {5, 10}, {8, 15}, {2, 13}};
  for (const auto& p : kPairs) {
    unsigned char t = v.bytes[p[0]];
    v.bytes[p[0]] = v.bytes[p[1]];
    v.bytes[p[1]] = t;
  }
}

void GetWords(const ulong128& v, std::uint32_t* w) {
  for (int i = 0; i < 4; ++i) w[i] = Load32(v.bytes + 4 * i);
}

void SetWords(ulong128& v, const std::uint32_t* w) {
  for (int i = 0; i < 4; ++i) Store32(v.bytes + 4 * i, w[i]);
}

// The n-bit form: mask and key multiplier for `bits` bits (64 and more act on all 64).
struct BitsForm {
  std::uint64_t mask;
  unsigned shift;  // 64 - bits, for the reversal over the low bits
  std::uint64_t key_mul;
  BitsForm(ULONG bits, std::uint64_t key) {
    unsigned b = bits >= 64 ? 64 : bits;
    mask = b == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << b) - 1;
    shift = 64 - b;
    std::uint64_t k = (key & 1) ? key : key + kMultiplier;
    key_mul = (k | 1) & mask;
  }
  std::uint64_t Rev(std::uint64_t v) const { return Reverse64(v) >> shift; }
};

constexpr std::uint64_t kBitsMask1 = 0xBAA968874B0F3B58ull;
constexpr std::uint64_t kBitsMask2 = 0x01E17D32C874F0C3ull;

}  // namespace

namespace zb {
namespace crypto {
namespace internal {

std::uint8_t Decrypt8(std::uint8_t value, std::uint32_t key) { return DecryptW(value, key); }
std::uint16_t Encrypt16(std::uint16_t value, std::uint32_t key) { return EncryptW(value, key); }
std::uint16_t Decrypt16(std::uint16_t value, std::uint32_t key) { return DecryptW(value, key); }

}  // namespace internal
}  // namespace crypto
}  // namespace zb

unsigned char Encrypt(unsigned char value, ULONG key) { return EncryptW<std::uint8_t>(value, key); }

ULONG Encrypt(ULONG value, ULONG key) { return EncryptW<std::uint32_t>(value, key); }

ULONG Decrypt(ULONG value, ULONG key) { return DecryptW<std::uint32_t>(value, key); }

std::uint64_t Encrypt(std::uint64_t value, ULONG bits, std::uint64_t key) {
  if (bits == 0) return 0;
  const BitsForm f(bits, key);
  std::uint64_t x = (value * kMultiplier + kBitsIncrement) & f.mask;
  x = f.Rev(x);
  x ^= kBitsMask1 & f.mask;
  x = (x * f.key_mul + kBitsIncrement) & f.mask;
  x ^= kBitsMask2 & f.mask;
  x = (x * kMultiplier + kBitsIncrement) & f.mask;
  return f.Rev(x);
}

std::uint64_t Decrypt(std::uint64_t value, ULONG bits, std::uint64_t key) {
  if (bits == 0) return 0;
  const BitsForm f(bits, key);
  constexpr std::uint64_t kInverse = Inverse(kMultiplier);
  std::uint64_t x = f.Rev(value & f.mask);
  x = ((x - kBitsIncrement) * kInverse) & f.mask;
  x ^= kBitsMask2 & f.mask;
  x = ((x - kBitsIncrement) * Inverse(f.key_mul)) & f.mask;
  x ^= kBitsMask1 & f.mask;
  x = f.Rev(x);
  return ((x - kBitsIncrement) * kInverse) & f.mask;
}

ulong128 Encrypt(ulong128 value) {
  SwapBytes(value);
  std::uint32_t w[4];
  GetWords(value, w);
  w[3] = EncryptW<std::uint32_t>(w[3], 0);
  w[2] = EncryptW<std::uint32_t>(w[2], w[3]);
  w[1] = EncryptW<std::uint32_t>(w[1], w[2]);
  w[0] = EncryptW<std::uint32_t>(w[0], w[1]);
  SetWords(value, w);
  return value;
}

ulong128 Decrypt(ulong128 value) {
  std::uint32_t w[4];
  GetWords(value, w);
  w[0] = DecryptW<std::uint32_t>(w[0], w[1]);
  w[1] = DecryptW<std::uint32_t>(w[1], w[2]);
  w[2] = DecryptW<std::uint32_t>(w[2], w[3]);
  w[3] = DecryptW<std::uint32_t>(w[3], 0);
  SetWords(value, w);
  SwapBytes(value);
  return value;
}

void Encrypt(unsigned char* buffer, std::size_t length, ULONG key) {
  Buffer<true>(buffer, length, key);
}

void Decrypt(unsigned char* buffer, std::size_t length, ULONG key) {
  Buffer<false>(buffer, length, key);
}

ULONG StringToULong(const char* text) {
  std::uint32_t h = 0x4B0F3B58u;
  if (text == nullptr) return h;
  std::uint32_t acc = 0xBAA96887u;
  for (const char* p = text; *p != '\0'; ++p) {
    auto c = static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*p)));
    acc = (acc << 8) + c;
    h = EncryptW<std::uint32_t>(h, acc);
  }
  return h;
}
