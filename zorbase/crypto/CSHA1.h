// CSHA1: the SHA-1 message digest (FIPS 180-1) over buffers and files, with a printable report.
#pragma once

#include <cstdint>

#include <zorbase/platform/export.h>

// One running digest. Feed data with Update (and HashFile), then call Final and read the 20 bytes
// with GetHash or as text with ReportHash. Final leaves the object cleared: call Reset before the
// next message. Copyable; not for concurrent use.
class ZORBASE_API CSHA1 {
 public:
  // Report types of ReportHash.
  enum { REPORT_HEX = 0, REPORT_DIGIT = 1 };

  // A fresh digest (calls Reset).
  CSHA1();
  CSHA1(const CSHA1& other);
  CSHA1& operator=(const CSHA1& other);
  virtual ~CSHA1();

  // Starts a new message: the initial state words and a bit count of 0.
  void Reset();

  // Appends `length` bytes of `data` to the message. `data` may be null only when length is 0.
  void Update(unsigned char* data, unsigned int length);

  // Appends the whole content of the file at `path` (an ANSI-code-page path, Windows or native
  // form), read in pieces of 8000 bytes. Returns false, leaving the digest untouched, when the file
  // cannot be opened; false also when reading fails part way (the bytes read so far are hashed).
  // Does not call Final.
  bool HashFile(char* path);

  // Pads the message and computes the digest; then clears the state, counts and buffer.
  void Final();

  // Copies the 20-byte digest of the last Final to `out`.
  void GetHash(unsigned char* out) const;

  // Appends the digest to the text in `out`: type REPORT_HEX as twenty "%02X" pairs separated by
  // single spaces (59 characters; `out` needs room for 60 more), REPORT_DIGIT as twenty "%u"
  // values separated by spaces (room for 80 more). Any other type overwrites `out` with
  // "Error: Unknown report type!".
  void ReportHash(char* out, unsigned char type = REPORT_HEX);

 private:
  void Transform(const std::uint8_t* block);

  std::uint32_t m_state[5];
  std::uint32_t m_count[2];  // message length in bits, low word first
  std::uint8_t m_buffer[64];
  std::uint8_t m_digest[20];
};
