// RC4: the stream cipher over a key state that the caller owns and keeps between calls.
#pragma once

#include <cstddef>

#include <zorbase/platform/export.h>

// The key state: a permutation of the 256 byte values and the two stream indices.
struct rc4_key {
  unsigned char state[256];
  unsigned char x;
  unsigned char y;
};

// Initialises `key` from keyLength bytes of keyData (the RC4 key schedule). A key of length 0 (or
// a null keyData) is not a key: `key` is then set to the identity permutation with x = y = 0, so
// that nothing reads outside keyData; callers must not rely on that as encryption.
ZORBASE_API void prepare_key(const unsigned char* keyData, unsigned short keyLength, rc4_key* key);

// Encrypts or decrypts `length` bytes of `buffer` in place and stores the stream position back in
// `key`, so successive calls continue one key stream.
ZORBASE_API void rc4(unsigned char* buffer, std::size_t length, rc4_key* key);
