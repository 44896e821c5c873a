// The end of the process for an injected fault: TerminateProcess, which runs no handler or
// destructor, as a kill or a power cut would. The exit code is the one a killed Linux process shows.
#include <zorbase/platform/fault_injection.h>

#include <cstdlib>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

void EndProcessForFault() {
  TerminateProcess(GetCurrentProcess(), 137);
  std::_Exit(137);  // not reached
}

}  // namespace platform
}  // namespace zb
