// COXCheckSum8, COXCheckSum16, COXCheckSum32: additive checksums of bytes modulo 2^8, 2^16, 2^32.
#pragma once

#include <zorbase/crypto/COXCheckBase.h>

// sum = (sum + b) mod 2^8 for each byte b, starting from the low 8 bits of the initial value.
class ZORBASE_API COXCheckSum8 : public COXCheckBase {
 public:
  COXCheckSum8();
  using COXCheckBase::CalculateBlock;
  ULONG CalculateBlock(void* const data, ULONG length, ULONG initial) override;
};

// sum = (sum + b) mod 2^16 for each byte b, starting from the low 16 bits of the initial value.
class ZORBASE_API COXCheckSum16 : public COXCheckBase {
 public:
  COXCheckSum16();
  using COXCheckBase::CalculateBlock;
  ULONG CalculateBlock(void* const data, ULONG length, ULONG initial) override;
};

// sum = (sum + b) mod 2^32 for each byte b.
class ZORBASE_API COXCheckSum32 : public COXCheckBase {
 public:
  COXCheckSum32();
  using COXCheckBase::CalculateBlock;
  ULONG CalculateBlock(void* const data, ULONG length, ULONG initial) override;
};
