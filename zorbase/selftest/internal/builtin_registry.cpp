#include <zorbase/selftest/internal/builtin_registry.h>

#include <UnitTest++/Test.h>
#include <UnitTest++/TestList.h>

#include <vector>

namespace zb {
namespace selftest_internal {
namespace {

// The tests taken from the private list, in order, while they are in the global list.
std::vector<UnitTest::Test*>& Registered() {
  static std::vector<UnitTest::Test*> tests;
  return tests;
}

// UnitTest++ 2.0's TestList is the pair {head, tail} with no way to remove an entry; unlinking the
// head or the tail needs to set them.
struct TestListLayout {
  UnitTest::Test* head;
  UnitTest::Test* tail;
};
static_assert(sizeof(TestListLayout) == sizeof(UnitTest::TestList), "UnitTest++ TestList layout");

}  // namespace

bool BuiltinSelfTestsJoined() { return !Registered().empty(); }

void JoinGlobalList(UnitTest::Test* test) {
  test->m_nextTest = nullptr;
  Registered().push_back(test);
  UnitTest::Test::GetTestList().Add(test);
}

void UnregisterBuiltinSelfTests() {
  std::vector<UnitTest::Test*>& ours = Registered();
  if (ours.empty()) return;
  auto is_ours = [&ours](const UnitTest::Test* t) {
    for (const UnitTest::Test* o : ours) {
      if (o == t) return true;
    }
    return false;
  };
  TestListLayout* list = reinterpret_cast<TestListLayout*>(&UnitTest::Test::GetTestList());
  UnitTest::Test* previous = nullptr;
  for (UnitTest::Test* t = list->head; t != nullptr;) {
    UnitTest::Test* next = t->m_nextTest;
    if (is_ours(t)) {
      if (previous == nullptr) {
        list->head = next;
      } else {
        previous->m_nextTest = next;
      }
      if (list->tail == t) list->tail = previous;
      t->m_nextTest = nullptr;
    } else {
      previous = t;
    }
    t = next;
  }
  ours.clear();
}

}  // namespace selftest_internal
}  // namespace zb
