// The table-driven Rijndael core: key schedules and block functions for 4, 6 and 8 columns. State
// columns are 32-bit words holding four bytes big-endian (first byte most significant).
#pragma once

#include <cstddef>
#include <cstdint>

namespace zb {
namespace crypto {
namespace internal {

// Rounds for a key and block of the given lengths in bytes (16, 24 or 32): the larger decides.
int RijndaelRounds(int key_length, int block_size);

// Expands `key` (key_length bytes) into (rounds + 1) * columns words of encryption round keys
// (`enc`, row stride `stride` words) and the matching round keys of the equivalent inverse cipher.
void RijndaelExpandKey(const std::uint8_t* key, int key_length, int block_size, std::uint32_t* enc,
                       std::uint32_t* dec, int stride);

// One block of block_size bytes with the round keys from RijndaelExpandKey. `in` and `out` may be
// the same buffer.
void RijndaelEncryptBlock(const std::uint32_t* enc, int stride, int rounds, int block_size,
                          const std::uint8_t* in, std::uint8_t* out);
void RijndaelDecryptBlock(const std::uint32_t* dec, int stride, int rounds, int block_size,
                          const std::uint8_t* in, std::uint8_t* out);

// The AES instructions' form of a 16-byte-block schedule: round r as 16 bytes. `dec_out` holds the
// equivalent inverse cipher keys in the order the decryption rounds use them.
void AesNiKeysFromSchedule(const std::uint32_t* enc, const std::uint32_t* dec, int stride,
                           int rounds, std::uint8_t* enc_out, std::uint8_t* dec_out);

// Bulk 16-byte-block operations with the AES instructions (call only when CpuHasAes()). `keys` are
// 16-byte round keys: encryption keys for the encrypting functions and for CFB decryption,
// decryption keys otherwise. `chain` (16 bytes) is read and updated. `in` and `out` may be the same.
void AesNiEcbEncrypt(const std::uint8_t* keys, int rounds, const std::uint8_t* in,
                     std::uint8_t* out, std::size_t blocks);
void AesNiEcbDecrypt(const std::uint8_t* keys, int rounds, const std::uint8_t* in,
                     std::uint8_t* out, std::size_t blocks);
void AesNiCbcEncrypt(const std::uint8_t* keys, int rounds, std::uint8_t* chain,
                     const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
void AesNiCbcDecrypt(const std::uint8_t* keys, int rounds, std::uint8_t* chain,
                     const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
void AesNiCfbEncrypt(const std::uint8_t* keys, int rounds, std::uint8_t* chain,
                     const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
void AesNiCfbDecrypt(const std::uint8_t* keys, int rounds, std::uint8_t* chain,
                     const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);

}  // namespace internal
}  // namespace crypto
}  // namespace zb
