// Folder locks through an unshared open of "__fold__.lock".
#include <zorbase/files/MFolderLocker.h>

#include <zorbase/files/MDirectory.h>
#include <zorbase/platform/clocks.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

const wchar_t* MFolderLocker::mgp_lock_file_name = L"__fold__.lock";

MFolderLocker::MFolderLocker() : m_handle(nullptr) {}

MFolderLocker::MFolderLocker(const wchar_t* folder) : m_handle(nullptr) {
  if (folder != nullptr) Lock(folder);
}

MFolderLocker::~MFolderLocker() {
  if (m_handle != nullptr) CloseHandle(m_handle);
}

DWORD MFolderLocker::Lock(const wchar_t* folder) {
  if (folder == nullptr || (m_handle != nullptr && !IsAbsolutePath(folder))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERROR_INVALID_PARAMETER;
  }
  CString path(folder);
  AssurePathAppend(path, mgp_lock_file_name);
  if (m_handle != nullptr) {
    if (m_lock_path.CompareNoCase(path.GetString()) == 0) return ERROR_SUCCESS;
    Unlock();
  }
  const DWORD start = GetTickCount();
  for (;;) {
    HANDLE file = CreateFileW(path.GetString(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      m_handle = file;
      m_lock_path = path;
      SetLastError(ERROR_SUCCESS);
      return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    if (error == ERROR_SUCCESS) error = 1;
    if (error != ERROR_LOCK_VIOLATION || GetTickCount() - start > 3000) {
      SetLastError(error);
      return error;
    }
    Sleep(300);
  }
}

DWORD MFolderLocker::Unlock() {
  if (m_handle == nullptr) return ERROR_SUCCESS;
  HANDLE handle = m_handle;
  m_handle = nullptr;
  m_lock_path.Empty();
  if (!CloseHandle(handle)) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : 1;
  }
  return ERROR_SUCCESS;
}

bool MFolderLocker::IsLocked() const { return m_handle != nullptr; }
