// CByteArray (CByteArray.h).
#include <zorbase/afx/CByteArray.h>

IMPLEMENT_SERIAL(CByteArray, CObject, 0)

CByteArray::CByteArray() = default;

CByteArray::~CByteArray() = default;

INT_PTR CByteArray::Append(const CByteArray& source) {
  INT_PTR first = GetSize();
  if (&source == this) {
    std::vector<BYTE> copy = source.items();
    items().insert(items().end(), copy.begin(), copy.end());
  } else {
    items().insert(items().end(), source.items().begin(), source.items().end());
  }
  return first;
}

void CByteArray::Copy(const CByteArray& source) {
  if (&source != this) items() = source.items();
}

void CByteArray::InsertAt(INT_PTR start_index, const CByteArray* source) {
  if (source == nullptr || start_index < 0) throw CInvalidArgException("bad array insertion");
  std::vector<BYTE> copy = source->items();
  if (start_index > GetSize()) SetSize(start_index);
  items().insert(items().begin() + start_index, copy.begin(), copy.end());
}
