// The library's one set of ASCII rules, for narrow and wide text alike: only ASCII letters fold,
// only ASCII characters classify, whatever the process locale.
#include <zorbase/platform/internal/ascii.h>

#include <UnitTest++/UnitTest++.h>

#include <clocale>
#include <string>

using namespace zb::internal;

SUITE(Ascii) {
  TEST(FoldsOnlyAsciiLettersInBothWidths) {
    const std::string narrow_in = "AZaz@[`{09 \xC4\xE4\xDD\xFD";
    const std::string narrow_lower = "azaz@[`{09 \xC4\xE4\xDD\xFD";
    const std::string narrow_upper = "AZAZ@[`{09 \xC4\xE4\xDD\xFD";
    for (std::size_t i = 0; i < narrow_in.size(); ++i) {
      CHECK_EQUAL(narrow_lower[i], AsciiToLower(narrow_in[i]));
      CHECK_EQUAL(narrow_upper[i], AsciiToUpper(narrow_in[i]));
    }
    // Turkish dotted and dotless i, and letters beyond Latin-1, keep their values.
    const std::wstring wide_in = L"Ii\u0130\u0131\u00C4\u00E4\u0394\u03B4";
    const std::wstring wide_lower = L"ii\u0130\u0131\u00C4\u00E4\u0394\u03B4";
    const std::wstring wide_upper = L"II\u0130\u0131\u00C4\u00E4\u0394\u03B4";
    for (std::size_t i = 0; i < wide_in.size(); ++i) {
      CHECK(wide_lower[i] == AsciiToLower(wide_in[i]));
      CHECK(wide_upper[i] == AsciiToUpper(wide_in[i]));
    }
  }

  TEST(ClassifiesAndReadsDigitsWithoutTheLocale) {
    const char* saved = std::setlocale(LC_ALL, nullptr);
    const std::string restore = saved != nullptr ? saved : "C";
    std::setlocale(LC_ALL, "tr_TR.UTF-8");
    struct Case {
      wchar_t c;
      bool space;
      bool alpha;
      int digit_value;
    };
    const Case cases[] = {
        {L' ', true, false, 36},   {L'\t', true, false, 36}, {L'\r', true, false, 36},
        {L'\v', true, false, 36},  {L'\u00A0', false, false, 36}, {L'\u3000', false, false, 36},
        {L'0', false, false, 0},   {L'9', false, false, 9},  {L'a', false, true, 10},
        {L'F', false, true, 15},   {L'z', false, true, 35},  {L'Z', false, true, 35},
        {L'\u0131', false, false, 36}, {L'\uFF11', false, false, 36}, {L'/', false, false, 36},
    };
    for (const Case& c : cases) {
      CHECK_EQUAL(c.space, IsAsciiSpace(c.c));
      CHECK_EQUAL(c.alpha, IsAsciiAlpha(c.c));
      CHECK_EQUAL(c.digit_value, AsciiDigitValue(c.c));
      CHECK_EQUAL(c.alpha || c.digit_value < 10, IsAsciiAlnum(c.c));
      if (c.c < 0x80) {
        const char narrow = static_cast<char>(c.c);
        CHECK_EQUAL(c.space, IsAsciiSpace(narrow));
        CHECK_EQUAL(c.digit_value, AsciiDigitValue(narrow));
      }
    }
    CHECK_EQUAL(36, AsciiDigitValue('\xE4'));
    std::setlocale(LC_ALL, restore.c_str());
  }
}
