#include <zorbase/tagged/internal/rewrite_backup.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <zorbase/files/MFile.h>
#include <zorbase/platform/file_marks.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/tagged/MTag.h>
#include <zorbase/tagged/internal/durable.h>
#include <zorbase/tagged/internal/tag_walk.h>

namespace zb {
namespace tagged {
namespace {

constexpr char kMarkKey[] = "tagged-backup-of";
// A path holds at most this many characters (the terminator of MAX_PATH excluded).
constexpr size_t kMaxPathChars = 259;

// The document's own last name (title and extension), as the mark records it.
std::wstring LastName(const MFileName& name) {
  return std::wstring(name.GET_FILE_EXT_PARTS());
}

// The mark's text: a version line, the document's size, its last name in UTF-8.
std::string MarkText(const MFileName& name, __int64 size) {
  return "1\n" + std::to_string(size) + "\n" + zb::platform::EncodeNativeName(LastName(name));
}

// Whether `text` is the mark of a backup of `name` that then had `size` bytes.
bool MarkNames(const std::string& text, const MFileName& name, __int64 size) {
  const size_t first = text.find('\n');
  const size_t second = first == std::string::npos ? first : text.find('\n', first + 1);
  if (second == std::string::npos || text.compare(0, first, "1") != 0) return false;
  const std::string size_text = text.substr(first + 1, second - first - 1);
  if (size_text.empty() || size_text != std::to_string(size)) return false;
  const std::wstring marked = zb::platform::DecodeNativeName(text.substr(second + 1));
  return zb::platform::EqualNoCase(marked, LastName(name));
}

}  // namespace

DWORD FormBackupName(const MFileName& name, MFileName* backup) {
  const std::wstring own = name.GET();
  std::wstring expected = name.GET_DRIVE_DIR_PARTS(true);
  expected += name.GET_FILE_PART();
  expected += L".bak";
  if (zb::platform::EqualNoCase(expected, own)) return ERROR_INVALID_NAME;
  if (expected.size() > kMaxPathChars) return ERROR_FILENAME_EXCED_RANGE;
  *backup = name;
  backup->SET_EXT_PART(L".bak", 256);
  if (backup->IS_EMPTY() || std::wstring(backup->GET()) != expected) {
    return ERROR_FILENAME_EXCED_RANGE;
  }
  return ERROR_SUCCESS;
}

DWORD MarkAsBackup(const MFileName& name, __int64 size) {
  if (!zb::platform::SetFileMarkW(name.GET(), kMarkKey, MarkText(name, size))) {
    const DWORD error = GetLastError();
    return error == ERROR_NOT_SUPPORTED ? ERROR_SUCCESS : (error != 0 ? error : ERROR_GEN_FAILURE);
  }
  // The mark must be on the device before the rename that depends on it.
  if (!SyncFile(name.GET())) {
    const DWORD error = GetLastError();
    UnmarkBackup(name);
    return error != 0 ? error : ERROR_WRITE_FAULT;
  }
  return ERROR_SUCCESS;
}

void UnmarkBackup(const MFileName& name) { zb::platform::RemoveFileMarkW(name.GET(), kMarkKey); }

bool IsWholeDocument(const MFileName& name, __int64* size) {
  MFile file(4096);
  if (!file.OPEN_READ(name)) return false;
  const __int64 end = MeasureFileEnd(file);
  if (size != nullptr) *size = end;
  MTag tag;
  if (end < MTag::kHeaderSize || !ReadSoundHeader(file, end, &tag) ||
      std::strncmp(tag.m_name, "ZORCOM", 6) != 0 || tag.m_tag_pos != 0) {
    return false;
  }
  __int64 position = tag.END();
  while (position < end) {
    if (!file.SEEK(position, 0) || !ReadSoundHeader(file, end, &tag)) return false;
    position = tag.END();
  }
  return position == end;
}

BackupOrigin ExamineBackup(const MFileName& name, const MFileName& backup) {
  if (!backup.DOES_EXIST()) return BackupOrigin::kNone;
  std::string mark;
  const bool marked = zb::platform::GetFileMarkW(backup.GET(), kMarkKey, &mark) != FALSE;
  const bool marks_kept = marked || GetLastError() != ERROR_NOT_SUPPORTED;
  if (marks_kept && !marked) return BackupOrigin::kForeign;
  __int64 size = -1;
  if (!IsWholeDocument(backup, &size)) return BackupOrigin::kForeign;
  if (marked && !MarkNames(mark, name, size)) return BackupOrigin::kForeign;
  return BackupOrigin::kOurs;
}

}  // namespace tagged
}  // namespace zb
