// CMapStringIToObject: a case-insensitive map from wide text to objects that it owns.
#pragma once

#include <zorbase/afx/CObject.h>
#include <zorbase/strings/CMapStringIToPtr.h>

// Maps text (case ignored as in CMapStringIToPtr) to CObject pointers and owns the objects: they
// are deleted through their virtual destructor when replaced, removed (except by RemoveKey2) or
// when the map is emptied or destroyed. Not copyable.
class ZORBASE_API CMapStringIToObject {
 public:
  CMapStringIToObject();
  virtual ~CMapStringIToObject();
  CMapStringIToObject(const CMapStringIToObject&) = delete;
  CMapStringIToObject& operator=(const CMapStringIToObject&) = delete;

  // True and the object when a key equal to `key` ignoring case exists.
  BOOL Lookup(LPCWSTR key, CObject*& value) const;
  // The stored pointer of the key (a new null entry under `key` when missing). An object stored
  // through this reference becomes owned by the map; the caller deletes one it overwrites.
  CObject*& operator[](LPCWSTR key);
  // Stores `value` under `key`; an object held there before is deleted, unless it is `value`
  // itself. True when the key existed.
  bool Set(LPCWSTR key, CObject* value);
  // Removes the entry and deletes its object; true when the key existed.
  BOOL RemoveKey(LPCWSTR key);
  // Removes the entry and returns its object, now owned by the caller (null when missing).
  CObject* RemoveKey2(LPCWSTR key);
  // Deletes every object and empties the map.
  void RemoveAll();

  INT_PTR GetCount() const { return m_map.GetCount(); }
  POSITION GetStartPosition() const { return m_map.GetStartPosition(); }
  void GetNextAssoc(POSITION& position, CString& key, CObject*& value) const;

 protected:
  CMapStringIToPtr m_map;
};
