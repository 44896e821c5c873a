#include <zorbase/platform/numeric.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "zorbase/platform/portable/codepage_testing.h"

using zb::platform::ScanW;

SUITE(Numeric) {
  TEST(WtoiAndWtol) {
    struct Case {
      const wchar_t* text;
      int expected;
    };
    const Case cases[] = {
        {L"42", 42},
        {L"  \t\n-17abc", -17},
        {L"+8", 8},
        {L"", 0},
        {L"abc", 0},
        {L"- 5", 0},
        {L"12.9", 12},
        {L"0x1F", 0},
        {L"2147483647", INT_MAX},
        {L"-2147483648", INT_MIN},
    };
    for (const Case& c : cases) {
      CHECK_EQUAL(c.expected, _wtoi(c.text));
      CHECK_EQUAL(c.expected, static_cast<int>(_wtol(c.text)));
    }
    CHECK_EQUAL(0, _wtoi(nullptr));
    CHECK_EQUAL(0, _wtol(nullptr));
  }

  TEST(WtoiSaturatesOnOverflow) {
    errno = 0;
    CHECK_EQUAL(INT_MAX, _wtoi(L"99999999999"));
    CHECK_EQUAL(ERANGE, errno);
    errno = 0;
    CHECK_EQUAL(INT_MIN, _wtoi(L"-2147483649"));
    CHECK_EQUAL(ERANGE, errno);
    // _wtol is 32-bit like Windows long.
    CHECK_EQUAL(static_cast<LONG>(INT32_MAX), _wtol(L"4294967296"));
    CHECK_EQUAL(static_cast<LONG>(INT32_MIN), _wtol(L"-99999999999999999999999"));
    CHECK_EQUAL(INT64_MAX, _wtoi64(L"9223372036854775808"));
    CHECK_EQUAL(-1234567890123LL, _wtoi64(L" -1234567890123"));
  }

  TEST(Wtof) {
    struct Case {
      const wchar_t* text;
      double expected;
    };
    const Case cases[] = {
        {L"3.25", 3.25}, {L"  -1.5e3xyz", -1500.0}, {L"+.5", 0.5}, {L"1e", 1.0},  {L"abc", 0.0},
        {L"", 0.0},      {L"0x1.8p1", 3.0},         {L"7,5", 7.0}, {L"12", 12.0},
    };
    for (const Case& c : cases) CHECK_EQUAL(c.expected, _wtof(c.text));
    CHECK(std::isinf(_wtof(L"inf")));
    CHECK(std::isinf(_wtof(L"1e999")));
    CHECK(std::isnan(_wtof(L"NaN")));
    CHECK_EQUAL(0.0, _wtof(nullptr));
  }

  TEST(ScanWindowsWidths) {
    // Each target sits between guard bytes: a store of the wrong width would change a guard.
    struct {
      std::uint32_t before = 0xAAAAAAAA;
      std::int16_t value = 0;
      std::int16_t after = 0x5555;
    } s16;
    CHECK_EQUAL(1, ScanW(L"-1234", L"%hd", &s16.value));
    CHECK_EQUAL(-1234, s16.value);
    CHECK_EQUAL(0x5555, s16.after);

    std::uint16_t u16 = 0;
    CHECK_EQUAL(1, ScanW(L"65535", L"%hu", &u16));
    CHECK_EQUAL(65535, u16);

    struct {
      std::uint32_t value = 0;
      std::uint32_t after = 0x5A5A5A5A;
    } u32;
    CHECK_EQUAL(1, ScanW(L"4294967295", L"%lu", &u32.value));
    CHECK_EQUAL(4294967295u, u32.value);
    CHECK_EQUAL(0x5A5A5A5Au, u32.after);
    CHECK_EQUAL(1, ScanW(L"-1", L"%lu", &u32.value));
    CHECK_EQUAL(4294967295u, u32.value);
    CHECK_EQUAL(1, ScanW(L"ff", L"%lx", &u32.value));
    CHECK_EQUAL(255u, u32.value);

    std::int64_t i64 = 0;
    CHECK_EQUAL(1, ScanW(L"-9000000000", L"%I64d", &i64));
    CHECK_EQUAL(-9000000000LL, i64);
    CHECK_EQUAL(1, ScanW(L"9000000001", L"%lld", &i64));
    CHECK_EQUAL(9000000001LL, i64);

    std::uint8_t u8[2] = {0, 0x77};
    CHECK_EQUAL(1, ScanW(L"300", L"%hhu", &u8[0]));
    CHECK_EQUAL(44, u8[0]);
    CHECK_EQUAL(0x77, u8[1]);
  }

  TEST(ScanIntegers) {
    int a = 0, b = 0, c = 0;
    CHECK_EQUAL(3, ScanW(L"0x1f 017 12", L"%i %i %i", &a, &b, &c));
    CHECK_EQUAL(31, a);
    CHECK_EQUAL(15, b);
    CHECK_EQUAL(12, c);
    CHECK_EQUAL(2, ScanW(L"12345", L"%2d%d", &a, &b));
    CHECK_EQUAL(12, a);
    CHECK_EQUAL(345, b);
    CHECK_EQUAL(1, ScanW(L"0x10", L"%x", &a));
    CHECK_EQUAL(16, a);
    CHECK_EQUAL(1, ScanW(L"17", L"%o", &a));
    CHECK_EQUAL(15, a);
    CHECK_EQUAL(2, ScanW(L"7, 8", L"%d,%d", &a, &b));
    CHECK_EQUAL(8, b);
    CHECK_EQUAL(1, ScanW(L"7; 8", L"%d,%d", &a, &b));
    CHECK_EQUAL(1, ScanW(L"1 2 3", L"%*d %d", &a));
    CHECK_EQUAL(2, a);
    void* p = nullptr;
    CHECK_EQUAL(1, ScanW(L"00000000DEADBEEF", L"%p", &p));
    CHECK(p == reinterpret_cast<void*>(0xDEADBEEF));
  }

  TEST(ScanEndOfInputAndNoNumber) {
    int a = 5;
    CHECK_EQUAL(-1, ScanW(L"", L"%d", &a));
    CHECK_EQUAL(-1, ScanW(L"   ", L"%d", &a));
    CHECK_EQUAL(0, ScanW(L"abc", L"%d", &a));
    CHECK_EQUAL(5, a);
    CHECK_EQUAL(0, ScanW(L"-", L"%d", &a));
    CHECK_EQUAL(5, a);
    int b = 0;
    CHECK_EQUAL(1, ScanW(L"4", L"%d %d", &a, &b));
    CHECK_EQUAL(-1, ScanW(nullptr, L"%d", &a));
    CHECK_EQUAL(-1, ScanW(L"1", nullptr));
  }

  TEST(ScanFloats) {
    float f = 0;
    double d = 0;
    long double ld = 0;
    CHECK_EQUAL(3, ScanW(L"1.5 -2.25e2 0.125", L"%f %lf %Lf", &f, &d, &ld));
    CHECK_EQUAL(1.5f, f);
    CHECK_EQUAL(-225.0, d);
    CHECK(ld == 0.125L);
    CHECK_EQUAL(2, ScanW(L"3.75abc", L"%3lf%lf", &d, &d));
    CHECK_EQUAL(5.0, d);
    CHECK_EQUAL(0, ScanW(L"x", L"%lf", &d));
  }

  TEST(ScanText) {
    zb::platform::internal::ScopedAnsiCodePage acp("1252");
    wchar_t wide[16] = {};
    char narrow[16] = {};
    CHECK_EQUAL(2, ScanW(L"  hello \u00E9t\u20AC!", L"%s %S", wide, narrow));
    CHECK(std::wstring(wide) == L"hello");
    CHECK_EQUAL("\xE9t\x80!", std::string(narrow));
    CHECK_EQUAL(1, ScanW(L"\u263A", L"%hs", narrow));
    CHECK_EQUAL("?", std::string(narrow));

    std::memset(wide, 'z', sizeof(wide));
    CHECK_EQUAL(1, ScanW(L"abcdef", L"%3c", wide));
    CHECK(wide[0] == L'a' && wide[2] == L'c' && wide[3] != L'\0');
    wchar_t w = 0;
    CHECK_EQUAL(1, ScanW(L" x", L"%c", &w));
    CHECK_EQUAL(L' ', w);
    char n = 0;
    CHECK_EQUAL(1, ScanW(L"\u00E9", L"%C", &n));
    CHECK_EQUAL('\xE9', n);

    CHECK_EQUAL(2, ScanW(L"key=value rest", L"%[a-z]=%h[^ ]", wide, narrow));
    CHECK(std::wstring(wide) == L"key");
    CHECK_EQUAL("value", std::string(narrow));
    CHECK_EQUAL(1, ScanW(L"]]x", L"%[]]", wide));
    CHECK(std::wstring(wide) == L"]]");
    CHECK_EQUAL(0, ScanW(L"123", L"%[a-z]", wide));
    CHECK_EQUAL(1, ScanW(L"abcdef", L"%4s", wide));
    CHECK(std::wstring(wide) == L"abcd");
  }

  TEST(ScanPercentAndCount) {
    int a = 0, consumed = 0;
    CHECK_EQUAL(1, ScanW(L"50% done", L"%d%%%n", &a, &consumed));
    CHECK_EQUAL(50, a);
    CHECK_EQUAL(3, consumed);
  }
}
