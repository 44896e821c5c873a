// MEmail: a message with subject, body, recipients and file attachments, handed to the user's mail
// program through the simple messaging interface ("MAPISendMail" of "mapi32.dll", loaded by name
// when sending). The mail program shows the message in its send dialog with everything filled in;
// the application's windows are disabled meanwhile and enabled again afterwards.
//
// Texts and paths are kept in the ANSI code page, as the interface takes them. Attachment paths are
// Windows paths; a file that is missing or unreadable when sending gives ATTACHMENT_ERROR and
// nothing is handed over.
#pragma once

#include <vector>

#include <zorbase/afx/CString.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/mapi.h>

class ZORBASE_API MEmail {
 public:
  // Results of Send, from the interface's result codes.
  enum ERR_VALUE {
    SUCCESS = 0,                // sent (handed to the mail program)
    ATTACHMENT_ERROR = 1,       // an attachment was not found or could not be opened
    RECIPIENT_ERROR = 2,        // a recipient is unknown or invalid
    TOO_MANY_RECIPIENTS = 3,
    LOGON_FAILURE = 4,          // no mail program could take the message
    OTHER_FAILURE = 5,
    NO_MESSAGING_LIBRARY = 6,   // "mapi32.dll" or its "MAPISendMail" is missing
    USER_ABORT = 7,             // the user cancelled the dialog
  };

  MEmail();
  MEmail(const MEmail& other);
  MEmail& operator=(const MEmail& other);
  // Frees every descriptor and its texts.
  virtual ~MEmail();

  void SetSubject(const CString& subject);
  void SetBody(const CString& body);
  // `recipientClass`: 1 to, 2 copy, 3 blind copy (MAPI_TO, MAPI_CC, MAPI_BCC).
  void AddRecipient(const CString& address, unsigned short recipientClass);
  // Attaches the file `path` (its full path is kept), shown under its own name or `displayName`.
  void AddAttachment(const MFileName& path);
  void AddAttachment(const MFileName& path, const MFileName& displayName);

  // Hands the message to the mail program and waits until its dialog is done. The interface call
  // runs on a thread of its own that Send joins; the application's windows are disabled meanwhile.
  ERR_VALUE Send();

 private:
  void _CopyFrom(const MEmail& other);
  void _Free();

  CString m_subject;
  CString m_body;
  std::vector<MapiFileDesc*> m_attachments;    // owned, with their texts
  std::vector<MapiRecipDesc*> m_recipients;    // owned, with their texts
};
