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

INT_PTR CStringArray::Append(const CStringArray& source) {
  INT_PTR first = GetSize();
  std::vector<CString> copy = source.items();
  items().insert(items().end(), copy.begin(), copy.end());
  return first;
}

void CStringArray::Copy(const CStringArray& source) {
  if (&source != this) items() = source.items();
}

void CStringArray::InsertAt(INT_PTR start_index, const CStringArray* source) {
  if (source == nullptr || start_index < 0) throw CInvalidArgException("bad array insertion");
  std::vector<CString> copy = source->items();
  if (start_index > GetSize()) SetSize(start_index);
  items().insert(items().begin() + start_index, copy.begin(), copy.end());
}
