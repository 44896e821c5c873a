// MBlobImpl: an owned run of bytes with its count. Holders of binary data keep it in one of these
// and release it through _Free; the object frees it at the latest when it is destroyed.
#pragma once

#include <cstddef>

#include <zorbase/platform/export.h>

class ZORBASE_API MBlobImpl {
 public:
  // No data: count 0, null pointer.
  MBlobImpl() = default;
  // A copy of the `count` bytes at `data` (null data or count 0 gives an empty holder).
  MBlobImpl(const void* data, std::size_t count);
  // Deep copy; a moved-from holder is empty.
  MBlobImpl(const MBlobImpl& other);
  MBlobImpl(MBlobImpl&& other) noexcept;
  MBlobImpl& operator=(const MBlobImpl& other);
  MBlobImpl& operator=(MBlobImpl&& other) noexcept;
  // _Free.
  virtual ~MBlobImpl();

  // Replaces the content by a copy of the `count` bytes at `data`; `data` may point into the
  // current content. Null data or count 0 leaves the holder empty. On allocation failure
  // std::bad_alloc propagates and the old content stays.
  void Assign(const void* data, std::size_t count);

  // The bytes (null when empty) and their count. The pointer stays valid until the next change.
  const unsigned char* GetData() const { return m_data; }
  unsigned char* GetData() { return m_data; }
  std::size_t GetCount() const { return m_count; }

 protected:
  // Frees the data and sets the pointer and the count to 0.
  void _Free();

  std::size_t m_count = 0;
  unsigned char* m_data = nullptr;  // owned, allocated with new[]
};
