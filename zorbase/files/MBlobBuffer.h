// MBlobBuffer: a growable byte buffer that allocates in steps of 1024 bytes and keeps its block
// while a new size leaves at most 1024 bytes of it unused, so small size changes do not allocate.
#pragma once

#include <cstddef>

#include <zorbase/platform/export.h>

class ZORBASE_API MBlobBuffer {
 public:
  // Empty: capacity 0, no data, size 0.
  MBlobBuffer() = default;
  // Deep copy (same capacity); a moved-from buffer is empty.
  MBlobBuffer(const MBlobBuffer& other);
  MBlobBuffer(MBlobBuffer&& other) noexcept;
  MBlobBuffer& operator=(const MBlobBuffer& other);
  MBlobBuffer& operator=(MBlobBuffer&& other) noexcept;
  virtual ~MBlobBuffer();

  // Makes the buffer hold a copy of the `n` bytes at `src` and returns the data pointer. n = 0
  // frees everything and returns null. `src` may point into the buffer itself (the bytes are
  // copied before the old block is freed); a range that reaches past the buffer's valid bytes, or
  // a null `src` with n > 0, is refused: null is returned and nothing changes.
  unsigned char* Create(const void* src, std::size_t n);

  // Data pointer (null when empty), valid bytes, and bytes allocated. The pointer stays valid
  // until the next Create or resize.
  unsigned char* GetData() { return m_data; }
  const unsigned char* GetData() const { return m_data; }
  std::size_t GetSize() const { return m_size; }
  std::size_t GetCapacity() const { return m_capacity; }

 protected:
  // Resizes to n bytes (n + the current size when `relative` is non-zero) by the growth rule:
  // size 0 frees the block; a size that fits the capacity with at most 1024 bytes to spare keeps
  // the block; otherwise a block of (size / 1024 + 1) * 1024 bytes replaces it, with the old
  // bytes (up to the new size) copied over when `keep` is non-zero. Returns the data pointer; a
  // negative resulting size is refused (null, nothing changes). Bytes beyond the old size are
  // undefined.
  unsigned char* __Create_with_threshold(int n, int keep, int relative);

  // The growth rule for a size in bytes.
  unsigned char* _Resize(std::size_t target, bool keep);

  std::size_t m_capacity = 0;
  unsigned char* m_data = nullptr;  // owned, allocated with new[]
  std::size_t m_size = 0;
};
