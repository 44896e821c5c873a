// The simple messaging interface of "mapi32.dll": its records, flags and result codes with their
// Windows names and values. The library provides the module itself (LoadLibraryW(L"mapi32.dll")
// finds it while a mail program is installed: `xdg-email` or `sendmail` on PATH); hosts reach its
// entry points through GetProcAddress, as on Windows.
//
// MAPISendMail: with MAPI_DIALOG the message goes to the user's mail program through `xdg-email`
// (subject, body, recipients and attachments filled in; each attachment as a private copy of its
// bytes that outlives the call); without it, the message is submitted as MIME to `sendmail -t -oi`.
// Texts are in the ANSI code page; a recipient is lpszAddress when given, else lpszName, either as
// an address ("name@host", "Name <name@host>", optionally after "SMTP:"); anything else, several
// addresses in one, and any control character (a line break) give MAPI_E_UNKNOWN_RECIPIENT. Every
// attachment is read before anything is handed over, so a missing file (MAPI_E_ATTACHMENT_NOT_FOUND)
// or an unreadable one (MAPI_E_ATTACHMENT_OPEN_FAILURE) sends nothing.
#pragma once

#include <zorbase/platform/win_types.h>

#ifdef _WIN32
#include <mapi.h>
#else  // the declarations below come from the system headers on Windows

typedef ULONG FLAGS;
typedef ULONG_PTR LHANDLE;
typedef ULONG_PTR* LPLHANDLE;

struct MapiRecipDesc {
  ULONG ulReserved;
  ULONG ulRecipClass;  // MAPI_ORIG, MAPI_TO, MAPI_CC, MAPI_BCC
  LPSTR lpszName;
  LPSTR lpszAddress;
  ULONG ulEIDSize;
  LPVOID lpEntryID;
};
typedef MapiRecipDesc* lpMapiRecipDesc;

struct MapiFileDesc {
  ULONG ulReserved;
  ULONG flFlags;
  ULONG nPosition;      // 0xFFFFFFFF: no position in the body
  LPSTR lpszPathName;   // the file (a Windows path)
  LPSTR lpszFileName;   // the name to show, or null for the path's last name
  LPVOID lpFileType;
};
typedef MapiFileDesc* lpMapiFileDesc;

struct MapiMessage {
  ULONG ulReserved;
  LPSTR lpszSubject;
  LPSTR lpszNoteText;
  LPSTR lpszMessageType;
  LPSTR lpszDateReceived;
  LPSTR lpszConversationID;
  FLAGS flFlags;
  lpMapiRecipDesc lpOriginator;
  ULONG nRecipCount;
  lpMapiRecipDesc lpRecips;
  ULONG nFileCount;
  lpMapiFileDesc lpFiles;
};
typedef MapiMessage* lpMapiMessage;

typedef ULONG (*LPMAPISENDMAIL)(LHANDLE lhSession, ULONG_PTR ulUIParam, lpMapiMessage lpMessage,
                                FLAGS flFlags, ULONG ulReserved);

constexpr ULONG MAPI_ORIG = 0;
constexpr ULONG MAPI_TO = 1;
constexpr ULONG MAPI_CC = 2;
constexpr ULONG MAPI_BCC = 3;

constexpr FLAGS MAPI_LOGON_UI = 0x00000001;
constexpr FLAGS MAPI_NEW_SESSION = 0x00000002;
constexpr FLAGS MAPI_DIALOG = 0x00000008;
constexpr FLAGS MAPI_FORCE_DOWNLOAD = 0x00001000;

constexpr FLAGS MAPI_OLE = 0x00000001;
constexpr FLAGS MAPI_OLE_STATIC = 0x00000002;

constexpr ULONG SUCCESS_SUCCESS = 0;
constexpr ULONG MAPI_USER_ABORT = 1;
constexpr ULONG MAPI_E_USER_ABORT = MAPI_USER_ABORT;
constexpr ULONG MAPI_E_FAILURE = 2;
constexpr ULONG MAPI_E_LOGON_FAILURE = 3;
constexpr ULONG MAPI_E_LOGIN_FAILURE = MAPI_E_LOGON_FAILURE;
constexpr ULONG MAPI_E_DISK_FULL = 4;
constexpr ULONG MAPI_E_INSUFFICIENT_MEMORY = 5;
constexpr ULONG MAPI_E_ACCESS_DENIED = 6;
constexpr ULONG MAPI_E_TOO_MANY_SESSIONS = 8;
constexpr ULONG MAPI_E_TOO_MANY_FILES = 9;
constexpr ULONG MAPI_E_TOO_MANY_RECIPIENTS = 10;
constexpr ULONG MAPI_E_ATTACHMENT_NOT_FOUND = 11;
constexpr ULONG MAPI_E_ATTACHMENT_OPEN_FAILURE = 12;
constexpr ULONG MAPI_E_ATTACHMENT_WRITE_FAILURE = 13;
constexpr ULONG MAPI_E_UNKNOWN_RECIPIENT = 14;
constexpr ULONG MAPI_E_BAD_RECIPTYPE = 15;
constexpr ULONG MAPI_E_NO_MESSAGES = 16;
constexpr ULONG MAPI_E_INVALID_MESSAGE = 17;
constexpr ULONG MAPI_E_TEXT_TOO_LARGE = 18;
constexpr ULONG MAPI_E_INVALID_SESSION = 19;
constexpr ULONG MAPI_E_TYPE_NOT_SUPPORTED = 20;
constexpr ULONG MAPI_E_AMBIGUOUS_RECIPIENT = 21;
constexpr ULONG MAPI_E_AMBIG_RECIP = MAPI_E_AMBIGUOUS_RECIPIENT;
constexpr ULONG MAPI_E_MESSAGE_IN_USE = 22;
constexpr ULONG MAPI_E_NETWORK_FAILURE = 23;
constexpr ULONG MAPI_E_INVALID_EDITFIELDS = 24;
constexpr ULONG MAPI_E_INVALID_RECIPS = 25;
constexpr ULONG MAPI_E_NOT_SUPPORTED = 26;
#endif  // _WIN32

