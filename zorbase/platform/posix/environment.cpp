// The process environment with wide names and values; TMPDIR follows TMP and TEMP.
#include <zorbase/platform/environment.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/win_errors.h>

extern char** environ;

namespace {

// Wide copies handed out by _wgetenv, one per variable, replaced when the value changes.
struct WideValues {
  std::mutex mutex;
  std::map<std::string, std::unique_ptr<std::wstring>> values;
  bool tmpdir_saved = false;
  bool tmpdir_was_set = false;
  std::string tmpdir;
};

WideValues& Values() {
  static WideValues* values = new WideValues();  // never destroyed: texts may be read during exit
  return *values;
}

// The native name under which `name` is set: the exact spelling when set, else the first name
// that equals it without regard to case; `name` itself when none is set.
std::string NativeName(const std::wstring& name) {
  const std::string exact = zb::platform::EncodeNativeName(name);
  if (std::getenv(exact.c_str()) != nullptr || environ == nullptr) return exact;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (equals == nullptr || equals == *entry) continue;
    const std::string candidate(*entry, static_cast<std::size_t>(equals - *entry));
    if (zb::platform::EqualNoCase(zb::platform::DecodeNativeName(candidate), name)) {
      return candidate;
    }
  }
  return exact;
}

bool IsTemporaryVariable(const std::wstring& name) {
  return zb::platform::EqualNoCase(name, L"TMP") || zb::platform::EqualNoCase(name, L"TEMP");
}

// Whether TMP or TEMP holds a value now.
bool TemporaryVariableSet() {
  for (const char* name : {"TMP", "TEMP"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != 0) return true;
  }
  return false;
}

// Remembers TMPDIR as it is while neither TMP nor TEMP is set, to put it back when both are gone.
void SaveNativeTemporaryDirectory(WideValues& values) {
  const char* old = std::getenv("TMPDIR");
  values.tmpdir_saved = true;
  values.tmpdir_was_set = old != nullptr;
  values.tmpdir = old != nullptr ? old : "";
}

// Sets TMPDIR to the native form of the temporary directory that TMP or TEMP names now.
void FollowTemporaryDirectory(WideValues& values) {
  const char* tmp = std::getenv("TMP");
  const char* temp = std::getenv("TEMP");
  const char* source = tmp != nullptr && tmp[0] != 0 ? tmp : temp != nullptr && temp[0] != 0 ? temp : nullptr;
  if (source == nullptr) {
    if (!values.tmpdir_saved) return;
    if (values.tmpdir_was_set) {
      setenv("TMPDIR", values.tmpdir.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    return;
  }
  if (source[0] == '/') {
    setenv("TMPDIR", source, 1);
    return;
  }
  zb::platform::ResolvedPath path;
  const std::wstring wide = zb::platform::DecodeNativeName(source);
  if (zb::platform::ResolveWindowsPath(wide.c_str(), &path) != ERROR_SUCCESS) return;
  std::string native = path.native;
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  setenv("TMPDIR", native.c_str(), 1);
}

// Sets (value non-null) or removes a variable; false with the Windows error for a bad name.
bool Assign(const std::wstring& name, const wchar_t* value, DWORD* error) {
  if (name.empty() || name.find(L'=') != std::wstring::npos || name.find(L'\0') != std::wstring::npos) {
    *error = ERROR_INVALID_PARAMETER;
    return false;
  }
  WideValues& values = Values();
  std::lock_guard<std::mutex> lock(values.mutex);
  const std::string native_name = NativeName(name);
  const bool temporary = IsTemporaryVariable(name);
  if (temporary && !TemporaryVariableSet()) SaveNativeTemporaryDirectory(values);
  int result = 0;
  if (value == nullptr) {
    result = unsetenv(native_name.c_str());
  } else {
    result = setenv(native_name.c_str(), zb::platform::EncodeNativeName(value).c_str(), 1);
  }
  if (result != 0) {
    *error = errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER;
    return false;
  }
  if (temporary) FollowTemporaryDirectory(values);
  return true;
}

}  // namespace

wchar_t* _wgetenv(const wchar_t* name) {
  if (name == nullptr || name[0] == 0) return nullptr;
  WideValues& values = Values();
  std::lock_guard<std::mutex> lock(values.mutex);
  const std::string native_name = NativeName(name);
  const char* value = std::getenv(native_name.c_str());
  if (value == nullptr) return nullptr;
  std::unique_ptr<std::wstring>& slot = values.values[native_name];
  const std::wstring wide = zb::platform::DecodeNativeName(value);
  // Keep the text handed out earlier when the value has not changed, so its pointer stays valid.
  if (slot == nullptr || *slot != wide) slot.reset(new std::wstring(wide));
  return &(*slot)[0];
}

int _wputenv(const wchar_t* assignment) {
  if (assignment == nullptr) {
    errno = EINVAL;
    return -1;
  }
  const wchar_t* equals = std::wcschr(assignment, L'=');
  if (equals == nullptr || equals == assignment) {
    errno = EINVAL;
    return -1;
  }
  const std::wstring name(assignment, equals);
  const wchar_t* value = equals + 1;
  DWORD error = 0;
  if (!Assign(name, value[0] == 0 ? nullptr : value, &error)) {
    errno = error == ERROR_NOT_ENOUGH_MEMORY ? ENOMEM : EINVAL;
    return -1;
  }
  return 0;
}

BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value) {
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD error = 0;
  if (!Assign(name, value, &error)) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  const wchar_t* value = name != nullptr ? _wgetenv(name) : nullptr;
  if (value == nullptr) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const std::size_t length = std::wcslen(value);
  if (buffer == nullptr || size <= length) return static_cast<DWORD>(length + 1);
  std::wmemcpy(buffer, value, length + 1);
  return static_cast<DWORD>(length);
}
