#include <zorbase/platform/wide_stdio.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdio>
#include <ctime>
#include <cwchar>
#include <string>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/crt_time.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/strings/internal/wide_check.h>

using zb::platform::GetWideLine;
using zb::platform::PutWideChar;
using zb::platform::PutWideText;

SUITE(WideStdio) {

TEST(TextModeWritesTheCodePageWithCrLf) {
  zb::test::ScratchDir dir("wide_stdio_write");
  FILE* file = _wfopen(dir.Win(L"out.txt").c_str(), L"w");
  CHECK(file != nullptr);
  if (file == nullptr) return;
  CHECK(PutWideText(L"\na->b", file) >= 0);
  CHECK_EQUAL(static_cast<int>(L'\n'), PutWideChar(L'\n', file));
  CHECK(PutWideText(L"caf\x00E9 \x4E2D", file) >= 0);
  CHECK_EQUAL(0, std::fclose(file));
  const std::string expected = GetACP() == CP_UTF8 ? "\r\na->b\r\ncaf\xC3\xA9 \xE4\xB8\xAD"
                                                   : "\r\na->b\r\ncaf\xE9 ?";
  CHECK_EQUAL(expected, dir.Get("out.txt"));
}

TEST(LinesComeBackWithoutCarriageReturns) {
  zb::test::ScratchDir dir("wide_stdio_read");
  dir.Put("in.txt", GetACP() == CP_UTF8 ? "one\r\n\xC3\xA9t\xC3\xA9\r\nlast" : "one\r\n\xE9t\xE9\r\nlast");
  FILE* file = _wfopen(dir.Win(L"in.txt").c_str(), L"r");
  CHECK(file != nullptr);
  if (file == nullptr) return;
  wchar_t line[16];
  CHECK(GetWideLine(line, 16, file) == line);
  CHECK_WIDE(L"one\n", line);
  // A short buffer takes what fits; the rest of the line comes with the next call.
  CHECK(GetWideLine(line, 3, file) == line);
  CHECK_WIDE(L"\x00E9t", line);
  CHECK(GetWideLine(line, 16, file) == line);
  CHECK_WIDE(L"\x00E9\n", line);
  CHECK(GetWideLine(line, 16, file) == line);
  CHECK_WIDE(L"last", line);
  CHECK(GetWideLine(line, 16, file) == nullptr);
  CHECK(GetWideLine(line, 0, file) == nullptr);
  CHECK(GetWideLine(nullptr, 16, file) == nullptr);
  std::fclose(file);
}

TEST(LocalTimeFormatsWithWcsftime) {
  const __time64_t noon = 1700000000;  // 2023-11-14 22:13:20 UTC
  struct tm* local = _localtime64(&noon);
  CHECK(local != nullptr);
  if (local == nullptr) return;
  wchar_t text[32];
  CHECK(std::wcsftime(text, 32, L"_%H_%M_%S", local) == 9);
  CHECK_EQUAL(static_cast<int>(L'_'), static_cast<int>(text[0]));
  const __time64_t negative = -1;
  CHECK(_localtime64(&negative) == nullptr);
  CHECK(_localtime64(nullptr) == nullptr);
  CHECK(_time64(nullptr) > noon);
}

}  // SUITE(WideStdio)
