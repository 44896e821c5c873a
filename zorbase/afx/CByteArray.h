// CByteArray: the framework's growable array of bytes.
#pragma once

#include <zorbase/afx/CObject.h>
#include <zorbase/afx/afx_array.h>

// A growable array of bytes. Indexes run from 0 to GetUpperBound(); a bad index or size throws
// CInvalidArgException. Not copyable: use Copy.
class ZORBASE_API CByteArray : public CObject, public zb::afx_internal::ArrayBase<BYTE> {
  DECLARE_SERIAL(CByteArray)
 public:
  CByteArray();
  ~CByteArray() override;

  // Appends the elements of `source`; returns the index of the first one appended.
  INT_PTR Append(const CByteArray& source);
  // Makes this array a copy of `source`.
  void Copy(const CByteArray& source);
  // Inserts all elements of `source` before `start_index`.
  void InsertAt(INT_PTR start_index, const CByteArray* source);
  using zb::afx_internal::ArrayBase<BYTE>::InsertAt;
};
