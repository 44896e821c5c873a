// CMapStringToString (CMapStringToString.h).
#include <zorbase/afx/CMapStringToString.h>

IMPLEMENT_SERIAL(CMapStringToString, CObject, 0)

CMapStringToString::CMapStringToString(INT_PTR block_size) : StringHashTable<CString>(block_size) {}

CMapStringToString::~CMapStringToString() = default;

BOOL CMapStringToString::Lookup(LPCWSTR key, CString& value) const { return LookupValue(key, value, false); }

CString& CMapStringToString::operator[](LPCWSTR key) { return ValueAt(key, false); }

void CMapStringToString::SetAt(LPCWSTR key, LPCWSTR value) { ValueAt(key, false) = value; }

BOOL CMapStringToString::RemoveKey(LPCWSTR key) { return RemoveEntry(key, false); }

void CMapStringToString::GetNextAssoc(POSITION& position, CString& key, CString& value) const {
  NextEntry(position, key, value);
}
