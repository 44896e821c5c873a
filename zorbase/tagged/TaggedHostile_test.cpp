// Damaged and crafted tagged files: every reader ends, with the records before the damage.
#include <UnitTest++/UnitTest++.h>

#include <string>
#include <vector>

#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/tagged/MFileTagged.h>
#include <zorbase/tagged/MTagList.h>
#include <zorbase/tagged/internal/tag_walk.h>
#include <zorbase/tagged/internal/test_records.h>

using zb::test::ScratchDir;
using zb::test::TagHead;
using zb::test::TagHeader;
using zb::test::TagRecord;

namespace {

struct Case {
  const char* what;
  std::string bytes;
  size_t chain;  // records in the tagged file's chain
  size_t list;   // entries of BUILD_TAG_LIST(file)
  size_t tree;   // entries of BUILD_TAG_TREE(file, 0, -1)
};

std::string Nest(int depth) {
  std::string inner = TagRecord("DATA", 2, 1, "x");
  for (int i = 0; i < depth; ++i) inner = TagRecord("N", 2, 1, inner);
  return inner;
}

std::vector<Case> Cases() {
  const std::string a = TagRecord("A", 2, 1, "aa");
  return {
      {"negative skip pointing back at itself", TagHead() + a + TagHeader("LOOP", 2, 1, -12), 1, 1,
       1},
      {"negative skip pointing at the head", TagHead() + a + TagHeader("LOOP", 2, 1, -26), 1, 1, 1},
      {"huge skip", TagHead() + a + TagHeader("BIG", 2, 1, 0x7FFFFFFF) + "zz", 1, 1, 1},
      {"record running past the end", TagHead() + a + TagHeader("CUT", 2, 1, 10) + "abc", 1, 1, 1},
      {"truncated header", TagHead() + a + std::string("ABC\0\0", 5), 1, 1, 1},
      {"ZORCOM in the middle", TagHead() + a + TagHead() + a, 2, 2, 2},
      {"nested record past its parent",
       TagHead() + TagRecord("P", 2, 1, TagHeader("Q", 2, 1, 100)) + a, 2, 2, 2},
      {"nested negative skip", TagHead() + TagRecord("P", 2, 1, TagHeader("Q", 2, 1, -24)) + a, 2,
       2, 2},
      {"deep nesting", TagHead() + Nest(20000), 1, 1, 20001},
      {"only garbage", std::string(100, '\xFF'), 0, 0, 0},
      {"empty file", std::string(), 0, 0, 0},
  };
}

}  // namespace

SUITE(TaggedHostileInput) {

TEST(EveryReaderEndsBeforeTheDamage) {
  ScratchDir dir("tagged_hostile");
  for (const Case& c : Cases()) {
    dir.Put("bad.zor", c.bytes);
    const MFileName name(dir.Win(L"bad.zor").c_str());

    MFileTagged tagged;
    CHECK(tagged.OPEN_READ(name));
    size_t chain = 0;
    for (MTag* tag = tagged.NEXT_TAG(nullptr, false); tag; tag = tagged.NEXT_TAG(tag, false)) {
      ++chain;
    }
    CHECK_EQUAL(c.chain, chain);
    tagged.CLOSE();

    MFile file;
    CHECK(file.OPEN_READ(name));
    MTagList list;
    list.BUILD_TAG_LIST(file);
    const size_t listed = list.SIZE();
    CHECK_EQUAL(c.list, listed);
    CHECK(list.BUILD_TAG_TREE(file, 0, -1));
    // The tree holds the head too when it reads it from position 0.
    size_t tree = list.SIZE();
    CHECK_EQUAL(c.tree, tree);
    if (c.chain != chain || c.list != listed || c.tree != tree) {
      printf("case: %s\n", c.what);
    }
  }
}

TEST(WalkReportsWhereTheDamageIs) {
  ScratchDir dir("tagged_damage");
  const std::string a = TagRecord("A", 2, 1, "aa");
  dir.Put("bad.zor", TagHead() + a + TagHeader("CUT", 2, 1, 10) + "abc");
  MFile file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"bad.zor").c_str())));
  std::vector<zb::tagged::TagDamage> damage;
  int visited = 0;
  CHECK(zb::tagged::WalkTagTree(
      file, 0, -1, zb::tagged::DescendRule::kFormat, 2,
      [&](const MTag&, int) { ++visited; },
      [&](const zb::tagged::TagDamage& d) { damage.push_back(d); }));
  CHECK_EQUAL(2, visited);
  CHECK_EQUAL(1u, damage.size());
  CHECK_EQUAL(26, damage[0].position);
  CHECK_EQUAL(0, damage[0].depth);
}

TEST(WritingOverADamagedFileKeepsWhatCouldBeRead) {
  ScratchDir dir("tagged_damaged_write");
  const std::string damaged =
      TagHead() + TagRecord("A", 2, 1, "aa") + TagHeader("CUT", 2, 1, 99) + "abc";
  dir.Put("doc.zor", damaged);
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  CHECK(file.CLOSE());
  CHECK(dir.Get("doc.zor") == TagHead() + TagRecord("A", 2, 1, "aa"));
}

}  // SUITE(TaggedHostileInput)
