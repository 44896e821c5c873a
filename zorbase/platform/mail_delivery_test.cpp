// Handing messages to the mail programs: addresses checked by the MIME library, MIME that parses
// back with every attachment byte for byte, xdg-email's arguments, and programs that hang.
#include <zorbase/platform/portable/mail_delivery.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <UnitTest++/UnitTest++.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zorbase/platform/internal/mail_capture.h>

using zb::platform::MailAttachment;
using zb::platform::MailMessage;
using zb::platform::MailOutcome;
using zb::platform::MailRecipient;

namespace {

std::string AllBytes() {
  std::string bytes;
  for (int round = 0; round < 3; ++round) {
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  }
  return bytes + "\r\n\n\r.\n.\r\nFrom x\n";  // line ends and lines that mean something in mail
}

MailRecipient To(const std::wstring& text, ULONG recipient_class = 1) {
  MailRecipient r;
  r.recipient_class = recipient_class;
  r.text = text;
  return r;
}

MailAttachment FileAttachment(const std::wstring& path, const std::wstring& name = std::wstring()) {
  MailAttachment a;
  a.path = path;
  a.name = name;
  return a;
}

int CountOutcome(MailOutcome outcome) { return static_cast<int>(outcome); }

}  // namespace

SUITE(MailDelivery) {

TEST(AddressesAreOneMailboxWithoutControlCharacters) {
  struct Case {
    const wchar_t* text;
    const char* address;  // null: refused
    const char* name;
  };
  const Case cases[] = {
      {L"someone@example.org", "someone@example.org", ""},
      {L"  SMTP:someone@example.org ", "someone@example.org", ""},
      {L"J\u00f6rg M\u00fcller <jm@example.de>", "jm@example.de", "J\u00f6rg M\u00fcller"},
      {L"\"Bcc: evil@example.net\" <ok@example.org>", "ok@example.org", "Bcc: evil@example.net"},
      {L"", nullptr, nullptr},
      {L"no address", nullptr, nullptr},
      {L"ok@example.org\r\nBcc: evil@example.net", nullptr, nullptr},
      {L"ok@example.org\nSubject: spam", nullptr, nullptr},
      {L"Name\r <ok@example.org>", nullptr, nullptr},
      {L"ok@example.org\u2028Bcc: evil@example.net", nullptr, nullptr},
      {L"ok@example.org, evil@example.net", nullptr, nullptr},
      {L"ok@example.org Bcc: evil@example.net", nullptr, nullptr},
      {L"Friends: a@example.org, b@example.org;", nullptr, nullptr},
      {L"--attach@example.org", nullptr, nullptr},
      {L"a@b@example.org", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    zb::platform::MailAddress parsed;
    const bool ok = zb::platform::ParseMailAddress(c.text, &parsed);
    CHECK_EQUAL(c.address != nullptr, ok);
    if (ok && c.address != nullptr) {
      CHECK_EQUAL(c.address, parsed.address);
      CHECK_EQUAL(c.name, parsed.name);
    }
  }
}

TEST(SubmittedMessageParsesBackWithEveryAttachmentByteForByte) {
  zb::test::MailPrograms programs("mail_submit");
  programs.AddSendmail();
  programs.dir().Put("data.bin", AllBytes());
  programs.dir().Put("empty.txt", "");
  MailMessage message;
  message.subject = L"Gr\u00fc\u00dfe \u2013 \u65e5\u672c";
  message.body = L"Line one\r\nZeile zwei: \u00e4\u00f6\u00fc\r\n.\r\nFrom the end";
  message.recipients = {To(L"Anna \u00c5berg <anna@example.org>"), To(L"SMTP:copy@example.org", 2),
                        To(L"hidden@example.org", 3)};
  message.attachments = {FileAttachment(programs.dir().Win(L"data.bin"), L"R\u00e9sum\u00e9 2024.pdf"),
                         FileAttachment(programs.dir().Win(L"empty.txt"))};
  CHECK_EQUAL(CountOutcome(MailOutcome::kHandedOver), CountOutcome(zb::platform::SubmitMail(message)));

  const std::vector<std::string> args = programs.Lines("sendmail.args");
  CHECK(args == std::vector<std::string>({"-t", "-oi"}));
  const std::string eml = programs.Get("sendmail.eml");
  zb::test::ParsedMail mail = zb::test::ParseMail(eml);
  CHECK(mail.ok);
  CHECK_EQUAL("Gr\u00fc\u00dfe \u2013 \u65e5\u672c", mail.subject);
  CHECK_EQUAL("text/plain", mail.body_type);
  CHECK_EQUAL("Line one\nZeile zwei: \u00e4\u00f6\u00fc\n.\nFrom the end", mail.body);
  CHECK(mail.to == std::vector<std::string>({"anna@example.org"}));
  CHECK(mail.to_names == std::vector<std::string>({"Anna \u00c5berg"}));
  CHECK(mail.cc == std::vector<std::string>({"copy@example.org"}));
  CHECK(mail.bcc == std::vector<std::string>({"hidden@example.org"}));  // sendmail -t takes it out
  CHECK_EQUAL(2u, mail.attachments.size());
  if (mail.attachments.size() == 2) {
    CHECK_EQUAL("R\u00e9sum\u00e9 2024.pdf", mail.attachments[0].file_name);
    CHECK_EQUAL("application/pdf", mail.attachments[0].media_type);
    CHECK_EQUAL("base64", mail.attachments[0].encoding);
    CHECK(mail.attachments[0].bytes == AllBytes());
    CHECK_EQUAL("empty.txt", mail.attachments[1].file_name);
    CHECK_EQUAL("", mail.attachments[1].bytes);
  }
  for (const std::string& line : zb::test::HeaderLines(eml)) {
    for (unsigned char c : line) CHECK(c < 0x80);  // every header is 7-bit: names are encoded
  }
}

TEST(HostileRecipientAddsNoHeader) {
  zb::test::MailPrograms programs("mail_hostile");
  programs.AddSendmail();
  MailMessage message;
  message.subject = L"Report";
  message.recipients = {To(L"victim@example.org\r\nBcc: everyone@example.net")};
  CHECK_EQUAL(CountOutcome(MailOutcome::kBadRecipient), CountOutcome(zb::platform::SubmitMail(message)));
  CHECK(!programs.Has("sendmail.eml"));  // nothing was handed over

  // Header text in a display name stays inside the To header, encoded or quoted.
  message.recipients = {To(L"\"x\nBcc: everyone@example.net\" <victim@example.org>")};
  CHECK_EQUAL(CountOutcome(MailOutcome::kBadRecipient), CountOutcome(zb::platform::SubmitMail(message)));
  MailRecipient named = To(L"victim@example.org");
  named.name = L"Boss\r\nBcc: everyone@example.net";
  message.recipients = {named};
  CHECK_EQUAL(CountOutcome(MailOutcome::kBadRecipient), CountOutcome(zb::platform::SubmitMail(message)));
  message.recipients = {To(L"\"Bcc: everyone@example.net\" <victim@example.org>")};
  message.subject = L"Subject\r\nBcc: everyone@example.net";
  CHECK_EQUAL(CountOutcome(MailOutcome::kHandedOver), CountOutcome(zb::platform::SubmitMail(message)));
  const std::string eml = programs.Get("sendmail.eml");
  for (const std::string& line : zb::test::HeaderLines(eml)) {
    CHECK(line.compare(0, 4, "Bcc:") != 0);
  }
  zb::test::ParsedMail mail = zb::test::ParseMail(eml);
  CHECK(mail.to == std::vector<std::string>({"victim@example.org"}));
  CHECK(mail.bcc.empty());
}

TEST(UnreadableOrMissingAttachmentsSendNothing) {
  zb::test::MailPrograms programs("mail_bad_files");
  programs.AddSendmail();
  programs.AddXdgEmail();
  programs.dir().Put("folder/x", "x");
  programs.dir().Put("fine.txt", "fine");
  CHECK_EQUAL(0, mkfifo(programs.dir().Native("pipe").c_str(), 0600));
  struct Case {
    std::wstring path;
    MailOutcome outcome;
  };
  const Case cases[] = {
      {programs.dir().Win(L"missing.txt"), MailOutcome::kAttachmentMissing},
      {programs.dir().Win(L"nofolder\\missing.txt"), MailOutcome::kAttachmentMissing},
      {L"", MailOutcome::kAttachmentMissing},
      {L"C:\\bad|name.txt", MailOutcome::kAttachmentMissing},
      {programs.dir().Win(L"folder"), MailOutcome::kAttachmentUnreadable},
      {programs.dir().Win(L"pipe"), MailOutcome::kAttachmentUnreadable},  // never waited on
  };
  for (const Case& c : cases) {
    MailMessage message;
    message.recipients = {To(L"someone@example.org")};
    message.attachments = {FileAttachment(programs.dir().Win(L"fine.txt")), FileAttachment(c.path)};
    CHECK_EQUAL(CountOutcome(c.outcome), CountOutcome(zb::platform::SubmitMail(message)));
    CHECK_EQUAL(CountOutcome(c.outcome), CountOutcome(zb::platform::ComposeMail(message)));
  }
  CHECK(!programs.Has("sendmail.eml"));
  CHECK(!programs.Has("xdg-email.args"));
}

TEST(ComposeGivesXdgEmailTheMessageAndCopiesThatOutliveTheCall) {
  zb::test::MailPrograms programs("mail_compose");
  programs.AddXdgEmail();
  programs.dir().Put("data.bin", AllBytes());
  MailMessage message;
  message.subject = L"Hello \u00e4";
  message.body = L"-body that looks like an option";
  message.recipients = {To(L"Anna <anna@example.org>"), To(L"copy@example.org", 2),
                        To(L"hidden@example.org", 3)};
  message.attachments = {FileAttachment(programs.dir().Win(L"data.bin"), L"n\u00e4me, with/odd:chars.bin")};
  CHECK_EQUAL(CountOutcome(MailOutcome::kHandedOver), CountOutcome(zb::platform::ComposeMail(message)));
  const std::vector<std::string> args = programs.Lines("xdg-email.args");
  CHECK_EQUAL(13u, args.size());
  if (args.size() == 13) {
    const std::vector<std::string> expected = {
        "--utf8", "--subject", "Hello \u00e4", "--body", "-body that looks like an option",
        "--to", "anna@example.org", "--cc", "copy@example.org", "--bcc", "hidden@example.org", "--attach"};
    CHECK(std::vector<std::string>(args.begin(), args.begin() + 12) == expected);
    const std::string copy = args[12];
    const std::string name = "/n\u00e4me_ with_odd_chars.bin";  // no separators of its own
    CHECK(copy.size() > name.size() && copy.compare(copy.size() - name.size(), name.size(), name) == 0);
    std::ifstream in(copy, std::ios::binary);  // still there for the mail program
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CHECK(bytes == AllBytes());
  }
  CHECK(programs.Get("attached.1") == AllBytes());
}

TEST(SubjectIsOneLineEitherWay) {
  struct Case {
    const wchar_t* subject;
    const char* line;
  };
  const Case cases[] = {
      {L"", ""},
      {L"Plain", "Plain"},
      {L"a\r\nBcc: x@example.net", "a Bcc: x@example.net"},
      {L"a\rb\nc\r\n\r\nd", "a b c  d"},
      {L"\u00c4rger\n", "\u00c4rger "},
  };
  for (const Case& c : cases) CHECK_EQUAL(c.line, zb::platform::SubjectLine(c.subject));

  zb::test::MailPrograms programs("mail_subject");
  programs.AddXdgEmail();
  MailMessage message;
  message.subject = L"Report\r\nBcc: everyone@example.net";
  message.body = L"Line one\nLine two";  // the body keeps its lines
  CHECK_EQUAL(CountOutcome(MailOutcome::kHandedOver), CountOutcome(zb::platform::ComposeMail(message)));
  CHECK(programs.Lines("xdg-email.args") ==
        std::vector<std::string>({"--utf8", "--subject", "Report Bcc: everyone@example.net", "--body",
                                  "Line one", "Line two"}));
}

TEST(CopiesGoOnlyToAPrivateFolderAndOldOnesAreRemoved) {
  zb::test::MailPrograms programs("mail_copies");
  programs.AddXdgEmail();
  MailMessage message;
  MailAttachment attachment;
  attachment.bytes = "secret";
  attachment.has_bytes = true;
  attachment.name = L"a.txt";
  message.attachments = {attachment};
  const std::string folder = programs.Path("runtime/zorbase-mail");

  // A folder that is a link, or that others may enter, is not used: nothing is written or sent.
  programs.dir().Put("elsewhere/.keep", "");
  CHECK_EQUAL(0, symlink(programs.Path("elsewhere").c_str(), folder.c_str()));
  CHECK_EQUAL(CountOutcome(MailOutcome::kFailed), CountOutcome(zb::platform::ComposeMail(message)));
  CHECK_EQUAL(0, unlink(folder.c_str()));
  CHECK_EQUAL(0, mkdir(folder.c_str(), 0700));
  CHECK_EQUAL(0, chmod(folder.c_str(), 0755));
  CHECK_EQUAL(CountOutcome(MailOutcome::kFailed), CountOutcome(zb::platform::ComposeMail(message)));
  CHECK(!programs.Has("xdg-email.args"));
  CHECK(!programs.Has("elsewhere/1"));

  // Copies older than a week go with the next call; recent ones stay for their mail program.
  CHECK_EQUAL(0, chmod(folder.c_str(), 0700));
  programs.dir().Put("runtime/zorbase-mail/old/1/x.txt", "old");
  programs.dir().Put("runtime/zorbase-mail/recent/1/y.txt", "recent");
  struct timeval eight_days_ago[2];
  gettimeofday(&eight_days_ago[0], nullptr);
  eight_days_ago[0].tv_sec -= 8 * 24 * 3600;
  eight_days_ago[1] = eight_days_ago[0];
  CHECK_EQUAL(0, utimes((folder + "/old").c_str(), eight_days_ago));
  CHECK_EQUAL(CountOutcome(MailOutcome::kHandedOver), CountOutcome(zb::platform::ComposeMail(message)));
  CHECK(!programs.Has("runtime/zorbase-mail/old"));
  CHECK_EQUAL("recent", programs.Get("runtime/zorbase-mail/recent/1/y.txt"));
  CHECK_EQUAL("secret", programs.Get("attached.1"));
}

TEST(ComposeWithoutRecipientsOrTextsGivesNoEmptyOption) {
  zb::test::MailPrograms programs("mail_compose_empty");
  programs.AddXdgEmail();
  CHECK_EQUAL(CountOutcome(MailOutcome::kHandedOver), CountOutcome(zb::platform::ComposeMail(MailMessage())));
  CHECK(programs.Lines("xdg-email.args") == std::vector<std::string>({"--utf8"}));
}

TEST(ProgramResultsBecomeOutcomes) {
  struct Case {
    int exit_code;
    MailOutcome compose;
    MailOutcome submit;
  };
  const Case cases[] = {
      {0, MailOutcome::kHandedOver, MailOutcome::kHandedOver},
      {1, MailOutcome::kFailed, MailOutcome::kFailed},
      {3, MailOutcome::kNoMailClient, MailOutcome::kFailed},
      {4, MailOutcome::kNoMailClient, MailOutcome::kFailed},
      {75, MailOutcome::kFailed, MailOutcome::kFailed},
  };
  for (const Case& c : cases) {
    zb::test::MailPrograms programs("mail_exit");
    programs.AddXdgEmail(c.exit_code);
    programs.AddSendmail(c.exit_code);
    MailMessage message;
    message.recipients = {To(L"someone@example.org")};
    CHECK_EQUAL(CountOutcome(c.compose), CountOutcome(zb::platform::ComposeMail(message)));
    CHECK_EQUAL(CountOutcome(c.submit), CountOutcome(zb::platform::SubmitMail(message)));
  }
  zb::test::MailPrograms none("mail_none");
  MailMessage message;
  message.recipients = {To(L"someone@example.org")};
  CHECK(!zb::platform::MailProgramAvailable());
  CHECK_EQUAL(CountOutcome(MailOutcome::kNoProgram), CountOutcome(zb::platform::ComposeMail(message)));
  CHECK_EQUAL(CountOutcome(MailOutcome::kNoProgram), CountOutcome(zb::platform::SubmitMail(message)));
  message.recipients.clear();
  none.AddSendmail();
  CHECK_EQUAL(CountOutcome(MailOutcome::kNoRecipients), CountOutcome(zb::platform::SubmitMail(message)));
}

TEST(HangingProgramsAreNotWaitedForForever) {
  zb::test::MailPrograms programs("mail_hang", "300");
  // A mail program that keeps xdg-email waiting while its window is open has the message: the
  // call returns and leaves it running. A sendmail that hangs is stopped and reported.
  programs.Add("xdg-email", "printf '%s\\n' \"$@\" > '" + programs.Path("xdg-email.args") +
                                "'\nexec /bin/sleep 3");
  programs.Add("sendmail", "exec /bin/sleep 30");
  MailMessage message;
  message.recipients = {To(L"someone@example.org")};
  CHECK_EQUAL(CountOutcome(MailOutcome::kHandedOver), CountOutcome(zb::platform::ComposeMail(message)));
  CHECK(programs.Has("xdg-email.args"));
  CHECK_EQUAL(CountOutcome(MailOutcome::kTimedOut), CountOutcome(zb::platform::SubmitMail(message)));
}

}  // SUITE(MailDelivery)
