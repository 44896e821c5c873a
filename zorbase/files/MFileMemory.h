// MFileMemory: an MFile whose medium is a block of memory. Every routine written against MFile
// (typed values, string records, tags, file parts) works on it unchanged, for instance to build a
// record in memory or to parse one received from elsewhere. The block is either owned (allocated
// here, growing by half its capacity as it is written) or lent by the caller (fixed size; writes
// beyond it are cut).
//
// Of the base only the open mode and the result code are used; no file is ever touched. Failure
// is reported by false results and result code 1 (ERROR_INVALID_FUNCTION): SET_BUFFER_SIZE on a
// closed file or a lent block, writing to a block opened for reading, a negative size.
//
// Element reads and writes take MFile's inline fast paths over the block (write and update
// modes: the room up to the capacity; read mode: the bytes up to the size), while the file
// converts nothing; every other operation first folds them back into the position and size. As
// for MFile, change an open memory file's order codes through the file, not through an MSwap&.
//
// One thread at a time per object. A lent block must stay valid while the object uses it.
#pragma once

#include <cstddef>
#include <cstdint>

#include <zorbase/files/MFile.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API MFileMemory : public MFile {
 public:
  // No block, capacity 0, position 0, owned, size 0, mode 0.
  MFileMemory();
  // Frees an owned block.
  ~MFileMemory() override;

  // Opens for writing at position 0. With `external`: the caller's block of n bytes is used, not
  // owned, and counts as holding n bytes (size n); writes beyond it are cut. Without: an owned
  // block of n bytes, size 0. An owned block held before is freed (unless it is `external`
  // itself, which then stays owned). False for n < 0.
  bool OPEN_WRITE(LONG n, unsigned char* external = nullptr);
  // Opens for reading at position 0. n = 0 without `data` reopens the current block with its size
  // (false when there is none). Otherwise the block is `data` (not owned) or n owned bytes set to
  // 0; size and capacity n. An owned block held before is freed unless it is `data` itself. False
  // for n < 0.
  bool OPEN_READ(LONG n, unsigned char* data = nullptr);
  // The name-based opens of MFile only store the mode here.
  using MFile::OPEN_READ;
  using MFile::OPEN_WRITE;

  // The block (null when none); it holds SIZE() bytes of data.
  unsigned char* GET_BUFFER() { return m_memory; }
  const unsigned char* GET_BUFFER() const { return m_memory; }
  // Bytes allocated (or lent) for the block.
  std::uint64_t GET_CAPACITY() const { return m_capacity; }
  // Whether the object allocated the block and frees it.
  bool IS_OWNED() const { return m_owned; }

  // ---- MFile's virtual operations ---------------------------------------------------------------

  // Not open: result code 1, false. n up to the capacity: true, nothing changes. Larger: an owned
  // block is replaced by one of n bytes holding the old data; a lent block gives result code 1 and
  // false.
  bool SET_BUFFER_SIZE(size_t n) override;
  // Position at or past the size.
  bool FEOF() override;
  // Origin 0: 0 <= offset <= size; 1: 0 <= position + offset <= size; 2: -size <= offset <= 0.
  // False outside, and for any other origin; nothing moves then.
  bool SEEK(__int64 offset, LONG origin) override;
  __int64 TELL() const override;
  // Nothing to write out: true.
  bool FLUSH() override;
  // Mode 0; the block and its data stay. True.
  bool CLOSE() override;
  // Position 0, mode stored; true.
  bool CHANGE_MODE(unsigned short mode) override;
  // Bytes of the block that hold data.
  __int64 SIZE() const override;
  // A block exists and the mode is not 0.
  bool IS_OPEN() const override;
  // The stored mode: read 1 or 3, write 2, 3 or 4, update 3.
  bool IS_OPEN_READ() const override;
  bool IS_OPEN_WRITE() const override;
  bool IS_OPEN_UPDATE() const override;
  // Copies min(count * size, size - position) bytes from the position; whole elements. 0 when
  // not open.
  std::uint64_t _READ(void* dest, std::uint64_t count, std::uint64_t size) override {
    if (_GET_FAST(dest, count, size)) return count;
    return _READ_MEMORY(dest, count, size);
  }
  // Copies count * size bytes to the position, growing an owned block (to the larger of what the
  // write needs and capacity * 1.5) or cutting at the end of a lent one; the size grows to the
  // position. Whole elements written. 0 (result code 1) when not open for writing.
  std::uint64_t _WRITE(const void* src, std::uint64_t count, std::uint64_t size) override {
    // The fast path's room ends one byte before the capacity (see _ARM): a write that reaches the
    // capacity grows an owned block, which only _WRITE_MEMORY does.
    if (_PUT_FAST(src, count, size)) return count;
    return _WRITE_MEMORY(src, count, size);
  }
  // Stores the mode; true. No file is touched.
  bool _OPEN(const MFileName& name, unsigned short mode) override;

 protected:
  // Frees an owned block unless it is `keep`, and forgets it.
  void _RELEASE_BLOCK(const unsigned char* keep);
  // Grows an owned block to `capacity` bytes, keeping the data.
  void _GROW(std::uint64_t capacity);
  // The paths of _READ and _WRITE that the inline fast paths do not take.
  std::uint64_t _READ_MEMORY(void* dest, std::uint64_t count, std::uint64_t size);
  std::uint64_t _WRITE_MEMORY(const void* src, std::uint64_t count, std::uint64_t size);
  // Fast paths over the block: _SYNC folds them into m_position and m_size and closes them; _ARM
  // opens them from those fields (read mode: m_get over the bytes from the position to the size;
  // write, append and update modes: m_put over the room up to the capacity), only while the file
  // converts nothing.
  void _SYNC() override;
  void _ARM() override;
  // The position and size, the fast paths' progress included.
  std::uint64_t _POSITION() const;
  std::uint64_t _SIZE() const;

  unsigned char* m_memory;
  std::uint64_t m_capacity;
  std::uint64_t m_position;
  bool m_owned;
  std::uint64_t m_size;
};
