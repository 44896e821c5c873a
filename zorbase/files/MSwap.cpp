// MSwap: byte-order conversion of arrays in place.
#include <zorbase/files/MSwap.h>

#include <cstring>

MSwap::MSwap() : m_machine_swap(7), m_file_swap(7) {}

MSwap::MSwap(unsigned char file_code) : m_machine_swap(7), m_file_swap(file_code & 7) {}

void MSwap::_SWAP_UNITS(void* p, size_t count, size_t width) const {
  const unsigned mask = _SWAP_MASK(width);
  if (mask == 0 || p == nullptr) return;
  unsigned char* bytes = static_cast<unsigned char*>(p);
  // Every level whose bit differs swaps: byte i of an element moves to byte i ^ mask.
  if (width == 2) {
    for (size_t i = 0; i < count; ++i, bytes += 2) {
      std::uint16_t v;
      std::memcpy(&v, bytes, 2);
      v = __builtin_bswap16(v);
      std::memcpy(bytes, &v, 2);
    }
    return;
  }
  if (width == 4 && mask == 3) {
    for (size_t i = 0; i < count; ++i, bytes += 4) {
      std::uint32_t v;
      std::memcpy(&v, bytes, 4);
      v = __builtin_bswap32(v);
      std::memcpy(bytes, &v, 4);
    }
    return;
  }
  if (width == 8 && mask == 7) {
    for (size_t i = 0; i < count; ++i, bytes += 8) {
      std::uint64_t v;
      std::memcpy(&v, bytes, 8);
      v = __builtin_bswap64(v);
      std::memcpy(bytes, &v, 8);
    }
    return;
  }
  unsigned char element[8];
  for (size_t i = 0; i < count; ++i, bytes += width) {
    std::memcpy(element, bytes, width);
    for (size_t b = 0; b < width; ++b) bytes[b] = element[b ^ mask];
  }
}

void MSwap::SWAP(long* p, size_t count) const {
  if (p == nullptr) return;
  for (size_t i = 0; i < count; ++i) {
    std::uint32_t low = static_cast<std::uint32_t>(p[i]);
    _SWAP_UNITS(&low, 1, 4);
    p[i] = static_cast<std::int32_t>(low);
  }
}

void MSwap::SWAP(unsigned long* p, size_t count) const {
  if (p == nullptr) return;
  for (size_t i = 0; i < count; ++i) {
    std::uint32_t low = static_cast<std::uint32_t>(p[i]);
    _SWAP_UNITS(&low, 1, 4);
    p[i] = low;
  }
}

void MSwap::SWAP(wchar_t* p, size_t count) const {
  if (p == nullptr) return;
  for (size_t i = 0; i < count; ++i) {
    std::uint16_t unit = static_cast<std::uint16_t>(p[i]);
    _SWAP_UNITS(&unit, 1, 2);
    p[i] = static_cast<wchar_t>(unit);
  }
}
