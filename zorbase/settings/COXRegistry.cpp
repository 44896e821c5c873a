// COXRegistry and CRegUtils (COXRegistry.h).
#include <zorbase/settings/COXRegistry.h>

#include <cstring>
#include <string>
#include <vector>

#include <zorbase/settings/internal/settings_internal.h>

using zb::settings_internal::RegSzData;
using zb::settings_internal::RegSzText;

IMPLEMENT_DYNAMIC(COXRegistry, CObject)

namespace {

constexpr DWORD kMaxStringBytes = 2048;
constexpr DWORD kMaxNameCharacters = 2047;
constexpr std::size_t kPathBuffer = 291;
constexpr DWORD kMaxComputerName = 260;
constexpr DWORD kMaxTextBytes = 520;

const wchar_t* RegistryNameOf(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
  if (root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT";
  if (root == HKEY_USERS) return L"HKEY_USERS";
  if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
  return L"Unknown";
}

}  // namespace

COXRegistry::COXRegistry()
    : m_key(nullptr),
      m_registry(nullptr),
      m_errorCode(ERROR_SUCCESS),
      m_numberOfSubkeys(0),
      m_numberOfValues(0),
      m_longestSubkeyNameLength(0),
      m_longestClassNameLength(0),
      m_longestValueNameLength(0),
      m_longestValueDataLength(0),
      m_securityDescriptorLength(0),
      m_lastWriteTime{0, 0} {}

COXRegistry::~COXRegistry() { Disconnect(); }

HKEY COXRegistry::keyLocalMachine() { return HKEY_LOCAL_MACHINE; }
HKEY COXRegistry::keyClassesRoot() { return HKEY_CLASSES_ROOT; }
HKEY COXRegistry::keyUsers() { return HKEY_USERS; }
HKEY COXRegistry::keyCurrentUser() { return HKEY_CURRENT_USER; }

int COXRegistry::Record(LONG code) {
  m_errorCode = code;
  return code == ERROR_SUCCESS;
}

void COXRegistry::CloseKey() {
  if (m_key != nullptr) RegCloseKey(m_key);
  m_key = nullptr;
}

void COXRegistry::ClearStatistics() {
  m_className.Empty();
  m_numberOfSubkeys = m_numberOfValues = 0;
  m_longestSubkeyNameLength = m_longestClassNameLength = m_longestValueNameLength = 0;
  m_longestValueDataLength = m_securityDescriptorLength = 0;
  m_lastWriteTime = FILETIME{0, 0};
}

// ---- connection --------------------------------------------------------------------------------

int COXRegistry::Connect(HKEY root, const wchar_t* computer) {
  if (m_registry != nullptr && !Disconnect()) return 0;
  bool named = computer != nullptr && *computer != 0;
  HKEY connected = nullptr;
  if (root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_USER) {
    if (named) return Record(ERROR_INVALID_HANDLE);
    connected = root;
  } else {
    LONG result = RegConnectRegistryW(computer, root, &connected);
    if (result != ERROR_SUCCESS) return Record(result);
  }
  m_registry = connected;
  if (named) {
    m_computerName = computer;
  } else {
    wchar_t name[kMaxComputerName + 1] = {0};
    DWORD size = kMaxComputerName + 1;
    m_computerName = ::GetComputerNameW(name, &size) ? name : L"";
  }
  m_registryName = RegistryNameOf(root);
  return Record(ERROR_SUCCESS);
}

int COXRegistry::Disconnect() {
  if (m_registry == nullptr) return Record(ERROR_SUCCESS);
  CloseKey();
  LONG result = RegCloseKey(m_registry);
  if (result != ERROR_SUCCESS) return Record(result);
  m_registry = nullptr;
  m_computerName.Empty();
  m_keyName.Empty();
  m_registryName.Empty();
  ClearStatistics();
  return Record(ERROR_SUCCESS);
}

// ---- keys --------------------------------------------------------------------------------------

int COXRegistry::OpenKey(const wchar_t* subkey, CreatePermissions access) {
  if (subkey == nullptr) return Record(ERROR_INVALID_PARAMETER);
  CloseKey();
  if (m_registry == nullptr) return Record(ERROR_INVALID_HANDLE);
  HKEY opened = nullptr;
  LONG result = RegOpenKeyExW(m_registry, subkey, 0, static_cast<REGSAM>(access), &opened);
  if (result != ERROR_SUCCESS) return Record(result);
  m_key = opened;
  m_keyName = subkey;
  if (!QueryInfo()) ClearStatistics();  // a key opened without query rights has no statistics
  return Record(ERROR_SUCCESS);
}

int COXRegistry::CreateKey(const wchar_t* subkey, const wchar_t* className, CreateOptions options,
                           CreatePermissions access, SECURITY_ATTRIBUTES* security, DWORD* disposition) {
  if (subkey == nullptr) return Record(ERROR_INVALID_PARAMETER);
  if (m_registry == nullptr) return Record(ERROR_INVALID_HANDLE);
  std::wstring class_text = className != nullptr ? className : L"";
  HKEY created = nullptr;
  DWORD how = 0;
  LONG result = RegCreateKeyExW(m_registry, subkey, 0, class_text.data(), static_cast<DWORD>(options),
                                static_cast<REGSAM>(access), security, &created, &how);
  if (result != ERROR_SUCCESS) return Record(result);
  CloseKey();
  m_key = created;
  m_keyName = subkey;
  if (disposition != nullptr) *disposition = how;
  return Record(ERROR_SUCCESS);
}

int COXRegistry::OpenPath(const wchar_t* path, HKEY root) { return OpenPath(path, root, permissionAllAccess); }

int COXRegistry::OpenPath(const wchar_t* path, HKEY root, CreatePermissions access) {
  if (path == nullptr) return Record(ERROR_INVALID_PARAMETER);
  std::wstring whole(path);
  if (whole.size() >= kPathBuffer) return Record(ERROR_INVALID_PARAMETER);
  if (!Connect(root, nullptr)) return 0;
  std::size_t at = 0;
  for (;;) {
    std::size_t slash = whole.find(L'\\', at);
    std::wstring prefix = slash == std::wstring::npos ? whole : whole.substr(0, slash);
    if (!OpenKey(prefix.c_str(), access)) {
      if (access != permissionAllAccess) return 0;
      if (!CreateKey(prefix.c_str(), nullptr, optionsNonVolatile, permissionAllAccess)) return 0;
    }
    if (slash == std::wstring::npos) break;
    at = slash + 1;
  }
  return Record(ERROR_SUCCESS);
}

int COXRegistry::CheckAndOpenKeyForWrite(const wchar_t* subkey) {
  if (subkey == nullptr) return Record(ERROR_INVALID_PARAMETER);
  if (OpenKey(subkey, permissionAllAccess)) return 1;
  if (OpenKey(subkey, permissionRead)) {
    // It exists but only for reading: say so rather than report success.
    m_errorCode = ERROR_ACCESS_DENIED;
    return 0;
  }
  return CreateKey(subkey, nullptr, optionsNonVolatile, permissionAllAccess);
}

int COXRegistry::DeleteKey(const wchar_t* path) {
  if (path == nullptr) return Record(ERROR_INVALID_PARAMETER);
  std::wstring whole(path);
  std::size_t slash = whole.rfind(L'\\');
  if (slash == std::wstring::npos) {
    HKEY below = m_key != nullptr ? m_key : m_registry;
    if (below == nullptr) return Record(ERROR_INVALID_HANDLE);
    return Record(RegDeleteKeyW(below, path));
  }
  CString old_name = m_keyName;
  std::wstring parent = whole.substr(0, slash);
  if (!OpenKey(parent.c_str(), permissionAllAccess)) {
    m_keyName = old_name;
    return 0;
  }
  return Record(RegDeleteKeyW(m_key, whole.c_str() + slash + 1));
}

int COXRegistry::DeleteValue(const wchar_t* name) { return Record(RegDeleteValueW(m_key, name)); }

int COXRegistry::QueryInfo() {
  std::vector<wchar_t> class_buffer(256);
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD class_size = static_cast<DWORD>(class_buffer.size());
    DWORD sub_keys = 0, max_sub = 0, max_class = 0, values = 0, max_name = 0, max_data = 0, sd_size = 0;
    FILETIME written = {0, 0};
    LONG result = RegQueryInfoKeyW(m_key, class_buffer.data(), &class_size, nullptr, &sub_keys, &max_sub, &max_class,
                                   &values, &max_name, &max_data, &sd_size, &written);
    if (result == ERROR_MORE_DATA) {
      class_buffer.resize(static_cast<std::size_t>(class_size) + 1);
      continue;
    }
    if (result != ERROR_SUCCESS) return Record(result);
    m_className = class_buffer.data();
    m_numberOfSubkeys = sub_keys;
    m_longestSubkeyNameLength = max_sub;
    m_longestClassNameLength = max_class;
    m_numberOfValues = values;
    m_longestValueNameLength = max_name;
    m_longestValueDataLength = max_data;
    m_securityDescriptorLength = sd_size;
    m_lastWriteTime = written;
    return Record(ERROR_SUCCESS);
  }
  return Record(ERROR_MORE_DATA);
}

int COXRegistry::EnumerateKeys(DWORD index, CString& name, CString& className) {
  std::vector<wchar_t> name_buffer(kMaxNameCharacters + 1);
  std::vector<wchar_t> class_buffer(kMaxNameCharacters + 1);
  DWORD name_size = kMaxNameCharacters + 1;
  DWORD class_size = kMaxNameCharacters + 1;
  FILETIME written = {0, 0};
  LONG result = RegEnumKeyExW(m_key, index, name_buffer.data(), &name_size, nullptr, class_buffer.data(), &class_size,
                              &written);
  if (result != ERROR_SUCCESS) return Record(result);
  name = name_buffer.data();
  className = class_buffer.data();
  m_lastWriteTime = written;
  return Record(ERROR_SUCCESS);
}

int COXRegistry::EnumerateValues(DWORD index, CString& name, KeyValueTypes& type, unsigned char* data, DWORD& size) {
  std::vector<wchar_t> name_buffer(kMaxNameCharacters + 1);
  DWORD name_size = kMaxNameCharacters + 1;
  DWORD kind = 0;
  LONG result = RegEnumValueW(m_key, index, name_buffer.data(), &name_size, nullptr, &kind, data, &size);
  if (result != ERROR_SUCCESS) return Record(result);
  name = name_buffer.data();
  type = static_cast<KeyValueTypes>(kind);
  return Record(ERROR_SUCCESS);
}

int COXRegistry::FlushRegistry() { return Record(RegFlushKey(m_key)); }

// ---- values ------------------------------------------------------------------------------------

int COXRegistry::QueryValue(const wchar_t* name, KeyValueTypes& type, unsigned char* data, DWORD& size) {
  DWORD kind = 0;
  LONG result = RegQueryValueExW(m_key, name, nullptr, &kind, data, &size);
  if (result != ERROR_SUCCESS) return Record(result);
  type = static_cast<KeyValueTypes>(kind);
  return Record(ERROR_SUCCESS);
}

int COXRegistry::SetValue(const wchar_t* name, KeyValueTypes type, unsigned char* const data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return Record(ERROR_INVALID_PARAMETER);
  return Record(RegSetValueExW(m_key, name, 0, static_cast<DWORD>(type), data, static_cast<DWORD>(size)));
}

int COXRegistry::GetStringValue(const wchar_t* name, CString& value) {
  BYTE buffer[kMaxStringBytes];
  DWORD size = sizeof(buffer);
  KeyValueTypes type = typeNone;
  if (!QueryValue(name, type, buffer, size)) {
    value.Empty();
    return 0;
  }
  if (type != typeString) {
    value.Empty();
    return Record(ERROR_INVALID_DATA);
  }
  value = RegSzText(buffer, size);
  return 1;
}

int COXRegistry::GetValue(const wchar_t* name, CString& value) { return GetStringValue(name, value); }

int COXRegistry::GetDoubleWordValue(const wchar_t* name, DWORD& value) {
  BYTE buffer[4];
  DWORD size = sizeof(buffer);
  KeyValueTypes type = typeNone;
  if (!QueryValue(name, type, buffer, size)) return 0;
  if (type != typeDoubleWord || size != 4) return Record(ERROR_INVALID_DATA);
  value = static_cast<DWORD>(buffer[0]) | (static_cast<DWORD>(buffer[1]) << 8) | (static_cast<DWORD>(buffer[2]) << 16) |
          (static_cast<DWORD>(buffer[3]) << 24);
  return 1;
}

int COXRegistry::GetValue(const wchar_t* name, DWORD& value) { return GetDoubleWordValue(name, value); }

int COXRegistry::GetBinaryValue(const wchar_t* name, CByteArray& data) {
  // The buffer is sized by the statistics of the last QueryInfo; a value written since then that
  // is longer gets a second read with the size it reports.
  std::vector<BYTE> buffer(m_longestValueDataLength > 0 ? m_longestValueDataLength : 1);
  KeyValueTypes type = typeNone;
  DWORD size = static_cast<DWORD>(buffer.size());
  if (!QueryValue(name, type, buffer.data(), size)) {
    if (m_errorCode != static_cast<LONG>(ERROR_MORE_DATA)) return 0;
    buffer.resize(size);
    if (!QueryValue(name, type, buffer.data(), size)) return 0;
  }
  if (type != typeBinary) return Record(ERROR_INVALID_DATA);
  data.SetSize(static_cast<INT_PTR>(size));
  if (size > 0) std::memcpy(data.GetData(), buffer.data(), size);
  return 1;
}

int COXRegistry::GetValue(const wchar_t* name, CByteArray& data) { return GetBinaryValue(name, data); }

int COXRegistry::SetStringValue(const wchar_t* name, const CString& value) {
  std::vector<BYTE> bytes = RegSzData(value.GetString(), static_cast<std::size_t>(value.GetLength()));
  return SetValue(name, typeString, bytes.data(), bytes.size());
}

int COXRegistry::SetValue(const wchar_t* name, const CString& value) { return SetStringValue(name, value); }

int COXRegistry::SetDoubleWordValue(const wchar_t* name, DWORD value) {
  BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                   static_cast<BYTE>(value >> 24)};
  return SetValue(name, typeDoubleWord, bytes, 4);
}

int COXRegistry::SetValue(const wchar_t* name, DWORD value) { return SetDoubleWordValue(name, value); }

int COXRegistry::SetBinaryValue(const wchar_t* name, const CByteArray& data) {
  return SetValue(name, typeBinary, const_cast<unsigned char*>(data.GetData()), static_cast<std::size_t>(data.GetSize()));
}

int COXRegistry::SetValue(const wchar_t* name, const CByteArray& data) { return SetBinaryValue(name, data); }

// ---- members -----------------------------------------------------------------------------------

void COXRegistry::GetClassName(CString& className) { className = m_className; }
void COXRegistry::GetComputerName(CString& computerName) { computerName = m_computerName; }
LONG COXRegistry::GetErrorCode() { return m_errorCode; }
void COXRegistry::GetKeyName(CString& keyName) { keyName = m_keyName; }
DWORD COXRegistry::GetNumberOfSubkeys() { return m_numberOfSubkeys; }
DWORD COXRegistry::GetNumberOfValues() { return m_numberOfValues; }
void COXRegistry::GetRegistryName(CString& registryName) { registryName = m_registryName; }

// ---- one call each -----------------------------------------------------------------------------

int COXRegistry::GetSecurity(DWORD information, void* descriptor, DWORD& size) {
  return Record(RegGetKeySecurity(m_key, information, descriptor, &size));
}

int COXRegistry::SetSecurity(const DWORD& information, void* const descriptor) {
  if (descriptor == nullptr) return Record(ERROR_INVALID_PARAMETER);
  return Record(RegSetKeySecurity(m_key, information, descriptor));
}

int COXRegistry::NotifyChange(HANDLE event, NotifyChangeFilter filter, int watchSubtree, int asynchronous) {
  return Record(RegNotifyChangeKeyValue(m_key, watchSubtree, static_cast<DWORD>(filter), event, asynchronous));
}

int COXRegistry::SaveToFile(const wchar_t* file, SECURITY_ATTRIBUTES* security) {
  if (file == nullptr) return Record(ERROR_INVALID_PARAMETER);
  return Record(RegSaveKeyW(m_key, file, security));
}

int COXRegistry::RestoreFromFile(const wchar_t* file, DWORD flags) {
  if (file == nullptr) return Record(ERROR_INVALID_PARAMETER);
  return Record(RegRestoreKeyW(m_key, file, flags));
}

int COXRegistry::ReplaceFile(const wchar_t* subkey, const wchar_t* newFile, const wchar_t* oldFile) {
  if (newFile == nullptr || oldFile == nullptr) return Record(ERROR_INVALID_PARAMETER);
  return Record(RegReplaceKeyW(m_key, subkey, newFile, oldFile));
}

int COXRegistry::LoadFromFile(const wchar_t* subkey, const wchar_t* file) {
  if (subkey == nullptr || file == nullptr) return Record(ERROR_INVALID_PARAMETER);
  return Record(RegLoadKeyW(m_registry, subkey, file));
}

int COXRegistry::UnLoadKey(const wchar_t* subkey) {
  if (subkey == nullptr) return Record(ERROR_INVALID_PARAMETER);
  return Record(RegUnLoadKeyW(m_registry, subkey));
}

// ---- CRegUtils ---------------------------------------------------------------------------------

namespace {

bool SaveBytes(const CString& key, const CString& name, DWORD type, const void* data, DWORD size) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG result = RegSetValueExW(handle, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

LONG LoadBytes(const CString& key, const CString& name, void* data, DWORD* size) {
  HKEY handle = nullptr;
  LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &handle);
  if (result != ERROR_SUCCESS) return result;
  result = RegQueryValueExW(handle, name, nullptr, nullptr, static_cast<BYTE*>(data), size);
  RegCloseKey(handle);
  return result;
}

}  // namespace

bool CRegUtils::SaveRegKey(const CString& key, const CString& name, const void* data, DWORD size) {
  if (data == nullptr && size != 0) return false;
  return SaveBytes(key, name, REG_BINARY, data, size);
}

bool CRegUtils::SaveRegKey(const CString& key, const CString& name, const CString& text) {
  std::vector<BYTE> bytes = RegSzData(text.GetString(), static_cast<std::size_t>(text.GetLength()));
  return SaveBytes(key, name, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool CRegUtils::LoadRegKey(const CString& key, const CString& name, void* data, DWORD size) {
  if (data == nullptr) return false;
  return LoadBytes(key, name, data, &size) == ERROR_SUCCESS;
}

bool CRegUtils::LoadRegKey(const CString& key, const CString& name, CString& text) {
  BYTE buffer[kMaxTextBytes];
  DWORD size = sizeof(buffer);
  if (LoadBytes(key, name, buffer, &size) != ERROR_SUCCESS) return false;
  text = RegSzText(buffer, size);
  return true;
}

LONG CRegUtils::GetRegKeySize(const CString& key, const CString& name) {
  DWORD size = 0;
  if (LoadBytes(key, name, nullptr, &size) != ERROR_SUCCESS) return -1;
  return static_cast<LONG>(size);
}
