// MFilePartEx: the base of caller-defined records that MFileEx reads and writes in whole arrays.
// A part packs itself into a fixed-size run of bytes in the file's byte order (SWAP_OUT) and
// unpacks itself from one (SWAP_IN), so a record can have any layout, odd widths and no padding
// included. It has the shape of MFilePart (the base for MFile): its operations are not const, so a
// host's part class written to that shape overrides them.
#pragma once

#include <cstddef>

#include <zorbase/platform/export.h>

class ZORBASE_API MFilePartEx {
 public:
  MFilePartEx() = default;
  // Parts have no data of their own: copying and moving copy nothing.
  MFilePartEx(const MFilePartEx&) {}
  MFilePartEx(MFilePartEx&&) noexcept {}
  MFilePartEx& operator=(const MFilePartEx&) { return *this; }
  MFilePartEx& operator=(MFilePartEx&&) noexcept { return *this; }

  // The part at `index` of the array that this object begins (for a plain array of a derived
  // type: this + index elements).
  virtual MFilePartEx* GET_PART(size_t index) = 0;
  // The number of bytes of one record in the file.
  virtual size_t PART_SIZE() = 0;
  // Fills this part from one record of PART_SIZE() bytes; the base does nothing.
  virtual void SWAP_IN(unsigned char* record);
  // Packs this part into one record of PART_SIZE() bytes; the base does nothing (the record then
  // stays zero).
  virtual void SWAP_OUT(unsigned char* record);

 protected:
  // Parts are not deleted through this base.
  ~MFilePartEx() = default;
};
