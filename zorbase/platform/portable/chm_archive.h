// Reading a compiled help file (an ITSF archive) with chmlib. chmlib does not withstand damaged
// files, so every read runs isolated in a child process (platform/isolated_call.h): a damaged file
// gives an error result, never a crash or a hang of the caller.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace chm {

struct ReadRequest {
  bool list = false;                 // list every object's name
  std::vector<std::string> objects;  // objects to read ("/#IVB", "/Help.txt")
  // Pages to read together with what they link to (pages, pictures, style sheets), following
  // links `depth` steps from these pages.
  std::vector<std::string> follow;
  int depth = 2;
  std::size_t max_files = 512;
  std::size_t max_bytes = 64u << 20;  // all objects together; a larger object is left out
};

struct Archive {
  std::vector<std::string> names;              // as stored: "/index.htm", "/#IVB", "::..."
  std::map<std::string, std::string> objects;  // by the names asked for; missing ones absent
};

// Reads `request` from the compiled help file at `native_path`. ERROR_SUCCESS;
// ERROR_FILE_NOT_FOUND when there is no such file; ERROR_BAD_FORMAT when it is not a compiled help
// file; ERROR_INVALID_DATA when it is damaged; ERROR_TIMEOUT when reading it did not finish in time.
DWORD ReadArchive(const std::string& native_path, const ReadRequest& request, Archive* archive);

// The object `topic` names among `names`: its normalized form, compared without regard to case;
// failing that, the stored object whose path is the longest tail of `topic` (compilers that store
// their build folder's absolute paths as topic names). Empty when none matches.
std::string FindObject(const std::vector<std::string>& names, const std::string& topic);

// Whether an object is a page or other content of the help (not one of the archive's own
// streams, whose names start with "/#", "/$" or "::").
bool IsContentName(const std::string& name);

}  // namespace chm
}  // namespace platform
}  // namespace zb
