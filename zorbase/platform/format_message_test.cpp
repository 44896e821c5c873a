#include <zorbase/platform/format_message.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>

#include <zorbase/platform/last_error.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

DWORD Format(DWORD flags, LPCVOID source, DWORD id, wchar_t* buffer, DWORD size, ...) {
  va_list args;
  va_start(args, size);
  DWORD n = FormatMessageW(flags, source, id, 0, buffer, size, &args);
  va_end(args);
  return n;
}

}  // namespace

SUITE(FormatMessage) {

TEST(SystemTextsEndWithCarriageReturnLineFeed) {
  wchar_t buffer[128];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 5,
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, 128, nullptr);
  CHECK_WIDE(L"Access is denied.\r\n", buffer);
  CHECK_EQUAL(19u, n);
}

TEST(UnknownCodeFailsWithMessageNotFound) {
  wchar_t buffer[128];
  CHECK_EQUAL(0u, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x2FFFFFF0u, 0, buffer, 128,
                                 nullptr));
  CHECK_EQUAL(ERROR_MR_MID_NOT_FOUND, GetLastError());
}

TEST(TooSmallBufferFails) {
  wchar_t buffer[4];
  CHECK_EQUAL(0u, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, buffer, 4, nullptr));
  CHECK_EQUAL(ERROR_INSUFFICIENT_BUFFER, GetLastError());
}

TEST(AllocatedBufferIsFreedWithLocalFree) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 2,
                           0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  CHECK(n > 0 && text != nullptr);
  CHECK_WIDE(L"The system cannot find the file specified.\r\n", text);
  CHECK(LocalFree(text) == nullptr);
}

TEST(InsertsAndEscapes) {
  wchar_t buffer[128];
  Format(FORMAT_MESSAGE_FROM_STRING, L"%1 has %2!d! items%n100%% done%0 ignored", 0, buffer, 128,
         L"List", 7);
  CHECK_WIDE(L"List has 7 items\r\n100% done", buffer);
  Format(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 193, buffer, 128);
  CHECK_WIDE(L"%1 is not a valid Win32 application.\r\n", buffer);
  Format(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 193, buffer, 128, L"tool.exe");
  CHECK_WIDE(L"tool.exe is not a valid Win32 application.\r\n", buffer);
}

TEST(InsertsWithoutArgumentsAreRefused) {
  wchar_t buffer[64];
  CHECK_EQUAL(0u, FormatMessageW(FORMAT_MESSAGE_FROM_STRING, L"x %1", 0, 0, buffer, 64, nullptr));
  CHECK_EQUAL(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(CodesWithoutWindowsTextGetTheErrnoText) {
  // Every errno value the library maps has a text, from the Windows table or the C library.
  for (int e = 1; e < 134; ++e) {
    std::wstring text;
    CHECK(zb::platform::SystemMessageText(zb::platform::ErrorFromErrno(e), &text));
  }
}

}
