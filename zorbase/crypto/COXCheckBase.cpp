// COXCheckBase and the additive checksums.
#include <zorbase/crypto/COXCheckBase.h>
#include <zorbase/crypto/COXCheckSum.h>

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
