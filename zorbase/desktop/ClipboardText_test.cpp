// Copying text to and from the clipboard in one call: Unicode text (non-Latin included) round
// trips, ANSI-only text reads back as Unicode, and an empty or unreachable clipboard gives 0.
// The DesktopClipboardXvfb test runs this suite against an X server's clipboard.
#include <zorbase/desktop/ClipboardText.h>

#include <UnitTest++/UnitTest++.h>

#include <thread>

#include <zorbase/platform/clipboard.h>
#ifndef _WIN32
#include <zorbase/platform/internal/fake_programs.h>
#endif
#include <zorbase/strings/internal/wide_check.h>

SUITE(DesktopClipboard) {

TEST(UnicodeTextRoundTrips) {
  const wchar_t* texts[] = {L"plain", L"\u0416\u0438\u0437\u043d\u044c \u03b2\u03af\u03bf\u03c2",
                            L"\u4f60\u597d\uff0c\u4e16\u754c", L"\u05e9\u05dc\u05d5\u05dd \u2713",
                            L"line one\r\nline two\ttab"};
  for (const wchar_t* text : texts) {
    CHECK_EQUAL(1, CopyStringToClipboard(text));
    CString back;
    CHECK_EQUAL(1, GetTextFromClipboard(back));
    CHECK_WIDE(text, back);
  }
}

TEST(AnsiOnlyTextReadsBackAsUnicode) {
  CHECK_EQUAL(1, CopyStringToClipboard("Caf\xe9 \x80 10"));  // windows-1252
  CString back;
  CHECK_EQUAL(1, GetTextFromClipboard(back));
  CHECK_WIDE(L"Caf\u00e9 \u20ac 10", back);
}

TEST(NoTextLeavesTheStringAlone) {
  CHECK(OpenClipboard(nullptr));
  CHECK(EmptyClipboard());
  CHECK(CloseClipboard());
  CString text(L"unchanged");
  CHECK_EQUAL(0, GetTextFromClipboard(text));
  CHECK_WIDE(L"unchanged", text);
  CHECK_EQUAL(0, CopyStringToClipboard(static_cast<const wchar_t*>(nullptr)));
  CHECK_EQUAL(0, CopyStringToClipboard(static_cast<const char*>(nullptr)));
}

TEST(OpenElsewhereOrUnreachableGivesZero) {
  CHECK(OpenClipboard(nullptr));  // another opener in this thread is fine; let another thread try
  int copied = -1;
  std::thread([&] { copied = CopyStringToClipboard(L"x"); }).join();
  CHECK_EQUAL(0, copied);
  CHECK(CloseClipboard());

#ifndef _WIN32  // a display that cannot be reached is the Linux clipboard's (X11/Wayland) case
  zb::test::FakePrograms nothing("dclip_missing");
  zb::test::ScopedEnv display("DISPLAY", ":97");
  zb::test::ScopedEnv no_wayland("WAYLAND_DISPLAY", nullptr);
  CHECK_EQUAL(0, CopyStringToClipboard(L"x"));
  CString text(L"kept");
  CHECK_EQUAL(0, GetTextFromClipboard(text));
  CHECK_WIDE(L"kept", text);
  CHECK(GetOpenClipboardWindow() == nullptr);  // closed again
#endif
}

}  // SUITE(DesktopClipboard)
