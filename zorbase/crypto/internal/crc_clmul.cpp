// CRC folding with carry-less multiplication. The message is folded 64 bytes at a time into four
// 128-bit accumulators, which are then folded into one; its 16 bytes and the tail go through the
// table engine, so the result is that of the one-byte table step for any polynomial.
//
// Reflected 32-bit CRC: a 16-byte chunk loaded little-endian has its bit i as the coefficient of
// x^(127-i); the low 64 bits H and the high 64 bits L stand for H*x^64 + L. Moving a chunk D bits
// further multiplies it by x^D, which modulo P is H*(x^(D+64) mod P) + L*(x^D mod P). The product
// of two bit-reflected operands comes out shifted by one place, hence the constants x^(D+63) and
// x^(D-1). Most-significant-first 16-bit CRC: the chunk is byte-reversed so bit i is the
// coefficient of x^i, and the constants are x^(D+64) and x^D.
#include <zorbase/crypto/internal/crc_core.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define ZB_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

namespace zb {
namespace crypto {
namespace internal {
namespace {

ZB_CLMUL_TARGET inline __m128i Load(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

ZB_CLMUL_TARGET inline __m128i Constants(const std::uint64_t* k) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(k));
}

// A chunk with its bytes reversed, so that bit i is the coefficient of x^i.
ZB_CLMUL_TARGET inline __m128i LoadReversed(const std::uint8_t* p, __m128i reverse) {
  return _mm_shuffle_epi8(Load(p), reverse);
}

// Reflected: low half times k[0], high half times k[1].
ZB_CLMUL_TARGET inline __m128i FoldReflected(__m128i x, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

// Natural order: high half times k[0], low half times k[1].
ZB_CLMUL_TARGET inline __m128i FoldNatural(__m128i x, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x01), _mm_clmulepi64_si128(x, k, 0x10));
}

}  // namespace

ZB_CLMUL_TARGET std::uint32_t Crc32Folded(const Crc32Data& data, std::uint32_t crc,
                                          const std::uint8_t* p, std::size_t length) {
  if (length < 64) return Crc32Sliced(data, crc, p, length);
  __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x1 = Load(p + 16);
  __m128i x2 = Load(p + 32);
  __m128i x3 = Load(p + 48);
  p += 64;
  length -= 64;
  const __m128i k512 = Constants(data.fold[3]);
  while (length >= 64) {
    x0 = _mm_xor_si128(FoldReflected(x0, k512), Load(p));
    x1 = _mm_xor_si128(FoldReflected(x1, k512), Load(p + 16));
    x2 = _mm_xor_si128(FoldReflected(x2, k512), Load(p + 32));
    x3 = _mm_xor_si128(FoldReflected(x3, k512), Load(p + 48));
    p += 64;
    length -= 64;
  }
  const __m128i k128 = Constants(data.fold[0]);
  __m128i x = _mm_xor_si128(
      _mm_xor_si128(FoldReflected(x0, Constants(data.fold[2])), FoldReflected(x1, Constants(data.fold[1]))),
      _mm_xor_si128(FoldReflected(x2, k128), x3));
  while (length >= 16) {
    x = _mm_xor_si128(FoldReflected(x, k128), Load(p));
    p += 16;
    length -= 16;
  }
  alignas(16) std::uint8_t rest[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(rest), x);
  crc = Crc32Sliced(data, 0, rest, 16);
  return Crc32Bytes(data.slice[0], crc, p, length);
}

ZB_CLMUL_TARGET std::uint16_t Crc16Folded(const Crc16Data& data, std::uint16_t crc,
                                          const std::uint8_t* p, std::size_t length) {
  if (length < 64) return Crc16Sliced(data, crc, p, length);
  const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  __m128i x0 = _mm_xor_si128(LoadReversed(p, reverse), _mm_set_epi64x(static_cast<long long>(std::uint64_t{crc} << 48), 0));
  __m128i x1 = LoadReversed(p + 16, reverse);
  __m128i x2 = LoadReversed(p + 32, reverse);
  __m128i x3 = LoadReversed(p + 48, reverse);
  p += 64;
  length -= 64;
  const __m128i k512 = Constants(data.fold[3]);
  while (length >= 64) {
    x0 = _mm_xor_si128(FoldNatural(x0, k512), LoadReversed(p, reverse));
    x1 = _mm_xor_si128(FoldNatural(x1, k512), LoadReversed(p + 16, reverse));
    x2 = _mm_xor_si128(FoldNatural(x2, k512), LoadReversed(p + 32, reverse));
    x3 = _mm_xor_si128(FoldNatural(x3, k512), LoadReversed(p + 48, reverse));
    p += 64;
    length -= 64;
  }
  const __m128i k128 = Constants(data.fold[0]);
  __m128i x = _mm_xor_si128(
      _mm_xor_si128(FoldNatural(x0, Constants(data.fold[2])), FoldNatural(x1, Constants(data.fold[1]))),
      _mm_xor_si128(FoldNatural(x2, k128), x3));
  while (length >= 16) {
    x = _mm_xor_si128(FoldNatural(x, k128), LoadReversed(p, reverse));
    p += 16;
    length -= 16;
  }
  alignas(16) std::uint8_t rest[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(rest), _mm_shuffle_epi8(x, reverse));
  crc = Crc16Sliced(data, 0, rest, 16);
  return Crc16Bytes(data.slice[0], crc, p, length);
}

}  // namespace internal
}  // namespace crypto
}  // namespace zb

#else

namespace zb {
namespace crypto {
namespace internal {
std::uint32_t Crc32Folded(const Crc32Data& data, std::uint32_t crc, const std::uint8_t* p,
                          std::size_t length) {
  return Crc32Sliced(data, crc, p, length);
}
std::uint16_t Crc16Folded(const Crc16Data& data, std::uint16_t crc, const std::uint8_t* p,
                          std::size_t length) {
  return Crc16Sliced(data, crc, p, length);
}
}  // namespace internal
}  // namespace crypto
}  // namespace zb

#endif
