// CMapStringIToObject (CMapStringIToObject.h).
#include <zorbase/strings/CMapStringIToObject.h>

CMapStringIToObject::CMapStringIToObject() : m_map(10) {}

CMapStringIToObject::~CMapStringIToObject() { RemoveAll(); }

BOOL CMapStringIToObject::Lookup(LPCWSTR key, CObject*& value) const {
  void* stored = nullptr;
  if (!m_map.Lookup(key, stored)) return FALSE;
  value = static_cast<CObject*>(stored);
  return TRUE;
}

CObject*& CMapStringIToObject::operator[](LPCWSTR key) {
  // The entry holds a CObject* converted to void* without adjustment, so the slot may be used as
  // the object pointer it stands for.
  return reinterpret_cast<CObject*&>(m_map[key]);
}

bool CMapStringIToObject::Set(LPCWSTR key, CObject* value) {
  void* old = nullptr;
  const bool existed = m_map.Lookup(key, old) != FALSE;
  if (existed && old == value) return true;
  m_map[key] = value;
  delete static_cast<CObject*>(old);
  return existed;
}

BOOL CMapStringIToObject::RemoveKey(LPCWSTR key) {
  void* old = nullptr;
  if (!m_map.Lookup(key, old)) return FALSE;
  m_map.RemoveKey(key);
  delete static_cast<CObject*>(old);
  return TRUE;
}

CObject* CMapStringIToObject::RemoveKey2(LPCWSTR key) {
  void* old = nullptr;
  if (!m_map.Lookup(key, old)) return nullptr;
  m_map.RemoveKey(key);
  return static_cast<CObject*>(old);
}

void CMapStringIToObject::RemoveAll() {
  POSITION position = m_map.GetStartPosition();
  while (position != nullptr) {
    CString key;
    void* value = nullptr;
    m_map.GetNextAssoc(position, key, value);
    delete static_cast<CObject*>(value);
  }
  m_map.RemoveAll();
}

void CMapStringIToObject::GetNextAssoc(POSITION& position, CString& key, CObject*& value) const {
  if (position == nullptr) return;
  void* stored = nullptr;
  m_map.GetNextAssoc(position, key, stored);
  value = static_cast<CObject*>(stored);
}
