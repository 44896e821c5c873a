// Tests of mbstowcs_s (ANSI code page) and wvsprintfW.
#include <zorbase/platform/crt_text.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>
#include <string>

namespace {

int Sprintf(wchar_t* buffer, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = wvsprintfW(buffer, format, args);
  va_end(args);
  return n;
}

}  // namespace

SUITE(CrtText) {
  TEST(MbstowcsUsesTheAnsiCodePage) {
    std::size_t converted = 0;
    wchar_t wide[8];
    CHECK_EQUAL(0, mbstowcs_s(&converted, wide, 8, "caf\xe9", _TRUNCATE));
    CHECK_EQUAL(5u, converted);
    CHECK(std::wstring(L"caf\u00e9") == wide);
    CHECK_EQUAL(0, mbstowcs_s(&converted, nullptr, 0, "abc", _TRUNCATE));
    CHECK_EQUAL(4u, converted);
    CHECK_EQUAL(0, mbstowcs_s(&converted, wide, 8, "abcdef", 2));
    CHECK(std::wstring(L"ab") == wide);
    CHECK_EQUAL(ERANGE, mbstowcs_s(&converted, wide, 3, "abcdef", 6));
    CHECK_EQUAL(0, wide[0]);
    CHECK_EQUAL(STRUNCATE, mbstowcs_s(&converted, wide, 3, "abcdef", _TRUNCATE));
    CHECK(std::wstring(L"ab") == wide);
    CHECK_EQUAL(EINVAL, mbstowcs_s(&converted, wide, 8, nullptr, 1));
    CHECK_EQUAL(EINVAL, mbstowcs_s(nullptr, wide, 8, "a", 1));
  }

  TEST(WvsprintfIsWideAndCapped) {
    wchar_t buffer[1025];
    CHECK_EQUAL(7, Sprintf(buffer, L"%s-%d", L"abc", 123));
    CHECK(std::wstring(L"abc-123") == buffer);
    CHECK_EQUAL(1024, Sprintf(buffer, L"%2000d", 1));
    CHECK_EQUAL(-1, Sprintf(nullptr, L"x"));
  }
}
