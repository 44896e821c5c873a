#include <zorbase/platform/file_details.h>

#include <UnitTest++/UnitTest++.h>

#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/last_error.h>

using zb::platform::FileKind;
using zb::test::ScratchDir;

SUITE(FileDetails) {

TEST(KindsOfFiles) {
  ScratchDir dir("details_kind");
  dir.Put("file.txt", "x");
  CHECK(mkfifo(dir.Native("pipe").c_str(), 0600) == 0);
  CHECK(symlink("file.txt", dir.Native("link").c_str()) == 0);
  CHECK(symlink("nothing", dir.Native("dangling").c_str()) == 0);
  CHECK(zb::platform::GetFileKindW(dir.Win(L"file.txt").c_str()) == FileKind::kRegular);
  CHECK(zb::platform::GetFileKindW(dir.Win(L"FILE.TXT").c_str()) == FileKind::kRegular);
  CHECK(zb::platform::GetFileKindW(dir.Win(L"link").c_str()) == FileKind::kRegular);
  CHECK(zb::platform::GetFileKindW(dir.Win().c_str()) == FileKind::kDirectory);
  CHECK(zb::platform::GetFileKindW(dir.Win(L"pipe").c_str()) == FileKind::kOther);
  CHECK(zb::platform::GetFileKindW(dir.Win(L"dangling").c_str()) == FileKind::kMissing);
  CHECK(zb::platform::GetFileKindW(dir.Win(L"none").c_str()) == FileKind::kMissing);
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
}

// Links on the way and at the end are followed, a missing last name is kept, a loop is refused.
TEST(FinalPathFollowsLinks) {
  ScratchDir dir("details_final");
  dir.Put("real/doc.zor", "x");
  CHECK(symlink("real", dir.Native("dirlink").c_str()) == 0);
  CHECK(symlink("dirlink/doc.zor", dir.Native("link1").c_str()) == 0);
  CHECK(symlink(dir.Native("link1").c_str(), dir.Native("link2").c_str()) == 0);
  CHECK(symlink("real/new.zor", dir.Native("to_missing").c_str()) == 0);
  CHECK(symlink("loop_b", dir.Native("loop_a").c_str()) == 0);
  CHECK(symlink("loop_a", dir.Native("loop_b").c_str()) == 0);
  const std::wstring real = dir.Win(L"real\\doc.zor");
  struct Case {
    const wchar_t* name;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"real\\doc.zor", real},
      {L"link1", real},
      {L"link2", real},
      {L"dirlink\\doc.zor", real},
      {L"to_missing", dir.Win(L"real\\new.zor")},
      {L"plain_missing", dir.Win(L"plain_missing")},
  };
  for (const Case& c : cases) {
    std::wstring final_path;
    CHECK(zb::platform::GetFinalPathW(dir.Win(c.name).c_str(), &final_path));
    CHECK(final_path == c.expected);
  }
  std::wstring final_path;
  CHECK(!zb::platform::GetFinalPathW(dir.Win(L"loop_a").c_str(), &final_path));
  CHECK_EQUAL(ERROR_CANT_RESOLVE_FILENAME, GetLastError());
  CHECK(!zb::platform::GetFinalPathW(dir.Win(L"nodir\\x").c_str(), &final_path));
}

TEST(OwnershipIsCopied) {
  ScratchDir dir("details_owner");
  dir.Put("old", "x");
  dir.Put("new", "y");
  CHECK(chmod(dir.Native("old").c_str(), 0640) == 0);
  if (geteuid() == 0) CHECK(chown(dir.Native("old").c_str(), 1234, 1235) == 0);
  CHECK(zb::platform::CopyFileOwnershipW(dir.Win(L"old").c_str(), dir.Win(L"new").c_str()));
  struct stat old_st;
  struct stat new_st;
  CHECK(stat(dir.Native("old").c_str(), &old_st) == 0 && stat(dir.Native("new").c_str(), &new_st) == 0);
  CHECK_EQUAL(0640u, static_cast<unsigned>(new_st.st_mode & 07777));
  CHECK_EQUAL(old_st.st_uid, new_st.st_uid);
  CHECK_EQUAL(old_st.st_gid, new_st.st_gid);
  CHECK(!zb::platform::CopyFileOwnershipW(dir.Win(L"none").c_str(), dir.Win(L"new").c_str()));
}

}  // SUITE(FileDetails)
