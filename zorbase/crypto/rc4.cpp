// RC4. Long buffers run on a copy of the permutation held in 32-bit words, which the processor
// updates without the partial-register stalls of byte stores; the result is the same.
#include <zorbase/crypto/rc4.h>

#include <cstdint>
#include <cstring>

#include <zorbase/crypto/internal/rc4_core.h>

namespace zb {
namespace crypto {
namespace internal {

void Rc4Bytes(unsigned char* buffer, std::size_t length, rc4_key* key) {
  unsigned x = key->x;
  unsigned y = key->y;
  unsigned char* s = key->state;
  for (std::size_t i = 0; i < length; ++i) {
    x = (x + 1) & 255;
    unsigned sx = s[x];
    y = (y + sx) & 255;
    unsigned sy = s[y];
    s[x] = static_cast<unsigned char>(sy);
    s[y] = static_cast<unsigned char>(sx);
    buffer[i] ^= s[(sx + sy) & 255];
  }
  key->x = static_cast<unsigned char>(x);
  key->y = static_cast<unsigned char>(y);
}

void Rc4Words(unsigned char* buffer, std::size_t length, rc4_key* key) {
#if __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
  Rc4Bytes(buffer, length, key);
  return;
#endif
  std::uint32_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = key->state[i];
  // 8-bit indices wrap by themselves, which keeps the index chain one instruction long.
  std::uint8_t x = key->x;
  std::uint8_t y = key->y;
  auto next = [&]() -> std::uint64_t {
    ++x;
    std::uint32_t sx = s[x];
    y = static_cast<std::uint8_t>(y + sx);
    std::uint32_t sy = s[y];
    s[x] = sy;
    s[y] = sx;
    return s[static_cast<std::uint8_t>(sx + sy)];
  };
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    std::uint64_t k = next();
    k |= next() << 8;
    k |= next() << 16;
    k |= next() << 24;
    k |= next() << 32;
    k |= next() << 40;
    k |= next() << 48;
    k |= next() << 56;
    std::uint64_t v;
    std::memcpy(&v, buffer + i, 8);
    v ^= k;  // the stream's first byte is the word's low byte on a little-endian machine
    std::memcpy(buffer + i, &v, 8);
  }
  for (; i < length; ++i) buffer[i] ^= static_cast<unsigned char>(next());
  for (int j = 0; j < 256; ++j) key->state[j] = static_cast<unsigned char>(s[j]);
  key->x = x;
  key->y = y;
}

}  // namespace internal
}  // namespace crypto
}  // namespace zb

void prepare_key(const unsigned char* keyData, unsigned short keyLength, rc4_key* key) {
  for (int i = 0; i < 256; ++i) key->state[i] = static_cast<unsigned char>(i);
  key->x = 0;
  key->y = 0;
  if (keyData == nullptr || keyLength == 0) return;
  unsigned j = 0;
  unsigned k = 0;
  for (int i = 0; i < 256; ++i) {
    unsigned char t = key->state[i];
    j = (j + keyData[k] + t) & 255;
    key->state[i] = key->state[j];
    key->state[j] = t;
    if (++k == keyLength) k = 0;
  }
}

void rc4(unsigned char* buffer, std::size_t length, rc4_key* key) {
  if (length >= zb::crypto::internal::kRc4WordThreshold) {
    zb::crypto::internal::Rc4Words(buffer, length, key);
  } else {
    zb::crypto::internal::Rc4Bytes(buffer, length, key);
  }
}
