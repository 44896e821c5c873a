// The library's registry helpers on Windows, over the system's registry: .reg files imported with
// RegCreateKeyExW and RegSetValueExW and exported by enumerating the key (subkeys in the
// registry's order, which is by name without case; values in the order they were created, as the
// Linux store keeps them), written by the same .reg writer as on Linux, so an export is the same
// bytes on both systems. Registry events are the system's events.
#include <zorbase/platform/registry.h>

#include <algorithm>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/durable_file.h>
#include <zorbase/platform/portable/reg_file.h>
#include <zorbase/platform/portable/registry_import.h>

namespace zb {
namespace platform {
namespace {

constexpr std::size_t kMaxRegFileSize = 256u << 20;

LONG ReadWholeFile(const std::wstring& path, std::string* bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return static_cast<LONG>(GetLastError());
  bytes->clear();
  char buffer[65536];
  LONG status = ERROR_SUCCESS;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof(buffer), &got, nullptr)) {
      status = static_cast<LONG>(GetLastError());
      break;
    }
    if (got == 0) break;
    bytes->append(buffer, got);
    if (bytes->size() > kMaxRegFileSize) {
      status = ERROR_FILE_TOO_LARGE;
      break;
    }
  }
  CloseHandle(file);
  return status;
}

// Applies one section; the line of each change that fails goes to `fail`.
template <typename Fail>
LONG ApplySection(const regfile::Section& section, Fail fail) {
  std::wstring root_name;
  std::wstring rest;
  if (!regfile::SplitRootPath(section.path, &root_name, &rest)) {
    return fail(section.line, ERROR_INVALID_PARAMETER);
  }
  while (!rest.empty() && rest.back() == L'\\') rest.pop_back();
  const HKEY root = regfile::RootOfName(root_name);
  if (root == nullptr) return fail(section.line, ERROR_INVALID_PARAMETER);
  if (section.remove) {
    if (rest.empty()) return fail(section.line, ERROR_ACCESS_DENIED);
    LONG status = RegDeleteTreeW(root, rest.c_str());
    if (status == ERROR_SUCCESS) status = RegDeleteKeyW(root, rest.c_str());
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    return status == ERROR_SUCCESS ? status : fail(section.line, status);
  }
  HKEY key = nullptr;
  LONG status = RegCreateKeyExW(root, rest.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                &key, nullptr);
  if (status != ERROR_SUCCESS) return fail(section.line, status);
  LONG first = ERROR_SUCCESS;
  for (const regfile::Value& value : section.values) {
    const wchar_t* name = value.name.empty() ? nullptr : value.name.c_str();
    LONG result;
    if (value.remove) {
      result = RegDeleteValueW(key, name);
      if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
    } else {
      result = RegSetValueExW(key, name, 0, value.type, value.data.data(),
                              static_cast<DWORD>(value.data.size()));
    }
    if (result != ERROR_SUCCESS) {
      result = fail(value.line, result);
      if (first == ERROR_SUCCESS) first = result;
      if (result != ERROR_SUCCESS && first == result) break;
    }
  }
  RegCloseKey(key);
  return first;
}

}  // namespace

namespace reg {

// Applies a document in file order; the first error ends it (the system has no transaction).
LONG ApplyDocument(const regfile::Document& document) {
  for (const regfile::Section& section : document.sections) {
    LONG status = ApplySection(section, [](int, LONG status) { return status; });
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

// Applies a document change by change, listing each that fails; returns the first error.
LONG ApplyEachChange(const regfile::Document& document,
                     std::vector<RegistryImportProblem>* problems) {
  LONG first = ERROR_SUCCESS;
  for (const regfile::Section& section : document.sections) {
    ApplySection(section, [&](int line, LONG status) {
      RegistryImportProblem problem;
      problem.line = line;
      problem.status = status;
      problem.reason = ErrorText(status);
      problems->push_back(std::move(problem));
      if (first == ERROR_SUCCESS) first = status;
      return ERROR_SUCCESS;  // go on with the next change
    });
  }
  return first;
}

}  // namespace reg

namespace {

// Appends the sections of `key` (named `path`) and its subtree, depth first.
LONG ExportKey(HKEY key, const std::wstring& path, regfile::Document* document) {
  DWORD sub_keys = 0, max_sub_key = 0, values = 0, max_value_name = 0, max_value = 0;
  LONG status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &sub_keys, &max_sub_key, nullptr,
                                 &values, &max_value_name, &max_value, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  regfile::Section section;
  section.path = path;
  std::vector<wchar_t> name(max_value_name + 2);
  std::vector<BYTE> data(max_value + 2);
  for (DWORD i = 0; i < values; ++i) {
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD data_size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    status = RegEnumValueW(key, i, name.data(), &name_size, nullptr, &type, data.data(),
                           &data_size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return status;
    regfile::Value value;
    value.name.assign(name.data(), name_size);
    value.type = type;
    value.data.assign(data.begin(), data.begin() + data_size);
    section.values.push_back(std::move(value));
  }
  document->sections.push_back(std::move(section));
  std::vector<wchar_t> sub_name(max_sub_key + 2);
  for (DWORD i = 0; i < sub_keys; ++i) {
    DWORD size = static_cast<DWORD>(sub_name.size());
    status = RegEnumKeyExW(key, i, sub_name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return status;
    const std::wstring child(sub_name.data(), size);
    HKEY sub = nullptr;
    status = RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &sub);
    if (status != ERROR_SUCCESS) return status;
    status = ExportKey(sub, path + L"\\" + child, document);
    RegCloseKey(sub);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

std::wstring RootName(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
  if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
  if (root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT";
  if (root == HKEY_USERS) return L"HKEY_USERS";
  if (root == HKEY_CURRENT_CONFIG) return L"HKEY_CURRENT_CONFIG";
  return std::wstring();
}

}  // namespace

HANDLE CreateRegistryEvent(bool manual_reset, bool initially_signalled) {
  return CreateEventW(nullptr, manual_reset, initially_signalled, nullptr);
}

bool SetRegistryEvent(HANDLE event) { return SetEvent(event) != 0; }

bool ResetRegistryEvent(HANDLE event) { return ResetEvent(event) != 0; }

bool WaitRegistryEvent(HANDLE event, DWORD milliseconds) {
  return WaitForSingleObject(event, milliseconds) == WAIT_OBJECT_0;
}

bool CloseRegistryEvent(HANDLE event) { return CloseHandle(event) != 0; }

std::vector<BYTE> MakeKeySecurityDescriptor(DWORD user_access) {
  // Owner: the current user; DACL: `user_access` for the current user alone.
  std::vector<BYTE> result;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return result;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  const bool have_user = size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size);
  CloseHandle(token);
  if (!have_user) return result;
  PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  const DWORD sid_length = GetLengthSid(sid);
  const DWORD acl_size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + sid_length;
  std::vector<BYTE> acl_bytes(acl_size);
  PACL acl = reinterpret_cast<PACL>(acl_bytes.data());
  SECURITY_DESCRIPTOR absolute;
  if (!InitializeAcl(acl, acl_size, ACL_REVISION) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, user_access, sid) ||
      !InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorOwner(&absolute, sid, FALSE) ||
      !SetSecurityDescriptorDacl(&absolute, TRUE, acl, FALSE)) {
    return result;
  }
  DWORD length = 0;
  MakeSelfRelativeSD(&absolute, nullptr, &length);
  result.resize(length);
  if (length == 0 || !MakeSelfRelativeSD(&absolute, result.data(), &length)) result.clear();
  return result;
}

// The system keeps the hives; there is no directory of the library's.
std::string RegistryDirectory() { return std::string(); }

void ResetRegistryForTesting() {}

LONG ImportRegistryFile(const std::wstring& file, std::string* problem) {
  std::string bytes;
  LONG status = ReadWholeFile(file, &bytes);
  if (status != ERROR_SUCCESS) return status;
  return ImportRegistryText(bytes.data(), bytes.size(), problem);
}

LONG ExportRegistryKey(HKEY root, const wchar_t* sub_key, const std::wstring& file) {
  const std::wstring root_name = RootName(root);
  if (root_name.empty()) return ERROR_INVALID_HANDLE;
  HKEY key = nullptr;
  LONG status = RegOpenKeyExW(root, sub_key, 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) return status;
  std::wstring path = root_name;
  if (sub_key != nullptr && *sub_key != L'\0') {
    std::wstring rest = sub_key;
    while (!rest.empty() && rest.back() == L'\\') rest.pop_back();
    path += L"\\" + rest;
  }
  regfile::Document document;
  document.editor_strings = true;
  status = ExportKey(key, path, &document);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return status;
  const std::string bytes = regfile::Write(document);
  if (!WriteFileDurablyW(file.c_str(), bytes.data(), bytes.size())) {
    return static_cast<LONG>(GetLastError());
  }
  return ERROR_SUCCESS;
}

}  // namespace platform
}  // namespace zb
