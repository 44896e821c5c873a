// The CRC engines behind COXCRC16 and COXCRC32: the one-byte table step, slicing by 16 bytes over
// per-polynomial tables, and folding with carry-less multiplication where the processor has it.
// Every engine gives exactly the result of the one-byte table step, for any polynomial.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zb {
namespace crypto {
namespace internal {

// Per-polynomial data of the reflected 32-bit CRC. slice[0] is the 256-entry table of the
// one-byte step; slice[k][b] is the CRC of the byte b followed by k zero bytes.
struct Crc32Data {
  std::uint32_t slice[16][256];
  // Folding constants for distances of 128 * (i + 1) bits: {x^(D+63), x^(D-1)} mod P, each
  // reflected into the high half of a 64-bit word.
  alignas(16) std::uint64_t fold[4][2];
};

// Per-polynomial data of the 16-bit CRC (most significant bit first).
struct Crc16Data {
  std::uint16_t slice[16][256];
  // Folding constants for distances of 128 * (i + 1) bits: {x^(D+64), x^D} mod P.
  alignas(16) std::uint64_t fold[4][2];
};

// The 256-entry tables as the classes define them.
void BuildCrc32Table(std::uint32_t polynomial, std::uint32_t* table);
void BuildCrc16Table(std::uint16_t polynomial, std::uint16_t* table);

// Fills `data` for `polynomial` (slice[0] equal to the table above).
void BuildCrc32Data(std::uint32_t polynomial, Crc32Data* data);
void BuildCrc16Data(std::uint16_t polynomial, Crc16Data* data);

// The one-byte table step over `length` bytes, from `crc`.
std::uint32_t Crc32Bytes(const std::uint32_t* table, std::uint32_t crc, const std::uint8_t* p,
                         std::size_t length);
std::uint16_t Crc16Bytes(const std::uint16_t* table, std::uint16_t crc, const std::uint8_t* p,
                         std::size_t length);

// Slicing by 16 bytes.
std::uint32_t Crc32Sliced(const Crc32Data& data, std::uint32_t crc, const std::uint8_t* p,
                          std::size_t length);
std::uint16_t Crc16Sliced(const Crc16Data& data, std::uint16_t crc, const std::uint8_t* p,
                          std::size_t length);

// Folding with carry-less multiplication; call only when CpuHasPclmul(). Any length.
std::uint32_t Crc32Folded(const Crc32Data& data, std::uint32_t crc, const std::uint8_t* p,
                          std::size_t length);
std::uint16_t Crc16Folded(const Crc16Data& data, std::uint16_t crc, const std::uint8_t* p,
                          std::size_t length);

// The fastest engine that the active processor features allow.
std::uint32_t Crc32Update(const Crc32Data& data, std::uint32_t crc, const std::uint8_t* p,
                          std::size_t length);
std::uint16_t Crc16Update(const Crc16Data& data, std::uint16_t crc, const std::uint8_t* p,
                          std::size_t length);

// The byte sum of `length` bytes (64-bit, so the checksums can reduce it to any width).
std::uint64_t ByteSumPortable(const std::uint8_t* p, std::size_t length);
std::uint64_t ByteSum(const std::uint8_t* p, std::size_t length);

}  // namespace internal
}  // namespace crypto
}  // namespace zb
