#include <zorbase/files/MBlobImpl.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <string>

namespace {

// Reaches the protected _Free.
class ImplProbe : public MBlobImpl {
 public:
  using MBlobImpl::_Free;
  using MBlobImpl::MBlobImpl;
};

}  // namespace

SUITE(MBlobImpl) {

TEST(HoldsAndFrees) {
  const std::string text = "blob bytes";
  ImplProbe blob(text.data(), text.size());
  CHECK_EQUAL(text.size(), blob.GetCount());
  CHECK(std::memcmp(blob.GetData(), text.data(), text.size()) == 0);
  ImplProbe copy(blob);
  CHECK(copy.GetData() != blob.GetData());
  blob._Free();
  CHECK(blob.GetData() == nullptr);
  CHECK_EQUAL(0u, blob.GetCount());
  CHECK_EQUAL(text.size(), copy.GetCount());
}

TEST(AssignFromItself) {
  const std::string text = "abcdef";
  MBlobImpl blob(text.data(), text.size());
  blob.Assign(blob.GetData() + 2, 3);
  CHECK_EQUAL(3u, blob.GetCount());
  CHECK(std::memcmp(blob.GetData(), "cde", 3) == 0);
  blob.Assign(nullptr, 4);
  CHECK_EQUAL(0u, blob.GetCount());
}

}  // SUITE(MBlobImpl)
