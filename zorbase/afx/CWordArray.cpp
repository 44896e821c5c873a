// CWordArray (CWordArray.h).
#include <zorbase/afx/CWordArray.h>

IMPLEMENT_SERIAL(CWordArray, CObject, 0)

CWordArray::CWordArray() = default;

CWordArray::~CWordArray() = default;

INT_PTR CWordArray::Append(const CWordArray& source) { return AppendItems(source); }

void CWordArray::Copy(const CWordArray& source) { CopyItems(source); }

void CWordArray::InsertAt(INT_PTR start_index, const CWordArray* source) { InsertItems(start_index, source); }
