// The objects of the extended messaging interface: a session of the default profile with one
// message store (outbox and sent items), messages with properties, recipients and attachments,
// attachment data as streams, the store table and an address book that resolves addresses. They
// live in memory; submission and the send form go to the system's mail programs.
#include <zorbase/platform/portable/mapi_internal.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/portable/mail_delivery.h>

namespace zb {
namespace platform {
namespace mapi {
namespace {

#define ZB_NO_SUPPORT \
  { return MAPI_E_NO_SUPPORT; }

// ---- property values ---------------------------------------------------------------------------

// One stored property: scalars in `value`, texts and bytes owned here.
struct Prop {
  ULONG tag = 0;
  _PV value{};
  std::wstring wide;
  std::string bytes;  // PT_BINARY, or PT_STRING8 without its terminator
};

bool IsStorable(ULONG type) {
  switch (type) {
    case PT_I2: case PT_LONG: case PT_R4: case PT_DOUBLE: case PT_CURRENCY: case PT_APPTIME:
    case PT_BOOLEAN: case PT_I8: case PT_SYSTIME: case PT_STRING8: case PT_UNICODE: case PT_BINARY:
      return true;
    default:
      return false;
  }
}

Prop FromValue(const SPropValue& v) {
  Prop p;
  p.tag = v.ulPropTag;
  switch (PROP_TYPE(v.ulPropTag)) {
    case PT_UNICODE:
      if (v.Value.lpszW != nullptr) p.wide = v.Value.lpszW;
      break;
    case PT_STRING8:
      if (v.Value.lpszA != nullptr) p.bytes = v.Value.lpszA;
      break;
    case PT_BINARY:
      if (v.Value.bin.lpb != nullptr) p.bytes.assign(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb);
      break;
    default:
      p.value = v.Value;
  }
  return p;
}

// Writes `p` into `out`, with its texts and bytes in blocks linked to `parent`.
HRESULT ToValue(const Prop& p, LPVOID parent, SPropValue* out) {
  out->ulPropTag = p.tag;
  out->dwAlignPad = 0;
  switch (PROP_TYPE(p.tag)) {
    case PT_UNICODE: {
      LPVOID text = nullptr;
      HRESULT hr = AllocateMore(static_cast<ULONG>((p.wide.size() + 1) * sizeof(wchar_t)), parent, &text);
      if (FAILED(hr)) return hr;
      std::memcpy(text, p.wide.c_str(), (p.wide.size() + 1) * sizeof(wchar_t));
      out->Value.lpszW = static_cast<LPWSTR>(text);
      return S_OK;
    }
    case PT_STRING8:
    case PT_BINARY: {
      LPVOID data = nullptr;
      HRESULT hr = AllocateMore(static_cast<ULONG>(p.bytes.size() + 1), parent, &data);
      if (FAILED(hr)) return hr;
      std::memcpy(data, p.bytes.data(), p.bytes.size());
      static_cast<char*>(data)[p.bytes.size()] = '\0';
      if (PROP_TYPE(p.tag) == PT_STRING8) {
        out->Value.lpszA = static_cast<LPSTR>(data);
      } else {
        out->Value.bin.cb = static_cast<ULONG>(p.bytes.size());
        out->Value.bin.lpb = static_cast<LPBYTE>(data);
      }
      return S_OK;
    }
    default:
      out->Value = p.value;
      return S_OK;
  }
}

Prop LongProp(ULONG tag, LONG value) {
  Prop p;
  p.tag = tag;
  p.value.l = value;
  return p;
}
Prop TextProp(ULONG tag, const std::wstring& text) {
  Prop p;
  p.tag = tag;
  p.wide = text;
  return p;
}
Prop BinaryProp(ULONG tag, const std::string& bytes) {
  Prop p;
  p.tag = tag;
  p.bytes = bytes;
  return p;
}
Prop BoolProp(ULONG tag, bool value) {
  Prop p;
  p.tag = tag;
  p.value.b = value ? 1 : 0;
  return p;
}

// Properties by id (a property has one type at a time, as in a store).
class PropertyBag {
 public:
  void Set(const Prop& p) { props_[PROP_ID(p.tag)] = p; }
  const Prop* Find(ULONG tag) const {
    auto it = props_.find(PROP_ID(tag));
    if (it == props_.end()) return nullptr;
    if (PROP_TYPE(tag) != PT_UNSPECIFIED && PROP_TYPE(it->second.tag) != PROP_TYPE(tag)) return nullptr;
    return &it->second;
  }
  void Erase(ULONG tag) { props_.erase(PROP_ID(tag)); }
  std::wstring Text(ULONG tag) const {
    const Prop* p = Find(tag);
    return p != nullptr ? p->wide : std::wstring();
  }
  std::vector<ULONG> Tags() const {
    std::vector<ULONG> tags;
    for (const auto& entry : props_) tags.push_back(entry.second.tag);
    return tags;
  }

  // Fills a new block with the values of `tags` (all when null); missing ones as PT_ERROR.
  HRESULT Get(const SPropTagArray* tags, ULONG* count, LPSPropValue* values) const {
    if (count == nullptr || values == nullptr) return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *values = nullptr;
    const std::vector<ULONG> wanted =
        tags != nullptr ? std::vector<ULONG>(tags->aulPropTag, tags->aulPropTag + tags->cValues) : Tags();
    LPVOID block = nullptr;
    HRESULT hr = AllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * (wanted.empty() ? 1 : wanted.size())), &block);
    if (FAILED(hr)) return hr;
    auto* out = static_cast<SPropValue*>(block);
    bool missing = false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      const Prop* p = Find(wanted[i]);
      if (p == nullptr) {
        missing = true;
        out[i].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(wanted[i]));
        out[i].Value.err = MAPI_E_NOT_FOUND;
        continue;
      }
      Prop typed = *p;
      if (PROP_TYPE(wanted[i]) == PT_UNSPECIFIED) typed.tag = p->tag;
      hr = ToValue(typed, block, &out[i]);
      if (FAILED(hr)) {
        FreeBuffer(block);
        return hr;
      }
    }
    *count = static_cast<ULONG>(wanted.size());
    *values = out;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
  }

  // Stores the values; those of types this store does not hold (multi-valued, objects) are
  // reported as problems when the caller asks for them, and skipped.
  HRESULT SetAll(ULONG count, const SPropValue* values, LPSPropProblemArray* problems,
                 const std::vector<ULONG>& read_only) {
    if (values == nullptr && count != 0) return MAPI_E_INVALID_PARAMETER;
    std::vector<SPropProblem> found;
    for (ULONG i = 0; i < count; ++i) {
      const ULONG tag = values[i].ulPropTag;
      bool locked = false;
      for (ULONG r : read_only) locked = locked || PROP_ID(r) == PROP_ID(tag);
      if (locked || !IsStorable(PROP_TYPE(tag))) {
        found.push_back({i, tag, locked ? MAPI_E_NO_ACCESS : MAPI_E_NO_SUPPORT});
        continue;
      }
      Set(FromValue(values[i]));
    }
    if (problems != nullptr) {
      *problems = nullptr;
      if (!found.empty()) {
        LPVOID block = nullptr;
        const ULONG size = static_cast<ULONG>(offsetof(SPropProblemArray, aProblem) + found.size() * sizeof(SPropProblem));
        if (SUCCEEDED(AllocateBuffer(size, &block))) {
          auto* array = static_cast<SPropProblemArray*>(block);
          array->cProblem = static_cast<ULONG>(found.size());
          for (std::size_t i = 0; i < found.size(); ++i) array->aProblem[i] = found[i];
          *problems = array;
        }
      }
    }
    return S_OK;
  }

 private:
  std::map<ULONG, Prop> props_;
};

// ---- entry identifiers ------------------------------------------------------------------------

enum class EntryKind : BYTE { kStore = 1, kOutbox = 2, kSentItems = 3, kMessage = 4, kOneOff = 5 };

// Flags (4 bytes), this provider's identifier (16 bytes), the kind, then kind-specific bytes.
const BYTE kProviderUid[16] = {'Z', 'o', 'r', 'B', 'a', 's', 'e', ' ', 'm', 'a', 'i', 'l', 0, 0, 0, 1};

std::string MakeEntryId(EntryKind kind, const std::string& rest = std::string()) {
  std::string id(4, '\0');
  id.append(reinterpret_cast<const char*>(kProviderUid), sizeof kProviderUid);
  id += static_cast<char>(kind);
  id += rest;
  return id;
}

bool EntryIdIs(ULONG size, LPENTRYID id, EntryKind kind) {
  if (id == nullptr || size < 21) return false;
  const BYTE* bytes = reinterpret_cast<const BYTE*>(id);
  return std::memcmp(bytes + 4, kProviderUid, sizeof kProviderUid) == 0 && bytes[20] == static_cast<BYTE>(kind);
}

// ---- reference counting ----------------------------------------------------------------------

template <class Interface>
class Counted : public Interface {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, LPVOID* out) override {
    if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
    if (IsEqualGUID(iid, IID_IUnknown) || Supports(iid)) {
      AddRef();
      *out = static_cast<Interface*>(this);
      return S_OK;
    }
    *out = nullptr;
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  }

 protected:
  virtual ~Counted() = default;
  virtual bool Supports(REFIID iid) const = 0;

 private:
  std::atomic<ULONG> references_{1};
};

// Whether an optional interface identifier asks for `wanted` (null asks for the default).
bool Asks(LPCIID iid, const IID& wanted) { return iid == nullptr || IsEqualGUID(*iid, wanted); }

// The property methods over a bag, for every object that has properties.
template <class Interface>
class PropObject : public Counted<Interface> {
 public:
  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override {
    if (error != nullptr) *error = nullptr;  // no further detail to give
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SaveChanges(ULONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* values) override {
    return bag_.Get(tags, count, values);
  }
  HRESULT STDMETHODCALLTYPE GetPropList(ULONG, LPSPropTagArray* out) override {
    if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
    const std::vector<ULONG> tags = bag_.Tags();
    LPVOID block = nullptr;
    HRESULT hr = AllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(tags.size() + 1)), &block);
    if (FAILED(hr)) return hr;
    auto* array = static_cast<SPropTagArray*>(block);
    array->cValues = static_cast<ULONG>(tags.size());
    for (std::size_t i = 0; i < tags.size(); ++i) array->aulPropTag[i] = tags[i];
    *out = array;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* out) override {
    if (out != nullptr) *out = nullptr;
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE SetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) override {
    return bag_.SetAll(count, values, problems, read_only_);
  }
  HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray tags, LPSPropProblemArray* problems) override {
    if (problems != nullptr) *problems = nullptr;
    if (tags == nullptr) return MAPI_E_INVALID_PARAMETER;
    for (ULONG i = 0; i < tags->cValues; ++i) bag_.Erase(tags->aulPropTag[i]);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID,
                                   LPVOID, ULONG, LPSPropProblemArray*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                                      LPSPropProblemArray*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override ZB_NO_SUPPORT

  PropertyBag& bag() { return bag_; }

 protected:
  PropertyBag bag_;
  std::vector<ULONG> read_only_{PR_ENTRYID};
};

// ---- streams ---------------------------------------------------------------------------------

// A property's bytes as a stream; Commit stores them in the property of the object it came from.
class MemoryStream final : public Counted<IStream> {
 public:
  MemoryStream(IMAPIProp* owner, ULONG tag, std::string initial)
      : owner_(owner), tag_(tag), bytes_(std::move(initial)) {
    owner_->AddRef();
  }
  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* read) override {
    if (pv == nullptr && cb != 0) return MAPI_E_INVALID_PARAMETER;
    const std::size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const std::size_t n = cb < available ? cb : available;
    if (n != 0) std::memcpy(pv, bytes_.data() + position_, n);
    position_ += n;
    if (read != nullptr) *read = static_cast<ULONG>(n);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* written) override {
    if (pv == nullptr && cb != 0) return MAPI_E_INVALID_PARAMETER;
    if (bytes_.size() < position_ + cb) bytes_.resize(position_ + cb);
    if (cb != 0) std::memcpy(&bytes_[position_], pv, cb);
    position_ += cb;
    if (written != nullptr) *written = cb;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
    long long base = origin == STREAM_SEEK_SET ? 0
                     : origin == STREAM_SEEK_CUR ? static_cast<long long>(position_)
                     : origin == STREAM_SEEK_END ? static_cast<long long>(bytes_.size())
                                                 : -1;
    if (base < 0 || base + move.QuadPart < 0) return MAPI_E_INVALID_PARAMETER;
    position_ = static_cast<std::size_t>(base + move.QuadPart);
    if (now != nullptr) now->QuadPart = position_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
    if (size.QuadPart > 0x7FFFFFFFu) return MAPI_E_NOT_ENOUGH_MEMORY;
    bytes_.resize(static_cast<std::size_t>(size.QuadPart));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override {
    SPropValue value{};
    value.ulPropTag = tag_;
    value.Value.bin.cb = static_cast<ULONG>(bytes_.size());
    value.Value.bin.lpb = reinterpret_cast<LPBYTE>(bytes_.empty() ? nullptr : &bytes_[0]);
    return owner_->SetProps(1, &value, nullptr);
  }
  HRESULT STDMETHODCALLTYPE Revert() override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (stat == nullptr) return MAPI_E_INVALID_PARAMETER;
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = bytes_.size();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override ZB_NO_SUPPORT

 protected:
  ~MemoryStream() override { owner_->Release(); }
  bool Supports(REFIID iid) const override { return IsEqualGUID(iid, IID_IStream); }

 private:
  IMAPIProp* owner_;
  ULONG tag_;
  std::string bytes_;
  std::size_t position_ = 0;
};

// ---- tables ----------------------------------------------------------------------------------

class RowTable final : public Counted<IMAPITable> {
 public:
  explicit RowTable(std::vector<PropertyBag> rows) : rows_(std::move(rows)) {}

  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override {
    if (error != nullptr) *error = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(ULONG, LPMAPIADVISESINK, ULONG*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetStatus(ULONG* status, ULONG* type) override {
    if (status != nullptr) *status = 0;  // TBLSTAT_COMPLETE
    if (type != nullptr) *type = 1;      // TBLTYPE_SNAPSHOT
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetColumns(LPSPropTagArray tags, ULONG) override {
    if (tags == nullptr) return MAPI_E_INVALID_PARAMETER;
    columns_.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryColumns(ULONG, LPSPropTagArray*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetRowCount(ULONG, ULONG* count) override {
    if (count == nullptr) return MAPI_E_INVALID_PARAMETER;
    *count = static_cast<ULONG>(rows_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SeekRow(BOOKMARK origin, LONG count, LONG* sought) override {
    if (origin != BOOKMARK_BEGINNING && origin != 1 /* BOOKMARK_CURRENT */ && origin != 2 /* END */) {
      return MAPI_E_INVALID_PARAMETER;
    }
    long long base = origin == BOOKMARK_BEGINNING ? 0 : origin == 1 ? static_cast<long long>(position_)
                                                                     : static_cast<long long>(rows_.size());
    long long target = base + count;
    if (target < 0) target = 0;
    if (target > static_cast<long long>(rows_.size())) target = static_cast<long long>(rows_.size());
    if (sought != nullptr) *sought = static_cast<LONG>(target - base);
    position_ = static_cast<std::size_t>(target);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SeekRowApprox(ULONG, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) override {
    if (row != nullptr) *row = static_cast<ULONG>(position_);
    if (numerator != nullptr) *numerator = static_cast<ULONG>(position_);
    if (denominator != nullptr) *denominator = static_cast<ULONG>(rows_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FindRow(LPSRestriction, BOOKMARK, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE Restrict(LPSRestriction, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE CreateBookmark(BOOKMARK*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE FreeBookmark(BOOKMARK) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE SortTable(LPSSortOrderSet, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE QuerySortOrder(LPSSortOrderSet*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE QueryRows(LONG count, ULONG, LPSRowSet* out) override {
    if (out == nullptr || count < 0) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    const std::size_t left = rows_.size() - position_;
    const std::size_t n = static_cast<std::size_t>(count) < left ? static_cast<std::size_t>(count) : left;
    LPVOID block = nullptr;
    HRESULT hr = AllocateBuffer(static_cast<ULONG>(CbNewSRowSet(n + 1)), &block);
    if (FAILED(hr)) return hr;
    auto* set = static_cast<SRowSet*>(block);
    set->cRows = 0;
    for (std::size_t i = 0; i < n; ++i) {
      SPropTagArray* tags = nullptr;
      std::vector<ULONG> storage;
      if (!columns_.empty()) {
        storage.resize(columns_.size() + 1);
        storage[0] = static_cast<ULONG>(columns_.size());
        std::copy(columns_.begin(), columns_.end(), storage.begin() + 1);
        tags = reinterpret_cast<SPropTagArray*>(storage.data());
      }
      SRow& row = set->aRow[set->cRows];
      row.ulAdrEntryPad = 0;
      hr = rows_[position_ + i].Get(tags, &row.cValues, &row.lpProps);
      if (FAILED(hr)) {
        FreeRows(set);
        return hr;
      }
      ++set->cRows;
    }
    position_ += n;
    *out = set;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Abort() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE WaitForCompletion(ULONG, ULONG, ULONG* status) override {
    if (status != nullptr) *status = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override ZB_NO_SUPPORT

 protected:
  bool Supports(REFIID iid) const override { return IsEqualGUID(iid, IID_IMAPITable); }

 private:
  std::vector<PropertyBag> rows_;
  std::vector<ULONG> columns_;
  std::size_t position_ = 0;
};

// ---- messages and attachments ----------------------------------------------------------------

struct Recipient {
  ULONG type;
  std::wstring name;
  std::wstring address;
};

class Message;

class Attachment final : public PropObject<IAttach> {
 public:
  Attachment(Message* message, ULONG number);
  HRESULT STDMETHODCALLTYPE OpenProperty(ULONG tag, LPCIID iid, ULONG, ULONG flags, LPUNKNOWN* out) override {
    if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (tag != PR_ATTACH_DATA_BIN || (iid != nullptr && !IsEqualGUID(*iid, IID_IStream))) {
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    const Prop* existing = bag_.Find(tag);
    if (existing == nullptr && (flags & MAPI_CREATE) == 0) return MAPI_E_NOT_FOUND;
    std::string initial = existing != nullptr && (flags & MAPI_CREATE) == 0 ? existing->bytes : std::string();
    *out = new MemoryStream(this, tag, std::move(initial));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SaveChanges(ULONG) override;

 protected:
  ~Attachment() override;
  bool Supports(REFIID iid) const override {
    return IsEqualGUID(iid, IID_IAttachment) || IsEqualGUID(iid, IID_IMAPIProp);
  }

 private:
  Message* message_;
  ULONG number_;
};

class Message final : public PropObject<IMessage> {
 public:
  explicit Message(const std::string& entry_id) {
    bag_.Set(BinaryProp(PR_ENTRYID, entry_id));
    bag_.Set(LongProp(PR_OBJECT_TYPE, MAPI_MESSAGE));
    bag_.Set(LongProp(PR_MESSAGE_FLAGS, MSGFLAG_UNSENT));
    bag_.Set(TextProp(PR_MESSAGE_CLASS_W, L"IPM.Note"));
    bag_.Set(LongProp(PR_MSG_STATUS, 0));
    bag_.Set(LongProp(PR_ACCESS, 0x3F));  // read, modify, delete and create contents
  }

  HRESULT STDMETHODCALLTYPE GetAttachmentTable(ULONG, LPMAPITABLE* out) override {
    if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
    std::vector<PropertyBag> rows;
    for (const auto& entry : attachments_) rows.push_back(entry.second);
    *out = new RowTable(std::move(rows));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenAttach(ULONG, LPCIID, ULONG, LPATTACH*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE CreateAttach(LPCIID iid, ULONG, ULONG* number, LPATTACH* out) override {
    if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (!Asks(iid, IID_IAttachment)) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    if (submitted_) return MAPI_E_SUBMITTED;
    const ULONG n = next_attachment_++;
    if (number != nullptr) *number = n;
    *out = new Attachment(this, n);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DeleteAttach(ULONG number, ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
    return attachments_.erase(number) != 0 ? S_OK : MAPI_E_NOT_FOUND;
  }
  HRESULT STDMETHODCALLTYPE GetRecipientTable(ULONG, LPMAPITABLE* out) override {
    if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
    std::vector<PropertyBag> rows;
    for (const Recipient& r : recipients_) {
      PropertyBag row;
      row.Set(LongProp(PR_RECIPIENT_TYPE, static_cast<LONG>(r.type)));
      row.Set(TextProp(PR_DISPLAY_NAME_W, r.name.empty() ? r.address : r.name));
      row.Set(TextProp(PR_EMAIL_ADDRESS_W, r.address));
      row.Set(TextProp(PR_ADDRTYPE_W, L"SMTP"));
      rows.push_back(row);
    }
    *out = new RowTable(std::move(rows));
    return S_OK;
  }
  // Adds (MODRECIP_ADD) or replaces (no flag) the recipients. Every entry is checked first: each
  // needs a recipient type of to, copy or blind copy and an address that parses as one mailbox;
  // otherwise nothing changes.
  HRESULT STDMETHODCALLTYPE ModifyRecipients(ULONG flags, LPADRLIST mods) override {
    if (submitted_) return MAPI_E_SUBMITTED;
    if ((flags & (MODRECIP_MODIFY | MODRECIP_REMOVE)) != 0) return MAPI_E_NO_SUPPORT;
    if (mods == nullptr) return MAPI_E_INVALID_PARAMETER;
    std::vector<Recipient> added;
    for (ULONG i = 0; i < mods->cEntries; ++i) {
      const ADRENTRY& entry = mods->aEntries[i];
      const SPropValue* type = FindProp(entry.rgPropVals, entry.cValues, PR_RECIPIENT_TYPE);
      const SPropValue* address = FindProp(entry.rgPropVals, entry.cValues, PR_EMAIL_ADDRESS_W);
      const SPropValue* name = FindProp(entry.rgPropVals, entry.cValues, PR_DISPLAY_NAME_W);
      if (type == nullptr || type->Value.l < 1 || type->Value.l > 3) return MAPI_E_INVALID_PARAMETER;
      Recipient r;
      r.type = static_cast<ULONG>(type->Value.l);
      if (name != nullptr && name->Value.lpszW != nullptr) r.name = name->Value.lpszW;
      if (address != nullptr && address->Value.lpszW != nullptr) {
        r.address = address->Value.lpszW;
      } else {
        r.address = r.name;
        r.name.clear();
      }
      MailAddress parsed;
      if (!ParseMailAddress(r.address, &parsed)) return MAPI_E_INVALID_PARAMETER;
      for (wchar_t c : r.name) {
        if (c < 0x20 || c == 0x7F) return MAPI_E_INVALID_PARAMETER;
      }
      r.address = Utf8ToWide(parsed.address);
      if (r.name.empty()) r.name = Utf8ToWide(parsed.name);
      if (r.name == r.address) r.name.clear();
      added.push_back(r);
    }
    if ((flags & MODRECIP_ADD) == 0) recipients_.clear();
    recipients_.insert(recipients_.end(), added.begin(), added.end());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SubmitMessage(ULONG) override {
    if (submitted_) return MAPI_E_SUBMITTED;
    switch (SubmitMail(ToMail())) {
      case MailOutcome::kHandedOver:
        submitted_ = true;
        bag_.Set(LongProp(PR_MESSAGE_FLAGS, MSGFLAG_READ));
        return S_OK;
      case MailOutcome::kNoRecipients: return MAPI_E_NO_RECIPIENTS;
      case MailOutcome::kNoProgram: return MAPI_E_NO_SUPPORT;
      case MailOutcome::kTimedOut: return MAPI_E_NETWORK_ERROR;
      case MailOutcome::kBadRecipient: return MAPI_E_INVALID_PARAMETER;
      default: return MAPI_E_CALL_FAILED;
    }
  }
  HRESULT STDMETHODCALLTYPE SetReadFlag(ULONG) override { return S_OK; }

  void StoreAttachment(ULONG number, const PropertyBag& props) {
    PropertyBag stored = props;
    stored.Set(LongProp(PR_ATTACH_NUM, static_cast<LONG>(number)));
    attachments_[number] = stored;
  }

  // The message as the mail programs take it: subject, plain-text body, recipients, and the
  // attachments saved by value, in the order they were created.
  MailMessage ToMail() const {
    MailMessage mail;
    mail.subject = bag_.Text(PR_SUBJECT_W);
    mail.body = bag_.Text(PR_BODY_W);
    for (const Recipient& r : recipients_) {
      MailRecipient recipient;
      recipient.recipient_class = r.type;
      recipient.text = r.address;
      recipient.name = r.name;
      mail.recipients.push_back(recipient);
    }
    for (const auto& entry : attachments_) {
      const PropertyBag& props = entry.second;
      const Prop* method = props.Find(PR_ATTACH_METHOD);
      if (method != nullptr && method->value.l != static_cast<LONG>(ATTACH_BY_VALUE)) continue;
      MailAttachment attachment;
      const Prop* data = props.Find(PR_ATTACH_DATA_BIN);
      if (data != nullptr) attachment.bytes = data->bytes;
      attachment.has_bytes = true;
      for (ULONG tag : {PR_ATTACH_LONG_FILENAME_W, PR_ATTACH_FILENAME_W, PR_DISPLAY_NAME_W}) {
        if (attachment.name.empty()) attachment.name = props.Text(tag);
      }
      attachment.media_type = WideToUtf8(props.Text(PR_ATTACH_MIME_TAG_W));
      mail.attachments.push_back(attachment);
    }
    return mail;
  }

 protected:
  bool Supports(REFIID iid) const override {
    return IsEqualGUID(iid, IID_IMessage) || IsEqualGUID(iid, IID_IMAPIProp);
  }

 private:
  std::vector<Recipient> recipients_;
  std::map<ULONG, PropertyBag> attachments_;
  ULONG next_attachment_ = 0;
  bool submitted_ = false;
};

Attachment::Attachment(Message* message, ULONG number) : message_(message), number_(number) {
  message_->AddRef();
  bag_.Set(LongProp(PR_ATTACH_NUM, static_cast<LONG>(number)));
  bag_.Set(LongProp(PR_OBJECT_TYPE, MAPI_ATTACH));
  read_only_.push_back(PR_ATTACH_NUM);
}
Attachment::~Attachment() { message_->Release(); }
HRESULT Attachment::SaveChanges(ULONG) {
  const Prop* data = bag_.Find(PR_ATTACH_DATA_BIN);
  bag_.Set(LongProp(PR_ATTACH_SIZE, static_cast<LONG>(data != nullptr ? data->bytes.size() : 0)));
  message_->StoreAttachment(number_, bag_);
  return S_OK;
}

// ---- folders and the store -------------------------------------------------------------------

class Folder final : public PropObject<IMAPIFolder> {
 public:
  Folder(EntryKind kind, const std::wstring& name) {
    bag_.Set(BinaryProp(PR_ENTRYID, MakeEntryId(kind)));
    bag_.Set(TextProp(PR_DISPLAY_NAME_W, name));
    bag_.Set(LongProp(PR_OBJECT_TYPE, MAPI_FOLDER));
  }
  HRESULT STDMETHODCALLTYPE GetContentsTable(ULONG, LPMAPITABLE*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetHierarchyTable(ULONG, LPMAPITABLE*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE CreateMessage(LPCIID iid, ULONG, LPMESSAGE* out) override {
    if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (!Asks(iid, IID_IMessage)) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    static std::atomic<unsigned> serial{0};
    const unsigned n = ++serial;
    *out = new Message(MakeEntryId(EntryKind::kMessage, std::string(reinterpret_cast<const char*>(&n), sizeof n)));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CopyMessages(LPENTRYLIST, LPCIID, LPVOID, ULONG_PTR, LPMAPIPROGRESS, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE DeleteMessages(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE CreateFolder(ULONG, LPTSTR, LPTSTR, LPCIID, ULONG, LPMAPIFOLDER*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE CopyFolder(ULONG, LPENTRYID, LPCIID, LPVOID, LPTSTR, ULONG_PTR, LPMAPIPROGRESS, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE DeleteFolder(ULONG, LPENTRYID, ULONG_PTR, LPMAPIPROGRESS, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE SetReadFlags(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE SetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG, ULONG*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE SaveContentsSort(LPSSortOrderSet, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE EmptyFolder(ULONG_PTR, LPMAPIPROGRESS, ULONG) override ZB_NO_SUPPORT

 protected:
  bool Supports(REFIID iid) const override {
    return IsEqualGUID(iid, IID_IMAPIFolder) || IsEqualGUID(iid, IID_IMAPIContainer) ||
           IsEqualGUID(iid, IID_IMAPIProp);
  }
};

// Opens the outbox or the sent-items folder named by an entry identifier of this provider.
HRESULT OpenFolderEntry(ULONG size, LPENTRYID id, LPCIID iid, ULONG* type, LPUNKNOWN* out) {
  if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  EntryKind kind;
  if (EntryIdIs(size, id, EntryKind::kOutbox)) {
    kind = EntryKind::kOutbox;
  } else if (EntryIdIs(size, id, EntryKind::kSentItems)) {
    kind = EntryKind::kSentItems;
  } else {
    return MAPI_E_INVALID_ENTRYID;
  }
  if (!Asks(iid, IID_IMAPIFolder)) return MAPI_E_INTERFACE_NOT_SUPPORTED;
  if (type != nullptr) *type = MAPI_FOLDER;
  IMAPIFolder* folder = new Folder(kind, kind == EntryKind::kOutbox ? L"Outbox" : L"Sent Items");
  *out = folder;
  return S_OK;
}

PropertyBag StoreProps() {
  PropertyBag bag;
  bag.Set(TextProp(PR_DISPLAY_NAME_W, L"Mail"));
  bag.Set(BinaryProp(PR_ENTRYID, MakeEntryId(EntryKind::kStore)));
  bag.Set(BoolProp(PR_DEFAULT_STORE, true));
  bag.Set(LongProp(PR_OBJECT_TYPE, MAPI_STORE));
  bag.Set(BinaryProp(PR_IPM_OUTBOX_ENTRYID, MakeEntryId(EntryKind::kOutbox)));
  bag.Set(BinaryProp(PR_IPM_SENTMAIL_ENTRYID, MakeEntryId(EntryKind::kSentItems)));
  return bag;
}

class Store final : public PropObject<IMsgStore> {
 public:
  Store() { bag_ = StoreProps(); }
  HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG a_size, LPENTRYID a, ULONG b_size, LPENTRYID b, ULONG,
                                            ULONG* result) override {
    if (result == nullptr) return MAPI_E_INVALID_PARAMETER;
    *result = a_size == b_size && a != nullptr && b != nullptr && std::memcmp(a, b, a_size) == 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG size, LPENTRYID id, LPCIID iid, ULONG, ULONG* type,
                                      LPUNKNOWN* out) override {
    return OpenFolderEntry(size, id, iid, type, out);
  }
  HRESULT STDMETHODCALLTYPE SetReceiveFolder(LPTSTR, ULONG, ULONG, LPENTRYID) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetReceiveFolder(LPTSTR, ULONG, ULONG*, LPENTRYID*, LPTSTR*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetReceiveFolderTable(ULONG, LPMAPITABLE*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE StoreLogoff(ULONG*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE AbortSubmit(ULONG, LPENTRYID, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetOutgoingQueue(ULONG, LPMAPITABLE*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE SetLockState(LPMESSAGE, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE FinishedMsg(ULONG, ULONG, LPENTRYID) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE NotifyNewMail(LPNOTIFICATION) override ZB_NO_SUPPORT

 protected:
  bool Supports(REFIID iid) const override {
    return IsEqualGUID(iid, IID_IMsgStore) || IsEqualGUID(iid, IID_IMAPIProp);
  }
};

// ---- the address book ------------------------------------------------------------------------

// Replaces the entry's values by those of the resolved address, in a new block.
HRESULT ResolveEntry(ADRENTRY* entry) {
  const SPropValue* name = FindProp(entry->rgPropVals, entry->cValues, PR_DISPLAY_NAME_W);
  if (name == nullptr || name->Value.lpszW == nullptr) return MAPI_E_NOT_FOUND;
  MailAddress parsed;
  if (!ParseMailAddress(name->Value.lpszW, &parsed)) return MAPI_E_NOT_FOUND;
  const std::wstring address = Utf8ToWide(parsed.address);
  std::vector<Prop> props;
  for (ULONG i = 0; i < entry->cValues; ++i) {
    const ULONG tag = entry->rgPropVals[i].ulPropTag;
    if (PROP_ID(tag) == PROP_ID(PR_DISPLAY_NAME_W) || PROP_ID(tag) == PROP_ID(PR_EMAIL_ADDRESS_W) ||
        PROP_ID(tag) == PROP_ID(PR_ADDRTYPE_W) || PROP_ID(tag) == PROP_ID(PR_ENTRYID) ||
        !IsStorable(PROP_TYPE(tag))) {
      continue;
    }
    props.push_back(FromValue(entry->rgPropVals[i]));
  }
  props.push_back(TextProp(PR_DISPLAY_NAME_W, parsed.name.empty() ? address : Utf8ToWide(parsed.name)));
  props.push_back(TextProp(PR_EMAIL_ADDRESS_W, address));
  props.push_back(TextProp(PR_ADDRTYPE_W, L"SMTP"));
  props.push_back(BinaryProp(PR_ENTRYID, MakeEntryId(EntryKind::kOneOff, parsed.address)));
  LPVOID block = nullptr;
  HRESULT hr = AllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * props.size()), &block);
  if (FAILED(hr)) return hr;
  auto* values = static_cast<SPropValue*>(block);
  for (std::size_t i = 0; i < props.size(); ++i) {
    hr = ToValue(props[i], block, &values[i]);
    if (FAILED(hr)) {
      FreeBuffer(block);
      return hr;
    }
  }
  FreeBuffer(entry->rgPropVals);  // the caller's block, as the interface requires
  entry->rgPropVals = values;
  entry->cValues = static_cast<ULONG>(props.size());
  return S_OK;
}

class AddressBook final : public PropObject<IAddrBook> {
 public:
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE CreateOneOff(LPTSTR, LPTSTR, LPTSTR, ULONG, ULONG*, LPENTRYID*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE NewEntry(ULONG_PTR, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*, LPENTRYID*) override ZB_NO_SUPPORT
  // Resolves every entry without an entry identifier whose display name is one address. Entries
  // that cannot be resolved are left as they were, and the call gives MAPI_E_NOT_FOUND.
  HRESULT STDMETHODCALLTYPE ResolveName(ULONG_PTR, ULONG, LPTSTR, LPADRLIST list) override {
    if (list == nullptr) return MAPI_E_INVALID_PARAMETER;
    HRESULT result = S_OK;
    for (ULONG i = 0; i < list->cEntries; ++i) {
      ADRENTRY& entry = list->aEntries[i];
      if (FindProp(entry.rgPropVals, entry.cValues, PR_ENTRYID) != nullptr) continue;
      const HRESULT hr = ResolveEntry(&entry);
      if (FAILED(hr)) result = hr;
    }
    return result;
  }
  HRESULT STDMETHODCALLTYPE Address(ULONG_PTR*, LPADRPARM, LPADRLIST*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE Details(ULONG_PTR*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID,
                                    LPTSTR, ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE RecipOptions(ULONG_PTR, ULONG, LPADRENTRY) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetPAB(ULONG*, LPENTRYID*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE SetPAB(ULONG, LPENTRYID) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetDefaultDir(ULONG*, LPENTRYID*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE SetDefaultDir(ULONG, LPENTRYID) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetSearchPath(ULONG, LPSRowSet*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE SetSearchPath(ULONG, LPSRowSet) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override ZB_NO_SUPPORT

 protected:
  bool Supports(REFIID iid) const override {
    return IsEqualGUID(iid, IID_IAddrBook) || IsEqualGUID(iid, IID_IMAPIProp);
  }
};

// ---- the session -----------------------------------------------------------------------------

class Session final : public Counted<IMAPISession> {
 public:
  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR* error) override {
    if (error != nullptr) *error = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG, LPMAPITABLE* out) override {
    if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
    *out = new RowTable({StoreProps()});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR, ULONG size, LPENTRYID id, LPCIID iid, ULONG,
                                         LPMDB* out) override {
    if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (!EntryIdIs(size, id, EntryKind::kStore)) return MAPI_E_INVALID_ENTRYID;
    if (!Asks(iid, IID_IMsgStore)) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    *out = new Store();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenAddressBook(ULONG_PTR, LPCIID iid, ULONG, LPADRBOOK* out) override {
    if (out == nullptr) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (!Asks(iid, IID_IAddrBook)) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    *out = new AddressBook();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE GetStatusTable(ULONG, LPMAPITABLE*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG size, LPENTRYID id, LPCIID iid, ULONG, ULONG* type,
                                      LPUNKNOWN* out) override {
    return OpenFolderEntry(size, id, iid, type, out);
  }
  HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG a_size, LPENTRYID a, ULONG b_size, LPENTRYID b, ULONG,
                                            ULONG* result) override {
    if (result == nullptr) return MAPI_E_INVALID_PARAMETER;
    *result = a_size == b_size && a != nullptr && b != nullptr && std::memcmp(a, b, a_size) == 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE EnumAdrTypes(ULONG, ULONG*, LPTSTR**) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE QueryIdentity(ULONG*, LPENTRYID*) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE Logoff(ULONG_PTR, ULONG, ULONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetDefaultStore(ULONG, ULONG, LPENTRYID) override ZB_NO_SUPPORT
  HRESULT STDMETHODCALLTYPE AdminServices(ULONG, LPSERVICEADMIN*) override ZB_NO_SUPPORT
  // Opens the prepared message in the user's mail program. The program cannot report whether the
  // user sent or discarded it, so a form that opened counts as completed.
  HRESULT STDMETHODCALLTYPE ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG token, LPMESSAGE,
                                     ULONG, ULONG, ULONG, ULONG, LPSTR) override {
    Message* message = TakeToken(token);
    if (message == nullptr) return MAPI_E_INVALID_PARAMETER;
    const MailOutcome outcome = ComposeMail(message->ToMail());
    message->Release();
    switch (outcome) {
      case MailOutcome::kHandedOver: return S_OK;
      case MailOutcome::kNoProgram: return MAPI_E_NO_SUPPORT;
      case MailOutcome::kNoMailClient: return MAPI_E_LOGON_FAILED;
      case MailOutcome::kBadRecipient: return MAPI_E_INVALID_PARAMETER;
      default: return MAPI_E_CALL_FAILED;
    }
  }
  HRESULT STDMETHODCALLTYPE PrepareForm(LPCIID, LPMESSAGE message, ULONG* token) override {
    if (message == nullptr || token == nullptr) return MAPI_E_INVALID_PARAMETER;
    Message* ours = dynamic_cast<Message*>(message);
    if (ours == nullptr) return MAPI_E_INVALID_OBJECT;
    ours->AddRef();
    std::lock_guard<std::mutex> lock(mutex_);
    *token = next_token_++;
    forms_[*token] = ours;
    return S_OK;
  }

 protected:
  ~Session() override {
    for (auto& entry : forms_) entry.second->Release();
  }
  bool Supports(REFIID iid) const override { return IsEqualGUID(iid, IID_IMAPISession); }

 private:
  Message* TakeToken(ULONG token) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = forms_.find(token);
    if (it == forms_.end()) return nullptr;
    Message* message = it->second;
    forms_.erase(it);
    return message;
  }

  std::mutex mutex_;
  std::map<ULONG, Message*> forms_;
  ULONG next_token_ = 1;
};

#undef ZB_NO_SUPPORT

}  // namespace

IMAPISession* NewSession() { return new Session(); }

}  // namespace mapi
}  // namespace platform
}  // namespace zb
