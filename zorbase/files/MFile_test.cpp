#include <zorbase/files/MFile.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <zorbase/files/MFileName.h>
#include <zorbase/files/internal/byte_order_table.h>
#include <zorbase/files/internal/file_access_testing.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>

using zb::test::ScratchDir;

namespace {

// Exposes the protected result helpers.
class ProbeFile : public MFile {
 public:
  using MFile::MFile;
  void SetFromErrno(int e) { _SET_RESULT_FROM_ERRNO(e); }
};

using Reporter = zb::test::RecordingFileAccess;
using ScopedReporter = zb::test::ScopedFileAccess<MFile>;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

MFileName Name(const ScratchDir& dir, const wchar_t* file) {
  return MFileName(dir.Win(file).c_str());
}

}  // namespace

SUITE(MFile) {

TEST(ByteLayoutsForEveryWidthAndOrderCode) {
  ScratchDir dir("MFileLayouts");
  const MFileName name = Name(dir, L"layout.bin");
  for (int machine = 0; machine < 8; ++machine) {
    for (int code = 0; code < 8; ++code) {
      const unsigned d = static_cast<unsigned>(machine ^ code);
      MFile file;
      file.SET_MACHINESWAP(static_cast<unsigned char>(machine));
      file.SET_FILESWAP(static_cast<unsigned char>(code));
      CHECK(file.OPEN_WRITE(name));
      // Every value is (a part of) 0x1122334455667788, so its bytes are a row of the fixed table.
      short s = 0x7788;
      unsigned short us = 0x7788;
      int i = 0x55667788;
      unsigned long ul = 0x55667788u;  // 8 bytes here, 4 in the file
      float f;
      std::uint32_t f_bits = 0x55667788u;
      std::memcpy(&f, &f_bits, 4);
      double dbl;
      unsigned long long dbl_bits = 0x1122334455667788ULL;
      std::memcpy(&dbl, &dbl_bits, 8);
      unsigned long long u64 = 0x1122334455667788ULL;
      unsigned char b = 0xAB;
      CHECK_EQUAL(1u, file.WRITE(&s, 1));
      CHECK_EQUAL(1u, file.WRITE(&us, 1));
      CHECK_EQUAL(1u, file.WRITE(&i, 1));
      CHECK_EQUAL(1u, file.WRITE(&ul, 1));
      CHECK_EQUAL(1u, file.WRITE(&f, 1));
      CHECK_EQUAL(1u, file.WRITE(&dbl, 1));
      CHECK_EQUAL(1u, file.WRITE(&u64, 1));
      CHECK_EQUAL(1u, file.WRITE(&b, 1));
      // The caller's values are unchanged.
      CHECK_EQUAL(0x7788, s);
      CHECK_EQUAL(0x55667788, i);
      CHECK(u64 == 0x1122334455667788ULL);
      CHECK(file.CLOSE());
      const auto row = [](unsigned mask, int width) {
        return std::string(reinterpret_cast<const char*>(zb::test::kSwappedBytes[mask]), width);
      };
      const std::string expected = row(d & 1, 2) + row(d & 1, 2) + row(d & 3, 4) + row(d & 3, 4) +
                                   row(d & 3, 4) + row(d, 8) + row(d, 8) + "\xAB";
      CHECK(dir.Get("layout.bin") == expected);
      // Reading converts back.
      CHECK(file.OPEN_READ(name));
      short s2 = 0;
      unsigned short us2 = 0;
      int i2 = 0;
      unsigned long ul2 = 0;
      float f2 = 0;
      double d2 = 0;
      unsigned long long u642 = 0;
      unsigned char b2 = 0;
      CHECK_EQUAL(1u, file.READ(&s2, 1));
      CHECK_EQUAL(1u, file.READ(&us2, 1));
      CHECK_EQUAL(1u, file.READ(&i2, 1));
      CHECK_EQUAL(1u, file.READ(&ul2, 1));
      CHECK_EQUAL(1u, file.READ(&f2, 1));
      CHECK_EQUAL(1u, file.READ(&d2, 1));
      CHECK_EQUAL(1u, file.READ(&u642, 1));
      CHECK_EQUAL(1u, file.READ(&b2, 1));
      CHECK(s2 == s && us2 == us && i2 == i && ul2 == ul && u642 == u64 && b2 == b);
      CHECK(std::memcmp(&f2, &f, 4) == 0 && std::memcmp(&d2, &dbl, 8) == 0);
    }
  }
}

TEST(ShortAndLongLayoutsOfTheEdgeCases) {
  ScratchDir dir("MFileEdgeLayouts");
  const MFileName name = Name(dir, L"e.bin");
  MFile file;
  CHECK_EQUAL(7, file.GET_MACHINESWAP());
  CHECK_EQUAL(7, file.GET_FILESWAP());
  short value = 0x1234;
  CHECK(file.OPEN_WRITE(name));
  file.WRITE(&value, 1);
  file.SET_FILESWAP(6);
  file.WRITE(&value, 1);
  CHECK_EQUAL(0x1234, value);
  file.SET_FILESWAP(0);
  std::int32_t v32 = 0x11223344;
  file.WRITE(&v32, 1);
  const std::int32_t constant = 0x11223344;
  file.WRITE(&constant, 1);  // a const array is converted through a copy
  file.CLOSE();
  CHECK(dir.Get("e.bin") == Bytes({0x34, 0x12, 0x12, 0x34, 0x11, 0x22, 0x33, 0x44, 0x11, 0x22,
                                   0x33, 0x44}));
}

TEST(ByteArrays) {
  ScratchDir dir("MFileByteArrays");
  const MFileName name = Name(dir, L"b.bin");
  MFile file;
  CHECK(file.OPEN_WRITE(name));
  std::uint32_t value = 0x11223344;
  CHECK_EQUAL(3u, file.WRITE_AS_BYTE_ARRAY(&value, 3));
  file.SET_FILESWAP(0);
  CHECK_EQUAL(3u, file.WRITE_AS_BYTE_ARRAY(&value, 3));
  CHECK_EQUAL(4u, file.WRITE_AS_BYTE_ARRAY(&value, 9));  // at most 4
  CHECK_EQUAL(0x11223344u, value);
  file.CLOSE();
  CHECK(dir.Get("b.bin") == Bytes({0x44, 0x33, 0x22, 0x11, 0x22, 0x33, 0x11, 0x22, 0x33, 0x44}));
  CHECK(file.OPEN_READ(name));
  file.SET_FILESWAP(7);
  value = 0xFFFFFFFF;
  CHECK_EQUAL(3u, file.READ_AS_BYTE_ARRAY(&value, 3));
  CHECK_EQUAL(0x00223344u, value);
  bool flags[2];
  CHECK_EQUAL(2u, file.READ(flags, 2));  // bytes 0x11, 0x22 are true
  CHECK(flags[0] && flags[1]);
}

// Byte runs of every short length (moved inline) and a few longer ones land exactly, one after
// the other.
TEST(ShortByteRunsOfEveryLength) {
  ScratchDir dir("MFileShortRuns");
  std::string expected;
  MFile file;
  CHECK(file.OPEN_WRITE(Name(dir, L"runs.bin")));
  for (size_t n = 0; n <= 40; ++n) {
    std::string run;
    for (size_t i = 0; i < n; ++i) run += static_cast<char>('a' + (n * 7 + i) % 26);
    CHECK_EQUAL(n, static_cast<size_t>(file.WRITE(run.data(), n)));
    expected += run;
  }
  CHECK(file.CLOSE());
  CHECK(dir.Get("runs.bin") == expected);
}

TEST(SeekTellSizeAndFeof) {
  ScratchDir dir("MFileSeek");
  const MFileName name = Name(dir, L"s.bin");
  MFile file;
  CHECK(!file.SEEK(0, 0));
  CHECK(file.FEOF());
  CHECK_EQUAL(-1, file.SIZE());
  CHECK(file.OPEN_WRITE(name));
  CHECK(!file.FEOF());
  file.WRITE_STRING("0123456789");
  CHECK_EQUAL(0, file.SIZE());  // still in the buffer
  CHECK(!file.SEEK(11, 0));
  CHECK_EQUAL(10, file.TELL());
  CHECK(file.SEEK(0, 2));
  CHECK_EQUAL(10, file.TELL());
  CHECK(!file.SEEK(1, 2));
  CHECK(file.SEEK(-10, 2));
  CHECK_EQUAL(0, file.TELL());
  CHECK_EQUAL(10, file.SIZE());  // the seek wrote the buffer out
  CHECK(file.FLUSH());
  file.WRITE_STRING("ab");
  CHECK(file.CLOSE());
  CHECK_EQUAL("ab23456789", dir.Get("s.bin"));

  CHECK(file.OPEN_READ(name));
  CHECK(!file.FEOF());
  CHECK(file.SEEK(4, 0));
  char c;
  file.READ(&c, 1);
  CHECK_EQUAL('4', c);
  CHECK(file.SEEK(-2, 1));
  file.READ(&c, 1);
  CHECK_EQUAL('3', c);
  CHECK(!file.SEEK(-5, 1));
  CHECK_EQUAL(4, file.TELL());
  CHECK(!file.SEEK(0, 3));
  CHECK(file.SEEK(0, 2));
  CHECK(file.FEOF());
  CHECK(file.REWIND());
  CHECK(!file.FEOF());
  CHECK_EQUAL(0u, file.GET_RESULT());
}

TEST(EmptyTransfersAndClosedFiles) {
  MFile closed;
  char c = 0;
  std::int32_t v = 0;
  CHECK_EQUAL(0u, closed.READ(&c, 0));
  CHECK_EQUAL(0u, closed.READ(&v, 1));
  CHECK_EQUAL(0u, closed.WRITE(&v, 0));
  CHECK_EQUAL(0u, closed.WRITE(&v, 1));
  CHECK_EQUAL(0u, closed.WRITE_STRING(""));
  CHECK_EQUAL(0, closed.TELL());
  CHECK(!closed.FLUSH());
  CHECK(closed.CLOSE());
  ScratchDir dir("MFileEmpty");
  MFile file;
  CHECK(file.OPEN_WRITE(Name(dir, L"e.bin")));
  CHECK_EQUAL(0u, file.WRITE(&v, 0));
  CHECK_EQUAL(0u, file.READ(&v, 1));  // not open for reading
  CHECK(file.CLOSE());
  CHECK_EQUAL("", dir.Get("e.bin"));
}

TEST(NullElementArraysTransferNothing) {
  ScratchDir dir("MFileNull");
  MFile file;
  CHECK(file.OPEN_WRITE(Name(dir, L"n.bin")));
  CHECK_EQUAL(0u, file.WRITE(static_cast<const std::int32_t*>(nullptr), 1));
  CHECK_EQUAL(0u, file.WRITE(static_cast<std::int32_t*>(nullptr), 1));
  CHECK_EQUAL(0u, file.WRITE(static_cast<const char*>(nullptr), 2));
  const std::int32_t v = 9;
  CHECK_EQUAL(1u, file.WRITE(&v, 1));
  CHECK_EQUAL(4, file.TELL());
  CHECK(file.CHANGE_MODE(MFile::MODE_READ));
  CHECK_EQUAL(0u, file.READ(static_cast<std::int32_t*>(nullptr), 1));
  CHECK_EQUAL(0u, file.READ(static_cast<char*>(nullptr), 1));
  CHECK_EQUAL(0, file.TELL());
  CHECK(file.CLOSE());
  CHECK_EQUAL(std::string("\x09\0\0\0", 4), dir.Get("n.bin"));
}

TEST(ElementsAcrossBufferEndsAndOrderChanges) {
  // A 7-byte buffer: 4-byte elements straddle its end; the order code changes every 13 elements,
  // through the file and through an MFile& alike.
  ScratchDir dir("MFileStraddle");
  auto element = [](std::int32_t i) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(i) * 0x01020304u);
  };
  const MFileName name = Name(dir, L"s.bin");
  std::string expected;
  {
    MFile file(7);
    MFile& base = file;
    CHECK(file.OPEN_WRITE(name));
    for (std::int32_t i = 0; i < 200; ++i) {
      const unsigned char code = (i / 13) % 2 == 0 ? 7 : 0;
      if (i % 13 == 0) base.SET_FILESWAP(code);
      std::int32_t value = element(i);
      CHECK_EQUAL(1u, (i % 2 == 0 ? file : base).WRITE(&value, 1));
      CHECK_EQUAL(element(i), value);
      CHECK_EQUAL(4 * (i + 1), file.TELL());
      unsigned char bytes[4];
      std::memcpy(bytes, &value, 4);
      if (code == 0) std::swap(bytes[0], bytes[3]), std::swap(bytes[1], bytes[2]);
      expected.append(reinterpret_cast<char*>(bytes), 4);
    }
    CHECK(file.CLOSE());
  }
  CHECK(expected == dir.Get("s.bin"));
  MFile file(7);
  CHECK(file.OPEN_READ(name));
  for (int pass = 0; pass < 2; ++pass) {
    for (std::int32_t i = 0; i < 200; ++i) {
      if (i % 13 == 0) file.SET_FILESWAP((i / 13) % 2 == 0 ? 7 : 0);
      std::int32_t value = 0;
      CHECK_EQUAL(1u, file.READ(&value, 1));
      CHECK_EQUAL(element(i), value);
      CHECK_EQUAL(4 * (i + 1), file.TELL());
    }
    CHECK(file.FEOF());
    CHECK(file.SEEK(-800, 1));
  }
}

TEST(ReadingPastTheEndRecordsEndOfFile) {
  ScratchDir dir("MFileEof");
  dir.Put("x.bin", "abc");
  MFile file;
  CHECK(file.OPEN_READ(Name(dir, L"x.bin")));
  std::int32_t values[2] = {7, 7};
  CHECK_EQUAL(0u, file.READ(values, 2));  // 3 bytes: no whole element
  CHECK_EQUAL(ERROR_HANDLE_EOF, file.GET_RESULT());
  file.RESET_RESULT();
  CHECK_EQUAL(0u, file.GET_RESULT());
}

TEST(OpenResultsAndModes) {
  ScratchDir dir("MFileOpen");
  MFile file;
  CHECK(!file.OPEN_READ(MFileName()));
  CHECK_EQUAL(0u, file.GET_RESULT());
  CHECK(!file.OPEN_READ(Name(dir, L"missing.bin")));
  CHECK_EQUAL(2u, file.GET_RESULT());
  CHECK(!file.IS_OPEN());
  CHECK(file.GET_FILENAME() == nullptr);
  CHECK(!file.OPEN_READ(Name(dir, L"nodir\\missing.bin")));
  CHECK_EQUAL(2u, file.GET_RESULT());
  CHECK(!file.OPEN_READ(MFileName(dir.Win().c_str(), true)));  // a directory
  CHECK_EQUAL(5u, file.GET_RESULT());
  dir.Put("ro.bin", "r");
  CHECK(SetFileAttributesW(dir.Win(L"ro.bin").c_str(), FILE_ATTRIBUTE_READONLY));
  CHECK(!file.OPEN_WRITE(Name(dir, L"ro.bin")));
  CHECK_EQUAL(5u, file.GET_RESULT());
  CHECK(!file._OPEN(Name(dir, L"x.bin"), 7));
  CHECK_EQUAL(0xFFFFFFFFu, file.GET_RESULT());
  {
    zb::platform::ScopedFault many(zb::platform::FaultPoint::kOpen, 1, EMFILE);
    CHECK(!file.OPEN_WRITE(Name(dir, L"x.bin")));
    CHECK_EQUAL(4u, file.GET_RESULT());
  }
  // The rest of the table, through the recording helper.
  struct Case {
    int error;
    DWORD code;
  };
  const Case cases[] = {{ENOENT, 2},  {EBADF, 6},  {EACCES, 5},          {EEXIST, 31},
                        {EMFILE, 4},  {ENOSPC, 29}, {EIO, 0xFFFFFFFF}, {0, 0xFFFFFFFF}};
  for (const Case& c : cases) {
    ProbeFile probe;
    probe.SetFromErrno(c.error);
    CHECK_EQUAL(c.code, probe.GET_RESULT());
    probe.SetFromErrno(ENOENT);  // the first code stays
    CHECK_EQUAL(c.code, probe.GET_RESULT());
  }

  // Update creates a missing file; read and write flags per mode.
  const MFileName name = Name(dir, L"u.bin");
  CHECK(file.OPEN_UPDATE(name));
  CHECK(file.IS_OPEN_READ() && file.IS_OPEN_WRITE() && file.IS_OPEN_UPDATE());
  CHECK(file.GET_FILENAME() != nullptr && std::wstring(file.GET_FILENAME()) == dir.Win(L"u.bin"));
  CHECK(file.CHANGE_MODE(MFile::MODE_UPDATE));
  CHECK(file.CHANGE_MODE(MFile::MODE_READ));
  CHECK(file.IS_OPEN_READ() && !file.IS_OPEN_WRITE() && !file.IS_OPEN_UPDATE());
  CHECK(!file.FEOF() == false);
  file.CLOSE();
  CHECK(!file.CHANGE_MODE(MFile::MODE_WRITE));  // closed: no name to open

  file.TAKE_CONTROL();
  CHECK(file.IS_CONTROLLED());
  file.RELEASE_CONTROL();
  CHECK(!file.IS_CONTROLLED());
  CHECK(MFile::IsFolderSeparator('\\') && MFile::IsFolderSeparator('/'));
  CHECK(!MFile::IsFolderSeparator(':'));
}

TEST(OpensIgnoreCase) {
  ScratchDir dir("MFileCase");
  dir.Put("Data/Report.TXT", "report");
  MFile file;
  CHECK(file.OPEN_READ(Name(dir, L"DATA\\report.txt")));
  char text[8] = {};
  CHECK_EQUAL(6u, file.READ(text, 6));
  CHECK_EQUAL(std::string("report"), std::string(text));
  CHECK(file.OPEN_APPEND(Name(dir, L"data\\REPORT.txt")));
  file.WRITE_STRING("!");
  CHECK(file.CLOSE());
  CHECK_EQUAL("report!", dir.Get("Data/Report.TXT"));
  CHECK(!dir.Exists("Data/REPORT.txt"));
}

TEST(ReporterDecidesOpens) {
  ScratchDir dir("MFileReporter");
  dir.Put("r.bin", "r");
  Reporter reporter;
  ScopedReporter scoped(&reporter);
  MFile file;
  reporter.check_answer = 1;
  CHECK(!file.OPEN_READ(Name(dir, L"r.bin")));
  CHECK(!file.OPEN_WRITE(Name(dir, L"w.bin")));
  CHECK_EQUAL(0u, file.GET_RESULT());
  CHECK_EQUAL(2, reporter.checks);
  CHECK(!reporter.last_for_reading);
  CHECK(!dir.Exists("w.bin"));
  reporter.check_answer = 0;
  CHECK(file.OPEN_READ(Name(dir, L"r.bin")));
  CHECK(reporter.last_for_reading);
  reporter.uses_approval = true;
  reporter.approve_answer = false;
  CHECK(!file.OPEN_UPDATE(Name(dir, L"r.bin")));
  CHECK_EQUAL(1, reporter.approvals);
  reporter.approve_answer = true;
  CHECK(file.OPEN_UPDATE(Name(dir, L"r.bin")));
  CHECK(file.CLOSE());
  CHECK_EQUAL(0, reporter.failures);
}

TEST(FullDiskIsAWriteFaultThatCloseReports) {
  ScratchDir dir("MFileFullDisk");
  Reporter reporter;
  ScopedReporter scoped(&reporter);
  const MFileName name = Name(dir, L"full.bin");
  MFile file(16);
  CHECK(file.OPEN_WRITE(name));
  zb::platform::ScopedFault full(zb::platform::FaultPoint::kWrite, 2, ENOSPC,
                                 zb::platform::kFaultForever);
  CHECK_EQUAL(16u, file.WRITE_STRING(std::string(16, 'A')));  // fills the buffer: written (1)
  CHECK_EQUAL(8u, file.WRITE_STRING("BBBBBBBB"));  // buffered
  CHECK_EQUAL(0u, file.GET_RESULT());
  CHECK_EQUAL(8u, file.WRITE_STRING("CCCCCCCC"));  // fills the buffer; its write (2) fails
  CHECK_EQUAL(ERROR_WRITE_FAULT, file.GET_RESULT());
  CHECK_EQUAL(0u, file.WRITE_STRING("DDDD"));      // no room: nothing is taken
  CHECK(!file.FLUSH());
  CHECK_EQUAL(32, file.TELL());
  CHECK_EQUAL(0, reporter.failures);
  CHECK(!file.CLOSE());
  CHECK_EQUAL(1, reporter.failures);
  CHECK(reporter.failure_name == dir.Win(L"full.bin"));
  CHECK_EQUAL(0, reporter.failure_code);
  CHECK_EQUAL(ERROR_WRITE_FAULT, file.GET_RESULT());  // survives CLOSE
  CHECK_EQUAL(std::string(16, 'A'), dir.Get("full.bin"));

  // A transfer that bypasses the buffer reports only what reached the file.
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(0u, file.GET_RESULT());
  CHECK_EQUAL(0u, file.WRITE_STRING(std::string(64, 'E')));
  CHECK_EQUAL(ERROR_WRITE_FAULT, file.GET_RESULT());
  // Nothing is left in the buffer, but the bytes did not reach the file: FLUSH and CLOSE say so.
  CHECK(!file.FLUSH());
  CHECK(!file.CLOSE());
  CHECK_EQUAL(2, reporter.failures);
  CHECK_EQUAL("", dir.Get("full.bin"));
}

TEST(BytesKeptAfterAFailedWriteReachTheFileLater) {
  ScratchDir dir("MFileRetry");
  MFile file(4);
  CHECK(file.OPEN_WRITE(Name(dir, L"r.bin")));
  CHECK_EQUAL(2u, file.WRITE_STRING("ab"));
  {
    zb::platform::ScopedFault once(zb::platform::FaultPoint::kWrite, 1, ENOSPC);
    CHECK_EQUAL(2u, file.WRITE_STRING("cdef"));  // "cd" fill the buffer, its write fails: kept
    CHECK_EQUAL(29u, file.GET_RESULT());
  }
  CHECK_EQUAL(2u, file.WRITE_STRING("ef"));  // writes the kept bytes out first
  CHECK(file.CLOSE());
  CHECK_EQUAL("abcdef", dir.Get("r.bin"));
}

TEST(LargeTransfersAndBufferSizes) {
  ScratchDir dir("MFileLarge");
  const MFileName name = Name(dir, L"big.bin");
  std::vector<std::int32_t> values(300000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::int32_t>(i * 7 + 1);
  MFile file(0x10000);
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(3u, file.WRITE(values.data(), 3));
  CHECK_EQUAL(values.size() - 3, file.WRITE(values.data() + 3, values.size() - 3));
  CHECK(file.SET_BUFFER_SIZE(1000));
  CHECK_EQUAL(1u, file.WRITE(values.data(), 1));
  CHECK(file.CLOSE());
  CHECK_EQUAL(static_cast<size_t>(4 * (values.size() + 1)), dir.Get("big.bin").size());
  CHECK(file.OPEN_READ(name));
  std::vector<std::int32_t> back(values.size());
  CHECK_EQUAL(1u, file.READ(back.data(), 1));
  CHECK(file.SET_BUFFER_SIZE(333));  // the logical position stays
  CHECK_EQUAL(4, file.TELL());
  CHECK_EQUAL(back.size() - 1, file.READ(back.data() + 1, back.size() - 1));
  CHECK(back == values);
  std::int32_t last = 0;
  CHECK_EQUAL(1u, file.READ(&last, 1));
  CHECK_EQUAL(1, last);
  CHECK_EQUAL(0u, file.GET_RESULT());  // reaching the end is no failure
  CHECK_EQUAL(0u, file.READ(&last, 1));
  CHECK_EQUAL(ERROR_HANDLE_EOF, file.GET_RESULT());
}

TEST(UpdateModeIsAWindowOfTheFile) {
  ScratchDir dir("MFileUpdate");
  dir.Put("u.bin", "0123456789");
  const MFileName name = Name(dir, L"u.bin");
  MFile file(4);
  CHECK(file.OPEN_UPDATE(name));
  char text[8] = {};
  CHECK_EQUAL(2u, file.READ(text, 2));
  CHECK_EQUAL(std::string("01"), std::string(text, 2));
  file.WRITE_STRING("ab");
  CHECK_EQUAL(3u, file.READ(text, 3));
  CHECK_EQUAL(std::string("456"), std::string(text, 3));
  CHECK(file.SEEK(2, 0));
  CHECK_EQUAL(2u, file.READ(text, 2));
  CHECK_EQUAL(std::string("ab"), std::string(text, 2));
  CHECK(file.SEEK(0, 2));
  file.WRITE_STRING("XYZ");  // extends the file
  CHECK_EQUAL(13, file.TELL());
  CHECK(file.SEEK(1, 0));
  CHECK(file.FLUSH());
  CHECK_EQUAL(1, file.TELL());  // a flush keeps the logical position
  CHECK_EQUAL(1u, file.READ(text, 1));
  CHECK_EQUAL('1', text[0]);
  CHECK(!file.FEOF());
  CHECK(file.CLOSE());
  CHECK_EQUAL("01ab456789XYZ", dir.Get("u.bin"));
}

TEST(AppendModeWritesAtTheEnd) {
  ScratchDir dir("MFileAppend");
  dir.Put("a.txt", "0123456789");
  const MFileName name = Name(dir, L"a.txt");
  MFile file;
  CHECK(file.OPEN_APPEND(name));
  CHECK(file.IS_OPEN_WRITE());
  CHECK(!file.IS_OPEN_READ());
  CHECK_EQUAL(10, file.TELL());
  CHECK(!file.FEOF());
  file.WRITE_STRING("ab");
  CHECK_EQUAL(12, file.TELL());
  CHECK(file.CLOSE());
  CHECK(file._OPEN(name, MFile::MODE_APPEND | MFile::MODE_TEXT));
  file.WRITE_STRING("x\n");
  CHECK(file.CLOSE());
  CHECK_EQUAL("0123456789abx\r\n", dir.Get("a.txt"));
  CHECK(file.OPEN_APPEND(Name(dir, L"new.txt")));
  file.WRITE_STRING("n");
  file.CLOSE();
  CHECK_EQUAL("n", dir.Get("new.txt"));
}

TEST(StringRecordsAndText) {
  ScratchDir dir("MFileStrings");
  const MFileName name = Name(dir, L"s.bin");
  MFile file;
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(3u, file.WRITE_STRING("abc"));
  CHECK_EQUAL(2u, file.WRITE_STRING(std::string("de")));
  CHECK_EQUAL(0u, file.WRITE_STRING(static_cast<const char*>(nullptr)));
  CHECK_EQUAL(3u, file.WRITE_STRING_DATA("xyz"));
  file.SET_FILESWAP(6);
  CHECK_EQUAL(2u, file.WRITE_STRING_DATA("pq"));
  CHECK_EQUAL(2u, file.WRITE_STRING_COMPLETED("no", "\n"));  // binary: no completion
  CHECK(file.CLOSE());
  CHECK(dir.Get("s.bin") == std::string("abcde\x03\x00xyz\x00\x02pqno", 16));
  CHECK(file.OPEN_READ(name));
  file.SET_FILESWAP(7);
  CHECK(file.SEEK(5, 0));
  std::string text;
  CHECK_EQUAL(3u, file.READ_STRING_DATA(text));
  CHECK_EQUAL("xyz", text);
  file.SET_FILESWAP(6);
  CHECK_EQUAL(2u, file.READ_STRING_DATA(text));
  CHECK_EQUAL("pq", text);
  file.CLOSE();

  CHECK(file.OPEN_ASCII_WRITE(name));
  CHECK_EQUAL(4u, file.WRITE_STRING_COMPLETED("line", "\n"));
  CHECK(file.FPRINTF("%s=%d %S\n", "n", 42, L"wide"));
  file.WRITE_STRING("end\n");
  CHECK(file.CLOSE());
  CHECK_EQUAL("line\r\nn=42 wide\r\nend\r\n", dir.Get("s.bin"));
}

TEST(LongStringRecordStaysReadable) {
  ScratchDir dir("MFileLongString");
  const MFileName name = Name(dir, L"l.bin");
  std::string text(70000, 'x');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  MFile file;
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(65535u, file.WRITE_STRING_DATA(text));
  CHECK_EQUAL(ERROR_INVALID_PARAMETER, file.GET_RESULT());
  std::int32_t marker = 0x12345678;
  file.WRITE(&marker, 1);
  CHECK(file.CLOSE());
  const std::string bytes = dir.Get("l.bin");
  CHECK_EQUAL(2u + 65535u + 4u, bytes.size());
  CHECK(bytes.compare(0, 2, "\xFF\xFF") == 0);
  CHECK(bytes.compare(2, 65535, text, 0, 65535) == 0);
  CHECK(file.OPEN_READ(name));
  std::string back;
  CHECK_EQUAL(65535u, file.READ_STRING_DATA(back));
  CHECK(back == text.substr(0, 65535));
  std::int32_t after = 0;
  CHECK_EQUAL(1u, file.READ(&after, 1));
  CHECK_EQUAL(0x12345678, after);
}

TEST(ReadStringUntil) {
  ScratchDir dir("MFileUntil");
  dir.Put("u.txt", std::string("ab,cd;ef\0gh,a,b,c", 17));
  MFile file;
  CHECK(file.OPEN_READ(Name(dir, L"u.txt")));
  char out[16];
  CHECK_EQUAL(2u, file.READ_STRING_UNTIL(out, ",;", 10));
  CHECK_EQUAL(std::string("ab"), std::string(out));
  CHECK_EQUAL(2u, file.READ_STRING_UNTIL(out, ",;", 10));
  CHECK_EQUAL(std::string("cd"), std::string(out));
  CHECK_EQUAL(2u, file.READ_STRING_UNTIL(out, ",;", 10));  // a 0 byte stops too
  CHECK_EQUAL(std::string("ef"), std::string(out));
  CHECK_EQUAL(1u, file.READ_STRING_UNTIL(out, ",", 1));    // max reached: nothing consumed beyond
  CHECK_EQUAL(std::string("g"), std::string(out));
  std::string s;
  CHECK_EQUAL(1u, file.READ_STRING_UNTIL(s, ",", 10));
  CHECK_EQUAL("h", s);
  CHECK_EQUAL(12, file.TELL());
  // a,b,c then the end: all ones, empty output, position restored.
  CHECK_EQUAL(1u, file.READ_STRING_UNTIL(out, ",", 10));
  CHECK_EQUAL(1u, file.READ_STRING_UNTIL(out, ",", 10));
  const __int64 before = file.TELL();
  std::strcpy(out, "junk");
  CHECK_EQUAL(static_cast<size_t>(-1), file.READ_STRING_UNTIL(out, ",", 10));
  CHECK_EQUAL(std::string(), std::string(out));
  CHECK_EQUAL(before, file.TELL());
  s = "junk";
  CHECK_EQUAL(static_cast<size_t>(-1), file.READ_STRING_UNTIL(s, ",", 10));
  CHECK_EQUAL("", s);
  char c = 0;
  CHECK_EQUAL(1u, file.READ(&c, 1));
  CHECK_EQUAL('c', c);
}

TEST(LinesWithFgets) {
  ScratchDir dir("MFileFgets");
  dir.Put("l.txt", "first\r\nsecond\rthird\n\nfourth\x80rest\nlast");
  MFile file;
  CHECK(file.OPEN_READ(Name(dir, L"l.txt")));
  char line[64];
  char* end = file.FGETS_STOP_ENDL(line, 64, false);
  CHECK_EQUAL(std::string("first\n"), std::string(line));
  CHECK_EQUAL(5, static_cast<int>(end - line));
  CHECK_EQUAL(7, file.TELL());  // at the start of the second line
  end = file.FGETS_STOP_ENDL(line, 64, true);
  CHECK_EQUAL(std::string("second"), std::string(line));
  CHECK_EQUAL(6, static_cast<int>(end - line));
  char c = 0;
  CHECK_EQUAL(1u, file.READ(&c, 1));  // a lone CR leaves the next letter unread
  CHECK_EQUAL('t', c);
  CHECK(file.SEEK(-1, 1));
  end = file.FGETS_STOP_ENDL(line, 64, false);  // LF LF is one line end: both are consumed
  CHECK_EQUAL(std::string("third\n"), std::string(line));
  CHECK_EQUAL(5, static_cast<int>(end - line));
  CHECK_EQUAL(21, file.TELL());
  // FGETS stops at a byte of 0x80 or above (dropped), not at line ends.
  end = file.FGETS(line, 64);
  CHECK_EQUAL(std::string("fourth"), std::string(line));
  CHECK_EQUAL(6, static_cast<int>(end - line));
  end = file.FGETS(line, 64);
  CHECK_EQUAL(std::string("rest\nlast"), std::string(line));
  end = file.FGETS(line, 3);
  CHECK_EQUAL(std::string(), std::string(line));
  CHECK(file.REWIND());
  file.FGETS(line, 3);
  CHECK_EQUAL(std::string("fi"), std::string(line));
  file.FGETS_STOP_ENDL(line, 3, false);  // two bytes, no line end seen
  CHECK_EQUAL(std::string("rs"), std::string(line));
}

TEST(FgetsStopEndlConsumesOneMoreLineEndByte) {
  // After a line end one more byte is read and kept when it is CR or LF too: LF CR, CR CR and
  // LF LF are each one line end; a third line-end byte ends an empty line.
  ScratchDir dir("MFileLfCr");
  dir.Put("l.txt", "a\n\rb\r\rc\n\n\nd");
  MFile file;
  CHECK(file.OPEN_READ(Name(dir, L"l.txt")));
  char line[16];
  const char* expected[] = {"a", "b", "c", "", "d"};
  for (const char* want : expected) {
    file.FGETS_STOP_ENDL(line, 16, true);
    CHECK_EQUAL(std::string(want), std::string(line));
  }
}

TEST(SearchString) {
  ScratchDir dir("MFileSearch");
  dir.Put("s.txt", "xxaabAB--needle--NEEDLE");
  MFile file;
  CHECK(file.OPEN_READ(Name(dir, L"s.txt")));
  CHECK(file.SEARCH_STRING("ab", -1, true));  // a failed partial match does not skip the start
  CHECK_EQUAL(5, file.TELL());
  CHECK(file.SEARCH_STRING("ab", -1, false));
  CHECK_EQUAL(7, file.TELL());
  CHECK(file.SEARCH_STRING("NEEDLE", -1, true));
  CHECK_EQUAL(23, file.TELL());
  CHECK(file.REWIND());
  CHECK(!file.SEARCH_STRING("needle", 14, true));  // only 8 bytes may be read
  CHECK(file.REWIND());
  CHECK(file.SEARCH_STRING("needle", 21, true));
  CHECK(!file.SEARCH_STRING("x", 1, true));        // no window
  CHECK(!file.SEARCH_STRING("absent", -1, false));
}

TEST(CopyBetweenFiles) {
  ScratchDir dir("MFileCopy");
  std::string data(200000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + 7);
  dir.Put("src.bin", data);
  MFile source, target;
  CHECK(source.OPEN_READ(Name(dir, L"src.bin")));
  CHECK(target.OPEN_WRITE(Name(dir, L"dst.bin")));
  char head[10];
  source.READ(head, 10);
  CHECK(target.COPY(source));
  CHECK(target.CLOSE());
  CHECK(dir.Get("dst.bin") == data.substr(10));

  CHECK(source.REWIND());
  MFile part(1000);
  CHECK(part.OPEN_WRITE(Name(dir, L"part.bin")));
  CHECK_EQUAL(2500, part.COPY(source, 2500));
  CHECK_EQUAL(static_cast<__int64>(data.size() - 2500), part.COPY(source, -1));
  CHECK(part.CLOSE());
  CHECK(dir.Get("part.bin") == data);

  // A text-mode target copies through memory and translates line ends.
  dir.Put("lines.txt", "a\nb\n");
  MFile lines, text;
  CHECK(lines.OPEN_READ(Name(dir, L"lines.txt")));
  CHECK(text.OPEN_ASCII_WRITE(Name(dir, L"text.txt")));
  CHECK(text.COPY(lines));
  CHECK(text.CLOSE());
  CHECK_EQUAL("a\r\nb\r\n", dir.Get("text.txt"));
  // Copying part of a file leaves both positions after the copied bytes.
  CHECK(source.SEEK(5, 0));
  MFile slice;
  CHECK(slice.OPEN_WRITE(Name(dir, L"slice.bin")));
  slice.WRITE_STRING("<");
  CHECK_EQUAL(100000, slice.COPY(source, 100000));
  CHECK_EQUAL(100005, source.TELL());
  CHECK_EQUAL(100001, slice.TELL());
  slice.WRITE_STRING(">");
  char next = 0;
  CHECK_EQUAL(1u, source.READ(&next, 1));
  CHECK_EQUAL(data[100005], next);
  CHECK(slice.CLOSE());
  CHECK(dir.Get("slice.bin") == "<" + data.substr(5, 100000) + ">");

  CHECK(source.REWIND());
  MFile failing(100);
  CHECK(failing.OPEN_WRITE(Name(dir, L"fail.bin")));
  zb::platform::ScopedFault full(zb::platform::FaultPoint::kWrite, 1, ENOSPC,
                                 zb::platform::kFaultForever);
  CHECK_EQUAL(-1, failing.COPY(source, 1000));
  CHECK(!failing.COPY(source));
  CHECK_EQUAL(29u, failing.GET_RESULT());
}

namespace {

// A record of a 32-bit, a 16-bit and an 8-bit value, 7 bytes in the file.
struct Record : public MFilePart {
  Record(std::int32_t a_ = 0, short b_ = 0, signed char c_ = 0, const MSwap* order_ = nullptr)
      : a(a_), b(b_), c(c_), order(order_) {}
  MFilePart* GET_PART(size_t index) override { return this + index; }
  size_t PART_SIZE() override { return 7; }
  void SWAP_OUT(unsigned char* record) override {
    std::int32_t a2 = a;
    short b2 = b;
    order->SWAP(&a2, 1);
    order->SWAP(&b2, 1);
    std::memcpy(record, &a2, 4);
    std::memcpy(record + 4, &b2, 2);
    record[6] = static_cast<unsigned char>(c);
  }
  void SWAP_IN(unsigned char* record) override {
    std::memcpy(&a, record, 4);
    std::memcpy(&b, record + 4, 2);
    c = static_cast<signed char>(record[6]);
    order->SWAP(&a, 1);
    order->SWAP(&b, 1);
  }
  std::int32_t a;
  short b;
  signed char c;
  const MSwap* order;
};

}  // namespace

TEST(FileParts) {
  ScratchDir dir("MFileParts");
  const MFileName name = Name(dir, L"p.bin");
  MFile file;
  file.SET_FILESWAP(0);
  Record records[3] = {Record(0x01020304, 0x0506, 7, &file), Record(-1, -2, -3, &file),
                       Record(100, 200, 30, &file)};
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(0u, file.WRITE(records, 0));
  CHECK_EQUAL(3u, file.WRITE(records, 3));
  CHECK(file.CLOSE());
  const std::string bytes = dir.Get("p.bin");
  CHECK_EQUAL(21u, bytes.size());
  CHECK(bytes.substr(0, 7) == Bytes({1, 2, 3, 4, 5, 6, 7}));
  Record back[4] = {Record(0, 0, 0, &file), Record(0, 0, 0, &file), Record(0, 0, 0, &file),
                    Record(9, 9, 9, &file)};
  CHECK(file.OPEN_READ(name));
  CHECK_EQUAL(3u, file.READ(back, 4));
  CHECK(back[0].a == 0x01020304 && back[0].b == 0x0506 && back[0].c == 7);
  CHECK(back[1].a == -1 && back[1].b == -2 && back[1].c == -3);
  CHECK(back[2].a == 100 && back[2].b == 200 && back[2].c == 30);
  CHECK(back[3].a == 9 && back[3].b == 9 && back[3].c == 9);  // untouched
}

}
