#include <zorbase/platform/codepage.h>

#include <UnitTest++/UnitTest++.h>

#include <string>
#include <vector>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

#include "zorbase/platform/portable/codepage_testing.h"

namespace {

using zb::platform::internal::ScopedAnsiCodePage;

// Converts the bytes with an explicit length; "<fail N>" names the last error on failure.
std::wstring ToWide(UINT code_page, const std::string& bytes, DWORD flags = 0) {
  int n = MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()),
                              nullptr, 0);
  if (n == 0) return L"<fail " + std::to_wstring(GetLastError()) + L">";
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  int m = MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()),
                              &out[0], n);
  if (m != n) return L"<passes disagree>";
  return out;
}

std::string ToMulti(UINT code_page, const std::wstring& wide, DWORD flags = 0,
                    const char* default_char = nullptr, BOOL* used_default = nullptr) {
  int n = WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()), nullptr,
                              0, default_char, used_default);
  if (n == 0) return "<fail " + std::to_string(GetLastError()) + ">";
  std::string out(static_cast<std::size_t>(n), '\0');
  int m = WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()), &out[0],
                              n, default_char, used_default);
  if (m != n) return "<passes disagree>";
  return out;
}

std::string U(const std::wstring& wide) { return zb::platform::WideToUtf8(wide); }

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

}  // namespace

SUITE(CodePage) {
  TEST(AnsiCodePageComesFromTheEnvironment) {
    struct Case {
      const char* value;
      UINT acp;
      UINT oem;
    };
    const Case cases[] = {
        {nullptr, 1252, 437}, {"1250", 1250, 852},   {"1251", 1251, 866}, {"65001", 65001, 437},
        {"932", 1252, 437},   {"cp1250", 1252, 437}, {"", 1252, 437},     {"28591", 28591, 437},
    };
    for (const Case& c : cases) {
      ScopedAnsiCodePage acp(c.value);
      CHECK_EQUAL(c.acp, GetACP());
      CHECK_EQUAL(c.oem, GetOEMCP());
    }
  }

  TEST(ValidCodePages) {
    const UINT valid[] = {1250, 1251, 1252, 1254, 437, 850, 852, 866, 28591, 20127, 65001};
    for (UINT cp : valid) CHECK_EQUAL(TRUE, IsValidCodePage(cp));
    const UINT invalid[] = {0, 1, 3, 932, 65000, 12345};
    for (UINT cp : invalid) CHECK_EQUAL(FALSE, IsValidCodePage(cp));
  }

  TEST(SingleByteTablesDecode) {
    struct Case {
      UINT code_page;
      const char* bytes;
      const wchar_t* expected;
    };
    const Case cases[] = {
        {1252, "\x80\x81\x8A\x9F\xE9\xFF", L"\u20AC\u0081\u0160\u0178\u00E9\u00FF"},
        {1250, "\x8A\xB9\xE8\xF8", L"\u0160\u0105\u010D\u0159"},
        {1251, "\xC0\xFF\xB8\x88", L"\u0410\u044F\u0451\u20AC"},
        {1254, "\xD0\xFD\xF0", L"\u011E\u0131\u011F"},
        {437, "\x80\xB0\xE1\xFF", L"\u00C7\u2591\u00DF\u00A0"},
        {850, "\x9B\xD5", L"\u00F8\u0131"},
        {852, "\xA5\x9F", L"\u0105\u010D"},
        {866, "\x80\xF0", L"\u0410\u0401"},
        {28591, "\x80\xA4\xFF", L"\u0080\u00A4\u00FF"},
        {20127, "Az", L"Az"},
    };
    for (const Case& c : cases) CHECK_EQUAL(U(c.expected), U(ToWide(c.code_page, c.bytes)));
  }

  TEST(EveryByteOfASingleBytePageRoundTrips) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    const UINT pages[] = {1252, 1250, 1251, 1254, 437, 850, 852, 866, 28591};
    for (UINT cp : pages) {
      std::wstring wide = ToWide(cp, all);
      CHECK_EQUAL(255u, wide.size());
      BOOL used_default = TRUE;
      CHECK_EQUAL(Hex(all), Hex(ToMulti(cp, wide, 0, nullptr, &used_default)));
      CHECK_EQUAL(FALSE, used_default);
    }
  }

  TEST(AsciiPageRejectsHighBytes) {
    CHECK_EQUAL(U(L"A\uFFFD"), U(ToWide(20127, "A\x80")));
    CHECK_EQUAL(U(L"<fail 1113>"), U(ToWide(20127, "A\x80", MB_ERR_INVALID_CHARS)));
    CHECK_EQUAL("A?", ToMulti(20127, L"A\u00E9"));
  }

  TEST(DefaultCharacterAndUsedDefault) {
    BOOL used_default = FALSE;
    CHECK_EQUAL("\xE9\x80?", ToMulti(1252, L"\u00E9\u20AC\u263A", 0, nullptr, &used_default));
    CHECK_EQUAL(TRUE, used_default);
    CHECK_EQUAL("\xE9*", ToMulti(1252, L"\u00E9\u263A", 0, "*", &used_default));
    CHECK_EQUAL(TRUE, used_default);
    CHECK_EQUAL("abc", ToMulti(1252, L"abc", WC_NO_BEST_FIT_CHARS, nullptr, &used_default));
    CHECK_EQUAL(FALSE, used_default);
    // A surrogate pair is one character: one default character.
    CHECK_EQUAL("a?b",
                ToMulti(1252, std::wstring(L"a") + wchar_t(0xD83D) + wchar_t(0xDE00) + L"b"));
    // Characters beyond U+FFFF and values that are no character at all.
    CHECK_EQUAL("??", ToMulti(1252, std::wstring(L"\U0001F600") + wchar_t(0x110000)));
  }

  TEST(TerminatorAndMeasuring) {
    CHECK_EQUAL(4, MultiByteToWideChar(1252, 0, "abc", -1, nullptr, 0));
    wchar_t wide[8];
    std::fill(wide, wide + 8, L'#');
    CHECK_EQUAL(4, MultiByteToWideChar(1252, 0, "abc", -1, wide, 8));
    CHECK(std::wstring(wide) == L"abc");
    CHECK_EQUAL(L'#', wide[4]);
    CHECK_EQUAL(3, MultiByteToWideChar(1252, 0, "abc", 3, wide, 8));

    CHECK_EQUAL(4, WideCharToMultiByte(1252, 0, L"abc", -1, nullptr, 0, nullptr, nullptr));
    char multi[8];
    std::fill(multi, multi + 8, '#');
    CHECK_EQUAL(4, WideCharToMultiByte(1252, 0, L"abc", -1, multi, 8, nullptr, nullptr));
    CHECK_EQUAL("abc", std::string(multi));
    CHECK_EQUAL(6,
                WideCharToMultiByte(CP_UTF8, 0, L"\u20AC\u00E9", -1, nullptr, 0, nullptr, nullptr));
    // Embedded NULs are converted when a length is given.
    CHECK_EQUAL(3, MultiByteToWideChar(1252, 0, "a\0b", 3, wide, 8));
    CHECK_EQUAL(L'\0', wide[1]);
  }

  TEST(TooSmallBuffer) {
    wchar_t wide[3];
    SetLastError(0);
    CHECK_EQUAL(0, MultiByteToWideChar(1252, 0, "abc", -1, wide, 3));
    CHECK_EQUAL(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    char multi[3];
    SetLastError(0);
    CHECK_EQUAL(0, WideCharToMultiByte(1252, 0, L"abc", -1, multi, 3, nullptr, nullptr));
    CHECK_EQUAL(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    SetLastError(0);
    CHECK_EQUAL(0, WideCharToMultiByte(CP_UTF8, 0, L"a\u20AC", 2, multi, 3, nullptr, nullptr));
    CHECK_EQUAL(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  }

  TEST(InvalidParameters) {
    wchar_t wide[4];
    char multi[4];
    BOOL used = FALSE;
    struct Case {
      int result;
      DWORD error;
    };
    auto mb = [&](UINT cp, DWORD flags, const char* s, int n, wchar_t* w, int size) {
      SetLastError(0);
      int r = MultiByteToWideChar(cp, flags, s, n, w, size);
      return Case{r, GetLastError()};
    };
    auto wc = [&](UINT cp, DWORD flags, const wchar_t* s, int n, char* m, int size, const char* d,
                  BOOL* u) {
      SetLastError(0);
      int r = WideCharToMultiByte(cp, flags, s, n, m, size, d, u);
      return Case{r, GetLastError()};
    };
    const Case cases[] = {
        mb(1252, 0, nullptr, 3, wide, 4),
        mb(1252, 0, "abc", 0, wide, 4),
        mb(1252, 0, "abc", -2, wide, 4),
        mb(1252, 0, "abc", 3, wide, -1),
        mb(1252, 0, "abc", 3, nullptr, 4),
        mb(12345, 0, "abc", 3, wide, 4),
        mb(1252, 0, reinterpret_cast<const char*>(wide), 3, wide, 4),
        wc(1252, 0, nullptr, 3, multi, 4, nullptr, nullptr),
        wc(1252, 0, L"abc", 0, multi, 4, nullptr, nullptr),
        wc(1252, 0, L"abc", -2, multi, 4, nullptr, nullptr),
        wc(1252, 0, L"abc", 3, nullptr, 4, nullptr, nullptr),
        wc(1252, 0, L"abc", 3, multi, -1, nullptr, nullptr),
        wc(932, 0, L"abc", 3, multi, 4, nullptr, nullptr),
        wc(CP_UTF8, 0, L"abc", 3, multi, 4, "?", nullptr),
        wc(CP_UTF8, 0, L"abc", 3, multi, 4, nullptr, &used),
    };
    for (const Case& c : cases) {
      CHECK_EQUAL(0, c.result);
      CHECK_EQUAL(ERROR_INVALID_PARAMETER, c.error);
    }
    const Case flag_cases[] = {
        mb(CP_UTF8, MB_PRECOMPOSED, "abc", 3, wide, 4),
        mb(1252, 0x100, "abc", 3, wide, 4),
        mb(1252, MB_PRECOMPOSED | MB_COMPOSITE, "abc", 3, wide, 4),
        wc(CP_UTF8, WC_NO_BEST_FIT_CHARS, L"abc", 3, multi, 4, nullptr, nullptr),
        wc(1252, WC_ERR_INVALID_CHARS, L"abc", 3, multi, 4, nullptr, nullptr),
    };
    for (const Case& c : flag_cases) {
      CHECK_EQUAL(0, c.result);
      CHECK_EQUAL(ERROR_INVALID_FLAGS, c.error);
    }
  }

  TEST(Utf8Encode) {
    struct Case {
      std::wstring wide;
      const char* expected;
    };
    const Case cases[] = {
        {L"A\u00E9\u20AC\U0001F600", "41 C3 A9 E2 82 AC F0 9F 98 80"},
        {std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, "F0 9F 98 80"},
        {std::wstring{L'a', wchar_t(0xD800), L'b'}, "61 EF BF BD 62"},
        {std::wstring{wchar_t(0xDC00)}, "EF BF BD"},
        {std::wstring{wchar_t(0x110000)}, "EF BF BD"},
        {std::wstring{L'\u07FF', L'\u0800', L'\uFFFF'}, "DF BF E0 A0 80 EF BF BF"},
    };
    for (const Case& c : cases) CHECK_EQUAL(c.expected, Hex(ToMulti(CP_UTF8, c.wide)));
    CHECK_EQUAL("<fail 1113>",
                ToMulti(CP_UTF8, std::wstring{L'a', wchar_t(0xD800)}, WC_ERR_INVALID_CHARS));
    CHECK_EQUAL("61", Hex(ToMulti(CP_UTF8, L"a", WC_ERR_INVALID_CHARS)));
  }

  TEST(Utf8Decode) {
    struct Case {
      std::string bytes;
      std::wstring expected;
    };
    const Case cases[] = {
        {"A\xC3\xA9\xE2\x82\xAC", L"A\u00E9\u20AC"},
        {"\xF0\x9F\x98\x80", L"\U0001F600"},  // one wchar_t: wchar_t holds the whole character here
        {"\xC3", L"\uFFFD"},
        {"\xE2\x82", L"\uFFFD"},
        {"\xE2\x82z", L"\uFFFDz"},
        {"\xC0\xAF", L"\uFFFD\uFFFD"},
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"a\xFF"
         "b",
         L"a\uFFFDb"},
        {"\x80", L"\uFFFD"},
    };
    for (const Case& c : cases) CHECK_EQUAL(U(c.expected), U(ToWide(CP_UTF8, c.bytes)));
    CHECK_EQUAL(U(L"<fail 1113>"), U(ToWide(CP_UTF8, "a\xC3", MB_ERR_INVALID_CHARS)));
    CHECK_EQUAL(U(L"a\u00E9"), U(ToWide(CP_UTF8, "a\xC3\xA9", MB_ERR_INVALID_CHARS)));
  }

  TEST(AnsiAndOemFollowTheEnvironment) {
    ScopedAnsiCodePage acp("1251");
    CHECK_EQUAL(U(L"\u0410"), U(ToWide(CP_ACP, "\xC0")));
    CHECK_EQUAL(U(L"\u0410"), U(ToWide(CP_THREAD_ACP, "\xC0")));
    CHECK_EQUAL(U(L"\u0410"), U(ToWide(CP_OEMCP, "\x80")));
    CHECK_EQUAL("\xC0", zb::platform::WideToMulti(L"\u0410"));
    CHECK_EQUAL(U(L"\u0410"), U(zb::platform::MultiToWide("\xC0")));
  }

  TEST(ConvenienceForms) {
    ScopedAnsiCodePage acp("1252");
    CHECK_EQUAL(Hex(std::string("a\0\xE9?", 4)),
                Hex(zb::platform::WideToMulti(std::wstring(L"a\0\u00E9\u263A", 4))));
    CHECK(zb::platform::MultiToWide(std::string("a\0\x80", 3)) == std::wstring(L"a\0\u20AC", 3));
    CHECK(zb::platform::WideToMulti(L"").empty());
    CHECK(zb::platform::MultiToWide("").empty());
    CHECK_EQUAL("41 C3 A9 F0 9F 98 80", Hex(zb::platform::WideToUtf8(L"A\u00E9\U0001F600")));
    CHECK(zb::platform::Utf8ToWide("A\xC3\xA9\xF0\x9F\x98\x80") == L"A\u00E9\U0001F600");
    CHECK(zb::platform::Utf8ToWide("\xFF") == L"\uFFFD");
    SetLastError(0);
    CHECK(zb::platform::WideToMulti(L"abc", 932).empty());
    CHECK_EQUAL(ERROR_INVALID_PARAMETER, GetLastError());
    CHECK(zb::platform::MultiToWide("abc", 932).empty());
  }

  TEST(Utf16Le) {
    using namespace zb::platform;
    const std::wstring text = L"A\u00E9\U0001F600";
    CHECK_EQUAL(4u, Utf16UnitCount(text.data(), text.size()));
    const std::string bytes = WideToUtf16Le(text.data(), text.size());
    CHECK_EQUAL("41 00 E9 00 3D D8 00 DE", Hex(bytes));
    CHECK(Utf16LeToWide(bytes.data(), bytes.size()) == text);

    // A lone surrogate stays one unit both ways.
    const std::wstring lone{L'x', wchar_t(0xD800)};
    CHECK_EQUAL("78 00 00 D8", Hex(WideToUtf16Le(lone.data(), lone.size())));
    CHECK(Utf16LeToWide("\x00\xD8x\x00", 4) == std::wstring({wchar_t(0xD800), L'x'}));
    // Not a character on the way out (only a 32-bit wchar_t can hold such a value); an odd final
    // byte on the way back.
    if (sizeof(wchar_t) >= 4) {
      const std::wstring bad{static_cast<wchar_t>(0x110000u)};
      CHECK_EQUAL(1u, Utf16UnitCount(bad.data(), bad.size()));
      CHECK_EQUAL("FD FF", Hex(WideToUtf16Le(bad.data(), bad.size())));
    }
    CHECK(Utf16LeToWide("A\x00"
                        "B",
                        3) == L"A\uFFFD");
    CHECK(Utf16LeToWide(nullptr, 4).empty());
    CHECK(WideToUtf16Le(nullptr, 4).empty());
    CHECK_EQUAL(0u, Utf16UnitCount(nullptr, 4));
  }
}
