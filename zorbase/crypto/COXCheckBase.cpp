// COXCheckBase and the additive checksums.
#include <zorbase/crypto/COXCheckBase.h>
#include <zorbase/crypto/COXCheckSum.h>

#include <memory>

#include <zorbase/crypto/internal/crc_core.h>

using zb::crypto::internal::ByteSum;

COXCheckBase::COXCheckBase(ESize size) : m_nCurrent(0xFFFFFFFFu), m_eSize(size) {}

COXCheckBase::COXCheckBase(const COXCheckBase& other) = default;

COXCheckBase& COXCheckBase::operator=(const COXCheckBase& other) = default;

COXCheckBase::~COXCheckBase() {}

void COXCheckBase::Reset() { m_nCurrent = 0xFFFFFFFFu; }

ULONG COXCheckBase::CalculateBlock(void* const data, ULONG length) {
  return CalculateBlock(data, length, m_nCurrent);
}

namespace {

// The largest buffer CalculateFile allocates, whatever buffer size the caller asks for.
constexpr ULONG kMaxFileBuffer = 1u << 20;

}  // namespace

ULONG COXCheckBase::CalculateFile(CString path) {
  CFile file;
  CFileException error;
  if (!file.Open(path.GetString(), CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary,
                 &error)) {
    throw new CFileException(error);
  }
  return CalculateFile(&file, 0xFFFFFFFFu, 2048);
}

ULONG COXCheckBase::CalculateFile(CFile* file, ULONG length, ULONG bufferSize) {
  const ULONG saved = m_nCurrent;
  ULONG chunk = length < bufferSize ? length : bufferSize;
  if (chunk > kMaxFileBuffer) chunk = kMaxFileBuffer;
  if (file == nullptr || chunk == 0) return m_nCurrent;
  std::unique_ptr<unsigned char[]> buffer(new unsigned char[chunk]);
  try {
    ULONG remaining = length;
    ULONG ask = chunk;
    for (;;) {
      UINT n = file->Read(buffer.get(), ask);
      m_nCurrent = CalculateBlock(buffer.get(), n, m_nCurrent);
      remaining -= n;
      if (n < ask) break;  // the end of the file
      ask = remaining < chunk ? remaining : chunk;
      if (ask == 0) break;
    }
  } catch (...) {
    m_nCurrent = saved;
    throw;
  }
  return m_nCurrent;
}

namespace {

// The running sum after `length` bytes, kept in current and returned, both reduced by `mask`.
ULONG Sum(ULONG& current, const void* data, ULONG length, ULONG initial, ULONG mask) {
  current = initial;
  if (length == 0 || data == nullptr) return initial & mask;
  std::uint64_t total = initial + ByteSum(static_cast<const std::uint8_t*>(data), length);
  current = static_cast<ULONG>(total) & mask;
  return current;
}

}  // namespace

COXCheckSum8::COXCheckSum8() : COXCheckBase(size8Bit) {}

ULONG COXCheckSum8::CalculateBlock(void* const data, ULONG length, ULONG initial) {
  return Sum(m_nCurrent, data, length, initial, 0xFFu);
}

COXCheckSum16::COXCheckSum16() : COXCheckBase(size16Bit) {}

ULONG COXCheckSum16::CalculateBlock(void* const data, ULONG length, ULONG initial) {
  return Sum(m_nCurrent, data, length, initial, 0xFFFFu);
}

COXCheckSum32::COXCheckSum32() : COXCheckBase(size32Bit) {}

ULONG COXCheckSum32::CalculateBlock(void* const data, ULONG length, ULONG initial) {
  return Sum(m_nCurrent, data, length, initial, 0xFFFFFFFFu);
}
