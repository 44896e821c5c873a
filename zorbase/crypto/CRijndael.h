// CRijndael: the Rijndael block cipher with key and block sizes of 16, 24 or 32 bytes in electronic
// codebook, cipher-block chaining and cipher feedback modes. With 16-byte blocks it is AES.
#pragma once

#include <cstddef>
#include <cstdint>

#include <zorbase/platform/export.h>

// One cipher object: a key schedule and a chaining value that carries over from one call to the
// next. Misuse is reported by throwing a std::runtime_error (catch std::exception) whose what() is
// one of "Object not Initialized", "Data not multiple of Block Size", "Empty key",
// "Incorrect key length" or "Incorrect block length". Not for concurrent use.
class ZORBASE_API CRijndael {
 public:
  // Mode codes of Encrypt and Decrypt; any other code is treated as ECB.
  enum { ECB = 0, CBC = 1, CFB = 2 };

  // A cipher without key: every operation throws "Object not Initialized" until MakeKey succeeds.
  CRijndael();
  virtual ~CRijndael();

  // Expands `key` (keyLength bytes) and sets the initial and current chaining value to the first
  // blockSize bytes of `chain` (all zero when `chain` is null). keyLength and blockSize are 16, 24
  // or 32. Throws "Empty key" for a null key, then "Incorrect key length", then
  // "Incorrect block length"; a failed call leaves the object as it was.
  void MakeKey(const char* key, const char* chain, int keyLength = 16, int blockSize = 16);

  // One block of blockSize bytes; `in` and `out` may be the same buffer. The chain is not used.
  void EncryptBlock(const char* in, char* out);
  void DecryptBlock(const char* in, char* out);

  // n bytes (a non-zero multiple of blockSize) block by block in `mode` (ECB, CBC or CFB). The
  // chaining value carries over between calls, so a message split over several calls gives the
  // same result as one call; only MakeKey resets it. `in` and `out` may be the same buffer.
  void Encrypt(const char* in, char* out, std::size_t n, int mode = ECB);
  void Decrypt(const char* in, char* out, std::size_t n, int mode = ECB);

  // The key length, block size (bytes) and number of rounds; 0 before MakeKey.
  int GetKeyLength() const { return m_keyInitialised ? m_keyLength : 0; }
  int GetBlockSize() const { return m_keyInitialised ? m_blockSize : 0; }
  int GetRounds() const { return m_keyInitialised ? m_rounds : 0; }

  // Puts the chaining value back to the one given to MakeKey. Throws "Object not Initialized".
  void ResetChain();

 private:
  enum { MAX_ROUNDS = 14, MAX_BC = 8, MAX_BLOCK = 32 };

  void CheckInitialised() const;
  void EncryptOne(const std::uint8_t* in, std::uint8_t* out) const;
  void DecryptOne(const std::uint8_t* in, std::uint8_t* out) const;
  void EncryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks, int mode);
  void DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks, int mode);
  bool UseAesNi() const;

  bool m_keyInitialised;
  std::uint32_t m_encKeys[MAX_ROUNDS + 1][MAX_BC];  // round keys, big-endian columns
  std::uint32_t m_decKeys[MAX_ROUNDS + 1][MAX_BC];  // equivalent inverse cipher round keys
  int m_keyLength;
  int m_blockSize;
  int m_rounds;
  std::uint8_t m_initialChain[MAX_BLOCK];
  std::uint8_t m_chain[MAX_BLOCK];
  // The same schedules as byte strings for the processor's AES instructions (16-byte blocks).
  alignas(16) std::uint8_t m_niEncKeys[MAX_ROUNDS + 1][16];
  alignas(16) std::uint8_t m_niDecKeys[MAX_ROUNDS + 1][16];
  bool m_niKeys;
};
