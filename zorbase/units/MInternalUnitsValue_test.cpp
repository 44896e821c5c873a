#include <zorbase/units/MInternalUnitsValue.h>

#include <climits>
#include <cstdint>

#include <UnitTest++/UnitTest++.h>

namespace {

struct InternalUnitsScope {
  double previous = IInternalUnitsObserver::GetInternalUnits();
  explicit InternalUnitsScope(double units) { IInternalUnitsObserver::SetInternalUnits(units); }
  ~InternalUnitsScope() { IInternalUnitsObserver::SetInternalUnits(previous); }
};

// Calls the handler directly, as the singleton would.
template <class T, int N>
struct Probe : MInternalUnitsValue<T, N> {
  bool Change(double from, double to, bool convert) {
    bool (Probe::*handler)(const double&, const double&, bool) = &Probe::_OnInternalUnitsChange;
    return (this->*handler)(from, to, convert);
  }
};

}  // namespace

SUITE(MInternalUnitsValue) {

TEST(DefaultScaleConversions) {
  {
    InternalUnitsScope scope(10000);
    MInternalUnitsValue<int, 1> v;
    v.SetInDefaultInternalUnits(123);
    CHECK_EQUAL(123, static_cast<int>(v));
    CHECK_EQUAL(123, v.GetInDefaultInternalUnits());
  }
  {
    InternalUnitsScope scope(1000);
    MInternalUnitsValue<int, 1> v;
    v.SetInDefaultInternalUnits(1230);
    CHECK_EQUAL(123, static_cast<int>(v));
    CHECK_EQUAL(1230, v.GetInDefaultInternalUnits());
  }
  {
    InternalUnitsScope scope(3000);
    MInternalUnitsValue<int, 1> v;
    v.SetInDefaultInternalUnits(333);  // 99.9 truncated
    CHECK_EQUAL(99, static_cast<int>(v));
    v.SetInDefaultInternalUnits(334);  // 100.2 truncated
    CHECK_EQUAL(100, static_cast<int>(v));
    CHECK_EQUAL(333, v.GetInDefaultInternalUnits());  // 333.33 truncated
  }
  {
    InternalUnitsScope scope(5000);
    MInternalUnitsValue<double, 2> area;
    area.SetInDefaultInternalUnits(16.0);
    CHECK_EQUAL(4.0, static_cast<double>(area));
    CHECK_EQUAL(16.0, area.GetInDefaultInternalUnits());
  }
}

TEST(HandlerRescalesByTheRatioToThePowerN) {
  InternalUnitsScope scope(10000);
  Probe<int, 1> l;
  l.SetInDefaultInternalUnits(5005);
  CHECK(l.Change(10000, 1000, true));
  CHECK_EQUAL(500, static_cast<int>(l));  // 500.5 truncated
  Probe<double, 3> volume;
  volume.SetInDefaultInternalUnits(1.0e9);
  CHECK(volume.Change(10000, 1000, true));
  CHECK_CLOSE(1.0e6, static_cast<double>(volume), 1e-6);
  CHECK(volume.Change(1000, 1, false));  // no conversion, still true
  CHECK_CLOSE(1.0e6, static_cast<double>(volume), 1e-6);
}

TEST(ChangeOfScaleRescalesEveryLiveValueButNotCopies) {
  InternalUnitsScope scope(10000);
  MInternalUnitsValue<long, 1> length;
  MInternalUnitsValue<float, 2> area;
  MInternalUnitsValue<unsigned short, 1> small;
  length.SetInDefaultInternalUnits(5000);
  area.SetInDefaultInternalUnits(4.0e8f);
  small.SetInDefaultInternalUnits(60000);
  MInternalUnitsValue<long, 1> copy(length);
  CHECK(IInternalUnitsObserver::IsInternalUnitsChangeAllowed());
  CHECK(IInternalUnitsObserver::SetInternalUnits(1000));
  CHECK_EQUAL(500L, static_cast<long>(length));
  CHECK_EQUAL(4.0e6f, static_cast<float>(area));
  CHECK_EQUAL(6000, static_cast<int>(small));
  CHECK_EQUAL(5000L, static_cast<long>(copy));
  MInternalUnitsValue<long, 1> assigned;
  assigned = length;
  CHECK_EQUAL(500L, static_cast<long>(assigned));
  CHECK(!IInternalUnitsObserver::SetInternalUnits(-1));
}

TEST(ResultsOutsideTheTypeSaturate) {
  InternalUnitsScope scope(10000);
  Probe<short, 1> s;
  s.SetInDefaultInternalUnits(30000);
  s.Change(1, 10, true);
  CHECK_EQUAL(SHRT_MAX, static_cast<short>(s));
  Probe<short, 1> negative;
  negative.SetInDefaultInternalUnits(-30000);
  negative.Change(1, 10, true);
  CHECK_EQUAL(SHRT_MIN, static_cast<short>(negative));
  Probe<unsigned int, 1> u;
  u.SetInDefaultInternalUnits(UINT_MAX);
  CHECK_EQUAL(UINT_MAX, static_cast<unsigned int>(u));  // exact through 64 bits
  u.Change(1, -1, true);
  CHECK_EQUAL(0u, static_cast<unsigned int>(u));
  Probe<unsigned long, 1> big;
  big.SetInDefaultInternalUnits(ULONG_MAX);
  CHECK_EQUAL(ULONG_MAX, static_cast<unsigned long>(big));
}

}
