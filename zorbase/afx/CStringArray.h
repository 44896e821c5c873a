// CStringArray: the framework's growable array of strings.
#pragma once

#include <zorbase/afx/CObject.h>
#include <zorbase/afx/CString.h>
#include <zorbase/afx/afx_array.h>

// A growable array of CString. Indexes run from 0 to GetUpperBound(); a bad index or size throws
// CInvalidArgException. Not copyable: use Copy.
class ZORBASE_API CStringArray : public CObject, public zb::afx_internal::ArrayBase<CString> {
  DECLARE_SERIAL(CStringArray)
 public:
  CStringArray();
  ~CStringArray() override;

  using zb::afx_internal::ArrayBase<CString>::Add;
  using zb::afx_internal::ArrayBase<CString>::InsertAt;
  using zb::afx_internal::ArrayBase<CString>::SetAt;
  using zb::afx_internal::ArrayBase<CString>::SetAtGrow;
  // Appends a copy of `text` (null: an empty string); returns its index.
  INT_PTR Add(LPCWSTR text);
  void SetAt(INT_PTR index, LPCWSTR text);
  void SetAtGrow(INT_PTR index, LPCWSTR text);
  void InsertAt(INT_PTR index, LPCWSTR text, INT_PTR count = 1);

  // Appends the elements of `source`; returns the index of the first one appended.
  INT_PTR Append(const CStringArray& source);
  // Makes this array a copy of `source`.
  void Copy(const CStringArray& source);
  // Inserts all elements of `source` before `start_index`.
  void InsertAt(INT_PTR start_index, const CStringArray* source);
};
