// Handing a message to the system's mail programs, for the messaging module: `xdg-email` opens it
// in the user's mail program, `sendmail -t -oi` submits it as MIME. Both are found by name on PATH
// and never waited for longer than the mail time-out (ZORBASE_MAIL_TIMEOUT_MS, read at each call;
// default 30 seconds).
//
// Nothing is handed over unless every recipient is a well-formed address and every attachment
// could be read whole, so a failure never leaves half a message behind.
#pragma once

#include <string>
#include <vector>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

struct MailRecipient {
  ULONG recipient_class = 1;  // 1 to, 2 copy, 3 blind copy
  std::wstring text;          // "name@host", "Name <name@host>", optionally after "SMTP:"
  std::wstring name;          // when set, the display name (`text` then gives the address)
};

struct MailAttachment {
  // Either a file to read (a Windows path) or the bytes themselves.
  std::wstring path;
  std::string bytes;
  bool has_bytes = false;
  std::wstring name;        // the name shown; empty: the path's last name
  std::string media_type;   // empty: guessed from the name and the bytes
};

struct MailMessage {
  std::wstring subject;
  std::wstring body;
  std::vector<MailRecipient> recipients;
  std::vector<MailAttachment> attachments;
};

enum class MailOutcome {
  kHandedOver,           // sent, or open in the user's mail program
  kNoProgram,            // the program needed is not on PATH
  kNoMailClient,         // xdg-email found no mail program to open (its exit codes 3 and 4)
  kBadRecipient,         // a recipient is not a single well-formed address, or its class is unknown
  kNoRecipients,         // direct submission without a recipient
  kAttachmentMissing,    // an attachment's file does not exist
  kAttachmentUnreadable, // an attachment's file exists but cannot be read
  kTimedOut,             // sendmail did not finish in time (it was stopped)
  kFailed,               // the program failed or could not be started
};

// A recipient parsed and checked: exactly one mailbox, no control characters anywhere in the text.
struct MailAddress {
  std::string name;     // UTF-8 display name, may be empty
  std::string address;  // the address itself ("local@domain")
};
bool ParseMailAddress(const std::wstring& text, MailAddress* out);

// Whether either program is on PATH (the messaging module is available only then).
bool MailProgramAvailable();

// Opens the message in the user's mail program (xdg-email). A program still running at the
// time-out has taken the message (some mail programs keep xdg-email waiting while their window is
// open): it is left running and the message counts as handed over.
MailOutcome ComposeMail(const MailMessage& message);
// Submits the message to `sendmail -t -oi` as MIME.
MailOutcome SubmitMail(const MailMessage& message);

// ---- pieces shared by the two ways (used by the functions above and by tests) -----------------

// Reads every attachment given by path into its bytes. kHandedOver when all could be read.
MailOutcome LoadAttachments(std::vector<MailAttachment>* attachments);
// The message as MIME text (LF line ends), recipients already checked. Attachments hold bytes.
std::string BuildMimeMessage(const MailMessage& message, const std::vector<MailAddress>& to,
                             const std::vector<MailAddress>& cc, const std::vector<MailAddress>& bcc);
// The media type for an attachment called `name` with `bytes` ("application/octet-stream" when
// nothing better is known).
std::string GuessMediaType(const std::string& name_utf8, const std::string& bytes);
// The subject as one header line in UTF-8: every line break (CR, LF or both) becomes a space, so
// neither way can make a subject start a line of its own.
std::string SubjectLine(const std::wstring& subject);
// The mail time-out in milliseconds.
DWORD MailTimeoutMs();

}  // namespace platform
}  // namespace zb
