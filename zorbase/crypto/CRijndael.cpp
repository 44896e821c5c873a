// CRijndael: checks, chaining modes and the choice between the table-driven core and the
// processor's AES instructions (16-byte blocks only; both give the same bytes).
#include <zorbase/crypto/CRijndael.h>

#include <cstring>
#include <stdexcept>

#include <zorbase/crypto/internal/cpu.h>
#include <zorbase/crypto/internal/rijndael_core.h>

namespace {

const char kNotInitialised[] = "Object not Initialized";
const char kNotMultiple[] = "Data not multiple of Block Size";
const char kEmptyKey[] = "Empty key";
const char kBadKeyLength[] = "Incorrect key length";
const char kBadBlockLength[] = "Incorrect block length";

bool ValidLength(int n) { return n == 16 || n == 24 || n == 32; }

void Xor(std::uint8_t* dst, const std::uint8_t* a, const std::uint8_t* b, int n) {
  for (int i = 0; i < n; ++i) dst[i] = static_cast<std::uint8_t>(a[i] ^ b[i]);
}

}  // namespace

using namespace zb::crypto::internal;

CRijndael::CRijndael()
    : m_keyInitialised(false),
      m_encKeys(),
      m_decKeys(),
      m_keyLength(0),
      m_blockSize(0),
      m_rounds(0),
      m_initialChain(),
      m_chain(),
      m_niEncKeys(),
      m_niDecKeys(),
      m_niKeys(false) {}

CRijndael::~CRijndael() {
  // Key material does not outlive the object.
  std::memset(m_encKeys, 0, sizeof m_encKeys);
  std::memset(m_decKeys, 0, sizeof m_decKeys);
  std::memset(m_niEncKeys, 0, sizeof m_niEncKeys);
  std::memset(m_niDecKeys, 0, sizeof m_niDecKeys);
  __asm__ __volatile__("" : : "r"(this) : "memory");  // keeps the stores above
}

void CRijndael::MakeKey(const char* key, const char* chain, int keyLength, int blockSize) {
  if (key == nullptr) throw std::runtime_error(kEmptyKey);
  if (!ValidLength(keyLength)) throw std::runtime_error(kBadKeyLength);
  if (!ValidLength(blockSize)) throw std::runtime_error(kBadBlockLength);

  m_keyLength = keyLength;
  m_blockSize = blockSize;
  m_rounds = RijndaelRounds(keyLength, blockSize);
  std::memset(m_initialChain, 0, sizeof m_initialChain);
  if (chain != nullptr) std::memcpy(m_initialChain, chain, static_cast<std::size_t>(blockSize));
  std::memcpy(m_chain, m_initialChain, sizeof m_chain);
  RijndaelExpandKey(reinterpret_cast<const std::uint8_t*>(key), keyLength, blockSize,
                    &m_encKeys[0][0], &m_decKeys[0][0], MAX_BC);
  m_niKeys = blockSize == 16 && CpuHasAes();
  if (m_niKeys) {
    AesNiKeysFromSchedule(&m_encKeys[0][0], &m_decKeys[0][0], MAX_BC, m_rounds, &m_niEncKeys[0][0],
                          &m_niDecKeys[0][0]);
  }
  m_keyInitialised = true;
}

void CRijndael::ResetChain() {
  CheckInitialised();
  std::memcpy(m_chain, m_initialChain, sizeof m_chain);
}

void CRijndael::CheckInitialised() const {
  if (!m_keyInitialised) throw std::runtime_error(kNotInitialised);
}

bool CRijndael::UseAesNi() const { return m_niKeys && ActiveCpu().aes.load(std::memory_order_relaxed); }

void CRijndael::EncryptOne(const std::uint8_t* in, std::uint8_t* out) const {
  RijndaelEncryptBlock(&m_encKeys[0][0], MAX_BC, m_rounds, m_blockSize, in, out);
}

void CRijndael::DecryptOne(const std::uint8_t* in, std::uint8_t* out) const {
  RijndaelDecryptBlock(&m_decKeys[0][0], MAX_BC, m_rounds, m_blockSize, in, out);
}

void CRijndael::EncryptBlock(const char* in, char* out) {
  CheckInitialised();
  const auto* src = reinterpret_cast<const std::uint8_t*>(in);
  auto* dst = reinterpret_cast<std::uint8_t*>(out);
  if (UseAesNi()) {
    AesNiEcbEncrypt(&m_niEncKeys[0][0], m_rounds, src, dst, 1);
  } else {
    EncryptOne(src, dst);
  }
}

void CRijndael::DecryptBlock(const char* in, char* out) {
  CheckInitialised();
  const auto* src = reinterpret_cast<const std::uint8_t*>(in);
  auto* dst = reinterpret_cast<std::uint8_t*>(out);
  if (UseAesNi()) {
    AesNiEcbDecrypt(&m_niDecKeys[0][0], m_rounds, src, dst, 1);
  } else {
    DecryptOne(src, dst);
  }
}

void CRijndael::Encrypt(const char* in, char* out, std::size_t n, int mode) {
  CheckInitialised();
  if (n == 0 || n % static_cast<std::size_t>(m_blockSize) != 0) {
    throw std::runtime_error(kNotMultiple);
  }
  EncryptBlocks(reinterpret_cast<const std::uint8_t*>(in), reinterpret_cast<std::uint8_t*>(out),
                n / static_cast<std::size_t>(m_blockSize), mode);
}

void CRijndael::Decrypt(const char* in, char* out, std::size_t n, int mode) {
  CheckInitialised();
  if (n == 0 || n % static_cast<std::size_t>(m_blockSize) != 0) {
    throw std::runtime_error(kNotMultiple);
  }
  DecryptBlocks(reinterpret_cast<const std::uint8_t*>(in), reinterpret_cast<std::uint8_t*>(out),
                n / static_cast<std::size_t>(m_blockSize), mode);
}

void CRijndael::EncryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                              int mode) {
  if (UseAesNi()) {
    const std::uint8_t* keys = &m_niEncKeys[0][0];
    if (mode == CBC) {
      AesNiCbcEncrypt(keys, m_rounds, m_chain, in, out, blocks);
    } else if (mode == CFB) {
      AesNiCfbEncrypt(keys, m_rounds, m_chain, in, out, blocks);
    } else {
      AesNiEcbEncrypt(keys, m_rounds, in, out, blocks);
    }
    return;
  }
  const int bs = m_blockSize;
  std::uint8_t tmp[MAX_BLOCK];
  for (std::size_t i = 0; i < blocks; ++i, in += bs, out += bs) {
    if (mode == CBC) {
      Xor(m_chain, m_chain, in, bs);
      EncryptOne(m_chain, m_chain);
      std::memcpy(out, m_chain, static_cast<std::size_t>(bs));
    } else if (mode == CFB) {
      EncryptOne(m_chain, tmp);
      Xor(m_chain, tmp, in, bs);
      std::memcpy(out, m_chain, static_cast<std::size_t>(bs));
    } else {
      EncryptOne(in, out);
    }
  }
}

void CRijndael::DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks,
                              int mode) {
  if (UseAesNi()) {
    if (mode == CBC) {
      AesNiCbcDecrypt(&m_niDecKeys[0][0], m_rounds, m_chain, in, out, blocks);
    } else if (mode == CFB) {
      AesNiCfbDecrypt(&m_niEncKeys[0][0], m_rounds, m_chain, in, out, blocks);
    } else {
      AesNiEcbDecrypt(&m_niDecKeys[0][0], m_rounds, in, out, blocks);
    }
    return;
  }
  const int bs = m_blockSize;
  std::uint8_t tmp[MAX_BLOCK];
  std::uint8_t cipher[MAX_BLOCK];
  for (std::size_t i = 0; i < blocks; ++i, in += bs, out += bs) {
    if (mode == CBC) {
      std::memcpy(cipher, in, static_cast<std::size_t>(bs));  // `out` may overwrite `in`
      DecryptOne(cipher, tmp);
      Xor(out, tmp, m_chain, bs);
      std::memcpy(m_chain, cipher, static_cast<std::size_t>(bs));
    } else if (mode == CFB) {
      std::memcpy(cipher, in, static_cast<std::size_t>(bs));
      EncryptOne(m_chain, tmp);
      Xor(out, tmp, cipher, bs);
      std::memcpy(m_chain, cipher, static_cast<std::size_t>(bs));
    } else {
      DecryptOne(in, out);
    }
  }
}
