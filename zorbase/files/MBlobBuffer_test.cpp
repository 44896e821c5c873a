#include <zorbase/files/MBlobBuffer.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Reaches the protected resize and free operations.
class BlobProbe : public MBlobBuffer {
 public:
  using MBlobBuffer::__Create_with_threshold;
};

std::vector<unsigned char> Bytes(std::size_t n, unsigned char first = 0) {
  std::vector<unsigned char> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(first + i * 7);
  return bytes;
}

}  // namespace

SUITE(MBlobBuffer) {

TEST(CapacitiesGrowInSteps) {
  MBlobBuffer blob;
  const auto big = Bytes(2000);
  CHECK(blob.Create(big.data(), 1000) != nullptr);
  CHECK_EQUAL(1024u, blob.GetCapacity());
  CHECK_EQUAL(1000u, blob.GetSize());
  const unsigned char* block = blob.GetData();
  // 10 bytes leave 1014 unused: the block is kept.
  CHECK(blob.Create(big.data() + 5, 10) == block);
  CHECK_EQUAL(1024u, blob.GetCapacity());
  CHECK_EQUAL(10u, blob.GetSize());
  CHECK(std::memcmp(blob.GetData(), big.data() + 5, 10) == 0);
  CHECK(blob.Create(big.data(), 2000) != nullptr);
  CHECK_EQUAL(2048u, blob.GetCapacity());
  CHECK(std::memcmp(blob.GetData(), big.data(), 2000) == 0);
}

TEST(GrowthRuleTable) {
  // {old size, new size, capacity after}
  struct Case {
    std::size_t first, second, capacity;
  } const cases[] = {
      {0, 1024, 2048},     // a new block for exactly a step: rounded past it
      {1, 1024, 1024},     // fits the block of the first size exactly: kept
      {0, 1023, 1024},
      {3000, 2048, 3072},  // 1024 unused: kept
      {3000, 2047, 2048},  // 1025 unused: a new, smaller block
      {100, 5000, 5120},
  };
  for (const auto& c : cases) {
    MBlobBuffer blob;
    const auto src = Bytes(6000);
    blob.Create(src.data(), c.first);
    blob.Create(src.data(), c.second);
    CHECK_EQUAL(c.second, blob.GetSize());
    CHECK_EQUAL(c.capacity, blob.GetCapacity());
  }
}

TEST(ZeroFreesEverything) {
  MBlobBuffer blob;
  const auto src = Bytes(10);
  blob.Create(src.data(), 10);
  CHECK(blob.Create(src.data(), 0) == nullptr);
  CHECK(blob.GetData() == nullptr);
  CHECK_EQUAL(0u, blob.GetCapacity());
  CHECK_EQUAL(0u, blob.GetSize());
}

TEST(SourceInsideTheBuffer) {
  MBlobBuffer blob;
  const auto src = Bytes(3000, 1);
  blob.Create(src.data(), 3000);
  // Same pointer and size: nothing happens.
  unsigned char* data = blob.GetData();
  CHECK(blob.Create(data, 3000) == data);
  // A tail of the buffer itself becomes the whole content.
  CHECK(blob.Create(blob.GetData() + 1000, 1500) != nullptr);
  CHECK_EQUAL(1500u, blob.GetSize());
  CHECK(std::memcmp(blob.GetData(), src.data() + 1000, 1500) == 0);
  // A range reaching past the valid bytes is refused and changes nothing.
  unsigned char* before = blob.GetData();
  CHECK(blob.Create(blob.GetData() + 1000, 600) == nullptr);
  CHECK(blob.GetData() == before);
  CHECK_EQUAL(1500u, blob.GetSize());
}

TEST(NullSourceRefused) {
  MBlobBuffer blob;
  CHECK(blob.Create(nullptr, 10) == nullptr);
  CHECK_EQUAL(0u, blob.GetSize());
}

TEST(ThresholdResizeKeepsOrDrops) {
  BlobProbe blob;
  const auto src = Bytes(100, 3);
  blob.Create(src.data(), 100);
  // Relative growth by 2000 with keep: the old 100 bytes survive in the larger block.
  CHECK(blob.__Create_with_threshold(2000, 1, 1) != nullptr);
  CHECK_EQUAL(2100u, blob.GetSize());
  CHECK_EQUAL(3072u, blob.GetCapacity());
  CHECK(std::memcmp(blob.GetData(), src.data(), 100) == 0);
  // Shrinking within the threshold keeps the block and its bytes.
  CHECK(blob.__Create_with_threshold(-100, 1, 1) != nullptr);
  CHECK_EQUAL(2000u, blob.GetSize());
  CHECK(std::memcmp(blob.GetData(), src.data(), 100) == 0);
  // A negative result is refused.
  CHECK(blob.__Create_with_threshold(-5000, 1, 1) == nullptr);
  CHECK_EQUAL(2000u, blob.GetSize());
  CHECK(blob.__Create_with_threshold(0, 0, 0) == nullptr);
  CHECK_EQUAL(0u, blob.GetCapacity());
}

TEST(CopyAndMove) {
  MBlobBuffer blob;
  const auto src = Bytes(50);
  blob.Create(src.data(), 50);
  MBlobBuffer copy(blob);
  CHECK(copy.GetData() != blob.GetData());
  CHECK_EQUAL(1024u, copy.GetCapacity());
  CHECK(std::memcmp(copy.GetData(), src.data(), 50) == 0);
  MBlobBuffer moved(std::move(copy));
  CHECK(copy.GetData() == nullptr);
  CHECK_EQUAL(50u, moved.GetSize());
  blob = moved;
  CHECK_EQUAL(50u, blob.GetSize());
}

}  // SUITE(MBlobBuffer)
