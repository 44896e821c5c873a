// Checksums and ciphers against their peers in the same run: CRC-32 against zlib's crc32 on
// 64 MiB, CRC-16 against the one-byte table loop, SHA-1, AES-128 (ECB and CBC, both directions) and
// RC4 against OpenSSL. Prints each ratio (peer time / our time: above 1 means faster), median and
// spread of the repetitions, wall and CPU, and the goal.
#include "bench_support.h"

#include <openssl/evp.h>
#include <openssl/provider.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <zorbase/crypto/COXCRC16.h>
#include <zorbase/crypto/COXCRC32.h>
#include <zorbase/crypto/CRijndael.h>
#include <zorbase/crypto/CSHA1.h>
#include <zorbase/crypto/internal/cpu.h>
#include <zorbase/crypto/internal/crc_core.h>
#include <zorbase/crypto/rc4.h>

namespace {

constexpr std::size_t kCrc32Size = 64u << 20;
constexpr std::size_t kHashSize = 1u << 20;
constexpr std::size_t kCipherSize = 64u << 10;

std::vector<unsigned char>& Data(std::size_t n) {
  static std::map<std::size_t, std::vector<unsigned char>> buffers;
  auto& v = buffers[n];
  if (v.empty()) {
    v.resize(n);
    std::mt19937 rng(42);
    for (auto& b : v) b = static_cast<unsigned char>(rng());
  }
  return v;
}

const unsigned char kKey[16] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                                0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};
const unsigned char kIv[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

void Bytes(benchmark::State& state, std::size_t n) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

void Crc32Ours(benchmark::State& state) {
  auto& d = Data(kCrc32Size);
  COXCRC32 crc;
  for (auto _ : state) benchmark::DoNotOptimize(crc.CalculateBlock(d.data(), static_cast<ULONG>(d.size()), 0xFFFFFFFFu));
  Bytes(state, d.size());
}

void Crc32Zlib(benchmark::State& state) {
  auto& d = Data(kCrc32Size);
  for (auto _ : state) benchmark::DoNotOptimize(crc32_z(0, d.data(), d.size()));
  Bytes(state, d.size());
}

void Crc16Ours(benchmark::State& state) {
  auto& d = Data(kHashSize);
  COXCRC16 crc;
  for (auto _ : state) benchmark::DoNotOptimize(crc.CalculateBlock(d.data(), static_cast<ULONG>(d.size()), 0xFFFFu));
  Bytes(state, d.size());
}

void Crc16ByteLoop(benchmark::State& state) {
  auto& d = Data(kHashSize);
  std::uint16_t table[256];
  zb::crypto::internal::BuildCrc16Table(0x1021, table);
  for (auto _ : state) {
    unsigned crc = 0xFFFF;
    for (unsigned char b : d) crc = (table[(crc >> 8) ^ b] ^ (crc << 8)) & 0xFFFF;
    benchmark::DoNotOptimize(crc);
  }
  Bytes(state, d.size());
}

void Sha1Ours(benchmark::State& state) {
  auto& d = Data(kHashSize);
  unsigned char out[20];
  for (auto _ : state) {
    CSHA1 sha;
    sha.Update(d.data(), static_cast<unsigned int>(d.size()));
    sha.Final();
    sha.GetHash(out);
    benchmark::DoNotOptimize(out);
  }
  Bytes(state, d.size());
}

void Sha1OpenSsl(benchmark::State& state) {
  auto& d = Data(kHashSize);
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  EVP_MD* md = EVP_MD_fetch(nullptr, "SHA1", nullptr);
  for (auto _ : state) {
    EVP_Digest(d.data(), d.size(), out, &len, md, nullptr);
    benchmark::DoNotOptimize(out);
  }
  EVP_MD_free(md);
  Bytes(state, d.size());
}

void AesOurs(benchmark::State& state, int mode, bool decrypt) {
  auto& d = Data(kCipherSize);
  std::vector<char> out(d.size());
  CRijndael aes;
  aes.MakeKey(reinterpret_cast<const char*>(kKey), reinterpret_cast<const char*>(kIv), 16, 16);
  for (auto _ : state) {
    if (decrypt) {
      aes.Decrypt(reinterpret_cast<const char*>(d.data()), out.data(), d.size(), mode);
    } else {
      aes.Encrypt(reinterpret_cast<const char*>(d.data()), out.data(), d.size(), mode);
    }
    benchmark::DoNotOptimize(out.data());
  }
  Bytes(state, d.size());
}

void AesOpenSsl(benchmark::State& state, int mode, bool decrypt) {
  auto& d = Data(kCipherSize);
  std::vector<unsigned char> out(d.size() + 16);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  const EVP_CIPHER* cipher = mode == 1 ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
  EVP_CipherInit_ex(ctx, cipher, nullptr, kKey, mode == 1 ? kIv : nullptr, decrypt ? 0 : 1);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  int len = 0;
  for (auto _ : state) {
    EVP_CipherUpdate(ctx, out.data(), &len, d.data(), static_cast<int>(d.size()));
    benchmark::DoNotOptimize(out.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  Bytes(state, d.size());
}

void Rc4Ours(benchmark::State& state) {
  auto& d = Data(kCipherSize);
  std::vector<unsigned char> buf(d.begin(), d.end());
  rc4_key key;
  prepare_key(kKey, 16, &key);
  for (auto _ : state) {
    rc4(buf.data(), buf.size(), &key);
    benchmark::DoNotOptimize(buf.data());
  }
  Bytes(state, d.size());
}

void Rc4OpenSsl(benchmark::State& state) {
  auto& d = Data(kCipherSize);
  std::vector<unsigned char> buf(d.begin(), d.end());
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "RC4", nullptr);
  if (cipher == nullptr) {
    state.SkipWithError("OpenSSL's legacy provider has no RC4 here");
    return;
  }
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, cipher, nullptr, kKey, nullptr);
  int len = 0;
  for (auto _ : state) {
    EVP_EncryptUpdate(ctx, buf.data(), &len, buf.data(), static_cast<int>(buf.size()));
    benchmark::DoNotOptimize(buf.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  EVP_CIPHER_free(cipher);
  Bytes(state, d.size());
}

}  // namespace

int main(int argc, char** argv) {
  OSSL_PROVIDER_load(nullptr, "default");
  OSSL_PROVIDER_load(nullptr, "legacy");
  namespace zi = zb::crypto::internal;
  auto Measured = [](benchmark::internal::Benchmark* b) {
    b->Apply(zb::bench::Repeated)->Unit(benchmark::kMicrosecond);
  };
  std::printf("processor: pclmul %d, aes %d, sha %d\n", zi::CpuHasPclmul(), zi::CpuHasAes(),
              zi::CpuHasSha());

  Measured(benchmark::RegisterBenchmark("crc32/zorbase", Crc32Ours));
  Measured(benchmark::RegisterBenchmark("crc32/zlib", Crc32Zlib));
  Measured(benchmark::RegisterBenchmark("crc16/zorbase", Crc16Ours));
  Measured(benchmark::RegisterBenchmark("crc16/byte_loop", Crc16ByteLoop));
  Measured(benchmark::RegisterBenchmark("sha1/zorbase", Sha1Ours));
  Measured(benchmark::RegisterBenchmark("sha1/openssl", Sha1OpenSsl));
  const char* names[2][2] = {{"aes128_ecb_enc", "aes128_ecb_dec"}, {"aes128_cbc_enc", "aes128_cbc_dec"}};
  for (int mode = 0; mode < 2; ++mode) {
    for (int dec = 0; dec < 2; ++dec) {
      std::string base = names[mode][dec];
      Measured(benchmark::RegisterBenchmark((base + "/zorbase").c_str(), AesOurs, mode, dec != 0));
      Measured(benchmark::RegisterBenchmark((base + "/openssl").c_str(), AesOpenSsl, mode, dec != 0));
    }
  }
  Measured(benchmark::RegisterBenchmark("rc4/zorbase", Rc4Ours));
  Measured(benchmark::RegisterBenchmark("rc4/openssl", Rc4OpenSsl));

  return zb::bench::Main(argc, argv, [&names](const zb::bench::RatioReporter& r) {
    r.PrintSpeedRatio("CRC-32 vs zlib crc32 (64 MiB)", "crc32/zorbase", "crc32/zlib", "goal >= 1.0x");
    r.PrintSpeedRatio("CRC-16 vs one-byte table loop (1 MiB)", "crc16/zorbase", "crc16/byte_loop",
                      "goal >= 4.0x");
    r.PrintSpeedRatio("SHA-1 vs OpenSSL (1 MiB)", "sha1/zorbase", "sha1/openssl", "goal >= 0.8x");
    for (auto& row : names) {
      for (const char* base : row) {
        const std::string b = base;
        r.PrintSpeedRatio((b + " vs OpenSSL (64 KiB)").c_str(), (b + "/zorbase").c_str(),
                          (b + "/openssl").c_str(), "goal >= 0.8x");
      }
    }
    r.PrintSpeedRatio("RC4 vs OpenSSL legacy RC4 (64 KiB)", "rc4/zorbase", "rc4/openssl",
                      "goal >= 0.8x");
  });
}
