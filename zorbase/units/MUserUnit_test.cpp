#include <zorbase/units/MUserUnit.h>

#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/stdbase/MInternalUnits.h>
#include <zorbase/units/IUserUnitDependent.h>
#include <zorbase/units/MUnit.h>

namespace {

using StdBase::MInternalUnits;

// Puts the process's user unit and scale back after each test.
struct UserUnitScope {
  double units = MInternalUnits::mg_instance.m_internal_units;
  UserUnitScope() { MInternalUnits::mg_instance.Set(10000); }
  ~UserUnitScope() {
    MUserUnit::GetInstance().SetUnit(MUserUnit::UNIT_MM);
    MInternalUnits::mg_instance.Set(units);
  }
};

struct Dependent : IUserUnitDependent {
  int calls = 0;
  Dependent* victim = nullptr;
  bool fail = false;
  void OnUserUnitChanged() override {
    ++calls;
    if (victim != nullptr) MUserUnit::GetInstance().RemoveUserUnitListener(victim);
    if (fail) throw std::runtime_error("dependent failed");
  }
  Dependent() = default;
  Dependent(const Dependent& other) : IUserUnitDependent(other) {}
};

}  // namespace

SUITE(MUserUnit) {

TEST(ProcessUserUnitStartsInMillimetres) {
  UserUnitScope scope;
  CHECK_EQUAL(MUserUnit::UNIT_MM, MUserUnit::GetInstance().GetUnit());
  CHECK_EQUAL(1.0, MInternalUnits::mg_instance.GetConversionFactor());
  // Without a resource-string wrapper the names are empty.
  CHECK(std::wstring(MUserUnit::GetInstance().GetName()).empty());
  CHECK(std::wstring(MUserUnit::GetInstance().GetAbbreviation()).empty());
}

TEST(InchConversions) {
  UserUnitScope scope;
  MUserUnit inch(MUserUnit::UNIT_INCH);
  const struct {
    double actual;
    double expected;
  } cases[] = {
      {static_cast<double>(inch.ConvertFromUIToStlUnits(1.0)), 254000.0},
      {inch.ConvertFromStlUnitsToUI(254000), 1.0},
      {inch.ConvertFromUIToMm(2.0), 50.8},
      {inch.ConvertFromMmToUI(50.8), 2.0},
      {inch.ConvertFromUIToMmSquare(1.0), 645.16},
      {inch.ConvertFromMmSquareToUI(645.16), 1.0},
      {inch.ConvertFromUIToMmCubed(1.0), 16387.064},
      {inch.ConvertFromMmCubedToUI(16387.064), 1.0},
      {inch.ConvertFromUIToStlUnitsSquare(1.0), 645.16e8},
      {inch.ConvertFromStlUnitsSquareToUI(645.16e8), 1.0},
      {inch.ConvertFromUIToStlUnitsCubed(1.0), 16387.064e12},
      {inch.ConvertFromStlUnitsCubedToUI(16387.064e12), 1.0},
  };
  for (const auto& c : cases) CHECK_CLOSE(c.expected, c.actual, c.expected * 1e-12);
  // A local user unit does not touch the sibling library's conversion factor.
  CHECK_EQUAL(1.0, MInternalUnits::mg_instance.GetConversionFactor());
  CHECK_EQUAL(INT32_MAX, inch.ConvertFromUIToStlUnits(1e9));
}

TEST(PrintingIsBounded) {
  UserUnitScope scope;
  MUserUnit inch(MUserUnit::UNIT_INCH);
  wchar_t buffer[32];
  inch.PrintMmInUI(buffer, 32, 25.4, true);
  CHECK(std::wstring(buffer) == L"    1 ");  // "%5.3g" of 1, a blank, the (empty) abbreviation
  inch.PrintStlUnitsInUI(buffer, 32, 508000, false);
  CHECK(std::wstring(buffer) == L"    2");
  MUserUnit mm(MUserUnit::UNIT_MM);
  mm.PrintMmInUI(buffer, 32, 1234.5, false);
  CHECK(std::wstring(buffer) == L"1.2e+03");
  mm.PrintMmInUI(buffer, 4, 1234.5, false);
  CHECK(std::wstring(buffer) == L"1.2");  // cut to fit
  mm.PrintMmInUI(buffer, 6, 1.0, true);
  CHECK(std::wstring(buffer).empty());  // "    1 " needs 7 characters: the suffix does not fit
  mm.PrintMmInUI(nullptr, 10, 1.0, true);
  buffer[0] = L'x';
  mm.PrintMmInUI(buffer, 0, 1.0, true);
  CHECK_EQUAL(L'x', buffer[0]);
}

TEST(ChangeOfTheProcessUnitReachesEveryDependentOnce) {
  UserUnitScope scope;
  Dependent a, b;
  Dependent copy(a);
  MUserUnit::GetInstance().SetUnit(MUserUnit::UNIT_INCH);
  CHECK_EQUAL(1, a.calls);
  CHECK_EQUAL(1, b.calls);
  CHECK_EQUAL(0, copy.calls);
  CHECK_EQUAL(25.4, MInternalUnits::mg_instance.GetConversionFactor());
  CHECK_EQUAL(254000, MUnit::GetISU());
  MUserUnit::GetInstance().SetUnit(MUserUnit::UNIT_INCH);  // the same unit: nobody is told
  CHECK_EQUAL(1, a.calls);
  MUserUnit::GetInstance().SetUnit(static_cast<MUserUnit::UNIT_TYPE>(7));  // unknown: stored only
  CHECK_EQUAL(7, MUserUnit::GetInstance().GetUnit());
  CHECK_EQUAL(25.4, MInternalUnits::mg_instance.GetConversionFactor());
  CHECK_EQUAL(1, a.calls);
  MUserUnit::GetInstance().SetUnit(MUserUnit::UNIT_MM);
  CHECK_EQUAL(2, a.calls);
  CHECK_EQUAL(1.0, MInternalUnits::mg_instance.GetConversionFactor());
}

TEST(DependentsMayRemoveOthersOrThrow) {
  UserUnitScope scope;
  Dependent* first = new Dependent;
  Dependent* second = new Dependent;
  Dependent* lower = first < second ? first : second;
  Dependent* higher = first < second ? second : first;
  lower->victim = higher;  // told first (by address), removes the other
  lower->fail = true;
  CHECK_THROW(MUserUnit::GetInstance().SetUnit(MUserUnit::UNIT_INCH), std::runtime_error);
  CHECK_EQUAL(1, lower->calls);
  CHECK_EQUAL(0, higher->calls);
  CHECK_EQUAL(MUserUnit::UNIT_INCH, MUserUnit::GetInstance().GetUnit());
  delete first;
  delete second;
}

}
