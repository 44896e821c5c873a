// Run-time detection of the processor features behind the fast paths.
#include <zorbase/crypto/internal/cpu.h>

namespace zb {
namespace crypto {
namespace internal {
namespace {

struct Detected {
  bool pclmul = false;
  bool aes = false;
  bool sha = false;
  Detected() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    bool sse41 = __builtin_cpu_supports("sse4.1");
    bool ssse3 = __builtin_cpu_supports("ssse3");
    pclmul = sse41 && __builtin_cpu_supports("pclmul");
    aes = sse41 && __builtin_cpu_supports("aes");
    sha = sse41 && ssse3 && __builtin_cpu_supports("sha");
#endif
  }
};

const Detected& GetDetected() {
  static const Detected detected;
  return detected;
}

}  // namespace

bool CpuHasPclmul() { return GetDetected().pclmul; }
bool CpuHasAes() { return GetDetected().aes; }
bool CpuHasSha() { return GetDetected().sha; }

CpuFeatures& ActiveCpu() {
  static CpuFeatures* features = [] {
    static CpuFeatures f;
    f.pclmul = CpuHasPclmul();
    f.aes = CpuHasAes();
    f.sha = CpuHasSha();
    return &f;
  }();
  return *features;
}

ScopedPortableOnly::ScopedPortableOnly()
    : pclmul_(ActiveCpu().pclmul), aes_(ActiveCpu().aes), sha_(ActiveCpu().sha) {
  ActiveCpu().pclmul = false;
  ActiveCpu().aes = false;
  ActiveCpu().sha = false;
}

ScopedPortableOnly::~ScopedPortableOnly() {
  ActiveCpu().pclmul = pclmul_;
  ActiveCpu().aes = aes_;
  ActiveCpu().sha = sha_;
}

}  // namespace internal
}  // namespace crypto
}  // namespace zb
