#include <zorbase/files/MFileEx.h>

#include <UnitTest++/UnitTest++.h>

#include <clocale>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <zorbase/files/MFilePartEx.h>
#include <zorbase/files/internal/file_access_testing.h>
#include <zorbase/files/internal/file_ex_internal.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

using zb::test::ScratchDir;

// Bytes as text for readable failures: "41 0d 0a".
std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

using Reporter = zb::test::RecordingFileAccess;
using ScopedReporter = zb::test::ScopedFileAccess<MFileEx>;

// Restores the piece size of direct transfers.
class ScopedPiece {
 public:
  explicit ScopedPiece(std::uint64_t piece) : old_(zb::internal::g_file_ex_max_piece) {
    zb::internal::g_file_ex_max_piece = piece;
  }
  ~ScopedPiece() { zb::internal::g_file_ex_max_piece = old_; }

 private:
  std::uint64_t old_;
};

// A record of three fields in 7 bytes: a 32-bit, a 16-bit and an 8-bit value, packed in the
// order of the file it is written to.
class Triple : public MFilePartEx {
 public:
  Triple() = default;
  Triple(std::int32_t a, std::uint16_t b, std::uint8_t c) : a_(a), b_(b), c_(c) {}
  MFilePartEx* GET_PART(size_t index) override { return this + index; }
  size_t PART_SIZE() override { return 7; }
  void SWAP_IN(unsigned char* record) override {
    std::memcpy(&a_, record, 4);
    std::memcpy(&b_, record + 4, 2);
    c_ = record[6];
    if (swap_ != nullptr) {
      swap_->SWAP(&a_, 1);
      swap_->SWAP(&b_, 1);
    }
  }
  void SWAP_OUT(unsigned char* record) override {
    std::int32_t a = a_;
    std::uint16_t b = b_;
    if (swap_ != nullptr) {
      swap_->SWAP(&a, 1);
      swap_->SWAP(&b, 1);
    }
    std::memcpy(record, &a, 4);
    std::memcpy(record + 4, &b, 2);
    record[6] = c_;
  }
  bool operator==(const Triple& o) const { return a_ == o.a_ && b_ == o.b_ && c_ == o.c_; }

  std::int32_t a_ = 0;
  std::uint16_t b_ = 0;
  std::uint8_t c_ = 0;
  const MSwap* swap_ = nullptr;
};

// A part that keeps the base's packing: its records are written as zeros and not read back.
class Opaque : public MFilePartEx {
 public:
  MFilePartEx* GET_PART(size_t index) override { return this + index; }
  size_t PART_SIZE() override { return 3; }
  int value = 5;
};

// The bytes of a file and a position, for element transfers checked against plain rules: a write
// puts the element's bytes in file order at the position (extending the file), a read takes what
// the file holds there (a trailing partial element is consumed but not counted).
struct FileModel {
  std::string bytes;
  std::uint64_t position = 0;
  unsigned char code = 7;

  template <class T>
  void Write(T value) {
    MSwap order(code);
    order.SWAP(&value, 1);
    if (bytes.size() < position + sizeof(T)) bytes.resize(static_cast<size_t>(position) + sizeof(T));
    std::memcpy(&bytes[static_cast<size_t>(position)], &value, sizeof(T));
    position += sizeof(T);
  }
  template <class T>
  std::uint64_t Read(T* value) {
    const std::uint64_t take = std::min<std::uint64_t>(sizeof(T), bytes.size() - position);
    if (take == sizeof(T)) {
      std::memcpy(value, bytes.data() + position, sizeof(T));
      MSwap order(code);
      order.SWAP(value, 1);
    }
    position += take;
    return take / sizeof(T);
  }
  bool Seek(__int64 offset, int origin) {
    const __int64 end = static_cast<__int64>(bytes.size());
    __int64 target;
    switch (origin) {
      case 0: target = offset; break;
      case 1: target = static_cast<__int64>(position) + offset; break;
      case 2: target = end + offset; break;
      default: return false;
    }
    if (target < 0 || target > end) return false;
    position = static_cast<std::uint64_t>(target);
    return true;
  }
};

// `steps` pseudo-random element writes (when `writes`), reads (when `reads`), seeks, order
// changes and size queries on `file` and the model, compared after each step.
void RunElementsAgainstModel(MFileEx& file, FileModel& model, std::uint32_t seed, int steps,
                             bool reads, bool writes) {
  std::uint32_t state = seed;
  auto next = [&state](std::uint32_t range) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % range;
  };
  for (int step = 0; step < steps; ++step) {
    const std::uint32_t op = next(100);
    const std::uint32_t kind = next(4);
    if (op < 45 && writes) {
      const std::uint32_t v = state;
      switch (kind) {
        case 0: {
          const char c = static_cast<char>(v);
          CHECK_EQUAL(1u, file.WRITE(&c, 1));
          model.Write(c);
          break;
        }
        case 1: {
          const short h = static_cast<short>(v);
          CHECK_EQUAL(1u, file.WRITE(&h, 1));
          model.Write(h);
          break;
        }
        case 2: {
          const std::int32_t w = static_cast<std::int32_t>(v);
          CHECK_EQUAL(1u, file.WRITE(&w, 1));
          model.Write(w);
          break;
        }
        default: {
          const double d = static_cast<double>(v) / 7.0;
          CHECK_EQUAL(1u, file.WRITE(&d, 1));
          model.Write(d);
          break;
        }
      }
    } else if (op < 80 && reads) {
      switch (kind) {
        case 0: {
          unsigned char c = 0, want = 0;
          const std::uint64_t expected = model.Read(&want);
          CHECK_EQUAL(expected, file.READ(&c, 1));
          if (expected == 1) CHECK_EQUAL(static_cast<int>(want), static_cast<int>(c));
          break;
        }
        case 1: {
          unsigned short h = 0, want = 0;
          const std::uint64_t expected = model.Read(&want);
          CHECK_EQUAL(expected, file.READ(&h, 1));
          if (expected == 1) CHECK_EQUAL(want, h);
          break;
        }
        case 2: {
          std::uint32_t w = 0, want = 0;
          const std::uint64_t expected = model.Read(&want);
          CHECK_EQUAL(expected, file.READ(&w, 1));
          if (expected == 1) CHECK_EQUAL(want, w);
          break;
        }
        default: {
          long long q = 0, want = 0;
          const std::uint64_t expected = model.Read(&want);
          CHECK_EQUAL(expected, file.READ(&q, 1));
          if (expected == 1) CHECK(want == q);
          break;
        }
      }
    } else if (op < 88) {
      const int origin = static_cast<int>(next(4));
      const __int64 offset = static_cast<__int64>(next(61)) - 30;
      CHECK_EQUAL(model.Seek(offset, origin), file.SEEK(offset, origin));
    } else if (op < 94) {
      model.code = next(3) == 0 ? 7 : static_cast<unsigned char>(next(8));
      file.SET_FILESWAP(model.code);
    } else {
      CHECK_EQUAL(static_cast<__int64>(model.bytes.size()), file.SIZE());
    }
    CHECK_EQUAL(model.position, file.TELL());
  }
}

}  // namespace

SUITE(MFileEx) {

TEST(BinaryRoundTripOfEveryType) {
  ScratchDir dir("mfileex_types");
  const MFileName name(dir.Win(L"types.bin").c_str());
  const bool b[2] = {true, false};
  const char c[3] = {'a', '\0', '\x7f'};
  const signed char sc[2] = {-128, 127};
  const unsigned char uc[2] = {0, 255};
  const short s[2] = {-12345, 32767};
  const unsigned short us[2] = {40000, 65535};
  // Four characters: four wchar_t where wchar_t is UTF-32, five where it is UTF-16.
  const std::wstring w(L"A\u00e9\U0001F600\uFFFD");
  const std::int32_t l[2] = {-2000000000, 7};
  const std::uint32_t ul[10] = {0, 1, 2, 0xFFFFFFFFu, 4, 5, 0x80000000u, 7, 8, 9};
  const float f[2] = {-1.5f, 3.25e10f};
  const long long ll[2] = {-9000000000000000000LL, 1};
  const unsigned long long ull[1] = {0xFEDCBA9876543210ULL};
  const double d[2] = {-0.1, 6.02214076e23};
  const CString wide_text(L"Gr\u00fc\u00dfe \U0001F600!");
  const CStringA narrow_text("plain bytes");
  {
    MFileEx file;
    CHECK(file.OPEN_WRITE(name));
    CHECK_EQUAL(2u, file.WRITE(b, 2));
    CHECK_EQUAL(3u, file.WRITE(c, 3));
    CHECK_EQUAL(2u, file.WRITE(sc, 2));
    CHECK_EQUAL(2u, file.WRITE(uc, 2));
    CHECK_EQUAL(2u, file.WRITE(s, 2));
    CHECK_EQUAL(2u, file.WRITE(us, 2));
    CHECK_EQUAL(w.size(), file.WRITE(w.data(), w.size()));
    CHECK_EQUAL(2u, file.WRITE(l, 2));
    CHECK_EQUAL(10u, file.WRITE(ul, 10));
    CHECK_EQUAL(2u, file.WRITE(f, 2));
    CHECK_EQUAL(2u, file.WRITE(ll, 2));
    CHECK_EQUAL(1u, file.WRITE(ull, 1));
    CHECK_EQUAL(2u, file.WRITE(d, 2));
    CHECK_EQUAL(static_cast<std::uint64_t>(wide_text.GetLength()),
                file.WRITE_STRING_DATA(wide_text));
    CHECK_EQUAL(11u, file.WRITE_STRING_DATA(narrow_text));
    CHECK(file.CLOSE());
    CHECK_EQUAL(0u, file.GET_RESULT());
  }
  MFileEx file;
  CHECK(file.OPEN_READ(name));
  bool rb[2] = {};
  char rc[3] = {};
  signed char rsc[2] = {};
  unsigned char ruc[2] = {};
  short rs[2] = {};
  unsigned short rus[2] = {};
  std::wstring rw(w.size(), L'\0');
  std::int32_t rl[2] = {};
  std::uint32_t rul[10] = {};
  float rf[2] = {};
  long long rll[2] = {};
  unsigned long long rull[1] = {};
  double rd[2] = {};
  CHECK_EQUAL(2u, file.READ(rb, 2));
  CHECK_EQUAL(3u, file.READ(rc, 3));
  CHECK_EQUAL(2u, file.READ(rsc, 2));
  CHECK_EQUAL(2u, file.READ(ruc, 2));
  CHECK_EQUAL(2u, file.READ(rs, 2));
  CHECK_EQUAL(2u, file.READ(rus, 2));
  CHECK_EQUAL(w.size(), file.READ(&rw[0], rw.size()));
  CHECK_EQUAL(2u, file.READ(rl, 2));
  CHECK_EQUAL(10u, file.READ(rul, 10));
  CHECK_EQUAL(2u, file.READ(rf, 2));
  CHECK_EQUAL(2u, file.READ(rll, 2));
  CHECK_EQUAL(1u, file.READ(rull, 1));
  CHECK_EQUAL(2u, file.READ(rd, 2));
  CHECK(std::memcmp(b, rb, sizeof b) == 0);
  CHECK(std::memcmp(c, rc, sizeof c) == 0);
  CHECK(std::memcmp(sc, rsc, sizeof sc) == 0);
  CHECK(std::memcmp(uc, ruc, sizeof uc) == 0);
  CHECK(std::memcmp(s, rs, sizeof s) == 0);
  CHECK(std::memcmp(us, rus, sizeof us) == 0);
  CHECK(w == rw);
  CHECK(std::memcmp(l, rl, sizeof l) == 0);
  CHECK(std::memcmp(ul, rul, sizeof ul) == 0);
  CHECK(std::memcmp(f, rf, sizeof f) == 0);
  CHECK(std::memcmp(ll, rll, sizeof ll) == 0);
  CHECK(std::memcmp(ull, rull, sizeof ull) == 0);
  CHECK(std::memcmp(d, rd, sizeof d) == 0);
  CString wide_back;
  CStringA narrow_back;
  CHECK_EQUAL(static_cast<size_t>(9), file.READ_STRING_DATA(wide_back));  // 8 chars, 9 units
  CHECK_WIDE(wide_text.GetString(), wide_back.GetString());
  CHECK_EQUAL(11u, file.READ_STRING_DATA(narrow_back));
  CHECK_EQUAL(narrow_text.GetString(), narrow_back.GetString());
  CHECK(file.FEOF());
}

TEST(WideCharactersAreUtf16UnitsInTheFile) {
  ScratchDir dir("mfileex_utf16");
  const MFileName name(dir.Win(L"w.bin").c_str());
  const std::wstring w(L"A\U0001F600");
  const std::wstring pair(L"\U0001F600");
  {
    MFileEx file;
    CHECK(file.OPEN_WRITE(name));
    CHECK_EQUAL(w.size(), file.WRITE(w.data(), w.size()));
    file.SET_FILESWAP(6);  // big-endian 16-bit units
    CHECK_EQUAL(1u, file.WRITE(w.data(), 1));
    CHECK(file.WRITE_STRING(pair.c_str()) == pair.size());  // wide text stays UTF-16LE
    CHECK(file.CLOSE());
  }
  CHECK_EQUAL(Hex(Bytes({0x41, 0, 0x3d, 0xd8, 0x00, 0xde, 0, 0x41, 0x3d, 0xd8, 0x00, 0xde})),
              Hex(dir.Get("w.bin")));
}

TEST(ByteOrderFollowsTheFileCode) {
  ScratchDir dir("mfileex_order");
  const MFileName name(dir.Win(L"o.bin").c_str());
  const short s = 0x1234;
  const std::int32_t l = 0x11223344;
  const double d = 1.0;  // 3f f0 00 00 00 00 00 00 reversed in memory
  MFileEx file;
  file.SET_FILESWAP(0);
  CHECK(file.OPEN_WRITE(name));
  file.WRITE(&s, 1);
  file.WRITE(&l, 1);
  file.WRITE(&d, 1);
  CHECK(file.CLOSE());
  CHECK_EQUAL(0x1234, s);  // the caller's values are unchanged
  CHECK_EQUAL(Hex(Bytes({0x12, 0x34, 0x11, 0x22, 0x33, 0x44, 0x3f, 0xf0, 0, 0, 0, 0, 0, 0})),
              Hex(dir.Get("o.bin")));
  CHECK(file.OPEN_READ(name));
  short rs = 0;
  std::int32_t rl = 0;
  double rd = 0;
  file.READ(&rs, 1);
  file.READ(&rl, 1);
  file.READ(&rd, 1);
  CHECK_EQUAL(s, rs);
  CHECK_EQUAL(l, rl);
  CHECK_EQUAL(d, rd);
}

TEST(NarrowTextModeWritesCrLfAndReadsLf) {
  ScratchDir dir("mfileex_text");
  const MFileName name(dir.Win(L"lines.txt").c_str());
  MFileEx file;
  CHECK(file.OPEN_ASCII_WRITE(name));
  CHECK_EQUAL(6, file.FPRINTF("First\n"));
  CHECK_EQUAL(16, file.FPRINTF("Line %d of %s\n", 2, "three"));
  CHECK_EQUAL(5u, file.WRITE_STRING("end\r\n"));  // a CR of the caller's stays
  CHECK(file.CLOSE());
  CHECK_EQUAL(std::string("First\r\nLine 2 of three\r\nend\r\r\n"), dir.Get("lines.txt"));

  CHECK(file.OPEN_ASCII_READ(name));
  char line[64];
  CHECK_EQUAL(std::string("First\n"), file.FGETS_STOP_ENDL(line, 64, false));
  CHECK_EQUAL(std::string("Line 2 of three"), file.FGETS_STOP_ENDL(line, 64, true));
  CHECK_EQUAL(std::string("end\n"), file.FGETS_STOP_ENDL(line, 64, false));
  CHECK(file.FEOF());
  // FGETS does not stop at line ends: the whole text comes back with single LFs (text mode drops
  // every CR, the caller's own included).
  CHECK(file.REWIND());
  CHECK_EQUAL(std::string("First\nLine 2 of three\nend\n"), file.FGETS(line, 64));
  CHECK_EQUAL(std::string(""), file.FGETS(line, 64));
}

TEST(WideTextModeWritesUnitPairsAndReadsLf) {
  ScratchDir dir("mfileex_wtext");
  const MFileName name(dir.Win(L"wide.txt").c_str());
  MFileEx file;
  CHECK(file.OPEN_ASCII_WRITE(name));
  CHECK_EQUAL(3, file.FPRINTF(L"a\n\n"));
  CHECK_EQUAL(static_cast<int>(std::wcslen(L"\u00e9\U0001F600 7\n")),
              file.FPRINTF(L"%s %d\n", L"\u00e9\U0001F600", 7));
  CHECK(file.CLOSE());
  CHECK_EQUAL(Hex(Bytes({'a', 0, 0x0d, 0, 0x0a, 0, 0x0d, 0, 0x0a, 0, 0xe9, 0, 0x3d, 0xd8, 0x00,
                         0xde, ' ', 0, '7', 0, 0x0d, 0, 0x0a, 0})),
              Hex(dir.Get("wide.txt")));

  CHECK(file.OPEN_ASCII_READ(name));
  wchar_t line[16];
  CHECK_WIDE(L"a\n", file.FGETS(line, 16));
  CHECK_WIDE(L"\n", file.FGETS(line, 16));  // the blank line is kept
  CHECK_WIDE(L"\u00e9\U0001F600 7\n", file.FGETS(line, 16));
  CHECK_WIDE(L"", file.FGETS(line, 16));
  CHECK(file.FEOF());
}

TEST(WideFgetsInBinaryMode) {
  ScratchDir dir("mfileex_wfgets");
  // "ab" CR LF "c" CR "d" LF LF "xyz"
  dir.Put("l.bin", Bytes({'a', 0, 'b', 0, 13, 0, 10, 0, 'c', 0, 13, 0, 'd', 0, 10, 0, 10, 0, 'x',
                          0, 'y', 0, 'z', 0}));
  MFileEx file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"l.bin").c_str())));
  wchar_t line[8];
  CHECK_WIDE(L"ab\n", file.FGETS(line, 8));
  CHECK_EQUAL(8u, file.TELL());
  CHECK_WIDE(L"c\n", file.FGETS(line, 8));
  CHECK_EQUAL(12u, file.TELL());  // the 'd' after the lone CR is left unread
  CHECK_WIDE(L"d\n", file.FGETS(line, 8));
  CHECK_WIDE(L"\n", file.FGETS(line, 8));
  CHECK_WIDE(L"xy", file.FGETS(line, 3));  // cut at n-1 characters
  CHECK_WIDE(L"z", file.FGETS(line, 8));
  CHECK(file.FGETS(line, 0) == line);
}

TEST(TextModeReadDropsEveryCrAndReportsStoredBytes) {
  ScratchDir dir("mfileex_cr");
  dir.Put("t.txt", "a\r\nb\rc\r\r\rd");
  MFileEx file;
  CHECK(file.OPEN_ASCII_READ(MFileName(dir.Win(L"t.txt").c_str())));
  char buf[16] = {};
  CHECK_EQUAL(2u, file.READ(buf, 2));  // a request is filled past the dropped CR
  CHECK_EQUAL(std::string("a\n"), std::string(buf, 2));
  CHECK_EQUAL(3u, file.TELL());  // positions are file offsets
  CHECK_EQUAL(3u, file.READ(buf, 16));
  CHECK_EQUAL(std::string("bcd"), std::string(buf, 3));
  CHECK_EQUAL(10u, file.TELL());
}

TEST(TellAfterAppendOfTenByteFile) {
  ScratchDir dir("mfileex_append");
  dir.Put("ten.bin", "0123456789");
  const MFileName name(dir.Win(L"ten.bin").c_str());
  MFileEx file;
  CHECK(file.OPEN_APPEND(name));
  CHECK_EQUAL(10u, file.TELL());
  CHECK(file.WRITE_STRING("abc") == 3);
  CHECK_EQUAL(13u, file.TELL());
  // Writes of an append handle land at the end even after a seek.
  CHECK(file.SEEK(2, 0));
  CHECK(file.WRITE_STRING("Z") == 1);
  CHECK_EQUAL(14u, file.TELL());
  CHECK(file.CLOSE());
  CHECK_EQUAL(std::string("0123456789abcZ"), dir.Get("ten.bin"));
  // A missing file is created.
  CHECK(file.OPEN_ASCII_APPEND(MFileName(dir.Win(L"new.txt").c_str())));
  CHECK_EQUAL(0u, file.TELL());
  file.WRITE_STRING("x\n");
  CHECK(file.CLOSE());
  CHECK_EQUAL(std::string("x\r\n"), dir.Get("new.txt"));
}

TEST(FeofPerMode) {
  ScratchDir dir("mfileex_feof");
  dir.Put("empty.bin", "");
  dir.Put("one.bin", "x");
  const MFileName empty(dir.Win(L"empty.bin").c_str());
  MFileEx file;
  CHECK(file.FEOF());  // closed: nothing can be read
  CHECK(file.OPEN_READ(empty));
  CHECK(file.FEOF());
  struct Case {
    int mode;
    bool eof;
  } const cases[] = {{MFileEx::MODE_WRITE, false},
                     {MFileEx::MODE_APPEND, false},
                     {MFileEx::MODE_UPDATE, false},
                     {MFileEx::MODE_READ | MFileEx::MODE_TEXT, true}};
  for (const auto& c : cases) {
    CHECK(file._OPEN(empty, c.mode));
    CHECK_EQUAL(c.eof, file.FEOF());
  }
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"one.bin").c_str())));
  CHECK(!file.FEOF());
  CHECK(!file.FEOF());  // asking twice consumes nothing
  char ch = 0;
  CHECK_EQUAL(1u, file.READ(&ch, 1));
  CHECK_EQUAL('x', ch);
  CHECK(file.FEOF());
}

TEST(OpenModesAndDispositions) {
  ScratchDir dir("mfileex_modes");
  dir.Put("old.bin", "old content");
  const MFileName old_name(dir.Win(L"old.bin").c_str());
  const MFileName missing(dir.Win(L"missing.bin").c_str());
  MFileEx file;
  CHECK(!file.OPEN_READ(missing));
  CHECK(!file.IS_OPEN());
  CHECK_EQUAL(2u, file.GET_RESULT());
  CHECK(file.GET_FILENAME() == nullptr);
  // Update opens an existing file without truncating, and creates a missing one.
  CHECK(file.OPEN_UPDATE(old_name));
  CHECK(file.IS_OPEN_READ() && file.IS_OPEN_WRITE() && file.IS_OPEN_UPDATE());
  CHECK_EQUAL(11, file.SIZE());
  CHECK_EQUAL(0u, file.TELL());
  CHECK(file.OPEN_UPDATE(missing));
  CHECK_EQUAL(0, file.SIZE());
  CHECK(file.CLOSE());
  CHECK(dir.Exists("missing.bin"));
  // Write truncates.
  CHECK(file.OPEN_WRITE(old_name));
  CHECK(!file.IS_OPEN_READ() && file.IS_OPEN_WRITE() && !file.IS_OPEN_UPDATE());
  CHECK_WIDE(old_name.GET(), file.GET_FILENAME());
  CHECK(file.CLOSE());
  CHECK_EQUAL(std::string(""), dir.Get("old.bin"));
  // An empty name and a mode outside the table open nothing.
  CHECK(!file.OPEN_READ(MFileName()));
  CHECK(!file._OPEN(old_name, 3));
  CHECK(!file.IS_OPEN());
  // Transfers against the mode are refused at once.
  CHECK(file.OPEN_READ(old_name));
  CHECK_EQUAL(0u, file.WRITE_STRING("x"));
  CHECK_EQUAL(5u, file.GET_RESULT());
  CHECK(file.OPEN_WRITE(old_name));
  char ch;
  CHECK_EQUAL(0u, file.READ(&ch, 1));
  CHECK_EQUAL(5u, file.GET_RESULT());
}

TEST(ShareReadRefusesASecondWriter) {
  ScratchDir dir("mfileex_share");
  const MFileName name(dir.Win(L"s.bin").c_str());
  MFileEx writer;
  CHECK(writer.OPEN_WRITE(name));
  MFileEx second;
  CHECK(!second.OPEN_WRITE(name));
  CHECK_EQUAL(32u, second.GET_RESULT());
  // Reading is shared... but a reader asks for share read only, which the writer's write access
  // conflicts with.
  CHECK(!second.OPEN_READ(name));
  CHECK_EQUAL(32u, second.GET_RESULT());
  writer.CLOSE();
  CHECK(second.OPEN_READ(name));
  MFileEx third;
  CHECK(third.OPEN_READ(name));
}

TEST(SeekRules) {
  ScratchDir dir("mfileex_seek");
  dir.Put("s.bin", "0123456789");
  const MFileName name(dir.Win(L"s.bin").c_str());
  MFileEx file(16);
  CHECK(!file.SEEK(0, 0));  // closed
  CHECK(file.OPEN_READ(name));
  CHECK(!file.SEEK(1, 2));
  CHECK(file.SEEK(-file.SIZE(), 2));
  CHECK_EQUAL(0u, file.TELL());
  CHECK(!file.SEEK(11, 0));
  CHECK(!file.SEEK(-1, 0));
  CHECK(!file.SEEK(0, 3));
  CHECK(file.SEEK(10, 0));
  CHECK(file.FEOF());
  CHECK(file.SEEK(-3, 1));
  char ch = 0;
  file.READ(&ch, 1);
  CHECK_EQUAL('7', ch);
  // Pending bytes count for the end.
  CHECK(file.OPEN_UPDATE(name));
  CHECK(file.SEEK(0, 2));
  file.WRITE_STRING("abc");
  CHECK(file.SEEK(0, 2));
  CHECK_EQUAL(13u, file.TELL());
  CHECK(file.SEEK(-13, 1));
  CHECK_EQUAL(0u, file.TELL());
}

TEST(UpdateModeAlternatesReadAndWrite) {
  ScratchDir dir("mfileex_update");
  dir.Put("u.bin", "abcdefghij");
  MFileEx file(16);
  CHECK(file.OPEN_UPDATE(MFileName(dir.Win(L"u.bin").c_str())));
  char buf[4] = {};
  CHECK_EQUAL(3u, file.READ(buf, 3));
  CHECK_EQUAL(std::string("abc"), std::string(buf, 3));
  CHECK(file.WRITE_STRING("XY") == 2);  // at position 3, after the read-ahead is dropped
  CHECK_EQUAL(5u, file.TELL());
  CHECK_EQUAL(2u, file.READ(buf, 2));
  CHECK_EQUAL(std::string("fg"), std::string(buf, 2));
  CHECK(file.SEEK(0, 2));
  CHECK(file.WRITE_STRING("KL") == 2);
  CHECK(file.CLOSE());
  CHECK_EQUAL(std::string("abcXYfghijKL"), dir.Get("u.bin"));
}

TEST(ChangeModeReopens) {
  ScratchDir dir("mfileex_change");
  const MFileName name(dir.Win(L"c.bin").c_str());
  MFileEx file;
  CHECK(!file.CHANGE_MODE(MFileEx::MODE_READ));  // not open
  CHECK(file.OPEN_WRITE(name));
  const std::int32_t v = -5;
  file.WRITE(&v, 1);
  CHECK(file.CHANGE_MODE(MFileEx::MODE_WRITE));  // unchanged: nothing happens
  CHECK_EQUAL(4u, file.TELL());
  CHECK(file.CHANGE_MODE(MFileEx::MODE_READ));
  std::int32_t r = 0;
  CHECK_EQUAL(1u, file.READ(&r, 1));
  CHECK_EQUAL(v, r);
}

TEST(LargeTransfersBypassTheBufferAndSplitIntoPieces) {
  ScratchDir dir("mfileex_large");
  const MFileName name(dir.Win(L"big.bin").c_str());
  std::vector<unsigned char> data(1000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 13 + 1);
  ScopedPiece piece(7);  // every handle transfer in pieces of at most 7 bytes
  MFileEx file(64);
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(10u, file.WRITE(data.data(), 10));  // buffered
  CHECK_EQUAL(1000u, file.WRITE(data.data(), 1000));  // direct, after the pending bytes
  CHECK_EQUAL(1010u, file.TELL());
  CHECK(file.CLOSE());
  const std::string disk = dir.Get("big.bin");
  CHECK_EQUAL(1010u, disk.size());
  CHECK(std::memcmp(disk.data() + 10, data.data(), 1000) == 0);

  CHECK(file.OPEN_READ(name));
  std::vector<unsigned char> back(1000);
  CHECK_EQUAL(10u, file.READ(back.data(), 10));
  CHECK_EQUAL(1000u, file.READ(back.data(), 1000));  // read-ahead first, then direct
  CHECK(back == data);
  CHECK_EQUAL(0u, file.READ(back.data(), 1));
  CHECK(file.FEOF());
}

TEST(SparseFileBeyondFourGiB) {
  ScratchDir dir("mfileex_sparse");
  const std::wstring path = dir.Win(L"sparse.bin");
  const std::int64_t kFive = 5LL << 30;
  {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(h != INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = kFive;
    CHECK(SetFilePointerEx(h, end, nullptr, FILE_BEGIN));
    CHECK(SetEndOfFile(h));
    CloseHandle(h);
  }
  const MFileName name(path.c_str());
  const __int64 target = (4LL << 30) + 12345;
  const double values[3] = {1.25, -2.5, 1e300};
  MFileEx file;
  CHECK(file.OPEN_UPDATE(name));
  CHECK_EQUAL(kFive, file.SIZE());
  CHECK(file.SEEK(target, 0));
  CHECK_EQUAL(static_cast<std::uint64_t>(target), file.TELL());
  CHECK_EQUAL(3u, file.WRITE(values, 3));
  CHECK_EQUAL(static_cast<std::uint64_t>(target + 24), file.TELL());
  CHECK(file.SEEK(-24, 1));
  double back[3] = {};
  CHECK_EQUAL(3u, file.READ(back, 3));
  CHECK(std::memcmp(values, back, sizeof values) == 0);
  CHECK(file.SEEK(-8, 2));
  char tail[8];
  CHECK_EQUAL(8u, file.READ(tail, 8));
  CHECK(file.SEEK(kFive, 0));
  CHECK(!file.SEEK(kFive + 1, 0));
  CHECK(file.CLOSE());
  CHECK(file.OPEN_READ(name));
  CHECK(file.SEEK(target, 0));
  double again[3] = {};
  CHECK_EQUAL(3u, file.READ(again, 3));
  CHECK(std::memcmp(values, again, sizeof values) == 0);
}

TEST(WriteFaultsNeverReportSuccess) {
  ScratchDir dir("mfileex_fault");
  const MFileName name(dir.Win(L"f.bin").c_str());
  Reporter reporter;
  ScopedReporter scoped(&reporter);
  MFileEx file(16);
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(8u, file.WRITE_STRING("12345678"));  // pending
  {
    zb::platform::ScopedFault fault(zb::platform::FaultPoint::kWrite, 1, ENOSPC);
    // The pending bytes cannot be written: they stay pending, and this write takes nothing.
    CHECK_EQUAL(0u, file.WRITE_STRING("abcdefghijk"));
    CHECK_EQUAL(29u, file.GET_RESULT());
    CHECK_EQUAL(8u, file.TELL());  // the kept bytes still count
  }
  // Once the file takes bytes again the kept ones go first: nothing is lost.
  CHECK_EQUAL(4u, file.WRITE_STRING("wxyz"));
  CHECK(file.FLUSH());
  CHECK_EQUAL(0u, file.GET_RESULT());
  CHECK(file.CLOSE());
  CHECK_EQUAL(0, reporter.failures);
  CHECK_EQUAL(std::string("12345678wxyz"), dir.Get("f.bin"));

  // Bytes still kept when the file closes are lost: CLOSE says so and tells the reporter.
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(3u, file.WRITE_STRING("abc"));
  {
    zb::platform::ScopedFault full(zb::platform::FaultPoint::kWrite, 1, ENOSPC,
                                   zb::platform::kFaultForever);
    CHECK(!file.FLUSH());
    CHECK(!file.CLOSE());
  }
  CHECK_EQUAL(1, reporter.failures);
  CHECK_EQUAL(0, reporter.failure_code);
  CHECK_WIDE(name.GET(), reporter.failure_name.c_str());
  CHECK_EQUAL(std::string(""), dir.Get("f.bin"));

  // A direct write that fails reports no element.
  CHECK(file.OPEN_WRITE(name));
  {
    zb::platform::ScopedFault fault(zb::platform::FaultPoint::kWrite, 1, EIO);
    const std::string big(100, 'q');
    CHECK_EQUAL(0u, file.WRITE(big.data(), big.size()));
    CHECK_EQUAL(0xFFFFFFFFu, file.GET_RESULT());
  }
  CHECK(!file.CLOSE());
  CHECK_EQUAL(2, reporter.failures);

  // A failure in the final flush is reported by CLOSE too.
  CHECK(file.OPEN_ASCII_WRITE(name));
  CHECK_EQUAL(3u, file.WRITE_STRING("ab\n"));
  {
    zb::platform::ScopedFault fault(zb::platform::FaultPoint::kWrite, 1, ENOSPC);
    CHECK(!file.CLOSE());
  }
  CHECK_EQUAL(3, reporter.failures);
  CHECK_EQUAL(29u, file.GET_RESULT());

  // The next open starts clean.
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(0u, file.GET_RESULT());
  CHECK(file.CLOSE());
  CHECK_EQUAL(3, reporter.failures);
}

TEST(TextWriteFaultKeepsTheBytesItTook) {
  ScratchDir dir("mfileex_textfault");
  MFileEx file(16);
  CHECK(file.OPEN_ASCII_WRITE(MFileName(dir.Win(L"t.txt").c_str())));
  // 30 lines of "ab\n" need 12 bytes of file for every 3 lines; the second flush fails once.
  std::string text;
  std::string on_disk;
  for (int i = 0; i < 30; ++i) {
    text += "ab\n";
    on_disk += "ab\r\n";
  }
  std::uint64_t taken = 0;
  {
    zb::platform::ScopedFault fault(zb::platform::FaultPoint::kWrite, 2, ENOSPC);
    taken = file.WRITE(text.data(), text.size());
    CHECK(taken > 0 && taken < text.size());
    CHECK_EQUAL(29u, file.GET_RESULT());
  }
  // What was taken is kept; writing the rest gives the whole text once.
  CHECK_EQUAL(text.size() - taken, file.WRITE(text.data() + taken, text.size() - taken));
  CHECK(file.CLOSE());
  CHECK_EQUAL(on_disk, dir.Get("t.txt"));
}

TEST(ReporterIsAskedBeforeEveryOpen) {
  ScratchDir dir("mfileex_reporter");
  dir.Put("r.bin", "x");
  const MFileName name(dir.Win(L"r.bin").c_str());
  Reporter reporter;
  ScopedReporter scoped(&reporter);
  MFileEx file;
  CHECK(file.OPEN_READ(name));
  CHECK_EQUAL(1, reporter.checks);
  CHECK(reporter.last_for_reading);
  CHECK(file.OPEN_UPDATE(name));
  CHECK(!reporter.last_for_reading);  // bit 0 of mode 8 is clear
  reporter.check_answer = 1;
  CHECK(!file.OPEN_READ(name));
  CHECK(!file.IS_OPEN());
  CHECK_EQUAL(0u, file.GET_RESULT());
  reporter.uses_approval = true;
  reporter.approve_answer = false;
  CHECK(!file.OPEN_ASCII_READ(name));
  CHECK_EQUAL(1, reporter.approvals);
  reporter.approve_answer = true;
  CHECK(file.OPEN_ASCII_READ(name));
  CHECK_EQUAL(3, reporter.checks);
}

TEST(StringRecords) {
  ScratchDir dir("mfileex_strings");
  const MFileName name(dir.Win(L"s.bin").c_str());
  MFileEx file;
  CHECK(file.OPEN_WRITE(name));
  file.SET_FILESWAP(6);  // the counts follow the file order, wide units stay UTF-16LE
  CHECK_EQUAL(2u, file.WRITE_STRING_DATA(CString(L"h\u00e9")));
  CHECK_EQUAL(2u, file.WRITE_STRING_DATA(CStringA("ok")));
  CHECK_EQUAL(0u, file.WRITE_STRING_DATA(CStringA("")));
  CHECK(file.CLOSE());
  CHECK_EQUAL(Hex(Bytes({0, 2, 'h', 0, 0xe9, 0, 0, 2, 'o', 'k', 0, 0})), Hex(dir.Get("s.bin")));

  // A text longer than a count can describe is cut to a whole record.
  CHECK(file.OPEN_WRITE(name));
  const std::wstring long_text(70000, L'x');
  CHECK_EQUAL(65535u, file.WRITE_STRING_DATA(CString(long_text.c_str())));
  CHECK_EQUAL(0xFFFFFFFFu, file.GET_RESULT());
  std::wstring pairs(65534, L'y');
  pairs += L"\U0001F600";  // the pair would take units 65535 and 65536: it is left out
  CHECK_EQUAL(65534u, file.WRITE_STRING_DATA(CString(pairs.c_str())));
  // The same pair held as two wchar_t (as on Windows) is not split either.
  std::wstring units(65534, L'y');
  units += L'\xD83D';
  units += L'\xDE00';
  CHECK_EQUAL(65534u, file.WRITE_STRING_DATA(CString(units.c_str())));
  CHECK(file.CLOSE());
  CHECK(file.OPEN_READ(name));
  CString back;
  CHECK_EQUAL(65535u, file.READ_STRING_DATA(back));
  CHECK_EQUAL(65535, back.GetLength());
  CHECK_EQUAL(65534u, file.READ_STRING_DATA(back));
  CHECK_EQUAL(65534, back.GetLength());
  CHECK_EQUAL(65534u, file.READ_STRING_DATA(back));
  CHECK(back.Right(1) == L"y");
  CHECK(file.FEOF());
  // A record cut off by the end of the file gives what is there.
  dir.Put("short.bin", Bytes({5, 0, 'a', 'b'}));
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"short.bin").c_str())));
  CStringA narrow;
  CHECK_EQUAL(2u, file.READ_STRING_DATA(narrow));
  CHECK_EQUAL("ab", narrow.GetString());
}

TEST(WriteStringCompleted) {
  ScratchDir dir("mfileex_completed");
  MFileEx file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"b.txt").c_str())));
  CHECK_EQUAL(2u, file.WRITE_STRING_COMPLETED("ab", ";"));
  CHECK_EQUAL(1u, file.WRITE_STRING_COMPLETED(L"c", L";"));
  CHECK(file.OPEN_ASCII_WRITE(MFileName(dir.Win(L"t.txt").c_str())));
  CHECK_EQUAL(2u, file.WRITE_STRING_COMPLETED("ab", "\n"));
  CHECK(file.CLOSE());
  CHECK_EQUAL(Hex(Bytes({'a', 'b', 'c', 0})), Hex(dir.Get("b.txt")));
  CHECK_EQUAL(std::string("ab\r\n"), dir.Get("t.txt"));
}

TEST(ReadStringUntil) {
  ScratchDir dir("mfileex_until");
  dir.Put("n.bin", std::string("ab,cd\0ef;gh", 11));
  MFileEx file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"n.bin").c_str())));
  char out[8];
  CHECK_EQUAL(2u, file.READ_STRING_UNTIL(out, ",;", 7));
  CHECK_EQUAL(std::string("ab"), out);
  CHECK_EQUAL(2u, file.READ_STRING_UNTIL(out, ";", 7));  // the 0 byte stops too
  CHECK_EQUAL(std::string("cd"), out);
  CHECK_EQUAL(1u, file.READ_STRING_UNTIL(out, ";", 1));  // max reached
  CHECK_EQUAL(std::string("e"), out);
  CStringA rest;
  CHECK_EQUAL(4u, file.READ_STRING_UNTIL(rest, ",", 20));  // the end keeps the text
  CHECK_EQUAL("f;gh", rest.GetString());
  CHECK_EQUAL(11u, file.TELL());

  dir.Put("w.bin", Bytes({'x', 0, 0x3d, 0xd8, 0x00, 0xde, ',', 0, 'z', 0}));
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"w.bin").c_str())));
  wchar_t wout[8];
  CHECK_EQUAL(std::wcslen(L"x\U0001F600"), file.READ_STRING_UNTIL(wout, L",", 7));
  CHECK_WIDE(L"x\U0001F600", wout);
  CString wrest;
  CHECK_EQUAL(1u, file.READ_STRING_UNTIL(wrest, nullptr, 7));
  CHECK_WIDE(L"z", wrest.GetString());
}

TEST(ByteFgetsStopsAtHighBytes) {
  ScratchDir dir("mfileex_fgets");
  dir.Put("h.bin", "ab\ncd\x80xy");
  MFileEx file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"h.bin").c_str())));
  char out[16];
  CHECK(file.FGETS(out, 16) == out);
  CHECK_EQUAL(std::string("ab\ncd"), out);  // the 0x80 byte is consumed and dropped
  CHECK_EQUAL(std::string("x"), file.FGETS(out, 2));
  CHECK_EQUAL(std::string("y"), file.FGETS(out, 16));
}

TEST(FgetsStopEndl) {
  ScratchDir dir("mfileex_stopendl");
  dir.Put("l.txt", "one\r\ntwo\rthree\n\nfour");
  MFileEx file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"l.txt").c_str())));
  char out[16];
  CHECK_EQUAL(std::string("one\n"), file.FGETS_STOP_ENDL(out, 16, false));
  CHECK_EQUAL(5u, file.TELL());  // the start of the second line
  CHECK_EQUAL(std::string("two"), file.FGETS_STOP_ENDL(out, 16, true));
  CHECK_EQUAL(9u, file.TELL());  // the letter after the lone CR is left unread
  CHECK_EQUAL(std::string("three\n"), file.FGETS_STOP_ENDL(out, 16, false));
  CHECK_EQUAL(16u, file.TELL());  // LF LF is one line end: both are consumed
  CHECK_EQUAL(std::string("fo"), file.FGETS_STOP_ENDL(out, 3, false));
  CHECK_EQUAL(std::string("ur"), file.FGETS_STOP_ENDL(out, 16, false));  // no line end: no LF
}

// Sets the process locale for one test and restores the "C" locale afterwards.
struct ScopedLocale {
  explicit ScopedLocale(const char* name) : ok(std::setlocale(LC_ALL, name) != nullptr) {}
  ~ScopedLocale() { std::setlocale(LC_ALL, "C"); }
  bool ok;
};

TEST(SearchStringFoldsAsciiOnlyWhateverTheLocale) {
  ScratchDir dir("mfileex_search_locale");
  // "info", "ärger" and the same with an ASCII I; UTF-16LE and UTF-8.
  const std::wstring wide = L"info \u00e4rger";
  std::string units;
  for (wchar_t ch : wide) {
    units += static_cast<char>(ch & 0xFF);
    units += static_cast<char>((ch >> 8) & 0xFF);
  }
  dir.Put("w.bin", units);
  dir.Put("n.txt", "info \xc3\xa4rger");
  for (const char* locale : {"de_DE.UTF-8", "tr_TR.UTF-8"}) {
    ScopedLocale scoped(locale);
    CHECK(scoped.ok);  // generated by scripts/install-deps.sh
    MFileEx file;
    CHECK(file.OPEN_READ(MFileName(dir.Win(L"w.bin").c_str())));
    // Turkish rules would fold I to dotless i; ASCII folds it to i.
    CHECK(file.SEARCH_STRING(L"INFO", static_cast<size_t>(-1), false));
    // German rules would fold \u00c4 to \u00e4; ASCII leaves letters beyond it alone.
    CHECK(file.REWIND());
    CHECK(!file.SEARCH_STRING(L"\u00c4RGER", static_cast<size_t>(-1), false));
    CHECK(file.REWIND());
    CHECK(file.SEARCH_STRING(L"\u00e4RGER", static_cast<size_t>(-1), false));
    CHECK(file.OPEN_READ(MFileName(dir.Win(L"n.txt").c_str())));
    CHECK(file.SEARCH_STRING("INFO", static_cast<size_t>(-1), false));
    CHECK(!file.SEARCH_STRING("\xc3\x84RGER", static_cast<size_t>(-1), false));
    MFile plain;
    CHECK(plain.OPEN_READ(MFileName(dir.Win(L"n.txt").c_str())));
    CHECK(plain.SEARCH_STRING("INFO", -1, false));
    CHECK(!plain.SEARCH_STRING("\xc3\x84RGER", -1, false));
  }
}

TEST(SearchString) {
  ScratchDir dir("mfileex_search");
  dir.Put("s.txt", "xxaaab Needle tail");
  const MFileName name(dir.Win(L"s.txt").c_str());
  MFileEx file;
  CHECK(file.OPEN_READ(name));
  CHECK(file.SEARCH_STRING("aab", static_cast<size_t>(-1), true));  // overlaps a partial match
  CHECK_EQUAL(6u, file.TELL());
  CHECK(!file.SEARCH_STRING("needle", static_cast<size_t>(-1), true));
  CHECK(file.REWIND());
  CHECK(file.SEARCH_STRING("needle", static_cast<size_t>(-1), false));
  CHECK_EQUAL(13u, file.TELL());
  // The window: max minus the length of the text.
  CHECK(file.REWIND());
  CHECK(!file.SEARCH_STRING("aab", 3, true));
  CHECK_EQUAL(0u, file.TELL());
  CHECK(!file.SEARCH_STRING("aab", 8, true));  // 5 bytes read: "xxaaa"
  CHECK(file.REWIND());
  CHECK(file.SEARCH_STRING("aab", 9, true));

  dir.Put("w.bin", Bytes({'a', 0, 'B', 0, 'c', 0, 0x3d, 0xd8, 0x00, 0xde, 'd', 0}));
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"w.bin").c_str())));
  CHECK(file.SEARCH_STRING(L"bc", static_cast<size_t>(-1), false));
  CHECK_EQUAL(6u, file.TELL());
  CHECK(file.SEARCH_STRING(L"\U0001F600d", static_cast<size_t>(-1), true));
  CHECK_EQUAL(12u, file.TELL());
  CHECK(!file.SEARCH_STRING(L"ab", 2, true));  // max equal to the length
}

TEST(ByteArraysOfAValue) {
  ScratchDir dir("mfileex_bytearray");
  const MFileName name(dir.Win(L"b.bin").c_str());
  const std::uint32_t value = 0x11223344;
  MFileEx file;
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(3u, file.WRITE_AS_BYTE_ARRAY(&value, 3));
  file.SET_FILESWAP(0);
  CHECK_EQUAL(2u, file.WRITE_AS_BYTE_ARRAY(&value, 2));
  CHECK_EQUAL(0u, file.WRITE_AS_BYTE_ARRAY(&value, 5));
  CHECK(file.CLOSE());
  CHECK_EQUAL(Hex(Bytes({0x44, 0x33, 0x22, 0x11, 0x22})), Hex(dir.Get("b.bin")));
  file.SET_FILESWAP(7);  // order codes outlive the open
  CHECK(file.OPEN_READ(name));
  std::uint32_t back = 0xFFFFFFFF;
  CHECK_EQUAL(3u, file.READ_AS_BYTE_ARRAY(&back, 3));
  CHECK_EQUAL(0x00223344u, back);
  file.SET_FILESWAP(0);
  CHECK_EQUAL(2u, file.READ_AS_BYTE_ARRAY(&back, 2));
  CHECK_EQUAL(0x11220000u, back);
}

TEST(CopyTranslatesEachSide) {
  ScratchDir dir("mfileex_copy");
  dir.Put("src.txt", "a\r\nb\r\nc");
  MFileEx source;
  MFileEx target(16);
  CHECK(source.OPEN_ASCII_READ(MFileName(dir.Win(L"src.txt").c_str())));
  CHECK(target.OPEN_WRITE(MFileName(dir.Win(L"bin.txt").c_str())));
  CHECK(target.COPY(source));
  CHECK(target.CLOSE());
  CHECK_EQUAL(std::string("a\nb\nc"), dir.Get("bin.txt"));

  CHECK(source.OPEN_READ(MFileName(dir.Win(L"bin.txt").c_str())));
  CHECK(target.OPEN_ASCII_WRITE(MFileName(dir.Win(L"text.txt").c_str())));
  CHECK(target.COPY(source, 3));
  CHECK_EQUAL(3u, source.TELL());
  CHECK(!target.COPY(target));
  CHECK(target.CLOSE());
  CHECK_EQUAL(std::string("a\r\nb"), dir.Get("text.txt"));
}

TEST(ElementTransfersKeepPositionAndOrderBetweenEveryOtherOperation) {
  // A 16-byte buffer, so elements meet its end, refills and flushes all the time.
  ScratchDir dir("mfileex_elements");
  const MFileName name(dir.Win(L"e.bin").c_str());
  FileModel model;
  for (std::uint32_t seed : {3u, 11u}) {
    MFileEx file(16);
    CHECK(file.OPEN_WRITE(name));
    model = FileModel();
    RunElementsAgainstModel(file, model, seed, 1500, false, true);
    CHECK(file.CHANGE_MODE(MFileEx::MODE_UPDATE));
    model.position = 0;
    file.SET_FILESWAP(model.code);  // the new open keeps the object's codes
    RunElementsAgainstModel(file, model, seed + 1, 1500, true, true);
    CHECK(file.CHANGE_MODE(MFileEx::MODE_READ));
    model.position = 0;
    RunElementsAgainstModel(file, model, seed + 2, 1500, true, false);
    CHECK(file.CLOSE());
    CHECK(model.bytes == dir.Get("e.bin"));
  }
}

TEST(NullElementArraysTransferNothing) {
  ScratchDir dir("mfileex_null");
  MFileEx file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"n.bin").c_str())));
  CHECK_EQUAL(0u, file.WRITE(static_cast<const std::int32_t*>(nullptr), 1));
  CHECK_EQUAL(0u, file.TELL());
  const std::int32_t v = 1;
  CHECK_EQUAL(1u, file.WRITE(&v, 1));
  CHECK(file.CHANGE_MODE(MFileEx::MODE_READ));
  CHECK_EQUAL(0u, file.READ(static_cast<std::int32_t*>(nullptr), 1));
  CHECK_EQUAL(0u, file.TELL());
}

TEST(SetBufferSizeKeepsThePosition) {
  ScratchDir dir("mfileex_bufsize");
  dir.Put("b.bin", "0123456789abcdef");
  MFileEx file(4);  // raised to the minimum
  CHECK_EQUAL(16u, file.GET_BUFFER_SIZE());
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"b.bin").c_str())));
  char buf[4] = {};
  file.READ(buf, 3);
  CHECK(file.SET_BUFFER_SIZE(32));
  CHECK_EQUAL(3u, file.TELL());
  file.READ(buf, 2);
  CHECK_EQUAL(std::string("34"), std::string(buf, 2));
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"w.bin").c_str())));
  file.WRITE_STRING("pending");
  CHECK(file.SET_BUFFER_SIZE(64));
  CHECK_EQUAL(7, file.SIZE());
}

TEST(PartsRoundTripSevenBytesEach) {
  ScratchDir dir("mfileex_parts");
  const MFileName name(dir.Win(L"p.bin").c_str());
  MFileEx file;
  Triple parts[3] = {{-1, 0xABCD, 7}, {0x01020304, 2, 255}, {5, 6, 0}};
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(0u, file.WRITE(parts, 0));
  for (auto& p : parts) p.swap_ = &file;
  file.SET_FILESWAP(0);
  CHECK_EQUAL(3u, file.WRITE(parts, 3));
  CHECK(file.CLOSE());
  const std::string disk = dir.Get("p.bin");
  CHECK_EQUAL(21u, disk.size());
  CHECK_EQUAL(Hex(Bytes({0xff, 0xff, 0xff, 0xff, 0xab, 0xcd, 7})), Hex(disk.substr(0, 7)));

  CHECK(file.OPEN_READ(name));
  file.SET_FILESWAP(0);
  Triple back[5];
  for (auto& p : back) p.swap_ = &file;
  back[3] = Triple(9, 9, 9);
  back[3].swap_ = &file;
  CHECK_EQUAL(3u, file.READ(back, 5));
  CHECK(back[0] == parts[0] && back[1] == parts[1] && back[2] == parts[2]);
  CHECK(back[3] == Triple(9, 9, 9));  // untouched
}

TEST(PartsWithTheBasePackingWriteZeros) {
  ScratchDir dir("mfileex_opaque");
  const MFileName name(dir.Win(L"o.bin").c_str());
  MFileEx file;
  Opaque parts[2];
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(2u, file.WRITE(parts, 2));
  CHECK(file.CLOSE());
  CHECK_EQUAL(std::string(6, '\0'), dir.Get("o.bin"));
  CHECK(file.OPEN_READ(name));
  CHECK_EQUAL(2u, file.READ(parts, 2));
  CHECK_EQUAL(5, parts[0].value);
}

TEST(PartsInTextModeAreTranslated) {
  ScratchDir dir("mfileex_textparts");
  MFileEx file;
  Triple part(0x0A, 0x0A0A, 0x0A);
  CHECK(file.OPEN_ASCII_WRITE(MFileName(dir.Win(L"t.bin").c_str())));
  CHECK_EQUAL(1u, file.WRITE(&part, 1));
  CHECK(file.CLOSE());
  CHECK_EQUAL(Hex(Bytes({13, 10, 0, 0, 0, 13, 10, 13, 10, 13, 10})), Hex(dir.Get("t.bin")));
}

TEST(ReadsPastTheEndCountWholeElements) {
  ScratchDir dir("mfileex_partial");
  dir.Put("p.bin", Bytes({1, 0, 0, 0, 2, 0}));
  MFileEx file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"p.bin").c_str())));
  std::int32_t values[3] = {0, 0, 0};
  CHECK_EQUAL(1u, file.READ(values, 3));
  CHECK_EQUAL(1, values[0]);
  CHECK_EQUAL(6u, file.TELL());
}

TEST(TypedWideUnitsInTextMode) {
  ScratchDir dir("mfileex_wchartext");
  const MFileName name(dir.Win(L"w.txt").c_str());
  const wchar_t text[3] = {L'a', L'\n', L'b'};
  MFileEx file;
  CHECK(file.OPEN_ASCII_WRITE(name));
  CHECK_EQUAL(3u, file.WRITE(text, 3));
  CHECK(file.CLOSE());
  CHECK_EQUAL(Hex(Bytes({'a', 0, 13, 0, 10, 0, 'b', 0})), Hex(dir.Get("w.txt")));
  CHECK(file.OPEN_ASCII_READ(name));
  wchar_t back[4] = {};
  CHECK_EQUAL(3u, file.READ(back, 4));
  CHECK(std::memcmp(text, back, sizeof text) == 0);
}

TEST(ControlledFlag) {
  MFileEx file;
  CHECK(!file.IS_CONTROLLED());
  file.TAKE_CONTROL();
  CHECK(file.IS_CONTROLLED());
  file.RELEASE_CONTROL();
  CHECK(!file.IS_CONTROLLED());
  CHECK(MFileEx::IsFolderSeparator('\\') && MFileEx::IsFolderSeparator('/'));
  CHECK(!MFileEx::IsFolderSeparator(':'));
  CHECK_EQUAL(0u, file.TELL());
  CHECK_EQUAL(-1, file.SIZE());
  CHECK(file.CLOSE());
}

TEST(TextModeAtEveryBufferBoundary) {
  ScratchDir dir("mfileex_boundaries");
  const MFileName name(dir.Win(L"b.txt").c_str());
  // Lines of varying length, a lone CR, a blank line and characters beyond U+FFFF, so that line
  // ends and surrogate pairs fall on every place of small buffers.
  const std::wstring wide =
      L"a\nbc\n\nd\re\U0001F600\nfgh\U0001F601\U0001F602\nij\nklmnopq\n\U0001F603\r\nz";
  std::string narrow;
  for (wchar_t ch : wide) narrow += ch < 0x80 ? static_cast<char>(ch) : '#';
  std::string narrow_disk;
  for (char ch : narrow) narrow_disk += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  // Reading in text mode drops every CR, the lone ones included.
  std::string narrow_read;
  for (char ch : narrow) {
    if (ch != '\r') narrow_read += ch;
  }
  std::wstring wide_read;
  for (wchar_t ch : wide) {
    if (ch != L'\r') wide_read += ch;
  }
  for (size_t buffer = 16; buffer <= 27; ++buffer) {
    MFileEx file(buffer);
    CHECK(file.OPEN_ASCII_WRITE(name));
    CHECK_EQUAL(narrow.size(), file.WRITE_STRING(narrow.c_str()));
    CHECK(file.CLOSE());
    CHECK_EQUAL(Hex(narrow_disk), Hex(dir.Get("b.txt")));
    CHECK(file.OPEN_ASCII_READ(name));
    std::string back(narrow.size() + 4, '\0');
    CHECK_EQUAL(narrow_read.size(), file.READ(&back[0], back.size()));
    back.resize(narrow_read.size());
    CHECK_EQUAL(narrow_read, back);

    CHECK(file.OPEN_ASCII_WRITE(name));
    CHECK_EQUAL(wide.size(), static_cast<size_t>(file.FPRINTF(L"%s", wide.c_str())));
    CHECK(file.CLOSE());
    CHECK(file.OPEN_ASCII_READ(name));
    std::wstring chars(wide.size() + 4, L'\0');
    CHECK_EQUAL(wide_read.size(), file.READ(&chars[0], chars.size()));
    chars.resize(wide_read.size());
    CHECK(wide_read == chars);
    CHECK(file.REWIND());
    // FGETS: text mode drops every CR, so only the LFs end lines.
    std::wstring lines;
    wchar_t line[8];
    while (!file.FEOF() && lines.size() < 200) lines += file.FGETS(line, 8);
    CHECK(lines == L"a\nbc\n\nde\U0001F600\nfgh\U0001F601\U0001F602\nij\nklmnopq\n\U0001F603\nz");
  }
}

TEST(SurrogatePairAcrossAChunkOfUnits) {
  ScratchDir dir("mfileex_pairchunk");
  const MFileName name(dir.Win(L"p.bin").c_str());
  std::wstring text(2047, L'a');
  text += L"\U0001F600";
  text += L'\xD800';  // a lone high surrogate at the end stays one unit
  MFileEx file;
  CHECK(file.OPEN_WRITE(name));
  CHECK_EQUAL(text.size(), file.WRITE(text.data(), text.size()));
  CHECK(file.CLOSE());
  CHECK_EQUAL(2 * (2047u + 2 + 1), dir.Get("p.bin").size());
  CHECK(file.OPEN_READ(name));
  std::wstring back(text.size() + 5, L'\0');
  CHECK_EQUAL(text.size(), file.READ(&back[0], back.size()));
  back.resize(text.size());
  CHECK(text == back);
}

TEST(FlushToDiskFailureIsReported) {
  ScratchDir dir("mfileex_flush");
  MFileEx file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"f.bin").c_str())));
  file.WRITE_STRING("data");
  CHECK(file.FLUSH(true));
  CHECK_EQUAL(std::string("data"), dir.Get("f.bin"));
  file.WRITE_STRING("more");
  {
    zb::platform::ScopedFault fault(zb::platform::FaultPoint::kFlush, 1, EIO);
    CHECK(!file.FLUSH(true));
  }
  CHECK_EQUAL(0xFFFFFFFFu, file.GET_RESULT());
  CHECK(!file.CLOSE());
}

TEST(CopyReportsAShortWrite) {
  ScratchDir dir("mfileex_copyfault");
  dir.Put("src.bin", std::string(100, 's'));
  MFileEx source;
  MFileEx target(16);
  CHECK(source.OPEN_READ(MFileName(dir.Win(L"src.bin").c_str())));
  CHECK(target.OPEN_WRITE(MFileName(dir.Win(L"dst.bin").c_str())));
  zb::platform::ScopedFault fault(zb::platform::FaultPoint::kWrite, 1, ENOSPC);
  CHECK(!target.COPY(source));
  CHECK_EQUAL(29u, target.GET_RESULT());
}

}  // SUITE(MFileEx)
