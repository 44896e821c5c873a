#include <zorbase/strings/MString.h>

#include <UnitTest++/UnitTest++.h>

#include <cwchar>
#include <cwctype>
#include <string>

#include <zorbase/strings/internal/kmp_search.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

// Reaches the protected buffer rules.
class Raw : public MString {
 public:
  using MString::MString;
  explicit Raw(const MString& other) : MString(other) {}
  using MString::operator=;
  const wchar_t* Buffer() const { return m_text; }
  void Alloc(std::uint64_t n) { _ALLOC(n); }
};

int IsNoise(int c) { return c == L' ' || c == L'-' || c == L'\t'; }
int EverythingIsNoise(int) { return 1; }

// Reference search for the KMP checks: the leftmost match by brute force.
std::size_t NaiveFind(const std::wstring& text, const std::wstring& pattern, bool case_sensitive) {
  auto fold = [&](wchar_t c) { return case_sensitive || c < L'A' || c > L'Z' ? c : wchar_t(c + 32); };
  if (pattern.empty() || pattern.size() > text.size()) return zb::internal::kNotFound;
  for (std::size_t i = 0; i + pattern.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < pattern.size() && fold(text[i + k]) == fold(pattern[k])) ++k;
    if (k == pattern.size()) return i;
  }
  return zb::internal::kNotFound;
}

}  // namespace

SUITE(MString) {

TEST(DefaultConstructed) {
  Raw s;
  CHECK(s.Buffer() == nullptr);
  CHECK(s.C_STR() != nullptr);
  CHECK_WIDE(L"", s.C_STR());
  CHECK_EQUAL(0u, s.LEN());
  CHECK_EQUAL(0u, s.SIZE());
  CHECK_EQUAL(1u, s.GET_MODE());
  CHECK(s.C_STR() == MString().C_STR());  // one shared empty text
}

TEST(ConstructionAllocatesExactly) {
  MString s(L"Metempsychosis");
  CHECK_EQUAL(0, std::wcscmp(L"Metempsychosis", s.C_STR()));
  CHECK_EQUAL(14u, s.LEN());
  CHECK_EQUAL(15u, s.SIZE());
  Raw empty_text(L"");
  CHECK(empty_text.Buffer() != nullptr);
  CHECK_EQUAL(1u, empty_text.SIZE());
  Raw from_null(static_cast<const wchar_t*>(nullptr));
  CHECK(from_null.Buffer() != nullptr);
  CHECK_EQUAL(1u, from_null.SIZE());
  Raw copy_of_default{MString()};
  CHECK(copy_of_default.Buffer() != nullptr);
  CHECK_EQUAL(0u, copy_of_default.LEN());
  CHECK_EQUAL(1u, copy_of_default.SIZE());
}

TEST(FromPlatformString) {
  CString platform(L"Metempsychosis");
  MString s(platform);
  CHECK_WIDE(L"Metempsychosis", s.C_STR());
  CHECK_EQUAL(14u, s.LEN());
  CHECK_EQUAL(15u, s.SIZE());
  CHECK_EQUAL(1u, s.GET_MODE());
  // The platform string's own length counts, not a search for the terminator.
  CString with_nul(L"ab\0cd", 5);
  MString copied(with_nul);
  CHECK_EQUAL(5u, copied.LEN());
  CHECK_EQUAL(L'd', copied[4]);
  MString empty_source{CString()};
  CHECK_EQUAL(1u, empty_source.SIZE());

  MString reuse(L"a longer text");
  reuse.SET_MODE(2);
  reuse = CString(L"xy");
  CHECK_WIDE(L"xy", reuse.C_STR());
  CHECK_EQUAL(14u, reuse.SIZE());
  MString exact(L"a longer text");
  exact = with_nul;
  CHECK_EQUAL(5u, exact.LEN());
  CHECK_EQUAL(6u, exact.SIZE());
}

TEST(CopiesStartInModeOne) {
  MString reuse(L"abc");
  reuse.SET_MODE(2);
  MString copy(reuse);
  CHECK_EQUAL(1u, copy.GET_MODE());
  MString target;
  target.SET_MODE(3);
  target = reuse;
  CHECK_EQUAL(3u, target.GET_MODE());  // assignment keeps the target's mode
  CHECK_WIDE(L"abc", target.C_STR());
}

TEST(ModeZeroIsIgnored) {
  MString s;
  s.SET_MODE(0);
  CHECK_EQUAL(1u, s.GET_MODE());
  s.SET_MODE(7);
  s.SET_MODE(0);
  CHECK_EQUAL(7u, s.GET_MODE());
  s.RESERVE(4, false, 0);
  s.RELEASE(0);
  CHECK_EQUAL(7u, s.GET_MODE());
}

TEST(AssignmentCopyRule) {
  MString exact(L"longer text");
  exact = L"ab";
  CHECK_EQUAL(3u, exact.SIZE());
  MString reuse(L"longer text");
  reuse.SET_MODE(2);
  reuse = L"ab";
  CHECK_WIDE(L"ab", reuse.C_STR());
  CHECK_EQUAL(2u, reuse.LEN());
  CHECK_EQUAL(12u, reuse.SIZE());  // kept
  reuse = L"much longer than before";
  CHECK_EQUAL(24u, reuse.SIZE());  // grown to exactly fit
}

TEST(AssignNull) {
  Raw exact(L"text");
  exact = static_cast<const wchar_t*>(nullptr);
  CHECK(exact.Buffer() == nullptr);
  CHECK_EQUAL(0u, exact.SIZE());
  Raw reuse(L"text");
  reuse.SET_MODE(2);
  reuse = static_cast<const wchar_t*>(nullptr);
  CHECK(reuse.Buffer() != nullptr);
  CHECK_EQUAL(0u, reuse.LEN());
  CHECK_EQUAL(5u, reuse.SIZE());
  reuse = MString();  // a source with a null buffer acts like null
  CHECK_EQUAL(5u, reuse.SIZE());
  CHECK_WIDE(L"", reuse.C_STR());
}

TEST(AssignOwnText) {
  MString s(L"abcdef");
  const wchar_t* before = s.C_STR();
  s = s.C_STR();
  CHECK(before == s.C_STR());
  s = s;
  CHECK_WIDE(L"abcdef", s.C_STR());
  s = s.C_STR() + 2;  // a tail of its own buffer
  CHECK_WIDE(L"cdef", s.C_STR());
  s.SET_MODE(2);
  s = s.C_STR() + 1;
  CHECK_WIDE(L"def", s.C_STR());
}

TEST(FreeKeepsMode) {
  Raw s(L"abc");
  s.SET_MODE(5);
  s.FREE();
  CHECK(s.Buffer() == nullptr);
  CHECK_EQUAL(0u, s.LEN());
  CHECK_EQUAL(0u, s.SIZE());
  CHECK_EQUAL(5u, s.GET_MODE());
}

TEST(IndexOperator) {
  MString s(L"xyz");
  CHECK_EQUAL(L'y', s[1]);
  CHECK_EQUAL(L'\0', s[3]);
  CHECK_EQUAL(L'\0', MString()[0]);
}

TEST(OrdinalComparison) {
  CHECK(MString(L"abc") < MString(L"abd"));
  CHECK(MString(L"B") < MString(L"a"));
  CHECK(MString(L"ABC") != MString(L"abc"));
  CHECK(MString(L"abc") == L"abc");
  CHECK(MString(L"abc") <= L"abc");
  CHECK(MString(L"abc") >= L"abc");
  CHECK(MString(L"abd") > L"abc");
  CHECK(MString(L"ab") < L"abc");
  CHECK(!(MString(L"abc") < L"abc"));
  CHECK(MString(L"b") >= MString(L"a"));
  CHECK(MString(L"a") <= MString(L"b"));
  CHECK(MString(L"b") > MString(L"a"));
  // Unsigned code units, so U+E000 sorts after every ASCII text.
  CHECK(MString(L"\xE000") > L"z");
  // A null buffer and a null pointer read as empty.
  CHECK(MString() == L"");
  CHECK(MString() == static_cast<const wchar_t*>(nullptr));
  CHECK(MString(L"") == MString());
  CHECK(MString(L"a") > static_cast<const wchar_t*>(nullptr));
  // The stored length plays no part: text after a NUL is ignored.
  MString with_nul(L"ab");
  with_nul += L'\0';
  with_nul += L'c';
  CHECK_EQUAL(4u, with_nul.LEN());
  CHECK(with_nul == L"ab");
}

TEST(AppendExactAndReuse) {
  MString exact;
  for (int i = 0; i < 20; ++i) {
    exact += L'x';
    CHECK_EQUAL(exact.LEN() + 1, exact.SIZE());
  }
  MString reuse;
  reuse.SET_MODE(2);
  reuse.RESERVE(10, false, 0);
  const std::uint64_t size = reuse.SIZE();
  for (int i = 0; i < 10; ++i) reuse += L'y';
  CHECK_EQUAL(size, reuse.SIZE());  // fits: no change
  CHECK_EQUAL(10u, reuse.LEN());
  reuse += L"zz";
  CHECK_EQUAL(13u, reuse.SIZE());  // grown to exactly what is needed
  CHECK_WIDE(L"yyyyyyyyyyzz", reuse.C_STR());
}

TEST(AppendTexts) {
  MString s(L"ab");
  s += static_cast<const wchar_t*>(nullptr);
  s += MString();
  CHECK_WIDE(L"ab", s.C_STR());
  CHECK_EQUAL(3u, s.SIZE());
  s += MString(L"cd");
  s += L"ef";
  CHECK_WIDE(L"abcdef", s.C_STR());
  s += s;  // its own text
  CHECK_WIDE(L"abcdefabcdef", s.C_STR());
  s.SET_MODE(2);
  s.RESERVE(40, false, 0);
  s += s.C_STR();
  CHECK_WIDE(L"abcdefabcdefabcdefabcdef", s.C_STR());
  MString from_default;
  from_default += L"x";
  CHECK_WIDE(L"x", from_default.C_STR());
}

TEST(ConcatenationOperators) {
  MString a(L"ab"), b(L"cd");
  CHECK_WIDE(L"abcd", (a + b).C_STR());
  CHECK_WIDE(L"abxy", (a + L"xy").C_STR());
  CHECK_WIDE(L"xyab", (L"xy" + a).C_STR());
  CHECK_WIDE(L"abz", (a + L'z').C_STR());
  CHECK_WIDE(L"zab", (L'z' + a).C_STR());
  CHECK_WIDE(L"ab", (static_cast<const wchar_t*>(nullptr) + a).C_STR());
  CHECK_WIDE(L"ab", (a + static_cast<const wchar_t*>(nullptr)).C_STR());
  MString reuse(L"q");
  reuse.SET_MODE(4);
  MString sum = reuse + b;
  CHECK_EQUAL(1u, sum.GET_MODE());
  CHECK_EQUAL(4u, sum.SIZE());
  CHECK_WIDE(L"abcdab", (a + b + a).C_STR());
}

TEST(FindCharacter) {
  MString s(L"abcabc");
  CHECK_EQUAL(1u, s.FIND(L'b'));
  CHECK_EQUAL(4u, s.RFIND(L'b'));
  CHECK_EQUAL(65535u, s.FIND(L'z'));
  CHECK_EQUAL(65535u, s.RFIND(L'z'));
  CHECK_EQUAL(65535u, MString().FIND(L'a'));
  CHECK_EQUAL(65535u, MString().RFIND(L'a'));
  CHECK_EQUAL(65535u, s.FIND(L'\0'));
  CHECK_EQUAL(MString::NPOS, 65535u);
}

TEST(FindPattern) {
  struct Case {
    const wchar_t* text;
    const wchar_t* pattern;
    std::uint32_t count;
    bool case_sensitive;
    std::uint64_t expected;
  };
  const Case cases[] = {
      {L"xxabababa", L"ABA", 65535, false, 2},
      {L"xxabababa", L"ABA", 65535, true, 65535},
      {L"xxabababa", L"aba", 65535, true, 2},
      {L"aaAb", L"aAb", 65535, false, 1},
      {L"aaAb", L"aAb", 65535, true, 1},
      {L"ab", L"ab", 5, true, 65535},            // count longer than the string
      {L"abc", L"", 65535, true, 65535},         // empty pattern
      {L"abc", L"bc", 0, true, 65535},           // count 0
      {L"abcabd", L"abdxyz", 3, true, 3},        // the first count characters
      {L"abcabd", L"ab", 3, true, 0},            // the terminator ends a short pattern
      {L"ABCD", L"cd", 65535, false, 2},
      {L"\x00C4x\x00E4X", L"\x00E4x", 65535, false, 2},  // no folding beyond ASCII
      {L"aabaabaaab", L"aabaaab", 65535, true, 3},
      {L"abc", L"abcd", 65535, true, 65535},
      {L"[]^_`{", L"`{", 65535, false, 4},       // characters between the letter ranges
  };
  for (const Case& c : cases) {
    CHECK_EQUAL(c.expected, MString(c.text).FIND(c.pattern, c.count, c.case_sensitive));
  }
  CHECK_EQUAL(65535u, MString().FIND(L"a", 65535, true));
  CHECK_EQUAL(65535u, MString(L"abc").FIND(nullptr, 65535, true));
}

TEST(KmpAgreesWithBruteForce) {
  // Every text of length up to 9 over {a, b, A} against patterns over {a, b, B} up to length 4.
  const wchar_t text_letters[] = L"abA";
  const wchar_t pattern_letters[] = L"abB";
  for (int len = 1; len <= 9; ++len) {
    int combos = 1;
    for (int k = 0; k < len; ++k) combos *= 3;
    for (int t = 0; t < combos; t += 7) {
      std::wstring text;
      for (int k = 0, v = t; k < len; ++k, v /= 3) text += text_letters[v % 3];
      for (int plen = 1; plen <= 4; ++plen) {
        for (int p = 0; p < 81; p += 5) {
          std::wstring pattern;
          for (int k = 0, v = p; k < plen; ++k, v /= 3) pattern += pattern_letters[v % 3];
          for (bool cs : {true, false}) {
            std::size_t got = zb::internal::KmpSearch(text.data(), text.size(), pattern.data(),
                                                      pattern.size(), cs);
            CHECK_EQUAL(NaiveFind(text, pattern, cs), got);
          }
        }
      }
    }
  }
  // A pattern longer than the inline table.
  std::wstring long_text(500, L'a');
  std::wstring long_pattern(100, L'A');
  long_pattern.back() = L'b';
  long_text += long_pattern;
  CHECK_EQUAL(500u, MString(long_text.c_str()).FIND(long_pattern.c_str(), 65535, true));
  CHECK_EQUAL(500u, MString(long_text.c_str()).FIND(long_pattern.c_str(), 65535, false));
}

TEST(Replace) {
  MString s(L"banana");
  CHECK(s.REPLACE(L"a", L"XY", true));
  CHECK_WIDE(L"bXYnana", s.C_STR());
  CHECK_EQUAL(7u, s.LEN());
  CHECK_EQUAL(8u, s.SIZE());
  CHECK(!MString().REPLACE(L"a", L"b", true));
  CHECK(!s.REPLACE(L"q", L"b", true));
  CHECK(!s.REPLACE(L"xy", L"b", true));
  CHECK(s.REPLACE(L"xy", L"-", false));
  CHECK_WIDE(L"b-nana", s.C_STR());
  CHECK(s.REPLACE(L"", L">", true));  // an empty find inserts at the front
  CHECK_WIDE(L">b-nana", s.C_STR());
  CHECK(s.REPLACE(L"NANA", nullptr, false));  // null `with` removes
  CHECK_WIDE(L">b-", s.C_STR());
  CHECK(!s.REPLACE(nullptr, L"x", true));
  CHECK(!s.REPLACE(L"much longer than the text", L"x", true));
  int count = 0;
  MString all(L"a.b.c.d");
  while (all.REPLACE(L".", L"::", true)) ++count;
  CHECK_EQUAL(3, count);
  CHECK_WIDE(L"a::b::c::d", all.C_STR());
}

TEST(ReplaceReuseMode) {
  MString s(L"0123456789");
  s.SET_MODE(2);
  CHECK(s.REPLACE(L"234", L"x", true));  // shrinks in place
  CHECK_WIDE(L"01x56789", s.C_STR());
  CHECK_EQUAL(11u, s.SIZE());
  CHECK(s.REPLACE(L"x", L"abc", true));  // grows in place while capacity > new length
  CHECK_WIDE(L"01abc56789", s.C_STR());
  CHECK_EQUAL(11u, s.SIZE());
  CHECK(s.REPLACE(L"5", L"++", true));  // capacity == new length: a new exact buffer
  CHECK_WIDE(L"01abc++6789", s.C_STR());
  CHECK_EQUAL(12u, s.SIZE());
  CHECK(s.REPLACE(L"01", s.C_STR() + 7, true));  // `with` inside the buffer
  CHECK_WIDE(L"6789abc++6789", s.C_STR());
}

TEST(CropAndSubstring) {
  MString text(L"This is a string");
  MString sub = text.SUBSTRING(5, 6);
  CHECK_WIDE(L"is", sub.C_STR());
  CHECK_EQUAL(1u, sub.GET_MODE());
  CHECK_WIDE(L"This is a string", text.C_STR());

  MString s(L"abcdef");
  s.CROP(3, 100);
  CHECK_WIDE(L"def", s.C_STR());
  CHECK_EQUAL(4u, s.SIZE());

  Raw freed(L"abcdef");
  freed.SET_MODE(2);
  freed.CROP(4, 2);
  CHECK(freed.Buffer() == nullptr);
  CHECK_EQUAL(0u, freed.SIZE());
  CHECK_EQUAL(2u, freed.GET_MODE());

  MString reuse(L"abcdef");
  reuse.SET_MODE(2);
  reuse.CROP(1, 2);
  CHECK_WIDE(L"bc", reuse.C_STR());
  CHECK_EQUAL(7u, reuse.SIZE());

  MString whole(L"abc");
  const wchar_t* before = whole.C_STR();
  whole.CROP(0, 99);  // unchanged length: nothing happens
  CHECK(before == whole.C_STR());

  Raw null_buffer;
  null_buffer.CROP(0, 3);
  CHECK(null_buffer.Buffer() == nullptr);

  MString beyond(L"abc");
  beyond.CROP(7, 9);  // a start beyond the text leaves it empty rather than reading past it
  CHECK_WIDE(L"", beyond.C_STR());
  MString empty(L"");
  empty.CROP(0, 5);
  CHECK_WIDE(L"", empty.C_STR());
  CHECK_EQUAL(0u, empty.LEN());
}

TEST(Truncate) {
  MString s(L"abc");
  s.TRUNCATE(10);
  CHECK_WIDE(L"abc", s.C_STR());
  CHECK_EQUAL(3u, s.LEN());
  s.TRUNCATE(1);
  CHECK_WIDE(L"a", s.C_STR());
  CHECK_EQUAL(1u, s.LEN());
  CHECK_EQUAL(4u, s.SIZE());
  MString none;
  none.TRUNCATE(0);
  CHECK_EQUAL(0u, none.SIZE());
}

TEST(CaseChangesAreAsciiOnly) {
  MString s(L"Gr\x00FC\x00DF" L"e, \x00C9t\x00E9!");
  s.TOUPPER();
  CHECK_WIDE(L"GR\x00FC\x00DF" L"E, \x00C9T\x00E9!", s.C_STR());
  s.TOLOWER();
  CHECK_WIDE(L"gr\x00FC\x00DF" L"e, \x00C9t\x00E9!", s.C_STR());
  MString none;
  none.TOUPPER();
  CHECK_EQUAL(0u, none.SIZE());
}

TEST(TrimNoise) {
  struct Case {
    const wchar_t* text;
    bool leading, trailing;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"  -abc- ", true, true, L"abc"},
      {L"  -abc- ", true, false, L"abc- "},
      {L"  -abc- ", false, true, L"  -abc"},
      {L"  -abc- ", false, false, L"  -abc- "},
      {L" - ", true, true, L""},
      {L" - ", false, true, L""},
      {L"x", true, true, L"x"},
      {L"", true, true, L""},
  };
  for (const Case& c : cases) {
    MString s(c.text);
    const std::uint64_t size = s.SIZE();
    s.TRIM_NOISE(c.leading, c.trailing, IsNoise);
    CHECK_WIDE(c.expected, s.C_STR());
    CHECK_EQUAL(std::wcslen(c.expected), s.LEN());
    CHECK_EQUAL(size, s.SIZE());  // never reallocated
  }
  MString all(L"abc");
  all.TRIM_NOISE(true, true, EverythingIsNoise);  // the terminator is never passed over
  CHECK_WIDE(L"", all.C_STR());
  MString none;
  none.TRIM_NOISE(true, true, IsNoise);
  CHECK_EQUAL(0u, none.SIZE());
  MString no_function(L" a ");
  no_function.TRIM_NOISE(true, true, nullptr);
  CHECK_WIDE(L" a ", no_function.C_STR());
}

TEST(Format) {
  MString s;
  s.FORMAT(L"%s=%d, %S, %5.2f|%-3c|", L"key", 42, "narrow", 3.14159, L'x');
  CHECK_WIDE(L"key=42, narrow,  3.14|x  |", s.C_STR());
  CHECK_EQUAL(s.LEN() + 1, s.SIZE());
  s.FORMAT(L"%I64d", static_cast<std::int64_t>(-1234567890123LL));
  CHECK_WIDE(L"-1234567890123", s.C_STR());
  s.FORMAT(L"");
  CHECK_WIDE(L"", s.C_STR());
  CHECK_EQUAL(1u, s.SIZE());

  MString reuse;
  reuse.SET_MODE(2);
  reuse.FORMAT(L"%s", L"a long first text");
  reuse.FORMAT(L"%d", 7);
  CHECK_WIDE(L"7", reuse.C_STR());
  CHECK_EQUAL(18u, reuse.SIZE());

  std::wstring big(5000, L'q');
  reuse.FORMAT(L"<%s>", big.c_str());
  CHECK_EQUAL(5002u, reuse.LEN());
  CHECK_EQUAL(5003u, reuse.SIZE());
}

TEST(FormatArgumentsMayBeItsOwnText) {
  for (std::uint32_t mode : {1u, 2u}) {
    MString s(L"abc");
    s.SET_MODE(mode);
    s.RESERVE(50, false, 0);
    s.RELEASE(0);
    s.FORMAT(L"[%s|%s]", s.C_STR(), s.C_STR());
    CHECK_WIDE(L"[abc|abc]", s.C_STR());
  }
}

TEST(FormatNull) {
  Raw exact(L"abc");
  exact.FORMAT(nullptr);
  CHECK(exact.Buffer() == nullptr);
  Raw reuse(L"abc");
  reuse.SET_MODE(2);
  reuse.FORMAT(nullptr);
  CHECK(reuse.Buffer() != nullptr);
  CHECK_WIDE(L"", reuse.C_STR());
  CHECK_EQUAL(4u, reuse.SIZE());
}

TEST(AppendFormat) {
  MString s(L"n=");
  s.APPEND(L"%d;%s", 5, L"x");
  CHECK_WIDE(L"n=5;x", s.C_STR());
  CHECK_EQUAL(6u, s.SIZE());
  s.APPEND(nullptr);
  CHECK_WIDE(L"n=5;x", s.C_STR());
  s.APPEND(L"%s", s.C_STR());
  CHECK_WIDE(L"n=5;xn=5;x", s.C_STR());
}

TEST(ReserveAndRelease) {
  MString s;
  wchar_t* buffer = s.RESERVE(10, true, 2);
  CHECK_EQUAL(11u, s.SIZE());
  CHECK_EQUAL(2u, s.GET_MODE());
  for (int i = 0; i < 11; ++i) CHECK_EQUAL(L'\0', buffer[i]);
  std::wcscpy(buffer, L"hello");
  s.RELEASE(0);
  CHECK_EQUAL(5u, s.LEN());
  CHECK_EQUAL(11u, s.SIZE());  // reuse mode keeps the buffer
  CHECK_WIDE(L"hello", s.C_STR());

  buffer = s.RESERVE(8, false, 1);  // mode 1: a new exact buffer that keeps the text
  CHECK_EQUAL(9u, s.SIZE());
  CHECK_WIDE(L"hello", buffer);
  std::wcscat(buffer, L"!!");
  s.RELEASE(0);
  CHECK_WIDE(L"hello!!", s.C_STR());
  CHECK_EQUAL(8u, s.SIZE());  // mode 1 shrinks to fit

  // A writer that fills every slot cannot make the length run past the buffer.
  buffer = s.RESERVE(4, false, 2);
  for (int i = 0; i < static_cast<int>(s.SIZE()); ++i) buffer[i] = L'z';
  s.RELEASE(1);
  CHECK_EQUAL(s.SIZE() - 1, s.LEN());
  CHECK_EQUAL(1u, s.GET_MODE());

  MString cut(L"abcdefgh");
  cut.RESERVE(3, false, 0);
  CHECK_EQUAL(3u, cut.LEN());
  CHECK_WIDE(L"abc", cut.C_STR());

  MString never;
  never.RELEASE(0);
  CHECK_EQUAL(0u, never.SIZE());
}

TEST(ProtectedAlloc) {
  Raw s(L"abcdef");
  s.SET_MODE(2);
  const wchar_t* before = s.Buffer();
  s.Alloc(3);
  CHECK(before == s.Buffer());  // large enough: kept
  CHECK_EQUAL(0u, s.LEN());
  s.Alloc(20);
  CHECK_EQUAL(21u, s.SIZE());
  s.SET_MODE(1);
  s.Alloc(2);
  CHECK_EQUAL(3u, s.SIZE());
}

TEST(NumericConversions) {
  CHECK_EQUAL(42, MString(L"  42abc").INT());
  CHECK_EQUAL(-17, MString(L"-17").INT());
  CHECK_EQUAL(0, MString(L"abc").INT());
  CHECK_EQUAL(0, MString().INT());
  CHECK_EQUAL(-123456789, MString(L"\t-123456789").LONG());
  CHECK_EQUAL(2147483647, MString(L"4294967296").LONG());  // 32-bit, saturated
  CHECK_EQUAL(0, MString().LONG());
  CHECK_CLOSE(350.0, MString(L" 3.5e2x").DOUBLE(), 1e-12);
  CHECK_EQUAL(0.0, MString(L"x1").DOUBLE());
  CHECK_EQUAL(0.1f, MString(L"0.1").FLOAT());
  CHECK_EQUAL(0.0f, MString().FLOAT());
  CHECK_EQUAL(-32768, MString(L"-32768").SHORT());
  CHECK_EQUAL(12, MString(L" 12 34").SHORT());
  CHECK_EQUAL(0, MString(L"abc").SHORT());
  CHECK_EQUAL(0, MString().SHORT());
  CHECK_EQUAL(65535, MString(L"65535").USHORT());
  CHECK_EQUAL(0, MString(L"-").USHORT());
  CHECK_EQUAL(4294967295u, MString(L"4294967295").ULONG());
  CHECK_EQUAL(0u, MString(L"4294967296").ULONG());  // a 32-bit field wraps
  CHECK_EQUAL(0u, MString(L"none").ULONG());
  CHECK_EQUAL(0u, MString().ULONG());
}

TEST(DoTest) { CHECK(MString::DO_TEST()); }

}
