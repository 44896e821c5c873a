// CMapStringToPtr (CMapStringToPtr.h).
#include <zorbase/afx/CMapStringToPtr.h>

IMPLEMENT_DYNAMIC(CMapStringToPtr, CObject)

CMapStringToPtr::CMapStringToPtr(INT_PTR block_size) : StringHashTable<void*>(block_size) {}

CMapStringToPtr::~CMapStringToPtr() = default;

BOOL CMapStringToPtr::Lookup(LPCWSTR key, void*& value) const {
  Assoc* a = FindExact(key);
  if (a == nullptr) return FALSE;
  value = a->value;
  return TRUE;
}

BOOL CMapStringToPtr::LookupKey(LPCWSTR key, LPCWSTR& stored_key) const {
  Assoc* a = FindExact(key);
  if (a == nullptr) return FALSE;
  stored_key = a->key.GetString();
  return TRUE;
}

void*& CMapStringToPtr::operator[](LPCWSTR key) {
  Assoc* a = FindExact(key);
  if (a == nullptr) a = Insert(key);
  return a->value;
}

void CMapStringToPtr::SetAt(LPCWSTR key, void* value) { (*this)[key] = value; }

BOOL CMapStringToPtr::RemoveKey(LPCWSTR key) {
  Assoc* a = FindExact(key);
  if (a == nullptr) return FALSE;
  Remove(a);
  return TRUE;
}

void CMapStringToPtr::GetNextAssoc(POSITION& position, CString& key, void*& value) const {
  Assoc* a = Next(position);
  if (a == nullptr) return;
  key = a->key;
  value = a->value;
}
