// CByteArray (CByteArray.h).
#include <zorbase/afx/CByteArray.h>

IMPLEMENT_SERIAL(CByteArray, CObject, 0)

CByteArray::CByteArray() = default;

CByteArray::~CByteArray() = default;

INT_PTR CByteArray::Append(const CByteArray& source) { return AppendItems(source); }

void CByteArray::Copy(const CByteArray& source) { CopyItems(source); }

void CByteArray::InsertAt(INT_PTR start_index, const CByteArray* source) { InsertItems(start_index, source); }
