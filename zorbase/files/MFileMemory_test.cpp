#include <zorbase/files/MFileMemory.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <string>

#include <zorbase/files/MFileName.h>

namespace {

std::string Content(const MFileMemory& file) {
  return std::string(reinterpret_cast<const char*>(file.GET_BUFFER()),
                     static_cast<size_t>(file.SIZE()));
}

}  // namespace

SUITE(MFileMemory) {

TEST(NewObjectIsClosedAndEmpty) {
  MFileMemory file;
  CHECK(!file.IS_OPEN());
  CHECK(file.GET_BUFFER() == nullptr);
  CHECK_EQUAL(0u, file.GET_CAPACITY());
  CHECK_EQUAL(0, file.SIZE());
  CHECK_EQUAL(0, file.TELL());
  CHECK(file.IS_OWNED());
  CHECK(file.GET_FILENAME() == nullptr);
  char ch;
  CHECK_EQUAL(0u, file.READ(&ch, 1));
}

TEST(OwnedBlockGrowsFrom16To24) {
  MFileMemory file;
  CHECK(file.OPEN_WRITE(16, nullptr));
  CHECK(file.IS_OPEN() && file.IS_OPEN_WRITE() && !file.IS_OPEN_READ());
  const char data[] = "0123456789abcdefghij";
  CHECK_EQUAL(20u, file.WRITE(data, 20));
  CHECK_EQUAL(24u, file.GET_CAPACITY());
  CHECK_EQUAL(20, file.SIZE());
  CHECK_EQUAL(20, file.TELL());
  CHECK(file.CHANGE_MODE(1));
  CHECK_EQUAL(0, file.TELL());
  char back[21] = {};
  CHECK_EQUAL(20u, file.READ(back, 20));
  CHECK_EQUAL(std::string(data), back);
  CHECK(file.FEOF());
}

TEST(GrowthTakesWhatTheWriteNeeds) {
  MFileMemory file;
  CHECK(file.OPEN_WRITE(0, nullptr));
  CHECK(file.IS_OPEN());  // an empty owned block is still a block
  const std::string big(100, 'x');
  CHECK_EQUAL(100u, file.WRITE(big.data(), 100));
  CHECK_EQUAL(100u, file.GET_CAPACITY());
  CHECK_EQUAL(1u, file.WRITE(big.data(), 1));  // reaches the capacity: grows by half
  CHECK_EQUAL(150u, file.GET_CAPACITY());
}

TEST(LentBlockIsCutAtItsSize) {
  unsigned char buffer[8];
  std::memset(buffer, '.', sizeof buffer);
  MFileMemory file;
  CHECK(file.OPEN_WRITE(8, buffer));
  CHECK(!file.IS_OWNED());
  CHECK_EQUAL(8, file.SIZE());  // a lent block counts as full
  const char data[] = "ABCDEFGHIJKL";
  CHECK_EQUAL(8u, file.WRITE(data, 12));
  CHECK_EQUAL(std::string("ABCDEFGH"), std::string(reinterpret_cast<char*>(buffer), 8));
  CHECK_EQUAL(8u, file.GET_CAPACITY());
  CHECK_EQUAL(0u, file.WRITE(data, 1));
  // Elements are counted whole.
  CHECK(file.SEEK(3, 0));
  const std::int32_t values[2] = {1, 2};
  CHECK_EQUAL(1u, file.WRITE(values, 2));
  CHECK_EQUAL(8, file.TELL());
  CHECK(file.SET_BUFFER_SIZE(4));  // within the capacity: nothing to do
  CHECK(!file.SET_BUFFER_SIZE(16));
  CHECK_EQUAL(1u, file.GET_RESULT());
}

TEST(SeekAndFeof) {
  MFileMemory file;
  CHECK(file.OPEN_WRITE(4, nullptr));
  file.WRITE("abcdef", 6);
  struct Case {
    __int64 offset;
    LONG origin;
    bool ok;
    __int64 position;
  } const cases[] = {
      {0, 2, true, 6},  {1, 2, false, 6},   {-6, 2, true, 0}, {-7, 2, false, 0},
      {6, 0, true, 6},  {7, 0, false, 6},   {-1, 0, false, 6}, {-2, 1, true, 4},
      {3, 1, false, 4}, {2, 1, true, 6},    {0, 5, false, 6},
  };
  for (const auto& c : cases) {
    CHECK_EQUAL(c.ok, file.SEEK(c.offset, c.origin));
    CHECK_EQUAL(c.position, file.TELL());
  }
  CHECK(file.SEEK(0, 2));
  CHECK(file.FEOF());
  CHECK(file.SEEK(-1, 2));
  CHECK(!file.FEOF());
}

TEST(ReopenForReading) {
  MFileMemory file;
  CHECK(!file.OPEN_READ(0, nullptr));  // no block yet
  CHECK(file.OPEN_WRITE(8, nullptr));
  const std::uint32_t value = 0xA1B2C3D4u;
  file.WRITE(&value, 1);
  CHECK(file.CLOSE());
  CHECK(!file.IS_OPEN());
  CHECK(file.GET_BUFFER() != nullptr);  // the data stays
  CHECK(file.OPEN_READ(0, nullptr));
  CHECK(file.IS_OPEN_READ());
  CHECK_EQUAL(0, file.TELL());
  CHECK_EQUAL(4, file.SIZE());
  std::uint32_t back = 0;
  CHECK_EQUAL(1u, file.READ(&back, 1));
  CHECK_EQUAL(value, back);
  CHECK_EQUAL(0u, file.READ(&back, 1));  // past the size
  // A block opened for reading is not written.
  CHECK_EQUAL(0u, file.WRITE(&value, 1));
  CHECK_EQUAL(1u, file.GET_RESULT());
}

TEST(ReadCallersData) {
  unsigned char data[6] = {'h', 'e', 'l', 'l', 'o', 0};
  MFileMemory file;
  CHECK(file.OPEN_READ(6, data));
  CHECK(!file.IS_OWNED());
  char text[8];
  CHECK_EQUAL(5u, file.READ_STRING_UNTIL(text, "", 7));
  CHECK_EQUAL(std::string("hello"), text);
  // An owned block of n bytes reads as zeros.
  CHECK(file.OPEN_READ(3, nullptr));
  CHECK(file.IS_OWNED());
  unsigned char zeros[3] = {1, 1, 1};
  CHECK_EQUAL(3u, file.READ(zeros, 3));
  CHECK(zeros[0] == 0 && zeros[1] == 0 && zeros[2] == 0);
  CHECK(!file.OPEN_READ(-1, nullptr));
}

TEST(ReopeningTheOwnBlockKeepsIt) {
  MFileMemory file;
  CHECK(file.OPEN_WRITE(4, nullptr));
  file.WRITE("abcdef", 6);
  unsigned char* block = file.GET_BUFFER();
  // Handing the object its own block back must not free it.
  CHECK(file.OPEN_READ(static_cast<LONG>(file.SIZE()), block));
  CHECK(file.IS_OWNED());
  CHECK(file.GET_BUFFER() == block);
  CHECK_EQUAL(std::string("abcdef"), Content(file));
  CHECK(file.OPEN_WRITE(6, block));
  CHECK(file.IS_OWNED());
  file.WRITE("XY", 2);
  CHECK_EQUAL(std::string("XYcdef"), Content(file));
}

TEST(WritingFromTheBlockItself) {
  MFileMemory file;
  CHECK(file.OPEN_WRITE(4, nullptr));
  file.WRITE("abcd", 4);
  // The write grows the block, which moves it; the source must follow.
  CHECK_EQUAL(4u, file.WRITE(file.GET_BUFFER(), 4));
  CHECK_EQUAL(std::string("abcdabcd"), Content(file));
}

TEST(SetBufferSize) {
  MFileMemory file;
  CHECK(!file.SET_BUFFER_SIZE(10));  // not open
  CHECK_EQUAL(1u, file.GET_RESULT());
  file.RESET_RESULT();
  CHECK(file.OPEN_WRITE(4, nullptr));
  file.WRITE("ab", 2);
  CHECK(file.SET_BUFFER_SIZE(3));
  CHECK_EQUAL(4u, file.GET_CAPACITY());
  CHECK(file.SET_BUFFER_SIZE(100));
  CHECK_EQUAL(100u, file.GET_CAPACITY());
  CHECK_EQUAL(std::string("ab"), Content(file));
  CHECK_EQUAL(0u, file.GET_RESULT());
}

TEST(NameOpensOnlyStoreTheMode) {
  MFileMemory file;
  CHECK(file.OPEN_WRITE(MFileName(L"C:\\never\\touched.bin")));
  CHECK(!file.IS_OPEN());  // no block yet
  CHECK(file.OPEN_WRITE(2, nullptr));
  CHECK(file.OPEN_UPDATE(MFileName(L"C:\\x.bin")));
  CHECK(file.IS_OPEN_UPDATE() && file.IS_OPEN_READ() && file.IS_OPEN_WRITE());
  CHECK(file.FLUSH());
}

TEST(SerializationRoutinesWorkUnchanged) {
  MFileMemory file;
  CHECK(file.OPEN_WRITE(16, nullptr));
  file.SET_FILESWAP(0);
  short s = 0x1234;
  double d = -2.5;
  CHECK_EQUAL(1u, file.WRITE(&s, 1));
  CHECK_EQUAL(1u, file.WRITE(&d, 1));
  CHECK_EQUAL(5u, file.WRITE_STRING_DATA(std::string("hello")));
  CHECK_EQUAL(0x1234, s);
  CHECK_EQUAL(std::string("\x12\x34", 2), Content(file).substr(0, 2));
  CHECK(file.CHANGE_MODE(1));
  short rs = 0;
  double rd = 0;
  std::string text;
  CHECK_EQUAL(1u, file.READ(&rs, 1));
  CHECK_EQUAL(1u, file.READ(&rd, 1));
  CHECK_EQUAL(5u, file.READ_STRING_DATA(text));
  CHECK_EQUAL(s, rs);
  CHECK_EQUAL(d, rd);
  CHECK_EQUAL(std::string("hello"), text);
  // A stop byte that never comes restores the position, through the memory file's SEEK.
  CHECK(file.SEEK(12, 0));  // the text "hello", then the end
  char out[32];
  CHECK_EQUAL(static_cast<size_t>(-1), file.READ_STRING_UNTIL(out, "#", 31));
  CHECK_EQUAL(12, file.TELL());
}

}  // SUITE(MFileMemory)
