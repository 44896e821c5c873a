// `zorbase path PATH [--dir]`: shows how a Windows path parses into drive, directory, title and
// extension, and the texts composed back from those parts.
#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/files/MFileName.h>

#include "command.h"

namespace zb {
namespace tool {
namespace {

constexpr char kSynopsis[] = "path PATH [--dir]";
constexpr char kHelp[] =
    "Parses PATH as a Windows path and prints its four parts and the composed forms.\n"
    "\n"
    "  --dir   take the whole text after the drive as the directory (no title or extension)\n"
    "\n"
    "A part that is present is printed in double quotes (\"\" when it is empty); a part the path\n"
    "does not have is printed as (missing). Composed forms:\n"
    "  GET                         the whole path\n"
    "  GET_DRIVE_DIR_PARTS         drive and directory, ending with a backslash\n"
    "  GET_DRIVE_DIR_PARTS(false)  drive and directory without the trailing backslash\n"
    "  GET_FILE_EXT_PARTS          title and extension\n"
    "\n"
    "Quote the path for the shell, e.g. zorbase path 'C:\\Dir\\File.txt'.";

// Exposes which parts are missing, which the part readers do not tell apart from empty ones.
class PathParts : public MFileName {
 public:
  PathParts(const wchar_t* text, bool is_directory) : MFileName(text, is_directory) {}
  static std::string Show(const wchar_t* part) {
    return part ? "\"" + Narrow(part) + "\"" : "(missing)";
  }
  void Print() const {
    std::printf("drive:       %s\n", Show(m_drive).c_str());
    std::printf("directory:   %s\n", Show(m_dir).c_str());
    std::printf("title:       %s\n", Show(m_file).c_str());
    std::printf("extension:   %s\n", Show(m_ext).c_str());
    std::printf("GET:                        %s\n", Narrow(GET()).c_str());
    std::printf("GET_DRIVE_DIR_PARTS:        %s\n", Narrow(GET_DRIVE_DIR_PARTS(true)).c_str());
    std::printf("GET_DRIVE_DIR_PARTS(false): %s\n", Narrow(GET_DRIVE_DIR_PARTS(false)).c_str());
    std::printf("GET_FILE_EXT_PARTS:         %s\n", Narrow(GET_FILE_EXT_PARTS()).c_str());
  }
};

int RunPath(const std::vector<std::string>& args) {
  bool is_directory = false;
  bool options_done = false;
  std::vector<std::string> paths;
  for (const std::string& arg : args) {
    if (!options_done && arg == "--dir") {
      is_directory = true;
    } else if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      return UsageError("path", "unknown option '" + arg + "'");
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.size() != 1) {
    return UsageError("path", paths.empty() ? "missing PATH" : "expected one PATH");
  }
  std::wstring wide = Widen(paths[0]);
  std::printf("path:        \"%s\"%s\n", paths[0].c_str(), is_directory ? " (directory)" : "");
  PathParts(wide.c_str(), is_directory).Print();
  return kExitOk;
}

const Command kPathCommand("path", kSynopsis, kHelp, RunPath);

}  // namespace
}  // namespace tool
}  // namespace zb
