// COXCRC32: the table-driven, reflected 32-bit CRC for any polynomial, with one table per
// polynomial shared by the whole process.
#pragma once

#include <cstdint>

#include <zorbase/crypto/COXCRCTableList.h>
#include <zorbase/crypto/COXCheckBase.h>

// crc = table[(crc xor b) and 0xFF] xor (crc >> 8) for each byte b, least significant bit first,
// without final inversion. With the default polynomial 0xEDB88320 and the initial 0xFFFFFFFF
// this is CRC-32/JAMCRC, the complement of the usual CRC-32 ("123456789" gives 0x340BC6D9).
class ZORBASE_API COXCRC32 : public COXCheckBase {
 public:
  // The process-wide tables of the 32-bit CRC.
  class ZORBASE_API CTableList : public COXCRCTableList<std::uint32_t> {
   public:
    constexpr CTableList() noexcept {}

   protected:
    void BuildNode(CNode& node) const override;
    void FreeExtra(CNode& node) const override;
  };

  // Uses the shared table of `polynomial` (reflected form), building it on first use.
  explicit COXCRC32(ULONG polynomial = 0xEDB88320u);
  COXCRC32(const COXCRC32& other);
  COXCRC32& operator=(const COXCRC32& other);

  using COXCheckBase::CalculateBlock;
  ULONG CalculateBlock(void* const data, ULONG length, ULONG initial) override;

  // The shared 256-entry table this object uses, and its polynomial.
  const std::uint32_t* GetTable() const { return m_pTable; }
  ULONG GetPolynomial() const { return m_pNode->m_polynomial; }

  static CTableList m_tableList;

 private:
  const CTableList::CNode* m_pNode;
  const std::uint32_t* m_pTable;
};
