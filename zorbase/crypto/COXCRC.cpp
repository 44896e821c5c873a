// COXCRC16 and COXCRC32: the shared table lists and the block step, which runs on the fastest CRC
// engine the processor allows (all engines give the table step's result).
#include <zorbase/crypto/COXCRC16.h>
#include <zorbase/crypto/COXCRC32.h>

#include <zorbase/crypto/internal/crc_core.h>

using namespace zb::crypto::internal;

COXCRC32::CTableList COXCRC32::m_tableList;
COXCRC16::CTableList COXCRC16::m_tableList;

void COXCRC32::CTableList::BuildNode(CNode& node) const {
  auto* data = new Crc32Data;
  BuildCrc32Data(node.m_polynomial, data);
  for (int i = 0; i < 256; ++i) node.m_table[i] = data->slice[0][i];
  node.m_pExtra = data;
}

void COXCRC32::CTableList::FreeExtra(CNode& node) const {
  delete static_cast<Crc32Data*>(node.m_pExtra);
  node.m_pExtra = nullptr;
}

COXCRC32::COXCRC32(ULONG polynomial)
    : COXCheckBase(size32Bit), m_pNode(m_tableList.GetNode(polynomial)), m_pTable(m_pNode->m_table) {}

COXCRC32::COXCRC32(const COXCRC32& other) = default;

COXCRC32& COXCRC32::operator=(const COXCRC32& other) = default;

ULONG COXCRC32::CalculateBlock(void* const data, ULONG length, ULONG initial) {
  m_nCurrent = initial;
  if (length == 0 || data == nullptr) return initial;
  m_nCurrent = Crc32Update(*static_cast<const Crc32Data*>(m_pNode->m_pExtra), initial,
                           static_cast<const std::uint8_t*>(data), length);
  return m_nCurrent;
}

void COXCRC16::CTableList::BuildNode(CNode& node) const {
  auto* data = new Crc16Data;
  BuildCrc16Data(node.m_polynomial, data);
  for (int i = 0; i < 256; ++i) node.m_table[i] = data->slice[0][i];
  node.m_pExtra = data;
}

void COXCRC16::CTableList::FreeExtra(CNode& node) const {
  delete static_cast<Crc16Data*>(node.m_pExtra);
  node.m_pExtra = nullptr;
}

COXCRC16::COXCRC16(unsigned short polynomial)
    : COXCheckBase(size16Bit), m_pNode(m_tableList.GetNode(polynomial)), m_pTable(m_pNode->m_table) {}

COXCRC16::COXCRC16(const COXCRC16& other) = default;

COXCRC16& COXCRC16::operator=(const COXCRC16& other) = default;

ULONG COXCRC16::CalculateBlock(void* const data, ULONG length, ULONG initial) {
  m_nCurrent = initial;
  if (length == 0 || data == nullptr) return initial & 0xFFFFu;
  m_nCurrent = Crc16Update(*static_cast<const Crc16Data*>(m_pNode->m_pExtra),
                           static_cast<std::uint16_t>(initial),
                           static_cast<const std::uint8_t*>(data), length);
  return m_nCurrent;
}
