// Private temporary folders: creation under a folder lock, redirection of TMP and TEMP, removal
// of the folder and of abandoned ones.
#include <zorbase/files/MTempCleaner.h>

#include <cstdint>
#include <cwchar>
#include <ctime>

#include <zorbase/files/MDirectory.h>
#include <zorbase/platform/clocks.h>
#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/crt_time.h>
#include <zorbase/platform/environment.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

namespace {

constexpr int kLockAttempts = 10000;

// The local time as "_HH_MM_SS".
CString TimeSuffix() {
  const __time64_t now = _time64(nullptr);
  wchar_t text[32] = L"";
  if (const struct tm* local = _localtime64(&now)) std::wcsftime(text, 32, L"_%H_%M_%S", local);
  return CString(text);
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

MTempCleaner::MPauser::MPauser(MTempCleaner* cleaner) : m_cleaner(cleaner) {
  if (m_cleaner != nullptr) m_cleaner->Pause();
}

MTempCleaner::MPauser::~MPauser() {
  if (m_cleaner != nullptr) m_cleaner->Resume();
}

MTempCleaner::MTempCleaner(const wchar_t* entryName, const MFileName* fileName)
    : m_entry_name(entryName != nullptr ? entryName : L""),
      m_active(false),
      m_file_name_mode(false),
      m_tmp_was_set(false),
      m_temp_was_set(false),
      m_paused(false) {
  SetFileName(fileName);
}

MTempCleaner::MTempCleaner(CString& entryName, const MFileName* fileName)
    : MTempCleaner(CString(MFileName(entryName.GetString(), true).GET()).GetString(), fileName) {}

MTempCleaner::~MTempCleaner() {
  if (m_active) {
    try {
      Finish();
    } catch (...) {
    }
  }
}

void MTempCleaner::SetEntryName(const wchar_t* name) {
  if (m_active || name == nullptr) return;
  MFileName safe(name, false);
  safe.MAKE_SAFE(4);
  m_entry_name = safe.GET_FILE_PART();
}

void MTempCleaner::SetEntryName(CString& name) { SetEntryName(name.GetString()); }

void MTempCleaner::SetFileName(const MFileName* fileName) {
  if (fileName == nullptr) return;
  m_file_name.COPY(*fileName);
  m_file_name_mode = true;
}

CString MTempCleaner::_MakeCurrentPath() const {
  CString path = m_old_tmp_path;
  path += m_entry_name;
  path += TimeSuffix();
  return path;
}

void MTempCleaner::Init() {
  if (m_active || m_paused) return;
  if (!m_file_name_mode) {
    const wchar_t* tmp = _wgetenv(L"TMP");
    m_tmp_was_set = tmp != nullptr && tmp[0] != 0;
    m_old_tmp_path = m_tmp_was_set ? tmp : L"";
    const wchar_t* temp = _wgetenv(L"TEMP");
    m_temp_was_set = temp != nullptr && temp[0] != 0;
    m_old_temp_path = m_temp_was_set ? temp : L"";
    // Without TMP the folder goes where the system puts temporary files (TEMP, TMPDIR, /tmp).
    if (!m_tmp_was_set) m_old_tmp_path = MDirectory::GetTemporary().c_str();
  } else {
    m_old_tmp_path = m_file_name.GET();
    m_old_temp_path = m_old_tmp_path;
  }
  AssurePath(m_old_tmp_path);

  bool locked = false;
  DWORD error = ERROR_SUCCESS;
  CString tried;
  for (int attempt = 0; attempt < kLockAttempts && !locked && error == ERROR_SUCCESS; ++attempt) {
    CString path = _MakeCurrentPath();
    // A name refused a moment ago is refused again: wait for the next second's name, so that two
    // programs started in the same second get two folders.
    for (int wait = 0; attempt > 0 && path == tried && wait < 30; ++wait) {
      Sleep(50);
      path = _MakeCurrentPath();
    }
    tried = path;
    if (!mkdirchain(path.GetString())) {
      error = GetLastError();
      break;
    }
    const DWORD result = m_cur_lock.Lock(path.GetString());
    if (result == ERROR_SUCCESS) {
      m_cur_path = path;
      locked = true;
    } else if (result != ERROR_SHARING_VIOLATION && result != ERROR_LOCK_VIOLATION) {
      error = result;
    }
  }
  if (!locked) {
    if (error != ERROR_SUCCESS) {
      // No private folder can be made here: nothing is redirected.
      SetLastError(error);
      return;
    }
    m_cur_path = _MakeCurrentPath();
    mkdirchain(m_cur_path.GetString());
  }
  m_active = true;
  // A folder of the same name left by a run that ended in this very second is ours now: what that
  // run left in it goes (our own lock file stays, since it is open).
  if (locked) _Walk(PATH_OPERATION_DELETE, m_cur_path.GetString(), L"*", false);
  _SetTmpPath(m_cur_path, true);
  _SetTmpPath(m_cur_path, false);
  CString pattern = m_entry_name;
  pattern += L"*";
  _DoOperationOnPath(PATH_OPERATION_DELETE, m_old_tmp_path.GetString(), pattern.GetString());
}

void MTempCleaner::Finish() {
  if (!m_active) return;
  CString old_tmp = m_file_name_mode || m_tmp_was_set ? m_old_tmp_path : CString();
  CString old_temp = m_file_name_mode || m_temp_was_set ? m_old_temp_path : CString();
  _SetTmpPath(old_tmp, true);
  _SetTmpPath(old_temp, false);
  m_cur_lock.Unlock();
  _DoOperationOnPath(PATH_OPERATION_DELETE, m_cur_path.GetString(), nullptr);
  m_active = false;
}

void MTempCleaner::Pause() {
  if (!m_active) return;
  m_active = false;
  m_paused = true;
  CString old_tmp = m_file_name_mode || m_tmp_was_set ? m_old_tmp_path : CString();
  CString old_temp = m_file_name_mode || m_temp_was_set ? m_old_temp_path : CString();
  _SetTmpPath(old_tmp, true);
  _SetTmpPath(old_temp, false);
}

void MTempCleaner::Resume() {
  if (!m_paused) return;
  m_paused = false;
  m_active = true;
  _SetTmpPath(m_cur_path, true);
  _SetTmpPath(m_cur_path, false);
}

LONG MTempCleaner::_SetTmpPath(CString& path, bool isTmp) {
  if (m_file_name_mode) {
    m_file_name.SET(path.GetString(), true);
  } else {
    CString assignment = isTmp ? L"TMP=" : L"TEMP=";
    assignment += path;
    _wputenv(assignment.GetString());
  }
  return 1;
}

LONG MTempCleaner::EnumerateRootTempFolders() const {
  CString pattern = m_entry_name;
  pattern += L"*";
  return _DoOperationOnPath(PATH_OPERATION_COUNT, m_old_tmp_path.GetString(), pattern.GetString());
}

const CString& MTempCleaner::GetCurPath() const { return m_cur_path; }
const CString& MTempCleaner::GetOldPath() const { return m_old_tmp_path; }

LONG MTempCleaner::_DeletePath(const wchar_t* path, const wchar_t* pattern) const {
  return _DoOperationOnPath(PATH_OPERATION_DELETE, path, pattern);
}

LONG MTempCleaner::_DoOperationOnPath(EPathOperation op, const wchar_t* path,
                                      const wchar_t* pattern) const {
  // A listing of the temporary directory itself for this entry's pattern looks at leftovers,
  // of which only this entry's own private folders may go.
  const bool leftovers = pattern != nullptr && op == PATH_OPERATION_DELETE && path != nullptr &&
                         CString(path).CompareNoCase(m_old_tmp_path.GetString()) == 0;
  return _Walk(op, path, pattern, leftovers);
}

bool MTempCleaner::_IsOwnLeftover(const wchar_t* name) const {
  const wchar_t* entry = m_entry_name.GetString();
  while (*entry == L'\\' || *entry == L'/') ++entry;
  const std::size_t length = std::wcslen(entry);
  if (CString(name).Left(static_cast<int>(length)).CompareNoCase(entry) != 0) return false;
  const wchar_t* rest = name + length;
  // Exactly "_HH_MM_SS" after the entry name.
  if (std::wcslen(rest) != 9) return false;
  for (int i = 0; i < 9; ++i) {
    const bool separator = i % 3 == 0;
    if (separator ? rest[i] != L'_' : !IsDigit(rest[i])) return false;
  }
  return true;
}

LONG MTempCleaner::_Walk(EPathOperation op, const wchar_t* path, const wchar_t* pattern,
                         bool leftovers) const {
  if (!m_active || path == nullptr) return 0;
  CString base(path);
  CString search(path);
  if (pattern != nullptr) {
    AssurePath(base);
    search = base;
    search += pattern;
  }
  _wfinddata64i32_t data;
  const std::intptr_t handle = _wfindfirst64i32(search.GetString(), &data);
  if (handle == -1) return -1;
  LONG answer = op == PATH_OPERATION_DELETE ? 1 : 0;
  do {
    if (std::wcscmp(data.name, L".") == 0 || std::wcscmp(data.name, L"..") == 0) continue;
    CString full = path;
    if (pattern != nullptr) {
      full = base;
      full += data.name;
    }
    // A symbolic link is never followed: its target is not ours to empty.
    const bool directory =
        (data.attrib & _A_SUBDIR) != 0 && (data.attrib & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    if (op == PATH_OPERATION_COUNT) {
      if (directory) ++answer;
      continue;
    }
    if (!directory) {
      // Files directly in the temporary directory were never made by a cleaner.
      if (leftovers) continue;
      if ((data.attrib & _A_ARCH) != 0 && _wremove(full.GetString()) != 0) --answer;
      continue;
    }
    if (leftovers) {
      // Only this entry's private folders that once were locked (they hold a lock file).
      if (!_IsOwnLeftover(data.name)) continue;
      CString lock_file = full;
      AssurePathAppend(lock_file, MFolderLocker::mgp_lock_file_name);
      if (GetFileAttributesW(lock_file.GetString()) == INVALID_FILE_ATTRIBUTES) continue;
    }
    if (m_cleanup_lock.Lock(full.GetString()) != ERROR_SUCCESS) continue;  // held by its owner
    m_cleanup_lock.Unlock();
    const LONG inner = _Walk(PATH_OPERATION_DELETE, full.GetString(), L"*", false);
    if (inner != -1) answer -= 1 - inner;
    _wrmdir(full.GetString());
  } while (_wfindnext64i32(handle, &data) == 0);
  _findclose(handle);
  return answer;
}
