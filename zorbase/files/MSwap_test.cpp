#include <zorbase/files/MSwap.h>

#include <zorbase/files/internal/byte_order_table.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdint>
#include <cstring>

SUITE(MSwap) {

TEST(CodesDefaultToSevenAndKeepThreeBits) {
  MSwap swap;
  CHECK_EQUAL(7, swap.GET_MACHINESWAP());
  CHECK_EQUAL(7, swap.GET_FILESWAP());
  MSwap file(0);
  CHECK_EQUAL(7, file.GET_MACHINESWAP());
  CHECK_EQUAL(0, file.GET_FILESWAP());
  swap.SET_FILESWAP(0xFE);
  CHECK_EQUAL(6, swap.GET_FILESWAP());
  swap = file;
  CHECK_EQUAL(0, swap.GET_FILESWAP());
}

TEST(SwapPermutesBytesByLevel) {
  const auto& expected = zb::test::kSwappedBytes;
  for (int machine = 0; machine < 8; ++machine) {
    for (int file = 0; file < 8; ++file) {
      MSwap swap;
      swap.SET_MACHINESWAP(static_cast<unsigned char>(machine));
      swap.SET_FILESWAP(static_cast<unsigned char>(file));
      const int d = machine ^ file;
      unsigned long long v64[2] = {0x1122334455667788ULL, 0x1122334455667788ULL};
      swap.SWAP(v64, 2);
      CHECK_EQUAL(0, std::memcmp(v64, expected[d], 8));
      CHECK_EQUAL(0, std::memcmp(v64 + 1, expected[d], 8));
      std::uint32_t v32 = 0x55667788u;  // memory 88 77 66 55
      swap.SWAP(&v32, 1);
      CHECK_EQUAL(0, std::memcmp(&v32, expected[d & 3], 4));
      unsigned short v16 = 0x7788;
      swap.SWAP(&v16, 1);
      CHECK_EQUAL(0, std::memcmp(&v16, expected[d & 1], 2));
      // Converting twice gives the value back.
      swap.SWAP(v64, 2);
      CHECK(v64[0] == 0x1122334455667788ULL && v64[1] == 0x1122334455667788ULL);
      char c = 'x';
      swap.SWAP(&c, 1);
      CHECK_EQUAL('x', c);
    }
  }
}

}
