#include <zorbase/crypto/COXCRC16.h>
#include <zorbase/crypto/COXCRC32.h>
#include <zorbase/crypto/COXCheckSum.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <zorbase/crypto/internal/cpu.h>
#include <zorbase/crypto/internal/crc_core.h>

using namespace zb::crypto::internal;

namespace {

char kCheck[] = "123456789";

// The one-byte steps exactly as the classes define them, with the tables built bit by bit.
std::uint32_t ReferenceCrc32(std::uint32_t poly, std::uint32_t crc, const std::uint8_t* p,
                             std::size_t n) {
  std::uint32_t table[256];
  BuildCrc32Table(poly, table);
  return Crc32Bytes(table, crc, p, n);
}

std::uint16_t ReferenceCrc16(std::uint16_t poly, std::uint16_t crc, const std::uint8_t* p,
                             std::size_t n) {
  std::uint16_t table[256];
  BuildCrc16Table(poly, table);
  return Crc16Bytes(table, crc, p, n);
}

std::vector<std::uint8_t> Random(std::mt19937& rng, std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

}  // namespace

SUITE(COXCRC) {
  TEST(CheckValuesOfTheDefaults) {
    COXCRC32 crc32;
    CHECK_EQUAL(0x340BC6D9u, crc32.CalculateBlock(kCheck, 9));
    COXCRC16 crc16;
    CHECK_EQUAL(0x29B1u, crc16.CalculateBlock(kCheck, 9));
    // The usual CRC-32 is the complement.
    CHECK_EQUAL(0xCBF43926u, ~COXCRC32().CalculateBlock(kCheck, 9));
  }

  TEST(StartingValuesAndWidths) {
    COXCheckSum8 s8;
    CHECK_EQUAL(0xFFu, s8.CalculateBlock(nullptr, 0));
    s8.Reset();
    unsigned char one = 0x01;
    CHECK_EQUAL(0x00u, s8.CalculateBlock(&one, 1));
    COXCheckSum16 s16;
    CHECK_EQUAL(0xFFFFu, s16.CalculateBlock(nullptr, 0));
    CHECK_EQUAL(0x0000u, s16.CalculateBlock(&one, 1, 0xFFFFFFFFu));
    COXCheckSum32 s32;
    CHECK_EQUAL(0xFFFFFFFFu, s32.CalculateBlock(nullptr, 0));
    CHECK_EQUAL(0x00000000u, s32.CalculateBlock(&one, 1));
    CHECK_EQUAL(1u, s8.GetSize());
    CHECK_EQUAL(2u, s16.GetSize());
    CHECK_EQUAL(3u, s32.GetSize());
    CHECK_EQUAL(2u, COXCRC16().GetSize());
    CHECK_EQUAL(3u, COXCRC32().GetSize());
    // A sum over "123456789" from 0: 0x31 + ... + 0x39 = 477.
    CHECK_EQUAL(477u & 0xFF, s8.CalculateBlock(kCheck, 9, 0));
    CHECK_EQUAL(477u, s16.CalculateBlock(kCheck, 9, 0));
    CHECK_EQUAL(476u, s32.CalculateBlock(kCheck, 9, 0xFFFFFFFFu));
    // The 16-bit CRC starts from the low 16 bits; an empty block returns the initial value.
    COXCRC16 crc16;
    CHECK_EQUAL(0x29B1u, crc16.CalculateBlock(kCheck, 9, 0x1234FFFFu));
    CHECK_EQUAL(0x5678u, crc16.CalculateBlock(kCheck, 0, 0x12345678u));
    CHECK_EQUAL(0x12345678u, crc16.GetCurrent());
  }

  TEST(SplitBlocksContinueOneComputation) {
    std::mt19937 rng(1);
    auto data = Random(rng, 3000);
    COXCheckBase* calculators[] = {new COXCheckSum8, new COXCheckSum16, new COXCheckSum32,
                                   new COXCRC16, new COXCRC32, new COXCRC32(0x82F63B78u)};
    for (COXCheckBase* c : calculators) {
      ULONG whole = c->CalculateBlock(data.data(), 3000, 0xFFFFFFFFu);
      for (ULONG cut : {0u, 1u, 15u, 64u, 129u, 2999u}) {
        c->Reset();
        c->CalculateBlock(data.data(), cut);
        CHECK_EQUAL(whole, c->CalculateBlock(data.data() + cut, 3000 - cut));
      }
      delete c;
    }
  }

  TEST(OneTablePerPolynomial) {
    COXCRC32 a, b;
    CHECK(a.GetTable() == b.GetTable());
    COXCRC32 c(0x82F63B78u);
    CHECK(a.GetTable() != c.GetTable());
    COXCRC32 d(c);
    CHECK(d.GetTable() == c.GetTable());
    std::size_t count = COXCRC32::m_tableList.GetCount();
    COXCRC32 e(0x82F63B78u);
    CHECK_EQUAL(count, COXCRC32::m_tableList.GetCount());
    CHECK(COXCRC32::m_tableList.Find(0x82F63B78u) != nullptr);
    COXCRC16 f, g;
    CHECK(f.GetTable() == g.GetTable());
    CHECK_EQUAL(0x1021, f.GetPolynomial());
    // The default table is that of the reflected IEEE 802.3 CRC-32.
    CHECK_EQUAL(0x77073096u, a.GetTable()[1]);
    CHECK_EQUAL(0x2D02EF8Du, a.GetTable()[255]);
    CHECK_EQUAL(0x1021u, f.GetTable()[1]);
  }

  // Every engine against the one-byte table step: random polynomials (and the degenerate ones),
  // random initial values, every length up to 300 and at several offsets, and a long buffer.
  TEST(FastEnginesEqualTheTableStep) {
    std::mt19937 rng(2);
    auto data = Random(rng, 70000);
    std::vector<std::uint32_t> polys32 = {0xEDB88320u, 0x82F63B78u, 0u, 1u, 0x80000000u,
                                          0xFFFFFFFFu};
    std::vector<std::uint16_t> polys16 = {0x1021, 0x8005, 0, 1, 0x8000, 0xFFFF};
    for (int i = 0; i < 6; ++i) {
      polys32.push_back(static_cast<std::uint32_t>(rng()));
      polys16.push_back(static_cast<std::uint16_t>(rng()));
    }
    const bool clmul = CpuHasPclmul();
    for (std::size_t pi = 0; pi < polys32.size(); ++pi) {
      auto d32 = std::make_unique<Crc32Data>();
      auto d16 = std::make_unique<Crc16Data>();
      BuildCrc32Data(polys32[pi], d32.get());
      BuildCrc16Data(polys16[pi], d16.get());
      std::vector<std::size_t> lengths;
      for (std::size_t n = 0; n <= 300; ++n) lengths.push_back(n);
      lengths.push_back(69990);
      for (std::size_t n : lengths) {
        std::size_t offset = rng() % 8;
        const std::uint8_t* p = data.data() + offset;
        auto init = static_cast<std::uint32_t>(rng());
        std::uint32_t want32 = ReferenceCrc32(polys32[pi], init, p, n);
        std::uint16_t want16 = ReferenceCrc16(polys16[pi], static_cast<std::uint16_t>(init), p, n);
        CHECK_EQUAL(want32, Crc32Sliced(*d32, init, p, n));
        CHECK_EQUAL(want16, Crc16Sliced(*d16, static_cast<std::uint16_t>(init), p, n));
        if (clmul) {
          CHECK_EQUAL(want32, Crc32Folded(*d32, init, p, n));
          CHECK_EQUAL(want16, Crc16Folded(*d16, static_cast<std::uint16_t>(init), p, n));
        }
      }
    }
  }

  TEST(PublicClassesAgreeOnEveryPath) {
    std::mt19937 rng(3);
    auto data = Random(rng, 100000);
    COXCRC32 crc32(0x82F63B78u);
    COXCRC16 crc16(0x8005);
    COXCheckSum32 sum;
    ULONG a32 = crc32.CalculateBlock(data.data(), 100000, 0x12345678u);
    ULONG a16 = crc16.CalculateBlock(data.data(), 100000, 0x1234u);
    ULONG asum = sum.CalculateBlock(data.data(), 99999, 7u);
    ScopedPortableOnly portable;
    CHECK_EQUAL(a32, crc32.CalculateBlock(data.data(), 100000, 0x12345678u));
    CHECK_EQUAL(a16, crc16.CalculateBlock(data.data(), 100000, 0x1234u));
    CHECK_EQUAL(asum, sum.CalculateBlock(data.data(), 99999, 7u));
    CHECK_EQUAL(ReferenceCrc32(0x82F63B78u, 0x12345678u, data.data(), 100000), a32);
    CHECK_EQUAL(ReferenceCrc16(0x8005, 0x1234, data.data(), 100000), a16);
  }

  TEST(ByteSumEqualsPortable) {
    std::mt19937 rng(4);
    auto data = Random(rng, 5000);
    for (std::size_t n = 0; n < 300; ++n) {
      std::size_t off = rng() % 16;
      CHECK_EQUAL(ByteSumPortable(data.data() + off, n), ByteSum(data.data() + off, n));
    }
    std::vector<std::uint8_t> ones(4000, 0xFF);
    CHECK_EQUAL(4000u * 255u, ByteSum(ones.data(), ones.size()));
  }
}
