#include <zorbase/mail/EMailSender.h>

#include <cstring>
#include <mutex>
#include <string>

#include <zorbase/afx/CFile.h>
#include <zorbase/mail/internal/ApplicationWindows.h>
#include <zorbase/platform/mapi_extended.h>
#include <zorbase/platform/resources.h>

namespace {

// The entry points' types that not every system's headers name. x86-64 has one calling
// convention, so plain function pointers match the library's exports on both systems.
using WrapCompressedRtfFn = HRESULT (*)(LPSTREAM compressed, ULONG flags, LPSTREAM* uncompressed);
using FreeRowsFn = void (*)(LPSRowSet rows);
using FreeAddressListFn = void (*)(LPADRLIST list);
using FindPropFn = LPSPropValue (*)(LPSPropValue values, ULONG count, ULONG tag);

// The message's editor format (plain text), a property not every system's headers name.
constexpr ULONG kEditorFormatTag = PROP_TAG(PT_LONG, 0x5909);
constexpr LONG kEditorFormatPlainText = 1;

// The extended interface's entry points, looked up in "mapi32.dll" by their plain names or, where
// a library exports only those, their decorated ones. The table is filled once for the process
// and only whole; a lookup that misses one is not kept (a later sender tries again, as the mail
// programs may have been installed meanwhile).
struct EntryPoints {
  LPMAPIFREEBUFFER FreeBuffer = nullptr;
  WrapCompressedRtfFn WrapCompressedRTFStream = nullptr;
  LPMAPIINITIALIZE Initialize = nullptr;
  LPMAPIUNINITIALIZE Uninitialize = nullptr;
  LPMAPILOGONEX LogonEx = nullptr;
  LPMAPIADMINPROFILES AdminProfiles = nullptr;
  FreeRowsFn FreeProws = nullptr;
  FreeAddressListFn FreePadrlist = nullptr;
  FindPropFn PpropFindProp = nullptr;
  LPMAPIALLOCATEBUFFER AllocateBuffer = nullptr;
  LPMAPIALLOCATEMORE AllocateMore = nullptr;
};

// `decorated` is the plain name followed by "@" and the size of the arguments.
template <typename T>
bool Find(HMODULE library, const char* decorated, T* out) {
  const std::string plain(decorated, std::strcspn(decorated, "@"));
  FARPROC entry = GetProcAddress(library, plain.c_str());
  if (entry == nullptr) entry = GetProcAddress(library, decorated);
  *out = reinterpret_cast<T>(reinterpret_cast<void (*)()>(entry));
  return *out != nullptr;
}

// The process's table, or null when the interface is unavailable.
const EntryPoints* TheEntryPoints() {
  static std::mutex mutex;
  static EntryPoints table;
  static bool filled = false;
  std::lock_guard<std::mutex> lock(mutex);
  if (filled) return &table;
  HMODULE library = LoadLibraryA("mapi32.dll");
  if (library == nullptr) return nullptr;
  EntryPoints found;
  const bool all = Find(library, "MAPIFreeBuffer@4", &found.FreeBuffer) &&
                   Find(library, "WrapCompressedRTFStream@12", &found.WrapCompressedRTFStream) &&
                   Find(library, "MAPIInitialize@4", &found.Initialize) &&
                   Find(library, "MAPIUninitialize@0", &found.Uninitialize) &&
                   Find(library, "MAPILogonEx@20", &found.LogonEx) &&
                   Find(library, "MAPIAdminProfiles@8", &found.AdminProfiles) &&
                   Find(library, "FreeProws@4", &found.FreeProws) &&
                   Find(library, "FreePadrlist@4", &found.FreePadrlist) &&
                   Find(library, "PpropFindProp@12", &found.PpropFindProp) &&
                   Find(library, "MAPIAllocateBuffer@8", &found.AllocateBuffer) &&
                   Find(library, "MAPIAllocateMore@12", &found.AllocateMore);
  if (!all) {
    FreeLibrary(library);
    return nullptr;
  }
  table = found;  // the library stays loaded for the table's sake
  filled = true;
  return &table;
}

template <typename T>
void ReleaseObject(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

constexpr ULONG kLogonFlags = MAPI_USE_DEFAULT | MAPI_EXTENDED | MAPI_NEW_SESSION;  // 0x62

}  // namespace

struct EMailSender::Impl {
  bool show_send_dialog = false;
  ErrorCode state = ERR_SUCCESS;
  HWND owner = nullptr;
  const EntryPoints* api = nullptr;
  bool initialized = false;
  IMAPISession* session = nullptr;
  IMsgStore* store = nullptr;
  IMAPIFolder* outbox = nullptr;
  IMessage* message = nullptr;
  std::string entry_id;  // the message's entry identifier
  std::wstring subject_text;
  std::wstring body_text;

  // A single-valued binary property of `object`, or false.
  bool GetBinary(IMAPIProp* object, ULONG tag, std::string* out) {
    SizedSPropTagArray(1, tags) = {1, {tag}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    const HRESULT hr = object->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &values);
    const bool ok = hr == S_OK && count == 1 && values[0].ulPropTag == tag;
    if (ok) out->assign(reinterpret_cast<const char*>(values[0].Value.bin.lpb), values[0].Value.bin.cb);
    api->FreeBuffer(values);
    return ok;
  }

  bool SetOne(IMAPIProp* object, const SPropValue& value) {
    SPropValue copy = value;
    return SUCCEEDED(object->SetProps(1, &copy, nullptr));
  }

  // Finds the default store in the session's store table and opens it.
  bool OpenDefaultStore() {
    IMAPITable* table = nullptr;
    if (FAILED(session->GetMsgStoresTable(0, &table))) return false;
    SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME_W, PR_ENTRYID, PR_DEFAULT_STORE}};
    std::string store_id;
    if (SUCCEEDED(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0))) {
      for (;;) {
        LPSRowSet rows = nullptr;
        if (FAILED(table->QueryRows(1, 0, &rows)) || rows == nullptr) break;
        const bool end = rows->cRows == 0;
        if (!end) {
          const SRow& row = rows->aRow[0];
          LPSPropValue is_default = api->PpropFindProp(row.lpProps, row.cValues, PR_DEFAULT_STORE);
          LPSPropValue id = api->PpropFindProp(row.lpProps, row.cValues, PR_ENTRYID);
          if (is_default != nullptr && is_default->Value.b && id != nullptr) {
            store_id.assign(reinterpret_cast<const char*>(id->Value.bin.lpb), id->Value.bin.cb);
          }
        }
        api->FreeProws(rows);
        if (end || !store_id.empty()) break;
      }
    }
    table->Release();
    if (store_id.empty()) return false;
    return SUCCEEDED(session->OpenMsgStore(0, static_cast<ULONG>(store_id.size()),
                                           reinterpret_cast<LPENTRYID>(&store_id[0]), nullptr,
                                           MAPI_BEST_ACCESS | MDB_NO_DIALOG, &store));
  }

  // Creates the new message in the outbox; the sent message is to be kept in sent items.
  bool CreateMessage() {
    std::string outbox_id;
    if (!GetBinary(store, PR_IPM_OUTBOX_ENTRYID, &outbox_id)) return false;
    ULONG type = 0;
    LPUNKNOWN unknown = nullptr;
    if (FAILED(store->OpenEntry(static_cast<ULONG>(outbox_id.size()),
                                reinterpret_cast<LPENTRYID>(&outbox_id[0]), nullptr, MAPI_MODIFY,
                                &type, &unknown))) {
      return false;
    }
    outbox = static_cast<IMAPIFolder*>(unknown);
    if (FAILED(outbox->CreateMessage(nullptr, 0, &message))) return false;
    if (!GetBinary(message, PR_ENTRYID, &entry_id)) return false;
    SPropValue flags{};
    flags.ulPropTag = PR_MESSAGE_FLAGS;
    flags.Value.l = MSGFLAG_UNSENT;
    if (!SetOne(message, flags)) return false;
    std::string sent_id;
    if (!GetBinary(store, PR_IPM_SENTMAIL_ENTRYID, &sent_id)) return false;
    SPropValue sent{};
    sent.ulPropTag = PR_SENTMAIL_ENTRYID;
    sent.Value.bin.cb = static_cast<ULONG>(sent_id.size());
    sent.Value.bin.lpb = reinterpret_cast<LPBYTE>(&sent_id[0]);
    return SetOne(message, sent);
  }

  bool Start() {
    api = TheEntryPoints();
    if (api == nullptr) return false;
    MAPIINIT_0 init{MAPI_INIT_VERSION, 0};
    if (FAILED(api->Initialize(&init))) return false;
    initialized = true;
    owner = zb::mail_internal::ApplicationMainWindow();
    const ULONG_PTR ui = show_send_dialog ? reinterpret_cast<ULONG_PTR>(owner) : 0;
    if (FAILED(api->LogonEx(ui, nullptr, nullptr, kLogonFlags, &session))) return false;
    return OpenDefaultStore() && CreateMessage();
  }

  void ReleaseAll() {
    ReleaseObject(message);
    ReleaseObject(outbox);
    ReleaseObject(store);
    if (session != nullptr) session->Logoff(0, 0, 0);
    ReleaseObject(session);
    if (initialized) api->Uninitialize();
    initialized = false;
  }

  ErrorCode Fail(ErrorCode code) {
    state = code;
    return state;
  }
};

EMailSender::EMailSender(bool showSendDialog) : m_impl(new Impl) {
  m_impl->show_send_dialog = showSendDialog;
  if (!m_impl->Start()) m_impl->state = ERR_LOGON;
}

EMailSender::~EMailSender() { m_impl->ReleaseAll(); }

void EMailSender::SetShowSendDialog(bool showSendDialog) { m_impl->show_send_dialog = showSendDialog; }

bool EMailSender::GetShowSendDialog() { return m_impl->show_send_dialog; }

EMailSender::ErrorCode EMailSender::GetState() { return m_impl->state; }

EMailSender::ErrorCode EMailSender::SetSubject(const std::wstring& subject) {
  Impl& d = *m_impl;
  if (d.state != ERR_SUCCESS) return d.state;
  if (d.message == nullptr) return d.Fail(ERR_SEND);
  d.subject_text = subject;
  SPropValue value{};
  value.ulPropTag = PR_SUBJECT_W;
  value.Value.lpszW = &d.subject_text[0];
  return d.SetOne(d.message, value) ? ERR_SUCCESS : d.Fail(ERR_SEND);
}

EMailSender::ErrorCode EMailSender::SetBody(const std::wstring& body) {
  Impl& d = *m_impl;
  if (d.state != ERR_SUCCESS) return d.state;
  if (d.message == nullptr) return d.Fail(ERR_SEND);
  d.body_text = body;
  SPropValue values[2] = {};
  values[0].ulPropTag = PR_BODY_W;
  values[0].Value.lpszW = &d.body_text[0];
  values[1].ulPropTag = kEditorFormatTag;
  values[1].Value.l = kEditorFormatPlainText;
  return SUCCEEDED(d.message->SetProps(2, values, nullptr)) ? ERR_SUCCESS : d.Fail(ERR_SEND);
}

EMailSender::ErrorCode EMailSender::AddRecipient(const std::wstring& address, ULONG recipientClass) {
  Impl& d = *m_impl;
  if (d.state != ERR_SUCCESS) return d.state;
  if (d.message == nullptr) return d.Fail(ERR_ADD_RECIPIENT);
  LPVOID block = nullptr;
  if (FAILED(d.api->AllocateBuffer(static_cast<ULONG>(CbNewADRLIST(1)), &block))) {
    return d.Fail(ERR_ADD_RECIPIENT);
  }
  auto* list = static_cast<ADRLIST*>(block);
  list->cEntries = 1;
  list->aEntries[0] = ADRENTRY{0, 0, nullptr};
  LPVOID props_block = nullptr;
  bool ok = SUCCEEDED(d.api->AllocateBuffer(2 * sizeof(SPropValue), &props_block));
  if (ok) {
    auto* props = static_cast<SPropValue*>(props_block);
    list->aEntries[0].rgPropVals = props;
    list->aEntries[0].cValues = 2;
    props[0].ulPropTag = PR_RECIPIENT_TYPE;
    props[0].Value.l = static_cast<LONG>(recipientClass);
    props[1].ulPropTag = PR_DISPLAY_NAME_W;
    LPVOID text = nullptr;
    const ULONG size = static_cast<ULONG>((address.size() + 1) * sizeof(wchar_t));
    ok = SUCCEEDED(d.api->AllocateMore(size, props_block, &text));
    if (ok) {
      std::memcpy(text, address.c_str(), size);
      props[1].Value.lpszW = static_cast<LPWSTR>(text);
    }
  }
  IAddrBook* book = nullptr;
  ok = ok && SUCCEEDED(d.session->OpenAddressBook(0, nullptr, 0, &book)) &&
       book->ResolveName(0, MAPI_UNICODE, nullptr, list) == S_OK &&
       SUCCEEDED(d.message->ModifyRecipients(MODRECIP_ADD, list));
  ReleaseObject(book);
  d.api->FreePadrlist(list);
  return ok ? ERR_SUCCESS : d.Fail(ERR_ADD_RECIPIENT);
}

EMailSender::ErrorCode EMailSender::AddAttachment(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L"\\/:");
  return AddAttachment(path, cut == std::wstring::npos ? path : path.substr(cut + 1));
}

EMailSender::ErrorCode EMailSender::AddAttachment(const std::wstring& path, const std::wstring& displayName) {
  Impl& d = *m_impl;
  if (d.state != ERR_SUCCESS) return d.state;
  if (d.message == nullptr) return d.Fail(ERR_ADD_ATTACHMENT);
  CFile file;
  if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary)) {
    return d.Fail(ERR_ADD_ATTACHMENT);
  }
  const std::size_t cut = path.find_last_of(L"\\/:");
  std::wstring file_name = cut == std::wstring::npos ? path : path.substr(cut + 1);
  std::wstring long_name = displayName.empty() ? file_name : displayName;

  ULONG number = 0;
  IAttach* attach = nullptr;
  IStream* stream = nullptr;
  bool ok = SUCCEEDED(d.message->CreateAttach(nullptr, 0, &number, &attach));
  if (ok) {
    SPropValue props[5] = {};
    props[0].ulPropTag = PR_ATTACH_METHOD;
    props[0].Value.l = ATTACH_BY_VALUE;
    props[1].ulPropTag = PR_RENDERING_POSITION;
    props[1].Value.l = -1;  // not placed in the body
    props[2].ulPropTag = PR_ATTACH_LONG_FILENAME_W;
    props[2].Value.lpszW = &long_name[0];
    props[3].ulPropTag = PR_ATTACH_FILENAME_W;
    props[3].Value.lpszW = &file_name[0];
    props[4].ulPropTag = PR_DISPLAY_NAME_W;
    props[4].Value.lpszW = &long_name[0];
    ok = SUCCEEDED(attach->SetProps(5, props, nullptr)) &&
         SUCCEEDED(attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, STGM_WRITE,
                                        MAPI_MODIFY | MAPI_CREATE, reinterpret_cast<LPUNKNOWN*>(&stream)));
  }
  ULONG total = 0;
  if (ok) {
    try {
      BYTE buffer[4096];
      for (;;) {
        const UINT read = file.Read(buffer, sizeof buffer);
        if (read == 0) break;
        ULONG written = 0;
        if (FAILED(stream->Write(buffer, read, &written)) || written != read) {
          ok = false;
          break;
        }
        total += read;
      }
    } catch (CFileException* error) {
      error->Delete();
      ok = false;
    }
  }
  // Only a whole copy is committed and saved; a partial one is dropped with the attachment.
  ok = ok && SUCCEEDED(stream->Commit(STGC_DEFAULT));
  if (ok) {
    SPropValue size{};
    size.ulPropTag = PR_ATTACH_SIZE;
    size.Value.l = static_cast<LONG>(total);
    ok = d.SetOne(attach, size) && SUCCEEDED(attach->SaveChanges(KEEP_OPEN_READWRITE));
  }
  ReleaseObject(stream);
  ReleaseObject(attach);
  file.Abort();
  return ok ? ERR_SUCCESS : d.Fail(ERR_ADD_ATTACHMENT);
}

EMailSender::ErrorCode EMailSender::Send() {
  Impl& d = *m_impl;
  if (d.state != ERR_SUCCESS) return d.state;
  if (d.message == nullptr) return d.Fail(ERR_SEND);
  if (!d.show_send_dialog) {
    const HRESULT hr = d.message->SubmitMessage(0);
    ReleaseObject(d.message);
    return SUCCEEDED(hr) ? ERR_SUCCESS : d.Fail(ERR_SEND);
  }
  HRESULT hr;
  {
    zb::mail_internal::DisabledApplicationWindows disabled(d.owner);
    ULONG token = 0;
    hr = d.session->PrepareForm(nullptr, d.message, &token);
    if (SUCCEEDED(hr)) {
      SizedSPropTagArray(3, tags) = {3, {PR_MSG_STATUS, PR_ACCESS, PR_MESSAGE_CLASS_W}};
      ULONG count = 0;
      LPSPropValue values = nullptr;
      hr = d.message->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &values);
      if (SUCCEEDED(hr) && count == 3) {
        const ULONG status = PROP_TYPE(values[0].ulPropTag) == PT_LONG ? values[0].Value.ul : 0;
        const ULONG access = PROP_TYPE(values[1].ulPropTag) == PT_LONG ? values[1].Value.ul : 0;
        const LPSTR message_class = PROP_TYPE(values[2].ulPropTag) == PT_UNICODE
                                        ? reinterpret_cast<LPSTR>(values[2].Value.lpszW)
                                        : nullptr;
        hr = d.session->ShowForm(reinterpret_cast<ULONG_PTR>(d.owner), d.store, d.outbox, nullptr,
                                 token, nullptr, 0, status, MSGFLAG_UNSENT, access, message_class);
      } else if (SUCCEEDED(hr)) {
        hr = MAPI_E_CALL_FAILED;
      }
      d.api->FreeBuffer(values);
    }
  }
  ReleaseObject(d.message);
  if (SUCCEEDED(hr)) return ERR_SUCCESS;
  return d.Fail(hr == MAPI_E_USER_CANCEL ? ERR_USER_CANCEL : ERR_SEND);
}
