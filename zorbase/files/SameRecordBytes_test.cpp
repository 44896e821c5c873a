// One record written through MFile (a stream on disk), MFileEx (a handle, binary mode) and
// MFileMemory, with every pair of order codes: the three give the same bytes.
#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <string>

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
  const MFilePartEx* GET_PART(size_t index) const override { return this + index; }
  size_t PART_SIZE() const override { return Pair::PART_SIZE(); }
  void SWAP_OUT(unsigned char* record) const override { Pack(record); }
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
  std::int64_t ll = -0x123456789ALL;
  std::uint64_t ull = 0x0102030405060708ULL;
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
  std::int64_t ll = r.ll;
  std::uint64_t ull = r.ull;
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

}  // SUITE(SameRecordBytes)
