// The registry's view of the calling user: the SID its access checks and HKEY_USERS use.
#include <zorbase/platform/portable/registry_security.h>

#include <unistd.h>

#include <string>

namespace zb {
namespace platform {
namespace reg {

// Unix users appear as Samba maps them: S-1-22-1-<uid>.
std::string CurrentUserSid() { return "S-1-22-1-" + std::to_string(getuid()); }

}  // namespace reg
}  // namespace platform
}  // namespace zb
