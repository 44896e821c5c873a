// The remembered per-directory name tables behind case-insensitive lookup and listings: whatever
// changes a directory (new, removed, renamed entries, a directory replaced under the same path,
// attributes changed), the next lookup or listing sees it.
#include "posix/dir_name_cache.h"

#include <UnitTest++/UnitTest++.h>

#include <cstdio>
#include <set>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/win_errors.h>

using zb::platform::internal::FindNameNoCase;
using zb::platform::internal::NameCacheScans;

namespace {

std::string Resolve(const std::wstring& path) {
  zb::platform::ResolvedPath resolved;
  if (zb::platform::ResolveWindowsPath(path.c_str(), &resolved) != ERROR_SUCCESS) return "<error>";
  return resolved.native;
}

void Touch(const std::string& native) { close(open(native.c_str(), O_CREAT | O_WRONLY, 0600)); }

// Names and attributes that FindFirstFileW/FindNextFileW list for `pattern`.
std::set<std::wstring> List(const std::wstring& pattern, DWORD want_attribute = 0) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (want_attribute == 0 || (data.dwFileAttributes & want_attribute) != 0) {
      names.insert(data.cFileName);
    }
  } while (FindNextFileW(search, &data));
  FindClose(search);
  return names;
}

// Waits until changes made now are older than the window in which a remembered table is not
// trusted, so that the next lookup keeps its table (what a long-running host sees).
void LetTimesSettle() { usleep(2200 * 1000); }

}  // namespace

SUITE(DirNameCache) {

TEST(MiscasedNamesFollowEveryChangeOfTheDirectory) {
  zb::test::ScratchDir dir("name_cache_changes");
  dir.Put("Alpha.txt", "a");
  CHECK_EQUAL(dir.Native("Alpha.txt"), Resolve(dir.Win(L"ALPHA.TXT")));
  // A file that appears after the table was read is found at once.
  CHECK_EQUAL(dir.Native("BETA.txt"), Resolve(dir.Win(L"BETA.txt")));  // missing: keeps spelling
  Touch(dir.Native("Beta.txt"));
  CHECK_EQUAL(dir.Native("Beta.txt"), Resolve(dir.Win(L"BETA.TXT")));
  // A renamed file is found under its new spelling, a removed one no longer.
  CHECK_EQUAL(0, std::rename(dir.Native("Alpha.txt").c_str(), dir.Native("aLPHA.txt").c_str()));
  CHECK_EQUAL(dir.Native("aLPHA.txt"), Resolve(dir.Win(L"ALPHA.TXT")));
  CHECK_EQUAL(0, unlink(dir.Native("aLPHA.txt").c_str()));
  CHECK_EQUAL(dir.Native("ALPHA.TXT"), Resolve(dir.Win(L"ALPHA.TXT")));
  // Characters beyond ASCII fold as well (Windows' upper-case mapping).
  Touch(dir.Native("\xC3\x84rger.txt"));  // Ärger.txt
  CHECK_EQUAL(dir.Native("\xC3\x84rger.txt"), Resolve(dir.Win(L"\x00E4RGER.TXT")));
}

TEST(AmongSeveralMatchesTheFirstInByteOrderWins) {
  zb::test::ScratchDir dir("name_cache_order");
  for (const char* name : {"readme.TXT", "README.txt", "ReadMe.txt"}) Touch(dir.Native(name));
  CHECK_EQUAL(std::string("README.txt"), FindNameNoCase(dir.Native(), L"readme.txt"));
  CHECK_EQUAL(std::string(), FindNameNoCase(dir.Native(), L"readme.md"));
  CHECK_EQUAL(std::string(), FindNameNoCase(dir.Native("missing"), L"x"));
}

TEST(AHitInAFreshTableNeedsNoScan) {
  zb::test::ScratchDir dir("name_cache_hits");
  for (int i = 0; i < 50; ++i) Touch(dir.Native("file" + std::to_string(i) + ".dat"));
  CHECK_EQUAL(std::string("file7.dat"), FindNameNoCase(dir.Native(), L"FILE7.DAT"));
  const std::size_t scans = NameCacheScans();
  for (int i = 0; i < 50; ++i) {
    const std::wstring name = L"FILE" + std::to_wstring(i) + L".DAT";
    CHECK_EQUAL("file" + std::to_string(i) + ".dat", FindNameNoCase(dir.Native(), name));
  }
  CHECK_EQUAL(scans, NameCacheScans());
}

TEST(SettledTablesAreKeptUntilTheDirectoryChanges) {
  zb::test::ScratchDir dir("name_cache_settled");
  dir.Put("Old.txt", "x");
  dir.Put("Sub/Inner.txt", "y");
  LetTimesSettle();
  CHECK_EQUAL(dir.Native("Old.txt"), Resolve(dir.Win(L"OLD.TXT")));
  CHECK(List(dir.Win(L"*.txt")) == std::set<std::wstring>({L"Old.txt"}));
  CHECK(List(dir.Win(L"*"), FILE_ATTRIBUTE_HIDDEN).empty());
  const std::size_t scans = NameCacheScans();
  CHECK_EQUAL(std::string(), FindNameNoCase(dir.Native(), L"absent.txt"));  // trusted miss
  CHECK(List(dir.Win(L"o*")) == std::set<std::wstring>({L"Old.txt"}));
  CHECK_EQUAL(scans, NameCacheScans());

  // Adding an entry moves the directory's times: the next lookup and listing read it again.
  Touch(dir.Native("New.txt"));
  CHECK_EQUAL(dir.Native("New.txt"), Resolve(dir.Win(L"NEW.TXT")));
  CHECK(List(dir.Win(L"*.TXT")) == std::set<std::wstring>({L"New.txt", L"Old.txt"}));

  // Attributes changed after a listing show in the next one.
  CHECK(SetFileAttributesW(dir.Win(L"Old.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
  CHECK(List(dir.Win(L"*"), FILE_ATTRIBUTE_HIDDEN) == std::set<std::wstring>({L"Old.txt"}));

  // A directory replaced by another under the same path is a different table.
  LetTimesSettle();
  CHECK_EQUAL(dir.Native("Sub/Inner.txt"), Resolve(dir.Win(L"SUB\\INNER.TXT")));
  CHECK_EQUAL(0, std::rename(dir.Native("Sub").c_str(), dir.Native("Gone").c_str()));
  dir.Put("Sub/Other.txt", "z");
  CHECK_EQUAL(dir.Native("Sub/Other.txt"), Resolve(dir.Win(L"SUB\\OTHER.TXT")));
  CHECK_EQUAL(dir.Native("Sub/INNER.TXT"), Resolve(dir.Win(L"SUB\\INNER.TXT")));
}

TEST(ListingsOfMissingOrPlainFilesFailAsBefore) {
  zb::test::ScratchDir dir("name_cache_listing_errors");
  dir.Put("plain.txt", "x");
  WIN32_FIND_DATAW data;
  CHECK(FindFirstFileW(dir.Win(L"missing\\*").c_str(), &data) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  CHECK(FindFirstFileW(dir.Win(L"plain.txt\\*").c_str(), &data) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  CHECK(FindFirstFileW(dir.Win(L"*.none").c_str(), &data) == INVALID_HANDLE_VALUE);
  CHECK_EQUAL(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  CHECK(List(dir.Win(L"*")) == std::set<std::wstring>({L".", L"..", L"plain.txt"}));
}

}  // SUITE(DirNameCache)
