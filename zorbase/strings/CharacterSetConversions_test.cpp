// Tests of the character-set holders and the CopyToNew functions (ANSI code page 1252 in tests).
#include <zorbase/strings/CharacterSetConversions.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <string>

#include <zorbase/strings/MFormatString.h>
#include <zorbase/strings/internal/wide_check.h>

using CharacterSetConversions::String;

SUITE(CharacterSetConversions) {
  TEST(NarrowHoldersConvertToTheAnsiCodePage) {
    CHECK_EQUAL(std::string("caf\xe9"), static_cast<const char*>(String<char>(CString(L"caf\u00e9"))));
    CHECK_EQUAL(std::string("x?y"), static_cast<const char*>(String<char>(std::wstring(L"x\u4e2dy"))));
    CHECK_EQUAL(std::string("x#y"), static_cast<const char*>(String<char>(L"x\u4e2dy", '#')));
    CHECK_EQUAL(std::string(""), static_cast<const char*>(String<char>(MString())));
    CHECK_EQUAL(std::string("ab"), static_cast<const char*>(String<char>(std::wstring(L"ab\0cd", 5))));
    CHECK_EQUAL(std::string("copy"), static_cast<const char*>(String<char>("copy")));
    CHECK(String<char>(static_cast<const wchar_t*>(nullptr), '?').c_str() == nullptr);
  }

  TEST(WideHoldersCopyOrConvert) {
    CHECK_WIDE(L"caf\u00e9", static_cast<const wchar_t*>(String<wchar_t>("caf\xe9")));
    CHECK_WIDE(L"ab", static_cast<const wchar_t*>(String<wchar_t>(CString(L"ab\0cd", 5))));
    CHECK_WIDE(L"", static_cast<const wchar_t*>(String<wchar_t>(MString())));
    CHECK_WIDE(L"w", static_cast<const wchar_t*>(String<wchar_t>(L"w", 'x')));
    CHECK(String<wchar_t>(static_cast<const char*>(nullptr)).c_str() == nullptr);
  }

  TEST(CopyToNewHandsOutArraysWithTheirSizes) {
    wchar_t* wide = nullptr;
    std::size_t size = 0;
    CHECK(CharacterSetConversions::CopyToNewWCS(wide, size, MString(L"abc")));
    CHECK_EQUAL(4u, size);
    CHECK_WIDE(L"abc", wide);
    delete[] wide;
    CHECK(CharacterSetConversions::CopyToNewTCS(wide, size, "\xe9t\xe9"));
    CHECK_EQUAL(4u, size);
    CHECK_WIDE(L"\u00e9t\u00e9", wide);
    delete[] wide;
    char* narrow = nullptr;
    CHECK(CharacterSetConversions::CopyToNewMBCS(narrow, size, L"a\u4e2d", "*"));
    CHECK_EQUAL(3u, size);
    CHECK_EQUAL(std::string("a*"), narrow);
    delete[] narrow;
    CHECK(CharacterSetConversions::CopyToNewMBCS(narrow, size, CString(L"xyz")));
    CHECK_EQUAL(std::string("xyz"), narrow);
    delete[] narrow;
    size = 77;
    narrow = nullptr;
    CHECK(!CharacterSetConversions::CopyToNewMBCS(narrow, size, static_cast<const wchar_t*>(nullptr)));
    CHECK_EQUAL(77u, size);
    CHECK(narrow == nullptr);
  }
}

SUITE(MFormatString) {
  TEST(FormatsOrStaysWithoutBuffer) {
    MFormatString text(L"%s=%d", L"n", 5);
    CHECK_WIDE(L"n=5", text.C_STR());
    CHECK_EQUAL(4u, text.SIZE());
    MFormatString none(nullptr);
    CHECK_EQUAL(0u, none.SIZE());
    MFormatString copy(text);
    CHECK_WIDE(L"n=5", copy.C_STR());
    MFormatString moved(std::move(copy));
    CHECK_WIDE(L"n=5", moved.C_STR());
    CHECK_EQUAL(0u, copy.SIZE());
    none = std::move(moved);
    CHECK_WIDE(L"n=5", none.C_STR());
  }
}
