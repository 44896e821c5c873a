// Test support: the files an unfinished rewrite of a tagged document leaves behind, made the way
// the rewrite makes them. Used only by tests.
#pragma once

#include <cstdio>
#include <string>

#include <zorbase/files/MFileName.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/tagged/MFileTagged.h>
#include <zorbase/tagged/internal/rewrite_backup.h>

namespace zb {
namespace test {

// Sets `bytes` aside as the rewrite of `document` does: written under the document's name, marked
// as its backup, renamed to `backup`. True when every step worked.
inline bool PutRewriteBackup(const ScratchDir& dir, const std::string& document,
                             const std::string& backup, const std::string& bytes) {
  dir.Put(document, bytes);
  std::wstring relative(document.begin(), document.end());
  for (wchar_t& c : relative) {
    if (c == L'/') c = L'\\';
  }
  const std::wstring name = dir.Win(relative);
  return zb::tagged::MarkAsBackup(MFileName(name.c_str()),
                                  static_cast<__int64>(bytes.size())) == 0 &&
         std::rename(dir.Native(document).c_str(), dir.Native(backup).c_str()) == 0;
}

// Opens `path` for writing, writes the record B with "new-b!" and closes; true when every step
// succeeded. `*result` (may be null) receives the result code of the open.
inline bool RewriteB(const std::wstring& path, DWORD* result = nullptr) {
  MFileTagged file;
  bool ok = file.OPEN_WRITE(MFileName(path.c_str()));
  if (result != nullptr) *result = file.GET_RESULT();
  if (ok) {
    MTag b("B");
    ok = file.WRITE_TAG_BEGIN(b);
    ok = file.WRITE("new-b!", 6) == 6 && ok;
    ok = file.WRITE_TAG_END(b) && ok;
  }
  return file.CLOSE() && ok;
}

}  // namespace test
}  // namespace zb
