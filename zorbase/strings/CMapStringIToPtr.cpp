// CMapStringIToPtr and CMapStringIToString (CMapStringIToPtr.h): the framework maps' keyed
// operations with keys matched regardless of case.
#include <zorbase/strings/CMapStringIToPtr.h>

CMapStringIToPtr::CMapStringIToPtr(unsigned short block_size) : CMapStringToPtr(block_size) {}

CMapStringIToPtr::~CMapStringIToPtr() = default;

BOOL CMapStringIToPtr::Lookup(LPCWSTR key, void*& value) const { return LookupValue(key, value, true); }

void*& CMapStringIToPtr::operator[](LPCWSTR key) { return ValueAt(key, true); }

void CMapStringIToPtr::SetAt(LPCWSTR key, void* value) { ValueAt(key, true) = value; }

BOOL CMapStringIToPtr::RemoveKey(LPCWSTR key) { return RemoveEntry(key, true); }

CMapStringIToString::CMapStringIToString(unsigned short block_size) : CMapStringToString(block_size) {}

CMapStringIToString::~CMapStringIToString() = default;

BOOL CMapStringIToString::Lookup(LPCWSTR key, CString& value) const { return LookupValue(key, value, true); }

CString& CMapStringIToString::operator[](LPCWSTR key) { return ValueAt(key, true); }

void CMapStringIToString::SetAt(LPCWSTR key, LPCWSTR value) { ValueAt(key, true) = value; }

BOOL CMapStringIToString::RemoveKey(LPCWSTR key) { return RemoveEntry(key, true); }
