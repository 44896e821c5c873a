// CWordArray (CWordArray.h).
#include <zorbase/afx/CWordArray.h>

IMPLEMENT_SERIAL(CWordArray, CObject, 0)

CWordArray::CWordArray() = default;

CWordArray::~CWordArray() = default;

INT_PTR CWordArray::Append(const CWordArray& source) {
  INT_PTR first = GetSize();
  std::vector<WORD> copy = source.items();
  items().insert(items().end(), copy.begin(), copy.end());
  return first;
}

void CWordArray::Copy(const CWordArray& source) {
  if (&source != this) items() = source.items();
}

void CWordArray::InsertAt(INT_PTR start_index, const CWordArray* source) {
  if (source == nullptr || start_index < 0) throw CInvalidArgException("bad array insertion");
  std::vector<WORD> copy = source->items();
  if (start_index > GetSize()) SetSize(start_index);
  items().insert(items().begin() + start_index, copy.begin(), copy.end());
}
