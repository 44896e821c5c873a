// CSHA1: buffering and padding around the SHA-1 compression function, which runs on the
// processor's SHA extensions where present.
#include <zorbase/crypto/CSHA1.h>

#include <cstdio>
#include <cstring>

#include <zorbase/crypto/internal/file_read.h>
#include <zorbase/crypto/internal/sha1_core.h>

using zb::crypto::internal::Sha1Transform;

CSHA1::CSHA1() : m_state(), m_count(), m_buffer(), m_digest() { Reset(); }

CSHA1::CSHA1(const CSHA1& other) = default;

CSHA1& CSHA1::operator=(const CSHA1& other) = default;

CSHA1::~CSHA1() {}

void CSHA1::Reset() {
  m_state[0] = 0x67452301u;
  m_state[1] = 0xEFCDAB89u;
  m_state[2] = 0x98BADCFEu;
  m_state[3] = 0x10325476u;
  m_state[4] = 0xC3D2E1F0u;
  m_count[0] = 0;
  m_count[1] = 0;
}

void CSHA1::Transform(const std::uint8_t* block) { Sha1Transform(m_state, block, 1); }

void CSHA1::Update(unsigned char* data, unsigned int length) {
  if (length == 0) return;
  std::uint32_t used = (m_count[0] >> 3) & 63;
  std::uint32_t bits = length << 3;
  m_count[0] += bits;
  if (m_count[0] < bits) ++m_count[1];
  m_count[1] += length >> 29;

  const std::uint8_t* p = data;
  std::uint32_t left = length;
  if (used != 0) {
    std::uint32_t take = 64 - used;
    if (left < take) {
      std::memcpy(m_buffer + used, p, left);
      return;
    }
    std::memcpy(m_buffer + used, p, take);
    Transform(m_buffer);
    p += take;
    left -= take;
  }
  if (left >= 64) {
    Sha1Transform(m_state, p, left / 64);
    p += left & ~63u;
    left &= 63;
  }
  if (left != 0) std::memcpy(m_buffer, p, left);
}

bool CSHA1::HashFile(char* path) {
  return zb::crypto::internal::ReadFileInPieces(path, 8000, [this](unsigned char* piece,
                                                                   std::size_t n) {
    Update(piece, static_cast<unsigned int>(n));
  });
}

void CSHA1::Final() {
  std::uint8_t length[8];
  for (int i = 0; i < 8; ++i) {
    length[i] = static_cast<std::uint8_t>(m_count[i < 4 ? 1 : 0] >> ((3 - (i & 3)) * 8));
  }
  unsigned char pad = 0x80;
  Update(&pad, 1);
  unsigned char zero = 0;
  while ((m_count[0] & 504) != 448) Update(&zero, 1);
  Update(length, 8);
  for (int i = 0; i < 20; ++i) {
    m_digest[i] = static_cast<std::uint8_t>(m_state[i >> 2] >> ((3 - (i & 3)) * 8));
  }
  // Clear the working values, and run one more transform over them as well, so nothing of the
  // message stays in the object.
  std::memset(m_buffer, 0, sizeof m_buffer);
  std::memset(m_state, 0, sizeof m_state);
  std::memset(m_count, 0, sizeof m_count);
  Transform(m_buffer);
}

void CSHA1::GetHash(unsigned char* out) const { std::memcpy(out, m_digest, 20); }

void CSHA1::ReportHash(char* out, unsigned char type) {
  char piece[8];
  if (type == REPORT_HEX) {
    for (int i = 0; i < 20; ++i) {
      std::snprintf(piece, sizeof piece, i == 0 ? "%02X" : " %02X", m_digest[i]);
      std::strcat(out, piece);
    }
  } else if (type == REPORT_DIGIT) {
    for (int i = 0; i < 20; ++i) {
      std::snprintf(piece, sizeof piece, i == 0 ? "%u" : " %u", unsigned{m_digest[i]});
      std::strcat(out, piece);
    }
  } else {
    std::strcpy(out, "Error: Unknown report type!");
  }
}
