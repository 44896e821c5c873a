#include <zorbase/system/CTimeCount.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdio>
#include <regex>
#include <string>

#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/debug_output.h>
#include <zorbase/platform/path_mapping.h>

namespace {

std::string ReadAll(const wchar_t* name) {
  std::string text;
  if (FILE* in = _wfopen(name, L"rb")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    std::fclose(in);
  }
  return text;
}

// Debugger output and the class-wide log file go to files of drive C:, and back afterwards.
struct OutputFixture {
  OutputFixture() {
    _wremove(kLog);
    _wremove(kDebug);
    debug_native = zb::platform::DriveRoot(L'C') + "/timing_debug.txt";
    zb::platform::SetDebugOutputTarget(debug_native.c_str());
    CTimeCountOutput::SetOutputFileName(kLog);
  }
  ~OutputFixture() {
    CTimeCountOutput::SetOutputFileName(L"");
    zb::platform::SetDebugOutputTarget(nullptr);
  }
  static constexpr const wchar_t* kLog = L"C:\\timing.log";
  static constexpr const wchar_t* kDebug = L"C:\\timing_debug.txt";
  std::string debug_native;
};

}  // namespace

SUITE(CTimeCount) {

TEST(PollCountsUpAndPollAndResetStartsAgain) {
  CTimeCount count;
  volatile double sink = 0;
  for (int i = 0; i < 100000; ++i) sink = sink + i;
  float first = count.Poll();
  CHECK(first > 0.0f);
  CHECK(count.Poll() >= first);
  float lap = count.PollAndReset();
  CHECK(lap >= first);
  CHECK(count.Poll() < lap + 1000.0f);
  CTimeCount copy(count);
  CHECK(copy.Poll() >= 0.0f);
}

TEST_FIXTURE(OutputFixture, DestroyedTimerWritesOneLine) {
  { CTimeCountOutput timer(L"Load"); }
  // The log file is opened in text mode ("a+"), so its line ends in CR LF, as on Windows.
  CHECK(std::regex_match(ReadAll(kLog), std::regex("Load, [0-9]+\\.[0-9]{3} ms\r\n")));
  CHECK(std::regex_match(ReadAll(kDebug), std::regex("Load, [0-9]+\\.[0-9]{3} ms\n")));
}

TEST_FIXTURE(OutputFixture, FlushAndDisableReportsTheSameTimeAgainAndDestructionNothingMore) {
  {
    CTimeCountOutput timer(L"Save");
    timer.FlushAndDisable();
    timer.FlushAndDisable();
  }
  std::string text = ReadAll(kLog);
  std::smatch m;
  CHECK(std::regex_match(text, m, std::regex("(Save, [0-9.]+ ms\r\n)(Save, [0-9.]+ ms\r\n)")));
  if (m.size() == 3) CHECK_EQUAL(m[1].str(), m[2].str());
}

TEST_FIXTURE(OutputFixture, NamesInTheAnsiCodePage) {
  { CTimeCountOutput timer(L"M\u00FCller"); }
  std::string text = ReadAll(kLog);
  CHECK(text.rfind("M\xFCller, ", 0) == 0);  // Windows-1252
}

TEST(NothingIsWrittenWithoutDebuggerOrFile) {
  zb::platform::SetDebugOutputTarget("");
  CTimeCountOutput::SetOutputFileName(L"");
  { CTimeCountOutput timer(L"Quiet"); }  // nothing to check but that it is silent and safe
  zb::platform::SetDebugOutputTarget(nullptr);
  CHECK(CTimeCountOutput::GetOutputFileName().IsEmpty());
}

TEST(UnopenableLogFileIsSkipped) {
  CTimeCountOutput::SetOutputFileName(L"C:\\no\\such\\folder\\timing.log");
  { CTimeCountOutput timer(L"Skipped"); }
  CTimeCountOutput::SetOutputFileName(L"");
  CHECK(true);
}

}
