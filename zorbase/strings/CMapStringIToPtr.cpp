// CMapStringIToPtr and CMapStringIToString (CMapStringIToPtr.h).
#include <zorbase/strings/CMapStringIToPtr.h>

CMapStringIToPtr::CMapStringIToPtr(unsigned short block_size) : CMapStringToPtr(block_size) {}

CMapStringIToPtr::~CMapStringIToPtr() = default;

BOOL CMapStringIToPtr::Lookup(LPCWSTR key, void*& value) const {
  Assoc* a = FindNoCase(key);
  if (a == nullptr) return FALSE;
  value = a->value;
  return TRUE;
}

void*& CMapStringIToPtr::operator[](LPCWSTR key) {
  Assoc* a = FindNoCase(key);
  if (a == nullptr) a = Insert(key);
  return a->value;
}

void CMapStringIToPtr::SetAt(LPCWSTR key, void* value) { (*this)[key] = value; }

BOOL CMapStringIToPtr::RemoveKey(LPCWSTR key) {
  Assoc* a = FindNoCase(key);
  if (a == nullptr) return FALSE;
  Remove(a);
  return TRUE;
}

CMapStringIToString::CMapStringIToString(unsigned short block_size) : CMapStringToString(block_size) {}

CMapStringIToString::~CMapStringIToString() = default;

BOOL CMapStringIToString::Lookup(LPCWSTR key, CString& value) const {
  Assoc* a = FindNoCase(key);
  if (a == nullptr) return FALSE;
  value = a->value;
  return TRUE;
}

CString& CMapStringIToString::operator[](LPCWSTR key) {
  Assoc* a = FindNoCase(key);
  if (a == nullptr) a = Insert(key);
  return a->value;
}

void CMapStringIToString::SetAt(LPCWSTR key, LPCWSTR value) { (*this)[key] = value; }

BOOL CMapStringIToString::RemoveKey(LPCWSTR key) {
  Assoc* a = FindNoCase(key);
  if (a == nullptr) return FALSE;
  Remove(a);
  return TRUE;
}
