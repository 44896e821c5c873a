// MRegKey (MRegKey.h).
#include <zorbase/settings/MRegKey.h>

#include <cstring>
#include <vector>

#include <zorbase/platform/format.h>
#include <zorbase/settings/internal/settings_internal.h>

using zb::settings_internal::JoinRegPath;
using zb::settings_internal::RegSzData;
using zb::settings_internal::RegSzText;

namespace {

constexpr DWORD kMaxSubKeyName = 260;

bool IsEmptyText(const wchar_t* text) { return text == nullptr || *text == 0; }

}  // namespace

// ---- construction ------------------------------------------------------------------------------

MRegKey::MRegKey()
    : m_key(nullptr), m_parent(nullptr), m_lastError(E_HANDLE), m_owns(TRUE), m_ownedParent(nullptr) {}

MRegKey::MRegKey(HKEY key, int owns)
    : m_key(key), m_parent(nullptr), m_lastError(E_HANDLE), m_owns(owns), m_ownedParent(nullptr) {}

MRegKey::MRegKey(const wchar_t* name, MRegKey parent)
    : m_key(nullptr), m_parent(nullptr), m_lastError(E_HANDLE), m_owns(TRUE), m_ownedParent(nullptr) {
  bool was_open = parent.m_key != nullptr;
  HKEY handle = static_cast<HKEY>(parent);
  if (handle != nullptr) {
    m_parent = handle;
    m_name = name;
    // A handle the parent copy opened just now would be closed with it: this key keeps it.
    if (!was_open && parent.m_owns && handle != parent.m_parent) {
      m_ownedParent = handle;
      parent.m_key = nullptr;
    }
  } else {
    m_parent = parent.m_parent;
    m_name = JoinRegPath(parent._GetSubKeyName(), name);
  }
  m_owns = !m_name.IsEmpty();
}

MRegKey::MRegKey(MRegKey& other)
    : m_key(other.m_key),
      m_name(other._GetSubKeyName()),
      m_parent(other.m_parent),
      m_lastError(other.m_lastError),
      m_owns(FALSE),
      m_ownedParent(nullptr) {}

MRegKey& MRegKey::operator=(MRegKey& other) {
  if (this == &other) return *this;
  CString path = other._GetSubKeyName();
  if (m_owns && m_key != nullptr && m_key != other.m_key) RegCloseKey(m_key);
  if (m_ownedParent != other.m_parent) ReleaseOwnedParent();
  m_key = other.m_key;
  m_name = path;
  m_parent = other.m_parent;
  m_lastError = other.m_lastError;
  m_owns = FALSE;
  return *this;
}

MRegKey::~MRegKey() {
  if (m_owns && m_key != nullptr) RegCloseKey(m_key);
  m_key = nullptr;
  ReleaseOwnedParent();
}

void MRegKey::ReleaseOwnedParent() {
  if (m_ownedParent != nullptr) RegCloseKey(m_ownedParent);
  m_ownedParent = nullptr;
}

void MRegKey::CommonInit(const wchar_t* name, HKEY parent) {
  m_key = nullptr;
  m_lastError = E_HANDLE;
  m_name = name;
  m_parent = parent;
  m_owns = TRUE;
}

// ---- opening and closing -----------------------------------------------------------------------

int MRegKey::Open(const wchar_t* name, HKEY parent, int create) {
  if (m_owns && m_key != nullptr) RegCloseKey(m_key);
  m_key = nullptr;
  if (parent == nullptr) return 0;
  HKEY opened = nullptr;
  LONG result = create ? RegCreateKeyW(parent, name, &opened) : RegOpenKeyW(parent, name, &opened);
  m_lastError = result;
  if (result != ERROR_SUCCESS) return 0;
  m_key = opened;
  // With an empty name the system hands back the parent's own handle, which is not ours.
  m_owns = !IsEmptyText(name);
  return 1;
}

void MRegKey::Close() {
  if (m_owns && m_key != nullptr) RegCloseKey(m_key);
  m_key = nullptr;
  m_lastError = E_HANDLE;
}

int MRegKey::ValidHandle(int create) {
  if (m_key != nullptr) return 1;
  if (m_parent == nullptr) return 0;
  CString path = _GetSubKeyName();
  return Open(path, m_parent, create) && m_key != nullptr;
}

void MRegKey::Attach(HKEY key, int owns) {
  if (m_owns && m_key != nullptr && m_key != key) RegCloseKey(m_key);
  m_key = key;
  m_lastError = E_HANDLE;
  m_owns = owns;
}

MRegKey& MRegKey::Create() {
  if (m_key == nullptr && m_parent != nullptr) {
    CString path = _GetSubKeyName();
    Open(path, m_parent, TRUE);
  }
  return *this;
}

MRegKey::operator HKEY() {
  if (m_key == nullptr && m_parent != nullptr) ValidHandle(FALSE);
  return m_key;
}

int MRegKey::operator!() { return static_cast<HKEY>(*this) == nullptr; }

LONG MRegKey::GetLastError() { return m_lastError; }

void MRegKey::GetParams(HKEY& parent, CString& path) {
  parent = m_parent;
  path = _GetSubKeyName();
}

CString MRegKey::_GetSubKeyName() { return m_name; }

// ---- values ------------------------------------------------------------------------------------

LONG MRegKey::ReadValue(const wchar_t* name, DWORD* type, std::vector<BYTE>* data) {
  // Type and size first, then the data; the value may grow in between, so ask again then.
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD size = 0;
    LONG result = RegQueryValueExW(m_key, name, nullptr, type, nullptr, &size);
    if (result != ERROR_SUCCESS) return result;
    data->assign(size, 0);
    DWORD got = size;
    result = RegQueryValueExW(m_key, name, nullptr, type, data->empty() ? nullptr : data->data(), &got);
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) return result;
    data->resize(got);
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}

int MRegKey::Fetch(const wchar_t* name, DWORD* type, std::vector<BYTE>* data) {
  m_lastError = E_HANDLE;
  if (!ValidHandle(FALSE)) return 0;
  m_lastError = ReadValue(name, type, data);
  return m_lastError == ERROR_SUCCESS;
}

int MRegKey::Write(const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
  m_lastError = E_HANDLE;
  if (!ValidHandle(TRUE)) return 0;
  m_lastError = RegSetValueExW(m_key, name, 0, type, data, size);
  return m_lastError == ERROR_SUCCESS;
}

int MRegKey::_SetRegStr(const wchar_t* name, const wchar_t* value) {
  std::vector<BYTE> bytes = RegSzData(value, value != nullptr ? std::wcslen(value) : 0);
  return Write(name, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
}

int MRegKey::_SetRegDWORD(const wchar_t* name, DWORD value) {
  BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                   static_cast<BYTE>(value >> 24)};
  return Write(name, REG_DWORD, bytes, 4);
}

int MRegKey::_SetRegULong(const wchar_t* name, DWORD value) {
  std::wstring text = zb::platform::FormatTextW(L"%u", value);
  return _SetRegStr(name, text.c_str());
}

int MRegKey::_SetRegLong(const wchar_t* name, LONG value) {
  std::wstring text = zb::platform::FormatTextW(L"%d", value);
  return _SetRegStr(name, text.c_str());
}

int MRegKey::_SetRegBinary(const wchar_t* name, const unsigned char* data, DWORD size) {
  return Write(name, REG_BINARY, data, size);
}

int MRegKey::SetRegStr(const wchar_t* name, const wchar_t* value, int remove) {
  return remove ? DeleteValue(name) : _SetRegStr(name, value);
}

int MRegKey::SetRegStrE(const wchar_t* name, const wchar_t* value) {
  return IsEmptyText(value) ? DeleteValue(name) : _SetRegStr(name, value);
}

int MRegKey::UpdRegStr(const wchar_t* name, const wchar_t* value, int remove) {
  if (remove) return DeleteValue(name);
  CString stored;
  if (GetRegStr(name, stored) && stored.CompareNoCase(value != nullptr ? value : L"") == 0) return 1;
  return _SetRegStr(name, value);
}

int MRegKey::UpdRegStrE(const wchar_t* name, const wchar_t* value) {
  return IsEmptyText(value) ? DeleteValue(name) : UpdRegStr(name, value, 0);
}

int MRegKey::GetRegStr(const wchar_t* name, CString& value) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!Fetch(name, &type, &data)) return 0;
  if (type != REG_SZ) {
    m_lastError = E_FAIL;
    return 0;
  }
  value = RegSzText(data.data(), data.size());
  return 1;
}

CString MRegKey::GetRegStrD(const wchar_t* name, const wchar_t* default_value) {
  CString value;
  if (GetRegStr(name, value)) return value;
  return CString(default_value != nullptr ? default_value : L"");
}

int MRegKey::SetRegDWORD(const wchar_t* name, DWORD value, int remove) {
  return remove ? DeleteValue(name) : _SetRegDWORD(name, value);
}

int MRegKey::GetRegDWORD(const wchar_t* name, DWORD& value) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!Fetch(name, &type, &data)) return 0;
  if (type != REG_DWORD || data.size() != 4) {
    m_lastError = E_FAIL;
    return 0;
  }
  value = static_cast<DWORD>(data[0]) | (static_cast<DWORD>(data[1]) << 8) | (static_cast<DWORD>(data[2]) << 16) |
          (static_cast<DWORD>(data[3]) << 24);
  return 1;
}

DWORD MRegKey::GetRegDWORDD(const wchar_t* name, DWORD default_value) {
  DWORD value = default_value;
  return GetRegDWORD(name, value) ? value : default_value;
}

int MRegKey::SetRegULong(const wchar_t* name, DWORD value, int remove) {
  return remove ? DeleteValue(name) : _SetRegULong(name, value);
}

int MRegKey::GetRegULong(const wchar_t* name, DWORD& value) {
  CString text;
  if (!GetRegStr(name, text)) return 0;
  DWORD parsed = 0;
  if (!zb::settings_internal::ParseRegULong(text, &parsed)) {
    m_lastError = E_FAIL;
    return 0;
  }
  value = parsed;
  return 1;
}

DWORD MRegKey::GetRegULongD(const wchar_t* name, DWORD default_value) {
  DWORD value = default_value;
  return GetRegULong(name, value) ? value : default_value;
}

int MRegKey::SetRegLong(const wchar_t* name, LONG value, int remove) {
  return remove ? DeleteValue(name) : _SetRegLong(name, value);
}

int MRegKey::GetRegLong(const wchar_t* name, LONG& value) {
  CString text;
  if (!GetRegStr(name, text)) return 0;
  LONG parsed = 0;
  if (!zb::settings_internal::ParseRegLong(text, &parsed)) {
    m_lastError = E_FAIL;
    return 0;
  }
  value = parsed;
  return 1;
}

LONG MRegKey::GetRegLongD(const wchar_t* name, LONG default_value) {
  LONG value = default_value;
  return GetRegLong(name, value) ? value : default_value;
}

int MRegKey::SetRegInt(const wchar_t* name, int value, int remove) {
  return SetRegLong(name, static_cast<LONG>(value), remove);
}

int MRegKey::GetRegInt(const wchar_t* name, int& value) {
  LONG parsed = 0;
  if (!GetRegLong(name, parsed)) return 0;
  value = static_cast<int>(parsed);
  return 1;
}

int MRegKey::GetRegIntD(const wchar_t* name, int default_value) {
  int value = default_value;
  return GetRegInt(name, value) ? value : default_value;
}

int MRegKey::SetRegBinary(const wchar_t* name, const unsigned char* data, DWORD size, int remove) {
  return remove ? DeleteValue(name) : _SetRegBinary(name, data, size);
}

int MRegKey::SetRegBinary(const wchar_t* name, const CByteArray& data, int remove) {
  if (remove) return DeleteValue(name);
  return _SetRegBinary(name, data.GetData(), static_cast<DWORD>(data.GetSize()));
}

int MRegKey::GetRegBinary(const wchar_t* name, unsigned char*& data, DWORD& size) {
  data = nullptr;
  size = 0;
  DWORD type = 0;
  std::vector<BYTE> bytes;
  if (!Fetch(name, &type, &bytes)) return 0;
  if (type != REG_BINARY) {
    m_lastError = E_FAIL;
    return 0;
  }
  data = new unsigned char[bytes.size()];
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  size = static_cast<DWORD>(bytes.size());
  return 1;
}

int MRegKey::GetRegBinary(const wchar_t* name, CByteArray& data) {
  data.RemoveAll();
  DWORD type = 0;
  std::vector<BYTE> bytes;
  if (!Fetch(name, &type, &bytes)) return 0;
  if (type != REG_BINARY) {
    m_lastError = E_FAIL;
    return 0;
  }
  data.SetSize(static_cast<INT_PTR>(bytes.size()));
  if (!bytes.empty()) std::memcpy(data.GetData(), bytes.data(), bytes.size());
  return 1;
}

int MRegKey::SetRegStruct(const wchar_t* name, void* data, DWORD size, int remove) {
  if (remove) return DeleteValue(name);
  return _SetRegBinary(name, static_cast<const unsigned char*>(data), size);
}

int MRegKey::GetRegStruct(const wchar_t* name, void* data, DWORD size) {
  DWORD type = 0;
  std::vector<BYTE> bytes;
  if (!Fetch(name, &type, &bytes)) return 0;
  if (type != REG_BINARY || bytes.size() != size) {
    m_lastError = E_UNEXPECTED;
    return 0;
  }
  if (data != nullptr) {
    std::memset(data, 0, size);
    if (size > 0) std::memcpy(data, bytes.data(), size);
  }
  return 1;
}

// ---- keys --------------------------------------------------------------------------------------

int MRegKey::DeleteValue(const wchar_t* name) {
  m_lastError = E_HANDLE;
  if (!ValidHandle(FALSE)) return 0;
  m_lastError = RegDeleteValueW(m_key, name);
  return m_lastError == ERROR_SUCCESS || m_lastError == static_cast<LONG>(ERROR_FILE_NOT_FOUND);
}

int MRegKey::GetSubKeyName(DWORD index, CString& name) {
  name.Empty();
  m_lastError = E_HANDLE;
  if (!ValidHandle(FALSE)) return 0;
  wchar_t buffer[kMaxSubKeyName + 1];
  m_lastError = RegEnumKeyW(m_key, index, buffer, kMaxSubKeyName + 1);
  if (m_lastError != ERROR_SUCCESS) return 0;
  name = buffer;
  return 1;
}

void MRegKey::GetSubKeyNames(CStringArray& names) {
  names.RemoveAll();
  CString name;
  for (DWORD index = 0; GetSubKeyName(index, name); ++index) names.Add(name);
}

int MRegKey::_DeleteSubKey(const wchar_t* name) {
  m_lastError = E_HANDLE;
  if (!ValidHandle(FALSE)) return 0;
  m_lastError = RegDeleteKeyW(m_key, name);
  return m_lastError == ERROR_SUCCESS;
}

int MRegKey::IsVeryImportantSubKey(CString name) {
  CString path = JoinRegPath(_GetSubKeyName(), name);
  if (path.IsEmpty() || m_key != HKEY_CLASSES_ROOT) return 0;
  const wchar_t* const kProtected[] = {L"CLSID", L"AppID", L"TypeLib", L"Interface"};
  for (const wchar_t* key : kProtected) {
    if (path.CompareNoCase(key) == 0) return 1;
  }
  return 0;
}

int MRegKey::DeleteSubKey(const wchar_t* name) {
  m_lastError = E_HANDLE;
  if (IsEmptyText(name) || !ValidHandle(FALSE)) return 0;
  MRegKey child(name, MRegKey(m_key, FALSE));
  m_lastError = child.m_lastError;
  if (!child) {
    m_lastError = child.m_lastError;
    return 0;
  }
  if (IsVeryImportantSubKey(name)) {
    m_lastError = ERROR_ACCESS_DENIED;
    return 0;
  }
  CStringArray names;
  child.GetSubKeyNames(names);
  for (INT_PTR i = 0; i < names.GetSize(); ++i) {
    if (!child.DeleteSubKey(names[i])) {
      m_lastError = child.m_lastError;
      return 0;
    }
  }
  child.Close();
  return _DeleteSubKey(name);
}
