// CMapStringToString (CMapStringToString.h).
#include <zorbase/afx/CMapStringToString.h>

IMPLEMENT_SERIAL(CMapStringToString, CObject, 0)

CMapStringToString::CMapStringToString(INT_PTR block_size) : StringHashTable<CString>(block_size) {}

CMapStringToString::~CMapStringToString() = default;

BOOL CMapStringToString::Lookup(LPCWSTR key, CString& value) const {
  Assoc* a = FindExact(key);
  if (a == nullptr) return FALSE;
  value = a->value;
  return TRUE;
}

BOOL CMapStringToString::LookupKey(LPCWSTR key, LPCWSTR& stored_key) const {
  Assoc* a = FindExact(key);
  if (a == nullptr) return FALSE;
  stored_key = a->key.GetString();
  return TRUE;
}

CString& CMapStringToString::operator[](LPCWSTR key) {
  Assoc* a = FindExact(key);
  if (a == nullptr) a = Insert(key);
  return a->value;
}

void CMapStringToString::SetAt(LPCWSTR key, LPCWSTR value) { (*this)[key] = value; }

BOOL CMapStringToString::RemoveKey(LPCWSTR key) {
  Assoc* a = FindExact(key);
  if (a == nullptr) return FALSE;
  Remove(a);
  return TRUE;
}

void CMapStringToString::GetNextAssoc(POSITION& position, CString& key, CString& value) const {
  Assoc* a = Next(position);
  if (a == nullptr) return;
  key = a->key;
  value = a->value;
}
