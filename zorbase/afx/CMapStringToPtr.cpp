// CMapStringToPtr (CMapStringToPtr.h).
#include <zorbase/afx/CMapStringToPtr.h>

IMPLEMENT_DYNAMIC(CMapStringToPtr, CObject)

CMapStringToPtr::CMapStringToPtr(INT_PTR block_size) : StringHashTable<void*>(block_size) {}

CMapStringToPtr::~CMapStringToPtr() = default;

BOOL CMapStringToPtr::Lookup(LPCWSTR key, void*& value) const { return LookupValue(key, value, false); }

void*& CMapStringToPtr::operator[](LPCWSTR key) { return ValueAt(key, false); }

void CMapStringToPtr::SetAt(LPCWSTR key, void* value) { ValueAt(key, false) = value; }

BOOL CMapStringToPtr::RemoveKey(LPCWSTR key) { return RemoveEntry(key, false); }

void CMapStringToPtr::GetNextAssoc(POSITION& position, CString& key, void*& value) const {
  NextEntry(position, key, value);
}
