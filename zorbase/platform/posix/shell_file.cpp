// SHFileOperationW and SHCreateDirectoryExW, with deletion to the freedesktop.org trash.
#include <zorbase/platform/shell_file.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>

#include "file_internal.h"

namespace zb {
namespace platform {
namespace internal {
namespace {

std::vector<std::wstring> SplitList(PCZZWSTR list) {
  std::vector<std::wstring> items;
  if (list == nullptr) return items;
  while (*list != 0) {
    std::wstring item(list);
    list += item.size() + 1;
    items.push_back(std::move(item));
  }
  return items;
}

// One source of an operation: its native path and its Windows form.
struct Item {
  std::string native;
  std::wstring windows;
  bool directory;
};

bool HasWildcards(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  const std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
  return name.find_first_of(L"*?") != std::wstring::npos;
}

// Expands the sources (wildcards in the last name). ERROR_SUCCESS, or the error of a missing or
// invalid source.
DWORD ExpandSources(const std::vector<std::wstring>& sources, bool files_only,
                    std::vector<Item>* items) {
  for (const std::wstring& source : sources) {
    if (HasWildcards(source)) {
      WIN32_FIND_DATAW data;
      HANDLE search = FindFirstFileW(source.c_str(), &data);
      if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) continue;  // a pattern that matches nothing is no error
        return error;
      }
      const std::size_t separator = source.find_last_of(L"\\/");
      const std::wstring dir = separator == std::wstring::npos ? std::wstring()
                                                               : source.substr(0, separator + 1);
      do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (files_only && directory) continue;
        ResolvedPath path;
        if (ResolveWindowsPath((dir + name).c_str(), &path, kResolveNoValidation) != ERROR_SUCCESS) {
          continue;
        }
        items->push_back(Item{StripTrailingSlash(path.native), path.windows, directory});
      } while (FindNextFileW(search, &data));
      FindClose(search);
      continue;
    }
    ResolvedPath path;
    DWORD code = ResolveWindowsPath(source.c_str(), &path);
    if (code != ERROR_SUCCESS) return code;
    struct stat st;
    const std::string native = StripTrailingSlash(path.native);
    if (lstat(native.c_str(), &st) != 0) return ErrorForPath(errno, path);
    if (path.is_root) return ERROR_ACCESS_DENIED;
    items->push_back(Item{native, path.windows, S_ISDIR(st.st_mode)});
  }
  return ERROR_SUCCESS;
}

// The names in the native directory `dir` other than "." and "..", in the order the file system
// lists them. ERROR_SUCCESS, or the Windows code of the failure to open the directory.
DWORD ListNames(const std::string& dir, std::vector<std::string>* names) {
  DIR* stream = opendir(dir.c_str());
  if (stream == nullptr) return ErrorFromErrno(errno);
  while (dirent* entry = readdir(stream)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names->push_back(entry->d_name);
    }
  }
  closedir(stream);
  return ERROR_SUCCESS;
}

// Deletes a native file or directory tree for good. Stops at the first failure.
DWORD DeleteTree(const std::string& native) {
  struct stat st;
  if (lstat(native.c_str(), &st) != 0) return ErrorFromErrno(errno);
  if (S_ISDIR(st.st_mode)) {
    std::vector<std::string> names;
    const DWORD listed = ListNames(native, &names);
    if (listed != ERROR_SUCCESS) return listed;
    for (const std::string& name : names) {
      const DWORD code = DeleteTree(native + "/" + name);
      if (code != ERROR_SUCCESS) return code;
    }
    const DWORD sharing = CheckDeleteSharing(native);
    if (sharing != ERROR_SUCCESS) return sharing;
    if (rmdir(native.c_str()) != 0) {
      return ErrorFromErrno(errno, zb::platform::ErrnoContext::kRemoveDirectory);
    }
    return ERROR_SUCCESS;
  }
  if (!S_ISLNK(st.st_mode)) {
    const DWORD sharing = CheckDeleteSharing(native);
    if (sharing != ERROR_SUCCESS) return sharing;
  }
  return unlink(native.c_str()) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
}

bool MakeDirectory(const std::string& path, mode_t mode) {
  if (mkdir(path.c_str(), mode) == 0) return true;
  struct stat st;
  return errno == EEXIST && lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectories(const std::string& path, mode_t mode) {
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      if (!MakeDirectory(path.substr(0, pos), mode)) return false;
    }
  }
  return true;
}

// The mount point that holds `native`: the highest directory above it on the same device.
std::string TopDirectory(const std::string& native, dev_t device) {
  std::string top = DirName(native);
  while (top != "/") {
    const std::string parent = DirName(top);
    struct stat st;
    if (stat(parent.c_str(), &st) != 0 || st.st_dev != device) break;
    top = parent;
  }
  return top;
}

std::string EscapePath(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    if (zb::internal::IsAsciiAlnum(c) ||
        std::strchr("/-_.~!$&'()*+,;=:@", c) != nullptr) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof(hex), "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

// A trash directory that can take `native` by rename, with its files/ and info/ directories, and
// the form of the item's path that its .trashinfo records. False when there is none.
bool FindTrash(const std::string& native, std::string* trash, std::string* recorded_path) {
  struct stat item;
  if (lstat(native.c_str(), &item) != 0) return false;
  const std::string home = HomeTrashDirectory();
  if (MakeDirectories(home + "/files", 0700) && MakeDirectories(home + "/info", 0700)) {
    struct stat st;
    if (stat(home.c_str(), &st) == 0 && st.st_dev == item.st_dev) {
      *trash = home;
      *recorded_path = native;
      return true;
    }
  }
  const std::string top = TopDirectory(native, item.st_dev);
  const std::string prefix = top == "/" ? std::string() : top;
  const std::string uid = std::to_string(getuid());
  std::string candidate;
  struct stat shared;
  const std::string shared_trash = prefix + "/.Trash";
  if (lstat(shared_trash.c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
      (shared.st_mode & S_ISVTX) != 0) {
    candidate = shared_trash + "/" + uid;
  } else {
    candidate = prefix + "/.Trash-" + uid;
  }
  if (!MakeDirectory(candidate, 0700) || !MakeDirectory(candidate + "/files", 0700) ||
      !MakeDirectory(candidate + "/info", 0700)) {
    return false;
  }
  *trash = candidate;
  *recorded_path = native.substr(prefix.size() + 1);
  return true;
}

// Moves one item to the trash. ERROR_SUCCESS, or the error that kept it from going there.
DWORD MoveToTrash(const std::string& native) {
  std::string trash, recorded;
  if (!FindTrash(native, &trash, &recorded)) return ERROR_ACCESS_DENIED;
  if (int fault = CheckFault(FaultPoint::kRename)) return ErrorFromErrno(fault);
  const std::string base = BaseName(native);
  char date[32];
  const std::time_t now = std::time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  std::strftime(date, sizeof(date), "%Y-%m-%dT%H:%M:%S", &local);
  const std::string record =
      "[Trash Info]\nPath=" + EscapePath(recorded) + "\nDeletionDate=" + date + "\n";
  for (int n = 1; n < 10000; ++n) {
    const std::string name = n == 1 ? base : base + "." + std::to_string(n);
    const std::string info = trash + "/info/" + name + ".trashinfo";
    const int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return ErrorFromErrno(errno);
    }
    const std::size_t written = WriteAll(fd, record.data(), record.size(), -1);
    const int write_error = errno;
    close(fd);
    if (written != record.size()) {
      unlink(info.c_str());
      return ErrorFromErrno(write_error);
    }
    const std::string target = trash + "/files/" + name;
    if (renameat2(AT_FDCWD, native.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
      const int e = errno;
      unlink(info.c_str());
      if (e == EEXIST) continue;
      return ErrorFromErrno(e);
    }
    return ERROR_SUCCESS;
  }
  return ERROR_ALREADY_EXISTS;
}

// Copies one native file (data, mode, times, attributes) to `target`, replacing it.
DWORD CopyNativeFile(const std::string& source, const std::string& target) {
  const int from = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (from < 0) return ErrorFromErrno(errno);
  struct stat st;
  fstat(from, &st);
  struct stat existing;
  if (stat(target.c_str(), &existing) == 0 && IsReadOnlyMode(existing.st_mode)) {
    chmod(target.c_str(), existing.st_mode | S_IWUSR);  // the shell replaces read-only files
  }
  const int to = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (to < 0) {
    const int e = errno;
    close(from);
    return ErrorFromErrno(e);
  }
  DWORD code = CopyData(from, to);
  if (code == ERROR_SUCCESS) {
    fchmod(to, st.st_mode & 07777);
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(to, times);
  }
  close(to);
  close(from);
  if (code != ERROR_SUCCESS) {
    unlink(target.c_str());
    return code;
  }
  struct stat copied;
  if (stat(target.c_str(), &copied) == 0) {
    StoreAttributes(target, copied, AttributesOf(source, st, BaseName(source)) |
                                        FILE_ATTRIBUTE_ARCHIVE);
  }
  return ERROR_SUCCESS;
}

DWORD CopyTree(const std::string& source, const std::string& target) {
  struct stat st;
  if (stat(source.c_str(), &st) != 0) return ErrorFromErrno(errno);
  if (!S_ISDIR(st.st_mode)) return CopyNativeFile(source, target);
  if (target.size() > source.size() && target.compare(0, source.size() + 1, source + "/") == 0) {
    return ERROR_ACCESS_DENIED;  // into itself
  }
  if (!MakeDirectory(target, 0777)) return ErrorFromErrno(errno);
  std::vector<std::string> names;
  const DWORD listed = ListNames(source, &names);
  if (listed != ERROR_SUCCESS) return listed;
  for (const std::string& name : names) {
    const DWORD code = CopyTree(source + "/" + name, target + "/" + name);
    if (code != ERROR_SUCCESS) return code;
  }
  return ERROR_SUCCESS;
}

// "title - Copy.ext", "title - Copy (2).ext", ... in the target's directory, the first free one.
std::string CollisionName(const std::string& target) {
  const std::string dir = DirName(target);
  const std::string base = BaseName(target);
  const std::size_t dot = base.rfind('.');
  const std::string title = dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
  const std::string ext = dot == std::string::npos || dot == 0 ? std::string() : base.substr(dot);
  for (int n = 1;; ++n) {
    const std::string name =
        title + " - Copy" + (n == 1 ? std::string() : " (" + std::to_string(n) + ")") + ext;
    const std::string candidate = dir + "/" + name;
    struct stat st;
    if (lstat(candidate.c_str(), &st) != 0) return candidate;
  }
}

int Finish(SHFILEOPSTRUCTW* operation, DWORD code) {
  operation->fAnyOperationsAborted = FALSE;
  SetLastError(code);
  return static_cast<int>(code);
}

int CopyOrMove(SHFILEOPSTRUCTW* operation, const std::vector<Item>& items, bool move) {
  std::vector<std::wstring> targets = SplitList(operation->pTo);
  if (targets.empty()) return Finish(operation, ERROR_INVALID_PARAMETER);
  const bool multi = (operation->fFlags & FOF_MULTIDESTFILES) != 0 && targets.size() > 1;
  if (multi && targets.size() != items.size()) return Finish(operation, ERROR_INVALID_PARAMETER);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    ResolvedPath destination;
    DWORD code = ResolveWindowsPath((multi ? targets[i] : targets[0]).c_str(), &destination);
    if (code != ERROR_SUCCESS) return Finish(operation, code);
    std::string target = StripTrailingSlash(destination.native);
    struct stat st;
    const bool target_is_dir = stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (!multi && (target_is_dir || items.size() > 1)) {
      if (!target_is_dir && !MakeDirectories(target, 0777)) {
        return Finish(operation, ErrorFromErrno(errno));
      }
      target += "/" + BaseName(item.native);
    } else if (!MakeDirectories(DirName(target), 0777)) {
      return Finish(operation, ErrorFromErrno(errno));
    }
    struct stat source_stat, target_stat;
    if (stat(item.native.c_str(), &source_stat) == 0 && stat(target.c_str(), &target_stat) == 0 &&
        source_stat.st_dev == target_stat.st_dev && source_stat.st_ino == target_stat.st_ino) {
      if (move || (operation->fFlags & FOF_RENAMEONCOLLISION) == 0) {
        return Finish(operation, DE_SAMEFILE);
      }
      target = CollisionName(target);
    } else if ((operation->fFlags & FOF_RENAMEONCOLLISION) != 0 &&
               lstat(target.c_str(), &target_stat) == 0) {
      target = CollisionName(target);
    }
    if (move) {
      if (int fault = CheckFault(FaultPoint::kRename)) {
        return Finish(operation, ErrorFromErrno(fault));
      }
      code = CheckDeleteSharing(item.native);
      if (code != ERROR_SUCCESS) return Finish(operation, code);
      if (rename(item.native.c_str(), target.c_str()) == 0) continue;
      if (errno != EXDEV) {
        return Finish(operation, ErrorFromErrno(errno, zb::platform::ErrnoContext::kRename));
      }
      code = CopyTree(item.native, target);
      if (code == ERROR_SUCCESS) code = DeleteTree(item.native);
    } else {
      code = CopyTree(item.native, target);
    }
    if (code != ERROR_SUCCESS) return Finish(operation, code);
  }
  return Finish(operation, ERROR_SUCCESS);
}

}  // namespace
}  // namespace internal

std::string HomeTrashDirectory() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/Trash";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/.local/share/Trash";
}

}  // namespace platform
}  // namespace zb

using namespace zb::platform::internal;

int SHFileOperationW(LPSHFILEOPSTRUCTW operation) {
  if (operation == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return static_cast<int>(ERROR_INVALID_PARAMETER);
  }
  const std::vector<std::wstring> sources = SplitList(operation->pFrom);
  if (sources.empty()) return Finish(operation, ERROR_INVALID_PARAMETER);
  std::vector<Item> items;
  DWORD code = ExpandSources(sources, (operation->fFlags & FOF_FILESONLY) != 0, &items);
  if (code != ERROR_SUCCESS) return Finish(operation, code);
  switch (operation->wFunc) {
    case FO_DELETE:
      for (const Item& item : items) {
        if ((operation->fFlags & FOF_ALLOWUNDO) != 0) {
          code = CheckDeleteSharing(item.native);
          if (code == ERROR_SUCCESS) code = MoveToTrash(item.native);
          if (code == ERROR_SUCCESS) continue;
          if (code == ERROR_SHARING_VIOLATION ||
              (operation->fFlags & FOF_NOCONFIRMATION) == 0) {
            return Finish(operation, code);
          }
        }
        code = DeleteTree(item.native);
        if (code != ERROR_SUCCESS) return Finish(operation, code);
      }
      return Finish(operation, ERROR_SUCCESS);
    case FO_RENAME: {
      const std::vector<std::wstring> targets = SplitList(operation->pTo);
      if (items.size() != 1 || targets.size() != 1) return Finish(operation, ERROR_INVALID_PARAMETER);
      if (!MoveFileExW(items[0].windows.c_str(), targets[0].c_str(), 0)) {
        return Finish(operation, GetLastError());
      }
      return Finish(operation, ERROR_SUCCESS);
    }
    case FO_COPY:
      return CopyOrMove(operation, items, false);
    case FO_MOVE:
      return CopyOrMove(operation, items, true);
    default:
      return Finish(operation, ERROR_INVALID_PARAMETER);
  }
}

int SHCreateDirectoryExW(HWND, LPCWSTR path, const SECURITY_ATTRIBUTES*) {
  zb::platform::ResolvedPath resolved;
  DWORD code = zb::platform::ResolveWindowsPath(path, &resolved);
  if (code == ERROR_SUCCESS && resolved.exists) code = ERROR_ALREADY_EXISTS;
  if (code == ERROR_SUCCESS) {
    const std::string native = StripTrailingSlash(resolved.native);
    code = MakeDirectories(native, 0777)
               ? ERROR_SUCCESS
               : zb::platform::ErrorFromErrno(errno, zb::platform::ErrnoContext::kCreateNew);
  }
  SetLastError(code);
  return static_cast<int>(code);
}
