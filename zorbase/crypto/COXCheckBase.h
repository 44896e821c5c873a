// COXCheckBase: the common base of the checksum and CRC calculators, with the running value and
// the block interface. Values can be computed in one call or continued over several blocks.
#pragma once

#include <cstdint>

#include <zorbase/afx/CFile.h>
#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// A calculator keeps its running value in "current": 0xFFFFFFFF after construction and Reset.
// Each calculator reads as much of it as its width needs. Not for concurrent use.
class ZORBASE_API COXCheckBase {
 public:
  // Width code of a calculator.
  enum ESize : std::int32_t { sizeUnspecified = 0, size8Bit = 1, size16Bit = 2, size32Bit = 3 };

  explicit COXCheckBase(ESize size = sizeUnspecified);
  COXCheckBase(const COXCheckBase& other);
  COXCheckBase& operator=(const COXCheckBase& other);
  virtual ~COXCheckBase();

  // current = 0xFFFFFFFF.
  void Reset();

  // Sets current to `initial`, runs the calculator over `length` bytes of `data` (null only with
  // length 0), keeps the running value in current and returns it reduced to the calculator's
  // width (8 or 16 bits zero-extended). With length 0 it returns `initial` reduced to the width.
  virtual ULONG CalculateBlock(void* const data, ULONG length, ULONG initial) = 0;

  // The same with initial = current, so that successive calls continue one computation.
  virtual ULONG CalculateBlock(void* const data, ULONG length);

  // Opens the file at `path` for reading, denying others write access, and returns
  // CalculateFile(&file, 0xFFFFFFFF, 2048). Throws CFileException* (cause, system error, file
  // name) when the file cannot be opened or read; the file is closed in every case.
  virtual ULONG CalculateFile(CString path);

  // Reads at most `length` bytes from the file's current position in chunks of at most
  // `bufferSize` bytes (1 MiB at most) through one buffer, continuing the running value with each
  // chunk, and returns it. A short read (the end of the file) ends the calculation. When reading
  // throws, current is put back to its value before the call and the exception passes on.
  virtual ULONG CalculateFile(CFile* file, ULONG length = 0xFFFFFFFFu, ULONG bufferSize = 2048);

  // The running value and the width code.
  ULONG GetCurrent() const { return m_nCurrent; }
  ESize GetSize() const { return m_eSize; }

 protected:
  ULONG m_nCurrent;
  ESize m_eSize;
};
