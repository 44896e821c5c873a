// CMapStringToString: the framework's hashed map from wide text to text.
#pragma once

#include <zorbase/afx/CObject.h>
#include <zorbase/afx/CString.h>
#include <zorbase/afx/afx_map.h>

// A map from CString keys (compared exactly) to CString values, with the framework's hashing, block
// allocation and POSITION iteration (see afx_map.h). A null key or value counts as the empty
// text. Not copyable. Positions stay valid until the entry they
// name is removed.
class ZORBASE_API CMapStringToString : public CObject, public zb::afx_internal::StringHashTable<CString> {
  DECLARE_SERIAL(CMapStringToString)
 public:
  // `block_size`: how many entries are allocated at a time (values below 1 count as 1).
  explicit CMapStringToString(INT_PTR block_size = 10);
  ~CMapStringToString() override;

  // True and the value when `key` is present.
  BOOL Lookup(LPCWSTR key, CString& value) const;
  // The value stored under `key`, made (empty) when missing.
  CString& operator[](LPCWSTR key);
  void SetAt(LPCWSTR key, LPCWSTR value);
  // Removes the entry of `key`; true when there was one.
  BOOL RemoveKey(LPCWSTR key);
  // The entry at `position` into `key` and `value`; `position` moves on (null after the last).
  // A null position leaves `key` and `value` unchanged.
  void GetNextAssoc(POSITION& position, CString& key, CString& value) const;
};
