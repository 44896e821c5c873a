#include <zorbase/afx/CWinApp.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/profile.h>
#include <zorbase/platform/registry.h>
#include <zorbase/platform/win_errors.h>

namespace {

CWinApp* g_current = nullptr;

LPCTSTR Duplicate(const std::wstring& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<wchar_t*>(std::malloc(bytes));
  if (copy == nullptr) throw std::bad_alloc();
  std::wmemcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

void Replace(LPCTSTR* member, const std::wstring& text) {
  LPCTSTR copy = Duplicate(text);
  std::free(const_cast<wchar_t*>(*member));
  *member = copy;
}

// The executable's Windows path.
std::wstring ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::size_t NameStart(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? 0 : slash + 1;
}

// Position of the extension's dot in the file name of `path`, or npos.
std::size_t ExtensionDot(const std::wstring& path) {
  const std::size_t dot = path.rfind(L'.');
  return dot == std::wstring::npos || dot < NameStart(path) ? std::wstring::npos : dot;
}

bool Empty(LPCTSTR text) { return text == nullptr || *text == 0; }

std::wstring Text(LPCTSTR text) { return text != nullptr ? std::wstring(text) : std::wstring(); }

// Opens HKEY_CURRENT_USER\Software\KEY\PROFILE[\SECTION]; creates it only when `create`.
HKEY OpenProfileKey(LPCTSTR registry_key, LPCTSTR profile, LPCTSTR section, bool create) {
  std::wstring path = L"Software\\" + Text(registry_key) + L"\\" + Text(profile);
  if (section != nullptr) path += L"\\" + std::wstring(section);
  HKEY key = nullptr;
  const LONG status = create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                               KEY_READ | KEY_WRITE, nullptr, &key, nullptr)
                             : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
  return status == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_pszAppName(nullptr),
      m_pszExeName(nullptr),
      m_pszHelpFilePath(nullptr),
      m_pszProfileName(nullptr),
      m_pszRegistryKey(nullptr),
      m_previous(g_current) {
  const std::wstring exe = ExecutablePath();
  const std::size_t start = NameStart(exe);
  const std::size_t dot = ExtensionDot(exe);
  const std::wstring base = exe.substr(start, dot == std::wstring::npos ? std::wstring::npos
                                                                        : dot - start);
  m_pszExeName = Duplicate(base);
  m_pszAppName = Duplicate(Empty(lpszAppName) ? base : std::wstring(lpszAppName));
  m_pszHelpFilePath = Duplicate(exe.substr(0, dot) + L".chm");
  m_pszProfileName = Duplicate(base);
  g_current = this;
}

CWinApp::~CWinApp() {
  if (g_current == this) g_current = m_previous;
  for (LPCTSTR* member : {&m_pszAppName, &m_pszExeName, &m_pszHelpFilePath, &m_pszProfileName,
                          &m_pszRegistryKey}) {
    std::free(const_cast<wchar_t*>(*member));
    *member = nullptr;
  }
}

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
  Replace(&m_pszRegistryKey, Text(lpszRegistryKey));
  Replace(&m_pszProfileName, Text(m_pszAppName));
}

bool CWinApp::_UsesRegistry() const { return !Empty(m_pszRegistryKey); }

CString CWinApp::_ProfileFile() const {
  std::wstring name = Text(m_pszProfileName);
  const std::size_t dot = ExtensionDot(name);
  const bool has_ini = dot != std::wstring::npos && name.size() - dot == 4 &&
                       (name[dot + 1] | 0x20) == L'i' && (name[dot + 2] | 0x20) == L'n' &&
                       (name[dot + 3] | 0x20) == L'i';
  if (!has_ini) name += L".ini";
  return CString(name.c_str());
}

HKEY CWinApp::GetAppRegistryKey() {
  if (!_UsesRegistry()) return nullptr;
  return OpenProfileKey(m_pszRegistryKey, m_pszProfileName, nullptr, true);
}

HKEY CWinApp::GetSectionKey(LPCTSTR lpszSection) {
  if (!_UsesRegistry() || lpszSection == nullptr) return nullptr;
  return OpenProfileKey(m_pszRegistryKey, m_pszProfileName, lpszSection, true);
}

UINT CWinApp::GetProfileIntW(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault) {
  if (lpszSection == nullptr || lpszEntry == nullptr) return static_cast<UINT>(nDefault);
  if (!_UsesRegistry()) {
    return GetPrivateProfileIntW(lpszSection, lpszEntry, nDefault, _ProfileFile());
  }
  HKEY key = OpenProfileKey(m_pszRegistryKey, m_pszProfileName, lpszSection, false);
  if (key == nullptr) return static_cast<UINT>(nDefault);
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  const LONG status =
      RegQueryValueExW(key, lpszEntry, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) {
    return static_cast<UINT>(nDefault);
  }
  return value;
}

BOOL CWinApp::WriteProfileIntW(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue) {
  if (lpszSection == nullptr || lpszEntry == nullptr) return FALSE;
  if (!_UsesRegistry()) {
    const std::wstring text = std::to_wstring(nValue);
    return WritePrivateProfileStringW(lpszSection, lpszEntry, text.c_str(), _ProfileFile());
  }
  HKEY key = GetSectionKey(lpszSection);
  if (key == nullptr) return FALSE;
  const DWORD value = static_cast<DWORD>(nValue);
  const LONG status = RegSetValueExW(key, lpszEntry, 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

CString CWinApp::GetProfileStringW(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault) {
  const CString fallback(lpszDefault != nullptr ? lpszDefault : L"");
  if (lpszSection == nullptr || lpszEntry == nullptr) return fallback;
  if (!_UsesRegistry()) {
    const CString file = _ProfileFile();
    std::vector<wchar_t> buffer(256);
    for (;;) {
      const DWORD n = GetPrivateProfileStringW(lpszSection, lpszEntry, fallback, buffer.data(),
                                               static_cast<DWORD>(buffer.size()), file);
      if (n + 1 < buffer.size() || buffer.size() >= (1u << 24)) {
        return CString(std::wstring(buffer.data(), n).c_str());
      }
      buffer.resize(buffer.size() * 4);
    }
  }
  HKEY key = OpenProfileKey(m_pszRegistryKey, m_pszProfileName, lpszSection, false);
  if (key == nullptr) return fallback;
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExW(key, lpszEntry, nullptr, &type, nullptr, &size);
  std::vector<BYTE> data(size);
  if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
    status = RegQueryValueExW(key, lpszEntry, nullptr, &type, data.data(), &size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return fallback;
  std::wstring text = zb::platform::Utf16LeToWide(data.data(), size);
  const std::size_t end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return CString(text.c_str());
}

BOOL CWinApp::WriteProfileStringW(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue) {
  if (lpszSection == nullptr) return FALSE;
  if (!_UsesRegistry()) {
    return WritePrivateProfileStringW(lpszSection, lpszEntry, lpszValue, _ProfileFile());
  }
  if (lpszEntry == nullptr) {
    HKEY app = GetAppRegistryKey();
    if (app == nullptr) return FALSE;
    const LONG status = RegDeleteKeyW(app, lpszSection);
    RegCloseKey(app);
    return status == ERROR_SUCCESS;
  }
  HKEY key = GetSectionKey(lpszSection);
  if (key == nullptr) return FALSE;
  LONG status;
  if (lpszValue == nullptr) {
    status = RegDeleteValueW(key, lpszEntry);
  } else {
    const std::wstring value(lpszValue);
    const std::string bytes = zb::platform::WideToUtf16Le(value.c_str(), value.size() + 1);
    status = RegSetValueExW(key, lpszEntry, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size()));
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

CWinApp* AfxGetApp() {
  if (g_current != nullptr) return g_current;
  static CWinApp* fallback = new CWinApp();  // made on first use; a host's object takes over
  return g_current != nullptr ? g_current : fallback;
}
