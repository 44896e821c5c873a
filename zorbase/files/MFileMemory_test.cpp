#include <zorbase/files/MFileMemory.h>

#include <UnitTest++/UnitTest++.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <zorbase/files/MFileName.h>
#include <zorbase/files/MSwap.h>

namespace {

std::string Content(const MFileMemory& file) {
  return std::string(reinterpret_cast<const char*>(file.GET_BUFFER()),
                     static_cast<size_t>(file.SIZE()));
}

// The rules of the memory file written out plainly: a block with a capacity, a position and a
// size. Element transfers, positioning, mode and order changes are checked against it, so that
// the inline element paths and the calls they skip can be compared operation by operation.
struct Model {
  std::vector<unsigned char> block;  // capacity = block.size()
  bool lent = false;
  std::uint64_t position = 0;
  std::uint64_t size = 0;
  unsigned mode = 2;
  unsigned char file_code = 7;
  DWORD result = 0;

  void Fail() {
    if (result == 0) result = 1;
  }
  std::uint64_t Write(const unsigned char* bytes, std::uint64_t n) {
    const unsigned low = mode & 0x0FFF;
    if (low != 2 && low != 3 && low != 4) {
      Fail();
      return 0;
    }
    std::uint64_t take = n;
    const std::uint64_t capacity = block.size();
    if (position + n >= capacity) {
      if (lent) {
        take = capacity - position;
      } else {
        block.resize(std::max(position + n, capacity + capacity / 2));
      }
    }
    std::memcpy(block.data() + position, bytes, take);
    position += take;
    size = std::max(size, position);
    return take / n;
  }
  std::uint64_t Read(unsigned char* bytes, std::uint64_t n) {
    if (mode == 0) return 0;
    const std::uint64_t take = std::min(n, size - position);
    std::memcpy(bytes, block.data() + position, take);
    position += take;
    return take / n;
  }
  bool Seek(__int64 offset, LONG origin) {
    const __int64 end = static_cast<__int64>(size);
    const __int64 here = static_cast<__int64>(position);
    __int64 target;
    switch (origin) {
      case 0: target = offset; break;
      case 1: target = here + offset; break;
      case 2: target = end + offset; break;
      default: return false;
    }
    if (target < 0 || target > end || (origin == 2 && offset > 0)) return false;
    position = static_cast<std::uint64_t>(target);
    return true;
  }
  bool SetBufferSize(std::uint64_t n) {
    if (n <= block.size()) return true;
    if (lent) {
      Fail();
      return false;
    }
    block.resize(n);
    return true;
  }
};

// The bytes of `value` in the file order `code` (machine order 7).
template <class T>
std::vector<unsigned char> FileBytes(T value, unsigned char code) {
  MSwap order(code);
  order.SWAP(&value, 1);
  std::vector<unsigned char> bytes(sizeof(T));
  std::memcpy(bytes.data(), &value, sizeof(T));
  return bytes;
}

// One element write of type T through the file (as an MFile& when `as_base`), checked against
// the model; the caller's value must not change.
template <class T>
void WriteElement(MFileMemory& file, Model& model, T value, bool as_base, bool as_const) {
  const T before = value;
  MFile& base = file;
  std::uint64_t got;
  if (as_const) {
    const T* p = &value;
    got = as_base ? base.WRITE(p, 1) : file.WRITE(p, 1);
  } else {
    got = as_base ? base.WRITE(&value, 1) : file.WRITE(&value, 1);
  }
  const std::vector<unsigned char> bytes = FileBytes(value, model.file_code);
  CHECK_EQUAL(model.Write(bytes.data(), sizeof(T)), got);
  CHECK(std::memcmp(&before, &value, sizeof(T)) == 0);
}

template <class T>
void ReadElement(MFileMemory& file, Model& model, bool as_base) {
  unsigned char raw[sizeof(T)] = {};
  const std::uint64_t expected = model.Read(raw, sizeof(T));
  T value{};
  MFile& base = file;
  const std::uint64_t got = as_base ? base.READ(&value, 1) : file.READ(&value, 1);
  CHECK_EQUAL(expected, got);
  if (got == 1) {
    T want;
    std::memcpy(&want, raw, sizeof(T));
    MSwap order(model.file_code);
    order.SWAP(&want, 1);
    CHECK(std::memcmp(&want, &value, sizeof(T)) == 0);
  }
}

// Runs `steps` pseudo-random operations on `file` and the model and compares them after each.
void RunAgainstModel(MFileMemory& file, Model& model, std::uint32_t seed, int steps) {
  std::uint32_t state = seed;
  auto next = [&state](std::uint32_t range) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % range;
  };
  for (int step = 0; step < steps; ++step) {
    const bool as_base = next(2) == 0;
    const bool as_const = next(2) == 0;
    const std::uint32_t op = next(100);
    if (op < 45) {
      const std::uint32_t v = state;
      switch (next(4)) {
        case 0: WriteElement(file, model, static_cast<char>(v), as_base, as_const); break;
        case 1: WriteElement(file, model, static_cast<short>(v), as_base, as_const); break;
        case 2: WriteElement(file, model, static_cast<std::int32_t>(v), as_base, as_const); break;
        default:
          WriteElement(file, model, static_cast<unsigned long long>(v) * 0x9E3779B97F4A7C15ull,
                       as_base, as_const);
          break;
      }
    } else if (op < 70) {
      switch (next(4)) {
        case 0: ReadElement<char>(file, model, as_base); break;
        case 1: ReadElement<unsigned short>(file, model, as_base); break;
        case 2: ReadElement<float>(file, model, as_base); break;
        default: ReadElement<long long>(file, model, as_base); break;
      }
    } else if (op < 80) {
      const LONG origin = static_cast<LONG>(next(4));
      const __int64 offset = static_cast<__int64>(next(41)) - 20;
      CHECK_EQUAL(model.Seek(offset, origin), file.SEEK(offset, origin));
    } else if (op < 85) {
      // Order codes change while an element path may be open.
      model.file_code = next(3) == 0 ? 7 : static_cast<unsigned char>(next(8));
      if (as_base) {
        static_cast<MFile&>(file).SET_FILESWAP(model.file_code);
      } else {
        file.SET_FILESWAP(model.file_code);
      }
    } else if (op < 92) {
      const unsigned modes[] = {1, 2, 3, 4, 0x1002};
      model.mode = modes[next(5)];
      model.position = 0;
      CHECK(file.CHANGE_MODE(static_cast<unsigned short>(model.mode)));
    } else if (op < 95) {
      const std::uint64_t n = model.block.size() + next(9);
      CHECK_EQUAL(model.SetBufferSize(n), file.SET_BUFFER_SIZE(static_cast<size_t>(n)));
    } else {
      CHECK_EQUAL(model.position >= model.size, file.FEOF());
    }
    CHECK_EQUAL(static_cast<__int64>(model.position), file.TELL());
    CHECK_EQUAL(static_cast<__int64>(model.size), file.SIZE());
    CHECK_EQUAL(static_cast<std::uint64_t>(model.block.size()), file.GET_CAPACITY());
    CHECK_EQUAL(model.result, file.GET_RESULT());
  }
  CHECK(std::memcmp(model.block.data(), file.GET_BUFFER(), static_cast<size_t>(model.size)) == 0);
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

TEST(ElementTransfersFollowTheRulesBetweenEveryOtherOperation) {
  // Owned blocks from several start sizes, so growth happens early and late.
  for (LONG start : {0, 1, 16, 64}) {
    for (std::uint32_t seed : {1u, 7u, 2024u}) {
      MFileMemory file;
      CHECK(file.OPEN_WRITE(start, nullptr));
      Model model;
      model.block.resize(static_cast<size_t>(start));
      RunAgainstModel(file, model, seed * 31u + static_cast<std::uint32_t>(start), 3000);
    }
  }
}

TEST(ElementTransfersOnALentBlockNeverPassItsEnd) {
  for (LONG length : {1, 8, 37}) {
    std::vector<unsigned char> memory(static_cast<size_t>(length) + 16, 0xEE);
    MFileMemory file;
    CHECK(file.OPEN_WRITE(length, memory.data()));
    Model model;
    model.lent = true;
    model.block.assign(memory.begin(), memory.begin() + length);
    model.size = static_cast<std::uint64_t>(length);
    RunAgainstModel(file, model, 99u + static_cast<std::uint32_t>(length), 2000);
    CHECK(!file.IS_OWNED());
    CHECK(file.GET_BUFFER() == memory.data());
    for (size_t i = static_cast<size_t>(length); i < memory.size(); ++i) {
      CHECK_EQUAL(0xEE, static_cast<int>(memory[i]));
    }
  }
}

TEST(ElementWritesOnALentBlockAreCutAtItsSize) {
  unsigned char memory[12];
  std::memset(memory, '.', sizeof memory);
  MFileMemory file;
  CHECK(file.OPEN_WRITE(10, memory));
  const std::int32_t values[] = {0x31313131, 0x32323232, 0x33333333, 0x34343434};
  CHECK_EQUAL(1u, file.WRITE(&values[0], 1));
  CHECK_EQUAL(1u, file.WRITE(&values[1], 1));
  CHECK_EQUAL(8, file.TELL());
  CHECK_EQUAL(0u, file.WRITE(&values[2], 1));  // two bytes fit: stored, not counted
  CHECK_EQUAL(10, file.TELL());
  CHECK_EQUAL(0u, file.WRITE(&values[3], 1));
  CHECK_EQUAL(10, file.TELL());
  CHECK_EQUAL(10, file.SIZE());
  CHECK_EQUAL(std::string("1111222233.."), std::string(reinterpret_cast<char*>(memory), 12));
  CHECK_EQUAL(0u, file.GET_RESULT());
}

TEST(ElementWritesGrowTheBlockWhenTheyReachItsCapacity) {
  MFileMemory file;
  CHECK(file.OPEN_WRITE(16, nullptr));
  const unsigned char* first = file.GET_BUFFER();
  for (std::int32_t i = 0; i < 3; ++i) CHECK_EQUAL(1u, file.WRITE(&i, 1));
  CHECK_EQUAL(16u, file.GET_CAPACITY());
  CHECK(file.GET_BUFFER() == first);
  CHECK_EQUAL(12, file.SIZE());
  const std::int32_t fourth = 3;
  CHECK_EQUAL(1u, file.WRITE(&fourth, 1));  // reaches 16: grows to 24
  CHECK_EQUAL(24u, file.GET_CAPACITY());
  CHECK_EQUAL(16, file.TELL());
  CHECK_EQUAL(16, file.SIZE());
  // Back into the middle: overwriting does not grow the size.
  CHECK(file.SEEK(4, 0));
  const std::int32_t replaced = 7;
  CHECK_EQUAL(1u, file.WRITE(&replaced, 1));
  CHECK_EQUAL(8, file.TELL());
  CHECK_EQUAL(16, file.SIZE());
  CHECK(file.OPEN_READ(0, nullptr));
  std::int32_t back[4] = {};
  for (auto& v : back) CHECK_EQUAL(1u, file.READ(&v, 1));
  CHECK(back[0] == 0 && back[1] == 7 && back[2] == 2 && back[3] == 3);
  CHECK(file.FEOF());
  CHECK_EQUAL(0u, file.READ(&back[0], 1));
}

TEST(NullArraysTransferNothing) {
  MFileMemory file;
  CHECK(file.OPEN_WRITE(64, nullptr));
  CHECK_EQUAL(0u, file.WRITE(static_cast<const std::int32_t*>(nullptr), 1));
  CHECK_EQUAL(0u, file.WRITE(static_cast<std::int32_t*>(nullptr), 1));
  CHECK_EQUAL(0u, file.WRITE(static_cast<const char*>(nullptr), 3));
  CHECK_EQUAL(0, file.TELL());
  const std::int32_t value = 5;
  file.WRITE(&value, 1);
  CHECK(file.CHANGE_MODE(1));
  CHECK_EQUAL(0u, file.READ(static_cast<std::int32_t*>(nullptr), 1));
  CHECK_EQUAL(0u, file.READ(static_cast<char*>(nullptr), 1));
  CHECK_EQUAL(0, file.TELL());
  CHECK_EQUAL(0u, file.GET_RESULT());
}

}  // SUITE(MFileMemory)
