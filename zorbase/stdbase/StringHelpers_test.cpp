#include <zorbase/stdbase/StringHelpers.h>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/platform/codepage.h>

SUITE(StdBaseStringHelpers) {

TEST(FormatStringUsesWindowsRules) {
  CHECK(FormatString(L"Started %s, t = %f.", L"load", 1.5) == L"Started load, t = 1.500000.");
  CHECK(FormatString(L"%S|%d|%%", "narrow", -3) == L"narrow|-3|%");
  CHECK(FormatString(L"") == L"");
  const std::wstring long_text(5000, L'x');
  CHECK(FormatString(L"<%s>", long_text.c_str()) == L"<" + long_text + L">");
}

TEST(ConvertAnsiToUnicodeUsesTheAnsiCodePage) {
  CHECK(ConvertAnsiToUnicode("plain") == L"plain");
  CHECK(ConvertAnsiToUnicode("") == L"");
  if (GetACP() == 1252) {
    CHECK(ConvertAnsiToUnicode("\xe9\x80") == L"\u00e9\u20ac");
  }
}

}
