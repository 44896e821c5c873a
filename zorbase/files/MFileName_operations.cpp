// MFileName: the operations on the named file or directory as a whole, and the names the system
// fills in (temporary, working and module paths).
#include <zorbase/files/MFileName.h>

#include <memory>
#include <string>

#include <zorbase/files/MFile.h>
#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/shell_file.h>

namespace {

constexpr std::uint64_t kCopyBlock = 65536;

// `path` as a double-NUL-terminated list of one item.
std::wstring ShellList(const wchar_t* path) {
  std::wstring list(path);
  list += L'\0';
  list += L'\0';
  return list;
}

}  // namespace

bool MFileName::DOES_EXIST() const { return _waccess(GET(), 0) == 0; }

bool MFileName::IS_WRITABLE() const {
  if (!DOES_EXIST()) return true;
  return _waccess(GET(), 2) == 0;
}

bool MFileName::IS_UPDATABLE() const {
  const bool existed = DOES_EXIST();
  MFile file;
  const bool opened = file._OPEN(*this, MFile::MODE_UPDATE);
  file.CLOSE();
  // The question leaves nothing behind: a file created only to answer it goes again.
  if (opened && !existed) _wremove(GET());
  return opened;
}

bool MFileName::REMOVE() {
  if (m_file == nullptr || m_file[0] == 0) return _wrmdir(GET()) == 0;
  return _wremove(GET()) == 0;
}

bool MFileName::REMOVE_SHELL(bool confirm) {
  const std::wstring from =
      ShellList((m_file != nullptr && m_file[0] != 0) ? GET() : GET_DRIVE_DIR_PARTS(false));
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | (confirm ? 0 : FOF_NOCONFIRMATION);
  return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

bool MFileName::RENAME_SHELL(MFileName& target, bool showErrors) {
  const std::wstring from =
      ShellList((m_file != nullptr && m_file[0] != 0) ? GET() : GET_DRIVE_DIR_PARTS(false));
  const std::wstring to = ShellList((target.m_file != nullptr && target.m_file[0] != 0)
                                        ? target.GET()
                                        : target.GET_DRIVE_DIR_PARTS(false));
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_RENAME;
  operation.pFrom = from.c_str();
  operation.pTo = to.c_str();
  operation.fFlags = FOF_ALLOWUNDO | (showErrors ? 0 : FOF_NOERRORUI);
  return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

bool MFileName::COPY_FILE(const MFileName& source) const {
  if (*this == source) return true;
  MFile from;
  MFile to;
  if (!from._OPEN(source, MFile::MODE_READ)) return false;
  if (!to._OPEN(*this, MFile::MODE_WRITE)) return false;
  std::unique_ptr<unsigned char[]> block(new unsigned char[kCopyBlock]);
  bool complete = true;
  for (;;) {
    const std::uint64_t read = from._READ(block.get(), kCopyBlock, 1);
    if (read > 0 && to._WRITE(block.get(), read, 1) < read) {
      complete = false;
      break;
    }
    if (read < kCopyBlock) break;
  }
  // Meeting the end of the source is how a copy ends; any other recorded failure is not.
  if (from.GET_RESULT() != 0 && from.GET_RESULT() != ERROR_HANDLE_EOF) complete = false;
  if (!to.CLOSE()) complete = false;
  from.CLOSE();
  if (!complete) _wremove(GET());
  return complete;
}

long long MFileName::FILE_SIZE() const {
  if (m_file == nullptr || m_file[0] == 0) return -1;
  MFile file;
  if (!file._OPEN(*this, MFile::MODE_READ) || !file.SEEK(0, 2)) return -1;
  return file.TELL();
}

bool MFileName::CREATE_DIRECTORY() const {
  const std::wstring chain = GET_DRIVE_DIR_PARTS(true);
  for (size_t i = 0; i < chain.size(); ++i) {
    if (chain[i] != L'\\') continue;
    const std::wstring prefix = chain.substr(0, i);
    if (!prefix.empty()) _wmkdir(prefix.c_str());  // failures (the drive, existing ones) ignored
  }
  // A name without drive and directory asks for nothing to be made: done.
  if (chain.empty()) return true;
  const DWORD attributes = GetFileAttributesW(chain.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MFileName::FILL_WITH_TEMPORARY_PATH() {
  wchar_t buffer[PATH_CAPACITY + 1] = {};
  const DWORD length = GetTempPathW(PATH_CAPACITY + 1, buffer);
  if (length == 0 || length > PATH_CAPACITY) return false;
  SET(buffer, true);
  return true;
}

bool MFileName::FILL_WITH_WORKING_PATH() {
  wchar_t buffer[PATH_CAPACITY + 1] = {};
  if (_wgetcwd(buffer, PATH_CAPACITY + 1) == nullptr || buffer[0] == 0) return false;
  SET(buffer, true);
  return true;
}

bool MFileName::FILL_WITH_MODULE_PATH() {
  wchar_t buffer[PATH_CAPACITY + 1] = {};
  const DWORD length = GetModuleFileNameW(nullptr, buffer, PATH_CAPACITY + 1);
  if (length == 0 || length > PATH_CAPACITY) return false;
  SET(buffer, false);
  return true;
}

void MFileName::ModuleFileName(HINSTANCE module) {
  FREE();
  wchar_t buffer[PATH_CAPACITY + 1] = {};
  if (GetModuleFileNameW(reinterpret_cast<HMODULE>(module), buffer, PATH_CAPACITY + 1) == 0) return;
  SET(buffer, false);
}
