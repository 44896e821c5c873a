// MFilePart: the base of caller-defined records that MFile reads and writes in whole arrays. A part
// packs itself into a fixed-size run of bytes in the file's byte order (SWAP_OUT) and unpacks itself
// from one (SWAP_IN), so a record can have any layout, odd widths and no padding included.
#pragma once

#include <cstddef>

#include <zorbase/platform/export.h>

class ZORBASE_API MFilePart {
 public:
  MFilePart() = default;
  // Parts have no data of their own: copying and moving copy nothing.
  MFilePart(const MFilePart&) {}
  MFilePart(MFilePart&&) noexcept {}
  MFilePart& operator=(const MFilePart&) { return *this; }
  MFilePart& operator=(MFilePart&&) noexcept { return *this; }

  // The part at `index` of the array that this object begins (for a plain array of a derived type:
  // this + index elements).
  virtual MFilePart* GET_PART(size_t index) = 0;
  // The number of bytes of one record in the file.
  virtual size_t PART_SIZE() = 0;
  // Fills this part from one record of PART_SIZE() bytes; the base does nothing.
  virtual void SWAP_IN(unsigned char* record);
  // Packs this part into one record of PART_SIZE() bytes; the base does nothing (the record then
  // stays zero).
  virtual void SWAP_OUT(unsigned char* record);

 protected:
  // Parts are not deleted through this base.
  ~MFilePart() = default;
};
