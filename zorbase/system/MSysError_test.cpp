#include <zorbase/system/MSysError.h>

#include <UnitTest++/UnitTest++.h>

#include <cwchar>

#include <zorbase/platform/last_error.h>
#include <zorbase/strings/internal/wide_check.h>

SUITE(MSysError) {

TEST(KnownCodesGiveTheSystemTextWithoutLineEnd) {
  struct Case { DWORD code; const wchar_t* text; };
  const Case cases[] = {
      {2, L"The system cannot find the file specified."},
      {5, L"Access is denied."},
      {1060, L"The specified service does not exist as an installed service."},
      {1460, L"This operation returned because the timeout period expired."},
  };
  for (const Case& c : cases) {
    MSysError error;
    CHECK(error.Fill(c.code));
    CHECK_EQUAL(c.code, error.m_code);
    CHECK_WIDE(c.text, error.m_text);
  }
}

TEST(UnknownCodeGivesTheFallbackOnlyInLargeBuffers) {
  wchar_t buffer[64];
  CHECK(!MSysError::Fill(buffer, 41, 0x2FFFFFF0u));
  CHECK_WIDE(L"<error code=805306352 (0x2FFFFFF0)>", buffer);
  wmemset(buffer, L'x', 64);
  CHECK(!MSysError::Fill(buffer, 40, 0x2FFFFFF0u));
  CHECK_WIDE(L"", buffer);
}

TEST(CodeZeroIsAnEmptySuccess) {
  wchar_t buffer[8] = L"junk";
  CHECK(MSysError::Fill(buffer, 8, 0));
  CHECK_WIDE(L"", buffer);
}

TEST(SmallBuffersAreCutAndTerminated) {
  wchar_t buffer[8];
  wmemset(buffer, L'x', 8);
  CHECK(MSysError::Fill(buffer, 7, 5));
  CHECK_WIDE(L"Access", buffer);
  CHECK(!MSysError::Fill(nullptr, 10, 5));
}

TEST(AllOnesMeansTheThreadsLastError) {
  SetLastError(1062);
  MSysError error;
  CHECK(error.Fill(0xFFFFFFFFu));
  CHECK_EQUAL(1062u, error.m_code);
  CHECK_WIDE(L"The service has not been started.", error.m_text);
  SetLastError(3);
  CString text;
  CHECK_WIDE(L"The system cannot find the path specified.",
             MSysErrorCode::LoadError(text, 0xFFFFFFFFu).GetString());
}

TEST(AnyCodeGivesText) {
  const DWORD codes[] = {1, 31, 87, 183, 0x7FFFFFFF, 0xFFFFFFFE, 0x80000000u};
  for (DWORD code : codes) {
    MSysError error;
    error.Fill(code);
    CHECK(std::wcslen(error.m_text) > 0);
  }
}

TEST(ZorGetLastErrorIsNeverZero) {
  SetLastError(0);
  CHECK_EQUAL(1u, ZorGetLastError());
  CHECK_EQUAL(1u, GetLastError());
  SetLastError(112);
  CHECK_EQUAL(112u, ZorGetLastError());
}

}
