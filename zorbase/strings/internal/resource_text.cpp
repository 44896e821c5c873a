#include <zorbase/strings/internal/resource_text.h>

namespace zb {
namespace internal {

// No resource-string wrapper can be installed yet, so every identifier gives the empty text that
// a process without a wrapper sees.
std::wstring LoadWrapperText(unsigned int) { return std::wstring(); }

}  // namespace internal
}  // namespace zb
