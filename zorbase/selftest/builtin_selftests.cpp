// The library's built-in self tests: quick checks of what a host relies on at run time (text
// conversion, the formatter, paths, logging, the self-test framework). `zorbase selftest` runs
// them through RunLibraryTests; they touch no files and no settings.
#include <UnitTest++/UnitTest++.h>

#include <string>

#include <zorbase/files/MFileName.h>
#include <zorbase/logging/LogWindowAppender.h>
#include <zorbase/logging/MLogManager.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/format.h>
#include <zorbase/selftest/MTestClass.h>
#include <zorbase/selftest/internal/builtin_registry.h>
#include <zorbase/stdbase/StringHelpers.h>

// Defines a test class of the suite "ZorBaseSelfTest"; RegisterBuiltinSelfTests below creates one
// object of each while the library loads (not during static initialisation, whose order between
// files is unspecified).
#define ZORBASE_SELF_TEST(Name)                                                           \
  class SelfTest##Name : public UnitTest::Test {                                          \
   public:                                                                                \
    SelfTest##Name() : UnitTest::Test(#Name, "ZorBaseSelfTest", __FILE__, __LINE__) {}    \
                                                                                          \
   private:                                                                               \
    void RunImpl() const override;                                                        \
  };                                                                                      \
  void SelfTest##Name::RunImpl() const

namespace {

class CountingWindow : public ILogWnd {
 public:
  LONG GetShow() override { return 0; }
  void SetShow(LONG) override {}
  void Put(const MLogPlugIn*, LONG level, const wchar_t* text) override {
    last_level = level;
    last_text = text;
    ++count;
  }
  void Clear() override {}
  int count = 0;
  LONG last_level = 0;
  std::wstring last_text;
};

}  // namespace

ZORBASE_SELF_TEST(Utf8RoundTrip) {
  const std::wstring text = L"Gr\u00fc\u00dfe \u4e16\u754c \u20ac";
  const std::string utf8 = zb::platform::WideToUtf8(text);
  CHECK_EQUAL("Gr\xc3\xbc\xc3\x9f" "e \xe4\xb8\x96\xe7\x95\x8c \xe2\x82\xac", utf8);
  CHECK(zb::platform::Utf8ToWide(utf8) == text);
}

ZORBASE_SELF_TEST(WideFormatterFollowsWindowsRules) {
  CHECK(FormatString(L"%s|%S|%5.2f|%I64d", L"wide", "narrow", 3.14159,
                     static_cast<long long>(-1234567890123LL)) ==
        L"wide|narrow| 3.14|-1234567890123");
}

ZORBASE_SELF_TEST(FileNameParsesAndComposes) {
  MFileName name(L"C:\\Data\\Report.final.txt");
  CHECK(std::wstring(name.GET()) == L"C:\\Data\\Report.final.txt");
}

ZORBASE_SELF_TEST(LogManagerReachesTheWindow) {
  CountingWindow window;
  {
    MLogManager manager;
    CHECK(manager.OpenLogWnd(&window));
    CHECK(MLogManager::GetPlugIn().WarningF(L"%d items", 3));
    CHECK(!MLogManager::GetPlugIn().Trace(L"held back"));
  }
  CHECK_EQUAL(1, window.count);
  CHECK_EQUAL(2, window.last_level);
  CHECK(window.last_text == L"3 items");
  CHECK_EQUAL("LogWindowAppender",
              log4cxx::helpers::Class::forName("LogWindowAppender").getName());
}

ZORBASE_SELF_TEST(MetaTestShowsOneError) {
  MTestTestClass meta;
  MTestResult result;
  meta.Test(result);
  CHECK(!result.IsOK());
  CHECK_EQUAL(1u, result.GetErrorCount());
}

namespace zb {
namespace selftest_internal {

void RegisterBuiltinSelfTests() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  static SelfTestUtf8RoundTrip utf8_round_trip;
  static SelfTestWideFormatterFollowsWindowsRules formatter;
  static SelfTestFileNameParsesAndComposes file_name;
  static SelfTestLogManagerReachesTheWindow log_manager;
  static SelfTestMetaTestShowsOneError meta_test;
  UnitTest::Test* tests[] = {&utf8_round_trip, &formatter, &file_name, &log_manager, &meta_test};
  for (UnitTest::Test* test : tests) BuiltinTests().Add(test);
}

}  // namespace selftest_internal
}  // namespace zb
