#include <zorbase/crypto/CSHA1.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <zorbase/afx/CFile.h>
#include <zorbase/crypto/internal/cpu.h>
#include <zorbase/crypto/internal/sha1_core.h>
#include <zorbase/crypto/internal/test_hex.h>
#include <zorbase/platform/platform.h>

using zb::crypto::internal::ToHex;

namespace {

std::string Digest(const std::string& text, std::size_t repeat = 1) {
  CSHA1 sha;
  for (std::size_t i = 0; i < repeat; ++i) {
    sha.Update(reinterpret_cast<unsigned char*>(const_cast<char*>(text.data())),
               static_cast<unsigned int>(text.size()));
  }
  sha.Final();
  unsigned char out[20];
  sha.GetHash(out);
  return ToHex(out, 20);
}


}  // namespace

SUITE(CSHA1) {
  // FIPS 180-1 examples, the empty message, and the message lengths around the padding boundary.
  TEST(KnownDigests) {
    CHECK_EQUAL("a9993e364706816aba3e25717850c26c9cd0d89d", Digest("abc"));
    CHECK_EQUAL("84983e441c3bd26ebaae4aa1f95129e5e54670f1",
                Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));
    CHECK_EQUAL("34aa973cd4c4daa4f61eeb2bdbad27316534016f", Digest("a", 1000000));
    CHECK_EQUAL("34aa973cd4c4daa4f61eeb2bdbad27316534016f", Digest(std::string(1000, 'a'), 1000));
    CHECK_EQUAL("da39a3ee5e6b4b0d3255bfef95601890afd80709", Digest(""));
  }

  TEST(ReportHashFormats) {
    CSHA1 sha;
    unsigned char abc[] = {'a', 'b', 'c'};
    sha.Update(abc, 3);
    sha.Final();
    char hex[80] = "";
    sha.ReportHash(hex, CSHA1::REPORT_HEX);
    CHECK_EQUAL("A9 99 3E 36 47 06 81 6A BA 3E 25 71 78 50 C2 6C 9C D0 D8 9D", hex);
    CHECK_EQUAL(59u, std::strlen(hex));
    char digits[100] = "SHA1: ";
    sha.ReportHash(digits, CSHA1::REPORT_DIGIT);
    CHECK_EQUAL("SHA1: 169 153 62 54 71 6 129 106 186 62 37 113 120 80 194 108 156 208 216 157",
                digits);
    char bad[80] = "keep";
    sha.ReportHash(bad, 2);
    CHECK_EQUAL("Error: Unknown report type!", bad);
  }

  TEST(SplitUpdatesEqualOneUpdateAndCopiesAreIndependent) {
    std::mt19937 rng(3);
    std::vector<unsigned char> data(1000);
    for (auto& b : data) b = static_cast<unsigned char>(rng());
    CSHA1 whole;
    whole.Update(data.data(), 1000);
    for (unsigned cut : {0u, 1u, 63u, 64u, 65u, 500u, 999u}) {
      CSHA1 parts;
      parts.Update(data.data(), cut);
      CSHA1 copy(parts);
      parts.Update(data.data() + cut, 1000 - cut);
      copy.Update(data.data() + cut, 1000 - cut);
      CSHA1 a = whole, b = parts;
      a.Final();
      b.Final();
      copy.Final();
      unsigned char ha[20], hb[20], hc[20];
      a.GetHash(ha);
      b.GetHash(hb);
      copy.GetHash(hc);
      CHECK(std::memcmp(ha, hb, 20) == 0);
      CHECK(std::memcmp(ha, hc, 20) == 0);
    }
  }

  TEST(ResetStartsANewMessage) {
    CSHA1 sha;
    unsigned char x[] = {'x', 'y'};
    sha.Update(x, 2);
    sha.Final();
    sha.Reset();
    unsigned char abc[] = {'a', 'b', 'c'};
    sha.Update(abc, 3);
    sha.Final();
    unsigned char out[20];
    sha.GetHash(out);
    CHECK_EQUAL("a9993e364706816aba3e25717850c26c9cd0d89d", ToHex(out, 20));
  }

  TEST(FastTransformEqualsPortable) {
    std::mt19937 rng(5);
    for (std::size_t blocks : {1u, 2u, 7u, 64u}) {
      std::vector<std::uint8_t> data(64 * blocks);
      for (auto& b : data) b = static_cast<std::uint8_t>(rng());
      std::uint32_t a[5], b[5];
      for (int i = 0; i < 5; ++i) a[i] = b[i] = static_cast<std::uint32_t>(rng());
      zb::crypto::internal::Sha1TransformPortable(a, data.data(), blocks);
      if (zb::crypto::internal::CpuHasSha()) {
        zb::crypto::internal::Sha1TransformNi(b, data.data(), blocks);
      } else {
        zb::crypto::internal::Sha1Transform(b, data.data(), blocks);
      }
      CHECK_ARRAY_EQUAL(a, b, 5);
    }
    zb::crypto::internal::ScopedPortableOnly portable;
    CHECK_EQUAL("34aa973cd4c4daa4f61eeb2bdbad27316534016f", Digest(std::string(1000, 'a'), 1000));
  }

  TEST(HashFileFeedsTheWholeFile) {
    std::string content;
    for (int i = 0; i < 20001; ++i) content += static_cast<char>('a' + i % 26);
    {
      CFile file(L"C:\\sha1_hashfile.bin", CFile::modeCreate | CFile::modeWrite);
      file.Write(content.data(), static_cast<UINT>(content.size()));
    }
    // A Windows path on the test drive and the same file by its native path.
    std::string native = zb::platform::DriveRoot(L'C') + "/sha1_hashfile.bin";
    for (std::string path : {std::string("C:\\sha1_hashfile.bin"), native}) {
      CSHA1 sha;
      CHECK(sha.HashFile(const_cast<char*>(path.c_str())));
      sha.Final();
      unsigned char out[20];
      sha.GetHash(out);
      CHECK_EQUAL(Digest(content), ToHex(out, 20));
    }
    DeleteFileW(L"C:\\sha1_hashfile.bin");
  }

  TEST(HashFileOfAMissingFileIsFalseAndLeavesTheState) {
    CSHA1 sha;
    unsigned char abc[] = {'a', 'b'};
    sha.Update(abc, 2);
    std::string path = "C:\\no_such_file.bin";
    CHECK(!sha.HashFile(const_cast<char*>(path.c_str())));
    unsigned char c[] = {'c'};
    sha.Update(c, 1);
    sha.Final();
    unsigned char out[20];
    sha.GetHash(out);
    CHECK_EQUAL("a9993e364706816aba3e25717850c26c9cd0d89d", ToHex(out, 20));
  }
}
