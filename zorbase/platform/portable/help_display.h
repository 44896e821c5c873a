// Showing a topic of a compiled help file with the desktop's programs. Shared by the viewer
// module and its backend only.
#pragma once

#include <map>
#include <string>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace help {

// Starts an installed CHM viewer at `topic` (an object name such as "/tip1.htm") of the help file
// at `chm_path`, or at `context_id` when it is not 0 and the viewer takes ids. ERROR_SUCCESS once
// a viewer started; ERROR_FILE_NOT_FOUND when no viewer that can show it is installed.
DWORD StartChmViewer(const std::string& chm_path, const std::string& topic, DWORD context_id);

// Writes `files` (object name to bytes) into the private folder of `chm_path` and opens `topic`
// there with xdg-open. ERROR_SUCCESS when xdg-open reported success; ERROR_FILE_NOT_FOUND when it
// is missing; another error when the files could not be written or xdg-open failed.
DWORD OpenExtracted(const std::string& chm_path, const std::map<std::string, std::string>& files,
                    const std::string& topic);

}  // namespace help
}  // namespace platform
}  // namespace zb
