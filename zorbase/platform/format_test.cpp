#include <zorbase/platform/format.h>

#include <UnitTest++/UnitTest++.h>

#include <climits>
#include <cstdio>
#ifndef _WIN32
#include <langinfo.h>
#endif
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#endif
#include <unistd.h>
#include <locale.h>
#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>

#include "zorbase/platform/portable/codepage_testing.h"

namespace {

using zb::platform::internal::ScopedAnsiCodePage;

// Formats through every pass (counting, bounded, growing) and returns the text only when they
// agree.
std::wstring W(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int count = zb::platform::CountFormatW(format, args);
  std::wstring text = zb::platform::VFormatW(format, args);
  std::vector<wchar_t> buffer(text.size() + 1, L'#');
  const int written = zb::platform::FormatW(buffer.data(), buffer.size(), format, args);
  std::wstring appended = L"x";
  const std::ptrdiff_t appended_count = zb::platform::AppendFormatW(appended, format, args);
  va_end(args);
  if (count != static_cast<int>(text.size()) || written != count ||
      std::wstring(buffer.data(), written) != text || buffer[written] != L'\0' ||
      appended_count != count || appended != L"x" + text) {
    return L"<passes disagree>";
  }
  return text;
}

std::string A(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int count = zb::platform::CountFormatA(format, args);
  std::string text = zb::platform::VFormatA(format, args);
  std::vector<char> buffer(text.size() + 1, '#');
  const int written = zb::platform::FormatA(buffer.data(), buffer.size(), format, args);
  va_end(args);
  if (count != static_cast<int>(text.size()) || written != count ||
      std::string(buffer.data(), written) != text || buffer[written] != '\0') {
    return "<passes disagree>";
  }
  return text;
}

std::string U(const std::wstring& wide) { return zb::platform::WideToUtf8(wide); }

struct WideCase {
  const wchar_t* expected;
  std::wstring got;
};

struct NarrowCase {
  const char* expected;
  std::string got;
};

int CountW(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int count = zb::platform::CountFormatW(format, args);
  va_end(args);
  return count;
}

int BoundedW(wchar_t* buffer, std::size_t capacity, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int count = zb::platform::FormatW(buffer, capacity, format, args);
  va_end(args);
  return count;
}

}  // namespace

SUITE(Format) {
  TEST(Integers) {
    const WideCase cases[] = {
        {L"42", W(L"%d", 42)},
        {L"-42", W(L"%i", -42)},
        {L"   42", W(L"%5d", 42)},
        {L"42   |", W(L"%-5d|", 42)},
        {L"-0042", W(L"%05d", -42)},
        {L"+5 / 5", W(L"%+d /% d", 5, 5)},
        {L"007", W(L"%.3d", 7)},
        {L"", W(L"%.0d", 0)},
        {L"    -007", W(L"%8.3d", -7)},
        {L"     007", W(L"%08.3d", 7)},
        {L"-2147483648", W(L"%d", INT32_MIN)},
        {L"4294967295", W(L"%u", -1)},
        {L"ff FF 0xff 0XFF 0", W(L"%x %X %#x %#X %#x", 255, 255, 255, 255, 0)},
        {L"10 010 0 0", W(L"%o %#o %#o %#.0o", 8, 8, 0, 0)},
        {L"0x000000ff", W(L"%#010x", 255)},
        {L"   7|007", W(L"%*d|%.*d", 4, 7, 3, 7)},
        {L"7   |", W(L"%*d|", -4, 7)},
        {L"7", W(L"%.*d", -1, 7)},
    };
    for (const WideCase& c : cases) CHECK_EQUAL(U(c.expected), U(c.got));
  }

  TEST(WindowsIntegerWidths) {
    const WideCase cases[] = {
        // long is 32-bit: %ld reads four bytes and the next argument stays in place.
        {L"5 7", W(L"%ld %d", static_cast<std::int64_t>(0x100000005LL), 7)},
        {L"4294967295 ffffffff", W(L"%lu %lx", 0xFFFFFFFFu, 0xFFFFFFFFu)},
        {L"-9223372036854775808", W(L"%I64d", INT64_MIN)},
        {L"18446744073709551615", W(L"%I64u", UINT64_MAX)},
        {L"123456789abcdef", W(L"%I64x", 0x123456789ABCDEFULL)},
        {L"-5 9", W(L"%I32d %I32u", -5, 9u)},
        {L"-1234567890123 1234567890123", W(L"%lld %llu", -1234567890123LL, 1234567890123ULL)},
        {L"12345678901 -3",
         W(L"%zu %Id", static_cast<std::size_t>(12345678901ULL), static_cast<std::ptrdiff_t>(-3))},
        {L"4464 65535", W(L"%hd %hu", 70000, -1)},
        {L"44 255", W(L"%hhd %hhu", 300, -1)},
    };
    for (const WideCase& c : cases) CHECK_EQUAL(U(c.expected), U(c.got));
  }

  TEST(StringsTakeTheFormatsOwnWidth) {
    ScopedAnsiCodePage acp("1252");
    const char* null_narrow = nullptr;
    const wchar_t* null_wide = nullptr;
    const WideCase cases[] = {
        {L"wide", W(L"%s", L"wide")},
        {L"narrow", W(L"%S", "narrow")},
        {L"narrow wide wide", W(L"%hs %ls %ws", "narrow", L"wide", L"wide")},
        {L"narrow", W(L"%hS", "narrow")},
        {L"wide", W(L"%lS", L"wide")},
        {L"(null) (null)", W(L"%s %S", null_wide, null_narrow)},
        {L"(nu", W(L"%.3s", null_wide)},
        {L"abc", W(L"%.3s", L"abcdef")},
        {L"ab    |", W(L"%-6s|", L"ab")},
        {L"    ab", W(L"%6s", L"ab")},
        {L"0000ab", W(L"%06s", L"ab")},
        {L"    x|x  |", W(L"%*s|%*s|", 5, L"x", -3, L"x")},
        {L"ab|abc", W(L"%.*s|%.*s", 2, L"abc", -1, L"abc")},
        {L"\u00E9\u20AC", W(L"%S", "\xE9\x80")},
        {L"   \u00E9", W(L"%4S", "\xE9")},
    };
    for (const WideCase& c : cases) CHECK_EQUAL(U(c.expected), U(c.got));
  }

  TEST(StringPrecisionNeverReadsPastIt) {
    const char unterminated_narrow[3] = {'a', 'b', 'c'};
    const wchar_t unterminated_wide[3] = {L'a', L'b', L'c'};
    CHECK_EQUAL(U(L"abc|abc"), U(W(L"%.3S|%.3s", unterminated_narrow, unterminated_wide)));
    CHECK_EQUAL("abc|abc", A("%.3s|%.3S", unterminated_narrow, unterminated_wide));
  }

  TEST(Characters) {
    ScopedAnsiCodePage acp("1252");
    const WideCase cases[] = {
        {L"W n h \u263A", W(L"%c %C %hc %lc", L'W', 'n', 'h', L'\u263A')},
        {L"  x|x  |", W(L"%3c|%-3c|", L'x', L'x')},
        {L"\u00E9", W(L"%C", '\xE9')},
        {L"a", W(L"%wc", L'a')},
    };
    for (const WideCase& c : cases) CHECK_EQUAL(U(c.expected), U(c.got));
    // A NUL character is part of the text.
    std::wstring with_nul = W(L"a%cb", L'\0');
    CHECK_EQUAL(3u, with_nul.size());
    CHECK(with_nul == std::wstring(L"a\0b", 3));
  }

  TEST(FloatingPoint) {
    const WideCase cases[] = {
        {L"3.141590", W(L"%f", 3.14159)},
        {L"3.14", W(L"%.2f", 3.14159)},
        {L"1.234568e+04 1.234568E+04", W(L"%e %E", 12345.678, 12345.678)},
        {L"0.0001 1E-10", W(L"%g %G", 0.0001, 1e-10)},
        {L"-00003.142", W(L"%010.3f", -3.14159)},
        {L"+2.0", W(L"%+.1f", 2.0)},
        {L"2.5     |", W(L"%-8.1f|", 2.5)},
        {L"3.", W(L"%#.0f", 3.0)},
        {L"0x1p+0", W(L"%a", 1.0)},
        {L"-0x0001p+0", W(L"%010a", -1.0)},
        {L"1.500000", W(L"%Lf", 1.5L)},
        {L" 1.500e+00", W(L"%10.3e", 1.5)},
        {L"  2.50", W(L"%*.*f", 6, 2, 2.5)},
        // Exponents have at least two digits, three only when needed (no 1.0e+000 form).
        {L"1e+100 1.5e-07 1.000000e-300", W(L"%g %g %e", 1e100, 1.5e-7, 1e-300)},
    };
    for (const WideCase& c : cases) CHECK_EQUAL(U(c.expected), U(c.got));
    // A number longer than the formatter's stack buffer.
    CHECK_EQUAL(309u + 1 + 600, W(L"%.600f", 1e308).size());
  }

#ifndef _WIN32  // POSIX locales (newlocale, uselocale)
  TEST(FloatingPointIgnoresTheThreadsLocale) {
    // A host may switch to a locale whose decimal point is a comma; the text stays the same, so
    // that what one process writes reads back (with '.') in any other. Runs where such a locale is
    // installed.
    locale_t comma = static_cast<locale_t>(nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
      comma = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
      if (comma != static_cast<locale_t>(nullptr)) break;
    }
    if (comma == static_cast<locale_t>(nullptr)) return;
    CHECK_EQUAL(",", nl_langinfo_l(RADIXCHAR, comma));
    const locale_t previous = uselocale(comma);
    const std::wstring wide = W(L"%.2f|%e|%g|%a", 3.14159, 1.5, 0.25, 1.5);
    const std::string narrow = A("%.1f", 2.5);
    const bool kept = uselocale(static_cast<locale_t>(nullptr)) == comma;
    uselocale(previous);
    freelocale(comma);
    CHECK_EQUAL(U(L"3.14|1.500000e+00|0.25|0x1.8p+0"), U(wide));
    CHECK_EQUAL("2.5", narrow);
    CHECK(kept);  // the thread's own locale is left as it was
  }
#endif

  TEST(PercentPointerAndOddSpecifications) {
    const WideCase cases[] = {
        {L"100%", W(L"%d%%", 100)},
        {L"0000000000001234", W(L"%p", reinterpret_cast<void*>(0x1234))},
        {L"  00000000ABCDEF01", W(L"%18p", reinterpret_cast<void*>(0xABCDEF01))},
        {L"%y", W(L"%y")},
        {L"abc%", W(L"abc%")},
        {L"a%-5", W(L"a%-5")},
        {L"%k 3", W(L"%k %d", 3)},
    };
    for (const WideCase& c : cases) CHECK_EQUAL(U(c.expected), U(c.got));
  }

  TEST(PercentNWritesNothing) {
    int n = 99;
    CHECK_EQUAL(U(L"abcd 5"), U(W(L"ab%ncd %d", &n, 5)));
    CHECK_EQUAL(99, n);
  }

  TEST(NarrowFormats) {
    ScopedAnsiCodePage acp("1252");
    const char* null_narrow = nullptr;
    const NarrowCase cases[] = {
        {"narrow", A("%s", "narrow")},
        {"wide wide narrow", A("%S %ls %hs", L"wide", L"wide", "narrow")},
        {"a w", A("%c %C", 'a', L'w')},
        {"\x80\xE9", A("%S", L"\u20AC\u00E9")},
        {"?", A("%S", L"\u263A")},
        {"?", A("%C", L'\u263A')},
        {"ab", A("%.2S", L"abc")},
        {"   ab", A("%5S", L"ab")},
        {"(null)", A("%s", null_narrow)},
        {"-7 4294967295 -5", A("%ld %lu %I64d", -7, 0xFFFFFFFFu, -5LL)},
        {"  1.50", A("%6.2f", 1.5)},
    };
    for (const NarrowCase& c : cases) CHECK_EQUAL(c.expected, c.got);
  }

  TEST(Utf8AnsiCodePage) {
    ScopedAnsiCodePage acp("65001");
    CHECK_EQUAL("\xC3\xA9\xE2\x82\xAC", A("%S", L"\u00E9\u20AC"));
    // The precision counts bytes and never splits a character.
    CHECK_EQUAL("\xC3\xA9", A("%.4S", L"\u00E9\u20AC"));
    CHECK_EQUAL("  \xC3\xA9", A("%4S", L"\u00E9"));
    CHECK_EQUAL(U(L"\u00E9"), U(W(L"%S", "\xC3\xA9")));
    CHECK_EQUAL(U(L"    \u00E9"), U(W(L"%5S", "\xC3\xA9")));
    CHECK_EQUAL(U(L"\uFFFD"), U(W(L"%S", "\xFF")));
    CHECK_EQUAL(U(L"\U0001F600"), U(W(L"%S", "\xF0\x9F\x98\x80")));
  }

  TEST(LongResultsGrow) {
    std::wstring text = W(L"%300d|%s", 1, L"end");
    CHECK_EQUAL(304u, text.size());
    CHECK(text.compare(299, 5, L"1|end") == 0);
    std::wstring big(5000, L'q');
    CHECK(W(L"<%s>", big.c_str()) == L"<" + big + L">");
  }

  TEST(CountingAndBoundedPasses) {
    CHECK_EQUAL(5, CountW(L"abc%d", 12));
    CHECK_EQUAL(100000, CountW(L"%100000d", 1));
  // Absurd widths are measured without writing anything, and refused.
  CHECK_EQUAL(-1, CountW(L"%*d", INT_MIN, 1));
  CHECK(zb::platform::FormatTextW(L"%*d|%*d", INT_MAX, 1, INT_MAX, 1).empty());
    va_list none{};
    CHECK_EQUAL(-1, zb::platform::CountFormatW(nullptr, none));
    CHECK_EQUAL(-1, zb::platform::CountFormatA(nullptr, none));
    CHECK(zb::platform::VFormatW(nullptr, none).empty());

    wchar_t buffer[8];
    std::fill(buffer, buffer + 8, L'#');
    CHECK_EQUAL(3, BoundedW(buffer, 4, L"%d", 123456));
    CHECK(std::wstring(buffer) == L"123");
    std::fill(buffer, buffer + 8, L'#');
    CHECK_EQUAL(0, BoundedW(buffer, 0, L"%d", 1));
    CHECK_EQUAL(L'#', buffer[0]);
    CHECK_EQUAL(0, BoundedW(buffer, 1, L"%d", 1));
    CHECK_EQUAL(L'\0', buffer[0]);
    CHECK_EQUAL(-1, BoundedW(buffer, 8, nullptr));
    CHECK_EQUAL(L'\0', buffer[0]);
    CHECK_EQUAL(0, BoundedW(nullptr, 8, L"abc"));
  }

  TEST(PrecisionPastTheExactDigitsMatchesTheCLibrary) {
    // Digits past the exact decimal form are zeros, put in place without the C library: the text
    // must still be the C library's, digit for digit, zeros before any exponent.
    struct Case {
      const char* format;
      double value;
    };
    const Case cases[] = {
        {"%.1200f", 1e-300},   {"%.1200f", -4.9e-324}, {"%.1500e", 1e300},
        {"%+.1200E", 0.1},     {"%#.1300g", 1e-10},    {"%#.1300g", 123.5},
        {"%.1300g", 0.1},      {"%.1200a", 1.5},       {"%0+1400.1200e", 2.5},
        {"%-1400.1200f", 3.0}, {"%.1200f", 1.0 / 0.0}, {"%#.1200G", 1e300},
    };
    for (const Case& c : cases) {
      char expected[4096];
      std::snprintf(expected, sizeof(expected), c.format, c.value);
      CHECK_EQUAL(expected, A(c.format, c.value));
    }
    std::vector<char> expected(20000);
    std::snprintf(expected.data(), expected.size(), "%.17000Lf", 1e-4000L);
    CHECK_EQUAL(expected.data(), A("%.17000Lf", 1e-4000L));
  }

#ifndef _WIN32  // a forked child with a limited address space
  TEST(AbsurdPrecisionCostsOnlyWhatTheBufferNeeds) {
    // Rendered in a child whose address space is limited (not under a sanitizer, which reserves
    // far more): generating every requested digit needs gigabytes and fails there.
    const pid_t child = fork();
    if (child == 0) {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
      const rlimit limit{1u << 30, 1u << 30};
      setrlimit(RLIMIT_AS, &limit);
#endif
      bool ok = true;
      wchar_t wide[16];
      ok = ok && BoundedW(wide, 16, L"%.99999999f", 1e308) == 15 &&
           std::wstring(wide) == L"100000000000000";
      ok = ok && CountW(L"%.99999999f", 1e308) == 100000309;
      ok = ok && BoundedW(wide, 16, L"%.2147483000e", 1.0) == 15 &&
           std::wstring(wide) == L"1.0000000000000";
      ok = ok && CountW(L"%.2147483000f", 1.0) == 2147483002;
      ok = ok && CountW(L"%.2147483646f", 1.0) == -1;  // longer than INT_MAX
      ok = ok && zb::platform::FormatTextA("%.2000000000Lg", 1e300L).size() == 301;
      _exit(ok ? 0 : 1);
    }
    int status = -1;
    CHECK(child > 0 && waitpid(child, &status, 0) == child);
    CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
#endif

  TEST(FormatText) {
    CHECK_EQUAL(U(L"x=1 y=two"), U(zb::platform::FormatTextW(L"x=%d y=%s", 1, L"two")));
    CHECK_EQUAL("x=1 y=two", zb::platform::FormatTextA("x=%d y=%s", 1, "two"));
  }
}
