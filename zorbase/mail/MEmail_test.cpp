// MEmail: results of Send, what reaches the mail program, and the application's windows.
#include <zorbase/mail/MEmail.h>

#include <UnitTest++/UnitTest++.h>

// These tests drive the library's built-in messaging library, which hands mail to stand-in
// sendmail and xdg-email programs; on Windows mail goes through the system's messaging library.
#ifndef _WIN32

#include <string>
#include <vector>

#include <zorbase/platform/internal/mail_capture.h>
#include <zorbase/platform/internal/recording_windows.h>
#include <zorbase/platform/portable/codepage_testing.h>
#include <zorbase/platform/resources.h>
#include <zorbase/platform/window_messages.h>

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Two top-level windows of the test's thread: a main window and a modeless one.
struct AppWindows {
  AppWindows() : main(windows.Make()), modeless(windows.Make()) {
    SetActiveWindow(main);
    Changes().clear();
  }
  ~AppWindows() {
    DestroyWindow(modeless);
    DestroyWindow(main);
  }
  bool BothEnabled() const { return IsWindowEnabled(main) && IsWindowEnabled(modeless); }
  // The WM_ENABLE notifications the two windows received.
  static std::vector<WPARAM>& Changes() { return zb::test::RecordingWindows::Enables(); }
  zb::test::RecordingWindows windows;
  HWND main;
  HWND modeless;
};

}  // namespace

SUITE(MEmail) {

TEST(WithoutAnyMailProgramTheLibraryIsMissingAndWindowsStayEnabled) {
  zb::test::MailPrograms programs("memail_none");  // neither xdg-email nor sendmail on PATH
  AppWindows windows;
  CHECK(LoadLibraryW(L"mapi32.dll") == nullptr);
  MEmail mail;
  mail.SetSubject(L"Subject");
  mail.AddRecipient(L"someone@example.org", 1);
  CHECK_EQUAL(MEmail::NO_MESSAGING_LIBRARY, mail.Send());
  CHECK(windows.BothEnabled());
  CHECK(AppWindows::Changes().empty());  // never disabled, not even briefly
}

TEST(SendOpensTheMailProgramWithEverythingFilledIn) {
  zb::test::MailPrograms programs("memail_send");
  programs.AddXdgEmail();
  programs.dir().Put("report.pdf", std::string("%PDF-1.4\0\xff\x01", 11));
  AppWindows windows;
  MEmail mail;
  mail.SetSubject(L"Monthly report");
  mail.SetBody(L"See attached.");
  mail.AddRecipient(L"boss@example.org", 1);
  mail.AddRecipient(L"SMTP:team@example.org", 2);
  mail.AddAttachment(MFileName(programs.dir().Win(L"report.pdf").c_str()), MFileName(L"May.pdf"));
  CHECK_EQUAL(MEmail::SUCCESS, mail.Send());
  const std::vector<std::string> args = programs.Lines("xdg-email.args");
  CHECK_EQUAL(11u, args.size());
  if (args.size() == 11) {
    const std::vector<std::string> expected = {"--utf8", "--subject", "Monthly report", "--body",
                                               "See attached.", "--to", "boss@example.org", "--cc",
                                               "team@example.org", "--attach"};
    CHECK(std::vector<std::string>(args.begin(), args.begin() + 10) == expected);
    CHECK(EndsWith(args[10], "/May.pdf"));
  }
  CHECK(programs.Get("attached.1") == std::string("%PDF-1.4\0\xff\x01", 11));
  // The windows were disabled for the call and enabled again afterwards.
  CHECK(windows.BothEnabled());
  CHECK(AppWindows::Changes() == std::vector<WPARAM>({FALSE, FALSE, TRUE, TRUE}));
  CHECK(GetActiveWindow() == windows.main);
}

TEST(NoRecipientsAndNoAttachmentsStillOpenTheDialog) {
  zb::test::MailPrograms programs("memail_bare");
  programs.AddXdgEmail();
  MEmail mail;
  mail.SetSubject(L"Only a subject");
  mail.SetBody(L"and a body");
  CHECK_EQUAL(MEmail::SUCCESS, mail.Send());
  CHECK(programs.Lines("xdg-email.args") ==
        std::vector<std::string>({"--utf8", "--subject", "Only a subject", "--body", "and a body"}));
}

TEST(TextsAndNamesOutsideAsciiReachTheMailProgram) {
  // Texts go through the ANSI code page (1252 here) to the interface and as UTF-8 to the program.
  zb::platform::internal::ScopedAnsiCodePage code_page("1252");
  zb::test::MailPrograms programs("memail_text");
  programs.AddXdgEmail();
  programs.dir().Put("Gr\xc3\xbc\xc3\x9f" "e.txt", "bytes\r\n");
  MEmail mail;
  mail.SetSubject(L"Gr\u00fc\u00dfe aus K\u00f6ln");
  mail.SetBody(L"\u00bfQu\u00e9 tal?");
  mail.AddRecipient(L"J\u00f6rg <joerg@example.de>", 1);
  mail.AddAttachment(MFileName(programs.dir().Win(L"Gr\u00fc\u00dfe.txt").c_str()));
  CHECK_EQUAL(MEmail::SUCCESS, mail.Send());
  const std::vector<std::string> args = programs.Lines("xdg-email.args");
  CHECK_EQUAL(9u, args.size());
  if (args.size() == 9) {
    CHECK_EQUAL("Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln", args[2]);
    CHECK_EQUAL("\xc2\xbfQu\xc3\xa9 tal?", args[4]);
    CHECK_EQUAL("joerg@example.de", args[6]);
    CHECK(EndsWith(args[8], "/Gr\xc3\xbc\xc3\x9f" "e.txt"));
  }
  CHECK_EQUAL("bytes\r\n", programs.Get("attached.1"));

  // A name outside the code page cannot be attached (ResultsOfTheInterfaceBecomeTheClassResults);
  // with UTF-8 as the ANSI code page every name can.
  zb::platform::internal::ScopedAnsiCodePage utf8("65001");
  programs.dir().Put("\xe6\x97\xa5\xe6\x9c\xac.txt", "nihon");
  MEmail wide;
  wide.SetSubject(L"\u65e5\u672c");
  wide.AddAttachment(MFileName(programs.dir().Win(L"\u65e5\u672c.txt").c_str()));
  CHECK_EQUAL(MEmail::SUCCESS, wide.Send());
  const std::vector<std::string> wide_args = programs.Lines("xdg-email.args");
  CHECK_EQUAL(5u, wide_args.size());
  if (wide_args.size() == 5) {
    CHECK_EQUAL("\xe6\x97\xa5\xe6\x9c\xac", wide_args[2]);
    CHECK(EndsWith(wide_args[4], "/\xe6\x97\xa5\xe6\x9c\xac.txt"));
  }
  CHECK_EQUAL("nihon", programs.Get("attached.1"));
}

TEST(ResultsOfTheInterfaceBecomeTheClassResults) {
  zb::platform::internal::ScopedAnsiCodePage code_page("1252");
  zb::test::MailPrograms programs("memail_results");
  programs.dir().Put("ok.txt", "ok");
  programs.dir().Put("\xe6\x97\xa5.txt", "outside code page 1252");
  struct Case {
    int xdg_exit;
    const wchar_t* recipient;
    const wchar_t* attachment;  // in the scratch folder
    unsigned short recipient_class;
    MEmail::ERR_VALUE expected;
  };
  const Case cases[] = {
      {0, L"a@example.org", L"ok.txt", 1, MEmail::SUCCESS},
      {0, L"a@example.org", L"missing.txt", 1, MEmail::ATTACHMENT_ERROR},
      {0, L"a@example.org", L"\u65e5.txt", 1, MEmail::ATTACHMENT_ERROR},  // no ANSI name for it
      {0, L"a@example.org\r\nBcc: b@example.org", L"ok.txt", 1, MEmail::RECIPIENT_ERROR},
      {0, L"not an address", L"ok.txt", 1, MEmail::RECIPIENT_ERROR},
      {0, L"a@example.org", L"ok.txt", 9, MEmail::OTHER_FAILURE},
      {3, L"a@example.org", L"ok.txt", 1, MEmail::LOGON_FAILURE},
      {4, L"a@example.org", L"ok.txt", 1, MEmail::LOGON_FAILURE},
      {1, L"a@example.org", L"ok.txt", 1, MEmail::OTHER_FAILURE},
  };
  for (const Case& c : cases) {
    programs.AddXdgEmail(c.xdg_exit);
    MEmail mail;
    mail.AddRecipient(c.recipient, c.recipient_class);
    mail.AddAttachment(MFileName(programs.dir().Win(c.attachment).c_str()));
    CHECK_EQUAL(c.expected, mail.Send());
  }
}

TEST(CopiesOwnTheirDescriptors) {
  zb::test::MailPrograms programs("memail_copy");
  programs.AddXdgEmail();
  programs.dir().Put("a.txt", "A");
  MEmail copy;
  {
    MEmail original;
    original.SetSubject(L"Copied");
    original.AddRecipient(L"a@example.org", 1);
    original.AddAttachment(MFileName(programs.dir().Win(L"a.txt").c_str()));
    copy = original;
    MEmail constructed(original);
    CHECK_EQUAL(MEmail::SUCCESS, constructed.Send());
  }
  CHECK_EQUAL(MEmail::SUCCESS, copy.Send());  // the original and its texts are gone
  CHECK(programs.Lines("xdg-email.args").size() == 7u);
  CHECK_EQUAL("A", programs.Get("attached.1"));
}

}  // SUITE(MEmail)

#endif  // _WIN32
