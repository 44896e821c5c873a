#include <zorbase/crypto/Encrypt.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <random>
#include <vector>

#include <zorbase/crypto/internal/scramble.h>

namespace {

std::uint32_t Rev32(std::uint32_t v) {
  std::uint32_t r = 0;
  for (int i = 0; i < 32; ++i) r |= ((v >> i) & 1u) << (31 - i);
  return r;
}

// The text hash written out step by step, independently of the library's building blocks.
std::uint32_t ReferenceHash(const char* text) {
  std::uint32_t h = 0x4B0F3B58u, a = 0xBAA96887u;
  for (const char* p = text; *p; ++p) {
    a = (a << 8) + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*p)));
    std::uint32_t m = (a & 1) ? a : a + 1664525u;
    std::uint32_t t = (h ^ 0xBAA96887u) * 1664525u + 1013904223u;
    std::uint32_t u = ((Rev32(t) ^ 0x4B0F3B58u) * (m | 1u) + 1013904223u) ^ 0x1E17D32Cu;
    u = u * 1664525u + 1013904223u;
    h = Rev32(u) ^ 0x0874F0C3u;
  }
  return h;
}

}  // namespace

SUITE(Encrypt) {
  TEST(StringToULongKnownValues) {
    CHECK_EQUAL(0x4B0F3B58u, StringToULong(""));
    CHECK_EQUAL(1259289432u, StringToULong(nullptr));
    const char* texts[] = {"a", "Hello", "ZorBase", "\x80\xff high bytes", "0123456789abcdef"};
    for (const char* t : texts) CHECK_EQUAL(ReferenceHash(t), StringToULong(t));
  }

  TEST(ThirtyTwoBitFormIsTheHashStep) {
    // One hash step is the 32-bit encryption of the previous value with the running key.
    std::uint32_t key = (0xBAA96887u << 8) + 'a';
    CHECK_EQUAL(StringToULong("a"), Encrypt(ULONG{0x4B0F3B58u}, key));
  }

  TEST(EveryByteAndSixteenBitValueRoundTrips) {
    std::mt19937 rng(1);
    for (int k = 0; k < 64; ++k) {
      ULONG key = k < 4 ? static_cast<ULONG>(k) : static_cast<ULONG>(rng());
      bool distinct8[256] = {};
      for (int x = 0; x < 256; ++x) {
        unsigned char e = Encrypt(static_cast<unsigned char>(x), key);
        distinct8[e] = true;
        CHECK_EQUAL(x, zb::crypto::internal::Decrypt8(e, key));
      }
      for (bool d : distinct8) CHECK(d);
      for (int x = 0; x < 65536; x += 7) {
        std::uint16_t e = zb::crypto::internal::Encrypt16(static_cast<std::uint16_t>(x), key);
        CHECK_EQUAL(x, zb::crypto::internal::Decrypt16(e, key));
      }
    }
  }

  TEST(ThirtyTwoBitRoundTrips) {
    std::mt19937 rng(2);
    const ULONG edge[] = {0u, 1u, 2u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    for (ULONG x : edge) {
      for (ULONG k : edge) CHECK_EQUAL(x, Decrypt(Encrypt(x, k), k));
    }
    for (int i = 0; i < 100000; ++i) {
      ULONG x = static_cast<ULONG>(rng()), k = static_cast<ULONG>(rng());
      CHECK_EQUAL(x, Decrypt(Encrypt(x, k), k));
    }
    CHECK(Encrypt(ULONG{1234}, 1) != Encrypt(ULONG{1234}, 3));
  }

  TEST(NBitFormRoundTripsForEveryWidth) {
    std::mt19937_64 rng(3);
    for (ULONG bits = 1; bits <= 64; ++bits) {
      const std::uint64_t mask = bits == 64 ? ~0ull : (1ull << bits) - 1;
      for (int i = 0; i < 2000; ++i) {
        std::uint64_t x = rng(), k = i == 0 ? 0 : rng();
        std::uint64_t e = Encrypt(x, bits, k);
        CHECK_EQUAL(0u, e & ~mask);
        CHECK_EQUAL(x & mask, Decrypt(e, bits, k));
      }
    }
    CHECK_EQUAL(0u, Encrypt(std::uint64_t{12345}, 0, 99));
    CHECK_EQUAL(0u, Decrypt(std::uint64_t{12345}, 0, 99));
    // Widths beyond 64 act on all 64 bits.
    CHECK_EQUAL(Encrypt(std::uint64_t{0xDEADBEEFCAFEull}, 64, 5),
                Encrypt(std::uint64_t{0xDEADBEEFCAFEull}, 200, 5));
    CHECK_EQUAL(0xDEADBEEFCAFEull, Decrypt(Encrypt(std::uint64_t{0xDEADBEEFCAFEull}, 99, 5), 99, 5));
  }

  TEST(NBitFormIsAPermutationOfSmallWidths) {
    for (ULONG bits = 1; bits <= 12; ++bits) {
      std::vector<bool> seen(1u << bits);
      for (std::uint64_t x = 0; x < (1u << bits); ++x) seen[Encrypt(x, bits, 77)] = true;
      for (bool s : seen) CHECK(s);
    }
  }

  TEST(OneTwentyEightBitRoundTrips) {
    std::mt19937 rng(4);
    for (int i = 0; i < 10000; ++i) {
      ulong128 v;
      for (auto& b : v.bytes) b = static_cast<unsigned char>(rng());
      ulong128 e = Encrypt(v);
      ulong128 d = Decrypt(e);
      CHECK(std::memcmp(v.bytes, d.bytes, 16) == 0);
    }
    // Word 3 is encrypted with key 0 after the byte swaps, which leave bytes 12, 14 and 15 of
    // word 3 alone except byte 15 (from byte 8) and byte 13 (from byte 2).
    ulong128 v = {};
    v.bytes[8] = 0x11;
    v.bytes[2] = 0x22;
    ulong128 e = Encrypt(v);
    ULONG w3 = Encrypt(ULONG{0x11002200u}, 0);
    CHECK_EQUAL(w3, ULONG(e.bytes[12] | e.bytes[13] << 8 | e.bytes[14] << 16 |
                          static_cast<ULONG>(e.bytes[15]) << 24));
  }

  TEST(BuffersOfEveryLengthAndAlignmentRoundTrip) {
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
      ULONG key = static_cast<ULONG>(rng());
      for (std::size_t len = 0; len <= 9; ++len) {
        unsigned char base[16];
        for (auto& b : base) b = static_cast<unsigned char>(rng());
        alignas(8) unsigned char aligned[16];
        std::memcpy(aligned, base, len);
        Encrypt(aligned, len, key);
        for (std::size_t offset = 0; offset < 8; ++offset) {
          alignas(8) unsigned char work[32];
          std::memcpy(work + offset, base, len);
          Encrypt(work + offset, len, key);
          CHECK(std::memcmp(work + offset, aligned, len) == 0);
          Decrypt(work + offset, len, key);
          CHECK(std::memcmp(work + offset, base, len) == 0);
        }
      }
    }
  }

  TEST(BufferGroupsUseTheWidthForms) {
    unsigned char buf[7] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    Encrypt(buf, 7, 42);
    ULONG w = Encrypt(ULONG{0x04030201u}, 42);
    CHECK_EQUAL(w, ULONG(buf[0] | buf[1] << 8 | buf[2] << 16 | static_cast<ULONG>(buf[3]) << 24));
    std::uint16_t h = zb::crypto::internal::Encrypt16(0x0605, 42);
    CHECK_EQUAL(h, buf[4] | buf[5] << 8);
    CHECK_EQUAL(Encrypt(static_cast<unsigned char>(0x07), 42), buf[6]);
    Encrypt(nullptr, 0, 42);  // nothing to do, no crash
  }
}
