// What a rewrite of a tagged document does with the files around it: which ".bak" it takes for its
// own, which names it refuses, and what the new document keeps of the old file (permissions,
// owner, a symbolic link to it).
#include <zorbase/tagged/MFileTagged.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdio>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <zorbase/files/MFileName.h>
#include <zorbase/platform/file_marks.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/tagged/internal/test_records.h>
#include <zorbase/tagged/internal/test_rewrite.h>

using zb::test::PutRewriteBackup;
using zb::test::RewriteB;
using zb::test::ScratchDir;
using zb::test::TagHead;
using zb::test::TagRecord;

namespace {

std::string OldDocument() {
  return TagHead() + TagRecord("A", 2, 1, "old-a") + TagRecord("B", 2, 1, "old-b");
}
std::string NewDocument() {
  return TagHead() + TagRecord("B", 2, 1, "new-b!") + TagRecord("A", 2, 1, "old-a");
}
std::string OtherDocument() { return TagHead() + TagRecord("Z", 2, 1, "other"); }


std::string ChainNames(MFileTagged& file) {
  std::string names;
  for (MTag* tag = file.NEXT_TAG(nullptr, false); tag; tag = file.NEXT_TAG(tag, false)) {
    names += tag->m_name;
  }
  return names;
}

}  // namespace

SUITE(MFileTaggedRewrite) {

// Files under the backup name that are not the backup of an unfinished rewrite of this document:
// another program's backup, a tagged document put there by hand, the backup of another document,
// and one whose content changed after it was set aside. None replaces the document: reading and
// updating leave both files alone, and writing treats the file as any file under the backup name
// (it makes way for the rewrite's own backup).
TEST(ForeignBackupNeverReplacesTheDocument) {
  ScratchDir dir("tagged_foreign_bak");
  const std::wstring path = dir.Win(L"plan.zor");
  struct Case {
    const char* what;
    void (*make)(const ScratchDir&);
  };
  const Case cases[] = {
      {"an editor's backup", [](const ScratchDir& d) { d.Put("plan.bak", "notes of plan.txt\n"); }},
      {"an unmarked document", [](const ScratchDir& d) { d.Put("plan.bak", OtherDocument()); }},
      {"another document's backup",
       [](const ScratchDir& d) { CHECK(PutRewriteBackup(d, "other.zor", "plan.bak", OtherDocument())); }},
      {"a backup changed since",
       [](const ScratchDir& d) {
         CHECK(PutRewriteBackup(d, "plan.zor", "plan.bak", OtherDocument()));
         FILE* f = std::fopen(d.Native("plan.bak").c_str(), "ab");
         std::fputs("tail", f);
         std::fclose(f);
       }},
      {"a backup that is no whole document",
       [](const ScratchDir& d) {
         CHECK(PutRewriteBackup(d, "plan.zor", "plan.bak", OtherDocument() + "xx"));
       }},
  };
  for (const Case& c : cases) {
    c.make(dir);
    dir.Put("plan.zor", OldDocument());
    const std::string foreign = dir.Get("plan.bak");
    {
      MFileTagged file;
      CHECK(file.OPEN_READ(MFileName(path.c_str())));
      CHECK_EQUAL("AB", ChainNames(file));
    }
    {
      MFileTagged file;
      CHECK(file.OPEN_UPDATE(MFileName(path.c_str())));
      CHECK_EQUAL("AB", ChainNames(file));
      CHECK(file.CLOSE());
    }
    if (dir.Get("plan.zor") != OldDocument() || dir.Get("plan.bak") != foreign) {
      std::printf("%s replaced the document\n", c.what);
      CHECK(false);
    }
    CHECK(RewriteB(path));
    CHECK(dir.Get("plan.zor") == NewDocument());
    CHECK(!dir.Exists("plan.bak"));
  }
}

// The backup that a rewrite sets aside carries its mark while the rewrite runs; the document it
// becomes again, or the new document, carries none.
TEST(OnlyTheBackupOfARunningRewriteIsMarked) {
  ScratchDir dir("tagged_bak_mark");
  dir.Put("doc.zor", OldDocument());
  const std::wstring path = dir.Win(L"doc.zor");
  const std::wstring backup = dir.Win(L"doc.bak");
  std::string mark;
  {
    MFileTagged file;
    CHECK(file.OPEN_WRITE(MFileName(path.c_str())));
    CHECK(zb::platform::GetFileMarkW(backup.c_str(), "tagged-backup-of", &mark));
    CHECK(!zb::platform::GetFileMarkW(path.c_str(), "tagged-backup-of", &mark));
    CHECK(file.CLOSE());
  }
  CHECK(!zb::platform::GetFileMarkW(path.c_str(), "tagged-backup-of", &mark));
  // An unfinished rewrite restored: the document carries no mark of a backup any more.
  CHECK(PutRewriteBackup(dir, "doc.zor", "doc.bak", OldDocument()));
  MFileTagged file;
  CHECK(file.OPEN_UPDATE(MFileName(path.c_str())));
  CHECK(file.CLOSE());
  CHECK(dir.Get("doc.zor") == OldDocument());
  CHECK(!zb::platform::GetFileMarkW(path.c_str(), "tagged-backup-of", &mark));
}

// A document whose extension is ".bak" would be its own backup: writing it is refused before
// anything is renamed or deleted (reading and updating in place are fine).
TEST(DocumentNamedLikeItsBackupIsRefused) {
  ScratchDir dir("tagged_bak_doc");
  const char* names[] = {"doc.bak", "DOC.BAK", "doc.Bak"};
  for (const char* name : names) {
    dir.Put(name, OldDocument());
    const std::string native(name);
    const std::wstring path = dir.Win(std::wstring(native.begin(), native.end()));
    DWORD result = 0;
    CHECK(!RewriteB(path, &result));
    CHECK_EQUAL(ERROR_INVALID_NAME, result);
    CHECK(dir.Get(name) == OldDocument());
    MFileTagged file;
    CHECK(file.OPEN_UPDATE(MFileName(path.c_str())));
    CHECK_EQUAL("AB", ChainNames(file));
    CHECK(file.CLOSE());
    std::remove(dir.Native(name).c_str());
  }
}

// A document whose backup name would not fit a path (258 or 259 characters without an extension)
// is not rewritten: a cut backup name would denote another file, perhaps the document itself.
TEST(BackupNameThatDoesNotFitIsRefused) {
  ScratchDir dir("tagged_long");
  const size_t prefix = dir.Win().size() + 1;
  for (size_t total : {255u, 258u, 259u}) {
    const std::string title(total - prefix, 'n');
    dir.Put(title, OldDocument());
    // A file that a cut backup name would denote.
    const std::string cut = title + ".b";
    dir.Put(cut, "user data");
    const std::wstring path = dir.Win(std::wstring(title.begin(), title.end()));
    CHECK_EQUAL(total, path.size());
    DWORD result = 0;
    const bool rewritten = RewriteB(path, &result);
    if (total + 4 <= 259) {
      CHECK(rewritten);
      CHECK(dir.Get(title) == NewDocument());
    } else {
      CHECK(!rewritten);
      CHECK_EQUAL(ERROR_FILENAME_EXCED_RANGE, result);
      CHECK(dir.Get(title) == OldDocument());
    }
    CHECK(dir.Get(cut) == "user data");
    std::remove(dir.Native(title).c_str());
    std::remove(dir.Native(cut).c_str());
  }
}

#ifndef _WIN32  // permission bits, owner and symbolic links of Linux files
// The new document keeps the old one's permission bits, and its owner and group where the process
// may set them.
TEST(RewriteKeepsPermissionsAndOwner) {
  ScratchDir dir("tagged_mode");
  const std::wstring path = dir.Win(L"doc.zor");
  for (mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0664}}) {
    dir.Put("doc.zor", OldDocument());
    const std::string native = dir.Native("doc.zor");
    CHECK(chmod(native.c_str(), mode) == 0);
    const bool root = geteuid() == 0;
    if (root) CHECK(chown(native.c_str(), 4321, 4322) == 0);
    struct stat before;
    CHECK(stat(native.c_str(), &before) == 0);
    CHECK(RewriteB(path));
    struct stat after;
    CHECK(stat(native.c_str(), &after) == 0);
    CHECK(dir.Get("doc.zor") == NewDocument());
    CHECK_EQUAL(static_cast<unsigned>(mode), static_cast<unsigned>(after.st_mode & 07777));
    CHECK_EQUAL(before.st_uid, after.st_uid);
    CHECK_EQUAL(before.st_gid, after.st_gid);
  }
}

// Writing through a symbolic link rewrites the file it points to and keeps the link.
TEST(RewriteThroughASymbolicLinkKeepsTheLink) {
  ScratchDir dir("tagged_link");
  dir.Put("real/doc.zor", OldDocument());
  CHECK(symlink("real/doc.zor", dir.Native("link.zor").c_str()) == 0);
  CHECK(RewriteB(dir.Win(L"link.zor")));
  struct stat st;
  CHECK(lstat(dir.Native("link.zor").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
  CHECK(dir.Get("real/doc.zor") == NewDocument());
  CHECK(!dir.Exists("real/doc.bak"));
  CHECK(!dir.Exists("link.bak"));
  // An unfinished rewrite through the link is found beside the target.
  CHECK(PutRewriteBackup(dir, "real/doc.zor", "real/doc.bak", OldDocument()));
  dir.Put("real/doc.zor", TagHead());
  CHECK(RewriteB(dir.Win(L"link.zor")));
  CHECK(dir.Get("real/doc.zor") == NewDocument());
  CHECK(!dir.Exists("real/doc.bak"));
  CHECK(lstat(dir.Native("link.zor").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
}
#endif

// REMOVE_TAGS removes written records as well, whatever the mode; _OPEN is open to hosts.
TEST(RemoveTagsTakesEveryRecordOfTheNameAndMajor) {
  ScratchDir dir("tagged_remove_mode");
  dir.Put("doc.zor", OldDocument());
  for (unsigned long mode : {0ul, 1ul}) {
    MFileTagged file;
    CHECK(file._OPEN(MFileName(dir.Win(L"doc.zor").c_str()), MFile::MODE_WRITE));
    MTag b("B");
    CHECK(file.WRITE_TAG_BEGIN(b));
    CHECK(file.WRITE_TAG_END(b));
    MTag pattern("B");
    CHECK(file.REMOVE_TAGS(pattern, mode));
    CHECK_EQUAL("A", ChainNames(file));
    CHECK(file.CLOSE());
  }
}

}  // SUITE(MFileTaggedRewrite)
