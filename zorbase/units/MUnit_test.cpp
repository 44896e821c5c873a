#include <zorbase/units/MUnit.h>

#include <climits>
#include <limits>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/stdbase/MInternalUnits.h>

namespace {

struct UnitProbe : MUnit {
  using MUnit::_Round;
};

// Sets the internal units for one test and puts the previous scale back.
struct InternalUnitsScope {
  double previous = StdBase::MInternalUnits::mg_instance.m_internal_units;
  explicit InternalUnitsScope(double units) { StdBase::MInternalUnits::mg_instance.Set(units); }
  ~InternalUnitsScope() { StdBase::MInternalUnits::mg_instance.Set(previous); }
};

}  // namespace

SUITE(MUnit) {

TEST(RoundingHalfAwayFromZeroWithinLong) {
  const struct {
    double x;
    LONG expected;
  } cases[] = {
      {2.5, 3},
      {-2.5, -3},
      {2.4999, 2},
      {-0.4, 0},
      {0.0, 0},
      {2147483646.6, INT32_MAX},
      {1e20, INT32_MAX},
      {-1e20, INT32_MIN},
      {std::numeric_limits<double>::infinity(), INT32_MAX},
      {std::numeric_limits<double>::quiet_NaN(), INT32_MIN},
  };
  for (const auto& c : cases) CHECK_EQUAL(c.expected, UnitProbe::_Round(c.x));
}

TEST(MillimetresAndInternalUnits) {
  InternalUnitsScope scope(10000);
  CHECK_EQUAL(12500, MUnit::ConvertFromMmToStlUnits(1.25));
  CHECK_EQUAL(1.5, MUnit::ConvertFromStlUnitsToMm(15000));
  CHECK_EQUAL(0.25, MUnit::ConvertFromStlUnitsToMmDbl(2500.0));
  CHECK_EQUAL(10000, MUnit::GetIE());
  CHECK_EQUAL(INT32_MAX, MUnit::ConvertFromMmToStlUnits(1e6));  // 1e10 does not fit a LONG
  CHECK_EQUAL(INT32_MIN, MUnit::ConvertFromMmToStlUnits(-1e6));
  CHECK_CLOSE(214748.3647, MUnit::ConvertFromStlUnitsToMm(INT32_MAX), 1e-9);
}

TEST(ScaleIsReadAtEveryCall) {
  InternalUnitsScope scope(1000);
  CHECK_EQUAL(1250, MUnit::ConvertFromMmToStlUnits(1.25));
  CHECK_EQUAL(1000, MUnit::GetIE());
}

}
