#include <zorbase/selftest/internal/builtin_registry.h>

namespace zb {
namespace selftest_internal {

UnitTest::TestList& BuiltinTests() {
  static UnitTest::TestList list;
  return list;
}

BuiltinTestsJoined::BuiltinTestsJoined() {
  UnitTest::Test* ours = BuiltinTests().GetHead();
  UnitTest::Test* tail = UnitTest::Test::GetTestList().GetHead();
  if (ours == nullptr || tail == nullptr) return;
  for (;; tail = tail->m_nextTest) {
    if (tail == ours) return;  // already joined by an outer run
    if (tail->m_nextTest == nullptr) break;
  }
  tail->m_nextTest = ours;
  linked_tail_ = tail;
}

BuiltinTestsJoined::~BuiltinTestsJoined() {
  if (linked_tail_ != nullptr) linked_tail_->m_nextTest = nullptr;
}

}  // namespace selftest_internal
}  // namespace zb
