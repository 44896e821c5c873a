#include <zorbase/tagged/MTagList.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/tagged/internal/test_records.h>

using zb::test::ScratchDir;
using zb::test::TagHead;
using zb::test::TagHeader;
using zb::test::TagRecord;

namespace {

std::vector<std::string> Names(MTagList& list) {
  std::vector<std::string> names;
  for (size_t i = 0; i < list.SIZE(); ++i) names.push_back(list.GET_TAG(i)->m_name);
  return names;
}

// A file with head and the records A 2.1 (3 bytes), B 3.0 (nested X, DATA), A 2.1 (1 byte).
std::string SampleFile() {
  return TagHead() + TagRecord("A", 2, 1, "aaa") +
         TagRecord("B", 3, 0, TagRecord("X", 2, 1, "") + TagRecord("DATA", 2, 1, "xy")) +
         TagRecord("A", 2, 1, "z");
}

}  // namespace

SUITE(MTagList) {

TEST(ListsRecordsAfterTheHead) {
  ScratchDir dir("taglist_list");
  dir.Put("f.zor", SampleFile());
  MFile file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"f.zor").c_str())));
  file.SEEK(5, 0);
  MTagList list;
  CHECK(list.BUILD_TAG_LIST(file));
  CHECK_EQUAL(5, file.TELL());  // restored
  CHECK(Names(list) == (std::vector<std::string>{"A", "B", "A"}));
  CHECK_EQUAL(12, list.GET_TAG(0)->m_tag_pos);
  CHECK_EQUAL(3, list.GET_TAG(0)->m_skip);
  CHECK_EQUAL(3, list.GET_TAG(1)->m_major);
  CHECK_EQUAL(std::string("ZORCOM"), list.GET_HEAD_TAG().m_name);
}

TEST(ListRefusesFileWithoutHead) {
  ScratchDir dir("taglist_nohead");
  dir.Put("f.zor", TagRecord("A", 2, 1, "aaa"));
  MFile file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"f.zor").c_str())));
  MTagList list;
  CHECK(!list.BUILD_TAG_LIST(file));
  CHECK_EQUAL(0u, list.SIZE());
  MFile closed;
  CHECK(!list.BUILD_TAG_LIST(closed, static_cast<size_t>(-1)));
}

TEST(ListWithLengthAndNested) {
  ScratchDir dir("taglist_nested");
  dir.Put("f.zor", SampleFile());
  MFile file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"f.zor").c_str())));
  MTagList top;
  CHECK(top.BUILD_TAG_LIST(file));
  MTag b = *top.GET_TAG(1);
  MTagList nested;
  CHECK(nested.BUILD_TAG_LIST(file, b, true));
  CHECK(Names(nested) == (std::vector<std::string>{"X", "DATA"}));
  // Only the first record fits in 15 bytes.
  file.SEEK(12, 0);
  CHECK(nested.BUILD_TAG_LIST(file, 15));
  CHECK(Names(nested) == (std::vector<std::string>{"A"}));
}

TEST(NestedListRefusals) {
  ScratchDir dir("taglist_refuse");
  dir.Put("f.zor", SampleFile());
  MFile file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"f.zor").c_str())));
  struct Case {
    const char* name;
    int major, minor;
    std::int64_t skip;
    bool expected;
  } cases[] = {
      {"B", 1, 0, 24, false},    {"DATA", 2, 1, 24, false}, {"MUID", 2, 1, 24, false},
      {"MUID", 2, 0, 24, true},  {"B", 2, 1, 11, false},    {"B", 2, 1, 24, true},
  };
  for (const Case& c : cases) {
    MTag parent(c.name, static_cast<unsigned char>(c.major), static_cast<unsigned char>(c.minor));
    parent.m_tag_pos = 12;
    parent.m_data_pos = 24;
    parent.m_skip = c.skip;
    MTagList list;
    CHECK_EQUAL(c.expected, list.BUILD_TAG_LIST(file, parent, true));
  }
}

TEST(TreeDescendsIntoRecordsButNotPayloads) {
  ScratchDir dir("taglist_tree");
  dir.Put("f.zor", SampleFile());
  MFile file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"f.zor").c_str())));
  MTagList list;
  CHECK(list.BUILD_TAG_TREE(file, 0, -1));
  CHECK(Names(list) == (std::vector<std::string>{"A", "B", "X", "DATA", "A"}));
  // A range ending after B stops there.
  CHECK(list.BUILD_TAG_TREE(file, 12, 15));
  CHECK(Names(list) == (std::vector<std::string>{"A"}));
}

TEST(NextAndFind) {
  ScratchDir dir("taglist_find");
  dir.Put("f.zor", SampleFile());
  MFile file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"f.zor").c_str())));
  MTagList list;
  CHECK(list.BUILD_TAG_LIST(file));
  MTag* first = list.NEXT_TAG(file, nullptr, true);
  CHECK(first == list.GET_TAG(0));
  CHECK_EQUAL(24, file.TELL());
  CHECK(list.NEXT_TAG(file, list.GET_TAG(2), false) == nullptr);
  MTag stranger("A");
  CHECK(list.NEXT_TAG(file, &stranger, false) == nullptr);

  MTag pattern("A", 2, 0);
  MTag* found = list.FIND_TAG(file, nullptr, pattern, 0, true);
  CHECK(found == list.GET_TAG(0));
  CHECK_EQUAL(24, file.TELL());
  CHECK_EQUAL(3, pattern.m_skip);  // copied from the entry
  found = list.FIND_TAG(file, found, pattern, 0, false);
  CHECK(found == list.GET_TAG(2));
  CHECK(list.FIND_TAG(file, found, pattern, 0, false) == nullptr);

  struct Case {
    int pattern_major;
    unsigned long compare_mode, search_mode;
    bool found;
  } cases[] = {
      {4, 0, 0, true}, {4, 1, 0, true}, {4, 2, 0, false}, {2, 1, 0, false},
      {3, 2, 0, true}, {3, 2, 2, false},
  };
  for (const Case& c : cases) {
    MTag b("B", static_cast<unsigned char>(c.pattern_major), 0);
    CHECK_EQUAL(c.found,
                list.FIND_TAG_EX(file, nullptr, b, c.compare_mode, c.search_mode, false) !=
                    nullptr);
  }
  MTag empty("");
  CHECK(list.FIND_TAG_EX(file, nullptr, empty, 0, 0, false) == nullptr);
}

TEST(WriteBeginReusesUnwrittenEntriesAndRemove) {
  ScratchDir dir("taglist_write");
  dir.Put("f.zor", SampleFile());
  MFile file;
  CHECK(file.OPEN_UPDATE(MFileName(dir.Win(L"f.zor").c_str())));
  MTagList list;
  CHECK(list.BUILD_TAG_LIST(file));
  CHECK(file.SEEK(0, 2));
  MTag tag("A", 2, 7);
  CHECK(list.WRITE_TAG_BEGIN(file, tag));
  CHECK(tag.m_written);
  CHECK_EQUAL(7, list.GET_TAG(0)->m_minor);  // the first A was reused
  file.WRITE("new", 3);
  CHECK(list.WRITE_TAG_END(file, tag));
  CHECK_EQUAL(3u, list.SIZE());

  MTag pattern("A", 2, 0);
  CHECK(list.FIND_TAG(file, nullptr, pattern, 1, false) == list.GET_TAG(2));
  CHECK(list.REMOVE_TAGS(pattern, 1));  // only the unwritten second A
  CHECK(Names(list) == (std::vector<std::string>{"A", "B"}));
  CHECK(!list.REMOVE_TAGS(pattern, 1));
  CHECK(list.REMOVE_TAGS(pattern, 0));
  CHECK(Names(list) == (std::vector<std::string>{"B"}));

  MTag c("C", 2, 1);
  CHECK(list.WRITE_TAG_BEGIN(file, c));  // no such entry: appended
  CHECK(Names(list) == (std::vector<std::string>{"B", "C"}));
  CHECK(list.WRITE_TAG_END(file, c));
  CHECK(file.CLOSE());
  const std::string bytes = dir.Get("f.zor");
  const size_t old_size = SampleFile().size();
  CHECK(bytes.substr(old_size) == TagRecord("A", 2, 7, "new") + TagRecord("C", 2, 1, ""));
}

TEST(ConvertWrapsEachPayloadInData) {
  ScratchDir dir("taglist_convert");
  dir.Put("v1.zor", TagHeader("ZORCOM", 1, 0, 0) + TagRecord("PTS", 1, 0, "12345") +
                        TagRecord("EMPTY", 1, 3, ""));
  MFileName name(dir.Win(L"v1.zor").c_str());
  MTagList list;
  CHECK(list.CONVERT(name, 0, 0));
  const std::string expected = TagHead() +
                               TagRecord("PTS", 2, 1, TagRecord("DATA", 2, 1, "12345")) +
                               TagRecord("EMPTY", 2, 1, TagRecord("DATA", 2, 1, ""));
  CHECK(dir.Get("v1.zor") == expected);
  CHECK(!dir.Exists("~zortag1.tmp"));
  // Converting again to the same major changes nothing.
  CHECK(list.CONVERT(name, 2, 1));
  CHECK(dir.Get("v1.zor") == expected);
  // Lowering the major is refused.
  CHECK(!list.CONVERT(name, 1, 0));
  CHECK(dir.Get("v1.zor") == expected);
}

TEST(ConvertRefusesDamagedAndForeignFilesUnchanged) {
  ScratchDir dir("taglist_convert_bad");
  const std::string files[] = {
      TagHeader("ZORCOM", 1, 0, 0) + TagRecord("A", 1, 0, "aa") + TagHeader("B", 1, 0, 50) + "b",
      TagHeader("ZORCOM", 1, 0, 0) + TagRecord("A", 1, 0, "aa") + "xyz",
      TagHeader("ZORCOM", 1, 0, 0) + TagHeader("A", 1, 0, -12),
      TagRecord("A", 1, 0, "not a tagged file"),
      std::string("tiny"),
  };
  for (const std::string& bytes : files) {
    dir.Put("bad.zor", bytes);
    MFileName name(dir.Win(L"bad.zor").c_str());
    MTagList list;
    CHECK(!list.CONVERT(name, 2, 1));
    CHECK(dir.Get("bad.zor") == bytes);
  }
  MFileName missing(dir.Win(L"missing.zor").c_str());
  MTagList list;
  CHECK(!list.CONVERT(missing, 2, 1));
}

// A fault at any write, flush, rename or open of CONVERT leaves the original file under its own
// name, unchanged, and no temporary file behind.
TEST(ConvertFailureRestoresTheOriginal) {
  using zb::platform::FaultPoint;
  ScratchDir dir("taglist_convert_fault");
  const std::string v1 = TagHeader("ZORCOM", 1, 0, 0) + TagRecord("PTS", 1, 0, "12345") +
                         TagRecord("LIN", 1, 2, "abc");
  const std::string v2 = TagHead() + TagRecord("PTS", 2, 1, TagRecord("DATA", 2, 1, "12345")) +
                         TagRecord("LIN", 2, 1, TagRecord("DATA", 2, 1, "abc"));
  const FaultPoint points[] = {FaultPoint::kWrite, FaultPoint::kFlush, FaultPoint::kRename,
                               FaultPoint::kOpen};
  for (FaultPoint point : points) {
    dir.Put("f.zor", v1);
    std::uint64_t calls = 0;
    {
      zb::platform::ScopedFault probe(point, ~std::uint64_t{0} - 1, EIO);
      MFileName name(dir.Win(L"f.zor").c_str());
      MTagList list;
      CHECK(list.CONVERT(name, 0, 0));
      calls = zb::platform::FaultCallCount(point);
    }
    for (std::uint64_t n = 1; n <= calls; ++n) {
      dir.Put("f.zor", v1);
      bool converted = false;
      {
        zb::platform::ScopedFault fault(point, n, ENOSPC);
        MFileName name(dir.Win(L"f.zor").c_str());
        MTagList list;
        converted = list.CONVERT(name, 0, 0);
      }
      CHECK(dir.Get("f.zor") == (converted ? v2 : v1));
      for (const auto& entry : std::filesystem::directory_iterator(dir.Native())) {
        CHECK(entry.path().filename() == "f.zor");
      }
    }
  }
}

#ifndef _WIN32  // permission bits, owner and symbolic links of Linux files
// The converted file keeps the original's permissions (and owner where the process may set it);
// converting through a symbolic link converts its target and keeps the link.
TEST(ConvertKeepsPermissionsOwnerAndLinks) {
  ScratchDir dir("taglist_convert_keep");
  const std::string v1 = TagHeader("ZORCOM", 1, 0, 0) + TagRecord("PTS", 1, 0, "12345");
  const std::string v2 = TagHead() + TagRecord("PTS", 2, 1, TagRecord("DATA", 2, 1, "12345"));
  dir.Put("real/f.zor", v1);
  const std::string native = dir.Native("real/f.zor");
  CHECK(chmod(native.c_str(), 0600) == 0);
  if (geteuid() == 0) CHECK(chown(native.c_str(), 2345, 2346) == 0);
  struct stat before;
  CHECK(stat(native.c_str(), &before) == 0);
  CHECK(symlink("real/f.zor", dir.Native("link.zor").c_str()) == 0);
  MFileName name(dir.Win(L"link.zor").c_str());
  MTagList list;
  CHECK(list.CONVERT(name, 0, 0));
  struct stat after;
  CHECK(lstat(dir.Native("link.zor").c_str(), &after) == 0 && S_ISLNK(after.st_mode));
  CHECK(dir.Get("real/f.zor") == v2);
  CHECK(stat(native.c_str(), &after) == 0);
  CHECK_EQUAL(0600u, static_cast<unsigned>(after.st_mode & 07777));
  CHECK_EQUAL(before.st_uid, after.st_uid);
  CHECK_EQUAL(before.st_gid, after.st_gid);
  for (const auto& entry : std::filesystem::directory_iterator(dir.Native("real"))) {
    CHECK(entry.path().filename() == "f.zor");
  }
}
#endif

}  // SUITE(MTagList)
