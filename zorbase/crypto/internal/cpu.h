// Processor features that select the fast paths of the checksums and ciphers at run time. Each fast
// path gives exactly the result of its portable counterpart; these switches only choose which runs.
#pragma once

#include <atomic>

namespace zb {
namespace crypto {
namespace internal {

// What the library may use. Initialised from the processor on first use; tests switch a feature
// off (never on beyond what the processor has) to run the portable path through the public classes.
struct CpuFeatures {
  std::atomic<bool> pclmul{false};  // carry-less multiplication (with SSE4.1): CRC folding
  std::atomic<bool> aes{false};     // AES round instructions (with SSE4.1): 16-byte Rijndael blocks
  std::atomic<bool> sha{false};     // SHA extensions (with SSSE3 and SSE4.1): SHA-1
};

// The features the library uses now. Thread-safe to read; written only by the scoped override.
CpuFeatures& ActiveCpu();

// The processor's own features, detected once.
bool CpuHasPclmul();
bool CpuHasAes();
bool CpuHasSha();

// Switches every fast path off for its lifetime and restores the previous choice afterwards. For
// tests that compare the fast paths with the portable ones; not for concurrent use.
class ScopedPortableOnly {
 public:
  ScopedPortableOnly();
  ~ScopedPortableOnly();
  ScopedPortableOnly(const ScopedPortableOnly&) = delete;
  ScopedPortableOnly& operator=(const ScopedPortableOnly&) = delete;

 private:
  bool pclmul_;
  bool aes_;
  bool sha_;
};

}  // namespace internal
}  // namespace crypto
}  // namespace zb
