// The errno mapping: the only place where errno becomes a Windows code. It uses the runtime's errno
// names only, so the same table serves the C library of each system.
#include <zorbase/platform/last_error.h>

#include <cerrno>

namespace zb {
namespace platform {

DWORD ErrorFromErrno(int errno_value, bool path_missing) {
  switch (errno_value) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return path_missing ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC: return ERROR_DISK_FULL;
#ifdef EDQUOT  // not every runtime has a quota error
    case EDQUOT: return ERROR_DISK_QUOTA_EXCEEDED;
#endif
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    case EIO: return ERROR_IO_DEVICE;
    case ESPIPE: return ERROR_SEEK;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
    case ENOSYS: return ERROR_CALL_NOT_IMPLEMENTED;
    case EILSEQ: return ERROR_NO_UNICODE_TRANSLATION;
    case ENODEV:
    case ENXIO: return ERROR_BAD_DEVICE;
    default: return ERROR_GEN_FAILURE;
  }
}

DWORD ErrorFromErrno(int errno_value, ErrnoContext context) {
  switch (context) {
    case ErrnoContext::kGeneral: break;
    case ErrnoContext::kMissingParent: return ErrorFromErrno(errno_value, true);
    case ErrnoContext::kHandleTransfer:
      if (errno_value == ENOSPC) return ERROR_HANDLE_DISK_FULL;
      if (errno_value == EISDIR) return ERROR_INVALID_FUNCTION;
      break;
    case ErrnoContext::kRemoveDirectory:
      if (errno_value == EEXIST) return ERROR_DIR_NOT_EMPTY;
      break;
    case ErrnoContext::kCreateNew:
      if (errno_value == EEXIST) return ERROR_FILE_EXISTS;
      break;
    case ErrnoContext::kRename:
      if (errno_value == ENOTEMPTY || errno_value == EISDIR || errno_value == ENOTDIR ||
          errno_value == EINVAL) {
        return ERROR_ACCESS_DENIED;
      }
      break;
    case ErrnoContext::kRegistryHive:
      if (errno_value == EACCES || errno_value == EPERM || errno_value == EROFS) {
        return ERROR_ACCESS_DENIED;
      }
      return errno_value == 0 ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
  }
  return ErrorFromErrno(errno_value, false);
}

DWORD SetLastErrorFromErrno(int errno_value, bool path_missing) {
  DWORD code = ErrorFromErrno(errno_value, path_missing);
  SetLastError(code);
  return code;
}

}  // namespace platform
}  // namespace zb
