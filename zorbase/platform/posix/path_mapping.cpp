// Windows path <-> native path: drive map, text normalisation, refused names and the
// case-insensitive lookup.
#include <zorbase/platform/path_mapping.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <mutex>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/portable/codepage_internal.h>

#include "dir_name_cache.h"

namespace zb {
namespace platform {
namespace {

struct DriveOverrides {
  std::mutex mutex;
  std::string roots[26];
  bool set[26] = {};
};

DriveOverrides& Overrides() {
  static DriveOverrides* overrides = new DriveOverrides();
  return *overrides;
}

// Lexical clean-up of an absolute native path: no "//", no "." or "..", no trailing slash.
std::string CleanNativePath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == '/') ++i;
    std::size_t j = i;
    while (j < path.size() && path[j] != '/') ++j;
    if (j > i) {
      std::string part = path.substr(i, j - i);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (part != ".") {
        parts.push_back(std::move(part));
      }
    }
    i = j;
  }
  if (parts.empty()) return "/";
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out;
}

std::string CurrentNativeDirectory() {
  std::string buffer(256, '\0');
  for (;;) {
    if (getcwd(&buffer[0], buffer.size()) != nullptr) return buffer.c_str();
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
}

// `create`: make the directory (with its parents) when it is missing, as resolving a path on C:
// needs; answering which drive holds a native path never creates anything.
std::string DefaultDriveC(bool create) {
  std::string base;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/.local/share";
  }
  std::string root = CleanNativePath(base + "/zorbase/drive_c");
  // Drive C: always exists on Windows; create the default one (with its parents) on first use.
  struct stat st;
  if (create && stat(root.c_str(), &st) != 0) {
    for (std::size_t pos = 1; pos <= root.size(); ++pos) {
      if (pos == root.size() || root[pos] == '/') mkdir(root.substr(0, pos).c_str(), 0700);
    }
  }
  return root;
}

// Windows upper-case mapping through a private UTF-8 locale, so the process locale never matters.
locale_t CaseLocale() {
  static locale_t locale = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (l == static_cast<locale_t>(0)) l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(0));
    return l;
  }();
  return locale;
}

bool LstatExists(const std::string& path) {
  struct stat st;
  return fstatat(AT_FDCWD, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// The name in directory `dir` equal to `wanted` without regard to case; the first match in byte
// order, or "" when there is none. Remembered per directory while the directory is unchanged.
std::string ScanNoCase(const std::string& dir, const std::wstring& wanted) {
  return internal::FindNameNoCase(dir, wanted);
}

std::string JoinNative(const std::string& root, const std::vector<std::string>& names,
                       std::size_t count) {
  std::string out = root == "/" ? std::string() : root;
  for (std::size_t i = 0; i < count; ++i) out += "/" + names[i];
  return out.empty() ? "/" : out;
}

}  // namespace

bool MapDrive(wchar_t letter, const std::string& native_root) {
  const wchar_t upper = zb::internal::AsciiToUpper(letter);
  if (upper < L'A' || upper > L'Z') return false;
  if (!native_root.empty() && native_root[0] != '/') return false;
  DriveOverrides& overrides = Overrides();
  std::lock_guard<std::mutex> lock(overrides.mutex);
  const int index = upper - L'A';
  overrides.set[index] = !native_root.empty();
  overrides.roots[index] = native_root.empty() ? std::string() : CleanNativePath(native_root);
  return true;
}

namespace {

std::string DriveRootOf(wchar_t letter, bool create) {
  const wchar_t upper = zb::internal::AsciiToUpper(letter);
  if (upper < L'A' || upper > L'Z') return std::string();
  const int index = upper - L'A';
  {
    DriveOverrides& overrides = Overrides();
    std::lock_guard<std::mutex> lock(overrides.mutex);
    if (overrides.set[index]) return overrides.roots[index];
  }
  char variable[] = "ZORBASE_DRIVE_?";
  variable[sizeof(variable) - 2] = static_cast<char>('A' + index);
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') return CleanNativePath(value);
  if (upper == L'Z') return "/";
  if (upper == L'C') return DefaultDriveC(create);
  return std::string();
}

}  // namespace

std::string DriveRoot(wchar_t letter) { return DriveRootOf(letter, true); }

wchar_t UpcaseChar(wchar_t c) {
  if (c < 0x80) return zb::internal::AsciiToUpper(c);
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return c;
  locale_t locale = CaseLocale();
  if (locale == static_cast<locale_t>(0)) return c;
  return static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), locale));
}

std::wstring NativeToWindowsPath(const std::string& native) {
  std::string path = native;
  if (path.empty() || path[0] != '/') path = CurrentNativeDirectory() + "/" + path;
  path = CleanNativePath(path);
  int best = -1;
  std::size_t best_length = 0;
  std::string best_root;
  for (int index = 0; index < 26; ++index) {
    // Only names are compared: a library that reports its own path while it loads must not
    // create the default drive C: before the host has set its environment.
    std::string root = DriveRootOf(static_cast<wchar_t>(L'A' + index), false);
    if (root.empty()) continue;
    bool holds = root == "/" || path == root ||
                 (path.compare(0, root.size(), root) == 0 && path[root.size()] == '/');
    if (!holds) continue;
    const std::size_t length = root == "/" ? 0 : root.size();
    if (best < 0 || length > best_length) {
      best = index;
      best_length = length;
      best_root = root;
    }
  }
  if (best < 0) return std::wstring();
  std::wstring out;
  out += static_cast<wchar_t>(L'A' + best);
  out += L':';
  std::string rest = path.substr(best_length);
  if (rest.empty()) rest = "/";
  std::wstring wide = DecodeNativeName(rest);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  out += wide;
  return out;
}

std::wstring CurrentWindowsDirectory() { return NativeToWindowsPath(CurrentNativeDirectory()); }

DWORD ResolveWindowsPath(const wchar_t* path, ResolvedPath* out, unsigned flags) {
  if (path == nullptr || path[0] == 0) return ERROR_PATH_NOT_FOUND;
  std::wstring text(path);
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  if (text.compare(0, 4, L"\\\\?\\") == 0) {
    text.erase(0, 4);
    if (text.compare(0, 4, L"UNC\\") == 0) return ERROR_BAD_NETPATH;
  } else if (text.compare(0, 4, L"\\\\.\\") == 0) {
    return ERROR_INVALID_NAME;  // device namespace
  } else if (text.compare(0, 2, L"\\\\") == 0) {
    return ERROR_BAD_NETPATH;
  }
  if (text.empty()) return ERROR_PATH_NOT_FOUND;

  wchar_t drive = 0;
  std::vector<std::wstring> names;
  std::size_t rest_start = 0;
  auto take_current = [&](bool with_directories) {
    std::wstring cwd = CurrentWindowsDirectory();
    if (cwd.size() < 2) return false;
    drive = cwd[0];
    if (!with_directories) return true;
    std::size_t i = 3;
    while (i < cwd.size()) {
      std::size_t j = cwd.find(L'\\', i);
      if (j == std::wstring::npos) j = cwd.size();
      if (j > i) names.push_back(cwd.substr(i, j - i));
      i = j + 1;
    }
    return true;
  };
  if (text.size() >= 2 && text[1] == L':') {
    const wchar_t letter = zb::internal::AsciiToUpper(text[0]);
    if (letter < L'A' || letter > L'Z') return ERROR_INVALID_NAME;
    rest_start = 2;
    if (text.size() > 2 && text[2] == L'\\') {
      drive = letter;
    } else {
      // Drive-relative: relative to the current directory when it is on that drive.
      std::wstring cwd = CurrentWindowsDirectory();
      if (!cwd.empty() && cwd[0] == letter) {
        take_current(true);
      } else {
        drive = letter;
      }
    }
  } else if (text[0] == L'\\') {
    if (!take_current(false)) return ERROR_PATH_NOT_FOUND;
  } else {
    if (!take_current(true)) return ERROR_PATH_NOT_FOUND;
  }

  const bool trailing = text.size() > rest_start && text.back() == L'\\';
  std::vector<std::wstring> given;
  for (std::size_t i = rest_start; i < text.size();) {
    std::size_t j = text.find(L'\\', i);
    if (j == std::wstring::npos) j = text.size();
    if (j > i) given.push_back(text.substr(i, j - i));
    i = j + 1;
  }
  const bool pattern = (flags & kResolvePattern) != 0;
  for (std::size_t k = 0; k < given.size(); ++k) {
    std::wstring name = given[k];
    const bool last = k + 1 == given.size();
    if (name == L".") continue;
    if (name == L"..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    if (!(pattern && last)) {
      // Windows drops trailing dots and spaces of a name; a name of only dots and spaces is ".".
      while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
      if (name.empty()) continue;
    }
    if ((flags & kResolveNoValidation) == 0 && !IsValidWindowsName(name, pattern && last)) {
      return ERROR_INVALID_NAME;
    }
    names.push_back(name);
  }

  const bool text_only = (flags & kResolveTextOnly) != 0;
  std::string root = text_only ? std::string() : DriveRoot(drive);
  if (root.empty() && !text_only) return ERROR_PATH_NOT_FOUND;

  ResolvedPath result;
  result.drive = drive;
  result.trailing_separator = trailing && !names.empty();
  result.is_root = names.empty();
  std::vector<std::string> native_names;
  native_names.reserve(names.size());
  for (const std::wstring& name : names) native_names.push_back(EncodeNativeName(name));

  const std::size_t total = names.size();
  const std::size_t lookup_count = pattern && total > 0 ? total - 1 : total;
  if ((flags & (kResolveNoLookup | kResolveTextOnly)) == 0) {
    // Deepest prefix that exists with the exact spelling (one fstatat when the whole path does).
    std::size_t k = lookup_count;
    while (k > 0 && !LstatExists(JoinNative(root, native_names, k))) --k;
    bool found = true;
    bool root_missing = false;
    if (k == 0 && !LstatExists(root)) {
      found = false;
      root_missing = true;
    }
    std::size_t i = k;
    for (; found && i < lookup_count; ++i) {
      if (i > k && LstatExists(JoinNative(root, native_names, i + 1))) continue;
      std::string match = ScanNoCase(JoinNative(root, native_names, i), names[i]);
      if (match.empty()) {
        found = false;
        break;
      }
      native_names[i] = match;
      names[i] = DecodeNativeName(match);
    }
    if (!found) {
      result.parent_missing = root_missing || i + 1 < total;
    } else {
      result.exists = true;  // with a pattern: the directory that holds it exists
    }
  }

  if (!text_only) {
    result.native = JoinNative(root, native_names, total);
    if (result.trailing_separator) result.native += "/";
  }
  result.windows.assign(1, drive);
  result.windows += L":\\";
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (k > 0) result.windows += L'\\';
    result.windows += names[k];
  }
  *out = std::move(result);
  return ERROR_SUCCESS;
}

}  // namespace platform
}  // namespace zb
