#include <zorbase/progress/TerminalProgress.h>

#include <string>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/progress/MProgress.h>

namespace {

zb::TerminalProgress::Options Capture(std::string* out, zb::TerminalProgress::Mode mode) {
  zb::TerminalProgress::Options options;
  options.mode = mode;
  options.delay = std::chrono::milliseconds(0);
  options.interval = std::chrono::milliseconds(0);
  options.columns = 40;
  options.output = [out](const std::string& bytes) { *out += bytes; };
  return options;
}

}  // namespace

SUITE(TerminalProgress) {

TEST(PlainLinesWhenNotATerminal) {
  MProgress::ResetUITargets();
  std::string out;
  {
    zb::TerminalProgress target(Capture(&out, zb::TerminalProgress::Mode::kPlain));
    MProgress outer(0, 2, false);
    outer.SetText(L"copy");
    outer.Begin(0, 2);
    {
      MProgress inner(0, 4, false);
      inner.SetText(L"a.txt");
      inner.Begin(0, 4);
      for (int i = 1; i <= 4; ++i) inner.SetCurrentPosition(i);
    }
    outer.SetCurrentPosition(2);
  }
  CHECK_EQUAL("copy\n  a.txt\n  a.txt: 25%\n  a.txt: 50%\n  a.txt: 75%\n  a.txt: 100%\ncopy: 100%\n", out);
}

TEST(TerminalLinesPerLevelRedrawnInPlaceAndErased) {
  MProgress::ResetUITargets();
  std::string out;
  {
    zb::TerminalProgress target(Capture(&out, zb::TerminalProgress::Mode::kTerminal));
    MProgress outer(0, 2, false);
    outer.SetText(L"copy");
    outer.Begin(0, 2);
    out.clear();
    MProgress inner(0, 2, false);
    inner.SetText(L"\u00e4.txt");
    inner.Begin(0, 2);
    // Two lines, the cursor first moved up over the one line drawn before.
    // 40 columns: caption room, " [", a 15-column bar, "] NNN%", one column spare.
    const std::string bar0 = " [...............]   0%";
    CHECK_EQUAL("\033[1A\r\033[Kcopy" + std::string(12, ' ') + bar0 + "\n\033[K  \xc3\xa4.txt" +
                    std::string(9, ' ') + bar0 + "\n\033[J",
                out);
    out.clear();
    inner.SetCurrentPosition(1);
    CHECK(out.find("\033[2A") == 0);
    CHECK(out.find("[#######........]  50%") != std::string::npos);
    out.clear();
    inner.SetCurrentPosition(1);  // nothing changed: nothing drawn
    CHECK(out.empty());
    inner.End();
    target.Clear();
  }
  CHECK(out.find("\033[J") != std::string::npos);
  // The previous (empty) targets are back: a new progress reaches nobody.
  out.clear();
  MProgress after;
  after.SetCurrentPosition(50);
  CHECK(out.empty());
}

}
