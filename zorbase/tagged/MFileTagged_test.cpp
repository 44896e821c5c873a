#include <zorbase/tagged/MFileTagged.h>

#include <UnitTest++/UnitTest++.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <csignal>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <zorbase/files/MFileName.h>
#include <zorbase/files/internal/file_access_testing.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/tagged/internal/test_rewrite.h>
#include <zorbase/tagged/internal/test_records.h>

using zb::platform::FaultPoint;
using zb::test::PutRewriteBackup;
using zb::test::RewriteB;
using zb::test::ScratchDir;
using zb::test::TagHead;
using zb::test::TagHeader;
using zb::test::TagRecord;

namespace {

std::string OldDocument() {
  return TagHead() + TagRecord("A", 2, 1, "old-a") + TagRecord("B", 2, 1, "old-b") +
         TagRecord("C", 2, 1, "old-c");
}

// The document after rewriting B with "new-b!": B where it was written, A and C carried over.
std::string NewDocument() {
  return TagHead() + TagRecord("B", 2, 1, "new-b!") + TagRecord("A", 2, 1, "old-a") +
         TagRecord("C", 2, 1, "old-c");
}

// What an unfinished rewrite of OldDocument can leave under the document's name: nothing
// written yet, the head only, the rewritten record, part of the carry-over, a header cut short.
const std::string kUnfinished[] = {
    "",
    TagHead(),
    TagHead() + TagRecord("B", 2, 1, "new-b!"),
    TagHead() + TagRecord("B", 2, 1, "new-b!") + TagRecord("A", 2, 1, "old-a"),
    TagHead() + TagRecord("B", 2, 1, "new-b!") + TagHeader("A", 2, 1, 5) + "ol",
};

// Puts into `dir` what an unfinished rewrite of OldDocument leaves: `unfinished` under the
// document's name, the old document as its backup.
void LeaveUnfinishedRewrite(const ScratchDir& dir, const std::string& unfinished) {
  CHECK(PutRewriteBackup(dir, "doc.zor", "doc.bak", OldDocument()));
  dir.Put("doc.zor", unfinished);
}

// Whether `dir` still holds what LeaveUnfinishedRewrite put there.
bool UnfinishedRewriteUntouched(const ScratchDir& dir, const std::string& unfinished) {
  return dir.Get("doc.zor") == unfinished && dir.Get("doc.bak") == OldDocument();
}


using CountingReporter = zb::test::RecordingFileAccess;
using ReporterScope = zb::test::ScopedFileAccess<MFile>;

}  // namespace

SUITE(MFileTagged) {

TEST(NewDocumentIsTwelveBytes) {
  ScratchDir dir("tagged_new");
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"new.zor").c_str())));
  CHECK(file.GET_BACKUP_NAME().IS_EMPTY());
  CHECK(file.CLOSE());
  const std::string expected("ZORCOM\x02\x01\x00\x00\x00\x00", 12);
  CHECK(dir.Get("new.zor") == expected);
  CHECK(!dir.Exists("new.bak"));
}

TEST(RewritingOneRecordCarriesTheOthersOver) {
  ScratchDir dir("tagged_rewrite");
  dir.Put("doc.zor", OldDocument());
  CHECK(RewriteB(dir.Win(L"doc.zor")));
  CHECK(dir.Get("doc.zor") == NewDocument());
  CHECK(!dir.Exists("doc.bak"));
}

TEST(BackupHoldsTheOldDocumentWhileWriting) {
  ScratchDir dir("tagged_backup");
  dir.Put("doc.zor", OldDocument());
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  CHECK(dir.Get("doc.bak") == OldDocument());
  CHECK(std::wstring(file.GET_BACKUP_NAME().GET()) == dir.Win(L"doc.bak"));
  CHECK(file.CLOSE());
  CHECK(!dir.Exists("doc.bak"));
  CHECK(dir.Get("doc.zor") == TagHead() + OldDocument().substr(12));
}

TEST(RemovedRecordsAreNotCarriedOver) {
  ScratchDir dir("tagged_remove");
  dir.Put("doc.zor", OldDocument());
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  MTag b("B");
  CHECK(file.WRITE_TAG_BEGIN(b));
  file.WRITE("new-b!", 6);
  CHECK(file.WRITE_TAG_END(b));
  MTag c("C");
  CHECK(file.REMOVE_TAGS(c, 0));
  CHECK(!file.REMOVE_TAGS(c, 0));
  CHECK(file.CLOSE());
  CHECK(dir.Get("doc.zor") ==
        TagHead() + TagRecord("B", 2, 1, "new-b!") + TagRecord("A", 2, 1, "old-a"));
}

// Carried records are copied whole, in their old order, around the rewritten ones, whether they
// are copied through memory (short stretches) or file to file (long ones); afterwards the chain
// describes the new file.
TEST(CarriedRecordsAreCopiedWholeAroundRewrittenOnes) {
  ScratchDir dir("tagged_carry");
  const std::wstring path = dir.Win(L"doc.zor");
  const size_t sizes[] = {0, 5, 70000, 3, 200000, 1, 66000};
  const char* names[] = {"R0", "R1", "R2", "R3", "R4", "R5", "R6"};
  std::vector<std::string> payloads;
  std::string old_doc = TagHead();
  for (size_t i = 0; i < 7; ++i) {
    payloads.push_back(std::string(sizes[i], static_cast<char>('a' + i)));
    old_doc += TagRecord(names[i], 2, 1, payloads[i]);
  }
  // Each set of records rewritten: none, one in the middle, the first and the last, every other.
  const std::vector<std::vector<size_t>> rewrites = {{}, {3}, {0, 6}, {1, 3, 5}, {2, 4}};
  for (const std::vector<size_t>& rewritten : rewrites) {
    dir.Put("doc.zor", old_doc);
    MFileTagged file;
    CHECK(file.OPEN_WRITE(MFileName(path.c_str())));
    std::string expected = TagHead();
    for (size_t i : rewritten) {
      MTag tag(names[i]);
      CHECK(file.WRITE_TAG_BEGIN(tag) && file.WRITE("new", 3) == 3 && file.WRITE_TAG_END(tag));
      expected += TagRecord(names[i], 2, 1, "new");
    }
    for (size_t i = 0; i < 7; ++i) {
      if (std::find(rewritten.begin(), rewritten.end(), i) == rewritten.end()) {
        expected += TagRecord(names[i], 2, 1, payloads[i]);
      }
    }
    CHECK(file.CLOSE());
    CHECK(dir.Get("doc.zor") == expected);
    CHECK(!dir.Exists("doc.bak"));
    // Every chain record now names its place in the new file.
    for (MTag* tag = file.NEXT_TAG(nullptr, false); tag; tag = file.NEXT_TAG(tag, false)) {
      CHECK(tag->m_written != 0);
      CHECK(expected.compare(static_cast<size_t>(tag->m_tag_pos), 8,
                             TagHeader(tag->m_name, 2, 1, 0).substr(0, 8)) == 0);
    }
  }
}

// A file switched to the other byte order after the open writes the headers of carried records
// in that order too; their data is copied as it stands.
TEST(CarriedHeadersFollowTheFilesByteOrder) {
  ScratchDir dir("tagged_carry_order");
  dir.Put("doc.zor", OldDocument());
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  file.SET_FILESWAP(file.GET_MACHINESWAP() == 0 ? 7 : 0);
  MTag b("B");
  CHECK(file.WRITE_TAG_BEGIN(b) && file.WRITE("new-b!", 6) == 6 && file.WRITE_TAG_END(b));
  CHECK(file.CLOSE());
  const auto big_endian = [](const char* name, const std::string& payload) {
    std::string header = TagHeader(name, 2, 1, 0);
    header[11] = static_cast<char>(payload.size());
    return header + payload;
  };
  CHECK(dir.Get("doc.zor") == TagHead() + big_endian("B", "new-b!") + big_endian("A", "old-a") +
                                  big_endian("C", "old-c"));
}

// A backup that lost bytes while the file was open cannot give every carried record in full: the
// close fails with a write fault instead of leaving a shorter document behind as complete.
TEST(ShortCarryOverFailsTheClose) {
  ScratchDir dir("tagged_carry_short");
  const std::string big(100000, 'b');
  const std::string docs[] = {OldDocument(), TagHead() + TagRecord("A", 2, 1, big) +
                                                 TagRecord("B", 2, 1, "old-b") +
                                                 TagRecord("C", 2, 1, big)};
  for (const std::string& doc : docs) {
    dir.Put("doc.zor", doc);
    MFileTagged file;
    CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
    MTag b("B");
    CHECK(file.WRITE_TAG_BEGIN(b) && file.WRITE("new-b!", 6) == 6 && file.WRITE_TAG_END(b));
    std::filesystem::resize_file(dir.Native("doc.bak"), doc.size() - 2);
    CHECK(!file.CLOSE());
    CHECK_EQUAL(29u, file.GET_RESULT());
    CHECK(dir.Exists("doc.bak"));
    std::remove(dir.Native("doc.bak").c_str());
  }
}

TEST(SecondWriteOfTheSameRecordAppendsAChainRecord) {
  ScratchDir dir("tagged_twice");
  dir.Put("doc.zor", OldDocument());
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  MTag first("B");
  CHECK(file.WRITE_TAG_BEGIN(first));
  file.WRITE("1", 1);
  CHECK(file.WRITE_TAG_END(first));
  MTag second("B");
  CHECK(file.WRITE_TAG_BEGIN(second));
  file.WRITE("22", 2);
  CHECK(file.WRITE_TAG_END(second));
  int count = 0;
  for (MTag* tag = file.NEXT_TAG(nullptr, false); tag != nullptr; tag = file.NEXT_TAG(tag, false)) {
    ++count;
  }
  CHECK_EQUAL(4, count);  // A, B (rewritten), C, and the second B
  CHECK(file.CLOSE());
  CHECK(dir.Get("doc.zor") == TagHead() + TagRecord("B", 2, 1, "1") + TagRecord("B", 2, 1, "22") +
                                  TagRecord("A", 2, 1, "old-a") + TagRecord("C", 2, 1, "old-c"));
}

// Completing a small record rewrites its header inside the write buffer: a thousand small records
// reach the file in one write when the buffer is flushed, not two writes each.
TEST(SmallRecordsAreCompletedInTheBuffer) {
  ScratchDir dir("tagged_small");
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"small.zor").c_str())));
  std::string expected = TagHead();
  {
    zb::platform::ScopedFault probe(FaultPoint::kWrite, ~std::uint64_t{0} - 1, EIO);
    for (int i = 0; i < 1000; ++i) {
      MTag record("REC");
      MTag data("DATA");
      CHECK(file.WRITE_TAG_BEGIN(record) && data.WRITE(file));
      file.WRITE("0123456789abcdef", 16);
      CHECK(data.UPDATE_SKIP(file) && file.WRITE_TAG_END(record));
      expected += TagRecord("REC", 2, 1, TagRecord("DATA", 2, 1, "0123456789abcdef"));
    }
    CHECK_EQUAL(0u, zb::platform::FaultCallCount(FaultPoint::kWrite));
  }
  CHECK(file.CLOSE());
  CHECK(dir.Get("small.zor") == expected);
}

TEST(RecordsLargerThanTheBufferGetTheSameHeaders) {
  ScratchDir dir("tagged_large");
  const std::string payload(300000, 'p');
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"big.zor").c_str())));
  MTag record("BIG");
  CHECK(file.WRITE_TAG_BEGIN(record));
  MTag data("DATA");
  CHECK(data.WRITE(file));
  CHECK_EQUAL(payload.size(), file.WRITE(payload.data(), payload.size()));
  CHECK(data.UPDATE_SKIP(file));
  CHECK(file.WRITE_TAG_END(record));
  CHECK(file.CLOSE());
  CHECK(dir.Get("big.zor") == TagHead() + TagRecord("BIG", 2, 1, TagRecord("DATA", 2, 1, payload)));
}

// The chain lists every record written, in order, with its place in the file, however the writes
// and the reads of the chain alternate (thousands of records, a reused old record among them).
TEST(ChainListsEveryRecordWrittenInOrder) {
  ScratchDir dir("tagged_chain");
  dir.Put("doc.zor", TagHead() + TagRecord("OLD", 2, 1, "o") + TagRecord("KEEP", 2, 1, "k"));
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  std::vector<std::pair<std::string, __int64>> written;
  auto write = [&](const char* name, unsigned char minor) {
    MTag tag(name, 2, minor);
    const __int64 at = file.TELL();
    CHECK(file.WRITE_TAG_BEGIN(tag) && file.WRITE("x", 1) == 1 && file.WRITE_TAG_END(tag));
    CHECK_EQUAL(at, tag.m_tag_pos);
    CHECK(tag.m_next == nullptr || std::string(name) == "OLD");
    written.emplace_back(name, at);
  };
  // The chain in order: OLD (rewritten in place in the chain), KEEP, then the new records.
  auto check_chain = [&]() {
    std::vector<std::pair<std::string, __int64>> chain;
    for (MTag* tag = file.NEXT_TAG(nullptr, false); tag; tag = file.NEXT_TAG(tag, false)) {
      if (std::string(tag->m_name) == "KEEP") continue;
      CHECK(tag->m_written != 0 && tag->m_closed == 0 && tag->m_skip == 0);
      CHECK_EQUAL(tag->m_tag_pos + 12, tag->m_data_pos);
      chain.emplace_back(tag->m_name, tag->m_tag_pos);
    }
    CHECK(chain == written);
    CHECK(file.GET_CHAIN() != nullptr && std::string(file.GET_CHAIN()->m_name) == "OLD");
  };
  write("OLD", 1);
  for (int i = 0; i < 5000; ++i) write(i % 2 ? "ODD" : "EVEN", static_cast<unsigned char>(i % 7));
  check_chain();
  for (int i = 0; i < 3; ++i) write("LATE", 0);
  MTag late("LATE");
  MTag* found = file.FIND_TAG(nullptr, late, 0, false);
  CHECK(found != nullptr && found->m_tag_pos == written[5001].second);
  check_chain();
  CHECK(file.REMOVE_TAGS(late, 0));
  written.resize(5001);
  check_chain();
  CHECK(file.CLOSE());
  const std::string bytes = dir.Get("doc.zor");
  CHECK(bytes.compare(bytes.size() - 13, 13, TagRecord("KEEP", 2, 1, "k")) == 0);
}

// Records written anew are noted compactly until the chain is read: long runs of one name, runs
// broken by another name or version, and a record written at an earlier position (after a seek
// back) all come back at their positions, in order.
TEST(ChainKeepsPositionsOfLongRunsAndBackwardWrites) {
  ScratchDir dir("tagged_runs");
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  std::vector<std::pair<std::string, __int64>> written;
  auto write = [&](const char* name, unsigned char minor, size_t size) {
    MTag tag(name, 2, minor);
    const __int64 at = file.TELL();
    const std::string data(size, 'd');
    CHECK(file.WRITE_TAG_BEGIN(tag) && file.WRITE(data.data(), size) == size &&
          file.WRITE_TAG_END(tag));
    written.emplace_back(name, at);
  };
  for (int i = 0; i < 40000; ++i) write("RUN", 1, static_cast<size_t>(i % 3));
  // Records of one size (kept as a count and a distance), a long run and a short one, each
  // followed by another size.
  for (int i = 0; i < 20; ++i) write("RUN", 1, 5);
  write("RUN", 1, 7);
  for (int i = 0; i < 3; ++i) write("RUN", 1, 4);
  write("RUN", 1, 9);
  write("RUN", 1, 9);
  write("RUN", 2, 1);
  write("OTHER", 2, 0);
  const __int64 end = file.TELL();
  CHECK(file.SEEK(written[10].second, 0));
  write("BACK", 1, 0);
  CHECK(file.SEEK(end, 0));
  write("RUN", 1, 1);
  size_t i = 0;
  for (MTag* tag = file.NEXT_TAG(nullptr, false); tag; tag = file.NEXT_TAG(tag, false), ++i) {
    if (i >= written.size()) break;
    CHECK(std::string(tag->m_name) == written[i].first && tag->m_tag_pos == written[i].second);
  }
  CHECK_EQUAL(written.size(), i);
  CHECK(file.CLOSE());
}

TEST(OldRecordsOfOneNameAreReusedInOrder) {
  ScratchDir dir("tagged_reuse");
  dir.Put("doc.zor", TagHead() + TagRecord("A", 2, 1, "1") + TagRecord("B", 2, 1, "b") +
                         TagRecord("A", 2, 1, "2") + TagRecord("A", 3, 0, "v3"));
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  const char* values[] = {"x", "y", "z"};
  for (const char* value : values) {
    MTag a("A");
    CHECK(file.WRITE_TAG_BEGIN(a));
    file.WRITE(value, 1);
    CHECK(file.WRITE_TAG_END(a));
  }
  int records = 0;
  for (MTag* tag = file.NEXT_TAG(nullptr, false); tag; tag = file.NEXT_TAG(tag, false)) ++records;
  CHECK_EQUAL(5, records);  // A, B, A, A 3.0, and the appended third A
  CHECK(file.CLOSE());
  CHECK(dir.Get("doc.zor") == TagHead() + TagRecord("A", 2, 1, "x") + TagRecord("A", 2, 1, "y") +
                                  TagRecord("A", 2, 1, "z") + TagRecord("B", 2, 1, "b") +
                                  TagRecord("A", 3, 0, "v3"));
}

TEST(ReadFindsByNameAndMajor) {
  ScratchDir dir("tagged_read");
  dir.Put("doc.zor", OldDocument() + TagRecord("B", 3, 0, "v3"));
  MFileTagged file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"doc.zor").c_str())));
  MTag pattern("B", 2, 0);
  MTag* found = file.FIND_TAG(nullptr, pattern, 0, true);
  CHECK(found != nullptr);
  CHECK_EQUAL(41, file.TELL());
  CHECK_EQUAL(5, pattern.m_skip);
  char data[6] = {};
  CHECK_EQUAL(5u, file.READ(data, 5));
  CHECK_EQUAL(std::string("old-b"), data);
  // The copy carries the next link, so the search can go on from it.
  CHECK(file.FIND_TAG(&pattern, pattern, 0, false) == nullptr);
  CHECK(file.NEXT_TAG(found, false) != nullptr);
  MTag v4("B", 4, 0);
  CHECK(file.FIND_TAG(nullptr, v4, 0, false) == nullptr);
  MTag v3("B", 3, 0);
  CHECK(file.FIND_TAG(nullptr, v3, 0, false) != nullptr);
  CHECK(file.FIND_TAG(nullptr, v3, 2, false) == nullptr);
  MTag head_tag;
  CHECK(file.SEEK(0, 0));
  CHECK(file.READ_TAG(head_tag));
  CHECK_EQUAL(std::string("ZORCOM"), head_tag.m_name);
}

TEST(HeadOnlyFileHasEmptyChain) {
  ScratchDir dir("tagged_headonly");
  dir.Put("doc.zor", TagHead());
  MFileTagged file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"doc.zor").c_str())));
  CHECK(file.NEXT_TAG(nullptr, false) == nullptr);
}

TEST(AppendModeAndMissingFilesFail) {
  ScratchDir dir("tagged_modes");
  dir.Put("doc.zor", OldDocument());
  MFileTagged file;
  CHECK(!file.OPEN_APPEND(MFileName(dir.Win(L"doc.zor").c_str())));
  CHECK(!file.IS_OPEN());
  CHECK(!file.OPEN_READ(MFileName(dir.Win(L"missing.zor").c_str())));
  CHECK(dir.Get("doc.zor") == OldDocument());
}

TEST(FailedOpenAfterTheRenameMovesTheDocumentBack) {
  ScratchDir dir("tagged_open_fail");
  dir.Put("doc.zor", OldDocument());
  MFileTagged file;
  {
    // Open number 1 reads the chain; number 2 creates the new file.
    zb::platform::ScopedFault fault(FaultPoint::kOpen, 2, EACCES);
    CHECK(!file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  }
  CHECK(!file.IS_OPEN());
  CHECK(file.GET_RESULT() != 0);
  CHECK(dir.Get("doc.zor") == OldDocument());
  CHECK(!dir.Exists("doc.bak"));
}

TEST(UnreadableOrUnrenamableDocumentIsLeftAlone) {
  ScratchDir dir("tagged_unreadable");
  const FaultPoint points[] = {FaultPoint::kOpen, FaultPoint::kRename};
  for (FaultPoint point : points) {
    dir.Put("doc.zor", OldDocument());
    MFileTagged file;
    {
      zb::platform::ScopedFault fault(point, 1, EIO);
      CHECK(!file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
    }
    CHECK(file.GET_RESULT() != 0);
    CHECK(dir.Get("doc.zor") == OldDocument());
    CHECK(!dir.Exists("doc.bak"));
  }
}

TEST(StaleBackupWithoutItsDocumentIsRecovered) {
  ScratchDir dir("tagged_stale");
  CHECK(PutRewriteBackup(dir, "doc.zor", "doc.bak", OldDocument()));
  CHECK(RewriteB(dir.Win(L"doc.zor")));
  CHECK(dir.Get("doc.zor") == NewDocument());
  CHECK(!dir.Exists("doc.bak"));
}

// A backup beside its document is what an unfinished rewrite leaves: the next rewrite restores it
// and carries its records over, whatever the unfinished file holds.
TEST(UnfinishedRewriteIsRestoredBeforeTheNextWrite) {
  ScratchDir dir("tagged_unfinished");
  for (const std::string& unfinished : kUnfinished) {
    LeaveUnfinishedRewrite(dir, unfinished);
    CHECK(RewriteB(dir.Win(L"doc.zor")));
    CHECK(dir.Get("doc.zor") == NewDocument());
    CHECK(!dir.Exists("doc.bak"));
  }
}

// An update in place would otherwise change the unfinished file, and the next rewrite would then
// restore the backup over the update.
TEST(UpdateOpenRestoresAnUnfinishedRewriteFirst) {
  ScratchDir dir("tagged_unfinished_update");
  LeaveUnfinishedRewrite(dir, kUnfinished[2]);
  MFileTagged file;
  CHECK(file.OPEN_UPDATE(MFileName(dir.Win(L"doc.zor").c_str())));
  std::string names;
  for (MTag* tag = file.NEXT_TAG(nullptr, false); tag; tag = file.NEXT_TAG(tag, false)) {
    names += tag->m_name;
  }
  CHECK_EQUAL("ABC", names);
  CHECK(file.CLOSE());
  CHECK(dir.Get("doc.zor") == OldDocument());
  CHECK(!dir.Exists("doc.bak"));
}

// Reading changes no file: the reader sees what stands under the name.
TEST(ReadOpenLeavesAnUnfinishedRewriteAlone) {
  ScratchDir dir("tagged_unfinished_read");
  LeaveUnfinishedRewrite(dir, kUnfinished[2]);
  MFileTagged file;
  CHECK(file.OPEN_READ(MFileName(dir.Win(L"doc.zor").c_str())));
  MTag* first = file.NEXT_TAG(nullptr, false);
  CHECK(first != nullptr && std::string(first->m_name) == "B" &&
        file.NEXT_TAG(first, false) == nullptr);
  CHECK(file.CLOSE());
  CHECK(UnfinishedRewriteUntouched(dir, kUnfinished[2]));
}

// When the backup cannot be moved back the open fails and changes nothing.
TEST(BackupThatCannotBeRestoredFailsTheOpen) {
  ScratchDir dir("tagged_unfinished_fail");
  const unsigned short modes[] = {MFile::MODE_WRITE, MFile::MODE_UPDATE};
  for (unsigned short mode : modes) {
    LeaveUnfinishedRewrite(dir, kUnfinished[2]);
    MFileTagged file;
    {
      zb::platform::ScopedFault fault(FaultPoint::kRename, 1, EIO);
      CHECK(mode == MFile::MODE_WRITE ? !file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str()))
                                      : !file.OPEN_UPDATE(MFileName(dir.Win(L"doc.zor").c_str())));
    }
    CHECK(!file.IS_OPEN());
    CHECK(file.GET_RESULT() != 0);
    CHECK(UnfinishedRewriteUntouched(dir, kUnfinished[2]));
  }
}

// A read-only document is refused before anything is renamed.
TEST(ReadOnlyDocumentIsNotRewritten) {
  ScratchDir dir("tagged_readonly");
  dir.Put("doc.zor", OldDocument());
  const std::wstring path = dir.Win(L"doc.zor");
  CHECK(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  MFileTagged file;
  CHECK(!file.OPEN_WRITE(MFileName(path.c_str())));
  CHECK_EQUAL(5u, file.GET_RESULT());
  CHECK(dir.Get("doc.zor") == OldDocument());
  CHECK(!dir.Exists("doc.bak"));
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A backup that cannot be deleted at the end would be restored by the next open: the rewrite has
// not taken effect, and CLOSE must say so.
TEST(BackupThatCannotBeDeletedFailsTheClose) {
  ScratchDir dir("tagged_undeletable");
  dir.Put("doc.zor", OldDocument());
  CountingReporter reporter;
  ReporterScope scope(&reporter);
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  MTag b("B");
  CHECK(file.WRITE_TAG_BEGIN(b) && file.WRITE("new-b!", 6) == 6 && file.WRITE_TAG_END(b));
  const std::wstring backup = dir.Win(L"doc.bak");
  CHECK(SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_READONLY));
  CHECK(!file.CLOSE());
  CHECK_EQUAL(5u, file.GET_RESULT());
  CHECK_EQUAL(1, reporter.failures);
  CHECK(dir.Get("doc.bak") == OldDocument());
  SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
  CHECK(RewriteB(dir.Win(L"doc.zor")));
  CHECK(dir.Get("doc.zor") == NewDocument());
  CHECK(!dir.Exists("doc.bak"));
}

// The deletion of the backup must reach the device too: were it lost, the next open would restore
// the backup and undo a rewrite that CLOSE had reported done. The last flush of a rewrite is that
// of the directory after the deletion; when it fails, CLOSE says so.
TEST(UnflushedDeletionOfTheBackupFailsTheClose) {
  ScratchDir dir("tagged_unflushed_delete");
  dir.Put("doc.zor", OldDocument());
  std::uint64_t flushes = 0;
  {
    zb::platform::ScopedFault probe(FaultPoint::kFlush, ~std::uint64_t{0} - 1, EIO);
    CHECK(RewriteB(dir.Win(L"doc.zor")));
    flushes = zb::platform::FaultCallCount(FaultPoint::kFlush);
  }
  dir.Put("doc.zor", OldDocument());
  {
    zb::platform::ScopedFault fault(FaultPoint::kFlush, flushes, EIO);
    CHECK(!RewriteB(dir.Win(L"doc.zor")));
  }
  CHECK(dir.Get("doc.zor") == NewDocument());
  CHECK(!dir.Exists("doc.bak"));
}

TEST(FullDiskAtCloseKeepsTheBackupAndReports) {
  ScratchDir dir("tagged_full");
  dir.Put("doc.zor", OldDocument());
  CountingReporter reporter;
  ReporterScope scope(&reporter);
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  MTag b("B");
  file.WRITE_TAG_BEGIN(b);
  file.WRITE("new-b!", 6);
  file.WRITE_TAG_END(b);
  {
    zb::platform::ScopedFault fault(FaultPoint::kWrite, 1, ENOSPC, zb::platform::kFaultForever);
    CHECK(!file.CLOSE());
  }
  CHECK_EQUAL(29u, file.GET_RESULT());
  CHECK_EQUAL(1, reporter.failures);
  CHECK(reporter.failure_name == dir.Win(L"doc.zor"));
  CHECK_EQUAL(0, reporter.failure_code);
  CHECK(dir.Get("doc.bak") == OldDocument());
}

// The disk fills up at each write of the close in turn; a retry once there is room again keeps
// every record of the old document that it does not rewrite.
TEST(RetryAfterFullDiskAtCloseKeepsEveryRecord) {
  ScratchDir dir("tagged_full_retry");
  // Records large enough that the carry-over takes several writes.
  const std::string big_a(300000, 'a');
  const std::string old_doc = TagHead() + TagRecord("A", 2, 1, big_a) +
                              TagRecord("B", 2, 1, "old-b") + TagRecord("C", 2, 1, "old-c");
  const std::string new_doc = TagHead() + TagRecord("B", 2, 1, "new-b!") +
                              TagRecord("A", 2, 1, big_a) + TagRecord("C", 2, 1, "old-c");
  const std::wstring path = dir.Win(L"doc.zor");
  // Closes a rewrite of B with a write fault injected from the nth write of the close on (none
  // when nth is 0); the number of writes the close made and its answer.
  auto close_with_full_disk = [&](std::uint64_t nth, bool* closed) {
    MFileTagged file;
    CHECK(file.OPEN_WRITE(MFileName(path.c_str())));
    MTag b("B");
    CHECK(file.WRITE_TAG_BEGIN(b) && file.WRITE("new-b!", 6) == 6 && file.WRITE_TAG_END(b));
    zb::platform::ScopedFault fault(FaultPoint::kWrite, nth == 0 ? ~std::uint64_t{0} - 1 : nth,
                                    ENOSPC, zb::platform::kFaultForever);
    *closed = file.CLOSE();
    if (!*closed) CHECK_EQUAL(29u, file.GET_RESULT());
    return zb::platform::FaultCallCount(FaultPoint::kWrite);
  };
  dir.Put("doc.zor", old_doc);
  bool closed = false;
  const std::uint64_t writes = close_with_full_disk(0, &closed);
  CHECK(closed && writes >= 2);
  for (std::uint64_t nth = 1; nth <= writes; ++nth) {
    dir.Put("doc.zor", old_doc);
    close_with_full_disk(nth, &closed);
    CHECK(!closed);
    CHECK(dir.Get("doc.bak") == old_doc);
    CHECK(dir.Get("doc.zor") != new_doc);
    CHECK(RewriteB(path));
    CHECK(dir.Get("doc.zor") == new_doc);
    CHECK(!dir.Exists("doc.bak"));
  }
}

TEST(UnopenableBackupAtCloseKeepsTheBackupAndReports) {
  ScratchDir dir("tagged_nobackup");
  dir.Put("doc.zor", OldDocument());
  CountingReporter reporter;
  ReporterScope scope(&reporter);
  MFileTagged file;
  CHECK(file.OPEN_WRITE(MFileName(dir.Win(L"doc.zor").c_str())));
  {
    zb::platform::ScopedFault fault(FaultPoint::kOpen, 1, EACCES);
    CHECK(!file.CLOSE());
  }
  CHECK(file.GET_RESULT() != 0);
  CHECK_EQUAL(1, reporter.failures);
  CHECK(dir.Get("doc.bak") == OldDocument());
}

// Fails the Nth write, flush, rename or open of a whole rewrite (once, or for good from then on,
// as a device that stops working or a process that dies there would), for every N that the
// rewrite reaches. Afterwards the old document must be intact under its own name or as its
// backup, unless the new document is complete and the backup gone (which a reported success
// requires); and a retry must give the complete new document.
TEST(FaultAtEveryStepOfARewriteNeverLosesTheDocument) {
  ScratchDir dir("tagged_faults");
  const std::wstring path = dir.Win(L"doc.zor");
  const FaultPoint points[] = {FaultPoint::kWrite, FaultPoint::kFlush, FaultPoint::kRename,
                               FaultPoint::kOpen};
  const std::uint64_t counts[] = {1, zb::platform::kFaultForever};
  const int errors[] = {EIO, ENOSPC};
  int cases = 0;
  for (FaultPoint point : points) {
    // Count the calls a clean rewrite makes at this point.
    dir.Put("doc.zor", OldDocument());
    std::uint64_t calls = 0;
    {
      zb::platform::ScopedFault probe(point, ~std::uint64_t{0} - 1, EIO);
      CHECK(RewriteB(path));
      calls = zb::platform::FaultCallCount(point);
    }
    CHECK(calls > 0);
    for (std::uint64_t n = 1; n <= calls; ++n) {
      for (std::uint64_t count : counts) {
        for (int error : errors) {
          dir.Put("doc.zor", OldDocument());
          std::remove(dir.Native("doc.bak").c_str());
          bool reported_ok = false;
          {
            zb::platform::ScopedFault fault(point, n, error, count);
            reported_ok = RewriteB(path);
          }
          ++cases;
          const std::string now = dir.Get("doc.zor");
          const bool backup = dir.Exists("doc.bak");
          if (reported_ok) {
            CHECK(now == NewDocument());
            CHECK(!backup);
          } else {
            // The old document is whole under either name; or the failure came only after the
            // backup was deleted (flushing that deletion to the device failed) and the complete
            // new document has taken its place.
            const bool intact = now == OldDocument() || dir.Get("doc.bak") == OldDocument() ||
                                (now == NewDocument() && !backup);
            CHECK(intact);
            if (!intact) {
              printf("point %d call %llu count %llu lost the document\n", static_cast<int>(point),
                     static_cast<unsigned long long>(n), static_cast<unsigned long long>(count));
            }
          }
          // Whatever the failure left, a retry gives the complete new document.
          CHECK(RewriteB(path));
          CHECK(dir.Get("doc.zor") == NewDocument());
          CHECK(!dir.Exists("doc.bak"));
        }
      }
    }
  }
  CHECK(cases > 20);
}

#ifndef _WIN32  // the writer is a forked copy of the test process, which Windows cannot make
// Ends a process that rewrites a large document at every open, write, flush and rename the
// rewrite makes (the mark, the rename, the new records, the carry-over, the flushes, the deletion
// of the backup), counted by call, not by time. Wherever it dies, the old document is whole under
// its own name or as its backup, and the next rewrite loses nothing of it.
TEST(ProcessKilledWhileRewritingLeavesTheOldDocument) {
  ScratchDir dir("tagged_kill");
  const std::string big_a(3 << 20, 'a');
  const std::string big_c(3 << 20, 'c');
  const std::string old_doc = TagHead() + TagRecord("A", 2, 1, big_a) +
                              TagRecord("B", 2, 1, "old-b") + TagRecord("C", 2, 1, big_c);
  const std::string new_doc = TagHead() + TagRecord("B", 2, 1, "new-b!") +
                              TagRecord("A", 2, 1, big_a) + TagRecord("C", 2, 1, big_c);
  const std::wstring path = dir.Win(L"doc.zor");
  const FaultPoint points[] = {FaultPoint::kOpen, FaultPoint::kWrite, FaultPoint::kFlush,
                               FaultPoint::kRename};
  int kills = 0;
  for (FaultPoint point : points) {
    // The calls a whole rewrite makes at this point.
    dir.Put("doc.zor", old_doc);
    std::uint64_t calls = 0;
    {
      zb::platform::ScopedFault probe(point, ~std::uint64_t{0} - 1, EIO);
      CHECK(RewriteB(path));
      calls = zb::platform::FaultCallCount(point);
    }
    CHECK(dir.Get("doc.zor") == new_doc);
    CHECK(calls > 0);
    for (std::uint64_t n = 1; n <= calls; ++n) {
      dir.Put("doc.zor", old_doc);
      std::remove(dir.Native("doc.bak").c_str());
      const pid_t child = fork();
      if (child == 0) {
        zb::platform::InjectFault(point, n, zb::platform::kFaultEndProcess);
        RewriteB(path);
        _exit(0);
      }
      CHECK(child > 0);
      if (child <= 0) return;
      int status = 0;
      waitpid(child, &status, 0);
      CHECK(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
      ++kills;
      if (dir.Exists("doc.bak")) {
        CHECK(dir.Get("doc.bak") == old_doc);
      } else {
        const std::string now = dir.Get("doc.zor");
        CHECK(now == old_doc || now == new_doc);
      }
      CHECK(RewriteB(path));
      CHECK(dir.Get("doc.zor") == new_doc);
      CHECK(!dir.Exists("doc.bak"));
    }
  }
  CHECK(kills >= 8);
}

// A process that dies after writing its new record but before closing, and one that dies in the
// middle of the carry-over (its disk full from the first carried block on, then killed): the next
// writer finds everything the old document held.
TEST(NextWriteAfterAKilledRewriteLosesNothing) {
  ScratchDir dir("tagged_kill_retry");
  const std::string big_a(1 << 20, 'a');
  const std::string old_doc = TagHead() + TagRecord("A", 2, 1, big_a) +
                              TagRecord("B", 2, 1, "old-b") + TagRecord("C", 2, 1, "old-c");
  const std::string new_doc = TagHead() + TagRecord("B", 2, 1, "new-b!") +
                              TagRecord("A", 2, 1, big_a) + TagRecord("C", 2, 1, "old-c");
  const std::wstring path = dir.Win(L"doc.zor");
  for (int stop = 0; stop < 2; ++stop) {
    dir.Put("doc.zor", old_doc);
    const pid_t child = fork();
    if (child == 0) {
      MFileTagged file;
      file.OPEN_WRITE(MFileName(path.c_str()));
      MTag b("B");
      file.WRITE_TAG_BEGIN(b);
      file.WRITE("new-b!", 6);
      file.WRITE_TAG_END(b);
      file.FLUSH();
      if (stop == 1) {
        zb::platform::InjectFault(FaultPoint::kWrite, 2, ENOSPC, zb::platform::kFaultForever);
        file.CLOSE();
      }
      kill(getpid(), SIGKILL);
      _exit(0);
    }
    CHECK(child > 0);
    if (child <= 0) break;
    int status = 0;
    waitpid(child, &status, 0);
    CHECK(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    CHECK(dir.Get("doc.bak") == old_doc);
    CHECK(dir.Get("doc.zor") != old_doc);
    CHECK(RewriteB(path));
    CHECK(dir.Get("doc.zor") == new_doc);
    CHECK(!dir.Exists("doc.bak"));
  }
}
#endif

}  // SUITE(MFileTagged)
