// CWordArray: the framework's growable array of 16-bit words.
#pragma once

#include <zorbase/afx/CObject.h>
#include <zorbase/afx/afx_array.h>

// A growable array of WORD values. Indexes run from 0 to GetUpperBound(); a bad index or size
// throws CInvalidArgException. Not copyable: use Copy.
class ZORBASE_API CWordArray : public CObject, public zb::afx_internal::ArrayBase<WORD> {
  DECLARE_SERIAL(CWordArray)
 public:
  CWordArray();
  ~CWordArray() override;

  // Appends the elements of `source`; returns the index of the first one appended.
  INT_PTR Append(const CWordArray& source);
  // Makes this array a copy of `source`.
  void Copy(const CWordArray& source);
  // Inserts all elements of `source` before `start_index`.
  void InsertAt(INT_PTR start_index, const CWordArray* source);
  using zb::afx_internal::ArrayBase<WORD>::InsertAt;
};
