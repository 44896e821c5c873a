// MSwap: the byte-order description of a file. Two 3-bit order codes, the machine's and the
// file's: bit 0 describes the order of the two bytes of each 16-bit unit, bit 1 the order of the
// two 16-bit halves of each 32-bit unit, bit 2 the order of the two 32-bit halves of each 64-bit
// unit. A conversion swaps at every level whose bit differs between the codes, so converting twice
// restores the value. Both codes default to 7: a new file does not convert, and a file of code 0
// is read on a machine of code 7 with every multi-byte value fully reversed.
#pragma once

#include <cstddef>
#include <cstdint>

#include <zorbase/platform/export.h>

class ZORBASE_API MSwap {
 public:
  // Both codes 7.
  MSwap();
  // Machine code 7, file code `file_code` (its low three bits).
  explicit MSwap(unsigned char file_code);
  MSwap(const MSwap& other) = default;
  MSwap(MSwap&& other) noexcept = default;
  // Copy and move assignment take both codes.
  MSwap& operator=(const MSwap& other) = default;
  MSwap& operator=(MSwap&& other) noexcept = default;

  void SET_MACHINESWAP(unsigned char code) { m_machine_swap = code & 7; }
  unsigned char GET_MACHINESWAP() const { return m_machine_swap; }
  void SET_FILESWAP(unsigned char code) { m_file_swap = code & 7; }
  unsigned char GET_FILESWAP() const { return m_file_swap; }

  // Converts `count` elements in place between machine and file order (the same operation in both
  // directions). 1-byte elements never change; 16-bit elements follow bit 0; 32-bit elements bit 1
  // (halves) and bit 0 (bytes of each half); 64-bit elements bits 2, 1 and 0. Widths are those of
  // Windows: int, long and their unsigned forms, float and char32_t 32 bits; long long, double 64.
  //
  // long and unsigned long are 64 bits in memory here but 32 in every file: their low 32 bits are
  // converted as a 32-bit value and the result is sign-extended (long) or zero-extended (unsigned
  // long), so a part that copies a record's 4 bytes into a zeroed long and converts it gets the
  // value a Windows build gets (and the converted value's first 4 bytes are the record). wchar_t
  // and char16_t likewise convert their low 16 bits as a UTF-16 unit.
  void SWAP(char*, size_t) const {}
  void SWAP(signed char*, size_t) const {}
  void SWAP(unsigned char*, size_t) const {}
  void SWAP(bool*, size_t) const {}
  void SWAP(short* p, size_t count) const { _SWAP_UNITS(p, count, 2); }
  void SWAP(unsigned short* p, size_t count) const { _SWAP_UNITS(p, count, 2); }
  void SWAP(char16_t* p, size_t count) const { _SWAP_UNITS(p, count, 2); }
  void SWAP(wchar_t* p, size_t count) const;
  void SWAP(int* p, size_t count) const { _SWAP_UNITS(p, count, 4); }
  void SWAP(unsigned int* p, size_t count) const { _SWAP_UNITS(p, count, 4); }
  void SWAP(char32_t* p, size_t count) const { _SWAP_UNITS(p, count, 4); }
  void SWAP(long* p, size_t count) const;
  void SWAP(unsigned long* p, size_t count) const;
  void SWAP(float* p, size_t count) const { _SWAP_UNITS(p, count, 4); }
  void SWAP(double* p, size_t count) const { _SWAP_UNITS(p, count, 8); }
  void SWAP(long long* p, size_t count) const { _SWAP_UNITS(p, count, 8); }
  void SWAP(unsigned long long* p, size_t count) const { _SWAP_UNITS(p, count, 8); }

  // The byte permutation for elements of `width` bytes (1, 2, 4 or 8): byte i of an element moves
  // to byte i ^ mask. 0 when no conversion is needed.
  unsigned _SWAP_MASK(size_t width) const {
    const unsigned differ = static_cast<unsigned>(m_machine_swap ^ m_file_swap) & 7u;
    return width >= 8 ? differ : width >= 4 ? (differ & 3u) : width >= 2 ? (differ & 1u) : 0u;
  }

 protected:
  // Converts `count` elements of `width` bytes at `p` in place.
  void _SWAP_UNITS(void* p, size_t count, size_t width) const;

  unsigned char m_machine_swap;
  unsigned char m_file_swap;
};
