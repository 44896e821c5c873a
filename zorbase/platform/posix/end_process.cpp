// The end of the process for an injected fault: SIGKILL, which nothing can catch or delay.
#include <zorbase/platform/fault_injection.h>

#include <csignal>
#include <cstdlib>

namespace zb {
namespace platform {

void EndProcessForFault() {
  raise(SIGKILL);
  std::_Exit(137);  // not reached
}

}  // namespace platform
}  // namespace zb
