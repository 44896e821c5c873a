// The library's own keyed scrambling of 8-, 16-, 32-, n-bit (up to 64) and 128-bit values and of
// byte buffers, exactly reversible with the same key, and StringToULong, a hash of a text into a
// 32-bit key. Not a cipher in the cryptographic sense: it hides values from casual reading.
#pragma once

#include <cstddef>
#include <cstdint>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// 16 bytes seen as bytes or as four 32-bit words, word 0 first (little-endian bytes).
union ulong128 {
  unsigned char bytes[16];
  std::uint32_t words[4];
};

// One byte scrambled with `key`. Its inverse is not part of the interface.
ZORBASE_API unsigned char Encrypt(unsigned char value, ULONG key);

// A 32-bit value scrambled with `key`, and its inverse: Decrypt(Encrypt(x, k), k) == x.
ZORBASE_API ULONG Encrypt(ULONG value, ULONG key);
ZORBASE_API ULONG Decrypt(ULONG value, ULONG key);

// The low `bits` bits of `value` scrambled with `key` into a value of `bits` bits, and its
// inverse: Decrypt(Encrypt(x, n, k), n, k) == x masked to n bits. bits 0 gives 0; bits of 64 or
// more act on all 64 bits.
ZORBASE_API std::uint64_t Encrypt(std::uint64_t value, ULONG bits, std::uint64_t key);
ZORBASE_API std::uint64_t Decrypt(std::uint64_t value, ULONG bits, std::uint64_t key);

// 16 bytes scrambled without key, and the inverse.
ZORBASE_API ulong128 Encrypt(ulong128 value);
ZORBASE_API ulong128 Decrypt(ulong128 value);

// `length` bytes of `buffer` scrambled in place with `key` (whole 4-byte groups as little-endian
// 32-bit values, a remainder as 16- and 8-bit values), and the inverse. Any alignment.
ZORBASE_API void Encrypt(unsigned char* buffer, std::size_t length, ULONG key);
ZORBASE_API void Decrypt(unsigned char* buffer, std::size_t length, ULONG key);

// A 32-bit hash of the NUL-terminated text, its bytes taken as signed 8-bit values; 0x4B0F3B58
// for an empty (or null) text. Serves as a key for the functions above.
ZORBASE_API ULONG StringToULong(const char* text);
