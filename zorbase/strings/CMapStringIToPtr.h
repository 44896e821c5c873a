// CMapStringIToPtr and CMapStringIToString: the framework's string maps with lookup that ignores
// the case of ASCII letters, while each key keeps the spelling it was first stored with.
#pragma once

#include <zorbase/afx/CMapStringToPtr.h>
#include <zorbase/afx/CMapStringToString.h>
#include <zorbase/platform/export.h>

// A CMapStringToPtr whose keyed operations find a key regardless of case: an exact match first,
// else the first entry in iteration order whose key equals `key` by CString::CompareNoCase. Both
// cost a hash probe (see afx_map.h). A new entry keeps `key` as given. The map does not own what
// the pointers point to.
class ZORBASE_API CMapStringIToPtr : public CMapStringToPtr {
 public:
  explicit CMapStringIToPtr(unsigned short block_size = 10);
  ~CMapStringIToPtr() override;

  // True and the value when a key equal to `key` ignoring case exists.
  BOOL Lookup(LPCWSTR key, void*& value) const;
  // The value of the key equal to `key` ignoring case; a new (null) entry under `key` when none.
  void*& operator[](LPCWSTR key);
  void SetAt(LPCWSTR key, void* value);
  // Removes the entry whose key equals `key` ignoring case; true when one was removed.
  BOOL RemoveKey(LPCWSTR key);
};

// A CMapStringToString with the same case-insensitive keyed operations as CMapStringIToPtr.
class ZORBASE_API CMapStringIToString : public CMapStringToString {
 public:
  explicit CMapStringIToString(unsigned short block_size = 10);
  ~CMapStringIToString() override;

  BOOL Lookup(LPCWSTR key, CString& value) const;
  CString& operator[](LPCWSTR key);
  void SetAt(LPCWSTR key, LPCWSTR value);
  BOOL RemoveKey(LPCWSTR key);
};
