#include <zorbase/afx/CString.h>

#include <UnitTest++/UnitTest++.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <string>

#include <zorbase/platform/codepage.h>

#ifndef _WIN32
#include "zorbase/platform/portable/codepage_testing.h"
#endif

namespace {

#ifndef _WIN32
using zb::platform::internal::ScopedAnsiCodePage;
#else
// Windows has the one ANSI code page of the system (1252 under wine's default locale), which a
// test cannot change; the tests that name 1252 expect it to be in force.
struct ScopedAnsiCodePage {
  explicit ScopedAnsiCodePage(const char*) {}
};
#endif

std::string U(const CString& s) {
  return zb::platform::WideToUtf8(std::wstring(s.GetString(), s.GetLength()));
}

std::string U(const wchar_t* s) { return zb::platform::WideToUtf8(s); }

}  // namespace

SUITE(CString) {
  TEST(Construction) {
    ScopedAnsiCodePage acp("1252");
    const wchar_t* null_wide = nullptr;
    const char* null_narrow = nullptr;
    CHECK(CString().IsEmpty());
    CHECK(CString(null_wide).IsEmpty());
    CHECK(CString(null_narrow).IsEmpty());
    CHECK_EQUAL(U(L"abc"), U(CString(L"abc")));
    CHECK_EQUAL(U(L"\u00E9\u20AC"), U(CString("\xE9\x80")));
    CHECK_EQUAL(U(L"ab"), U(CString(L"abcdef", 2)));
    CHECK_EQUAL(3, CString(L"a\0b", 3).GetLength());
    CHECK(CString(L"abc", -1).IsEmpty());
    CHECK_EQUAL(U(L"\u00E9\u00E9"), U(CString("\xE9\xE9\xE9", 2)));
    CHECK_EQUAL(U(L"xxx"), U(CString(L'x', 3)));
    CHECK_EQUAL(U(L"\u00E9\u00E9"), U(CString('\xE9', 2)));
    CHECK(CString(L'x', 0).IsEmpty());
    CHECK_EQUAL(U(L"\u00E9"), U(CString(CStringA("\xE9"))));

    CHECK_EQUAL("\xE9?", std::string(CStringA(L"\u00E9\u263A").GetString()));
    CHECK_EQUAL("\x80\x80", std::string(CStringA(L'\u20AC', 2).GetString()));
    CHECK_EQUAL("abc", std::string(CStringA(CString(L"abc")).GetString()));

    CString assigned;
    assigned = "\x80";
    CHECK_EQUAL(U(L"\u20AC"), U(assigned));
    assigned = L'z';
    CHECK_EQUAL(U(L"z"), U(assigned));
    assigned = null_wide;
    CHECK(assigned.IsEmpty());
    CStringA narrow;
    narrow = L"\u00E9";
    CHECK_EQUAL("\xE9", std::string(narrow));
  }

#ifndef _WIN32  // UTF-8 as the ANSI code page is set through the Linux emulation's ZORBASE_ACP
  TEST(Utf8AnsiCodePageConversions) {
    ScopedAnsiCodePage acp("65001");
    CHECK_EQUAL(U(L"\u00E9\u20AC"), U(CString("\xC3\xA9\xE2\x82\xAC")));
    CHECK_EQUAL("\xC3\xA9", std::string(CStringA(L"\u00E9")));
    CHECK_EQUAL("\xE2\x82\xAC\xE2\x82\xAC", std::string(CStringA(L'\u20AC', 2)));
  }
#endif

  TEST(AccessAndBuffer) {
    CString s(L"hello");
    CHECK_EQUAL(5, s.GetLength());
    CHECK(std::wcscmp(static_cast<const wchar_t*>(s), L"hello") == 0);
    CHECK_EQUAL(L'e', s.GetAt(1));
    CHECK_EQUAL(L'e', s[1]);
    CHECK_EQUAL(L'\0', s.GetAt(5));
    CHECK_EQUAL(L'\0', s.GetAt(-1));
    s.SetAt(0, L'j');
    s.SetAt(99, L'x');
    s.SetAt(-1, L'x');
    CHECK_EQUAL(U(L"jello"), U(s));
    s.Empty();
    CHECK(s.IsEmpty());
    CHECK_EQUAL(0, s.GetLength());
    CHECK(s.GetString() != nullptr);
    CHECK_EQUAL(L'\0', s.GetString()[0]);
  }

  TEST(GetBufferAndReleaseBuffer) {
    CString s(L"abc");
    wchar_t* buffer = s.GetBuffer(10);
    CHECK(std::wcscmp(buffer, L"abc") == 0);
    std::wcscpy(buffer, L"0123456789");
    s.ReleaseBuffer();
    CHECK_EQUAL(U(L"0123456789"), U(s));

    buffer = s.GetBuffer(4);
    buffer[2] = L'\0';
    s.ReleaseBuffer(-1);
    CHECK_EQUAL(U(L"01"), U(s));

    buffer = s.GetBufferSetLength(4);
    CHECK_EQUAL(4, s.GetLength());
    buffer[2] = L'x';
    buffer[3] = L'y';
    s.ReleaseBuffer(3);
    CHECK_EQUAL(U(L"01x"), U(s));
    s.ReleaseBuffer(100);  // clamped to the buffer
    CHECK_EQUAL(3, s.GetLength());

    CStringA narrow;
    char* bytes = narrow.GetBuffer(8);
    std::strcpy(bytes, "12345678");
    narrow.ReleaseBuffer();
    CHECK_EQUAL("12345678", std::string(narrow));
    CHECK(narrow.GetAllocLength() >= 8);
  }

  TEST(Format) {
    ScopedAnsiCodePage acp("1252");
    CString s;
    s.Format(L"%s=%d, %S, %ld", L"x", 42, "narrow", -7);
    CHECK_EQUAL(U(L"x=42, narrow, -7"), U(s));
    CString name(L"box");
    CStringA tag("tag");
    s.Format(L"[%s|%S|%5.1f]", name, tag, 2.25);
    CHECK_EQUAL(U(L"[box|tag|  2.2]"), U(s));
    s.AppendFormat(L"%c%I64d", L'+', 1LL << 40);
    CHECK_EQUAL(U(L"[box|tag|  2.2]+1099511627776"), U(s));
    // Formatting a string into itself.
    s = L"self";
    s.Format(L"<%s>", s);
    CHECK_EQUAL(U(L"<self>"), U(s));
    s.AppendFormat(L"%s", s);
    CHECK_EQUAL(U(L"<self><self>"), U(s));
    // Long results grow.
    s.Format(L"%1000d", 1);
    CHECK_EQUAL(1000, s.GetLength());

    CStringA a;
    a.Format("%s %S %d", "n", L"\u00E9", 3);
    CHECK_EQUAL("n \xE9 3", std::string(a));
  }

  TEST(Trim) {
    struct Case {
      const wchar_t* text;
      const wchar_t* trim;
      const wchar_t* left;
      const wchar_t* right;
    };
    const Case cases[] = {
        {L"  a b \t\r\n", L"a b", L"a b \t\r\n", L"  a b"},
        {L"", L"", L"", L""},
        {L" \t ", L"", L"", L""},
        {L"\u00A0x\u00A0", L"\u00A0x\u00A0", L"\u00A0x\u00A0", L"\u00A0x\u00A0"},
    };
    for (const Case& c : cases) {
      CHECK_EQUAL(U(c.trim), U(CString(c.text).Trim()));
      CHECK_EQUAL(U(c.left), U(CString(c.text).TrimLeft()));
      CHECK_EQUAL(U(c.right), U(CString(c.text).TrimRight()));
    }
    CHECK_EQUAL(U(L"b"), U(CString(L"aabaa").Trim(L'a')));
    CHECK_EQUAL(U(L"baa"), U(CString(L"aabaa").TrimLeft(L'a')));
    CHECK_EQUAL(U(L"aab"), U(CString(L"aabaa").TrimRight(L'a')));
    CHECK_EQUAL(U(L"c"), U(CString(L"xyzcyx").Trim(L"xyz")));
    CHECK_EQUAL(U(L"cyx"), U(CString(L"xyzcyx").TrimLeft(L"xyz")));
    CHECK_EQUAL(U(L"xyzc"), U(CString(L"xyzcyx").TrimRight(L"xyz")));
    const wchar_t* null_set = nullptr;
    CHECK_EQUAL(U(L" a "), U(CString(L" a ").Trim(null_set)));
    CHECK_EQUAL("x", std::string(CStringA("\t x \n").Trim()));
  }

  TEST(CaseAndReverse) {
    CHECK_EQUAL(U(L"ABC \u00E9\u00E0 XYZ1"), U(CString(L"abC \u00E9\u00E0 xyZ1").MakeUpper()));
    CHECK_EQUAL(U(L"abc \u00C9 xyz"), U(CString(L"ABC \u00C9 xYz").MakeLower()));
    CHECK_EQUAL(U(L"cba"), U(CString(L"abc").MakeReverse()));
    CHECK_EQUAL("A\xE9", std::string(CStringA("a\xE9").MakeUpper()));
  }

  TEST(Compare) {
    CString abc(L"abc");
    CHECK_EQUAL(0, abc.Compare(L"abc"));
    CHECK(abc.Compare(L"abd") < 0);
    CHECK(abc.Compare(L"ab") > 0);
    CHECK(abc.Compare(nullptr) > 0);
    CHECK(CString().Compare(nullptr) == 0);
    CHECK(CString(L"B").Compare(L"a") < 0);
    CHECK(CString(L"\u00E9").Compare(L"z") > 0);
    CHECK_EQUAL(0, abc.CompareNoCase(L"ABC"));
    CHECK(CString(L"B").CompareNoCase(L"a") > 0);
    // Folding is to lower case: '_' sorts before the letters.
    CHECK(CString(L"_").CompareNoCase(L"A") < 0);
    CHECK(CString(L"\u00C9").CompareNoCase(L"\u00E9") != 0);
    CHECK(CStringA("\xE9").Compare("z") > 0);  // bytes compare unsigned
  }

  TEST(ComparisonOperators) {
    CString a(L"abc");
    CString b(L"abd");
    CHECK(a == CString(L"abc"));
    CHECK(a == L"abc");
    CHECK(L"abc" == a);
    CHECK(a != b);
    CHECK(a != L"ABC");
    CHECK(L"abd" != a);
    CHECK(a < b);
    CHECK(a < L"abd");
    CHECK(L"abb" < a);
    CHECK(b > a);
    CHECK(b > L"abc");
    CHECK(L"abe" > b);
    CHECK(a <= a);
    CHECK(a <= L"abc");
    CHECK(L"abc" <= a);
    CHECK(b >= a);
    CHECK(a >= L"abc");
    CHECK(L"abc" >= a);
    CHECK(CString(L"x") == L'x');
    CHECK(L'y' != CString(L"x"));
    const wchar_t* null_wide = nullptr;
    CHECK(CString() == null_wide);
    CHECK(CString(L"B") < CString(L"a"));
    CHECK(CStringA("abc") == "abc");
    CHECK(CStringA("a") < "b");
  }

  TEST(Find) {
    CString s(L"abcabc");
    CHECK_EQUAL(1, s.Find(L'b'));
    CHECK_EQUAL(4, s.Find(L'b', 2));
    CHECK_EQUAL(-1, s.Find(L'z'));
    CHECK_EQUAL(-1, s.Find(L'a', 6));
    CHECK_EQUAL(-1, s.Find(L'a', -1));
    CHECK_EQUAL(3, s.Find(L"abc", 1));
    CHECK_EQUAL(-1, s.Find(L"abd"));
    CHECK_EQUAL(2, s.Find(L"", 2));
    CHECK_EQUAL(6, s.Find(L"", 6));
    CHECK_EQUAL(-1, s.Find(L"a", 7));
    CHECK_EQUAL(-1, s.Find(static_cast<const wchar_t*>(nullptr)));
    CHECK_EQUAL(5, s.ReverseFind(L'c'));
    CHECK_EQUAL(-1, s.ReverseFind(L'z'));
    CHECK_EQUAL(2, s.FindOneOf(L"xyc"));
    CHECK_EQUAL(-1, s.FindOneOf(L"xyz"));
    CHECK_EQUAL(-1, s.FindOneOf(nullptr));
  }

  TEST(ReplaceRemoveInsertDelete) {
    CString s(L"banana");
    CHECK_EQUAL(3, s.Replace(L"a", L"XY"));
    CHECK_EQUAL(U(L"bXYnXYnXY"), U(s));
    CHECK_EQUAL(3, s.Replace(L"XY", nullptr));
    CHECK_EQUAL(U(L"bnn"), U(s));
    CHECK_EQUAL(0, s.Replace(L"", L"x"));
    CHECK_EQUAL(0, s.Replace(nullptr, L"x"));
    CHECK_EQUAL(0, s.Replace(L"q", L"x"));
    CString overlap(L"aaaa");
    CHECK_EQUAL(2, overlap.Replace(L"aa", L"b"));
    CHECK_EQUAL(U(L"bb"), U(overlap));
    CString same(L"a.b.c");
    CHECK_EQUAL(2, same.Replace(L'.', L'/'));
    CHECK_EQUAL(U(L"a/b/c"), U(same));
    CHECK_EQUAL(0, same.Replace(L'/', L'/'));
    // The replacement may come from the string itself.
    CString self(L"ab");
    CHECK_EQUAL(1, self.Replace(L"a", self.GetString()));
    CHECK_EQUAL(U(L"abb"), U(self));

    CString r(L"mississippi");
    CHECK_EQUAL(4, r.Remove(L's'));
    CHECK_EQUAL(U(L"miiippi"), U(r));

    CString i(L"ace");
    CHECK_EQUAL(4, i.Insert(1, L'b'));
    CHECK_EQUAL(6, i.Insert(99, L"fg"));
    CHECK_EQUAL(7, i.Insert(-5, L'_'));
    CHECK_EQUAL(7, i.Insert(2, static_cast<const wchar_t*>(nullptr)));
    CHECK_EQUAL(U(L"_abcefg"), U(i));

    CString d(L"abcdef");
    CHECK_EQUAL(5, d.Delete(0));
    CHECK_EQUAL(3, d.Delete(1, 2));
    CHECK_EQUAL(U(L"bef"), U(d));
    CHECK_EQUAL(2, d.Delete(2, 100));
    CHECK_EQUAL(2, d.Delete(5, 1));
    CHECK_EQUAL(2, d.Delete(0, -1));
    CHECK_EQUAL(1, d.Delete(-3, 1));
    CHECK_EQUAL(U(L"e"), U(d));
    CHECK_EQUAL(0, d.Delete(0, INT_MAX));
  }

  TEST(Substrings) {
    CString s(L"abcdef");
    struct Case {
      CString got;
      const wchar_t* expected;
    };
    const Case cases[] = {
        {s.Left(2), L"ab"},
        {s.Left(0), L""},
        {s.Left(-1), L""},
        {s.Left(99), L"abcdef"},
        {s.Right(2), L"ef"},
        {s.Right(-3), L""},
        {s.Right(99), L"abcdef"},
        {s.Mid(2), L"cdef"},
        {s.Mid(-2), L"abcdef"},
        {s.Mid(6), L""},
        {s.Mid(9), L""},
        {s.Mid(1, 3), L"bcd"},
        {s.Mid(4, 99), L"ef"},
        {s.Mid(1, -1), L""},
        {s.Mid(-1, 2), L"ab"},
        {s.Mid(7, 2), L""},
        {s.Mid(2, INT_MAX), L"cdef"},
        {s.SpanIncluding(L"abx"), L"ab"},
        {s.SpanIncluding(L"z"), L""},
        {s.SpanIncluding(L"fedcba"), L"abcdef"},
        {s.SpanExcluding(L"dx"), L"abc"},
        {s.SpanExcluding(L"z"), L"abcdef"},
    };
    for (const Case& c : cases) CHECK_EQUAL(U(c.expected), U(c.got));
  }

  TEST(Tokenize) {
    CString s(L"  one, two,,three ");
    int pos = 0;
    CHECK_EQUAL(U(L"one"), U(s.Tokenize(L" ,", pos)));
    CHECK_EQUAL(6, pos);
    CHECK_EQUAL(U(L"two"), U(s.Tokenize(L" ,", pos)));
    CHECK_EQUAL(U(L"three"), U(s.Tokenize(L" ,", pos)));
    CHECK_EQUAL(U(L""), U(s.Tokenize(L" ,", pos)));
    CHECK_EQUAL(-1, pos);
    CHECK_EQUAL(U(L""), U(s.Tokenize(L" ,", pos)));
    CHECK_EQUAL(-1, pos);

    pos = 2;
    CHECK_EQUAL(U(L"one, two,,three "), U(s.Tokenize(L"", pos)));
    CHECK_EQUAL(U(L""), U(s.Tokenize(L"", pos)));
    CHECK_EQUAL(-1, pos);
    pos = 99;
    CHECK(s.Tokenize(L",", pos).IsEmpty());
    CHECK_EQUAL(-1, pos);
  }

  TEST(Concatenation) {
    ScopedAnsiCodePage acp("1252");
    CString a(L"ab");
    const wchar_t* p = L"cd";
    CHECK_EQUAL(U(L"abab"), U(a + a));
    CHECK_EQUAL(U(L"abcd"), U(a + p));
    CHECK_EQUAL(U(L"cdab"), U(p + a));
    CHECK_EQUAL(U(L"abx"), U(a + L'x'));
    CHECK_EQUAL(U(L"xab"), U(L'x' + a));
    CHECK_EQUAL(U(L"ab\u00E9"), U(a + '\xE9'));
    CHECK_EQUAL(U(L"\u00E9ab"), U('\xE9' + a));
    CHECK_EQUAL(U(L"abn"), U(a + "n"));
    CHECK_EQUAL(U(L"ababcdx"), U(a + a + p + L'x'));
    CHECK_EQUAL(U(L"ab"), U(a + static_cast<const wchar_t*>(nullptr)));

    CString s;
    s += a;
    s += L"-";
    s += "\x80";
    s += L'!';
    s += '\xE9';
    s += s;
    CHECK_EQUAL(U(L"ab-\u20AC!\u00E9ab-\u20AC!\u00E9"), U(s));

    CStringA n("x");
    n += L"\u00E9";
    n += L'\u20AC';
    n += 'y';
    CHECK_EQUAL("x\xE9\x80yz", std::string(n + "z"));
    CHECK_EQUAL("zx\xE9\x80y", std::string("z" + n));
  }
}
