#include <zorbase/platform/shell_file.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/last_error.h>

using zb::test::ScratchDir;

namespace {

// Points XDG_DATA_HOME at a private directory for one test, so the user's trash is never touched.
struct PrivateTrash {
  explicit PrivateTrash(const ScratchDir& dir) {
    const char* old = std::getenv("XDG_DATA_HOME");
    had = old != nullptr;
    if (had) saved = old;
    setenv("XDG_DATA_HOME", dir.Native("xdg").c_str(), 1);
  }
  ~PrivateTrash() {
    if (had) setenv("XDG_DATA_HOME", saved.c_str(), 1); else unsetenv("XDG_DATA_HOME");
  }
  bool had = false;
  std::string saved;
};

// A double-NUL-terminated list.
std::wstring List(std::initializer_list<std::wstring> items) {
  std::wstring out;
  for (const std::wstring& item : items) {
    out += item;
    out += L'\0';
  }
  out += L'\0';
  return out;
}

int Operate(UINT function, const std::wstring& from, const std::wstring& to, FILEOP_FLAGS flags) {
  SHFILEOPSTRUCTW op = {};
  op.wFunc = function;
  op.pFrom = from.c_str();
  op.pTo = to.empty() ? nullptr : to.c_str();
  op.fFlags = flags;
  op.fAnyOperationsAborted = TRUE;
  const int result = SHFileOperationW(&op);
  CHECK(!op.fAnyOperationsAborted);
  return result;
}

}  // namespace

SUITE(ShellFile) {

TEST(DeleteToTheTrash) {
  ScratchDir dir("ShellTrash");
  PrivateTrash trash(dir);
  dir.Put("doc.txt", "one");
  dir.Put("tree/a/b.txt", "b");
  CHECK_EQUAL(0, Operate(FO_DELETE, List({dir.Win(L"DOC.TXT"), dir.Win(L"tree")}), L"",
                     FOF_ALLOWUNDO | FOF_NOCONFIRMATION));
  CHECK(!dir.Exists("doc.txt"));
  CHECK(!dir.Exists("tree"));
  CHECK_EQUAL("one", dir.Get("xdg/Trash/files/doc.txt"));
  CHECK_EQUAL("b", dir.Get("xdg/Trash/files/tree/a/b.txt"));
  const std::string info = dir.Get("xdg/Trash/info/doc.txt.trashinfo");
  CHECK(info.find("[Trash Info]\nPath=" + dir.Native("doc.txt") + "\nDeletionDate=") == 0);
  // A second item of the same name gets a name of its own in the trash.
  dir.Put("doc.txt", "two");
  CHECK_EQUAL(0, Operate(FO_DELETE, List({dir.Win(L"doc.txt")}), L"", FOF_ALLOWUNDO));
  CHECK_EQUAL("two", dir.Get("xdg/Trash/files/doc.txt.2"));
  CHECK(dir.Exists("xdg/Trash/info/doc.txt.2.trashinfo"));
  // Names that need escaping are recorded as URLs.
  dir.Put("with space%.txt", "s");
  CHECK_EQUAL(0, Operate(FO_DELETE, List({dir.Win(L"with space%.txt")}), L"", FOF_ALLOWUNDO));
  CHECK(dir.Get("xdg/Trash/info/with space%.txt.trashinfo").find("with%20space%25.txt") !=
        std::string::npos);
}

TEST(DeleteForGoodAndWithWildcards) {
  ScratchDir dir("ShellDelete");
  dir.Put("keep.txt", "k");
  dir.Put("a.tmp", "a");
  dir.Put("b.TMP", "b");
  dir.Put("tree/x/y", "y");
  CHECK_EQUAL(0, Operate(FO_DELETE, List({dir.Win(L"*.tmp"), dir.Win(L"tree")}), L"",
                     FOF_NOCONFIRMATION));
  CHECK(dir.Exists("keep.txt"));
  CHECK(!dir.Exists("a.tmp"));
  CHECK(!dir.Exists("b.TMP"));
  CHECK(!dir.Exists("tree"));
  // A missing source fails before anything is done.
  CHECK_EQUAL(static_cast<int>(ERROR_FILE_NOT_FOUND),
              Operate(FO_DELETE, List({dir.Win(L"keep.txt"), dir.Win(L"none")}), L"", 0));
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK(dir.Exists("keep.txt"));
  // A file open without delete sharing stays.
  HANDLE h = CreateFileW(dir.Win(L"keep.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  CHECK_EQUAL(static_cast<int>(ERROR_SHARING_VIOLATION),
              Operate(FO_DELETE, List({dir.Win(L"keep.txt")}), L"", FOF_NOCONFIRMATION));
  CloseHandle(h);
  CHECK(dir.Exists("keep.txt"));
}

TEST(RenameCopyMove) {
  ScratchDir dir("ShellCopy");
  dir.Put("a.txt", "a");
  dir.Put("b.txt", "b");
  dir.Put("from/one.txt", "1");
  dir.Put("from/sub/two.txt", "2");
  CHECK_EQUAL(static_cast<int>(ERROR_ALREADY_EXISTS),
              Operate(FO_RENAME, List({dir.Win(L"a.txt")}), List({dir.Win(L"B.TXT")}), 0));
  CHECK_EQUAL(0, Operate(FO_RENAME, List({dir.Win(L"a.txt")}), List({dir.Win(L"c.txt")}), 0));
  CHECK_EQUAL("a", dir.Get("c.txt"));

  // Everything in a directory into another, created as needed.
  CHECK_EQUAL(0, Operate(FO_COPY, List({dir.Win(L"from\\*.*")}), List({dir.Win(L"to")}),
                     FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR));
  CHECK_EQUAL("1", dir.Get("to/one.txt"));
  CHECK_EQUAL("2", dir.Get("to/sub/two.txt"));
  CHECK_EQUAL("1", dir.Get("from/one.txt"));
  // One file to a new name, and into an existing directory.
  CHECK_EQUAL(0, Operate(FO_COPY, List({dir.Win(L"b.txt")}), List({dir.Win(L"b2.txt")}), 0));
  CHECK_EQUAL("b", dir.Get("b2.txt"));
  CHECK_EQUAL(0, Operate(FO_COPY, List({dir.Win(L"b.txt")}), List({dir.Win(L"to")}), 0));
  CHECK_EQUAL("b", dir.Get("to/b.txt"));
  // Onto itself: refused, or a "- Copy" with rename on collision.
  CHECK_EQUAL(DE_SAMEFILE, Operate(FO_COPY, List({dir.Win(L"b.txt")}), List({dir.Win(L"b.txt")}), 0));
  CHECK_EQUAL(0, Operate(FO_COPY, List({dir.Win(L"b.txt")}), List({dir.Win(L"b.txt")}),
                     FOF_RENAMEONCOLLISION));
  CHECK_EQUAL("b", dir.Get("b - Copy.txt"));
  // Moving a tree.
  CHECK_EQUAL(0, Operate(FO_MOVE, List({dir.Win(L"from")}), List({dir.Win(L"moved")}), 0));
  CHECK(!dir.Exists("from"));
  CHECK_EQUAL("2", dir.Get("moved/sub/two.txt"));
  CHECK_EQUAL(0, Operate(FO_MOVE, List({dir.Win(L"c.txt"), dir.Win(L"b2.txt")}),
                     List({dir.Win(L"d1.txt"), dir.Win(L"d2.txt")}), FOF_MULTIDESTFILES));
  CHECK_EQUAL("a", dir.Get("d1.txt"));
  CHECK_EQUAL("b", dir.Get("d2.txt"));
}

TEST(CreateDirectoryChain) {
  ScratchDir dir("ShellMkdir");
  CHECK_EQUAL(0, SHCreateDirectoryExW(nullptr, dir.Win(L"a\\b\\c").c_str(), nullptr));
  struct stat st;
  CHECK_EQUAL(0, stat(dir.Native("a/b/c").c_str(), &st));
  CHECK_EQUAL(static_cast<int>(ERROR_ALREADY_EXISTS),
              SHCreateDirectoryExW(nullptr, dir.Win(L"A\\B").c_str(), nullptr));
  CHECK_EQUAL(static_cast<int>(ERROR_INVALID_NAME),
              SHCreateDirectoryExW(nullptr, dir.Win(L"a\\b:c").c_str(), nullptr));
}

}
