#include <zorbase/tagged/MFileTagReplacer.h>

#include <UnitTest++/UnitTest++.h>

#include <string>

#include <zorbase/files/MFileName.h>
#include <zorbase/platform/internal/scratch_dir.h>

using zb::test::ScratchDir;

namespace {

// Runs `replacer`'s tags over `input` and returns the output bytes.
std::string RunTemplate(ScratchDir& dir, MFileTagReplacer& replacer, const std::string& input,
                bool* result = nullptr) {
  dir.Put("in.txt", input);
  MFile in;
  CHECK(in.OPEN_READ(MFileName(dir.Win(L"in.txt").c_str())));
  CHECK(replacer.OPEN_WRITE(MFileName(dir.Win(L"out.txt").c_str())));
  const bool ok = replacer.ReplaceAllTagsInFile(in);
  if (result != nullptr) *result = ok;
  replacer.CLOSE();
  return dir.Get("out.txt");
}

}  // namespace

SUITE(MFileTagReplacer) {

TEST(TemplateWithoutTagsIsCopied) {
  ScratchDir dir("replacer_copy");
  MFileTagReplacer replacer;
  bool ok = false;
  CHECK(RunTemplate(dir, replacer, "one\r\ntwo\r\n", &ok) == "one\r\ntwo\r\n");
  CHECK(ok);
  CHECK(RunTemplate(dir, replacer, "") == "");
}

TEST(KeptTagsStayDroppedTagsAreUsedOnce) {
  ScratchDir dir("replacer_keep");
  MFileTagReplacer replacer;
  replacer.Append(new MReplaceTag("$K", "kept", true, true));
  replacer.Append(new MReplaceTag("$O", "once", true, false));
  CHECK(RunTemplate(dir, replacer, "a $K $O\rb $K $O\rc\r") == "a kept once\rb kept $O\rc\r");
  // Each run starts from fresh copies of the appended tags.
  CHECK(RunTemplate(dir, replacer, "$O\r") == "once\r");
  replacer.ClearTags();
  CHECK(RunTemplate(dir, replacer, "$O\r") == "$O\r");
}

TEST(QueuedValuesExpandALine) {
  ScratchDir dir("replacer_list");
  MFileTagReplacer replacer;
  replacer.Append(new MReplaceTag("#ITEM", "red", false, false));
  replacer.Append(new MReplaceTag("#ITEM", "green", false, false));
  replacer.Append(new MReplaceTag("#ITEM", "blue", true, false));
  CHECK(RunTemplate(dir, replacer, "<ul>\r<li>#ITEM</li>\r</ul>\r") ==
        "<ul>\r<li>red</li>\r<li>green</li>\r<li>blue</li>\r</ul>\r");
}

TEST(LastLineWithoutCarriageReturnIsUnchanged) {
  ScratchDir dir("replacer_last");
  MFileTagReplacer replacer;
  replacer.Append(new MReplaceTag("$X", "x", true, true));
  CHECK(RunTemplate(dir, replacer, "$X\r$X") == "x\r$X");
}

TEST(KeptNonFinalTagDoesNotRepeatForever) {
  ScratchDir dir("replacer_forever");
  MFileTagReplacer replacer;
  replacer.Append(new MReplaceTag("$X", "x", false, true));
  replacer.Append(new MReplaceTag("", "empty", false, true));
  CHECK(RunTemplate(dir, replacer, "$X\r") == "x\r");
}

TEST(LongLinesAreCopiedInPiecesWithoutExtraLineEnds) {
  ScratchDir dir("replacer_long");
  MFileTagReplacer replacer;
  replacer.Append(new MReplaceTag("$X", "x", true, true));
  const std::string long_line(10000, 'q');
  CHECK(RunTemplate(dir, replacer, long_line + "\r$X\r") == long_line + "\rx\r");
}

TEST(ReplaceInString) {
  MFileTagReplacer replacer;
  replacer.Append(new MReplaceTag("ab", "X", false, false));
  replacer.ResetTagList();
  char line[] = "ab ab";
  CStringA out;
  CHECK(!replacer.ReplaceAllTagsInString(line, out));
  CHECK_EQUAL("X X", std::string(out.GetString()));
  CHECK(replacer.ReplaceAllTagsInString(line, out));  // the tag was used up
  CHECK_EQUAL("ab ab", std::string(out.GetString()));
}

}  // SUITE(MFileTagReplacer)
