#include <zorbase/platform/file_system.h>

#include <UnitTest++/UnitTest++.h>

#include <algorithm>
#include <cerrno>
#ifndef _WIN32
#ifndef _WIN32
#include <csignal>
#endif
#endif
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif
#endif

#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/last_error.h>

using zb::test::ScratchDir;

namespace {

HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
            DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  return CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

bool WriteText(HANDLE file, const std::string& text) {
  DWORD written = 0;
  return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

std::string ReadAll(HANDLE file) {
  std::string out;
  char buffer[256];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) out.append(buffer, read);
  return out;
}

std::vector<std::wstring> List(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(data.cFileName);
  } while (FindNextFileW(search, &data));
  CHECK_EQUAL(ERROR_NO_MORE_FILES, GetLastError());
  CHECK(FindClose(search));
  return names;
}

std::wstring Join(const std::vector<std::wstring>& names) {
  std::wstring out;
  for (const std::wstring& name : names) out += (out.empty() ? L"" : L",") + name;
  return out;
}

}  // namespace

SUITE(FileSystem) {

TEST(CreateFileDispositions) {
  ScratchDir dir("FsDispositions");
  const std::wstring name = dir.Win(L"f.bin");
  HANDLE h = Open(name, GENERIC_WRITE, 0, OPEN_EXISTING);
  CHECK(h == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK(Open(dir.Win(L"missing\\f.bin"), GENERIC_READ, 0, OPEN_EXISTING) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_PATH_NOT_FOUND, GetLastError());
  CHECK(Open(dir.Win(L"missing\\f.bin"), GENERIC_WRITE, 0, CREATE_ALWAYS) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_PATH_NOT_FOUND, GetLastError());

  h = Open(name, GENERIC_WRITE, 0, CREATE_NEW);
  CHECK(h != INVALID_HANDLE_VALUE);
  CHECK(WriteText(h, "hello"));
  CHECK(CloseHandle(h));
  CHECK(!CloseHandle(h));
  CHECK_EQUAL(ERROR_INVALID_HANDLE, GetLastError());

  CHECK(Open(name, GENERIC_WRITE, 0, CREATE_NEW) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_FILE_EXISTS, GetLastError());

  h = Open(name, GENERIC_READ, 0, OPEN_ALWAYS);
  CHECK_EQUAL(ERROR_ALREADY_EXISTS, GetLastError());
  CHECK_EQUAL("hello", ReadAll(h));
  CloseHandle(h);

  h = Open(name, GENERIC_WRITE, 0, CREATE_ALWAYS);
  CHECK_EQUAL(ERROR_ALREADY_EXISTS, GetLastError());
  LARGE_INTEGER size;
  CHECK(GetFileSizeEx(h, &size));
  CHECK_EQUAL(0, size.QuadPart);
  CHECK(WriteText(h, "again"));
  CloseHandle(h);

  h = Open(name, GENERIC_WRITE, 0, TRUNCATE_EXISTING);
  CHECK(h != INVALID_HANDLE_VALUE);
  CHECK_EQUAL(0u, GetFileSize(h, nullptr));
  CloseHandle(h);
  CHECK(Open(name, GENERIC_READ, 0, TRUNCATE_EXISTING) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_INVALID_PARAMETER, GetLastError());

  h = Open(dir.Win(L"new.bin"), GENERIC_READ, 0, OPEN_ALWAYS);
  CHECK_EQUAL(ERROR_SUCCESS, GetLastError());
  CloseHandle(h);

  // Directories open only with backup semantics.
  CHECK(Open(dir.Win(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
  h = Open(dir.Win(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  CHECK(h != INVALID_HANDLE_VALUE);
  char byte;
  DWORD read = 1;
  CHECK(!ReadFile(h, &byte, 1, &read, nullptr));
  CloseHandle(h);
}

TEST(ReadWriteAndFilePointer) {
  ScratchDir dir("FsReadWrite");
  HANDLE h = Open(dir.Win(L"data.bin"), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  CHECK(WriteText(h, "0123456789"));
  LARGE_INTEGER move, position;
  move.QuadPart = 3;
  CHECK(SetFilePointerEx(h, move, &position, FILE_BEGIN));
  CHECK_EQUAL(3, position.QuadPart);
  char buffer[4] = {};
  DWORD read = 0;
  CHECK(ReadFile(h, buffer, 3, &read, nullptr));
  CHECK_EQUAL(3u, read);
  CHECK_EQUAL(std::string("345"), std::string(buffer, 3));
  move.QuadPart = -2;
  CHECK(SetFilePointerEx(h, move, &position, FILE_END));
  CHECK_EQUAL(8, position.QuadPart);
  move.QuadPart = -20;
  CHECK(!SetFilePointerEx(h, move, &position, FILE_CURRENT));
  CHECK_EQUAL(ERROR_NEGATIVE_SEEK, GetLastError());
  // Beyond the end is allowed; a write there extends the file.
  move.QuadPart = 12;
  CHECK(SetFilePointerEx(h, move, nullptr, FILE_BEGIN));
  CHECK(WriteText(h, "X"));
  LARGE_INTEGER size;
  CHECK(GetFileSizeEx(h, &size));
  CHECK_EQUAL(13, size.QuadPart);
  // Positioned transfers through OVERLAPPED.
  OVERLAPPED at = {};
  at.Offset = 1;
  CHECK(ReadFile(h, buffer, 2, &read, &at));
  CHECK_EQUAL(std::string("12"), std::string(buffer, 2));
  CHECK_EQUAL(3u, SetFilePointer(h, 0, nullptr, FILE_CURRENT));
  move.QuadPart = 5;
  CHECK(SetFilePointerEx(h, move, nullptr, FILE_BEGIN));
  CHECK(SetEndOfFile(h));
  CHECK_EQUAL(5u, GetFileSize(h, nullptr));
  CHECK(FlushFileBuffers(h));
  CHECK_EQUAL(FILE_TYPE_DISK, GetFileType(h));
  CloseHandle(h);

  h = Open(dir.Win(L"data.bin"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  CHECK(!WriteText(h, "no"));
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
  CHECK_EQUAL("01234", ReadAll(h));
  read = 7;
  CHECK(ReadFile(h, buffer, 1, &read, nullptr));  // at the end: TRUE with nothing read
  CHECK_EQUAL(0u, read);
  CloseHandle(h);
  h = Open(dir.Win(L"data.bin"), GENERIC_WRITE, 0, OPEN_EXISTING);
  CHECK(!ReadFile(h, buffer, 1, &read, nullptr));
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
  CloseHandle(h);
  // Append-only access writes at the end whatever the pointer says.
  h = Open(dir.Win(L"data.bin"), FILE_APPEND_DATA, 0, OPEN_EXISTING);
  CHECK(WriteText(h, "END"));
  CloseHandle(h);
  CHECK_EQUAL("01234END", dir.Get("data.bin"));

  CHECK(!WriteText(reinterpret_cast<HANDLE>(0x1234), "x"));
  CHECK_EQUAL(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(ShareModesFollowTheWindowsMatrix) {
  ScratchDir dir("FsShare");
  dir.Put("s.bin", "data");
  const std::wstring name = dir.Win(L"s.bin");
  struct Case {
    DWORD access1, share1, access2, share2;
    bool second_opens;
  };
  const DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE,
              SD = FILE_SHARE_DELETE;
  const Case cases[] = {
      {R, 0, R, SR | SW, false},      {R, SR, R, SR, true},         {R, SR, W, SR, false},
      {R, SR, R, 0, false},           {R, SR | SW, W, SR | SW, true}, {W, SR, R, SR | SW, true},
      {W, SR, R, SR, false},          {W, SR | SW, W, SR | SW, true}, {R, SR, DELETE, SR, false},
      {R, SR | SD, DELETE, SR, true}, {FILE_READ_ATTRIBUTES, 0, W, 0, true},
      {W, 0, FILE_READ_ATTRIBUTES, 0, true},
  };
  for (const Case& c : cases) {
    HANDLE first = Open(name, c.access1, c.share1, OPEN_EXISTING);
    CHECK(first != INVALID_HANDLE_VALUE);
    HANDLE second = Open(name, c.access2, c.share2, OPEN_EXISTING);
    CHECK_EQUAL(c.second_opens, second != INVALID_HANDLE_VALUE);
    if (second == INVALID_HANDLE_VALUE) {
      CHECK_EQUAL(ERROR_SHARING_VIOLATION, GetLastError());
    } else {
      CloseHandle(second);
    }
    CloseHandle(first);
  }
  // A refused CREATE_ALWAYS does not truncate.
  HANDLE holder = Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  CHECK(Open(name, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_SHARING_VIOLATION, GetLastError());
  CHECK_EQUAL("data", dir.Get("s.bin"));
  // Deleting and renaming need delete sharing.
  CHECK(!DeleteFileW(name.c_str()));
  CHECK_EQUAL(ERROR_SHARING_VIOLATION, GetLastError());
  CHECK(!MoveFileExW(name.c_str(), dir.Win(L"t.bin").c_str(), 0));
  CHECK_EQUAL(ERROR_SHARING_VIOLATION, GetLastError());
  CloseHandle(holder);
  holder = Open(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
  CHECK(DeleteFileW(name.c_str()));
  CloseHandle(holder);
}

#ifndef _WIN32  // Linux processes, links or permissions
TEST(ShareModesHoldBetweenProcesses) {
  ScratchDir dir("FsShareProcesses");
  dir.Put("locked.bin", "x");
  const std::wstring name = dir.Win(L"locked.bin");
  int ready[2];
  CHECK_EQUAL(0, pipe(ready));
  const pid_t child = fork();
  if (child == 0) {
    close(ready[0]);
    HANDLE h = Open(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    const char status = h != INVALID_HANDLE_VALUE ? 'y' : 'n';
    if (write(ready[1], &status, 1) != 1) _exit(2);
    for (;;) pause();  // holds the file until it is killed
  }
  close(ready[1]);
  char status = 0;
  CHECK_EQUAL(1, static_cast<int>(read(ready[0], &status, 1)));
  close(ready[0]);
  CHECK_EQUAL('y', status);
  CHECK(Open(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING) ==
        INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_SHARING_VIOLATION, GetLastError());
  CHECK(!DeleteFileW(name.c_str()));
  CHECK_EQUAL(ERROR_SHARING_VIOLATION, GetLastError());
  if (child > 0) kill(child, SIGKILL);
  int wait_status = 0;
  waitpid(child, &wait_status, 0);
  HANDLE h = Open(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  CHECK(h != INVALID_HANDLE_VALUE);
  CloseHandle(h);
}
#endif

TEST(CaseInsensitiveOpen) {
  ScratchDir dir("FsCase");
  CHECK(CreateDirectoryW(dir.Win(L"Data").c_str(), nullptr));
  HANDLE h = Open(dir.Win(L"Data\\Report.TXT"), GENERIC_WRITE, 0, CREATE_NEW);
  CHECK(WriteText(h, "report"));
  CloseHandle(h);
  CHECK(dir.Exists("Data/Report.TXT"));
  h = Open(dir.Win(L"DATA\\report.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  CHECK(h != INVALID_HANDLE_VALUE);
  CHECK_EQUAL("report", ReadAll(h));
  CloseHandle(h);
  // Opening an existing file under another spelling never creates a second one.
  h = Open(dir.Win(L"data\\REPORT.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS);
  CHECK_EQUAL(ERROR_ALREADY_EXISTS, GetLastError());
  CloseHandle(h);
  CHECK(!dir.Exists("Data/REPORT.txt"));
}

#ifndef _WIN32  // Linux processes, links or permissions
TEST(AttributesReadOnlyHiddenArchive) {
  ScratchDir dir("FsAttributes");
  dir.Put("a.txt", "a");
  const std::wstring name = dir.Win(L"a.txt");
  CHECK_EQUAL(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesW(name.c_str()));
  CHECK_EQUAL(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(dir.Win().c_str()));
  CHECK_EQUAL(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dir.Win(L"none").c_str()));
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());

  CHECK(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  CHECK_EQUAL(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, GetFileAttributesW(name.c_str()));
  struct stat st;
  CHECK_EQUAL(0, stat(dir.Native("a.txt").c_str(), &st));
  CHECK_EQUAL(0, static_cast<int>(st.st_mode & 0222));
  char value[16] = {};
  CHECK_EQUAL(3, static_cast<int>(getxattr(dir.Native("a.txt").c_str(), "user.DOSATTRIB", value,
                                           sizeof(value))));
  CHECK_EQUAL(std::string("0x2"), std::string(value));
  // Read-only refuses writing, truncating and deleting, even to the superuser.
  CHECK(Open(name, GENERIC_WRITE, 0, OPEN_EXISTING) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
  CHECK(Open(name, GENERIC_READ, 0, CREATE_ALWAYS) == INVALID_HANDLE_VALUE);
  CHECK(!DeleteFileW(name.c_str()));
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
  CHECK(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL));
  CHECK_EQUAL(FILE_ATTRIBUTE_NORMAL, GetFileAttributesW(name.c_str()));
  CHECK(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM));
  CHECK_EQUAL(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM, GetFileAttributesW(name.c_str()));

  // Samba's binary record is read too; a leading dot reads as hidden.
  dir.Put("b.txt", "b");
  const unsigned char samba[] = {0, 3, 0, 3, 0, 0x22, 0, 0, 0, 0, 0, 0, 0};
  CHECK_EQUAL(0, setxattr(dir.Native("b.txt").c_str(), "user.DOSATTRIB", samba, sizeof(samba), 0));
  CHECK_EQUAL(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN,
              GetFileAttributesW(dir.Win(L"b.txt").c_str()));
  dir.Put(".profile", "p");
  CHECK_EQUAL(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN,
              GetFileAttributesW(dir.Win(L".profile").c_str()));

  WIN32_FILE_ATTRIBUTE_DATA data;
  CHECK(GetFileAttributesExW(dir.Win(L"b.txt").c_str(), GetFileExInfoStandard, &data));
  CHECK_EQUAL(1u, data.nFileSizeLow);
  CHECK(data.ftLastWriteTime.dwHighDateTime > 0x01D00000u);  // after 2014
}
#endif

TEST(DeleteMoveCopy) {
  ScratchDir dir("FsDeleteMoveCopy");
  dir.Put("a.txt", "alpha");
  dir.Put("b.txt", "beta");
  CHECK(!DeleteFileW(dir.Win(L"none.txt").c_str()));
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK(!DeleteFileW(dir.Win(L"nodir\\none.txt").c_str()));
  CHECK_EQUAL(ERROR_PATH_NOT_FOUND, GetLastError());
  CHECK(!DeleteFileW(dir.Win().c_str()));
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());

  CHECK(!MoveFileExW(dir.Win(L"a.txt").c_str(), dir.Win(L"B.TXT").c_str(), 0));
  CHECK_EQUAL(ERROR_ALREADY_EXISTS, GetLastError());
  CHECK(MoveFileExW(dir.Win(L"a.txt").c_str(), dir.Win(L"B.TXT").c_str(), MOVEFILE_REPLACE_EXISTING));
  CHECK_EQUAL("alpha", dir.Get("b.txt"));
  CHECK(!dir.Exists("a.txt"));
  // A rename that changes only the case.
  CHECK(MoveFileW(dir.Win(L"b.txt").c_str(), dir.Win(L"B.txt").c_str()));
  CHECK(dir.Exists("B.txt"));
  CHECK(!dir.Exists("b.txt"));
  CHECK(!MoveFileW(dir.Win(L"B.txt").c_str(), dir.Win(L"nodir\\c.txt").c_str()));
  CHECK_EQUAL(ERROR_PATH_NOT_FOUND, GetLastError());

  CHECK(CopyFileW(dir.Win(L"B.txt").c_str(), dir.Win(L"copy.txt").c_str(), TRUE));
  CHECK_EQUAL("alpha", dir.Get("copy.txt"));
  CHECK(!CopyFileW(dir.Win(L"B.txt").c_str(), dir.Win(L"copy.txt").c_str(), TRUE));
  CHECK_EQUAL(ERROR_FILE_EXISTS, GetLastError());
  dir.Put("B.txt", "longer text");
  CHECK(CopyFileW(dir.Win(L"B.txt").c_str(), dir.Win(L"COPY.TXT").c_str(), FALSE));
  CHECK_EQUAL("longer text", dir.Get("copy.txt"));
  CHECK(SetFileAttributesW(dir.Win(L"copy.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  CHECK(!CopyFileW(dir.Win(L"B.txt").c_str(), dir.Win(L"copy.txt").c_str(), FALSE));
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
  CHECK(!CopyFileW(dir.Win(L"none").c_str(), dir.Win(L"x").c_str(), FALSE));
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  // Copying a file onto itself is a sharing violation, as on Windows.
  CHECK(!CopyFileW(dir.Win(L"B.txt").c_str(), dir.Win(L"b.TXT").c_str(), FALSE));
  CHECK_EQUAL(ERROR_SHARING_VIOLATION, GetLastError());
  CHECK_EQUAL("longer text", dir.Get("B.txt"));
}

TEST(Directories) {
  ScratchDir dir("FsDirectories");
  CHECK(CreateDirectoryW(dir.Win(L"sub").c_str(), nullptr));
  CHECK(!CreateDirectoryW(dir.Win(L"SUB").c_str(), nullptr));
  CHECK_EQUAL(ERROR_ALREADY_EXISTS, GetLastError());
  CHECK(!CreateDirectoryW(dir.Win(L"x\\y").c_str(), nullptr));
  CHECK_EQUAL(ERROR_PATH_NOT_FOUND, GetLastError());
  CHECK(!CreateDirectoryW(dir.Win(L"bad:name").c_str(), nullptr));
  CHECK_EQUAL(ERROR_INVALID_NAME, GetLastError());
  dir.Put("sub/f", "x");
  CHECK(!RemoveDirectoryW(dir.Win(L"sub").c_str()));
  CHECK_EQUAL(ERROR_DIR_NOT_EMPTY, GetLastError());
  CHECK(!RemoveDirectoryW(dir.Win(L"sub\\f").c_str()));
  CHECK_EQUAL(ERROR_DIRECTORY, GetLastError());
  CHECK(DeleteFileW(dir.Win(L"Sub\\F").c_str()));
  CHECK(RemoveDirectoryW(dir.Win(L"Sub\\").c_str()));
  CHECK(!RemoveDirectoryW(dir.Win(L"sub").c_str()));
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK(PathFileExistsW(dir.Win().c_str()));
  CHECK(!PathFileExistsW(dir.Win(L"sub").c_str()));
}

TEST(FindMatchesWildcardsAsWindows) {
  ScratchDir dir("FsFind");
  for (const char* name : {"a.txt", "b.TXT", "ab", "abc.tx", "x.y.txt", "noext", "a.txt.bak"}) {
    dir.Put(name, "");
  }
  CHECK(CreateDirectoryW(dir.Win(L"Sub").c_str(), nullptr));
  struct Case {
    const wchar_t* pattern;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"*", L".,..,a.txt,a.txt.bak,ab,abc.tx,b.TXT,noext,Sub,x.y.txt"},
      {L"*.*", L".,..,a.txt,a.txt.bak,ab,abc.tx,b.TXT,noext,Sub,x.y.txt"},
      {L"*.txt", L"a.txt,b.TXT,x.y.txt"},
      {L"*.", L".,..,ab,noext,Sub"},
      {L"?.txt", L"a.txt,b.TXT"},
      {L"a?", L"ab"},
      {L"a??", L"ab"},
      {L"A*", L"a.txt,a.txt.bak,ab,abc.tx"},
      {L"*.t?", L"abc.tx"},
      {L"a.*", L"a.txt,a.txt.bak"},
      {L"NOEXT", L"noext"},
      {L"sub", L"Sub"},
      {L"*b*", L"a.txt.bak,ab,abc.tx,b.TXT,Sub"},
  };
  for (const Case& c : cases) {
    const std::wstring got = Join(List(dir.Win(c.pattern)));
    CHECK(got == c.expected);
    if (got != c.expected) {
      std::printf("pattern %ls: got %ls, expected %ls\n", c.pattern, got.c_str(), c.expected);
    }
  }
  WIN32_FIND_DATAW data;
  CHECK(FindFirstFileW(dir.Win(L"*.none").c_str(), &data) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK(FindFirstFileW(dir.Win(L"nodir\\*").c_str(), &data) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(ERROR_PATH_NOT_FOUND, GetLastError());
  HANDLE search = FindFirstFileW(dir.Win(L"Sub").c_str(), &data);
  CHECK(search != INVALID_HANDLE_VALUE);
  CHECK_EQUAL(FILE_ATTRIBUTE_DIRECTORY, data.dwFileAttributes);
  CHECK(!CloseHandle(search));  // a find handle closes with FindClose only
  CHECK(FindClose(search));
}

#ifndef _WIN32  // Linux processes, links or permissions
TEST(SystemPaths) {
  ScratchDir dir("FsSystemPaths");
  const char* saved_tmp = std::getenv("TMP");
  std::string saved = saved_tmp ? saved_tmp : "";
  setenv("TMP", "/var/tmp", 1);
  wchar_t buffer[MAX_PATH];
  CHECK_EQUAL(11u, GetTempPathW(MAX_PATH, buffer));
  CHECK(std::wstring(buffer) == L"Z:\\var\\tmp\\");
  CHECK_EQUAL(12u, GetTempPathW(5, buffer));
  setenv("TMP", "C:\\Temp", 1);
  GetTempPathW(MAX_PATH, buffer);
  CHECK(std::wstring(buffer) == L"C:\\Temp\\");
  if (saved_tmp) setenv("TMP", saved.c_str(), 1); else unsetenv("TMP");

  wchar_t name[MAX_PATH];
  CHECK_EQUAL(0x1234u, GetTempFileNameW(dir.Win().c_str(), L"PREFIX", 0x1234, name));
  CHECK(std::wstring(name) == dir.Win(L"PRE1234.TMP"));
  CHECK(!dir.Exists("PRE1234.TMP"));
  const UINT chosen = GetTempFileNameW(dir.Win().c_str(), L"zb", 0, name);
  CHECK(chosen != 0);
  CHECK_EQUAL(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesW(name));
  CHECK_EQUAL(0u, GetTempFileNameW(dir.Win(L"none").c_str(), L"zb", 0, name));
  CHECK_EQUAL(ERROR_DIRECTORY, GetLastError());

  const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  CHECK(length > 3);
  const std::wstring module(buffer);
  CHECK(module.size() > 14 && module.compare(module.size() - 14, 14, L"\\zorbase_tests") == 0);
  CHECK_EQUAL(1, buffer[1] == L':' ? 1 : 0);
  CHECK_EQUAL(4u, GetModuleFileNameW(nullptr, buffer, 4));
  CHECK_EQUAL(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  CHECK_EQUAL(3u, std::wcslen(buffer));
  // A module handle is an address inside the module.
  CHECK(GetModuleFileNameW(reinterpret_cast<HMODULE>(&GetModuleFileNameW), buffer, MAX_PATH) > 0);

  wchar_t saved_cwd[MAX_PATH];
  CHECK(GetCurrentDirectoryW(MAX_PATH, saved_cwd) > 0);
  CHECK(SetCurrentDirectoryW(dir.Win().c_str()));
  CHECK_EQUAL(dir.Win().size(), GetCurrentDirectoryW(MAX_PATH, buffer));
  CHECK(std::wstring(buffer) == dir.Win());
  CHECK_EQUAL(dir.Win().size() + 1, GetCurrentDirectoryW(3, buffer));
  // The current directory cannot be removed while it is current.
  CHECK(!RemoveDirectoryW(dir.Win().c_str()));
  CHECK_EQUAL(ERROR_SHARING_VIOLATION, GetLastError());
  wchar_t* file_part = nullptr;
  CHECK(GetFullPathNameW(L"x\\..\\name.txt", MAX_PATH, buffer, &file_part) > 0);
  CHECK(std::wstring(buffer) == dir.Win(L"name.txt"));
  CHECK(file_part != nullptr && std::wstring(file_part) == L"name.txt");
  CHECK(SetCurrentDirectoryW(saved_cwd));
  CHECK(!SetCurrentDirectoryW(dir.Win(L"none").c_str()));
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
}
#endif

TEST(InjectedFaults) {
  ScratchDir dir("FsFaults");
  HANDLE h = Open(dir.Win(L"f.bin"), GENERIC_WRITE, 0, CREATE_ALWAYS);
  {
    zb::platform::ScopedFault full(zb::platform::FaultPoint::kWrite, 2, ENOSPC,
                                   zb::platform::kFaultForever);
    CHECK(WriteText(h, "first"));
    DWORD written = 99;
    CHECK(!WriteFile(h, "second", 6, &written, nullptr));
    CHECK_EQUAL(ERROR_HANDLE_DISK_FULL, GetLastError());
    CHECK_EQUAL(0u, written);
    CHECK(!WriteText(h, "third"));
    CHECK_EQUAL(3u, zb::platform::FaultCallCount(zb::platform::FaultPoint::kWrite));
  }
  CHECK(WriteText(h, "!"));
  {
    zb::platform::ScopedFault io(zb::platform::FaultPoint::kFlush, 1, EIO);
    CHECK(!FlushFileBuffers(h));
    CHECK_EQUAL(ERROR_IO_DEVICE, GetLastError());
    CHECK(FlushFileBuffers(h));
  }
  CloseHandle(h);
  CHECK_EQUAL("first!", dir.Get("f.bin"));
  {
    zb::platform::ScopedFault refused(zb::platform::FaultPoint::kOpen, 1, EACCES);
    CHECK(Open(dir.Win(L"f.bin"), GENERIC_READ, 0, OPEN_EXISTING) == INVALID_HANDLE_VALUE);
    CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
  }
  {
    zb::platform::ScopedFault rename(zb::platform::FaultPoint::kRename, 1, EIO);
    CHECK(!MoveFileW(dir.Win(L"f.bin").c_str(), dir.Win(L"g.bin").c_str()));
    CHECK(dir.Exists("f.bin"));
    CHECK(MoveFileW(dir.Win(L"f.bin").c_str(), dir.Win(L"g.bin").c_str()));
  }
  {
    zb::platform::ScopedFault full(zb::platform::FaultPoint::kWrite, 1, ENOSPC);
    CHECK(!CopyFileW(dir.Win(L"g.bin").c_str(), dir.Win(L"h.bin").c_str(), FALSE));
    CHECK_EQUAL(ERROR_DISK_FULL, GetLastError());
    CHECK(!dir.Exists("h.bin"));  // no partial copy is left behind
  }
}

}
