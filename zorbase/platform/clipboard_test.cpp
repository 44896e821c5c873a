// The clipboard calls: who may open it, text in both formats with the conversion between them,
// the desktop's programs (real ones under a display, stand-ins otherwise), and programs that hang
// or are missing.
#include <zorbase/platform/clipboard.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <zorbase/platform/child_process.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/internal/fake_programs.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

using zb::test::FakePrograms;
using zb::test::ScopedEnv;

HGLOBAL WideBlock(const std::wstring& text) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(block);
  return block;
}

HGLOBAL AnsiBlock(const std::string& text) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  return block;
}

// Puts one block on the clipboard as its only content; the result of SetClipboardData.
bool Put(UINT format, HGLOBAL block) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  const bool ok = SetClipboardData(format, block) != nullptr;
  if (!ok) GlobalFree(block);
  CloseClipboard();
  return ok;
}

std::wstring ReadWide() {
  std::wstring text = L"<none>";
  if (!OpenClipboard(nullptr)) return L"<not opened>";
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (data != nullptr) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

std::string ReadAnsi() {
  std::string text = "<none>";
  if (!OpenClipboard(nullptr)) return "<not opened>";
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data != nullptr) {
    text = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

bool HaveRealDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != 0 && std::getenv("WAYLAND_DISPLAY") == nullptr;
}

const wchar_t kUnicode[] =
    L"Gr\u00fc\u00dfe \u03a9\u03bc\u03ad\u03b3\u03b1 \u65e5\u672c\u8a9e \u2713";

// Round trips that hold for whichever clipboard is in use (a real display under Xvfb, the
// process's own otherwise).
void CheckRoundTrips() {
  CHECK(Put(CF_UNICODETEXT, WideBlock(kUnicode)));
  CHECK_WIDE(kUnicode, ReadWide());
  CHECK_EQUAL("Gr\xfc\xdf" "e ????? ??? ?", ReadAnsi());  // windows-1252, '?' for the rest

  CHECK(Put(CF_TEXT, AnsiBlock("Caf\xe9 \x80 5")));  // ANSI only: read back as Unicode
  CHECK_WIDE(L"Caf\u00e9 \u20ac 5", ReadWide());
  CHECK_EQUAL("Caf\xe9 \x80 5", ReadAnsi());

  CHECK(OpenClipboard(nullptr));
  CHECK(EmptyClipboard());
  CHECK(CloseClipboard());
  CHECK(!IsClipboardFormatAvailable(CF_UNICODETEXT));
  CHECK_WIDE(L"<none>", ReadWide());
}

}  // namespace

SUITE(Clipboard) {

TEST(OpenBelongsToOneThread) {
  CHECK(!CloseClipboard());
  CHECK_EQUAL(ERROR_CLIPBOARD_NOT_OPEN, GetLastError());
  CHECK(GetClipboardData(CF_TEXT) == nullptr);
  CHECK_EQUAL(ERROR_CLIPBOARD_NOT_OPEN, GetLastError());
  CHECK(!EmptyClipboard());
  HWND window = reinterpret_cast<HWND>(0x1234);
  CHECK(OpenClipboard(window));
  CHECK(OpenClipboard(window));  // again from the same thread
  CHECK(GetOpenClipboardWindow() == window);
  BOOL other_opened = TRUE;
  DWORD other_error = 0;
  std::thread([&] {
    other_opened = OpenClipboard(nullptr);
    other_error = GetLastError();
    CHECK(!CloseClipboard());
  }).join();
  CHECK(!other_opened);
  CHECK_EQUAL(ERROR_ACCESS_DENIED, other_error);
  CHECK(CloseClipboard());
  CHECK(GetOpenClipboardWindow() == nullptr);
  std::thread([] {
    CHECK(OpenClipboard(nullptr));
    CHECK(CloseClipboard());
  }).join();
}

TEST(RoundTripsOnTheClipboardInUse) {
  // Under Xvfb (the ClipboardXvfb test) this is the X server's clipboard through xclip.
  CheckRoundTrips();
}

TEST(ProcessClipboardWithoutDisplay) {
  ScopedEnv no_display("DISPLAY", nullptr);
  ScopedEnv no_wayland("WAYLAND_DISPLAY", nullptr);
  CheckRoundTrips();
}

TEST(ThroughXselWhenXclipIsMissing) {
  if (!HaveRealDisplay()) return;  // needs an X server: run by the ClipboardXvfb test
  FakePrograms programs("clip_xsel");
  programs.Link("xsel");
  CheckRoundTrips();
}

TEST(CopiesOfOtherProgramsShowHere) {
  if (!HaveRealDisplay()) return;  // needs an X server: run by the ClipboardXvfb test
  CHECK(Put(CF_UNICODETEXT, WideBlock(L"ours")));
  zb::platform::ProgramRun copy;
  copy.argv = {"xsel", "--clipboard", "--input"};
  copy.input = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";  // "Привет" in UTF-8
  CHECK_EQUAL(ERROR_SUCCESS, zb::platform::RunProgram(copy).error);
  CHECK(IsClipboardFormatAvailable(CF_UNICODETEXT));
  CHECK_WIDE(L"\u041f\u0440\u0438\u0432\u0435\u0442", ReadWide());
  CHECK_EQUAL("??????", ReadAnsi());
  zb::platform::ProgramRun paste;
  paste.argv = {"xsel", "--clipboard", "--output"};
  paste.capture_output = true;
  CHECK(Put(CF_UNICODETEXT, WideBlock(kUnicode)));
  CHECK_EQUAL(zb::platform::WideToUtf8(kUnicode), zb::platform::RunProgram(paste).output);
}

TEST(FormatsOfferedAndEnumerated) {
  ScopedEnv no_display("DISPLAY", nullptr);
  ScopedEnv no_wayland("WAYLAND_DISPLAY", nullptr);
  CHECK(Put(CF_TEXT, AnsiBlock("abc")));
  CHECK_EQUAL(2, CountClipboardFormats());
  CHECK(OpenClipboard(nullptr));
  CHECK_EQUAL(CF_TEXT, EnumClipboardFormats(0));  // the format set first, then the converted one
  CHECK_EQUAL(CF_UNICODETEXT, EnumClipboardFormats(CF_TEXT));
  CHECK_EQUAL(0u, EnumClipboardFormats(CF_UNICODETEXT));
  CHECK_EQUAL(ERROR_SUCCESS, GetLastError());
  HANDLE wide = GetClipboardData(CF_UNICODETEXT);
  CHECK(wide != nullptr && wide == GetClipboardData(CF_UNICODETEXT));  // one converted block
  CHECK(GetClipboardData(2) == nullptr);
  CHECK(CloseClipboard());
  CHECK_EQUAL(0u, EnumClipboardFormats(0));
  CHECK_EQUAL(ERROR_CLIPBOARD_NOT_OPEN, GetLastError());
}

TEST(BadDataIsRefusedAndStaysTheCallers) {
  ScopedEnv no_display("DISPLAY", nullptr);
  ScopedEnv no_wayland("WAYLAND_DISPLAY", nullptr);
  HGLOBAL block = WideBlock(L"x");
  CHECK(SetClipboardData(CF_UNICODETEXT, block) == nullptr);  // not open
  CHECK_EQUAL(ERROR_CLIPBOARD_NOT_OPEN, GetLastError());
  CHECK(OpenClipboard(nullptr));
  CHECK(EmptyClipboard());
  CHECK(SetClipboardData(2, block) == nullptr);
  CHECK_EQUAL(ERROR_NOT_SUPPORTED, GetLastError());
  CHECK(SetClipboardData(CF_UNICODETEXT, nullptr) == nullptr);
  CHECK_EQUAL(ERROR_INVALID_PARAMETER, GetLastError());
  int not_a_block = 0;
  CHECK(SetClipboardData(CF_UNICODETEXT, &not_a_block) == nullptr);
  CHECK_EQUAL(ERROR_INVALID_HANDLE, GetLastError());
  CHECK(CloseClipboard());
  CHECK(GlobalFree(block) == nullptr);  // still ours to free

  // Text without a terminator is read up to the end of its block (the block itself comes back
  // as it was given, so only its converted form is read as a string here).
  HGLOBAL unterminated = GlobalAlloc(GMEM_MOVEABLE, 3 * sizeof(wchar_t));
  std::wmemcpy(static_cast<wchar_t*>(GlobalLock(unterminated)), L"abc", 3);
  GlobalUnlock(unterminated);
  CHECK(Put(CF_UNICODETEXT, unterminated));
  CHECK_EQUAL("abc", ReadAnsi());  // the converted block ends with a terminator
}

TEST(DesktopGetsUtf8ThroughXclip) {
  FakePrograms programs("clip_fake_xclip", true);
  const std::string store = programs.dir().Native("store");
  programs.Add("xclip", "case \"$*\" in *-in*) echo \"$*\" > '" + store + ".args'; cat > '" +
                            store + "';; *-out*) cat '" + store + "' 2>/dev/null || exit 1;; esac");
  ScopedEnv display("DISPLAY", ":97");
  ScopedEnv no_wayland("WAYLAND_DISPLAY", nullptr);
  CHECK(Put(CF_UNICODETEXT, WideBlock(L"\u00e9\u4e2d")));
  CHECK_EQUAL("\xc3\xa9\xe4\xb8\xad", programs.dir().Get("store"));
  CHECK_EQUAL("-selection clipboard -in -target UTF8_STRING\n", programs.dir().Get("store.args"));
  programs.dir().Put("store", "from elsewhere \xe2\x82\xac");
  CHECK_WIDE(L"from elsewhere \u20ac", ReadWide());
}

TEST(WaylandToolsUnderWayland) {
  FakePrograms programs("clip_fake_wayland", true);
  const std::string store = programs.dir().Native("store");
  programs.Add("wl-copy", "cat > '" + store + "'");
  programs.Add("wl-paste", "cat '" + store + "' 2>/dev/null || exit 1");
  ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-97");
  CHECK(Put(CF_UNICODETEXT, WideBlock(L"\u0416")));
  CHECK_EQUAL("\xd0\x96", programs.dir().Get("store"));
  CHECK_WIDE(L"\u0416", ReadWide());
}

TEST(HangingProgramGivesTimeout) {
  FakePrograms programs("clip_hang", true);
  programs.Add("xclip", "exec sleep 60");
  ScopedEnv display("DISPLAY", ":97");
  ScopedEnv no_wayland("WAYLAND_DISPLAY", nullptr);
  ScopedEnv timeout("ZORBASE_CLIPBOARD_TIMEOUT_MS", "200");
  CHECK(OpenClipboard(nullptr));
  CHECK(EmptyClipboard());
  HGLOBAL block = WideBlock(L"x");
  CHECK(SetClipboardData(CF_UNICODETEXT, block) == nullptr);
  CHECK_EQUAL(ERROR_TIMEOUT, GetLastError());
  CHECK(CloseClipboard());
  GlobalFree(block);
  CHECK(!IsClipboardFormatAvailable(CF_UNICODETEXT));
  CHECK_EQUAL(ERROR_TIMEOUT, GetLastError());
}

TEST(MissingProgramsGiveFileNotFound) {
  FakePrograms programs("clip_missing");  // PATH holds nothing
  ScopedEnv display("DISPLAY", ":97");
  ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-97");
  CHECK(OpenClipboard(nullptr));
  HGLOBAL block = AnsiBlock("x");
  CHECK(SetClipboardData(CF_TEXT, block) == nullptr);
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK(GetClipboardData(CF_TEXT) == nullptr);
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK(CloseClipboard());
  GlobalFree(block);
}

}  // SUITE(Clipboard)

SUITE(GlobalMemory) {

TEST(LocksSizesAndFrees) {
  HGLOBAL fixed = GlobalAlloc(GPTR, 10);
  CHECK(fixed != nullptr);
  CHECK(GlobalLock(fixed) == fixed);  // a fixed block's handle is its address
  CHECK_EQUAL(0, static_cast<unsigned char*>(fixed)[9]);
  CHECK_EQUAL(10u, GlobalSize(fixed));

  HGLOBAL movable = GlobalAlloc(GHND, 4);
  void* data = GlobalLock(movable);
  CHECK(data != nullptr && data != movable);
  CHECK(GlobalLock(movable) == data);
  CHECK(GlobalUnlock(movable));  // one lock left
  CHECK(!GlobalUnlock(movable));
  CHECK_EQUAL(ERROR_SUCCESS, GetLastError());
  CHECK(!GlobalUnlock(movable));
  CHECK_EQUAL(ERROR_NOT_LOCKED, GetLastError());

  CHECK(GlobalFree(movable) == nullptr);
  CHECK(GlobalFree(movable) == movable);  // freed handles are refused, never reused
  CHECK_EQUAL(ERROR_INVALID_HANDLE, GetLastError());
  CHECK(GlobalLock(movable) == nullptr);
  CHECK_EQUAL(0u, GlobalSize(movable));
  CHECK(GlobalFree(fixed) == nullptr);
  CHECK(GlobalFree(nullptr) == nullptr);
}

}  // SUITE(GlobalMemory)
