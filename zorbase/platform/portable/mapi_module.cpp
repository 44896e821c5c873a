// The messaging module "mapi32.dll" as the library provides it: the simple interface's
// MAPISendMail, the extended interface's entry points, and the export table, with the decorated
// names that 32-bit hosts look up beside the plain ones.
#include <zorbase/platform/portable/mapi_internal.h>

#include <atomic>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/portable/builtin_modules.h>
#include <zorbase/platform/portable/mail_delivery.h>

namespace zb {
namespace platform {
namespace mapi {
namespace {

std::atomic<int> g_initialized{0};

std::wstring Ansi(LPCSTR text) { return text != nullptr ? MultiToWide(text) : std::wstring(); }

ULONG SimpleResult(MailOutcome outcome) {
  switch (outcome) {
    case MailOutcome::kHandedOver: return SUCCESS_SUCCESS;
    case MailOutcome::kNoProgram: return MAPI_E_NOT_SUPPORTED;
    case MailOutcome::kNoMailClient: return MAPI_E_LOGON_FAILURE;
    case MailOutcome::kBadRecipient: return MAPI_E_UNKNOWN_RECIPIENT;
    case MailOutcome::kNoRecipients: return MAPI_E_INVALID_RECIPS;
    case MailOutcome::kAttachmentMissing: return MAPI_E_ATTACHMENT_NOT_FOUND;
    case MailOutcome::kAttachmentUnreadable: return MAPI_E_ATTACHMENT_OPEN_FAILURE;
    case MailOutcome::kTimedOut: return MAPI_E_NETWORK_FAILURE;
    case MailOutcome::kFailed: break;
  }
  return MAPI_E_FAILURE;
}

}  // namespace

ULONG SendMail(LHANDLE, ULONG_PTR, lpMapiMessage message, FLAGS flags, ULONG) {
  if (message == nullptr) return MAPI_E_INVALID_MESSAGE;
  if ((message->nRecipCount != 0 && message->lpRecips == nullptr) ||
      (message->nFileCount != 0 && message->lpFiles == nullptr)) {
    return MAPI_E_INVALID_MESSAGE;
  }
  MailMessage mail;
  mail.subject = Ansi(message->lpszSubject);
  mail.body = Ansi(message->lpszNoteText);
  for (ULONG i = 0; i < message->nRecipCount; ++i) {
    const MapiRecipDesc& desc = message->lpRecips[i];
    if (desc.ulRecipClass < MAPI_TO || desc.ulRecipClass > MAPI_BCC) return MAPI_E_BAD_RECIPTYPE;
    MailRecipient recipient;
    recipient.recipient_class = desc.ulRecipClass;
    if (desc.lpszAddress != nullptr) {
      recipient.text = Ansi(desc.lpszAddress);
      recipient.name = Ansi(desc.lpszName);
    } else if (desc.lpszName != nullptr) {
      recipient.text = Ansi(desc.lpszName);
    } else {
      return MAPI_E_UNKNOWN_RECIPIENT;
    }
    mail.recipients.push_back(recipient);
  }
  for (ULONG i = 0; i < message->nFileCount; ++i) {
    const MapiFileDesc& desc = message->lpFiles[i];
    if (desc.lpszPathName == nullptr) return MAPI_E_ATTACHMENT_NOT_FOUND;
    MailAttachment attachment;
    attachment.path = Ansi(desc.lpszPathName);
    attachment.name = Ansi(desc.lpszFileName);
    mail.attachments.push_back(attachment);
  }
  return SimpleResult((flags & MAPI_DIALOG) != 0 ? ComposeMail(mail) : SubmitMail(mail));
}

HRESULT Initialize(LPVOID init) {
  if (init != nullptr && static_cast<const MAPIINIT_0*>(init)->ulVersion != MAPI_INIT_VERSION) {
    return MAPI_E_UNKNOWN_FLAGS;
  }
  ++g_initialized;
  return S_OK;
}

void Uninitialize() {
  int current = g_initialized.load();
  while (current > 0 && !g_initialized.compare_exchange_weak(current, current - 1)) {
  }
}

// Logs on to the one default profile; the profile name and password are not used.
HRESULT LogonEx(ULONG_PTR, LPTSTR, LPTSTR, ULONG, LPMAPISESSION* session) {
  if (session == nullptr) return MAPI_E_INVALID_PARAMETER;
  *session = nullptr;
  if (g_initialized.load() <= 0) return MAPI_E_NOT_INITIALIZED;
  if (!MailProgramAvailable()) return MAPI_E_LOGON_FAILED;
  *session = NewSession();
  return S_OK;
}

HRESULT AdminProfiles(ULONG, LPPROFADMIN* admin) {
  if (admin != nullptr) *admin = nullptr;
  return MAPI_E_NO_SUPPORT;  // there is one profile, the default, and nothing to administer
}

HRESULT WrapCompressedRtf(LPSTREAM, ULONG, LPSTREAM* uncompressed) {
  if (uncompressed != nullptr) *uncompressed = nullptr;
  return MAPI_E_NO_SUPPORT;  // messages here are plain text; no RTF body exists to read
}

namespace {

// Through the generic function type, which converts to and from any other without a warning.
template <typename F>
FARPROC Proc(F f) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(f));
}

const BuiltinExport kExports[] = {
    {"MAPISendMail", Proc(&SendMail)},
    {"MAPIFreeBuffer", Proc(&FreeBuffer)},
    {"MAPIFreeBuffer@4", Proc(&FreeBuffer)},
    {"MAPIAllocateBuffer", Proc(&AllocateBuffer)},
    {"MAPIAllocateBuffer@8", Proc(&AllocateBuffer)},
    {"MAPIAllocateMore", Proc(&AllocateMore)},
    {"MAPIAllocateMore@12", Proc(&AllocateMore)},
    {"MAPIInitialize", Proc(&Initialize)},
    {"MAPIInitialize@4", Proc(&Initialize)},
    {"MAPIUninitialize", Proc(&Uninitialize)},
    {"MAPIUninitialize@0", Proc(&Uninitialize)},
    {"MAPILogonEx", Proc(&LogonEx)},
    {"MAPILogonEx@20", Proc(&LogonEx)},
    {"MAPIAdminProfiles", Proc(&AdminProfiles)},
    {"MAPIAdminProfiles@8", Proc(&AdminProfiles)},
    {"WrapCompressedRTFStream", Proc(&WrapCompressedRtf)},
    {"WrapCompressedRTFStream@12", Proc(&WrapCompressedRtf)},
    {"FreeProws", Proc(&FreeRows)},
    {"FreeProws@4", Proc(&FreeRows)},
    {"FreePadrlist", Proc(&FreeAddressList)},
    {"FreePadrlist@4", Proc(&FreeAddressList)},
    {"PpropFindProp", Proc(&FindProp)},
    {"PpropFindProp@12", Proc(&FindProp)},
};

bool Available() { return MailProgramAvailable(); }

const BuiltinModule kModule = {L"mapi32.dll", kExports, sizeof kExports / sizeof kExports[0], &Available};

}  // namespace
}  // namespace mapi

void RegisterMessagingModule() { RegisterBuiltinModule(&mapi::kModule); }

}  // namespace platform
}  // namespace zb
