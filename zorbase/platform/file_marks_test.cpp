#include <zorbase/platform/file_marks.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdio>
#include <string>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/last_error.h>

using zb::platform::GetFileMarkW;
using zb::platform::RemoveFileMarkW;
using zb::platform::SetFileMarkW;
using zb::test::ScratchDir;

SUITE(FileMarks) {

// A mark is kept with the file: it follows a rename, is replaced by a second set, and goes away
// when removed (removing it twice is fine).
TEST(MarkTravelsWithTheFile) {
  ScratchDir dir("marks");
  dir.Put("a.txt", "data");
  const std::wstring a = dir.Win(L"a.txt");
  const std::wstring b = dir.Win(L"b.txt");
  std::string value;
  CHECK(!GetFileMarkW(a.c_str(), "k", &value));
  CHECK_EQUAL(ERROR_NOT_FOUND, GetLastError());
  CHECK(SetFileMarkW(a.c_str(), "k", std::string("one\0two", 7)));
  CHECK(SetFileMarkW(a.c_str(), "k", std::string("three\0", 6)));
  CHECK(MoveFileExW(a.c_str(), b.c_str(), 0));
  CHECK(GetFileMarkW(b.c_str(), "k", &value));
  CHECK(value == std::string("three\0", 6));
  CHECK(RemoveFileMarkW(b.c_str(), "k"));
  CHECK(RemoveFileMarkW(b.c_str(), "k"));
  CHECK(!GetFileMarkW(b.c_str(), "k", &value));
  CHECK_EQUAL(ERROR_NOT_FOUND, GetLastError());
}

TEST(MissingFileOrEmptyKeyFails) {
  ScratchDir dir("marks_missing");
  const std::wstring missing = dir.Win(L"none.txt");
  std::string value;
  CHECK(!SetFileMarkW(missing.c_str(), "k", "v"));
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK(!GetFileMarkW(missing.c_str(), "k", &value));
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK(!RemoveFileMarkW(missing.c_str(), "k"));
  dir.Put("a.txt", "data");
  CHECK(!SetFileMarkW(dir.Win(L"a.txt").c_str(), "", "v"));
  CHECK_EQUAL(ERROR_INVALID_PARAMETER, GetLastError());
}

}  // SUITE(FileMarks)
