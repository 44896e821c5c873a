// Tests of the miscstr helpers on their documented examples and edges.
#include <zorbase/strings/miscstr.h>

#include <UnitTest++/UnitTest++.h>

#include <climits>

#include <zorbase/strings/internal/wide_check.h>

SUITE(miscstr) {
  TEST(QuotingAndDelimitedValuesRoundTrip) {
    const wchar_t* specials = L",\"";
    CHECK_WIDE(L"\"a,b\"", miscstr::QuoteVal(L"a,b", specials).GetString());
    CHECK_WIDE(L"\"say \"\"hi\"\"\"", miscstr::QuoteVal(L"say \"hi\"", specials).GetString());
    CHECK_WIDE(L"plain", miscstr::QuoteVal(L"plain", specials).GetString());
    CHECK_WIDE(L"a,b", miscstr::QuoteVal(L"a,b", nullptr).GetString());

    const CString line = L"one,\"t,w\"\"o\",three";
    int pos = 0;
    CString out;
    const wchar_t* expected[] = {L"one", L"t,w\"o", L"three"};
    for (const wchar_t* value : expected) {
      CHECK_EQUAL(1, miscstr::GetNextVal(line, pos, out, specials));
      CHECK_WIDE(value, out.GetString());
    }
    CHECK_EQUAL(0, miscstr::GetNextVal(line, pos, out, specials));
    CHECK(out.IsEmpty());
    // A trailing separator yields no empty last value; QuoteVal's output reads back.
    pos = 0;
    const CString quoted = miscstr::QuoteVal(L"x\",y", specials) + L",";
    CHECK_EQUAL(1, miscstr::GetNextVal(quoted, pos, out, specials));
    CHECK_WIDE(L"x\",y", out.GetString());
    CHECK_EQUAL(0, miscstr::GetNextVal(quoted, pos, out, specials));
    pos = 0;
    CHECK_EQUAL(0, miscstr::GetNextVal(line, pos, out, nullptr));
  }

  TEST(PrefixSuffixAndCharacterTests) {
    CHECK(miscstr::StartsWith(L"Hello", L"HE", 0));
    CHECK(!miscstr::StartsWith(L"Hello", L"HE", 1));
    CHECK(!miscstr::StartsWith(L"He", L"Hello", 0));
    CHECK(miscstr::EndsWith(L"file.TXT", L".txt", 0));
    CHECK(!miscstr::EndsWith(L"file.TXT", L".txt", 1));
    CHECK(miscstr::CharAtIs(L"abc", 2, L'c'));
    CHECK(!miscstr::CharAtIs(L"abc", 3, 0));
    CHECK(!miscstr::CharAtIs(L"abc", -1, L'a'));
  }

  TEST(SplitAndReverseFind) {
    struct Case {
      const wchar_t* text;
      const wchar_t* separator;
      int from_end;
      int found;
      const wchar_t* left;
      const wchar_t* right;
    } cases[] = {
        {L"Key = Value", L"=", 0, 1, L"Key", L"Value"},
        {L"a.b.c", L".", 1, 1, L"a.b", L"c"},
        {L"  no separator ", L"=", 0, 0, L"no separator", L""},
        {L"Name AND Other", L"and", 0, 1, L"Name", L"Other"},
        {L"x", L"", 0, 0, L"x", L""},
    };
    for (const Case& c : cases) {
      CString left, right;
      CHECK_EQUAL(c.found, miscstr::Split(c.text, c.separator, left, right, c.from_end));
      CHECK_WIDE(c.left, left.GetString());
      CHECK_WIDE(c.right, right.GetString());
    }
    CHECK_EQUAL(1, miscstr::ReverseFind(L"aaa", L"aa"));
    CHECK_EQUAL(-1, miscstr::ReverseFind(L"abc", L"x"));
    CHECK_EQUAL(-1, miscstr::ReverseFind(L"abc", L""));
  }

  TEST(EditingHelpers) {
    CString target;
    miscstr::AddDelimited(target, L"", L", ", L"[", L"]");
    CHECK(target.IsEmpty());
    miscstr::AddDelimited(target, L"a", L", ", L"[", L"]");
    miscstr::AddDelimited(target, L"b", L", ", miscstr::null, miscstr::null);
    CHECK_WIDE(L"[a], b", target.GetString());
    CString padded = L"  x y \t";
    miscstr::Trim(padded);
    CHECK_WIDE(L"x y", padded.GetString());
    CHECK_WIDE(L"a_b_c", miscstr::MakeStringSafe(L"a b/c", L"").GetString());
    CHECK_WIDE(L"a_b/c", miscstr::MakeStringSafe(L"a b/c", L"/").GetString());
    CHECK_WIDE(L"!#$%&'()-@^_{}~`09AZaz", miscstr::MakeStringSafe(L"!#$%&'()-@^_{}~`09AZaz", L"").GetString());
    CHECK_WIDE(L"___________________", miscstr::MakeStringSafe(L"\"*+,.:;<=>?[]|\\\x7f\u00e9\t ", L"").GetString());
    CString three = L"abc";
    CHECK_WIDE(L"abc", miscstr::TruncateString(three, 5).GetString());
    CHECK(miscstr::TruncateString(three, 0).IsEmpty());
    CStringA narrow = "abcdef";
    CHECK_EQUAL(std::string("ab"), miscstr::TruncateString(narrow, 2).GetString());
    CHECK_WIDE(L"7-x", miscstr::str(L"%d-%s", 7, L"x").GetString());
  }

  TEST(StrictIntegerParsing) {
    struct Case {
      const wchar_t* text;
      bool ok;
      int value;
    } cases[] = {{L"12", true, 12},          {L"12x", false, 12},  {L"", false, 0},
                 {L"99999999999", false, INT_MAX}, {L"-42", true, -42}, {L" 7", true, 7},
                 {L"-2147483648", true, INT_MIN},  {L"x", false, 0},    {L"-", false, 0}};
    for (const Case& c : cases) {
      int value = 99;
      CHECK_EQUAL(c.ok, miscstr::str2int(c.text, value));
      CHECK_EQUAL(c.value, value);
    }
    int value = 5;
    CHECK(!miscstr::str2int(nullptr, value));
  }
}
