// Files by handle: CreateFileW and the calls on its handles.
#include "file_internal.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/last_error.h>

using zb::platform::internal::FailWith;
using zb::platform::internal::FileObject;

namespace {

std::shared_ptr<FileObject> FileFromHandle(HANDLE handle) {
  auto file = zb::platform::LookupHandleAs<FileObject>(handle);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

std::int64_t OverlappedOffset(const OVERLAPPED* overlapped) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(overlapped->OffsetHigh) << 32) |
                                   overlapped->Offset);
}

}  // namespace

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                   DWORD disposition, DWORD flags, HANDLE) {
  DWORD error = ERROR_SUCCESS;
  bool existed = false;
  auto file = zb::platform::internal::OpenFileObject(name, access, share, disposition, flags,
                                                     zb::platform::internal::OpenOptions(),
                                                     &error, &existed);
  if (!file) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = zb::platform::RegisterHandle(file);
  SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return handle;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped) {
  if (read != nullptr) *read = 0;
  auto file = FileFromHandle(handle);
  if (!file) return FALSE;
  if (file->directory) return FailWith(ERROR_INVALID_FUNCTION);
  if (!file->CanRead()) return FailWith(ERROR_ACCESS_DENIED);
  if (buffer == nullptr && count > 0) return FailWith(ERROR_NOACCESS);
  std::int64_t offset = overlapped != nullptr ? OverlappedOffset(overlapped) : -1;
  char* p = static_cast<char*>(buffer);
  DWORD done = 0;
  while (done < count) {
    const ssize_t n = offset >= 0 ? pread(file->fd, p + done, count - done, offset + done)
                                  : ::read(file->fd, p + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      if (read != nullptr) *read = done;
      return FailWith(zb::platform::ErrorFromErrno(e, zb::platform::ErrnoContext::kHandleTransfer));
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (offset >= 0) lseek(file->fd, offset + done, SEEK_SET);
  if (read != nullptr) *read = done;
  return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD written,
               LPOVERLAPPED overlapped) {
  if (written != nullptr) *written = 0;
  auto file = FileFromHandle(handle);
  if (!file) return FALSE;
  if (file->directory) return FailWith(ERROR_INVALID_FUNCTION);
  if (!file->CanWrite()) return FailWith(ERROR_ACCESS_DENIED);
  if (buffer == nullptr && count > 0) return FailWith(ERROR_NOACCESS);
  if (count == 0) return TRUE;
  const std::int64_t offset =
      overlapped != nullptr && !file->append_only ? OverlappedOffset(overlapped) : -1;
  const std::size_t done = zb::platform::internal::WriteAll(file->fd, buffer, count, offset);
  const int e = errno;
  if (offset >= 0) lseek(file->fd, offset + static_cast<std::int64_t>(done), SEEK_SET);
  if (written != nullptr) *written = static_cast<DWORD>(done);
  if (done < count) {
    // A write on a handle reports a full disk as ERROR_HANDLE_DISK_FULL, as Windows does.
    return FailWith(zb::platform::ErrorFromErrno(e, zb::platform::ErrnoContext::kHandleTransfer));
  }
  return TRUE;
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, PLARGE_INTEGER new_position,
                      DWORD method) {
  auto file = FileFromHandle(handle);
  if (!file) return FALSE;
  off_t base = 0;
  if (method == FILE_CURRENT) {
    base = lseek(file->fd, 0, SEEK_CUR);
  } else if (method == FILE_END) {
    struct stat st;
    base = fstat(file->fd, &st) == 0 ? st.st_size : -1;
  } else if (method != FILE_BEGIN) {
    return FailWith(ERROR_INVALID_PARAMETER);
  }
  if (base < 0) return FailWith(zb::platform::ErrorFromErrno(errno));
  const std::int64_t delta = distance.QuadPart;
  if ((delta < 0 && base + delta < 0) || (delta > 0 && base > LLONG_MAX - delta)) {
    return FailWith(delta < 0 ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
  }
  const off_t target = base + delta;
  if (lseek(file->fd, target, SEEK_SET) < 0) return FailWith(zb::platform::ErrorFromErrno(errno));
  if (new_position != nullptr) new_position->QuadPart = target;
  return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, PLONG distance_high, DWORD method) {
  LARGE_INTEGER move;
  if (distance_high != nullptr) {
    move.QuadPart = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distance_high)) << 32) |
        static_cast<std::uint32_t>(distance));
  } else {
    move.QuadPart = distance;  // sign-extended, as Windows does without a high part
  }
  LARGE_INTEGER result;
  if (!SetFilePointerEx(handle, move, &result, method)) return INVALID_SET_FILE_POINTER;
  if (distance_high != nullptr) {
    *distance_high = static_cast<LONG>(static_cast<std::uint64_t>(result.QuadPart) >> 32);
  } else if (result.QuadPart > 0xFFFFFFFFLL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(result.QuadPart & 0xFFFFFFFF);
}

BOOL GetFileSizeEx(HANDLE handle, PLARGE_INTEGER size) {
  auto file = FileFromHandle(handle);
  if (!file) return FALSE;
  if (size == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
  struct stat st;
  if (fstat(file->fd, &st) != 0) return FailWith(zb::platform::ErrorFromErrno(errno));
  size->QuadPart = file->directory ? 0 : st.st_size;
  return TRUE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD size_high) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle, &size)) return INVALID_FILE_SIZE;
  if (size_high != nullptr) *size_high = static_cast<DWORD>(static_cast<std::uint64_t>(size.QuadPart) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size.QuadPart & 0xFFFFFFFF);
}

BOOL SetEndOfFile(HANDLE handle) {
  auto file = FileFromHandle(handle);
  if (!file) return FALSE;
  if (file->directory || (file->access & FILE_WRITE_DATA) == 0) {
    return FailWith(ERROR_ACCESS_DENIED);
  }
  const off_t position = lseek(file->fd, 0, SEEK_CUR);
  if (position < 0 || ftruncate(file->fd, position) != 0) {
    return FailWith(zb::platform::ErrorFromErrno(errno));
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
  auto file = FileFromHandle(handle);
  if (!file) return FALSE;
  if (!file->CanWrite() && !file->directory) return FailWith(ERROR_ACCESS_DENIED);
  if (int fault = zb::platform::CheckFault(zb::platform::FaultPoint::kFlush)) {
    return FailWith(zb::platform::ErrorFromErrno(fault, zb::platform::ErrnoContext::kHandleTransfer));
  }
  if (fsync(file->fd) != 0) {
    const int e = errno;
    return FailWith(zb::platform::ErrorFromErrno(e, zb::platform::ErrnoContext::kHandleTransfer));
  }
  return TRUE;
}

DWORD GetFileType(HANDLE handle) {
  auto file = FileFromHandle(handle);
  if (!file) return FILE_TYPE_UNKNOWN;
  struct stat st;
  if (fstat(file->fd, &st) != 0) return FILE_TYPE_UNKNOWN;
  SetLastError(ERROR_SUCCESS);
  if (S_ISCHR(st.st_mode)) return FILE_TYPE_CHAR;
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FILE_TYPE_PIPE;
  return FILE_TYPE_DISK;
}

BOOL GetFileInformationByHandle(HANDLE handle, LPBY_HANDLE_FILE_INFORMATION info) {
  auto file = FileFromHandle(handle);
  if (!file) return FALSE;
  if (info == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
  struct stat st;
  if (fstat(file->fd, &st) != 0) return FailWith(zb::platform::ErrorFromErrno(errno));
  std::memset(info, 0, sizeof(*info));
  info->dwFileAttributes = zb::platform::internal::AttributesOf(
      file->native_path, st, zb::platform::internal::BaseName(file->native_path));
  info->ftCreationTime = zb::platform::internal::FileTimeFrom(st.st_mtim);
  info->ftLastAccessTime = zb::platform::internal::FileTimeFrom(st.st_atim);
  info->ftLastWriteTime = zb::platform::internal::FileTimeFrom(st.st_mtim);
  info->dwVolumeSerialNumber = static_cast<DWORD>(st.st_dev);
  const std::uint64_t size = file->directory ? 0 : static_cast<std::uint64_t>(st.st_size);
  info->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  info->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
  info->nNumberOfLinks = static_cast<DWORD>(st.st_nlink);
  const std::uint64_t index = static_cast<std::uint64_t>(st.st_ino);
  info->nFileIndexHigh = static_cast<DWORD>(index >> 32);
  info->nFileIndexLow = static_cast<DWORD>(index & 0xFFFFFFFF);
  return TRUE;
}

BOOL GetFileTime(HANDLE handle, LPFILETIME creation, LPFILETIME access, LPFILETIME write) {
  auto file = FileFromHandle(handle);
  if (!file) return FALSE;
  struct stat st;
  if (fstat(file->fd, &st) != 0) return FailWith(zb::platform::ErrorFromErrno(errno));
  // Linux keeps no portable creation time; the modification time stands in for it.
  if (creation != nullptr) *creation = zb::platform::internal::FileTimeFrom(st.st_mtim);
  if (access != nullptr) *access = zb::platform::internal::FileTimeFrom(st.st_atim);
  if (write != nullptr) *write = zb::platform::internal::FileTimeFrom(st.st_mtim);
  return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME*, const FILETIME* access, const FILETIME* write) {
  auto file = FileFromHandle(handle);
  if (!file) return FALSE;
  struct timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_nsec = UTIME_OMIT;
  times[0].tv_sec = times[1].tv_sec = 0;
  if (access != nullptr) times[0] = zb::platform::internal::TimespecFrom(*access);
  if (write != nullptr) times[1] = zb::platform::internal::TimespecFrom(*write);
  if (futimens(file->fd, times) != 0) return FailWith(zb::platform::ErrorFromErrno(errno));
  return TRUE;
}
