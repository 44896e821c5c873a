// Bounds-checked little-endian reads from a byte range the caller owns. Every read states the
// offset and width it needs and fails, without touching memory, when they do not lie inside the
// range; offsets are 64-bit so that adding untrusted 32-bit fields can never wrap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zb {
namespace platform {
namespace res {

class ByteSpan {
 public:
  ByteSpan() = default;
  ByteSpan(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

  const unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }

  // Whether [offset, offset + count) lies inside the range.
  bool Has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  bool U16(std::uint64_t offset, std::uint16_t* value) const {
    if (!Has(offset, 2)) return false;
    const unsigned char* p = data_ + offset;
    *value = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    return true;
  }
  bool U32(std::uint64_t offset, std::uint32_t* value) const {
    if (!Has(offset, 4)) return false;
    const unsigned char* p = data_ + offset;
    *value = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
             (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    return true;
  }
  bool U64(std::uint64_t offset, std::uint64_t* value) const {
    std::uint32_t low = 0, high = 0;
    if (!U32(offset, &low) || !U32(offset + 4, &high)) return false;
    *value = (static_cast<std::uint64_t>(high) << 32) | low;
    return true;
  }
  // The sub-range [offset, offset + count); an empty span when it does not fit.
  ByteSpan Sub(std::uint64_t offset, std::uint64_t count) const {
    if (!Has(offset, count)) return ByteSpan();
    return ByteSpan(data_ + offset, static_cast<std::size_t>(count));
  }

 private:
  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

// `value` rounded up to a multiple of `alignment` (a power of two).
inline std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) & ~(alignment - 1);
}

}  // namespace res
}  // namespace platform
}  // namespace zb
