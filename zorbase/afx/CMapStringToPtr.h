// CMapStringToPtr: the framework's hashed map from wide text to untyped pointers.
#pragma once

#include <zorbase/afx/CObject.h>
#include <zorbase/afx/CString.h>
#include <zorbase/afx/afx_map.h>

// A map from CString keys (compared exactly) to void* values, with the framework's hashing, block
// allocation and POSITION iteration (see afx_map.h). The map does not own what the pointers point
// to. A null key counts as the empty text. Not copyable. Positions stay valid until the entry they
// name is removed.
class ZORBASE_API CMapStringToPtr : public CObject, public zb::afx_internal::StringHashTable<void*> {
  DECLARE_DYNAMIC(CMapStringToPtr)
 public:
  // `block_size`: how many entries are allocated at a time (values below 1 count as 1).
  explicit CMapStringToPtr(INT_PTR block_size = 10);
  ~CMapStringToPtr() override;

  // True and the value when `key` is present.
  BOOL Lookup(LPCWSTR key, void*& value) const;
  // The value stored under `key`, made (null) when missing.
  void*& operator[](LPCWSTR key);
  void SetAt(LPCWSTR key, void* value);
  // Removes the entry of `key`; true when there was one.
  BOOL RemoveKey(LPCWSTR key);
  // The entry at `position` into `key` and `value`; `position` moves on (null after the last).
  // A null position leaves `key` and `value` unchanged.
  void GetNextAssoc(POSITION& position, CString& key, void*& value) const;
};
