// The library's HTML Help viewer on help files made by a real help compiler: context ids through
// the file's map, text streams, topics extracted and opened, viewers preferred when installed,
// text pop-ups, and damaged or foreign files.
#include <zorbase/platform/html_help.h>

#include <UnitTest++/UnitTest++.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/internal/help_fixtures.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/resources.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

using zb::test::FakeOpener;
using zb::test::ScratchDir;

std::vector<std::wstring> g_popups;
void CapturePopup(const wchar_t* text) { g_popups.push_back(text); }

// The native path after "xdg-open " in a recorded call.
std::string OpenedPath(const std::string& call) {
  const std::string prefix = "xdg-open ";
  return call.compare(0, prefix.size(), prefix) == 0 ? call.substr(prefix.size()) : std::string();
}

std::string ReadNative(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

SUITE(HtmlHelp) {

TEST(ContextIdsAndTopicsOfACompiledFile) {
  ScratchDir dir("hh_index");
  REQUIRE CHECK(zb::test::MakeHelpFixtures(dir));
  zb::platform::HelpFileIndex index;
  CHECK_EQUAL(ERROR_SUCCESS,
              zb::platform::ReadHelpFileIndex(dir.Win(L"GettingStarted.chm").c_str(), &index));
  REQUIRE CHECK_EQUAL(2u, index.contexts.size());
  CHECK_EQUAL(32768u, index.contexts[0].first);
  CHECK_WIDE(L"/tip1.htm", index.contexts[0].second);
  CHECK_EQUAL(32769u, index.contexts[1].first);
  CHECK_WIDE(L"/tip2.htm", index.contexts[1].second);
  CHECK_WIDE(L"/index.htm", index.default_topic);
  bool has_picture = false;
  for (const std::wstring& topic : index.topics) has_picture |= topic == L"/img/pic.png";
  CHECK(has_picture);
}

TEST(TextStreamReadFromTheFile) {
  ScratchDir dir("hh_stream");
  REQUIRE CHECK(zb::test::MakeHelpFixtures(dir));
  std::string bytes;
  const std::wstring file = dir.Win(L"GettingStarted.chm");
  CHECK_EQUAL(ERROR_SUCCESS, zb::platform::ReadHelpFileStream(file.c_str(), L"/tips.txt", &bytes));
  CHECK_EQUAL(zb::test::TipsText(), bytes);
  CHECK_EQUAL(ERROR_SUCCESS, zb::platform::ReadHelpFileStream(file.c_str(), L"TIPS.TXT", &bytes));
  CHECK_EQUAL(zb::test::TipsText(), bytes);
  CHECK_EQUAL(ERROR_NOT_FOUND,
              zb::platform::ReadHelpFileStream(file.c_str(), L"/no-such.txt", &bytes));
  CHECK_EQUAL(ERROR_INVALID_PARAMETER,
              zb::platform::ReadHelpFileStream(file.c_str(), L"../..", &bytes));
}

TEST(ContextTopicIsExtractedWithItsLinksAndOpened) {
  ScratchDir dir("hh_extract");
  REQUIRE CHECK(zb::test::MakeHelpFixtures(dir));
  FakeOpener opener("hh_extract_bin");
  const std::wstring file = dir.Win(L"GettingStarted.chm");
  CHECK(HtmlHelpW(nullptr, file.c_str(), HH_HELP_CONTEXT, 32768) != nullptr);
  const std::vector<std::string> calls = opener.Calls();
  REQUIRE CHECK_EQUAL(1u, calls.size());
  const std::string opened = OpenedPath(calls[0]);
  CHECK(EndsWith(opened, "/tip1.htm"));
  const std::string folder = opened.substr(0, opened.size() - 9);
  CHECK(ReadNative(opened).find("First tip") != std::string::npos);
  CHECK_EQUAL(zb::test::PictureBytes(), ReadNative(folder + "/img/pic.png"));
  CHECK(ReadNative(folder + "/tip2.htm").find("Second tip") != std::string::npos);

  CHECK(HtmlHelpW(nullptr, file.c_str(), HH_HELP_CONTEXT, 40000) == nullptr);  // no such id
  CHECK_EQUAL(ERROR_NOT_FOUND, GetLastError());
  CHECK_EQUAL(1u, opener.Calls().size());
}

TEST(TopicsByNameAndTheDefaultTopic) {
  ScratchDir dir("hh_topics");
  REQUIRE CHECK(zb::test::MakeHelpFixtures(dir));
  FakeOpener opener("hh_topics_bin");
  const std::wstring file = dir.Win(L"GettingStarted.chm");
  CHECK(HtmlHelpW(nullptr, (file + L"::/tip2.htm>main").c_str(), HH_DISPLAY_TOPIC, 0) != nullptr);
  CHECK(HtmlHelpW(nullptr, file.c_str(), HH_DISPLAY_TOPIC,
                  reinterpret_cast<DWORD_PTR>(L"tip1.htm")) != nullptr);
  CHECK(HtmlHelpW(nullptr, file.c_str(), HH_DISPLAY_TOPIC, 0) != nullptr);
  CHECK(HtmlHelpA(nullptr, zb::platform::WideToMulti(file).c_str(), HH_DISPLAY_TOPIC,
                  reinterpret_cast<DWORD_PTR>("tip2.htm")) != nullptr);
  CHECK(HtmlHelpW(nullptr, (file + L"::/missing.htm").c_str(), HH_DISPLAY_TOPIC, 0) == nullptr);
  const std::vector<std::string> calls = opener.Calls();
  REQUIRE CHECK_EQUAL(4u, calls.size());
  CHECK(EndsWith(calls[0], "/tip2.htm"));
  CHECK(EndsWith(calls[1], "/tip1.htm"));
  CHECK(EndsWith(calls[2], "/index.htm"));
  CHECK(EndsWith(calls[3], "/tip2.htm"));
}

TEST(InstalledChmViewersArePreferred) {
  ScratchDir dir("hh_viewers");
  REQUIRE CHECK(zb::test::MakeHelpFixtures(dir));
  const std::wstring file = dir.Win(L"GettingStarted.chm");
  const std::string native = dir.Native("GettingStarted.chm");
  {
    FakeOpener opener("hh_viewers_xchm");
    opener.AddViewer("xchm");
    CHECK(HtmlHelpW(nullptr, file.c_str(), HH_HELP_CONTEXT, 32769) != nullptr);
    const std::vector<std::string> calls = opener.WaitForCalls(1);
    REQUIRE CHECK_EQUAL(1u, calls.size());
    CHECK_EQUAL("xchm -c 32769 " + native, calls[0]);
  }
  {
    FakeOpener opener("hh_viewers_kchm");
    opener.AddViewer("kchmviewer");
    opener.AddViewer("xchm");
    CHECK(HtmlHelpW(nullptr, file.c_str(), HH_HELP_CONTEXT, 32769) != nullptr);
    const std::vector<std::string> calls = opener.WaitForCalls(1);
    REQUIRE CHECK_EQUAL(1u, calls.size());
    CHECK_EQUAL("kchmviewer -showPage /tip2.htm " + native, calls[0]);
  }
}

TEST(NoProgramToShowWithIsAFailure) {
  ScratchDir dir("hh_noviewer");
  REQUIRE CHECK(zb::test::MakeHelpFixtures(dir));
  zb::test::FakePrograms nothing("hh_noviewer_bin");
  CHECK(HtmlHelpW(nullptr, dir.Win(L"GettingStarted.chm").c_str(), HH_HELP_CONTEXT, 32768) ==
        nullptr);
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  nothing.Add("xdg-open", "exit 4");  // xdg-open's "the action failed"
  CHECK(HtmlHelpW(nullptr, dir.Win(L"GettingStarted.chm").c_str(), HH_HELP_CONTEXT, 32768) ==
        nullptr);
  CHECK_EQUAL(ERROR_NO_ASSOCIATION, GetLastError());
}

TEST(TextPopupsGoToTheSink) {
  ScratchDir dir("hh_popups");
  REQUIRE CHECK(zb::test::MakeHelpFixtures(dir));
  g_popups.clear();
  zb::platform::HelpTextSink old = zb::platform::SetHelpTextSink(&CapturePopup);
  const std::wstring file = dir.Win(L"app.chm") + L"::\\Help.txt";
  HH_POPUP popup = {};
  popup.cbStruct = sizeof popup;
  struct Case {
    UINT id;
    const wchar_t* text;
  } cases[] = {{1001, L"The OK button."}, {0x3EA, L"Cancel\nline two"}, {1003, nullptr}};
  for (const Case& c : cases) {
    popup.idString = c.id;
    HWND shown = HtmlHelpW(nullptr, file.c_str(), HH_DISPLAY_TEXT_POPUP,
                           reinterpret_cast<DWORD_PTR>(&popup));
    CHECK_EQUAL(c.text != nullptr, shown != nullptr);
  }
  popup.idString = 0;
  popup.pszText = L"Direct text";
  CHECK(HtmlHelpW(nullptr, nullptr, HH_DISPLAY_TEXT_POPUP, reinterpret_cast<DWORD_PTR>(&popup)));
  CHECK(HtmlHelpW(nullptr, nullptr, HH_DISPLAY_TEXT_POPUP, 0) == nullptr);
  zb::platform::SetHelpTextSink(old);
  REQUIRE CHECK_EQUAL(3u, g_popups.size());
  CHECK_WIDE(L"The OK button.", g_popups[0]);
  CHECK_WIDE(L"Cancel\nline two", g_popups[1]);
  CHECK_WIDE(L"Direct text", g_popups[2]);
}

TEST(DamagedAndForeignFilesGiveErrors) {
  ScratchDir dir("hh_damaged");
  REQUIRE CHECK(zb::test::MakeHelpFixtures(dir));
  FakeOpener opener("hh_damaged_bin");
  const std::string good = dir.Get("GettingStarted.chm");
  dir.Put("text.chm", "This is not a compiled help file.\n");
  dir.Put("empty.chm", "");
  dir.Put("folder.chm/x", "");
  zb::platform::HelpFileIndex index;
  struct Case {
    const wchar_t* name;
    DWORD error;
  } cases[] = {{L"missing.chm", ERROR_FILE_NOT_FOUND},
               {L"text.chm", ERROR_BAD_FORMAT},
               {L"empty.chm", ERROR_BAD_FORMAT},
               {L"folder.chm", ERROR_BAD_FORMAT}};
  for (const Case& c : cases) {
    CHECK_EQUAL(c.error, zb::platform::ReadHelpFileIndex(dir.Win(c.name).c_str(), &index));
    CHECK(HtmlHelpW(nullptr, dir.Win(c.name).c_str(), HH_HELP_CONTEXT, 32768) == nullptr);
  }
  // Truncated and overwritten copies: an error or what could be read, never a crash or a hang.
  std::vector<std::string> damaged;
  for (std::size_t cut : {std::size_t{40}, std::size_t{200}, std::size_t{0x60 + 8}, good.size() / 3,
                          good.size() / 2, good.size() - 300, good.size() - 1}) {
    damaged.push_back(good.substr(0, cut));
  }
  for (std::size_t at = 0; at < good.size(); at += good.size() / 16) {
    std::string copy = good;
    for (std::size_t k = at; k < std::min(copy.size(), at + 64); ++k) copy[k] = '\xA5';
    damaged.push_back(copy);
  }
  for (const std::string& bytes : damaged) {
    dir.Put("damaged.chm", bytes);
    const std::wstring file = dir.Win(L"damaged.chm");
    zb::platform::ReadHelpFileIndex(file.c_str(), &index);
    std::string stream;
    zb::platform::ReadHelpFileStream(file.c_str(), L"/tips.txt", &stream);
    HtmlHelpW(nullptr, file.c_str(), HH_HELP_CONTEXT, 32768);
  }
  CHECK(opener.Calls().size() <= damaged.size());
}

TEST(ViewerLoadsAsHhctrlWithItsOrdinals) {
  HMODULE module = LoadLibraryW(L"hhctrl.ocx");
  REQUIRE CHECK(module != nullptr);
  CHECK(GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(15))) ==
        reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&HtmlHelpW)));
  CHECK(GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(14))) ==
        GetProcAddress(module, "HtmlHelpA"));
  CHECK(FreeLibrary(module));
}

}  // SUITE(HtmlHelp)
