#include <zorbase/mail/MEmail.h>

#include <cstring>
#include <string>

#include <zorbase/mail/internal/ApplicationWindows.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/resources.h>
#include <zorbase/platform/threads.h>

namespace {

// A copy of `text` in the ANSI code page, from new[]; null for null.
char* AnsiCopy(const wchar_t* text) {
  if (text == nullptr) return nullptr;
  const std::string ansi = zb::platform::WideToMulti(text);
  char* copy = new char[ansi.size() + 1];
  std::memcpy(copy, ansi.c_str(), ansi.size() + 1);
  return copy;
}

char* CopyText(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t size = std::strlen(text) + 1;
  char* copy = new char[size];
  std::memcpy(copy, text, size);
  return copy;
}

// The absolute form of a path (relative ones against the current directory), as the interface
// wants it; the path itself when it cannot be made absolute.
std::wstring FullPath(const wchar_t* path) {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetFullPathNameW(path, MAX_PATH + 1, buffer, nullptr);
  return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring(path);
}

struct SendCall {
  LPMAPISENDMAIL send;
  MapiMessage* message;
  ULONG result;
};

DWORD RunSendCall(LPVOID parameter) {
  auto* call = static_cast<SendCall*>(parameter);
  // Session 0, no parent window; flags: log-on interface allowed, show the send dialog.
  call->result = call->send(0, 0, call->message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
  return 0;
}

MEmail::ERR_VALUE MapResult(ULONG result) {
  switch (result) {
    case SUCCESS_SUCCESS: return MEmail::SUCCESS;
    case MAPI_E_ATTACHMENT_NOT_FOUND:
    case MAPI_E_ATTACHMENT_OPEN_FAILURE: return MEmail::ATTACHMENT_ERROR;
    case MAPI_E_UNKNOWN_RECIPIENT:
    case MAPI_E_INVALID_RECIPS: return MEmail::RECIPIENT_ERROR;
    case MAPI_E_TOO_MANY_RECIPIENTS: return MEmail::TOO_MANY_RECIPIENTS;
    case MAPI_E_LOGIN_FAILURE: return MEmail::LOGON_FAILURE;
    case MAPI_USER_ABORT: return MEmail::USER_ABORT;
    default: return MEmail::OTHER_FAILURE;
  }
}

}  // namespace

MEmail::MEmail() = default;

MEmail::MEmail(const MEmail& other) { _CopyFrom(other); }

MEmail& MEmail::operator=(const MEmail& other) {
  if (this != &other) {
    _Free();
    _CopyFrom(other);
  }
  return *this;
}

MEmail::~MEmail() { _Free(); }

void MEmail::SetSubject(const CString& subject) { m_subject = subject; }

void MEmail::SetBody(const CString& body) { m_body = body; }

void MEmail::AddRecipient(const CString& address, unsigned short recipientClass) {
  auto* recipient = new MapiRecipDesc();
  recipient->ulRecipClass = recipientClass;
  recipient->lpszName = AnsiCopy(address.GetString());
  m_recipients.push_back(recipient);
}

void MEmail::AddAttachment(const MFileName& path) {
  auto* file = new MapiFileDesc();
  file->nPosition = 0xFFFFFFFFu;
  file->lpszPathName = AnsiCopy(FullPath(path.GET()).c_str());
  m_attachments.push_back(file);
}

void MEmail::AddAttachment(const MFileName& path, const MFileName& displayName) {
  AddAttachment(path);
  m_attachments.back()->lpszFileName = AnsiCopy(displayName.GET());
}

MEmail::ERR_VALUE MEmail::Send() {
  std::vector<MapiRecipDesc> recipients;
  for (const MapiRecipDesc* r : m_recipients) recipients.push_back(*r);
  std::vector<MapiFileDesc> files;
  for (const MapiFileDesc* f : m_attachments) files.push_back(*f);
  const std::string subject = zb::platform::WideToMulti(m_subject.GetString());
  const std::string body = zb::platform::WideToMulti(m_body.GetString());

  MapiMessage message{};
  message.lpszSubject = const_cast<LPSTR>(subject.c_str());
  message.lpszNoteText = const_cast<LPSTR>(body.c_str());
  message.nRecipCount = static_cast<ULONG>(recipients.size());
  message.lpRecips = recipients.empty() ? nullptr : recipients.data();
  message.nFileCount = static_cast<ULONG>(files.size());
  message.lpFiles = files.empty() ? nullptr : files.data();

  HMODULE library = LoadLibraryW(L"mapi32.dll");
  if (library == nullptr) return NO_MESSAGING_LIBRARY;
  auto send = reinterpret_cast<LPMAPISENDMAIL>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "MAPISendMail")));
  if (send == nullptr) {
    FreeLibrary(library);
    return NO_MESSAGING_LIBRARY;
  }

  SendCall call{send, &message, MAPI_E_FAILURE};
  {
    zb::mail_internal::DisabledApplicationWindows disabled(zb::mail_internal::ApplicationMainWindow());
    HANDLE thread = CreateThread(nullptr, 0, RunSendCall, &call, 0, nullptr);
    if (thread != nullptr) {
      WaitForSingleObject(thread, INFINITE);
      CloseHandle(thread);
    }
  }
  FreeLibrary(library);
  return MapResult(call.result);
}

void MEmail::_CopyFrom(const MEmail& other) {
  m_subject = other.m_subject;
  m_body = other.m_body;
  for (const MapiRecipDesc* r : other.m_recipients) {
    auto* copy = new MapiRecipDesc(*r);
    copy->lpszName = CopyText(r->lpszName);
    copy->lpszAddress = CopyText(r->lpszAddress);
    copy->lpEntryID = nullptr;
    copy->ulEIDSize = 0;
    m_recipients.push_back(copy);
  }
  for (const MapiFileDesc* f : other.m_attachments) {
    auto* copy = new MapiFileDesc(*f);
    copy->lpszPathName = CopyText(f->lpszPathName);
    copy->lpszFileName = CopyText(f->lpszFileName);
    copy->lpFileType = nullptr;
    m_attachments.push_back(copy);
  }
}

void MEmail::_Free() {
  for (MapiRecipDesc* r : m_recipients) {
    delete[] r->lpszName;
    delete[] r->lpszAddress;
    delete r;
  }
  m_recipients.clear();
  for (MapiFileDesc* f : m_attachments) {
    delete[] f->lpszPathName;
    delete[] f->lpszFileName;
    delete f;
  }
  m_attachments.clear();
}
