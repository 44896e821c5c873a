#include <zorbase/crypto/CRijndael.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <zorbase/crypto/internal/cpu.h>
#include <zorbase/crypto/internal/test_hex.h>

using zb::crypto::internal::FromHex;
using zb::crypto::internal::ToHex;

namespace {

std::string Message(void (*f)()) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

std::string EncryptHex(const std::string& key, const std::string& chain, int block,
                       const std::string& plain, int mode, bool decrypt = false) {
  auto k = FromHex(key);
  auto c = FromHex(chain);
  auto p = FromHex(plain);
  CRijndael r;
  r.MakeKey(reinterpret_cast<const char*>(k.data()), c.empty() ? nullptr : reinterpret_cast<const char*>(c.data()),
            static_cast<int>(k.size()), block);
  std::vector<char> out(p.size());
  if (decrypt) {
    r.Decrypt(reinterpret_cast<const char*>(p.data()), out.data(), p.size(), mode);
  } else {
    r.Encrypt(reinterpret_cast<const char*>(p.data()), out.data(), p.size(), mode);
  }
  return ToHex(out.data(), out.size());
}

struct Vector {
  const char* key;
  const char* chain;
  int block;
  int mode;
  const char* plain;
  const char* cipher;
};

const char kSp800Key[] = "2b7e151628aed2a6abf7158809cf4f3c";
const char kSp800Iv[] = "000102030405060708090a0b0c0d0e0f";
const char kSp800Plain[] =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";

// FIPS 197 appendices B and C, and the AES-128 examples of NIST SP 800-38A for ECB, CBC and CFB.
const Vector kAesVectors[] = {
    {"2b7e151628aed2a6abf7158809cf4f3c", "", 16, 0, "3243f6a8885a308d313198a2e0370734",
     "3925841d02dc09fbdc118597196a0b32"},
    {"000102030405060708090a0b0c0d0e0f", "", 16, 0, "00112233445566778899aabbccddeeff",
     "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"000102030405060708090a0b0c0d0e0f1011121314151617", "", 16, 0,
     "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "", 16, 0,
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
    {kSp800Key, "", 16, 0, kSp800Plain,
     "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"
     "43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4"},
    {kSp800Key, kSp800Iv, 16, 1, kSp800Plain,
     "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
     "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
    {kSp800Key, kSp800Iv, 16, 2, kSp800Plain,
     "3b3fd92eb72dad20333449f8e83cfb4ac8a64537a0b3a93fcde3cdad9f1ce58b"
     "26751f67a3cbb140b1808cf187a4f4dfc04b05357c5d1c0eeac4c66f9ff7f2e6"},
};

// Known answers of Rijndael with 24- and 32-byte blocks: the designers' example plaintext and key,
// cut to the block and key length.
const char kRijndaelPlain[] = "3243f6a8885a308d313198a2e03707344a4093822299f31d0082efa98ec4e6c8";
const char kRijndaelKey[] = "2b7e151628aed2a6abf7158809cf4f3c762e7160f38b4da56a784d9045190cfe";

}  // namespace

SUITE(CRijndael) {
  TEST(AesKnownAnswersInEveryMode) {
    for (const Vector& v : kAesVectors) {
      CHECK_EQUAL(v.cipher, EncryptHex(v.key, v.chain, v.block, v.plain, v.mode));
      CHECK_EQUAL(v.plain, EncryptHex(v.key, v.chain, v.block, v.cipher, v.mode, true));
    }
  }

  TEST(AesKnownAnswersOnThePortablePath) {
    zb::crypto::internal::ScopedPortableOnly portable;
    for (const Vector& v : kAesVectors) {
      CHECK_EQUAL(v.cipher, EncryptHex(v.key, v.chain, v.block, v.plain, v.mode));
      CHECK_EQUAL(v.plain, EncryptHex(v.key, v.chain, v.block, v.cipher, v.mode, true));
    }
  }

  TEST(RijndaelWideBlockKnownAnswers) {
    struct Case {
      int block;
      int key;
      const char* cipher;
    };
    const Case cases[] = {
        {16, 16, "3925841d02dc09fbdc118597196a0b32"},
        {16, 24, "f9fb29aefc384a250340d833b87ebc00"},
        {16, 32, "1a6e6c2c662e7da6501ffb62bc9e93f3"},
        {24, 16, "b24d275489e82bb8f7375e0d5fcdb1f481757c538b65148a"},
        {24, 24, "725ae43b5f3161de806a7c93e0bca93c967ec1ae1b71e1cf"},
        {24, 32, "0ebacf199e3315c2e34b24fcc7c46ef4388aa475d66c194c"},
        {32, 16, "7d15479076b69a46ffb3b3beae97ad8313f622f67fedb487de9f06b9ed9c8f19"},
        {32, 24, "5d7101727bb25781bf6715b0e6955282b9610e23a43c2eb062699f0ebf5887b2"},
        {32, 32, "a49406115dfb30a40418aafa4869b7c6a886ff31602a7dd19c889dc64f7e4e7a"},
    };
    for (const Case& c : cases) {
      std::string plain = std::string(kRijndaelPlain).substr(0, 2 * c.block);
      std::string key = std::string(kRijndaelKey).substr(0, 2 * c.key);
      CHECK_EQUAL(c.cipher, EncryptHex(key, "", c.block, plain, 0));
      CHECK_EQUAL(plain, EncryptHex(key, "", c.block, c.cipher, 0, true));
    }
  }

  TEST(MisuseThrowsTheFixedMessages) {
    CHECK_EQUAL("Object not Initialized", Message([] {
                  CRijndael r;
                  char b[16] = {};
                  r.EncryptBlock(b, b);
                }));
    CHECK_EQUAL("Object not Initialized", Message([] {
                  CRijndael r;
                  char b[16] = {};
                  r.Decrypt(b, b, 16, 1);
                }));
    CHECK_EQUAL("Empty key", Message([] { CRijndael().MakeKey(nullptr, nullptr, 16, 16); }));
    CHECK_EQUAL("Incorrect key length", Message([] {
                  char k[40] = {};
                  CRijndael().MakeKey(k, nullptr, 40, 16);
                }));
    CHECK_EQUAL("Incorrect block length", Message([] {
                  char k[16] = {};
                  CRijndael().MakeKey(k, nullptr, 16, 20);
                }));
    CHECK_EQUAL("Data not multiple of Block Size", Message([] {
                  CRijndael r;
                  char k[16] = {};
                  r.MakeKey(k, nullptr, 16, 16);
                  char b[32] = {};
                  r.Encrypt(b, b, 0, 0);
                }));
    CHECK_EQUAL("Data not multiple of Block Size", Message([] {
                  CRijndael r;
                  char k[16] = {};
                  r.MakeKey(k, nullptr, 16, 24);
                  char b[32] = {};
                  r.Decrypt(b, b, 32, 0);
                }));
  }

  TEST(FailedMakeKeyLeavesTheObjectAsItWas) {
    auto k = FromHex("000102030405060708090a0b0c0d0e0f");
    CRijndael r;
    r.MakeKey(reinterpret_cast<const char*>(k.data()), nullptr, 16, 16);
    CHECK_THROW(r.MakeKey(reinterpret_cast<const char*>(k.data()), nullptr, 17, 16),
                std::runtime_error);
    auto p = FromHex("00112233445566778899aabbccddeeff");
    char out[16];
    r.EncryptBlock(reinterpret_cast<const char*>(p.data()), out);
    CHECK_EQUAL("69c4e0d86a7b0430d8cdb78070b4c55a", ToHex(out, 16));
    CHECK_EQUAL(16, r.GetBlockSize());
    CHECK_EQUAL(10, r.GetRounds());
  }

  TEST(RoundsFollowTheLargerLength) {
    const int lengths[] = {16, 24, 32};
    const int expected[3][3] = {{10, 12, 14}, {12, 12, 14}, {14, 14, 14}};
    char key[32] = {};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        CRijndael r;
        r.MakeKey(key, nullptr, lengths[i], lengths[j]);
        CHECK_EQUAL(expected[i][j], r.GetRounds());
      }
    }
  }

  // For every key and block size and mode: one call over three blocks equals three calls of one
  // block, decryption inverts encryption in place, and the fast path equals the portable path.
  TEST(ChainCarriesOverCallsAndPathsAgree) {
    std::mt19937 rng(7);
    const int lengths[] = {16, 24, 32};
    for (int kl : lengths) {
      for (int bs : lengths) {
        for (int mode = 0; mode <= 3; ++mode) {
          char key[32], chain[32];
          for (char& c : key) c = static_cast<char>(rng());
          for (char& c : chain) c = static_cast<char>(rng());
          const std::size_t n = static_cast<std::size_t>(bs) * 19;
          std::vector<char> plain(n), one(n), split(n), portable(n);
          for (char& c : plain) c = static_cast<char>(rng());
          CRijndael a, b;
          a.MakeKey(key, chain, kl, bs);
          b.MakeKey(key, chain, kl, bs);
          a.Encrypt(plain.data(), one.data(), n, mode);
          b.Encrypt(plain.data(), split.data(), static_cast<std::size_t>(bs) * 3, mode);
          b.Encrypt(plain.data() + 3 * bs, split.data() + 3 * bs, n - 3 * bs, mode);
          CHECK(one == split);
          {
            zb::crypto::internal::ScopedPortableOnly only;
            CRijndael c;
            c.MakeKey(key, chain, kl, bs);
            c.Encrypt(plain.data(), portable.data(), n, mode);
            CHECK(one == portable);
            c.ResetChain();
            c.Decrypt(portable.data(), portable.data(), n, mode);
            CHECK(plain == portable);
          }
          CRijndael d;
          d.MakeKey(key, chain, kl, bs);
          std::vector<char> work = one;
          d.Decrypt(work.data(), work.data(), static_cast<std::size_t>(bs) * 10, mode);
          d.Decrypt(work.data() + 10 * bs, work.data() + 10 * bs, n - 10 * bs, mode);
          CHECK(plain == work);
        }
      }
    }
  }

  TEST(BlockFunctionsMatchEcb) {
    std::mt19937 rng(11);
    char key[16], block[16], viaBlock[16], viaEcb[16];
    for (char& c : key) c = static_cast<char>(rng());
    for (char& c : block) c = static_cast<char>(rng());
    CRijndael r;
    r.MakeKey(key, nullptr);
    r.EncryptBlock(block, viaBlock);
    r.Encrypt(block, viaEcb, 16, 0);
    CHECK(std::memcmp(viaBlock, viaEcb, 16) == 0);
    r.DecryptBlock(viaBlock, viaBlock);
    CHECK(std::memcmp(viaBlock, block, 16) == 0);
  }
}
