// EMailSender: direct submission as MIME, the send form, and the sticky state.
#include <zorbase/mail/EMailSender.h>

#include <UnitTest++/UnitTest++.h>

// These tests drive the library's built-in messaging library, which hands mail to stand-in
// sendmail and xdg-email programs; on Windows mail goes through the system's messaging library.
#ifndef _WIN32

#include <string>
#include <vector>

#include <zorbase/platform/internal/mail_capture.h>

namespace {

std::string Binary() {
  std::string bytes;
  for (int i = 0; i < 10000; ++i) bytes += static_cast<char>((i * 7919) & 0xFF);  // > 2 pieces of 4096
  return bytes;
}

}  // namespace

SUITE(EMailSender) {

TEST(FailedLogonMakesEveryCallReturnItUnchanged) {
  zb::test::MailPrograms programs("sender_none");
  EMailSender sender(false);
  CHECK_EQUAL(EMailSender::ERR_LOGON, sender.GetState());
  CHECK_EQUAL(EMailSender::ERR_LOGON, sender.AddRecipient(L"a@example.org"));
  CHECK_EQUAL(EMailSender::ERR_LOGON, sender.SetSubject(L"x"));
  CHECK_EQUAL(EMailSender::ERR_LOGON, sender.Send());
  CHECK(!sender.GetShowSendDialog());
  sender.SetShowSendDialog(true);
  CHECK(sender.GetShowSendDialog());
}

TEST(DirectSubmissionIsWellFormedMimeWithExactAttachments) {
  zb::test::MailPrograms programs("sender_submit");
  programs.AddSendmail();
  programs.dir().Put("data.bin", Binary());
  programs.dir().Put("notes.txt", "plain notes\n");
  EMailSender sender(false);
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.GetState());
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.SetSubject(L"\u00dcbersicht \u2013 Q3"));
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.SetBody(L"Hallo,\r\nanbei die Zahlen.\r\n"));
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.AddRecipient(L"Chef <chef@example.org>"));
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.AddRecipient(L"copy@example.org", 2));
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.AddRecipient(L"blind@example.org", 3));
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.AddAttachment(programs.dir().Win(L"data.bin"), L"Zahlen \u00e4.bin"));
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.AddAttachment(programs.dir().Win(L"notes.txt")));
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.Send());

  CHECK(programs.Lines("sendmail.args") == std::vector<std::string>({"-t", "-oi"}));
  zb::test::ParsedMail mail = zb::test::ParseMail(programs.Get("sendmail.eml"));
  CHECK(mail.ok);
  CHECK_EQUAL("\u00dcbersicht \u2013 Q3", mail.subject);
  CHECK_EQUAL("Hallo,\nanbei die Zahlen.\n", mail.body);
  CHECK(mail.to == std::vector<std::string>({"chef@example.org"}));
  CHECK(mail.to_names == std::vector<std::string>({"Chef"}));
  CHECK(mail.cc == std::vector<std::string>({"copy@example.org"}));
  CHECK(mail.bcc == std::vector<std::string>({"blind@example.org"}));
  CHECK_EQUAL(2u, mail.attachments.size());
  if (mail.attachments.size() == 2) {
    CHECK_EQUAL("Zahlen \u00e4.bin", mail.attachments[0].file_name);
    CHECK(mail.attachments[0].bytes == Binary());
    CHECK_EQUAL("base64", mail.attachments[0].encoding);
    CHECK_EQUAL("notes.txt", mail.attachments[1].file_name);
    CHECK_EQUAL("text/plain", mail.attachments[1].media_type);
    CHECK_EQUAL("plain notes\n", mail.attachments[1].bytes);
  }
}

TEST(BadInputStopsTheMessageBeforeAnythingIsSent) {
  zb::test::MailPrograms programs("sender_bad");
  programs.AddSendmail();
  programs.dir().Put("ok.txt", "ok");
  {
    EMailSender sender(false);
    CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.AddRecipient(L"a@example.org"));
    CHECK_EQUAL(EMailSender::ERR_ADD_RECIPIENT,
                sender.AddRecipient(L"b@example.org\r\nBcc: everyone@example.net"));
    CHECK_EQUAL(EMailSender::ERR_ADD_RECIPIENT, sender.AddAttachment(programs.dir().Win(L"ok.txt")));
    CHECK_EQUAL(EMailSender::ERR_ADD_RECIPIENT, sender.Send());
  }
  {
    EMailSender sender(false);
    CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.AddRecipient(L"a@example.org"));
    CHECK_EQUAL(EMailSender::ERR_ADD_ATTACHMENT, sender.AddAttachment(programs.dir().Win(L"missing.txt")));
    CHECK_EQUAL(EMailSender::ERR_ADD_ATTACHMENT, sender.Send());
  }
  {
    EMailSender sender(false);
    CHECK_EQUAL(EMailSender::ERR_ADD_RECIPIENT, sender.AddRecipient(L"a@example.org", 7));
  }
  {
    EMailSender sender(false);  // a message without recipients cannot be submitted
    CHECK_EQUAL(EMailSender::ERR_SEND, sender.Send());
  }
  CHECK(!programs.Has("sendmail.eml"));
}

TEST(SendFormOpensTheMailProgram) {
  zb::test::MailPrograms programs("sender_form");
  programs.AddXdgEmail();
  programs.dir().Put("a.bin", Binary());
  EMailSender sender(true);
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.SetSubject(L"Form"));
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.AddRecipient(L"a@example.org"));
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.AddAttachment(programs.dir().Win(L"a.bin"), L"b.bin"));
  CHECK_EQUAL(EMailSender::ERR_SUCCESS, sender.Send());
  const std::vector<std::string> args = programs.Lines("xdg-email.args");
  CHECK_EQUAL(7u, args.size());
  if (args.size() == 7) {
    CHECK(std::vector<std::string>(args.begin(), args.begin() + 6) ==
          std::vector<std::string>({"--utf8", "--subject", "Form", "--to", "a@example.org", "--attach"}));
    CHECK(args[6].compare(args[6].size() - 6, 6, "/b.bin") == 0);
  }
  CHECK(programs.Get("attached.1") == Binary());
  CHECK_EQUAL(EMailSender::ERR_SEND, sender.Send());  // the message went with the form

  programs.AddXdgEmail(3);  // no mail program to show the form
  EMailSender without_client(true);
  CHECK_EQUAL(EMailSender::ERR_SEND, without_client.Send());
}

}  // SUITE(EMailSender)

#endif  // _WIN32
