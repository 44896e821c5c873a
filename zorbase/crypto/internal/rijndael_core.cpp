// Table-driven Rijndael for 4, 6 and 8 columns. The tables are computed at compile time from the
// field arithmetic of GF(2^8) with the polynomial x^8 + x^4 + x^3 + x + 1.
#include <zorbase/crypto/internal/rijndael_core.h>

#include <cstring>

namespace zb {
namespace crypto {
namespace internal {
namespace {

constexpr std::uint8_t XTime(std::uint8_t a) {
  return static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
}

constexpr std::uint8_t Mul(std::uint8_t a, std::uint8_t b) {
  std::uint8_t r = 0;
  while (b) {
    if (b & 1) r ^= a;
    a = XTime(a);
    b >>= 1;
  }
  return r;
}

constexpr std::uint32_t Rotr(std::uint32_t v, int n) { return (v >> n) | (v << (32 - n)); }

struct Tables {
  std::uint8_t sbox[256] = {};
  std::uint8_t inv_sbox[256] = {};
  std::uint32_t te[4][256] = {};
  std::uint32_t td[4][256] = {};
  std::uint32_t rcon[32] = {};
};

constexpr Tables MakeTables() {
  Tables t;
  // Powers and logarithms of the generator 3 give the multiplicative inverses.
  std::uint8_t pow[256] = {};
  std::uint8_t log[256] = {};
  std::uint8_t x = 1;
  for (int i = 0; i < 255; ++i) {
    pow[i] = x;
    log[x] = static_cast<std::uint8_t>(i);
    x = static_cast<std::uint8_t>(x ^ XTime(x));
  }
  for (int i = 0; i < 256; ++i) {
    std::uint8_t inv = i == 0 ? 0 : pow[(255 - log[i]) % 255];
    std::uint8_t s = inv;
    std::uint8_t b = inv;
    for (int k = 0; k < 4; ++k) {
      b = static_cast<std::uint8_t>((b << 1) | (b >> 7));
      s ^= b;
    }
    s ^= 0x63;
    t.sbox[i] = s;
    t.inv_sbox[s] = static_cast<std::uint8_t>(i);
  }
  for (int i = 0; i < 256; ++i) {
    std::uint8_t s = t.sbox[i];
    std::uint32_t e = (std::uint32_t{Mul(s, 2)} << 24) | (std::uint32_t{s} << 16) |
                      (std::uint32_t{s} << 8) | Mul(s, 3);
    std::uint8_t v = t.inv_sbox[i];
    std::uint32_t d = (std::uint32_t{Mul(v, 14)} << 24) | (std::uint32_t{Mul(v, 9)} << 16) |
                      (std::uint32_t{Mul(v, 13)} << 8) | Mul(v, 11);
    for (int k = 0; k < 4; ++k) {
      t.te[k][i] = k == 0 ? e : Rotr(e, 8 * k);
      t.td[k][i] = k == 0 ? d : Rotr(d, 8 * k);
    }
  }
  std::uint8_t r = 1;
  for (int i = 1; i < 32; ++i) {
    t.rcon[i] = std::uint32_t{r} << 24;
    r = XTime(r);
  }
  return t;
}

constexpr Tables kT = MakeTables();

inline std::uint32_t Load32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

inline void Store32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

inline std::uint32_t SubWord(std::uint32_t w) {
  return (std::uint32_t{kT.sbox[w >> 24]} << 24) | (std::uint32_t{kT.sbox[(w >> 16) & 255]} << 16) |
         (std::uint32_t{kT.sbox[(w >> 8) & 255]} << 8) | kT.sbox[w & 255];
}

inline std::uint32_t InvMixColumn(std::uint32_t w) {
  return kT.td[0][kT.sbox[w >> 24]] ^ kT.td[1][kT.sbox[(w >> 16) & 255]] ^
         kT.td[2][kT.sbox[(w >> 8) & 255]] ^ kT.td[3][kT.sbox[w & 255]];
}

// Row shifts of ShiftRows for rows 1 to 3 by the number of columns.
inline void Shifts(int columns, int& c1, int& c2, int& c3) {
  c1 = 1;
  c2 = columns == 8 ? 3 : 2;
  c3 = columns == 8 ? 4 : 3;
}

// The 4-column (AES) block functions, unrolled.
void Encrypt4(const std::uint32_t* rk, int stride, int rounds, const std::uint8_t* in,
              std::uint8_t* out) {
  std::uint32_t s0 = Load32(in) ^ rk[0], s1 = Load32(in + 4) ^ rk[1];
  std::uint32_t s2 = Load32(in + 8) ^ rk[2], s3 = Load32(in + 12) ^ rk[3];
  const auto& te = kT.te;
  for (int r = 1; r < rounds; ++r) {
    const std::uint32_t* k = rk + r * stride;
    std::uint32_t t0 = te[0][s0 >> 24] ^ te[1][(s1 >> 16) & 255] ^ te[2][(s2 >> 8) & 255] ^
                       te[3][s3 & 255] ^ k[0];
    std::uint32_t t1 = te[0][s1 >> 24] ^ te[1][(s2 >> 16) & 255] ^ te[2][(s3 >> 8) & 255] ^
                       te[3][s0 & 255] ^ k[1];
    std::uint32_t t2 = te[0][s2 >> 24] ^ te[1][(s3 >> 16) & 255] ^ te[2][(s0 >> 8) & 255] ^
                       te[3][s1 & 255] ^ k[2];
    std::uint32_t t3 = te[0][s3 >> 24] ^ te[1][(s0 >> 16) & 255] ^ te[2][(s1 >> 8) & 255] ^
                       te[3][s2 & 255] ^ k[3];
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  const std::uint32_t* k = rk + rounds * stride;
  const std::uint8_t* sb = kT.sbox;
  auto last = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t key) {
    return ((std::uint32_t{sb[a >> 24]} << 24) | (std::uint32_t{sb[(b >> 16) & 255]} << 16) |
            (std::uint32_t{sb[(c >> 8) & 255]} << 8) | sb[d & 255]) ^
           key;
  };
  std::uint32_t o0 = last(s0, s1, s2, s3, k[0]);
  std::uint32_t o1 = last(s1, s2, s3, s0, k[1]);
  std::uint32_t o2 = last(s2, s3, s0, s1, k[2]);
  std::uint32_t o3 = last(s3, s0, s1, s2, k[3]);
  Store32(out, o0);
  Store32(out + 4, o1);
  Store32(out + 8, o2);
  Store32(out + 12, o3);
}

void Decrypt4(const std::uint32_t* rk, int stride, int rounds, const std::uint8_t* in,
              std::uint8_t* out) {
  std::uint32_t s0 = Load32(in) ^ rk[0], s1 = Load32(in + 4) ^ rk[1];
  std::uint32_t s2 = Load32(in + 8) ^ rk[2], s3 = Load32(in + 12) ^ rk[3];
  const auto& td = kT.td;
  for (int r = 1; r < rounds; ++r) {
    const std::uint32_t* k = rk + r * stride;
    std::uint32_t t0 = td[0][s0 >> 24] ^ td[1][(s3 >> 16) & 255] ^ td[2][(s2 >> 8) & 255] ^
                       td[3][s1 & 255] ^ k[0];
    std::uint32_t t1 = td[0][s1 >> 24] ^ td[1][(s0 >> 16) & 255] ^ td[2][(s3 >> 8) & 255] ^
                       td[3][s2 & 255] ^ k[1];
    std::uint32_t t2 = td[0][s2 >> 24] ^ td[1][(s1 >> 16) & 255] ^ td[2][(s0 >> 8) & 255] ^
                       td[3][s3 & 255] ^ k[2];
    std::uint32_t t3 = td[0][s3 >> 24] ^ td[1][(s2 >> 16) & 255] ^ td[2][(s1 >> 8) & 255] ^
                       td[3][s0 & 255] ^ k[3];
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  const std::uint32_t* k = rk + rounds * stride;
  const std::uint8_t* ib = kT.inv_sbox;
  auto last = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t key) {
    return ((std::uint32_t{ib[a >> 24]} << 24) | (std::uint32_t{ib[(b >> 16) & 255]} << 16) |
            (std::uint32_t{ib[(c >> 8) & 255]} << 8) | ib[d & 255]) ^
           key;
  };
  std::uint32_t o0 = last(s0, s3, s2, s1, k[0]);
  std::uint32_t o1 = last(s1, s0, s3, s2, k[1]);
  std::uint32_t o2 = last(s2, s1, s0, s3, k[2]);
  std::uint32_t o3 = last(s3, s2, s1, s0, k[3]);
  Store32(out, o0);
  Store32(out + 4, o1);
  Store32(out + 8, o2);
  Store32(out + 12, o3);
}

}  // namespace

int RijndaelRounds(int key_length, int block_size) {
  int largest = key_length > block_size ? key_length : block_size;
  return largest == 32 ? 14 : largest == 24 ? 12 : 10;
}

void RijndaelExpandKey(const std::uint8_t* key, int key_length, int block_size, std::uint32_t* enc,
                       std::uint32_t* dec, int stride) {
  const int nk = key_length / 4;
  const int nb = block_size / 4;
  const int rounds = RijndaelRounds(key_length, block_size);
  const int total = nb * (rounds + 1);
  std::uint32_t w[8 * 15];
  for (int i = 0; i < nk; ++i) w[i] = Load32(key + 4 * i);
  for (int i = nk; i < total; ++i) {
    std::uint32_t t = w[i - 1];
    if (i % nk == 0) {
      t = SubWord((t << 8) | (t >> 24)) ^ kT.rcon[i / nk];
    } else if (nk > 6 && i % nk == 4) {
      t = SubWord(t);
    }
    w[i] = w[i - nk] ^ t;
  }
  for (int r = 0; r <= rounds; ++r) {
    for (int j = 0; j < nb; ++j) {
      enc[r * stride + j] = w[r * nb + j];
      std::uint32_t d = w[(rounds - r) * nb + j];
      dec[r * stride + j] = (r == 0 || r == rounds) ? d : InvMixColumn(d);
    }
  }
}

void RijndaelEncryptBlock(const std::uint32_t* enc, int stride, int rounds, int block_size,
                          const std::uint8_t* in, std::uint8_t* out) {
  if (block_size == 16) {
    Encrypt4(enc, stride, rounds, in, out);
    return;
  }
  const int nb = block_size / 4;
  int c1, c2, c3;
  Shifts(nb, c1, c2, c3);
  std::uint32_t s[8], t[8];
  for (int j = 0; j < nb; ++j) s[j] = Load32(in + 4 * j) ^ enc[j];
  const auto& te = kT.te;
  for (int r = 1; r < rounds; ++r) {
    const std::uint32_t* k = enc + r * stride;
    for (int j = 0; j < nb; ++j) {
      t[j] = te[0][s[j] >> 24] ^ te[1][(s[(j + c1) % nb] >> 16) & 255] ^
             te[2][(s[(j + c2) % nb] >> 8) & 255] ^ te[3][s[(j + c3) % nb] & 255] ^ k[j];
    }
    for (int j = 0; j < nb; ++j) s[j] = t[j];
  }
  const std::uint32_t* k = enc + rounds * stride;
  for (int j = 0; j < nb; ++j) {
    std::uint32_t v = (std::uint32_t{kT.sbox[s[j] >> 24]} << 24) |
                      (std::uint32_t{kT.sbox[(s[(j + c1) % nb] >> 16) & 255]} << 16) |
                      (std::uint32_t{kT.sbox[(s[(j + c2) % nb] >> 8) & 255]} << 8) |
                      kT.sbox[s[(j + c3) % nb] & 255];
    t[j] = v ^ k[j];
  }
  for (int j = 0; j < nb; ++j) Store32(out + 4 * j, t[j]);
}

void RijndaelDecryptBlock(const std::uint32_t* dec, int stride, int rounds, int block_size,
                          const std::uint8_t* in, std::uint8_t* out) {
  if (block_size == 16) {
    Decrypt4(dec, stride, rounds, in, out);
    return;
  }
  const int nb = block_size / 4;
  int c1, c2, c3;
  Shifts(nb, c1, c2, c3);
  c1 = nb - c1;
  c2 = nb - c2;
  c3 = nb - c3;
  std::uint32_t s[8], t[8];
  for (int j = 0; j < nb; ++j) s[j] = Load32(in + 4 * j) ^ dec[j];
  const auto& td = kT.td;
  for (int r = 1; r < rounds; ++r) {
    const std::uint32_t* k = dec + r * stride;
    for (int j = 0; j < nb; ++j) {
      t[j] = td[0][s[j] >> 24] ^ td[1][(s[(j + c1) % nb] >> 16) & 255] ^
             td[2][(s[(j + c2) % nb] >> 8) & 255] ^ td[3][s[(j + c3) % nb] & 255] ^ k[j];
    }
    for (int j = 0; j < nb; ++j) s[j] = t[j];
  }
  const std::uint32_t* k = dec + rounds * stride;
  for (int j = 0; j < nb; ++j) {
    std::uint32_t v = (std::uint32_t{kT.inv_sbox[s[j] >> 24]} << 24) |
                      (std::uint32_t{kT.inv_sbox[(s[(j + c1) % nb] >> 16) & 255]} << 16) |
                      (std::uint32_t{kT.inv_sbox[(s[(j + c2) % nb] >> 8) & 255]} << 8) |
                      kT.inv_sbox[s[(j + c3) % nb] & 255];
    t[j] = v ^ k[j];
  }
  for (int j = 0; j < nb; ++j) Store32(out + 4 * j, t[j]);
}

void AesNiKeysFromSchedule(const std::uint32_t* enc, const std::uint32_t* dec, int stride,
                           int rounds, std::uint8_t* enc_out, std::uint8_t* dec_out) {
  for (int r = 0; r <= rounds; ++r) {
    for (int j = 0; j < 4; ++j) {
      Store32(enc_out + 16 * r + 4 * j, enc[r * stride + j]);
      Store32(dec_out + 16 * r + 4 * j, dec[r * stride + j]);
    }
  }
}

}  // namespace internal
}  // namespace crypto
}  // namespace zb
