// A document written front to back hands its full buffers to a background writer. These tests
// make the disk fail under it: a failed background write must lose nothing, and the failure must
// still reach the host and keep the old document.
#include <zorbase/tagged/MFileTagged.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>

#include <zorbase/files/MFileName.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/tagged/internal/test_records.h>

using zb::platform::FaultPoint;
using zb::test::ScratchDir;
using zb::test::TagHead;
using zb::test::TagRecord;

namespace {

// Enough small records for about nine full buffers of the tagged file (262144 bytes each).
constexpr int kRecords = 60000;

std::string Payload(int i) { return "rec-" + std::to_string(1000000 + i); }

// The bytes of the document the writer below makes.
std::string Expected() {
  std::string doc = TagHead();
  for (int i = 0; i < kRecords; ++i) doc += TagRecord("REC", 2, 1, Payload(i));
  return doc;
}

// Writes the document record by record; false as soon as a record cannot be written.
bool WriteRecords(MFileTagged& file) {
  for (int i = 0; i < kRecords; ++i) {
    MTag tag("REC");
    const std::string payload = Payload(i);
    if (!file.WRITE_TAG_BEGIN(tag) || file.WRITE(payload.data(), payload.size()) != payload.size() ||
        !file.WRITE_TAG_END(tag)) {
      return false;
    }
  }
  return true;
}

}  // namespace

SUITE(MFileTaggedWriteBehind) {

// The disk refuses one write (the first to the sixth in turn) and then has room again. A write
// that was reported (a record end that patches a header no longer buffered writes at once) fails
// its call; a background write that failed is placed by the next flush. Either way, when every
// call succeeded the document is whole and exact, and the failure is recorded. The first write is
// always a background one.
TEST(OneFailedWriteLosesNothing) {
  ScratchDir dir("tagged_behind_once");
  const std::wstring path = dir.Win(L"doc.zor");
  for (std::uint64_t nth = 1; nth <= 6; ++nth) {
    std::remove(dir.Native("doc.zor").c_str());
    MFileTagged file;
    CHECK(file.OPEN_WRITE(MFileName(path.c_str())));
    bool written = false;
    bool closed = false;
    {
      zb::platform::ScopedFault fault(FaultPoint::kWrite, nth, ENOSPC);
      written = WriteRecords(file);
      closed = file.CLOSE();
    }
    CHECK(written || nth > 1);
    if (written && closed) CHECK(dir.Get("doc.zor") == Expected());
    CHECK_EQUAL(29u, file.GET_RESULT());
  }
}

// The disk stays full from the nth write on while a document is rewritten: writing stops with a
// short count, CLOSE fails, the old document stays as the backup, and a retry once there is room
// again writes the whole new document.
TEST(FullDiskDuringRewriteKeepsTheOldDocument) {
  ScratchDir dir("tagged_behind_full");
  const std::wstring path = dir.Win(L"doc.zor");
  const std::string old_doc = TagHead() + TagRecord("OLD", 2, 1, "old");
  for (std::uint64_t nth = 1; nth <= 3; ++nth) {
    dir.Put("doc.zor", old_doc);
    {
      MFileTagged file;
      CHECK(file.OPEN_WRITE(MFileName(path.c_str())));
      zb::platform::ScopedFault fault(FaultPoint::kWrite, nth, ENOSPC, zb::platform::kFaultForever);
      CHECK(!WriteRecords(file));
      CHECK(!file.CLOSE());
      CHECK(file.GET_RESULT() != 0u);
    }
    CHECK(dir.Get("doc.bak") == old_doc);
    MFileTagged retry;
    CHECK(retry.OPEN_WRITE(MFileName(path.c_str())));
    CHECK(WriteRecords(retry));
    CHECK(retry.CLOSE());
    CHECK(dir.Get("doc.zor") == Expected() + TagRecord("OLD", 2, 1, "old"));
    CHECK(!dir.Exists("doc.bak"));
  }
}

}  // SUITE(MFileTaggedWriteBehind)
