// One record written through MFile (a stream on disk), MFileEx (a handle, binary mode) and
// MFileMemory, with every pair of order codes: the three give the same bytes.
#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileEx.h>
#include <zorbase/files/MFileMemory.h>
#include <zorbase/files/MFilePart.h>
#include <zorbase/files/MFilePartEx.h>
#include <zorbase/platform/internal/scratch_dir.h>

namespace {

// The same 6-byte record (a 32-bit and a 16-bit value in file order) for both file classes.
template <class Base>
class Pair : public Base {
 public:
  Pair() = default;
  Pair(std::uint32_t a, std::int16_t b, const MSwap* swap) : a_(a), b_(b), swap_(swap) {}
  size_t PART_SIZE() const { return 6; }
  void Pack(unsigned char* record) const {
    std::uint32_t a = a_;
    std::int16_t b = b_;
    swap_->SWAP(&a, 1);
    swap_->SWAP(&b, 1);
    std::memcpy(record, &a, 4);
    std::memcpy(record + 4, &b, 2);
  }

  std::uint32_t a_ = 0;
  std::int16_t b_ = 0;
  const MSwap* swap_ = nullptr;
};

class PairPart : public Pair<MFilePart> {
 public:
  using Pair::Pair;
  MFilePart* GET_PART(size_t index) override { return this + index; }
  size_t PART_SIZE() override { return Pair::PART_SIZE(); }
  void SWAP_OUT(unsigned char* record) override { Pack(record); }
};

class PairPartEx : public Pair<MFilePartEx> {
 public:
  using Pair::Pair;
  MFilePartEx* GET_PART(size_t index) override { return this + index; }
  size_t PART_SIZE() override { return Pair::PART_SIZE(); }
  void SWAP_OUT(unsigned char* record) override { Pack(record); }
};

struct Record {
  bool flag = true;
  char letters[3] = {'z', 'o', 'r'};
  short s = -2;
  unsigned short us = 0xBEEF;
  std::int32_t l = -123456789;
  std::uint32_t ul[3] = {1, 0x01020304u, 0xFFFFFFFEu};
  float f = 0.15625f;
  double d = -1234.5e-7;
  long long ll = -0x123456789ALL;
  unsigned long long ull = 0x0102030405060708ULL;
  std::uint32_t bytes = 0x00ABCDEFu;
  std::string text = "record text";
};

// Writes the record through any of the three files; the element calls are the same.
template <class File, class Part, class Text>
void WriteRecord(File& file, const Record& r) {
  bool flag = r.flag;
  short s = r.s;
  unsigned short us = r.us;
  std::int32_t l = r.l;
  std::uint32_t ul[3] = {r.ul[0], r.ul[1], r.ul[2]};
  float f = r.f;
  double d = r.d;
  long long ll = r.ll;
  unsigned long long ull = r.ull;
  std::uint32_t bytes = r.bytes;
  CHECK_EQUAL(1u, file.WRITE(&flag, 1));
  CHECK_EQUAL(3u, file.WRITE(r.letters, 3));
  CHECK_EQUAL(1u, file.WRITE(&s, 1));
  CHECK_EQUAL(1u, file.WRITE(&us, 1));
  CHECK_EQUAL(1u, file.WRITE(&l, 1));
  CHECK_EQUAL(3u, file.WRITE(ul, 3));
  CHECK_EQUAL(1u, file.WRITE(&f, 1));
  CHECK_EQUAL(1u, file.WRITE(&d, 1));
  CHECK_EQUAL(1u, file.WRITE(&ll, 1));
  CHECK_EQUAL(1u, file.WRITE(&ull, 1));
  CHECK_EQUAL(3u, file.WRITE_AS_BYTE_ARRAY(&bytes, 3));
  CHECK_EQUAL(r.text.size(), file.WRITE_STRING_DATA(Text(r.text.c_str())));
  Part parts[2] = {Part(0xCAFEF00Du, -3, &file), Part(7, 8, &file)};
  CHECK_EQUAL(2u, file.WRITE(parts, 2));
}

std::string MemoryBytes(const MFileMemory& file) {
  return std::string(reinterpret_cast<const char*>(file.GET_BUFFER()),
                     static_cast<size_t>(file.SIZE()));
}

}  // namespace

SUITE(SameRecordBytes) {

TEST(FileFileExAndMemoryAgreeForEveryOrderCode) {
  zb::test::ScratchDir dir("same_record_bytes");
  const Record record;
  for (unsigned char machine = 0; machine < 8; machine += 7) {
    for (unsigned char code = 0; code < 8; ++code) {
      const MFileName plain_name(dir.Win(L"plain.bin").c_str());
      const MFileName ex_name(dir.Win(L"ex.bin").c_str());
      {
        MFile plain;
        plain.SET_MACHINESWAP(machine);
        plain.SET_FILESWAP(code);
        CHECK(plain.OPEN_WRITE(plain_name));
        WriteRecord<MFile, PairPart, std::string>(plain, record);
        CHECK(plain.CLOSE());
      }
      {
        MFileEx ex;
        ex.SET_MACHINESWAP(machine);
        ex.SET_FILESWAP(code);
        CHECK(ex.OPEN_WRITE(ex_name));
        WriteRecord<MFileEx, PairPartEx, CStringA>(ex, record);
        CHECK(ex.CLOSE());
      }
      MFileMemory memory;
      memory.SET_MACHINESWAP(machine);
      memory.SET_FILESWAP(code);
      CHECK(memory.OPEN_WRITE(8, nullptr));
      WriteRecord<MFileMemory, PairPart, std::string>(memory, record);

      const std::string plain_bytes = dir.Get("plain.bin");
      CHECK_EQUAL(1u + 3 + 2 + 2 + 4 + 12 + 4 + 8 + 8 + 8 + 3 + 2 + 11 + 12, plain_bytes.size());
      CHECK(plain_bytes == dir.Get("ex.bin"));
      CHECK(plain_bytes == MemoryBytes(memory));
      // Same codes: no conversion, the machine's own bytes.
      if (machine == code) {
        short s = 0;
        std::memcpy(&s, plain_bytes.data() + 4, 2);
        CHECK_EQUAL(record.s, s);
      }
    }
  }
}


// Arrays of every fundamental type, two elements each, and the bytes a Windows build writes for
// them in little-endian order (file code 7), written out by hand.
struct EveryType {
  bool b[2] = {true, false};
  char c[2] = {'A', 'z'};
  signed char sc[2] = {-1, 2};
  unsigned char uc[2] = {0x80, 0x7F};
  short s[2] = {-2, 0x1234};
  unsigned short us[2] = {0xBEEF, 1};
  char16_t c16[2] = {u'\u20AC', u'a'};
  wchar_t wc[2] = {L'\u00E9', L'Z'};
  int i[2] = {-3, 0x01020304};
  unsigned int ui[2] = {0xFFFFFFFEu, 5};
  long l[2] = {-4, 0x7FFFFFFF};
  unsigned long ul[2] = {0xFFFFFFFFul, 6};
  char32_t c32[2] = {U'\U0001F600', U'b'};
  float f[2] = {1.0f, -2.5f};
  double d[2] = {1.0, -0.5};
  long long ll[2] = {-5, 0x0102030405060708LL};
  unsigned long long ull[2] = {0xFFFFFFFFFFFFFFFFULL, 7};
  long double ld[2] = {0.25L, 3.0L};
};

// (element width, little-endian bytes of the two elements) in the order of EveryType.
const std::vector<std::pair<int, std::vector<int>>>& EveryTypeBytes() {
  static const std::vector<std::pair<int, std::vector<int>>> table = {
      {1, {0x01, 0x00}},
      {1, {0x41, 0x7A}},
      {1, {0xFF, 0x02}},
      {1, {0x80, 0x7F}},
      {2, {0xFE, 0xFF, 0x34, 0x12}},
      {2, {0xEF, 0xBE, 0x01, 0x00}},
      {2, {0xAC, 0x20, 0x61, 0x00}},
      {2, {0xE9, 0x00, 0x5A, 0x00}},
      {4, {0xFD, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01}},
      {4, {0xFE, 0xFF, 0xFF, 0xFF, 0x05, 0x00, 0x00, 0x00}},
      {4, {0xFC, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
      {4, {0xFF, 0xFF, 0xFF, 0xFF, 0x06, 0x00, 0x00, 0x00}},
      {4, {0x00, 0xF6, 0x01, 0x00, 0x62, 0x00, 0x00, 0x00}},
      {4, {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x20, 0xC0}},
      {8, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0xE0, 0xBF}},
      {8, {0xFB, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}},
      {8, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0, 0, 0, 0, 0, 0, 0}},
      {8, {0, 0, 0, 0, 0, 0, 0xD0, 0x3F, 0, 0, 0, 0, 0, 0, 0x08, 0x40}},
  };
  return table;
}

// The expected file: the table as it stands (file code 7) or every element reversed (code 0).
std::string ExpectedEveryType(bool reversed) {
  std::string out;
  for (const auto& entry : EveryTypeBytes()) {
    const int width = entry.first;
    for (size_t e = 0; e < entry.second.size(); e += width) {
      for (int k = 0; k < width; ++k) {
        out += static_cast<char>(entry.second[e + (reversed ? width - 1 - k : k)]);
      }
    }
  }
  return out;
}

// Writes every array of `v` through `file`; with kConst as const arrays.
template <class File, bool kConst>
void WriteEveryType(File& file, EveryType& v) {
  auto put = [&file](auto* p) {
    using T = std::remove_pointer_t<decltype(p)>;
    if (kConst) {
      CHECK_EQUAL(2u, file.WRITE(static_cast<const T*>(p), 2));
    } else {
      CHECK_EQUAL(2u, file.WRITE(p, 2));
    }
  };
  put(v.b); put(v.c); put(v.sc); put(v.uc); put(v.s); put(v.us); put(v.c16); put(v.wc);
  put(v.i); put(v.ui); put(v.l); put(v.ul); put(v.c32); put(v.f); put(v.d); put(v.ll);
  put(v.ull); put(v.ld);
}

template <class File>
void ReadEveryType(File& file, EveryType& v) {
  auto get = [&file](auto* p) { CHECK_EQUAL(2u, file.READ(p, 2)); };
  get(v.b); get(v.c); get(v.sc); get(v.uc); get(v.s); get(v.us); get(v.c16); get(v.wc);
  get(v.i); get(v.ui); get(v.l); get(v.ul); get(v.c32); get(v.f); get(v.d); get(v.ll);
  get(v.ull); get(v.ld);
}

bool SameValues(const EveryType& a, const EveryType& b) {
  for (int k = 0; k < 2; ++k) {
    if (a.b[k] != b.b[k] || a.c[k] != b.c[k] || a.sc[k] != b.sc[k] || a.uc[k] != b.uc[k] ||
        a.s[k] != b.s[k] || a.us[k] != b.us[k] || a.c16[k] != b.c16[k] || a.wc[k] != b.wc[k] ||
        a.i[k] != b.i[k] || a.ui[k] != b.ui[k] || a.l[k] != b.l[k] || a.ul[k] != b.ul[k] ||
        a.c32[k] != b.c32[k] || a.f[k] != b.f[k] || a.d[k] != b.d[k] || a.ll[k] != b.ll[k] ||
        a.ull[k] != b.ull[k] || a.ld[k] != b.ld[k]) {
      return false;
    }
  }
  return true;
}

EveryType Zeroed() {
  EveryType v;
  std::memset(static_cast<void*>(&v), 0, sizeof v);
  return v;
}

TEST(EveryFundamentalTypeHasItsWindowsWidthInAllThreeFiles) {
  zb::test::ScratchDir dir("every_type_bytes");
  for (unsigned char code : {7, 0}) {
    const std::string expected = ExpectedEveryType(code == 0);
    const MFileName plain_name(dir.Win(L"plain.bin").c_str());
    const MFileName ex_name(dir.Win(L"ex.bin").c_str());
    EveryType values;
    {
      MFile plain;
      plain.SET_FILESWAP(code);
      CHECK(plain.OPEN_WRITE(plain_name));
      WriteEveryType<MFile, false>(plain, values);
      CHECK(plain.CLOSE());
      CHECK(SameValues(EveryType(), values));  // converted back in place
    }
    {
      MFileEx ex;
      ex.SET_FILESWAP(code);
      CHECK(ex.OPEN_WRITE(ex_name));
      WriteEveryType<MFileEx, true>(ex, values);
      CHECK(ex.CLOSE());
    }
    MFileMemory memory;
    memory.SET_FILESWAP(code);
    CHECK(memory.OPEN_WRITE(8, nullptr));
    WriteEveryType<MFileMemory, true>(memory, values);

    CHECK(dir.Get("plain.bin") == expected);
    CHECK(dir.Get("ex.bin") == expected);
    CHECK(MemoryBytes(memory) == expected);

    EveryType back = Zeroed();
    MFile plain;
    plain.SET_FILESWAP(code);
    CHECK(plain.OPEN_READ(plain_name));
    ReadEveryType(plain, back);
    CHECK(SameValues(values, back));
    back = Zeroed();
    MFileEx ex;
    ex.SET_FILESWAP(code);
    CHECK(ex.OPEN_READ(ex_name));
    ReadEveryType(ex, back);
    CHECK(SameValues(values, back));
    back = Zeroed();
    CHECK(memory.OPEN_READ(0));
    ReadEveryType(memory, back);
    CHECK(SameValues(values, back));
  }
}

// A long that does not fit 32 bits is refused before anything reaches the file; 4 bytes read into
// long are sign-extended, into unsigned long zero-extended.
TEST(LongValuesBeyondThirtyTwoBitsAreRefused) {
  zb::test::ScratchDir dir("long_widths");
  const MFileName name(dir.Win(L"longs.bin").c_str());
#ifndef _WIN32  // long has 32 bits on Windows: no value to refuse
  const long too_big[3] = {1, 0x100000000L, 2};
  const unsigned long too_big_unsigned[1] = {0x1FFFFFFFFul};
  const long too_small[1] = {-0x80000001L};
  {
    MFile plain;
    CHECK(plain.OPEN_WRITE(name));
    CHECK_EQUAL(0u, plain.WRITE(too_big, 3));
    CHECK_EQUAL(87u, plain.GET_RESULT());
    plain.RESET_RESULT();
    CHECK_EQUAL(0u, plain.WRITE(too_big_unsigned, 1));
    CHECK_EQUAL(0u, plain.WRITE(too_small, 1));
    CHECK_EQUAL(87u, plain.GET_RESULT());
    CHECK_EQUAL(0, plain.TELL());
    CHECK(plain.CLOSE());
    CHECK_EQUAL(0u, dir.Get("longs.bin").size());
  }
  {
    MFileEx ex;
    CHECK(ex.OPEN_WRITE(name));
    CHECK_EQUAL(0u, ex.WRITE(too_big, 3));
    CHECK_EQUAL(87u, ex.GET_RESULT());
    CHECK_EQUAL(0u, ex.WRITE(too_small, 1));
    CHECK_EQUAL(0u, ex.TELL());
    CHECK(ex.CLOSE());
    CHECK_EQUAL(0u, dir.Get("longs.bin").size());
  }
  MFileMemory memory;
  CHECK(memory.OPEN_WRITE(8, nullptr));
  CHECK_EQUAL(0u, memory.WRITE(too_big_unsigned, 1));
  CHECK_EQUAL(87u, memory.GET_RESULT());
  CHECK_EQUAL(0, memory.SIZE());

  // WRITE_AS_BYTE_ARRAY of a host's unsigned long: 32 bits, refused beyond.
  unsigned long wide = 0x1FFFFFFFFul;
  MFile plain_bytes;
  CHECK(plain_bytes.OPEN_WRITE(name));
  CHECK_EQUAL(0u, plain_bytes.WRITE_AS_BYTE_ARRAY(&wide, 4));
  CHECK_EQUAL(87u, plain_bytes.GET_RESULT());
  wide = 0x00CCBBAAul;
  CHECK_EQUAL(3u, plain_bytes.WRITE_AS_BYTE_ARRAY(&wide, 3));
  CHECK(plain_bytes.CLOSE());
  CHECK(dir.Get("longs.bin") == "\xAA\xBB\xCC");
  MFileEx ex_bytes;
  CHECK(ex_bytes.OPEN_WRITE(name));
  wide = 0x1FFFFFFFFul;
  CHECK_EQUAL(0u, ex_bytes.WRITE_AS_BYTE_ARRAY(&wide, 4));
  CHECK_EQUAL(87u, ex_bytes.GET_RESULT());
  CHECK(ex_bytes.CLOSE());
  CHECK(plain_bytes.OPEN_READ(name));
  wide = 0xFFFFFFFFFFFFFFFFul;
  CHECK_EQUAL(0u, plain_bytes.READ_AS_BYTE_ARRAY(&wide, 3));  // the file is empty now
  CHECK_EQUAL(0ul, wide);
#endif

  const unsigned char bytes[4] = {0xFE, 0xFF, 0xFF, 0xFF};
  dir.Put("longs.bin", std::string(reinterpret_cast<const char*>(bytes), 4));
  long l = 0;
  unsigned long ul = 0;
  MFile plain;
  CHECK(plain.OPEN_READ(name));
  CHECK_EQUAL(1u, plain.READ(&l, 1));
  CHECK_EQUAL(-2L, l);
  CHECK(plain.REWIND());
  CHECK_EQUAL(1u, plain.READ(&ul, 1));
  CHECK_EQUAL(0xFFFFFFFEul, ul);
  MFileEx ex;
  CHECK(ex.OPEN_READ(name));
  l = 0;
  CHECK_EQUAL(1u, ex.READ(&l, 1));
  CHECK_EQUAL(-2L, l);
  CHECK(ex.REWIND());
  ul = 0;
  CHECK_EQUAL(1u, ex.READ(&ul, 1));
  CHECK_EQUAL(0xFFFFFFFEul, ul);
}

// Out of memory is one rule for both file classes: a block of parts that cannot be allocated
// throws std::bad_alloc before anything reaches the file. (Not under AddressSanitizer, which
// reports such a request instead of failing it.)
#if !defined(__SANITIZE_ADDRESS__)
TEST(PartsBlockOutOfMemoryThrowsBeforeWriting) {
  zb::test::ScratchDir dir("parts_out_of_memory");
  const size_t huge = (static_cast<size_t>(1) << 62) / 6;  // 2^62 bytes of records
  PairPart part(1, 2, nullptr);
  MFile plain;
  CHECK(plain.OPEN_WRITE(MFileName(dir.Win(L"plain.bin").c_str())));
  CHECK_THROW(plain.WRITE(&part, huge), std::bad_alloc);
  CHECK_EQUAL(0, plain.TELL());
  PairPartEx part_ex(1, 2, nullptr);
  MFileEx ex;
  CHECK(ex.OPEN_WRITE(MFileName(dir.Win(L"ex.bin").c_str())));
  CHECK_THROW(ex.WRITE(&part_ex, huge), std::bad_alloc);
  CHECK_EQUAL(0u, ex.TELL());
  CHECK_THROW(ex.READ(&part_ex, huge), std::bad_alloc);
}
#endif

}  // SUITE(SameRecordBytes)
