#include <zorbase/stdbase/MInternalUnits.h>

#include <cmath>
#include <limits>
#include <vector>

#include <UnitTest++/UnitTest++.h>

namespace {

using StdBase::MInternalUnits;

// Puts the process's scale back after each test.
struct ScaleRestorer {
  double units = MInternalUnits::mg_instance.m_internal_units;
  double factor = MInternalUnits::mg_instance.GetConversionFactor();
  ~ScaleRestorer() {
    MInternalUnits::mg_instance.Set(units);
    MInternalUnits::mg_instance.SetConversionFactor(factor);
  }
};

struct Recorder : StdBase::MInternalUnitsObserver {
  std::vector<double> seen;
  Recorder* victim = nullptr;  // destroyed from inside the notification
  bool try_nested_change = false;
  bool nested_result = true;
  bool _OnInternalUnitsChange(double oldUnits, double newUnits, bool convert) override {
    seen.push_back(oldUnits);
    seen.push_back(newUnits);
    seen.push_back(convert ? 1 : 0);
    if (victim != nullptr) {
      delete victim;
      victim = nullptr;
    }
    if (try_nested_change) nested_result = MInternalUnits::mg_instance.Set(1.0);
    return true;
  }
  Recorder() = default;
  Recorder(const Recorder& other) : StdBase::MInternalUnitsObserver(other) {}
};

}  // namespace

SUITE(StdBaseInternalUnits) {

TEST(ChangeReachesEveryRegisteredObserverOnce) {
  ScaleRestorer restore;
  MInternalUnits::mg_instance.Set(10000);
  Recorder a, b;
  CHECK(MInternalUnits::mg_instance.Set(1000));
  CHECK_EQUAL(3u, a.seen.size());
  CHECK_EQUAL(3u, b.seen.size());
  CHECK_EQUAL(10000.0, a.seen[0]);
  CHECK_EQUAL(1000.0, a.seen[1]);
  CHECK_EQUAL(1.0, a.seen[2]);
  CHECK_EQUAL(1000.0, MInternalUnits::mg_instance.m_internal_units);
  // The same value again is taken and reported to nobody.
  CHECK(MInternalUnits::mg_instance.Set(1000));
  CHECK_EQUAL(3u, a.seen.size());
}

TEST(CopiesAreNotRegisteredAndMayBeDestroyed) {
  ScaleRestorer restore;
  Recorder original;
  {
    Recorder copy(original);
    CHECK(MInternalUnits::mg_instance.Set(2500));
    CHECK(copy.seen.empty());
  }
  CHECK_EQUAL(3u, original.seen.size());
}

TEST(UnusableValuesAreRefused) {
  ScaleRestorer restore;
  const double before = MInternalUnits::mg_instance.m_internal_units;
  const double bad[] = {0.0, -5.0, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()};
  for (double value : bad) CHECK(!MInternalUnits::mg_instance.Set(value));
  CHECK_EQUAL(before, MInternalUnits::mg_instance.m_internal_units);
  MInternalUnits::mg_instance.SetConversionFactor(std::nan(""));
  CHECK_EQUAL(restore.factor, MInternalUnits::mg_instance.GetConversionFactor());
}

TEST(SecondMemberFollowsScaleAndConversionFactor) {
  ScaleRestorer restore;
  MInternalUnits::mg_instance.Set(10000);
  MInternalUnits::mg_instance.SetConversionFactor(25.4);
  CHECK_EQUAL(254000.0, MInternalUnits::mg_instance.m_internal_units_per_user_unit);
  MInternalUnits::mg_instance.Set(100);
  CHECK_CLOSE(2540.0, MInternalUnits::mg_instance.m_internal_units_per_user_unit, 1e-9);
}

TEST(ObserverDestroyedDuringChangeIsSkippedAndNestedChangeRefused) {
  ScaleRestorer restore;
  MInternalUnits::mg_instance.Set(10000);
  Recorder first;
  Recorder* second = new Recorder;
  first.victim = second;
  first.try_nested_change = true;
  CHECK(MInternalUnits::mg_instance.CanChange());
  CHECK(MInternalUnits::mg_instance.Set(4000));
  CHECK(!first.nested_result);
  CHECK_EQUAL(4000.0, MInternalUnits::mg_instance.m_internal_units);
  CHECK(first.victim == nullptr);  // the second was deleted before its turn and not called
}

}
