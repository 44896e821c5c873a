// CObject and CRuntimeClass (CObject.h).
#include <zorbase/afx/CObject.h>

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr};

CObject* CRuntimeClass::CreateObject() const { return m_pfnCreateObject != nullptr ? m_pfnCreateObject() : nullptr; }

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  if (base == nullptr) return FALSE;
  for (const CRuntimeClass* current = this; current != nullptr; current = current->m_pBaseClass) {
    if (current == base) return TRUE;
  }
  return FALSE;
}

CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

CObject::~CObject() = default;

void CObject::Serialize(CArchive& /*archive*/) {}

void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext& /*context*/) const {}

BOOL CObject::IsKindOf(const CRuntimeClass* runtime_class) const {
  return GetRuntimeClass()->IsDerivedFrom(runtime_class);
}

BOOL CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }
