#include <zorbase/strings/internal/resource_text.h>

#include <string>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/progress/MProgress.h>
#include <zorbase/strings/IResStringWrapper.h>
#include <zorbase/units/MUserUnit.h>

namespace {

// Knows the unit names and one caption; fails for everything else.
class Wrapper : public IResStringWrapper {
 public:
  CString ZorResLoadStringEx(unsigned int id) override { return CString(Text(id).c_str()); }
  bool ZorResLoadStringEx(std::wstring& out, unsigned int id) override {
    out = Text(id);
    return !out.empty();
  }
  bool ZorResLoadStringEx(CString& out, unsigned int id) override {
    out = Text(id).c_str();
    return !Text(id).empty();
  }
  int ZorResLoadCharEx(wchar_t* buffer, unsigned int, unsigned int) override {
    if (buffer != nullptr) buffer[0] = 0;
    return 0;
  }

 private:
  static std::wstring Text(unsigned int id) {
    switch (id) {
      case 672: return L"mm";
      case 673: return L"millimetres";
      case 674: return L"in";
      case 675: return L"inches";
      case 900: return L"Saving";
      default: return L"";
    }
  }
};

}  // namespace

SUITE(ResourceText) {

TEST(CaptionsAndUnitNamesComeFromTheInstalledWrapper) {
  CHECK(zb::internal::LoadWrapperText(900).empty());  // no wrapper yet
  Wrapper wrapper;
  SetMResStringWrapper(&wrapper);
  CHECK(zb::internal::LoadWrapperText(900) == L"Saving");
  CHECK(zb::internal::LoadWrapperText(901).empty());
  MProgress progress(0, 1, false);
  progress.SetText(900u);
  CHECK(progress.GetText() == L"Saving");
  // Setting the same unit again reloads the names once the wrapper is there.
  MUserUnit& unit = MUserUnit::GetInstance();
  unit.SetUnit(MUserUnit::UNIT_MM);
  CHECK(std::wstring(unit.GetName()) == L"millimetres");
  unit.SetUnit(MUserUnit::UNIT_INCH);
  CHECK(std::wstring(unit.GetAbbreviation()) == L"in");
  wchar_t buffer[32];
  unit.PrintMmInUI(buffer, 32, 25.4, true);
  CHECK(std::wstring(buffer) == L"    1 in");
  unit.SetUnit(MUserUnit::UNIT_MM);
  SetMResStringWrapper(nullptr);
  unit.SetUnit(MUserUnit::UNIT_MM);
  CHECK(std::wstring(unit.GetName()).empty());
}

}
