#include <zorbase/files/MDirectoryWithMap.h>

#include <UnitTest++/UnitTest++.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <zorbase/afx/CObject.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

CString Win(const zb::test::ScratchDir& dir, const wchar_t* below = L"") {
  return CString(dir.Win(below).c_str());
}

// Records what it is asked and answers `answer` from the `veto_at`th question on.
class Asker : public IDirectoryRemoveAsker {
 public:
  Asker(DWORD answer, int veto_at) : answer_(answer), veto_at_(veto_at) {}
  DWORD _OnBeforeRemove(bool isDirectory, const wchar_t* fullPath, const wchar_t* nameOnly) override {
    asked.push_back(std::wstring(isDirectory ? L"D " : L"F ") + nameOnly);
    last_path = fullPath;
    return static_cast<int>(asked.size()) >= veto_at_ ? answer_ : 0;
  }
  std::vector<std::wstring> asked;
  std::wstring last_path;

 private:
  DWORD answer_;
  int veto_at_;
};

}  // namespace

SUITE(MDirectoryWithMap) {

TEST(AMappedFolderReadsWithItsShownName) {
  zb::test::ScratchDir dir("map_read");
  dir.Put(".map", "\r\nmap1a->Project: one\r\n[Section]\r\n");
  dir.Put("map1a/x", "");
  dir.Put("plain/y", "");
  dir.Put("file.txt", "f");
  MDirectoryWithMap map;
  CHECK_EQUAL(0u, map.Read(dir.Win().c_str(), 0x000D));
  CHECK_EQUAL(3, map.GetCount());  // the map file itself is left out
  const unsigned int index = map.GetNameIndex(L"MAP1A");
  CHECK(index != 0xFFFFFFFFu);
  CHECK_EQUAL(0x0005u, map.GetNameFlags(index));
  CString text;
  CHECK_WIDE(L"Project: one", map.GetMappedName(text, index).GetString());
  map.GetName(text, index);
  CHECK_WIDE(L"map1a", text.GetString());
  CHECK(map.GetNonmappedName(text, L"project: ONE"));
  CHECK_WIDE(L"map1a", text.GetString());
  CHECK(map.GetNonmappedName(text, L"plain"));
  CHECK_WIDE(L"plain", text.GetString());
  CHECK(!map.GetNonmappedName(text, L"nothing"));
  CHECK_EQUAL(index, map.GetMappedNameIndex(L"Project: one"));
  CHECK_EQUAL(0x0008u, map.GetNameFlags(map.GetNameIndex(L"file.txt")));
  CHECK(map.Name2MappedName(L"map1a", &text));
  CHECK_EQUAL(0xFFFFFFFFu, map.GetNameIndex(L"absent"));
  CHECK_EQUAL(0, map.RemoveName(L"absent"));
  CHECK_EQUAL(0x0005, map.RemoveName(L"map1a"));
  CHECK(!map.Name2MappedName(L"map1a", nullptr));
  CHECK_THROW(map.GetName(text, 99), CInvalidArgException);
  CHECK_THROW(map.GetNameFlags(99), CInvalidArgException);
}

TEST(MapLinesThatAreSkippedOrRefused) {
  zb::test::ScratchDir dir("map_lines");
  dir.Put("a/x", "");
  dir.Put("b/x", "");
  using namespace std::string_literals;
  const struct {
    std::string content;
    DWORD result;
    int entries;  // map entries left
  } cases[] = {
      {"  a  ->  Shown A  \r\n", 0, 1},
      {"a->\r\n->Shown\r\n  -> \r\nno divider\r\n[x]\r\n[\r\n", 0, 0},
      {"a->Same\r\nb->SAME\r\n", ERROR_NOT_REGISTRY_FILE, 0},  // one mapped name for two folders
      {"a->One\r\na->Two\r\nb->One\r\n", 0, 2},                // a later line replaces
      {"a->b\r\n", ERROR_NOT_REGISTRY_FILE, 0},                // folder b is a's mapped name
      {"gone->Shown\r\n", 0, 0},                               // unused entries are dropped
      {"a->x\0y\r\n"s, 0, 1},                                 // text ends at a NUL
  };
  for (const auto& c : cases) {
    dir.Put(".map", c.content);
    MDirectoryWithMap map;
    CHECK_EQUAL(c.result, map.Read(dir.Win().c_str(), 0x0005));
    int mapped = 0;
    for (long long i = 0; i < map.GetCount(); ++i) {
      if ((map.GetNameFlags(static_cast<unsigned int>(i)) & 1) != 0) ++mapped;
    }
    CHECK_EQUAL(c.entries, mapped);
    if (c.result != 0) CHECK_EQUAL(0, map.GetCount());
  }
}

TEST(OverlongLinesAndGarbageNeverCrash) {
  zb::test::ScratchDir dir("map_garbage");
  dir.Put("a/x", "");
  std::string content = std::string(529, 'q') + "a->Long\r\n";  // 529 characters, then a line
  for (int i = 0; i < 256; ++i) content += static_cast<char>(i);
  content += "\r\n";
  dir.Put(".map", content);
  MDirectoryWithMap map;
  CHECK_EQUAL(0u, map.Read(dir.Win().c_str(), 0x0005));
  CString shown;
  CHECK(map.Name2MappedName(L"a", &shown));
  CHECK_WIDE(L"Long", shown.GetString());
}

TEST(WriteMapFileWritesALineEndBeforeEachEntry) {
  zb::test::ScratchDir dir("map_write");
  dir.Put(".map", "one->Eins\r\ntwo->Zwei\r\n");
  dir.Put("one/x", "");
  dir.Put("two/x", "");
  MDirectoryWithMap map;
  CHECK_EQUAL(0u, map.Read(dir.Win().c_str(), 0x0005));
  CHECK_EQUAL(0u, map.WriteMapFile(dir.Win().c_str(), L"out.map"));
  const std::string written = dir.Get("out.map");
  CHECK(written == "\r\none->Eins\r\ntwo->Zwei" || written == "\r\ntwo->Zwei\r\none->Eins");
  CHECK_EQUAL(static_cast<DWORD>(ERROR_WRITE_FAULT), map.WriteMapFile(dir.Win(L"missing").c_str(), L"x.map"));
}

TEST(AColonNameGetsAGeneratedFolderAndAMapLine) {
  zb::test::ScratchDir dir("map_create");
  MDirectoryWithMap map;
  CString path = Win(dir);
  CHECK_EQUAL(0u, map.CheckCreateFolder(path, L"Valid Name", true));
  CHECK_WIDE((dir.Win() + L"\\Valid Name\\").c_str(), path.GetString());
  CHECK(!dir.Exists(".map"));

  path = Win(dir);
  CHECK_EQUAL(0u, map.CheckCreateFolder(path, L"Project: one", false));
  const std::string line = dir.Get(".map");
  CHECK_EQUAL(std::string("\r\nmap"), line.substr(0, 5));
  CHECK(line.find("->Project: one") != std::string::npos);
  const std::string disk = line.substr(2, line.find("->") - 2);
  CHECK(dir.Exists(disk));
  CHECK_WIDE((dir.Win() + L"\\" + std::wstring(disk.begin(), disk.end()) + L"\\").c_str(),
             path.GetString());
  CString shown;
  CHECK(map.Name2MappedName(std::wstring(disk.begin(), disk.end()).c_str(), &shown));

  // Asking again finds the same folder, through the map; a fresh object reads it back.
  path = Win(dir);
  CHECK_EQUAL(0u, map.CheckCreateFolder(path, L"project: ONE", true));
  CHECK(path.Find(CString(std::wstring(disk.begin(), disk.end()).c_str())) > 0);
  CHECK_EQUAL(line, dir.Get(".map"));
  MDirectoryWithMap again;
  CHECK_EQUAL(0u, again.Read(dir.Win().c_str(), 0x0005));
  CHECK_EQUAL(2, again.GetCount());
}

TEST(AFolderThatCannotBeRecordedIsRemovedAgain) {
#ifndef _WIN32
  if (geteuid() == 0) return;  // permissions do not bind the superuser
#endif
  zb::test::ScratchDir dir("map_create_unrecorded");
  dir.Put(".map", "");
  CHECK(SetFileAttributesW(dir.Win(L".map").c_str(), FILE_ATTRIBUTE_READONLY));
  MDirectoryWithMap map;
  CString path = Win(dir);
  CHECK_EQUAL(static_cast<DWORD>(ERROR_WRITE_FAULT), map.CheckCreateFolder(path, L"a:b", false));
  std::vector<std::string> left;
  MDirectoryWithMap listing;
  CHECK_EQUAL(0u, listing.Read(dir.Win().c_str(), 0x0004));
  CHECK_EQUAL(0, listing.GetCount());
  SetFileAttributesW(dir.Win(L".map").c_str(), FILE_ATTRIBUTE_NORMAL);  // so it can be removed
}

TEST(AVetoStopsTheDeletionBeforeAnythingGoes) {
  zb::test::ScratchDir dir("map_delete_veto");
  dir.Put("Tree/a.txt", "a");
  dir.Put("Tree/sub/b.txt", "b");
  MDirectoryWithMap map;
  Asker veto(0xFFFFFFFFu, 1);
  CString path = Win(dir);
  CHECK_EQUAL(static_cast<DWORD>(ERROR_CANCELLED), map.DeleteFolder(path, L"Tree", true, &veto));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_CANCELLED), GetLastError());
  CHECK_EQUAL(1u, veto.asked.size());
  CHECK_WIDE(veto.last_path.c_str(), path.GetString());
  CHECK(dir.Exists("Tree/a.txt") && dir.Exists("Tree/sub/b.txt"));

  // A later veto keeps what was not yet removed and reports its own code.
  Asker later(ERROR_ACCESS_DENIED, 3);
  path = Win(dir);
  CHECK_EQUAL(static_cast<DWORD>(ERROR_ACCESS_DENIED), map.DeleteFolder(path, L"Tree", false, &later));
  CHECK(dir.Exists("Tree"));

  Asker yes(0, 1000);
  path = Win(dir);
  CHECK_EQUAL(0u, map.DeleteFolder(path, L"Tree", true, &yes));
  CHECK(!dir.Exists("Tree"));
  CHECK_WIDE((dir.Win() + L"\\Tree").c_str(), path.GetString());
  // Deepest first, the folder itself last.
  CHECK(yes.asked.back() == L"D Tree");
}

TEST(NamesNeverReachOutsideTheDirectory) {
  zb::test::ScratchDir dir("map_outside");
  dir.Put("inner/keep.txt", "keep");
  dir.Put("sibling/keep.txt", "keep");
  MDirectoryWithMap map;
  const std::wstring inner = dir.Win(L"inner");
  for (const wchar_t* name : {L"..", L".", L"..\\sibling", L"../sibling", L"a\\b"}) {
    CString path(inner.c_str());
    CHECK_EQUAL(static_cast<DWORD>(ERROR_INVALID_PARAMETER), map.DeleteFolder(path, name, true, nullptr));
  }
  CHECK_EQUAL(std::string("keep"), dir.Get("sibling/keep.txt"));
  CHECK_EQUAL(std::string("keep"), dir.Get("inner/keep.txt"));
  CString path(inner.c_str());
  CHECK_EQUAL(0u, map.CheckCreateFolder(path, L"..\\escape", true));
  CHECK(!dir.Exists("escape"));
  CHECK(path.Find(L"\\inner\\map") > 0);
}

TEST(DeletingAMappedFolderRewritesTheMap) {
  zb::test::ScratchDir dir("map_delete_mapped");
  dir.Put("outside/keep.txt", "keep");
  dir.Put("Other/x", "");
  MDirectoryWithMap map;
  CString path = Win(dir);
  CHECK_EQUAL(0u, map.CheckCreateFolder(path, L"Who?", true));
  const std::string line = dir.Get(".map");
  const std::string disk = line.substr(2, line.find("->") - 2);
#ifndef _WIN32  // symbolic links need a privilege on Windows
  // A link inside the folder to a folder outside it: deleted as a link, its target untouched.
  CHECK_EQUAL(0, symlink(dir.Native("outside").c_str(), dir.Native(disk + "/link").c_str()));
#endif
  path = Win(dir);
  CHECK_EQUAL(0u, map.DeleteFolder(path, L"who?", true, nullptr));
  CHECK(!dir.Exists(disk));
  CHECK_EQUAL(std::string(), dir.Get(".map"));
  CHECK_EQUAL(std::string("keep"), dir.Get("outside/keep.txt"));
  path = Win(dir);
  CHECK(map.DeleteFolder(path, L"nothing", false, nullptr) != 0);
  CHECK(dir.Exists("Other/x"));
}

}  // SUITE(MDirectoryWithMap)
