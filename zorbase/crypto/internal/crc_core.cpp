// Portable CRC engines, per-polynomial tables and folding constants, and the run-time choice of
// the engine.
#include <zorbase/crypto/internal/crc_core.h>

#include <cstring>

#include <zorbase/crypto/internal/cpu.h>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace zb {
namespace crypto {
namespace internal {
namespace {

// Below this length the folding set-up costs more than it saves.
constexpr std::size_t kFoldThreshold = 128;

std::uint32_t Reflect32(std::uint32_t v) {
  std::uint32_t r = 0;
  for (int i = 0; i < 32; ++i) r |= ((v >> i) & 1u) << (31 - i);
  return r;
}

// x^e modulo x^32 + natural (bit i of the result is the coefficient of x^i).
std::uint32_t XPowMod32(std::uint32_t natural, unsigned e) {
  std::uint32_t r = 1;
  for (unsigned i = 0; i < e; ++i) {
    bool carry = (r & 0x80000000u) != 0;
    r <<= 1;
    if (carry) r ^= natural;
  }
  return r;
}

// x^e modulo x^16 + natural.
std::uint16_t XPowMod16(std::uint16_t natural, unsigned e) {
  std::uint32_t r = 1;
  for (unsigned i = 0; i < e; ++i) {
    r <<= 1;
    if (r & 0x10000u) r ^= 0x10000u | natural;
  }
  return static_cast<std::uint16_t>(r);
}

inline std::uint32_t Load32Le(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

}  // namespace

void BuildCrc32Table(std::uint32_t polynomial, std::uint32_t* table) {
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ polynomial : c >> 1;
    table[i] = c;
  }
}

void BuildCrc16Table(std::uint16_t polynomial, std::uint16_t* table) {
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = 0;
    unsigned d = i << 8;
    for (int k = 0; k < 8; ++k) {
      crc = ((crc ^ d) & 0x8000u) ? (crc << 1) ^ polynomial : crc << 1;
      crc &= 0xFFFFu;
      d = (d << 1) & 0xFFFFu;
    }
    table[i] = static_cast<std::uint16_t>(crc);
  }
}

void BuildCrc32Data(std::uint32_t polynomial, Crc32Data* data) {
  BuildCrc32Table(polynomial, data->slice[0]);
  for (int k = 1; k < 16; ++k) {
    for (int i = 0; i < 256; ++i) {
      std::uint32_t prev = data->slice[k - 1][i];
      data->slice[k][i] = (prev >> 8) ^ data->slice[0][prev & 255];
    }
  }
  const std::uint32_t natural = Reflect32(polynomial);
  for (unsigned i = 0; i < 4; ++i) {
    unsigned d = 128 * (i + 1);
    data->fold[i][0] = std::uint64_t{Reflect32(XPowMod32(natural, d + 63))} << 32;
    data->fold[i][1] = std::uint64_t{Reflect32(XPowMod32(natural, d - 1))} << 32;
  }
}

void BuildCrc16Data(std::uint16_t polynomial, Crc16Data* data) {
  BuildCrc16Table(polynomial, data->slice[0]);
  for (int k = 1; k < 16; ++k) {
    for (int i = 0; i < 256; ++i) {
      std::uint16_t prev = data->slice[k - 1][i];
      data->slice[k][i] = static_cast<std::uint16_t>((prev << 8) ^ data->slice[0][prev >> 8]);
    }
  }
  for (unsigned i = 0; i < 4; ++i) {
    unsigned d = 128 * (i + 1);
    data->fold[i][0] = XPowMod16(polynomial, d + 64);
    data->fold[i][1] = XPowMod16(polynomial, d);
  }
}

std::uint32_t Crc32Bytes(const std::uint32_t* table, std::uint32_t crc, const std::uint8_t* p,
                         std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint16_t Crc16Bytes(const std::uint16_t* table, std::uint16_t crc, const std::uint8_t* p,
                         std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    crc = static_cast<std::uint16_t>(table[(crc >> 8) ^ p[i]] ^ (crc << 8));
  }
  return crc;
}

std::uint32_t Crc32Sliced(const Crc32Data& data, std::uint32_t crc, const std::uint8_t* p,
                          std::size_t length) {
  const auto& s = data.slice;
  while (length >= 16) {
    std::uint32_t a = Load32Le(p) ^ crc;
    std::uint32_t b = Load32Le(p + 4);
    std::uint32_t c = Load32Le(p + 8);
    std::uint32_t d = Load32Le(p + 12);
    crc = s[15][a & 255] ^ s[14][(a >> 8) & 255] ^ s[13][(a >> 16) & 255] ^ s[12][a >> 24] ^
          s[11][b & 255] ^ s[10][(b >> 8) & 255] ^ s[9][(b >> 16) & 255] ^ s[8][b >> 24] ^
          s[7][c & 255] ^ s[6][(c >> 8) & 255] ^ s[5][(c >> 16) & 255] ^ s[4][c >> 24] ^
          s[3][d & 255] ^ s[2][(d >> 8) & 255] ^ s[1][(d >> 16) & 255] ^ s[0][d >> 24];
    p += 16;
    length -= 16;
  }
  return Crc32Bytes(s[0], crc, p, length);
}

std::uint16_t Crc16Sliced(const Crc16Data& data, std::uint16_t crc, const std::uint8_t* p,
                          std::size_t length) {
  const auto& s = data.slice;
  while (length >= 16) {
    unsigned v = s[15][p[0] ^ (crc >> 8)] ^ s[14][p[1] ^ (crc & 255)] ^ s[13][p[2]] ^
                 s[12][p[3]] ^ s[11][p[4]] ^ s[10][p[5]] ^ s[9][p[6]] ^ s[8][p[7]] ^ s[7][p[8]] ^
                 s[6][p[9]] ^ s[5][p[10]] ^ s[4][p[11]] ^ s[3][p[12]] ^ s[2][p[13]] ^
                 s[1][p[14]] ^ s[0][p[15]];
    crc = static_cast<std::uint16_t>(v);
    p += 16;
    length -= 16;
  }
  return Crc16Bytes(s[0], crc, p, length);
}

std::uint32_t Crc32Update(const Crc32Data& data, std::uint32_t crc, const std::uint8_t* p,
                          std::size_t length) {
  if (length >= kFoldThreshold && ActiveCpu().pclmul.load(std::memory_order_relaxed)) {
    return Crc32Folded(data, crc, p, length);
  }
  return Crc32Sliced(data, crc, p, length);
}

std::uint16_t Crc16Update(const Crc16Data& data, std::uint16_t crc, const std::uint8_t* p,
                          std::size_t length) {
  if (length >= kFoldThreshold && ActiveCpu().pclmul.load(std::memory_order_relaxed)) {
    return Crc16Folded(data, crc, p, length);
  }
  return Crc16Sliced(data, crc, p, length);
}

std::uint64_t ByteSumPortable(const std::uint8_t* p, std::size_t length) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < length; ++i) sum += p[i];
  return sum;
}

std::uint64_t ByteSum(const std::uint8_t* p, std::size_t length) {
#if defined(__x86_64__)
  // SSE2 is part of x86-64: the sum of absolute differences against zero adds 8 bytes at once.
  const __m128i zero = _mm_setzero_si128();
  __m128i acc0 = zero, acc1 = zero;
  std::size_t i = 0;
  for (; i + 32 <= length; i += 32) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
    acc0 = _mm_add_epi64(acc0, _mm_sad_epu8(a, zero));
    acc1 = _mm_add_epi64(acc1, _mm_sad_epu8(b, zero));
  }
  acc0 = _mm_add_epi64(acc0, acc1);
  std::uint64_t lanes[2];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), acc0);
  return lanes[0] + lanes[1] + ByteSumPortable(p + i, length - i);
#else
  return ByteSumPortable(p, length);
#endif
}

}  // namespace internal
}  // namespace crypto
}  // namespace zb
