// CStringArray (CStringArray.h).
#include <zorbase/afx/CStringArray.h>

IMPLEMENT_SERIAL(CStringArray, CObject, 0)

CStringArray::CStringArray() = default;

CStringArray::~CStringArray() = default;

INT_PTR CStringArray::Add(LPCWSTR text) { return Add(CString(text != nullptr ? text : L"")); }

void CStringArray::SetAt(INT_PTR index, LPCWSTR text) { SetAt(index, CString(text != nullptr ? text : L"")); }

void CStringArray::SetAtGrow(INT_PTR index, LPCWSTR text) { SetAtGrow(index, CString(text != nullptr ? text : L"")); }

void CStringArray::InsertAt(INT_PTR index, LPCWSTR text, INT_PTR count) {
  InsertAt(index, CString(text != nullptr ? text : L""), count);
}

INT_PTR CStringArray::Append(const CStringArray& source) { return AppendItems(source); }

void CStringArray::Copy(const CStringArray& source) { CopyItems(source); }

void CStringArray::InsertAt(INT_PTR start_index, const CStringArray* source) { InsertItems(start_index, source); }
