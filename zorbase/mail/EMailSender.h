// EMailSender: a message built through the extended messaging interface of "mapi32.dll": it logs
// on to the default profile, creates a message in the outbox and either submits it directly
// (the system's `sendmail`) or shows it in the user's mail program (its send form).
//
// The state is sticky: once an operation has failed, every further operation returns that state
// and does nothing, so a message that could not be built whole is never sent.
#pragma once

#include <memory>
#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API EMailSender {
 public:
  enum ErrorCode {
    ERR_SUCCESS = 0,
    ERR_ADD_ATTACHMENT = 1,   // adding an attachment failed (file missing or unreadable)
    ERR_ADD_RECIPIENT = 3,    // the recipient could not be resolved or added
    ERR_LOGON = 4,            // initialising the interface or logging on failed
    ERR_SEND = 5,             // setting a property or sending failed
    ERR_USER_CANCEL = 7,      // the user cancelled the send form
  };

  // Initialises the interface, logs on and prepares a new message; a failure sets ERR_LOGON.
  explicit EMailSender(bool showSendDialog);
  // Releases the message, the session and the interface.
  ~EMailSender();
  EMailSender(const EMailSender&) = delete;
  EMailSender& operator=(const EMailSender&) = delete;

  void SetShowSendDialog(bool showSendDialog);
  bool GetShowSendDialog();
  ErrorCode GetState();

  ErrorCode SetSubject(const std::wstring& subject);
  // Sets the plain-text body.
  ErrorCode SetBody(const std::wstring& body);
  // `recipientClass`: 1 to (MAPI_TO), 2 copy, 3 blind copy. The address is resolved by the
  // session: "name@host" or "Name <name@host>"; anything else gives ERR_ADD_RECIPIENT.
  ErrorCode AddRecipient(const std::wstring& address, ULONG recipientClass = 1);
  // Attaches a copy of the file (a Windows path) under its own name or `displayName`.
  ErrorCode AddAttachment(const std::wstring& path);
  ErrorCode AddAttachment(const std::wstring& path, const std::wstring& displayName);

  // Submits the message, or shows it in the mail program's send form (the application's windows
  // disabled meanwhile). The message is released either way.
  ErrorCode Send();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
