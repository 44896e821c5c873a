#include <zorbase/logging/internal/native_path.h>

#include <cstdlib>
#include <cwctype>

#include <zorbase/platform/codepage.h>

namespace zb {
namespace logging_internal {

// Drive letters map as everywhere in the library: Z: is the root, any letter can be mapped by
// ZORBASE_DRIVE_<LETTER>, and C: defaults to $XDG_DATA_HOME/zorbase/drive_c. Separators become '/'.
std::string NativeLogPath(const std::wstring& path) {
  std::wstring rest = path;
  std::string prefix;
  if (rest.size() >= 2 && rest[1] == L':' && std::iswalpha(rest[0])) {
    const char letter = static_cast<char>(std::towupper(rest[0]));
    rest.erase(0, 2);
    if (letter != 'Z') {
      const std::string variable = std::string("ZORBASE_DRIVE_") + letter;
      if (const char* mapped = std::getenv(variable.c_str()); mapped != nullptr && *mapped) {
        prefix = mapped;
      } else if (letter == 'C') {
        const char* data = std::getenv("XDG_DATA_HOME");
        const char* home = std::getenv("HOME");
        prefix = data != nullptr && *data ? std::string(data)
                                          : std::string(home != nullptr ? home : "") + "/.local/share";
        prefix += "/zorbase/drive_c";
      }
    }
  }
  for (wchar_t& c : rest) {
    if (c == L'\\') c = L'/';
  }
  if (!prefix.empty() && !rest.empty() && rest[0] != L'/') prefix += '/';
  return prefix + zb::platform::WideToUtf8(rest);
}

}  // namespace logging_internal
}  // namespace zb
