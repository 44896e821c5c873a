#include <zorbase/system/MException.h>
#include <zorbase/system/MMExceptionTranslator.h>

#include <UnitTest++/UnitTest++.h>

#include <cwchar>

#include <zorbase/strings/internal/wide_check.h>

namespace {

const wchar_t kUnknown[] = L"Uknown exception type.\n";

// A client table that lists nothing of its own for 0x20 but links to one that does.
const MException::sType kInner[] = {
    {0x20, L"INNER\n", L"inner description\n"},
    {MException::MAX_EX_CODE, nullptr, nullptr},
};
const MException::sType kOuter[] = {
    {0x10, L"OUTER\n", L"outer description\n"},
    {MException::MAX_EX_CODE, nullptr, reinterpret_cast<const wchar_t*>(kInner)},
};
// Two tables that link to each other: a lookup of a missing code must end.
extern const MException::sType kLoopB[];
const MException::sType kLoopA[] = {
    {1, L"A\n", L"a\n"}, {MException::MAX_EX_CODE, nullptr, reinterpret_cast<const wchar_t*>(kLoopB)}};
const MException::sType kLoopB[] = {
    {2, L"B\n", L"b\n"}, {MException::MAX_EX_CODE, nullptr, reinterpret_cast<const wchar_t*>(kLoopA)}};

enum ThrownClass { kNone, kHard, kM, kFlt, kInt };

// What the library's translator throws for `code`, found by calling it as a thread would.
ThrownClass Translate(DWORD code, DWORD* thrown_code, const wchar_t** name) {
  MMExceptionTranslator installed;
  _se_translator_function translate = _set_se_translator(nullptr);
  _set_se_translator(translate);
  try {
    translate(code, nullptr);
  } catch (const MMIntException& e) {
    *thrown_code = e.GetType(), *name = e.GetName();
    return kInt;
  } catch (const MMFltException& e) {
    *thrown_code = e.GetType(), *name = e.GetName();
    return kFlt;
  } catch (const MMException& e) {
    *thrown_code = e.GetType(), *name = e.GetName();
    return kM;
  } catch (const MHardException& e) {
    *thrown_code = e.GetType(), *name = e.GetName();
    return kHard;
  }
  return kNone;
}

}  // namespace

SUITE(MException) {

TEST(SeTypeTableHasTwentyRowsAndATerminator) {
  int rows = 0;
  while (SeTypeTable[rows].code != MException::MAX_EX_CODE) ++rows;
  CHECK_EQUAL(20, rows);
  CHECK(SeTypeTable[20].name == nullptr);
  CHECK(SeTypeTable[20].description == nullptr);
  for (int i = 0; i < rows; ++i) {
    std::size_t n = std::wcslen(SeTypeTable[i].name), d = std::wcslen(SeTypeTable[i].description);
    CHECK(n > 0 && SeTypeTable[i].name[n - 1] == L'\n');
    CHECK(d > 0 && SeTypeTable[i].description[d - 1] == L'\n');
  }
  CHECK_EQUAL(0xFFFFFFFFu, MException::MAX_EX_CODE);
}

TEST(TextsKeepTheirSpacing) {
  MException denormal(0xC000008D, SeTypeTable);
  CHECK_WIDE(L"One of the operands in a floating-point operation is denormal.     A denormal value "
             L"is one that is too small to represent as a standard floating-point value\n",
             denormal.GetDescription());
  MException disposition(0xC0000026, SeTypeTable);
  CHECK_WIDE(L"EXCEPTION_INVALID_DISPOSITION\n", disposition.GetName());
  CHECK(std::wcsstr(disposition.GetDescription(), L"dispatcher.    Programmers") != nullptr);
  MException misaligned(0x80000002, SeTypeTable);
  CHECK(std::wcsstr(misaligned.GetDescription(), L"alignment.    For example") != nullptr);
}

TEST(UnknownCodeAnswersUnknownType) {
  MException e(0x12345678, SeTypeTable);
  CHECK_WIDE(kUnknown, e.GetName());
  CHECK_WIDE(kUnknown, e.GetDescription());
  MException no_table;
  CHECK_WIDE(kUnknown, no_table.GetName());
}

TEST(LinkedTableAnswersForNameAndDescription) {
  MException e(0x20, kOuter);
  CHECK_WIDE(L"INNER\n", e.GetName());
  CHECK_WIDE(L"inner description\n", e.GetDescription());
  MException own(0x10, kOuter);
  CHECK_WIDE(L"OUTER\n", own.GetName());
}

TEST(LoopingTablesEndWithUnknownType) {
  MException found(2, kLoopA);
  CHECK_WIDE(L"B\n", found.GetName());
  MException missing(3, kLoopA);
  CHECK_WIDE(kUnknown, missing.GetName());
  CHECK_WIDE(kUnknown, missing.GetDescription());
}

TEST(CodeOperatorsAndCopiesBetweenClasses) {
  MMIntException source(0xC0000094, SeTypeTable);
  MHardException copy(0, nullptr);
  copy = source;
  CHECK(copy == 0xC0000094u);
  CHECK(!(copy != 0xC0000094u));
  copy = 0xC0000005u;
  CHECK_EQUAL(0xC0000005u, copy.GetType());
  CHECK_WIDE(L"EXCEPTION_ACCESS_VIOLATION\n", copy.GetName());
  copy.SetType(7);
  CHECK_EQUAL(7u, copy.GetType());
}

TEST(TranslatorThrowsTheClassOfEveryTableRow) {
  struct Case { DWORD code; ThrownClass cls; };
  const Case cases[] = {
      {0xC0000005, kHard}, {0x80000002, kHard}, {0x80000003, kHard}, {0x80000004, kHard},
      {0xC0000006, kHard}, {0xC000001D, kHard}, {0xC0000025, kHard}, {0xC0000026, kHard},
      {0xC0000096, kHard}, {0xC000008C, kM},    {0xC00000FD, kM},    {0xC000008D, kFlt},
      {0xC000008E, kFlt},  {0xC000008F, kFlt},  {0xC0000090, kFlt},  {0xC0000091, kFlt},
      {0xC0000092, kFlt},  {0xC0000093, kFlt},  {0xC0000094, kInt},  {0xC0000095, kInt},
      {0xC0000008, kNone}, {0xC000008B, kNone}, {0xC0000097, kNone}, {0, kNone}};
  for (const Case& c : cases) {
    DWORD thrown = 0;
    const wchar_t* name = nullptr;
    CHECK_EQUAL(static_cast<int>(c.cls), static_cast<int>(Translate(c.code, &thrown, &name)));
    if (c.cls == kNone) continue;
    CHECK_EQUAL(c.code, thrown);
    MException expected(c.code, SeTypeTable);
    CHECK_WIDE(expected.GetName(), name);
  }
}

TEST(TranslatorIsPerThreadAndRestoresThePrevious) {
  _se_translator_function before = _set_se_translator(nullptr);
  _set_se_translator(before);
  {
    MMExceptionTranslator installed;
    _se_translator_function now = _set_se_translator(nullptr);
    _set_se_translator(now);
    CHECK(now != nullptr);
  }
  _se_translator_function after = _set_se_translator(nullptr);
  _set_se_translator(after);
  CHECK(after == before);
}

}
