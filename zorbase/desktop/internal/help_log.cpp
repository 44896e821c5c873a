#include <zorbase/desktop/internal/help_log.h>

#include <zorbase/logging/MLogManager.h>

namespace zb {
namespace desktop_internal {

void LogHelpText(const wchar_t* text) {
  if (text != nullptr) MLogManager::GetPlugIn().Info(text);
}

}  // namespace desktop_internal
}  // namespace zb
