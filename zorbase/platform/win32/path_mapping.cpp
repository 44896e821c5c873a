// Windows paths on Windows: the system resolves them itself, so a path's "native" form is the full
// Windows path (as UTF-8), drives are the system's and cannot be remapped, and case is folded by
// the system's upper-case mapping.
#include <zorbase/platform/path_mapping.h>

#include <string>
#include <vector>

#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace {

std::wstring FullPath(const std::wstring& path) {
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(),
                                  nullptr);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(),
                              nullptr);
  }
  if (length == 0 || length >= buffer.size()) return std::wstring();
  return std::wstring(buffer.data(), length);
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool MapDrive(wchar_t, const std::string&) { return false; }

std::string DriveRoot(wchar_t letter) {
  if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
  if (letter < L'A' || letter > L'Z') return std::string();
  if ((GetLogicalDrives() & (1u << (letter - L'A'))) == 0) return std::string();
  return std::string(1, static_cast<char>(letter)) + ":";
}

wchar_t UpcaseChar(wchar_t c) {
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  wchar_t text[2] = {c, 0};
  CharUpperBuffW(text, 1);
  return text[0];
}

std::wstring NativeToWindowsPath(const std::string& native) {
  if (native.empty()) return CurrentWindowsDirectory();
  return FullPath(DecodeNativeName(native));
}

std::wstring CurrentWindowsDirectory() {
  std::wstring full = FullPath(L".");
  if (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

DWORD ResolveWindowsPath(const wchar_t* path, ResolvedPath* out, unsigned flags) {
  if (path == nullptr || path[0] == 0) return ERROR_PATH_NOT_FOUND;
  std::wstring text(path);
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  if (text.compare(0, 2, L"\\\\") == 0) {
    if (text.compare(0, 4, L"\\\\.\\") == 0) return ERROR_INVALID_NAME;  // device namespace
    return ERROR_BAD_NETPATH;
  }
  const bool trailing = text.back() == L'\\';
  const std::wstring full = FullPath(text);
  if (full.size() < 3 || full[1] != L':') return ERROR_PATH_NOT_FOUND;
  // The names after the drive, each checked unless the caller says not to.
  std::vector<std::wstring> names;
  for (std::size_t start = 3; start < full.size();) {
    std::size_t end = full.find(L'\\', start);
    if (end == std::wstring::npos) end = full.size();
    if (end > start) names.push_back(full.substr(start, end - start));
    start = end + 1;
  }
  if ((flags & kResolveNoValidation) == 0) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      const bool pattern = (flags & kResolvePattern) != 0 && i + 1 == names.size();
      if (!IsValidWindowsName(names[i], pattern)) return ERROR_INVALID_NAME;
    }
  }
  ResolvedPath result;
  result.drive = UpcaseChar(full[0]);
  result.trailing_separator = trailing && !names.empty();
  result.is_root = names.empty();
  result.windows.assign(1, result.drive);
  result.windows += L":\\";
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (k > 0) result.windows += L'\\';
    result.windows += names[k];
  }
  if ((flags & kResolveTextOnly) == 0) {
    if (DriveRoot(result.drive).empty()) return ERROR_PATH_NOT_FOUND;
    result.native = EncodeNativeName(result.windows);
    if (result.trailing_separator) result.native += "\\";
    if ((flags & kResolveNoLookup) == 0) {
      if ((flags & kResolvePattern) != 0 && !names.empty()) {
        // With a pattern: whether the directory that holds it exists.
        const std::wstring parent = result.windows.substr(0, result.windows.rfind(L'\\'));
        result.exists = Exists(parent.size() == 2 ? parent + L"\\" : parent);
        result.parent_missing = !result.exists;
      } else {
        result.exists = Exists(result.windows);
        if (!result.exists && names.size() > 1) {
          const std::wstring parent = result.windows.substr(0, result.windows.rfind(L'\\'));
          result.parent_missing = !Exists(parent);
        }
      }
    }
  }
  *out = result;
  return ERROR_SUCCESS;
}

}  // namespace platform
}  // namespace zb
