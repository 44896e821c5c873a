// COXCRC16: the table-driven 16-bit CRC (most significant bit first) for any polynomial, with one
// table per polynomial shared by the whole process.
#pragma once

#include <cstdint>

#include <zorbase/crypto/COXCRCTableList.h>
#include <zorbase/crypto/COXCheckBase.h>

// crc = table[(crc >> 8) xor b] xor ((crc << 8) mod 2^16) for each byte b, starting from the low
// 16 bits of the initial value, without final inversion. With the default polynomial 0x1021 and
// the initial 0xFFFF this is CRC-16/IBM-3740 ("123456789" gives 0x29B1).
class ZORBASE_API COXCRC16 : public COXCheckBase {
 public:
  // The process-wide tables of the 16-bit CRC.
  class ZORBASE_API CTableList : public COXCRCTableList<std::uint16_t> {
   public:
    constexpr CTableList() noexcept {}

   protected:
    void BuildNode(CNode& node) const override;
    void FreeExtra(CNode& node) const override;
  };

  // Uses the shared table of `polynomial`, building it on first use.
  explicit COXCRC16(unsigned short polynomial = 0x1021);
  COXCRC16(const COXCRC16& other);
  COXCRC16& operator=(const COXCRC16& other);

  using COXCheckBase::CalculateBlock;
  ULONG CalculateBlock(void* const data, ULONG length, ULONG initial) override;

  // The shared 256-entry table this object uses, and its polynomial.
  const unsigned short* GetTable() const { return m_pTable; }
  unsigned short GetPolynomial() const { return m_pNode->m_polynomial; }

  static CTableList m_tableList;

 private:
  const CTableList::CNode* m_pNode;
  const unsigned short* m_pTable;
};
