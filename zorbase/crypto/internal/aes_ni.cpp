// 16-byte Rijndael blocks (AES) with the processor's AES instructions. Independent blocks (ECB both
// ways, CBC and CFB decryption) run eight at a time so the round instructions overlap; chained
// encryption is one block after the other by nature. Only called when the processor has them.
#include <zorbase/crypto/internal/rijndael_core.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define ZB_AES_TARGET __attribute__((target("aes,sse4.1")))

namespace zb {
namespace crypto {
namespace internal {
namespace {

ZB_AES_TARGET inline __m128i Key(const std::uint8_t* keys, int r) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(keys + 16 * r));
}

ZB_AES_TARGET inline __m128i Load(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

ZB_AES_TARGET inline void Store(std::uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

ZB_AES_TARGET inline __m128i EncryptOne(const std::uint8_t* keys, int rounds, __m128i b) {
  b = _mm_xor_si128(b, Key(keys, 0));
  for (int r = 1; r < rounds; ++r) b = _mm_aesenc_si128(b, Key(keys, r));
  return _mm_aesenclast_si128(b, Key(keys, rounds));
}

ZB_AES_TARGET inline __m128i DecryptOne(const std::uint8_t* keys, int rounds, __m128i b) {
  b = _mm_xor_si128(b, Key(keys, 0));
  for (int r = 1; r < rounds; ++r) b = _mm_aesdec_si128(b, Key(keys, r));
  return _mm_aesdeclast_si128(b, Key(keys, rounds));
}

// Eight blocks through all rounds; `Enc` picks the direction. Written out so the blocks stay in
// registers and the round instructions of different blocks overlap.
template <bool Enc>
ZB_AES_TARGET inline __m128i Round(__m128i b, __m128i k) {
  return Enc ? _mm_aesenc_si128(b, k) : _mm_aesdec_si128(b, k);
}

template <bool Enc>
ZB_AES_TARGET inline __m128i LastRound(__m128i b, __m128i k) {
  return Enc ? _mm_aesenclast_si128(b, k) : _mm_aesdeclast_si128(b, k);
}

template <bool Enc>
ZB_AES_TARGET inline void Eight(const std::uint8_t* keys, int rounds, __m128i* b) {
  __m128i k = Key(keys, 0);
  __m128i b0 = _mm_xor_si128(b[0], k), b1 = _mm_xor_si128(b[1], k);
  __m128i b2 = _mm_xor_si128(b[2], k), b3 = _mm_xor_si128(b[3], k);
  __m128i b4 = _mm_xor_si128(b[4], k), b5 = _mm_xor_si128(b[5], k);
  __m128i b6 = _mm_xor_si128(b[6], k), b7 = _mm_xor_si128(b[7], k);
  for (int r = 1; r < rounds; ++r) {
    k = Key(keys, r);
    b0 = Round<Enc>(b0, k);
    b1 = Round<Enc>(b1, k);
    b2 = Round<Enc>(b2, k);
    b3 = Round<Enc>(b3, k);
    b4 = Round<Enc>(b4, k);
    b5 = Round<Enc>(b5, k);
    b6 = Round<Enc>(b6, k);
    b7 = Round<Enc>(b7, k);
  }
  k = Key(keys, rounds);
  b[0] = LastRound<Enc>(b0, k);
  b[1] = LastRound<Enc>(b1, k);
  b[2] = LastRound<Enc>(b2, k);
  b[3] = LastRound<Enc>(b3, k);
  b[4] = LastRound<Enc>(b4, k);
  b[5] = LastRound<Enc>(b5, k);
  b[6] = LastRound<Enc>(b6, k);
  b[7] = LastRound<Enc>(b7, k);
}

template <bool Enc>
ZB_AES_TARGET void Ecb(const std::uint8_t* keys, int rounds, const std::uint8_t* in,
                       std::uint8_t* out, std::size_t blocks) {
  while (blocks >= 8) {
    __m128i b[8];
    for (int i = 0; i < 8; ++i) b[i] = Load(in + 16 * i);
    Eight<Enc>(keys, rounds, b);
    for (int i = 0; i < 8; ++i) Store(out + 16 * i, b[i]);
    in += 128;
    out += 128;
    blocks -= 8;
  }
  for (; blocks > 0; --blocks, in += 16, out += 16) {
    __m128i b = Load(in);
    Store(out, Enc ? EncryptOne(keys, rounds, b) : DecryptOne(keys, rounds, b));
  }
}


}  // namespace

void AesNiEcbEncrypt(const std::uint8_t* keys, int rounds, const std::uint8_t* in,
                     std::uint8_t* out, std::size_t blocks) {
  Ecb<true>(keys, rounds, in, out, blocks);
}

void AesNiEcbDecrypt(const std::uint8_t* keys, int rounds, const std::uint8_t* in,
                     std::uint8_t* out, std::size_t blocks) {
  Ecb<false>(keys, rounds, in, out, blocks);
}

ZB_AES_TARGET void AesNiCbcEncrypt(const std::uint8_t* keys, int rounds, std::uint8_t* chain,
                                   const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
  __m128i c = Load(chain);
  if (rounds == 10) {
    // The common AES-128 case with the round keys held in registers.
    __m128i k0 = Key(keys, 0), k1 = Key(keys, 1), k2 = Key(keys, 2), k3 = Key(keys, 3);
    __m128i k4 = Key(keys, 4), k5 = Key(keys, 5), k6 = Key(keys, 6), k7 = Key(keys, 7);
    __m128i k8 = Key(keys, 8), k9 = Key(keys, 9), k10 = Key(keys, 10);
    for (; blocks > 0; --blocks, in += 16, out += 16) {
      // The first round key is folded into the plaintext before the chain joins it.
      __m128i b = _mm_xor_si128(_mm_xor_si128(Load(in), k0), c);
      b = _mm_aesenc_si128(b, k1);
      b = _mm_aesenc_si128(b, k2);
      b = _mm_aesenc_si128(b, k3);
      b = _mm_aesenc_si128(b, k4);
      b = _mm_aesenc_si128(b, k5);
      b = _mm_aesenc_si128(b, k6);
      b = _mm_aesenc_si128(b, k7);
      b = _mm_aesenc_si128(b, k8);
      b = _mm_aesenc_si128(b, k9);
      c = _mm_aesenclast_si128(b, k10);
      Store(out, c);
    }
  } else {
    for (; blocks > 0; --blocks, in += 16, out += 16) {
      c = EncryptOne(keys, rounds, _mm_xor_si128(c, Load(in)));
      Store(out, c);
    }
  }
  Store(chain, c);
}

ZB_AES_TARGET void AesNiCbcDecrypt(const std::uint8_t* keys, int rounds, std::uint8_t* chain,
                                   const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
  __m128i c = Load(chain);
  while (blocks >= 8) {
    // All eight ciphertexts are read before anything is written, so `out` may be `in`.
    const __m128i c0 = Load(in), c1 = Load(in + 16), c2 = Load(in + 32), c3 = Load(in + 48);
    const __m128i c4 = Load(in + 64), c5 = Load(in + 80), c6 = Load(in + 96), c7 = Load(in + 112);
    __m128i b[8] = {c0, c1, c2, c3, c4, c5, c6, c7};
    Eight<false>(keys, rounds, b);
    Store(out, _mm_xor_si128(b[0], c));
    Store(out + 16, _mm_xor_si128(b[1], c0));
    Store(out + 32, _mm_xor_si128(b[2], c1));
    Store(out + 48, _mm_xor_si128(b[3], c2));
    Store(out + 64, _mm_xor_si128(b[4], c3));
    Store(out + 80, _mm_xor_si128(b[5], c4));
    Store(out + 96, _mm_xor_si128(b[6], c5));
    Store(out + 112, _mm_xor_si128(b[7], c6));
    c = c7;
    in += 128;
    out += 128;
    blocks -= 8;
  }
  for (; blocks > 0; --blocks, in += 16, out += 16) {
    __m128i ct = Load(in);
    Store(out, _mm_xor_si128(DecryptOne(keys, rounds, ct), c));
    c = ct;
  }
  Store(chain, c);
}

ZB_AES_TARGET void AesNiCfbEncrypt(const std::uint8_t* keys, int rounds, std::uint8_t* chain,
                                   const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
  __m128i c = Load(chain);
  for (; blocks > 0; --blocks, in += 16, out += 16) {
    c = _mm_xor_si128(EncryptOne(keys, rounds, c), Load(in));
    Store(out, c);
  }
  Store(chain, c);
}

ZB_AES_TARGET void AesNiCfbDecrypt(const std::uint8_t* keys, int rounds, std::uint8_t* chain,
                                   const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
  __m128i c = Load(chain);
  while (blocks >= 8) {
    __m128i ct[8], b[8];
    for (int i = 0; i < 8; ++i) ct[i] = Load(in + 16 * i);
    b[0] = c;
    for (int i = 1; i < 8; ++i) b[i] = ct[i - 1];
    Eight<true>(keys, rounds, b);
    for (int i = 0; i < 8; ++i) Store(out + 16 * i, _mm_xor_si128(b[i], ct[i]));
    c = ct[7];
    in += 128;
    out += 128;
    blocks -= 8;
  }
  for (; blocks > 0; --blocks, in += 16, out += 16) {
    __m128i ct = Load(in);
    Store(out, _mm_xor_si128(EncryptOne(keys, rounds, c), ct));
    c = ct;
  }
  Store(chain, c);
}

}  // namespace internal
}  // namespace crypto
}  // namespace zb

#else  // no AES instructions on this architecture: the dispatcher never calls these.

namespace zb {
namespace crypto {
namespace internal {
void AesNiEcbEncrypt(const std::uint8_t*, int, const std::uint8_t*, std::uint8_t*, std::size_t) {}
void AesNiEcbDecrypt(const std::uint8_t*, int, const std::uint8_t*, std::uint8_t*, std::size_t) {}
void AesNiCbcEncrypt(const std::uint8_t*, int, std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                     std::size_t) {}
void AesNiCbcDecrypt(const std::uint8_t*, int, std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                     std::size_t) {}
void AesNiCfbEncrypt(const std::uint8_t*, int, std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                     std::size_t) {}
void AesNiCfbDecrypt(const std::uint8_t*, int, std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                     std::size_t) {}
}  // namespace internal
}  // namespace crypto
}  // namespace zb

#endif
