// MSoftKey, MSoftKeyCU, MSoftKeyLM (MSoftKey.h).
#include <zorbase/settings/MSoftKey.h>

#include <zorbase/platform/file_system.h>
#include <zorbase/settings/internal/settings_internal.h>

using zb::settings_internal::JoinRegPath;

// Constructed before the library's load steps run (which set them), see library_init.cpp.
CString MSoftKey::m_CompanyName __attribute__((init_priority(64000))) = L"!TestCompany";
CString MSoftKey::m_ProductName __attribute__((init_priority(64000)));
CString MSoftKey::m_ProductVersion __attribute__((init_priority(64000)));

MSoftKey::MSoftKey(const wchar_t* name, HKEY root) { CommonInit(name, root); }

MSoftKey::MSoftKey(MSoftKey& other) : MRegKey(other) { m_name = other.m_name; }

MSoftKey& MSoftKey::operator=(MSoftKey& other) {
  if (this == &other) return *this;
  MRegKey::operator=(other);
  m_name = other.m_name;
  return *this;
}

void MSoftKey::Init(const wchar_t* productName, const wchar_t* productVersion, const wchar_t* companyName) {
  m_CompanyName = companyName != nullptr ? companyName : L"!TestCompany";
  m_ProductName = productName != nullptr ? CString(productName) : GetDefaultProductName();
  m_ProductVersion = productVersion != nullptr ? productVersion : L"";
}

CString MSoftKey::GetDefaultProductName() {
  wchar_t path[MAX_PATH] = {0};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0) return CString();
  return zb::settings_internal::ProductNameFromModulePath(path);
}

CString MSoftKey::_GetSubKeyName() {
  CString path = JoinRegPath(L"software", m_CompanyName);
  path = JoinRegPath(path, m_ProductName);
  path = JoinRegPath(path, m_ProductVersion);
  return JoinRegPath(path, m_name);
}

MSoftKeyCU::MSoftKeyCU() : MSoftKey(nullptr, HKEY_CURRENT_USER) {}
MSoftKeyCU::MSoftKeyCU(const wchar_t* name) : MSoftKey(name, HKEY_CURRENT_USER) {}
MSoftKeyCU::MSoftKeyCU(MSoftKeyCU& other) : MSoftKey(other) {}
MSoftKeyCU& MSoftKeyCU::operator=(MSoftKeyCU& other) {
  MSoftKey::operator=(other);
  return *this;
}

MSoftKeyLM::MSoftKeyLM() : MSoftKey(nullptr, HKEY_LOCAL_MACHINE) {}
MSoftKeyLM::MSoftKeyLM(const wchar_t* name) : MSoftKey(name, HKEY_LOCAL_MACHINE) {}
MSoftKeyLM::MSoftKeyLM(MSoftKeyLM& other) : MSoftKey(other) {}
MSoftKeyLM& MSoftKeyLM::operator=(MSoftKeyLM& other) {
  MSoftKey::operator=(other);
  return *this;
}
