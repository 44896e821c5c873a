#include <zorbase/tagged/MTag.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <string>

#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/tagged/internal/test_records.h>

using zb::test::ScratchDir;
using zb::test::TagHeader;

SUITE(MTag) {

TEST(ConstructionDefaults) {
  MTag empty;
  CHECK_EQUAL("", std::string(empty.m_name));
  CHECK_EQUAL(1, empty.m_major);
  CHECK_EQUAL(0, empty.m_minor);
  CHECK_EQUAL(-1, empty.m_tag_pos);
  CHECK_EQUAL(-1, empty.m_data_pos);
  CHECK_EQUAL(0, empty.m_skip);
  CHECK(empty.m_next == nullptr);
  CHECK(!empty.m_written && !empty.m_closed);

  MTag named("ABC");
  CHECK_EQUAL("ABC", std::string(named.m_name));
  CHECK_EQUAL(MTag::m_file_vmajor, named.m_major);
  CHECK_EQUAL(MTag::m_file_vminor, named.m_minor);
  CHECK_EQUAL(2, MTag::m_file_vmajor);
  CHECK_EQUAL(1, MTag::m_file_vminor);

  MTag null_name(nullptr, 3, 4);
  CHECK_EQUAL("", std::string(null_name.m_name));
  CHECK_EQUAL(3, null_name.VERSION()[0]);
  CHECK_EQUAL(4, null_name.VERSION()[1]);
}

TEST(LongNamesKeepSixCharacters) {
  const char* names[] = {"ABCDEFG", "ABCDEFGHIJKL"};
  for (const char* name : names) {
    MTag tag(name);
    CHECK_EQUAL("ABCDEF", std::string(tag.m_name));
    CHECK_EQUAL(0, tag.m_name[6]);
  }
}

TEST(CompareModes) {
  struct Case {
    int this_major, other_major;
    unsigned long mode;
    bool expected;
  } cases[] = {
      {3, 2, 0, true}, {3, 2, 1, true},  {3, 2, 2, false}, {2, 3, 0, true},
      {2, 3, 1, false}, {2, 3, 2, false}, {2, 2, 7, true},
  };
  for (const Case& c : cases) {
    MTag a("REC", static_cast<unsigned char>(c.this_major), 0);
    MTag b("REC", static_cast<unsigned char>(c.other_major), 5);
    CHECK_EQUAL(c.expected, a.COMPARE(b, c.mode));
  }
  CHECK(!MTag("REC").COMPARE(MTag("RED"), 0));
  CHECK(MTag("REC", 2, 0) == MTag("REC", 2, 9));
  CHECK(!(MTag("REC", 2, 0) == MTag("REC", 3, 0)));
}

TEST(HeaderOfAbcVersion21WithFiveBytes) {
  ScratchDir dir("mtag_header");
  MFile file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"abc.bin").c_str())));
  MTag tag("ABC", 2, 1);
  CHECK(tag.WRITE(file));
  CHECK(tag.m_written);
  CHECK_EQUAL(0, tag.m_tag_pos);
  CHECK_EQUAL(12, tag.m_data_pos);
  CHECK_EQUAL(5u, file.WRITE("hello", 5));
  CHECK(tag.UPDATE_SKIP(file));
  CHECK(tag.m_closed);
  CHECK_EQUAL(5, tag.m_skip);
  CHECK_EQUAL(17, file.TELL());
  CHECK(file.CLOSE());
  const std::string expected("\x41\x42\x43\x00\x00\x00\x02\x01\x05\x00\x00\x00hello", 17);
  CHECK(dir.Get("abc.bin") == expected);
}

TEST(UpdateSkipOnceUntilUndone) {
  ScratchDir dir("mtag_update");
  MFile file;
  CHECK(file.OPEN_UPDATE(MFileName(dir.Win(L"u.bin").c_str())));
  MTag tag("U");
  CHECK(tag.WRITE(file));
  file.WRITE("ab", 2);
  CHECK(tag.UPDATE_SKIP(file));
  file.WRITE("cd", 2);
  CHECK(tag.UPDATE_SKIP(file));  // closed: nothing written
  CHECK_EQUAL(2, tag.m_skip);
  tag.UNDO_UPDATE();
  CHECK(tag.UPDATE_SKIP(file));
  CHECK_EQUAL(4, tag.m_skip);
  CHECK(file.CLOSE());
  CHECK(dir.Get("u.bin") == TagHeader("U", 2, 1, 4) + "abcd");
}

TEST(ReadHeaderAndSignExtendSkip) {
  ScratchDir dir("mtag_read");
  dir.Put("r.bin", std::string("xx") + TagHeader("NAMEXY", 7, 9, -3) + "\x01\x02");
  MFile file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"r.bin").c_str())));
  CHECK(file.SEEK(2, 0));
  MTag tag;
  CHECK(tag.READ(file));
  CHECK_EQUAL("NAMEXY", std::string(tag.m_name));
  CHECK_EQUAL(7, tag.m_major);
  CHECK_EQUAL(9, tag.m_minor);
  CHECK_EQUAL(-3, tag.m_skip);
  CHECK_EQUAL(2, tag.m_tag_pos);
  CHECK_EQUAL(14, tag.m_data_pos);
  // Only two bytes remain: a header cannot be read, the position fields are still set.
  MTag short_tag;
  CHECK(!short_tag.READ(file));
  CHECK_EQUAL(14, short_tag.m_tag_pos);
}

TEST(SkipFollowsTheFileByteOrder) {
  ScratchDir dir("mtag_order");
  MFile file;
  file.SET_FILESWAP(0);  // big-endian file on a little-endian machine
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"be.bin").c_str())));
  MTag tag("BE", 2, 1);
  tag.WRITE(file);
  file.WRITE("\x01\x02\x03", 3);
  CHECK(tag.UPDATE_SKIP(file));
  CHECK(file.CLOSE());
  const std::string bytes = dir.Get("be.bin");
  CHECK(bytes.substr(8, 4) == std::string("\x00\x00\x00\x03", 4));

  MFile in;
  in.SET_FILESWAP(0);
  CHECK(in.OPEN_READ(MFileName(dir.Win(L"be.bin").c_str())));
  MTag back;
  CHECK(back.READ(in));
  CHECK_EQUAL(3, back.m_skip);
}

}  // SUITE(MTag)
