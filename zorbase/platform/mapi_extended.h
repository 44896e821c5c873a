// The extended messaging interface of "mapi32.dll": property values, rows and address lists, the
// object interfaces (session, message store, folder, message, attachment, address book, table,
// stream) and the entry points, with their Windows names, layouts and values. Hosts reach the
// entry points through GetProcAddress by their plain or decorated names ("MAPILogonEx@20").
//
// What the library's module provides (one default profile; a session, its store and folders
// live in memory for the session's lifetime):
// - MAPILogonEx gives a session while `xdg-email` or `sendmail` is on PATH (MAPI_E_LOGON_FAILED
//   otherwise); its store table has one row, the default store, whose outbox and sent-items folder
//   are reachable by their entry identifiers.
// - A message created in a folder keeps any properties set on it, its recipients
//   (ModifyRecipients, MODRECIP_ADD) and its attachments (CreateAttach; the attachment's data
//   property opened as a stream, committed, then SaveChanges).
// - The address book's ResolveName turns a display name that is an address ("name@host",
//   "Name <name@host>", optionally after "SMTP:") into a resolved entry; several addresses in one
//   entry, or control characters (line breaks), are never resolved (MAPI_E_NOT_FOUND).
// - SubmitMessage hands the message as MIME (UTF-8 plain-text body, attachments base64 with file
//   name and media type) to `sendmail -t -oi`; the session's ShowForm opens it in the user's mail
//   program through `xdg-email`.
// Compressed RTF and profile administration are not provided (MAPI_E_NO_SUPPORT).
#pragma once

#include <cstddef>

#include <zorbase/platform/mapi.h>
#include <zorbase/platform/win_types.h>

#ifdef _WIN32
#include <mapix.h>
#else  // the declarations below come from the system headers on Windows

#define STDMETHODCALLTYPE
#define MAPIMETHOD(name) virtual HRESULT STDMETHODCALLTYPE name

typedef LONG SCODE;
typedef const IID* LPCIID;
typedef GUID* LPGUID;
typedef ULONG_PTR BOOKMARK;

// ---- COM basics ------------------------------------------------------------------------------

struct IUnknown {
  MAPIMETHOD(QueryInterface)(REFIID riid, LPVOID* ppvObj) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  ~IUnknown() = default;  // objects go away through Release
};
typedef IUnknown* LPUNKNOWN;

struct STATSTG {
  LPWSTR pwcsName;
  DWORD type;
  ULARGE_INTEGER cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  CLSID clsid;
  DWORD grfStateBits;
  DWORD reserved;
};

struct ISequentialStream : IUnknown {
  MAPIMETHOD(Read)(void* pv, ULONG cb, ULONG* pcbRead) = 0;
  MAPIMETHOD(Write)(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
};

struct IStream : ISequentialStream {
  MAPIMETHOD(Seek)(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) = 0;
  MAPIMETHOD(SetSize)(ULARGE_INTEGER libNewSize) = 0;
  MAPIMETHOD(CopyTo)(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                     ULARGE_INTEGER* pcbWritten) = 0;
  MAPIMETHOD(Commit)(DWORD grfCommitFlags) = 0;
  MAPIMETHOD(Revert)() = 0;
  MAPIMETHOD(LockRegion)(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
  MAPIMETHOD(UnlockRegion)(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
  MAPIMETHOD(Stat)(STATSTG* pstatstg, DWORD grfStatFlag) = 0;
  MAPIMETHOD(Clone)(IStream** ppstm) = 0;
};
typedef IStream* LPSTREAM;

constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;
constexpr DWORD STGM_READ = 0x00000000;
constexpr DWORD STGM_WRITE = 0x00000001;
constexpr DWORD STGM_READWRITE = 0x00000002;
constexpr DWORD STATFLAG_NONAME = 1;
constexpr DWORD STGTY_STREAM = 2;
constexpr DWORD STGC_DEFAULT = 0;

// ---- interface identifiers -------------------------------------------------------------------

#define ZB_DEFINE_OLEGUID(name, l) \
  constexpr GUID name = {l, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}
ZB_DEFINE_OLEGUID(IID_IUnknown, 0x00000000);
ZB_DEFINE_OLEGUID(IID_IStream, 0x0000000C);
ZB_DEFINE_OLEGUID(IID_IMAPISession, 0x00020300);
ZB_DEFINE_OLEGUID(IID_IMAPITable, 0x00020301);
ZB_DEFINE_OLEGUID(IID_IMAPIProp, 0x00020303);
ZB_DEFINE_OLEGUID(IID_IMsgStore, 0x00020306);
ZB_DEFINE_OLEGUID(IID_IMessage, 0x00020307);
ZB_DEFINE_OLEGUID(IID_IAttachment, 0x00020308);
ZB_DEFINE_OLEGUID(IID_IAddrBook, 0x00020309);
ZB_DEFINE_OLEGUID(IID_IMAPIContainer, 0x0002030B);
ZB_DEFINE_OLEGUID(IID_IMAPIFolder, 0x0002030C);
#undef ZB_DEFINE_OLEGUID

inline bool IsEqualGUID(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}

// ---- property values -------------------------------------------------------------------------

constexpr ULONG PT_UNSPECIFIED = 0;
constexpr ULONG PT_NULL = 1;
constexpr ULONG PT_I2 = 2;
constexpr ULONG PT_LONG = 3;
constexpr ULONG PT_R4 = 4;
constexpr ULONG PT_DOUBLE = 5;
constexpr ULONG PT_CURRENCY = 6;
constexpr ULONG PT_APPTIME = 7;
constexpr ULONG PT_ERROR = 10;
constexpr ULONG PT_BOOLEAN = 11;
constexpr ULONG PT_OBJECT = 13;
constexpr ULONG PT_I8 = 20;
constexpr ULONG PT_STRING8 = 30;
constexpr ULONG PT_UNICODE = 31;
constexpr ULONG PT_SYSTIME = 64;
constexpr ULONG PT_CLSID = 72;
constexpr ULONG PT_BINARY = 258;

#define PROP_TYPE(tag) (static_cast<ULONG>(tag) & 0xFFFFu)
#define PROP_ID(tag) (static_cast<ULONG>(tag) >> 16)
#define PROP_TAG(type, id) ((static_cast<ULONG>(id) << 16) | static_cast<ULONG>(type))
#define CHANGE_PROP_TYPE(tag, type) ((static_cast<ULONG>(tag) & 0xFFFF0000u) | static_cast<ULONG>(type))

struct SBinary {
  ULONG cb;
  LPBYTE lpb;
};
typedef SBinary* LPSBinary;

struct SBinaryArray {
  ULONG cValues;
  SBinary* lpbin;
};
typedef SBinaryArray ENTRYLIST;
typedef ENTRYLIST* LPENTRYLIST;

union CURRENCY {
  struct {
    ULONG Lo;
    LONG Hi;
  } s;
  LONGLONG int64;
};

union _PV {
  short i;
  LONG l;
  ULONG ul;
  float flt;
  double dbl;
  unsigned short b;
  CURRENCY cur;
  double at;
  FILETIME ft;
  LPSTR lpszA;
  SBinary bin;
  LPWSTR lpszW;
  LPGUID lpguid;
  LARGE_INTEGER li;
  SCODE err;
  LONG x;
};

struct SPropValue {
  ULONG ulPropTag;
  ULONG dwAlignPad;
  union _PV Value;
};
typedef SPropValue* LPSPropValue;

struct SPropTagArray {
  ULONG cValues;
  ULONG aulPropTag[1];
};
typedef SPropTagArray* LPSPropTagArray;
#define CbNewSPropTagArray(n) (offsetof(SPropTagArray, aulPropTag) + (n) * sizeof(ULONG))
#define SizedSPropTagArray(n, name) \
  struct _SPropTagArray_##name {    \
    ULONG cValues;                  \
    ULONG aulPropTag[n];            \
  } name

struct SPropProblem {
  ULONG ulIndex;
  ULONG ulPropTag;
  SCODE scode;
};
struct SPropProblemArray {
  ULONG cProblem;
  SPropProblem aProblem[1];
};
typedef SPropProblemArray* LPSPropProblemArray;

struct SRow {
  ULONG ulAdrEntryPad;
  ULONG cValues;
  LPSPropValue lpProps;
};
typedef SRow* LPSRow;

struct SRowSet {
  ULONG cRows;
  SRow aRow[1];
};
typedef SRowSet* LPSRowSet;
#define CbNewSRowSet(n) (offsetof(SRowSet, aRow) + (n) * sizeof(SRow))

struct ADRENTRY {
  ULONG ulReserved1;
  ULONG cValues;
  LPSPropValue rgPropVals;
};
typedef ADRENTRY* LPADRENTRY;

struct ADRLIST {
  ULONG cEntries;
  ADRENTRY aEntries[1];
};
typedef ADRLIST* LPADRLIST;
#define CbNewADRLIST(n) (offsetof(ADRLIST, aEntries) + (n) * sizeof(ADRENTRY))

struct ENTRYID {
  BYTE abFlags[4];
  BYTE ab[1];
};
typedef ENTRYID* LPENTRYID;

struct MAPIUID {
  BYTE ab[16];
};
typedef MAPIUID* LPMAPIUID;

struct MAPIERROR {
  ULONG ulVersion;
  LPTSTR lpszError;
  LPTSTR lpszComponent;
  ULONG ulLowLevelError;
  ULONG ulContext;
};
typedef MAPIERROR* LPMAPIERROR;

struct MAPIINIT_0 {
  ULONG ulVersion;
  ULONG ulFlags;
};
constexpr ULONG MAPI_INIT_VERSION = 0;
constexpr ULONG MAPI_MULTITHREAD_NOTIFICATIONS = 0x00000001;

// Records the interfaces name but this library never fills (no notifications, restrictions,
// sorting, named properties or progress display).
struct SRestriction;
typedef SRestriction* LPSRestriction;
struct SSortOrderSet;
typedef SSortOrderSet* LPSSortOrderSet;
struct MAPINAMEID;
typedef MAPINAMEID* LPMAPINAMEID;
struct NOTIFICATION;
typedef NOTIFICATION* LPNOTIFICATION;
struct ADRPARM;
typedef ADRPARM* LPADRPARM;
struct IMAPIAdviseSink;
typedef IMAPIAdviseSink* LPMAPIADVISESINK;
struct IMAPIProgress;
typedef IMAPIProgress* LPMAPIPROGRESS;
struct IProfSect;
typedef IProfSect* LPPROFSECT;
struct IMsgServiceAdmin;
typedef IMsgServiceAdmin* LPSERVICEADMIN;
struct IProfAdmin;
typedef IProfAdmin* LPPROFADMIN;
typedef void (*LPFNDISMISS)(ULONG_PTR ulUIParam, LPVOID lpvContext);
typedef SCODE (*LPFNBUTTON)(ULONG_PTR ulUIParam, LPVOID lpvContext, ULONG cbEntryID,
                            LPENTRYID lpSelection, ULONG ulFlags);

// ---- property tags ---------------------------------------------------------------------------

constexpr ULONG PR_NULL = PROP_TAG(PT_NULL, 0x0000);
constexpr ULONG PR_MESSAGE_CLASS_W = 0x001A001F;
constexpr ULONG PR_SUBJECT_W = 0x0037001F;
constexpr ULONG PR_RECIPIENT_TYPE = 0x0C150003;
constexpr ULONG PR_MESSAGE_FLAGS = 0x0E070003;
constexpr ULONG PR_SENTMAIL_ENTRYID = 0x0E0A0102;
constexpr ULONG PR_MSG_STATUS = 0x0E170003;
constexpr ULONG PR_MESSAGE_SIZE = 0x0E080003;
constexpr ULONG PR_ATTACH_SIZE = 0x0E200003;
constexpr ULONG PR_ATTACH_NUM = 0x0E210003;
constexpr ULONG PR_ACCESS = 0x0FF40003;
constexpr ULONG PR_OBJECT_TYPE = 0x0FFE0003;
constexpr ULONG PR_ENTRYID = 0x0FFF0102;
constexpr ULONG PR_BODY_W = 0x1000001F;
constexpr ULONG PR_DISPLAY_NAME_W = 0x3001001F;
constexpr ULONG PR_ADDRTYPE_W = 0x3002001F;
constexpr ULONG PR_EMAIL_ADDRESS_W = 0x3003001F;
constexpr ULONG PR_SEARCH_KEY = 0x300B0102;
constexpr ULONG PR_DEFAULT_STORE = 0x3400000B;
constexpr ULONG PR_IPM_OUTBOX_ENTRYID = 0x35E20102;
constexpr ULONG PR_IPM_SENTMAIL_ENTRYID = 0x35E40102;
constexpr ULONG PR_ATTACH_DATA_BIN = 0x37010102;
constexpr ULONG PR_ATTACH_FILENAME_W = 0x3704001F;
constexpr ULONG PR_ATTACH_METHOD = 0x37050003;
constexpr ULONG PR_ATTACH_LONG_FILENAME_W = 0x3707001F;
constexpr ULONG PR_RENDERING_POSITION = 0x370B0003;
constexpr ULONG PR_ATTACH_MIME_TAG_W = 0x370E001F;
constexpr ULONG PR_MSG_EDITOR_FORMAT = 0x59090003;

constexpr ULONG EDITOR_FORMAT_DONTKNOW = 0;
constexpr ULONG EDITOR_FORMAT_PLAINTEXT = 1;
constexpr ULONG EDITOR_FORMAT_HTML = 2;
constexpr ULONG EDITOR_FORMAT_RTF = 3;

constexpr ULONG MSGFLAG_READ = 0x00000001;
constexpr ULONG MSGFLAG_UNMODIFIED = 0x00000002;
constexpr ULONG MSGFLAG_SUBMIT = 0x00000004;
constexpr ULONG MSGFLAG_UNSENT = 0x00000008;

constexpr ULONG NO_ATTACHMENT = 0;
constexpr ULONG ATTACH_BY_VALUE = 1;

constexpr ULONG MAPI_STORE = 0x00000001;
constexpr ULONG MAPI_ADDRBOOK = 0x00000002;
constexpr ULONG MAPI_FOLDER = 0x00000003;
constexpr ULONG MAPI_MESSAGE = 0x00000005;
constexpr ULONG MAPI_ATTACH = 0x00000007;

// ---- flags -----------------------------------------------------------------------------------

constexpr ULONG MAPI_MODIFY = 0x00000001;
constexpr ULONG MAPI_CREATE = 0x00000002;
constexpr ULONG MAPI_DEFERRED_ERRORS = 0x00000008;
constexpr ULONG MAPI_BEST_ACCESS = 0x00000010;
constexpr ULONG MAPI_EXTENDED = 0x00000020;
constexpr ULONG MAPI_USE_DEFAULT = 0x00000040;
constexpr ULONG MAPI_NO_MAIL = 0x00008000;
constexpr ULONG MAPI_UNICODE = 0x80000000;
constexpr ULONG MDB_NO_DIALOG = 0x00000001;
constexpr ULONG MDB_WRITE = 0x00000004;
constexpr ULONG KEEP_OPEN_READONLY = 0x00000001;
constexpr ULONG KEEP_OPEN_READWRITE = 0x00000002;
constexpr ULONG FORCE_SAVE = 0x00000004;
constexpr ULONG MODRECIP_ADD = 0x00000002;
constexpr ULONG MODRECIP_MODIFY = 0x00000004;
constexpr ULONG MODRECIP_REMOVE = 0x00000008;
constexpr ULONG FORCE_SUBMIT = 0x00000001;
constexpr ULONG MAPI_POST_MESSAGE = 0x00000001;
constexpr ULONG MAPI_NEW_MESSAGE = 0x00000002;
constexpr ULONG TBL_NOWAIT = 0x00000001;
constexpr BOOKMARK BOOKMARK_BEGINNING = 0;

// ---- result codes ----------------------------------------------------------------------------

#define ZB_MAPI_E(code) static_cast<HRESULT>(0x80040000u | (code))
constexpr HRESULT MAPI_E_CALL_FAILED = E_FAIL;
constexpr HRESULT MAPI_E_NOT_ENOUGH_MEMORY = E_OUTOFMEMORY;
constexpr HRESULT MAPI_E_INVALID_PARAMETER = E_INVALIDARG;
constexpr HRESULT MAPI_E_INTERFACE_NOT_SUPPORTED = E_NOINTERFACE;
constexpr HRESULT MAPI_E_NO_ACCESS = E_ACCESSDENIED;
constexpr HRESULT MAPI_E_NO_SUPPORT = ZB_MAPI_E(0x102);
constexpr HRESULT MAPI_E_UNKNOWN_FLAGS = ZB_MAPI_E(0x106);
constexpr HRESULT MAPI_E_INVALID_ENTRYID = ZB_MAPI_E(0x107);
constexpr HRESULT MAPI_E_INVALID_OBJECT = ZB_MAPI_E(0x108);
constexpr HRESULT MAPI_E_NOT_FOUND = ZB_MAPI_E(0x10F);
constexpr HRESULT MAPI_E_LOGON_FAILED = ZB_MAPI_E(0x111);
constexpr HRESULT MAPI_E_USER_CANCEL = ZB_MAPI_E(0x113);
constexpr HRESULT MAPI_E_NETWORK_ERROR = ZB_MAPI_E(0x115);
constexpr HRESULT MAPI_E_DISK_ERROR = ZB_MAPI_E(0x116);
constexpr HRESULT MAPI_E_NOT_INITIALIZED = ZB_MAPI_E(0x605);
constexpr HRESULT MAPI_E_NO_RECIPIENTS = ZB_MAPI_E(0x607);
constexpr HRESULT MAPI_E_SUBMITTED = ZB_MAPI_E(0x608);
constexpr HRESULT MAPI_E_AMBIGUOUS_RECIP = ZB_MAPI_E(0x700);
constexpr HRESULT MAPI_W_ERRORS_RETURNED = static_cast<HRESULT>(0x00040380);
#undef ZB_MAPI_E

// ---- object interfaces -----------------------------------------------------------------------

struct IMessage;
typedef IMessage* LPMESSAGE;
struct IAttach;
typedef IAttach* LPATTACH;
struct IMAPIFolder;
typedef IMAPIFolder* LPMAPIFOLDER;
struct IMsgStore;
typedef IMsgStore* LPMDB;
struct IAddrBook;
typedef IAddrBook* LPADRBOOK;
struct IMAPITable;
typedef IMAPITable* LPMAPITABLE;

struct IMAPIProp : IUnknown {
  MAPIMETHOD(GetLastError)(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
  MAPIMETHOD(SaveChanges)(ULONG ulFlags) = 0;
  MAPIMETHOD(GetProps)(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                       LPSPropValue* lppPropArray) = 0;
  MAPIMETHOD(GetPropList)(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) = 0;
  MAPIMETHOD(OpenProperty)(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,
                           LPUNKNOWN* lppUnk) = 0;
  MAPIMETHOD(SetProps)(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) = 0;
  MAPIMETHOD(DeleteProps)(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) = 0;
  MAPIMETHOD(CopyTo)(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps,
                     ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress, LPCIID lpInterface,
                     LPVOID lpDestObj, ULONG ulFlags, LPSPropProblemArray* lppProblems) = 0;
  MAPIMETHOD(CopyProps)(LPSPropTagArray lpIncludeProps, ULONG_PTR ulUIParam,
                        LPMAPIPROGRESS lpProgress, LPCIID lpInterface, LPVOID lpDestObj,
                        ULONG ulFlags, LPSPropProblemArray* lppProblems) = 0;
  MAPIMETHOD(GetNamesFromIDs)(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                              ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames) = 0;
  MAPIMETHOD(GetIDsFromNames)(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                              LPSPropTagArray* lppPropTags) = 0;
};
typedef IMAPIProp* LPMAPIPROP;

struct IMAPITable : IUnknown {
  MAPIMETHOD(GetLastError)(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
  MAPIMETHOD(Advise)(ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) = 0;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) = 0;
  MAPIMETHOD(GetStatus)(ULONG* lpulTableStatus, ULONG* lpulTableType) = 0;
  MAPIMETHOD(SetColumns)(LPSPropTagArray lpPropTagArray, ULONG ulFlags) = 0;
  MAPIMETHOD(QueryColumns)(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) = 0;
  MAPIMETHOD(GetRowCount)(ULONG ulFlags, ULONG* lpulCount) = 0;
  MAPIMETHOD(SeekRow)(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) = 0;
  MAPIMETHOD(SeekRowApprox)(ULONG ulNumerator, ULONG ulDenominator) = 0;
  MAPIMETHOD(QueryPosition)(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator) = 0;
  MAPIMETHOD(FindRow)(LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags) = 0;
  MAPIMETHOD(Restrict)(LPSRestriction lpRestriction, ULONG ulFlags) = 0;
  MAPIMETHOD(CreateBookmark)(BOOKMARK* lpbkPosition) = 0;
  MAPIMETHOD(FreeBookmark)(BOOKMARK bkPosition) = 0;
  MAPIMETHOD(SortTable)(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) = 0;
  MAPIMETHOD(QuerySortOrder)(LPSSortOrderSet* lppSortCriteria) = 0;
  MAPIMETHOD(QueryRows)(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) = 0;
  MAPIMETHOD(Abort)() = 0;
  MAPIMETHOD(ExpandRow)(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulRowCount, ULONG ulFlags,
                        LPSRowSet* lppRows, ULONG* lpulMoreRows) = 0;
  MAPIMETHOD(CollapseRow)(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulFlags,
                          ULONG* lpulRowCount) = 0;
  MAPIMETHOD(WaitForCompletion)(ULONG ulFlags, ULONG ulTimeout, ULONG* lpulTableStatus) = 0;
  MAPIMETHOD(GetCollapseState)(ULONG ulFlags, ULONG cbInstanceKey, LPBYTE lpbInstanceKey,
                               ULONG* lpcbCollapseState, LPBYTE* lppbCollapseState) = 0;
  MAPIMETHOD(SetCollapseState)(ULONG ulFlags, ULONG cbCollapseState, LPBYTE pbCollapseState,
                               BOOKMARK* lpbkLocation) = 0;
};

struct IAttach : IMAPIProp {};

struct IMessage : IMAPIProp {
  MAPIMETHOD(GetAttachmentTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(OpenAttach)(ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags,
                         LPATTACH* lppAttach) = 0;
  MAPIMETHOD(CreateAttach)(LPCIID lpInterface, ULONG ulFlags, ULONG* lpulAttachmentNum,
                           LPATTACH* lppAttach) = 0;
  MAPIMETHOD(DeleteAttach)(ULONG ulAttachmentNum, ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                           ULONG ulFlags) = 0;
  MAPIMETHOD(GetRecipientTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(ModifyRecipients)(ULONG ulFlags, LPADRLIST lpMods) = 0;
  MAPIMETHOD(SubmitMessage)(ULONG ulFlags) = 0;
  MAPIMETHOD(SetReadFlag)(ULONG ulFlags) = 0;
};

struct IMAPIContainer : IMAPIProp {
  MAPIMETHOD(GetContentsTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(GetHierarchyTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                        ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  MAPIMETHOD(SetSearchCriteria)(LPSRestriction lpRestriction, LPENTRYLIST lpContainerList,
                                ULONG ulSearchFlags) = 0;
  MAPIMETHOD(GetSearchCriteria)(ULONG ulFlags, LPSRestriction* lppRestriction,
                                LPENTRYLIST* lppContainerList, ULONG* lpulSearchState) = 0;
};

struct IMAPIFolder : IMAPIContainer {
  MAPIMETHOD(CreateMessage)(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) = 0;
  MAPIMETHOD(CopyMessages)(LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder,
                           ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
  MAPIMETHOD(DeleteMessages)(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                             ULONG ulFlags) = 0;
  MAPIMETHOD(CreateFolder)(ULONG ulFolderType, LPTSTR lpszFolderName, LPTSTR lpszFolderComment,
                           LPCIID lpInterface, ULONG ulFlags, LPMAPIFOLDER* lppFolder) = 0;
  MAPIMETHOD(CopyFolder)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                         LPVOID lpDestFolder, LPTSTR lpszNewFolderName, ULONG_PTR ulUIParam,
                         LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
  MAPIMETHOD(DeleteFolder)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG_PTR ulUIParam,
                           LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
  MAPIMETHOD(SetReadFlags)(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                           ULONG ulFlags) = 0;
  MAPIMETHOD(GetMessageStatus)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags,
                               ULONG* lpulMessageStatus) = 0;
  MAPIMETHOD(SetMessageStatus)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulNewStatus,
                               ULONG ulNewStatusMask, ULONG* lpulOldStatus) = 0;
  MAPIMETHOD(SaveContentsSort)(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) = 0;
  MAPIMETHOD(EmptyFolder)(ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
};

struct IMsgStore : IMAPIProp {
  MAPIMETHOD(Advise)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask,
                     LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) = 0;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) = 0;
  MAPIMETHOD(CompareEntryIDs)(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                              LPENTRYID lpEntryID2, ULONG ulFlags, ULONG* lpulResult) = 0;
  MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                        ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  MAPIMETHOD(SetReceiveFolder)(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG cbEntryID,
                               LPENTRYID lpEntryID) = 0;
  MAPIMETHOD(GetReceiveFolder)(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID,
                               LPENTRYID* lppEntryID, LPTSTR* lppszExplicitClass) = 0;
  MAPIMETHOD(GetReceiveFolderTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(StoreLogoff)(ULONG* lpulFlags) = 0;
  MAPIMETHOD(AbortSubmit)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags) = 0;
  MAPIMETHOD(GetOutgoingQueue)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(SetLockState)(LPMESSAGE lpMessage, ULONG ulLockState) = 0;
  MAPIMETHOD(FinishedMsg)(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  MAPIMETHOD(NotifyNewMail)(LPNOTIFICATION lpNotification) = 0;
};

struct IAddrBook : IMAPIProp {
  MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                        ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  MAPIMETHOD(CompareEntryIDs)(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                              LPENTRYID lpEntryID2, ULONG ulFlags, ULONG* lpulResult) = 0;
  MAPIMETHOD(Advise)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask,
                     LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) = 0;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) = 0;
  MAPIMETHOD(CreateOneOff)(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress, ULONG ulFlags,
                           ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  MAPIMETHOD(NewEntry)(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG cbEIDContainer,
                       LPENTRYID lpEIDContainer, ULONG cbEIDNewEntryTpl, LPENTRYID lpEIDNewEntryTpl,
                       ULONG* lpcbEIDNewEntry, LPENTRYID* lppEIDNewEntry) = 0;
  MAPIMETHOD(ResolveName)(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszNewEntryTitle,
                          LPADRLIST lpAdrList) = 0;
  MAPIMETHOD(Address)(ULONG_PTR* lpulUIParam, LPADRPARM lpAdrParms, LPADRLIST* lppAdrList) = 0;
  MAPIMETHOD(Details)(ULONG_PTR* lpulUIParam, LPFNDISMISS lpfnDismiss, LPVOID lpvDismissContext,
                      ULONG cbEntryID, LPENTRYID lpEntryID, LPFNBUTTON lpfButtonCallback,
                      LPVOID lpvButtonContext, LPTSTR lpszButtonText, ULONG ulFlags) = 0;
  MAPIMETHOD(RecipOptions)(ULONG_PTR ulUIParam, ULONG ulFlags, LPADRENTRY lpRecip) = 0;
  MAPIMETHOD(QueryDefaultRecipOpt)(LPTSTR lpszAdrType, ULONG ulFlags, ULONG* lpcValues,
                                   LPSPropValue* lppOptions) = 0;
  MAPIMETHOD(GetPAB)(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  MAPIMETHOD(SetPAB)(ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  MAPIMETHOD(GetDefaultDir)(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  MAPIMETHOD(SetDefaultDir)(ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  MAPIMETHOD(GetSearchPath)(ULONG ulFlags, LPSRowSet* lppSearchPath) = 0;
  MAPIMETHOD(SetSearchPath)(ULONG ulFlags, LPSRowSet lpSearchPath) = 0;
  MAPIMETHOD(PrepareRecips)(ULONG ulFlags, LPSPropTagArray lpPropTagArray, LPADRLIST lpRecipList) = 0;
};

struct IMAPISession : IUnknown {
  MAPIMETHOD(GetLastError)(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) = 0;
  MAPIMETHOD(GetMsgStoresTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(OpenMsgStore)(ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID,
                           LPCIID lpInterface, ULONG ulFlags, LPMDB* lppMDB) = 0;
  MAPIMETHOD(OpenAddressBook)(ULONG_PTR ulUIParam, LPCIID lpInterface, ULONG ulFlags,
                              LPADRBOOK* lppAdrBook) = 0;
  MAPIMETHOD(OpenProfileSection)(LPMAPIUID lpUID, LPCIID lpInterface, ULONG ulFlags,
                                 LPPROFSECT* lppProfSect) = 0;
  MAPIMETHOD(GetStatusTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
  MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                        ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
  MAPIMETHOD(CompareEntryIDs)(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                              LPENTRYID lpEntryID2, ULONG ulFlags, ULONG* lpulResult) = 0;
  MAPIMETHOD(Advise)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask,
                     LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) = 0;
  MAPIMETHOD(Unadvise)(ULONG ulConnection) = 0;
  MAPIMETHOD(MessageOptions)(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszAdrType,
                             LPMESSAGE lpMessage) = 0;
  MAPIMETHOD(QueryDefaultMessageOpt)(LPTSTR lpszAdrType, ULONG ulFlags, ULONG* lpcValues,
                                     LPSPropValue* lppOptions) = 0;
  MAPIMETHOD(EnumAdrTypes)(ULONG ulFlags, ULONG* lpcAdrTypes, LPTSTR** lpppszAdrTypes) = 0;
  MAPIMETHOD(QueryIdentity)(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
  MAPIMETHOD(Logoff)(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) = 0;
  MAPIMETHOD(SetDefaultStore)(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
  MAPIMETHOD(AdminServices)(ULONG ulFlags, LPSERVICEADMIN* lppServiceAdmin) = 0;
  MAPIMETHOD(ShowForm)(ULONG_PTR ulUIParam, LPMDB lpMsgStore, LPMAPIFOLDER lpParentFolder,
                       LPCIID lpInterface, ULONG ulMessageToken, LPMESSAGE lpMessageSent,
                       ULONG ulFlags, ULONG ulMessageStatus, ULONG ulMessageFlags, ULONG ulAccess,
                       LPSTR lpszMessageClass) = 0;
  MAPIMETHOD(PrepareForm)(LPCIID lpInterface, LPMESSAGE lpMessage, ULONG* lpulMessageToken) = 0;
};
typedef IMAPISession* LPMAPISESSION;

// ---- entry points (types for GetProcAddress) -------------------------------------------------

typedef ULONG (*LPMAPIFREEBUFFER)(LPVOID lpBuffer);
typedef SCODE (*LPMAPIALLOCATEBUFFER)(ULONG cbSize, LPVOID* lppBuffer);
typedef SCODE (*LPMAPIALLOCATEMORE)(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
typedef HRESULT (*LPMAPIINITIALIZE)(LPVOID lpMapiInit);
typedef void (*LPMAPIUNINITIALIZE)();
typedef HRESULT (*LPMAPILOGONEX)(ULONG_PTR ulUIParam, LPTSTR lpszProfileName, LPTSTR lpszPassword,
                                 ULONG ulFlags, LPMAPISESSION* lppSession);
typedef HRESULT (*LPMAPIADMINPROFILES)(ULONG ulFlags, LPPROFADMIN* lppProfAdmin);
typedef HRESULT (*LPWRAPCOMPRESSEDRTFSTREAM)(LPSTREAM lpCompressedRTFStream, ULONG ulFlags,
                                             LPSTREAM* lpUncompressedRTFStream);
typedef void (*LPFREEPROWS)(LPSRowSet lpRows);
typedef void (*LPFREEPADRLIST)(LPADRLIST lpAdrList);
typedef LPSPropValue (*LPPPROPFINDPROP)(LPSPropValue lpPropArray, ULONG cValues, ULONG ulPropTag);
#endif  // _WIN32

