// Durable writes: the target holds the whole old or the whole new content whatever step fails,
// and no temporary is left behind.
#include <zorbase/platform/durable_file.h>

#include <UnitTest++/UnitTest++.h>

#ifndef _WIN32
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <string>

#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/registry.h>

using zb::platform::DurableTarget;
using zb::platform::FaultPoint;
using zb::platform::ScopedFault;
using zb::platform::WriteFileDurably;
using zb::test::ScratchDir;

namespace {

// Names in the scratch directory, so a test sees a temporary that was left behind.
int EntryCount(const ScratchDir& dir) {
  int count = 0;
  std::error_code error;
  for (auto it = std::filesystem::directory_iterator(std::filesystem::u8path(dir.Native()), error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    ++count;
  }
  return count;
}

DWORD Write(const std::string& path, const std::string& text,
            DurableTarget target = DurableTarget::kReplace) {
  return WriteFileDurably(path, text.data(), text.size(), target);
}

}  // namespace

SUITE(DurableFile) {
#ifndef _WIN32  // Linux processes, links or permissions
  TEST(WritesNewAndReplacesOldKeepingPermissions) {
    ScratchDir dir("DurableWrite");
    CHECK_EQUAL(ERROR_SUCCESS, Write(dir.Native("doc"), "first"));
    CHECK_EQUAL("first", dir.Get("doc"));
    chmod(dir.Native("doc").c_str(), 0600);
    CHECK_EQUAL(ERROR_SUCCESS, Write(dir.Native("doc"), "second, longer"));
    CHECK_EQUAL("second, longer", dir.Get("doc"));
    struct stat info;
    CHECK_EQUAL(0, stat(dir.Native("doc").c_str(), &info));
    CHECK_EQUAL(0600u, info.st_mode & 07777u);
    CHECK_EQUAL(1, EntryCount(dir));
  }
#endif

  TEST(AFailedStepKeepsTheOldFileAndLeavesNoTemporary) {
    struct Case {
      FaultPoint point;
      int error;
      DWORD expected;
    };
    const Case cases[] = {
        {FaultPoint::kOpen, EACCES, ERROR_ACCESS_DENIED},
        {FaultPoint::kWrite, ENOSPC, ERROR_DISK_FULL},
        {FaultPoint::kFlush, EIO, ERROR_IO_DEVICE},
        {FaultPoint::kRename, EIO, ERROR_IO_DEVICE},
    };
    ScratchDir dir("DurableFaults");
    dir.Put("doc", "old content");
    for (const Case& c : cases) {
      {
        ScopedFault fault(c.point, 1, c.error);
        CHECK_EQUAL(c.expected, Write(dir.Native("doc"), "new content that must not appear"));
      }
      CHECK_EQUAL("old content", dir.Get("doc"));
      CHECK_EQUAL(1, EntryCount(dir));
    }
  }

  TEST(CreateNewNeverTouchesAnExistingFile) {
    ScratchDir dir("DurableCreateNew");
    dir.Put("doc", "mine");
    CHECK_EQUAL(ERROR_ALREADY_EXISTS, Write(dir.Native("doc"), "theirs", DurableTarget::kCreateNew));
    CHECK_EQUAL("mine", dir.Get("doc"));
    CHECK_EQUAL(ERROR_SUCCESS, Write(dir.Native("other"), "new", DurableTarget::kCreateNew));
    CHECK_EQUAL("new", dir.Get("other"));
    CHECK_EQUAL(2, EntryCount(dir));
  }

#ifndef _WIN32  // Linux processes, links or permissions
  TEST(AReplacedLinkStaysALink) {
    ScratchDir dir("DurableLink");
    dir.Put("real", "old");
    CHECK_EQUAL(0, symlink("real", dir.Native("link").c_str()));
    CHECK_EQUAL(ERROR_SUCCESS, Write(dir.Native("link"), "new"));
    struct stat info;
    CHECK_EQUAL(0, lstat(dir.Native("link").c_str(), &info));
    CHECK(S_ISLNK(info.st_mode));
    CHECK_EQUAL("new", dir.Get("real"));
    CHECK_EQUAL(2, EntryCount(dir));
  }
#endif

  TEST(MissingDirectoryAndNamesReportWindowsCodes) {
    ScratchDir dir("DurableMissing");
    CHECK_EQUAL(ERROR_PATH_NOT_FOUND, Write(dir.Native("none/doc"), "x"));
    CHECK(!zb::platform::SyncFileW(dir.Win(L"absent").c_str()));
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
    dir.Put("doc", "x");
    CHECK(zb::platform::SyncFileW(dir.Win(L"DOC").c_str()));
    CHECK(zb::platform::SyncDirectoryOfW(dir.Win(L"doc").c_str()));
  }

  TEST(WriteThroughMoveReportsAFailedFlush) {
    ScratchDir dir("DurableMove");
    dir.Put("a", "data");
    {
      ScopedFault fault(FaultPoint::kFlush, 1, EIO);
      CHECK(!MoveFileExW(dir.Win(L"a").c_str(), dir.Win(L"b").c_str(), MOVEFILE_WRITE_THROUGH));
      CHECK_EQUAL(ERROR_IO_DEVICE, GetLastError());
    }
    CHECK_EQUAL("data", dir.Get("b"));
    CHECK(MoveFileExW(dir.Win(L"b").c_str(), dir.Win(L"c").c_str(), MOVEFILE_WRITE_THROUGH));
    CHECK_EQUAL("data", dir.Get("c"));
  }

  TEST(RegistryExportKeepsTheOldFileOnAFullDisk) {
    ScratchDir dir("DurableRegExport");
    dir.Put("keys.reg", "previous export");
    HKEY key = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\ZorBaseTests\\Durable", 0,
                                               nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    {
      ScopedFault full(FaultPoint::kWrite, 1, ENOSPC);
      CHECK_EQUAL(ERROR_DISK_FULL,
                  zb::platform::ExportRegistryKey(HKEY_CURRENT_USER, L"Software\\ZorBaseTests\\Durable",
                                                  dir.Win(L"keys.reg")));
    }
    CHECK_EQUAL("previous export", dir.Get("keys.reg"));
    CHECK_EQUAL(1, EntryCount(dir));
    CHECK_EQUAL(ERROR_SUCCESS,
                zb::platform::ExportRegistryKey(HKEY_CURRENT_USER, L"Software\\ZorBaseTests\\Durable",
                                                dir.Win(L"keys.reg")));
    CHECK(dir.Get("keys.reg") != "previous export");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZorBaseTests\\Durable");
  }
}
