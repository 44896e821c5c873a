#include <zorbase/platform/crt_file.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/file_stream.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>

using zb::test::ScratchDir;

namespace {

std::string ReadStream(FILE* f) {
  std::string out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) out.append(buffer, n);
  return out;
}

std::string ReadWith(const std::wstring& name, const wchar_t* mode) {
  FILE* f = _wfopen(name.c_str(), mode);
  if (f == nullptr) return "<null>";
  std::string out = ReadStream(f);
  std::fclose(f);
  return out;
}

bool WriteWith(const std::wstring& name, const wchar_t* mode, const std::string& text) {
  FILE* f = _wfopen(name.c_str(), mode);
  if (f == nullptr) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

SUITE(CrtFile) {

TEST(ModeStrings) {
  ScratchDir dir("CrtModes");
  const std::wstring f = dir.Win(L"f.txt");
  CHECK(WriteWith(f, L"wb", "a\nb\n"));
  CHECK_EQUAL("a\nb\n", dir.Get("f.txt"));
  CHECK(WriteWith(f, L"wt", "a\nb\n"));
  CHECK_EQUAL("a\r\nb\r\n", dir.Get("f.txt"));
  CHECK(WriteWith(f, L"w", "x\n"));
  CHECK_EQUAL("x\r\n", dir.Get("f.txt"));
  CHECK(WriteWith(f, L"a", "y\n"));
  CHECK_EQUAL("x\r\ny\r\n", dir.Get("f.txt"));
  CHECK(WriteWith(f, L"ab", "z\n"));
  CHECK_EQUAL("x\r\ny\r\nz\n", dir.Get("f.txt"));
  CHECK_EQUAL("x\r\ny\r\nz\n", ReadWith(f, L"rb"));
  CHECK_EQUAL("x\ny\nz\n", ReadWith(f, L"r"));
  CHECK_EQUAL("x\ny\nz\n", ReadWith(f, L"rt"));

  // "a+" reads anywhere and always writes at the end.
  FILE* s = _wfopen(f.c_str(), L"a+b");
  CHECK(s != nullptr);
  CHECK_EQUAL(0, _fseeki64(s, 0, SEEK_SET));
  char c = 0;
  CHECK_EQUAL(1u, std::fread(&c, 1, 1, s));
  CHECK_EQUAL('x', c);
  CHECK_EQUAL(0, _fseeki64(s, 0, SEEK_SET));
  CHECK_EQUAL(1u, std::fwrite("!", 1, 1, s));
  std::fclose(s);
  CHECK_EQUAL("x\r\ny\r\nz\n!", dir.Get("f.txt"));

  // "rb+" updates in place and needs the file; "wb+" creates it.
  s = _wfopen(f.c_str(), L"rb+");
  CHECK_EQUAL(0, _fseeki64(s, 1, SEEK_SET));
  std::fwrite("-", 1, 1, s);
  std::fclose(s);
  CHECK_EQUAL("x-\ny\r\nz\n!", dir.Get("f.txt"));
  errno = 0;
  CHECK(_wfopen(dir.Win(L"none").c_str(), L"rb+") == nullptr);
  CHECK_EQUAL(ENOENT, errno);
  s = _wfopen(dir.Win(L"new.bin").c_str(), L"wb+");
  CHECK(s != nullptr);
  std::fwrite("abc", 1, 3, s);
  CHECK_EQUAL(0, _fseeki64(s, 0, SEEK_SET));
  CHECK_EQUAL("abc", ReadStream(s));
  std::fclose(s);
  // "wx" refuses an existing file.
  errno = 0;
  CHECK(_wfopen(f.c_str(), L"wx") == nullptr);
  CHECK_EQUAL(EEXIST, errno);

  for (const wchar_t* bad : {L"", L"q", L"rbt", L"r++", L"rw", L"r,ccs=UTF-8", L"rx"}) {
    errno = 0;
    CHECK(_wfopen(f.c_str(), bad) == nullptr);
    CHECK_EQUAL(EINVAL, errno);
  }
}

TEST(TextModeLineEnds) {
  ScratchDir dir("CrtText");
  // A lone CR stays; CR LF becomes LF, also across the stream's buffer boundary; Ctrl-Z ends.
  std::string raw(8191, 'a');
  raw += "\r\nlone\rcr\r\r\nend\x1A" "after";
  dir.Put("t.txt", raw);
  std::string expected(8191, 'a');
  expected += "\nlone\rcr\r\nend";
  CHECK(ReadWith(dir.Win(L"t.txt"), L"r") == expected);
  CHECK(ReadWith(dir.Win(L"t.txt"), L"rb") == raw);
  dir.Put("cr.txt", "x\r");
  CHECK_EQUAL("x\r", ReadWith(dir.Win(L"cr.txt"), L"rt"));
  FILE* s = _wfopen(dir.Win(L"lines.txt").c_str(), L"w");
  std::fprintf(s, "%s\n%d\n", "one", 2);
  std::fclose(s);
  CHECK_EQUAL("one\r\n2\r\n", dir.Get("lines.txt"));
  s = _wfopen(dir.Win(L"lines.txt").c_str(), L"r");
  char line[32];
  CHECK(std::fgets(line, sizeof(line), s) != nullptr);
  CHECK_EQUAL(std::string("one\n"), std::string(line));
  std::fclose(s);
}

TEST(ErrnoAsTheWindowsRuntime) {
  ScratchDir dir("CrtErrno");
  dir.Put("ro.txt", "r");
  CHECK(SetFileAttributesW(dir.Win(L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  struct Case {
    std::wstring name;
    const wchar_t* mode;
    int error;
  };
  const Case cases[] = {
      {dir.Win(L"none.txt"), L"rb", ENOENT},
      {dir.Win(L"nodir\\x.txt"), L"wb", ENOENT},
      {dir.Win(), L"rb", EACCES},
      {dir.Win(L"ro.txt"), L"wb", EACCES},
      {dir.Win(L"ro.txt"), L"rb+", EACCES},
      {dir.Win(L"bad|name"), L"wb", EINVAL},
      {L"Q:\\x", L"rb", ENOENT},
  };
  unsetenv("ZORBASE_DRIVE_Q");
  for (const Case& c : cases) {
    errno = 0;
    CHECK(_wfopen(c.name.c_str(), c.mode) == nullptr);
    CHECK_EQUAL(c.error, errno);
  }
  CHECK_EQUAL("r", ReadWith(dir.Win(L"ro.txt"), L"rb"));
  // A sharing violation is EACCES.
  HANDLE h = CreateFileW(dir.Win(L"ro.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  errno = 0;
  CHECK(_wfopen(dir.Win(L"ro.txt").c_str(), L"rb") == nullptr);
  CHECK_EQUAL(EACCES, errno);
  CloseHandle(h);
  // _wfsopen with deny-write keeps writers out.
  dir.Put("w.txt", "w");
  FILE* reader = _wfsopen(dir.Win(L"w.txt").c_str(), L"rb", _SH_DENYWR);
  CHECK(reader != nullptr);
  FILE* other_reader = _wfopen(dir.Win(L"w.txt").c_str(), L"rb");
  CHECK(other_reader != nullptr);
  std::fclose(other_reader);
  errno = 0;
  CHECK(_wfopen(dir.Win(L"w.txt").c_str(), L"ab") == nullptr);
  CHECK_EQUAL(EACCES, errno);
  std::fclose(reader);
  CHECK_EQUAL("w", dir.Get("w.txt"));
}

TEST(SeekAndTellBeyondFourGigabytes) {
  ScratchDir dir("CrtSeek");
  FILE* s = _wfopen(dir.Win(L"big.bin").c_str(), L"wb+");
  const __int64 far = 5LL << 30;
  CHECK_EQUAL(0, _fseeki64(s, far, SEEK_SET));
  CHECK_EQUAL(1u, std::fwrite("x", 1, 1, s));
  CHECK_EQUAL(far + 1, _ftelli64(s));
  CHECK_EQUAL(0, _fseeki64(s, -1, SEEK_END));
  CHECK_EQUAL(far, _ftelli64(s));
  CHECK_EQUAL(-1, _fseeki64(s, 0, 7));
  CHECK_EQUAL(EINVAL, errno);
  CHECK_EQUAL(-1, _fseeki64(s, -far * 2, SEEK_CUR));
  std::fclose(s);
}

TEST(NameLevelCalls) {
  ScratchDir dir("CrtNames");
  dir.Put("f.txt", "f");
  dir.Put("ro.txt", "r");
  CHECK(SetFileAttributesW(dir.Win(L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  struct AccessCase {
    std::wstring name;
    int mode;
    int result;
    int error;
  };
  const AccessCase access_cases[] = {
      {dir.Win(L"f.txt"), 0, 0, 0},        {dir.Win(L"f.txt"), 2, 0, 0},
      {dir.Win(L"f.txt"), 4, 0, 0},        {dir.Win(L"f.txt"), 6, 0, 0},
      {dir.Win(L"ro.txt"), 4, 0, 0},       {dir.Win(L"ro.txt"), 2, -1, EACCES},
      {dir.Win(L"ro.txt"), 6, -1, EACCES}, {dir.Win(L"none"), 0, -1, ENOENT},
      {dir.Win(), 2, 0, 0},                {dir.Win(L"f.txt"), 1, -1, EINVAL},
  };
  for (const AccessCase& c : access_cases) {
    errno = 0;
    CHECK_EQUAL(c.result, _waccess(c.name.c_str(), c.mode));
    if (c.result != 0) CHECK_EQUAL(c.error, errno);
  }
  CHECK_EQUAL(0, _wmkdir(dir.Win(L"d").c_str()));
  CHECK_EQUAL(-1, _wmkdir(dir.Win(L"d").c_str()));
  CHECK_EQUAL(EEXIST, errno);
  CHECK_EQUAL(-1, _wmkdir(dir.Win(L"x\\y").c_str()));
  CHECK_EQUAL(ENOENT, errno);
  CHECK_EQUAL(-1, _wremove(dir.Win(L"d").c_str()));
  CHECK_EQUAL(EACCES, errno);
  CHECK_EQUAL(-1, _wremove(dir.Win(L"ro.txt").c_str()));
  CHECK_EQUAL(EACCES, errno);
  CHECK_EQUAL(-1, _wremove(dir.Win(L"none").c_str()));
  CHECK_EQUAL(ENOENT, errno);
  dir.Put("d/inner", "i");
  CHECK_EQUAL(-1, _wrmdir(dir.Win(L"d").c_str()));
  CHECK_EQUAL(ENOTEMPTY, errno);
  CHECK_EQUAL(-1, _wrmdir(dir.Win(L"f.txt").c_str()));
  CHECK_EQUAL(ENOTEMPTY, errno);
  CHECK_EQUAL(-1, _wrename(dir.Win(L"f.txt").c_str(), dir.Win(L"RO.TXT").c_str()));
  CHECK_EQUAL(EACCES, errno);
  CHECK_EQUAL(0, _wrename(dir.Win(L"f.txt").c_str(), dir.Win(L"g.txt").c_str()));
  CHECK_EQUAL(0, _wremove(dir.Win(L"D\\INNER").c_str()));
  CHECK_EQUAL(0, _wrmdir(dir.Win(L"d").c_str()));

  wchar_t saved[MAX_PATH];
  CHECK(_wgetcwd(saved, MAX_PATH) != nullptr);
  CHECK_EQUAL(0, _wchdir(dir.Win().c_str()));
  wchar_t* cwd = _wgetcwd(nullptr, 0);
  CHECK(cwd != nullptr && std::wstring(cwd) == dir.Win());
  std::free(cwd);
  wchar_t small[4];
  errno = 0;
  CHECK(_wgetcwd(small, 4) == nullptr);
  CHECK_EQUAL(ERANGE, errno);
  CHECK_EQUAL(0, _wchdir(saved));

  _wfinddata64i32_t data;
  std::intptr_t search = _wfindfirst64i32(dir.Win(L"*.txt").c_str(), &data);
  CHECK(search != -1);
  CHECK(std::wstring(data.name) == L"g.txt");
  CHECK_EQUAL(_A_ARCH, data.attrib);
  CHECK_EQUAL(1u, data.size);
  CHECK_EQUAL(0, _wfindnext64i32(search, &data));
  CHECK(std::wstring(data.name) == L"ro.txt");
  CHECK_EQUAL(_A_RDONLY, data.attrib);  // setting read-only alone cleared archive
  CHECK_EQUAL(-1, _wfindnext64i32(search, &data));
  CHECK_EQUAL(ENOENT, errno);
  CHECK_EQUAL(0, _findclose(search));
  CHECK_EQUAL(-1, _wfindfirst64i32(dir.Win(L"*.none").c_str(), &data));
  CHECK_EQUAL(ENOENT, errno);
}

TEST(StreamWritesHonourTheWriteFault) {
  ScratchDir dir("CrtFault");
  FILE* s = _wfopen(dir.Win(L"f.bin").c_str(), L"wb");
  zb::platform::ScopedFault full(zb::platform::FaultPoint::kWrite, 2, ENOSPC,
                                 zb::platform::kFaultForever);
  CHECK_EQUAL(3u, std::fwrite("abc", 1, 3, s));
  CHECK_EQUAL(0, std::fflush(s));
  CHECK_EQUAL(3u, std::fwrite("def", 1, 3, s));  // buffered by stdio
  errno = 0;
  CHECK_EQUAL(EOF, std::fflush(s));
  CHECK_EQUAL(ENOSPC, errno);
  CHECK(std::ferror(s) != 0);
  std::fclose(s);
  CHECK_EQUAL("abc", dir.Get("f.bin"));
}

TEST(FileStreamCountsExactly) {
  ScratchDir dir("CrtFileStream");
  auto stream = zb::platform::FileStream::Open(dir.Win(L"f.txt").c_str(), L"wt");
  CHECK(stream != nullptr);
  CHECK(stream->IsText());
  CHECK_EQUAL(4u, stream->Write("a\nb\n", 4));
  CHECK_EQUAL(6, stream->Tell());
  {
    zb::platform::ScopedFault full(zb::platform::FaultPoint::kWrite, 1, ENOSPC);
    CHECK_EQUAL(0u, stream->Write("lost", 4));
    // The stream reports its error itself, as a Windows code.
    CHECK_EQUAL(ERROR_DISK_FULL, stream->Error());
    CHECK(stream->Failed());
  }
  {
    zb::platform::ScopedFault io(zb::platform::FaultPoint::kFlush, 1, EIO);
    CHECK(!stream->Flush());
    CHECK_EQUAL(ERROR_IO_DEVICE, stream->Error());
  }
  CHECK(stream->Flush());
  CHECK_EQUAL(0u, stream->Error());
  CHECK(stream->Commit());
  CHECK_EQUAL(0u, stream->Read(nullptr, 0));
  char c;
  CHECK_EQUAL(0u, stream->Read(&c, 1));  // opened for writing only
  CHECK_EQUAL(ERROR_INVALID_HANDLE, stream->Error());
  stream.reset();
  CHECK_EQUAL("a\r\nb\r\n", dir.Get("f.txt"));

  stream = zb::platform::FileStream::Open(dir.Win(L"f.txt").c_str(), L"r");
  char buffer[16] = {};
  CHECK_EQUAL(4u, stream->Read(buffer, sizeof(buffer)));
  CHECK_EQUAL(std::string("a\nb\n"), std::string(buffer, 4));
  CHECK_EQUAL(6, stream->Size());
  CHECK(!stream->Seek(-1, SEEK_SET));
  CHECK_EQUAL(ERROR_NEGATIVE_SEEK, stream->Error());
  DWORD error = 0;
  CHECK(zb::platform::FileStream::Open(dir.Win(L"none").c_str(), L"rb", 3, &error) == nullptr);
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, error);
}

}
