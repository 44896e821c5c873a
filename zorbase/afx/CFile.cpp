// CFile over the platform's Win32 file calls, and CFileException with the framework's mapping from
// system error codes to causes.
#include <zorbase/afx/CFile.h>

#include <cwchar>

#include <zorbase/platform/platform.h>

namespace {

struct CauseOfError {
  LONG code;
  int cause;
};

// System error codes and the cause the framework reports for each.
const CauseOfError kCauses[] = {
    {2, CFileException::fileNotFound},        // ERROR_FILE_NOT_FOUND
    {3, CFileException::badPath},             // ERROR_PATH_NOT_FOUND
    {4, CFileException::tooManyOpenFiles},    // ERROR_TOO_MANY_OPEN_FILES
    {5, CFileException::accessDenied},        // ERROR_ACCESS_DENIED
    {6, CFileException::fileNotFound},        // ERROR_INVALID_HANDLE
    {11, CFileException::invalidFile},        // ERROR_BAD_FORMAT
    {12, CFileException::accessDenied},       // ERROR_INVALID_ACCESS
    {15, CFileException::badPath},            // ERROR_INVALID_DRIVE
    {16, CFileException::removeCurrentDir},   // ERROR_CURRENT_DIRECTORY
    {17, CFileException::badPath},            // ERROR_NOT_SAME_DEVICE
    {18, CFileException::fileNotFound},       // ERROR_NO_MORE_FILES
    {19, CFileException::accessDenied},       // ERROR_WRITE_PROTECT
    {20, CFileException::hardIO},             // ERROR_BAD_UNIT
    {21, CFileException::hardIO},             // ERROR_NOT_READY
    {22, CFileException::hardIO},             // ERROR_BAD_COMMAND
    {23, CFileException::hardIO},             // ERROR_CRC
    {24, CFileException::badSeek},            // ERROR_BAD_LENGTH
    {25, CFileException::badSeek},            // ERROR_SEEK
    {26, CFileException::invalidFile},        // ERROR_NOT_DOS_DISK
    {27, CFileException::badSeek},            // ERROR_SECTOR_NOT_FOUND
    {29, CFileException::accessDenied},       // ERROR_WRITE_FAULT
    {30, CFileException::badSeek},            // ERROR_READ_FAULT
    {31, CFileException::hardIO},             // ERROR_GEN_FAILURE
    {32, CFileException::sharingViolation},   // ERROR_SHARING_VIOLATION
    {33, CFileException::lockViolation},      // ERROR_LOCK_VIOLATION
    {34, CFileException::badPath},            // ERROR_WRONG_DISK
    {36, CFileException::tooManyOpenFiles},   // ERROR_SHARING_BUFFER_EXCEEDED
    {38, CFileException::endOfFile},          // ERROR_HANDLE_EOF
    {39, CFileException::diskFull},           // ERROR_HANDLE_DISK_FULL
    {52, CFileException::badPath},            // ERROR_DUP_NAME
    {53, CFileException::badPath},            // ERROR_BAD_NETPATH
    {54, CFileException::accessDenied},       // ERROR_NETWORK_BUSY
    {55, CFileException::badPath},            // ERROR_DEV_NOT_EXIST
    {57, CFileException::hardIO},             // ERROR_ADAP_HDW_ERR
    {58, CFileException::accessDenied},       // ERROR_BAD_NET_RESP
    {59, CFileException::hardIO},             // ERROR_UNEXP_NET_ERR
    {60, CFileException::invalidFile},        // ERROR_BAD_REM_ADAP
    {62, CFileException::directoryFull},      // ERROR_NO_SPOOL_SPACE
    {64, CFileException::accessDenied},       // ERROR_NETNAME_DELETED
    {65, CFileException::accessDenied},       // ERROR_NETWORK_ACCESS_DENIED
    {66, CFileException::invalidFile},        // ERROR_BAD_DEV_TYPE
    {67, CFileException::badPath},            // ERROR_BAD_NET_NAME
    {68, CFileException::tooManyOpenFiles},   // ERROR_TOO_MANY_NAMES
    {70, CFileException::badPath},            // ERROR_SHARING_PAUSED
    {71, CFileException::accessDenied},       // ERROR_REQ_NOT_ACCEP
    {80, CFileException::accessDenied},       // ERROR_FILE_EXISTS
    {82, CFileException::accessDenied},       // ERROR_CANNOT_MAKE
    {85, CFileException::badPath},            // ERROR_ALREADY_ASSIGNED
    {86, CFileException::accessDenied},       // ERROR_INVALID_PASSWORD
    {88, CFileException::hardIO},             // ERROR_NET_WRITE_FAULT
    {107, CFileException::fileNotFound},      // ERROR_DISK_CHANGE
    {108, CFileException::lockViolation},     // ERROR_DRIVE_LOCKED
    {111, CFileException::badPath},           // ERROR_BUFFER_OVERFLOW
    {112, CFileException::diskFull},          // ERROR_DISK_FULL
    {113, CFileException::tooManyOpenFiles},  // ERROR_NO_MORE_SEARCH_HANDLES
    {114, CFileException::invalidFile},       // ERROR_INVALID_TARGET_HANDLE
    {117, CFileException::hardIO},            // ERROR_INVALID_CATEGORY
    {123, CFileException::badPath},           // ERROR_INVALID_NAME
    {124, CFileException::badPath},           // ERROR_INVALID_LEVEL
    {125, CFileException::badPath},           // ERROR_NO_VOLUME_LABEL
    {131, CFileException::badSeek},           // ERROR_NEGATIVE_SEEK
    {132, CFileException::badSeek},           // ERROR_SEEK_ON_DEVICE
    {144, CFileException::badPath},           // ERROR_DIR_NOT_ROOT
    {145, CFileException::removeCurrentDir},  // ERROR_DIR_NOT_EMPTY
    {154, CFileException::badPath},           // ERROR_LABEL_TOO_LONG
    {161, CFileException::badPath},           // ERROR_BAD_PATHNAME
    {167, CFileException::lockViolation},     // ERROR_LOCK_FAILED
    {170, CFileException::accessDenied},      // ERROR_BUSY
    {182, CFileException::invalidFile},       // ERROR_INVALID_ORDINAL
    {183, CFileException::accessDenied},      // ERROR_ALREADY_EXISTS
    {191, CFileException::invalidFile},       // ERROR_INVALID_EXE_SIGNATURE
    {193, CFileException::invalidFile},       // ERROR_BAD_EXE_FORMAT
    {206, CFileException::badPath},           // ERROR_FILENAME_EXCED_RANGE
    {208, CFileException::badPath},           // ERROR_META_EXPANSION_TOO_LONG
    {267, CFileException::badPath},           // ERROR_DIRECTORY
    {995, CFileException::hardIO},            // ERROR_OPERATION_ABORTED
    {996, CFileException::hardIO},            // ERROR_IO_INCOMPLETE
    {997, CFileException::hardIO},            // ERROR_IO_PENDING
    {999, CFileException::accessDenied},      // ERROR_SWAPERROR
};

const wchar_t* const kCauseTexts[] = {
    L"No error occurred",
    L"An unspecified error occurred while accessing",
    L"The file could not be found:",
    L"All or part of the path is invalid:",
    L"Too many files are open; could not open",
    L"Access was denied to",
    L"An invalid file handle was used with",
    L"The current working directory cannot be removed:",
    L"There are no more directory entries for",
    L"Could not set the file pointer of",
    L"A hardware I/O error was reported while accessing",
    L"A sharing violation occurred while accessing",
    L"A locking violation occurred while accessing",
    L"The disk is full while accessing",
    L"An attempt was made to access beyond the end of",
};

// Throws the exception for the thread's last error about `name`.
[[noreturn]] void ThrowLastError(const CString& name) {
  CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), name.GetString());
}

}  // namespace

CFileException::CFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName) {}

CFileException::~CFileException() {}

void CFileException::Delete() { delete this; }

int CFileException::OsErrorToException(LONG lOsError) {
  for (const CauseOfError& c : kCauses) {
    if (c.code == lOsError) return c.cause;
  }
  return genericException;
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName) {
  throw new CFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext) const {
  if (pnHelpContext != nullptr) *pnHelpContext = 0;
  if (lpszError == nullptr || nMaxError == 0) return FALSE;
  int cause = m_cause >= none && m_cause <= endOfFile ? m_cause : genericException;
  CString text = kCauseTexts[cause];
  if (cause != none) {
    text += L" ";
    text += m_strFileName.IsEmpty() ? CString(L"an unnamed file") : m_strFileName;
    text += L".";
  } else {
    text += L".";
  }
  std::size_t n = static_cast<std::size_t>(text.GetLength());
  if (n >= nMaxError) n = nMaxError - 1;
  std::wmemcpy(lpszError, text.GetString(), n);
  lpszError[n] = L'\0';
  return TRUE;
}

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : CFile() {
  CFileException error;
  if (!Open(lpszFileName, nOpenFlags, &error)) throw new CFileException(error);
}

CFile::~CFile() {
  if (m_hFile != hFileNull && m_bCloseOnDelete) Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  if (pError != nullptr) {
    pError->m_cause = CFileException::none;
    pError->m_lOsError = 0;
    pError->m_strFileName = lpszFileName;
  }
  if (m_hFile != hFileNull || lpszFileName == nullptr || lpszFileName[0] == L'\0') {
    DWORD code = m_hFile != hFileNull ? ERROR_INVALID_PARAMETER
                 : lpszFileName == nullptr ? ERROR_INVALID_PARAMETER
                                           : ERROR_PATH_NOT_FOUND;
    SetLastError(code);
    if (pError != nullptr) {
      pError->m_lOsError = static_cast<LONG>(code);
      pError->m_cause = CFileException::OsErrorToException(pError->m_lOsError);
    }
    return FALSE;
  }

  DWORD access = 0;
  switch (nOpenFlags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    default: access = GENERIC_READ | GENERIC_WRITE; break;
  }
  DWORD share = 0;
  switch (nOpenFlags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: share = 0; break;  // shareCompat, shareExclusive
  }
  DWORD disposition = OPEN_EXISTING;
  if (nOpenFlags & modeCreate) {
    disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
  }
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  if (nOpenFlags & osNoBuffer) flags |= FILE_FLAG_NO_BUFFERING;
  if (nOpenFlags & osWriteThrough) flags |= FILE_FLAG_WRITE_THROUGH;
  if (nOpenFlags & osRandomAccess) flags |= FILE_FLAG_RANDOM_ACCESS;
  if (nOpenFlags & osSequentialScan) flags |= FILE_FLAG_SEQUENTIAL_SCAN;

  HANDLE handle = CreateFileW(lpszFileName, access, share, nullptr, disposition, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (pError != nullptr) {
      pError->m_lOsError = static_cast<LONG>(GetLastError());
      pError->m_cause = CFileException::OsErrorToException(pError->m_lOsError);
    }
    return FALSE;
  }
  m_hFile = handle;
  m_bCloseOnDelete = TRUE;
  m_strFileName = lpszFileName;
  return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
  if (nCount == 0) return 0;
  DWORD read = 0;
  if (!ReadFile(m_hFile, lpBuf, nCount, &read, nullptr)) ThrowLastError(m_strFileName);
  return read;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
  if (nCount == 0) return;
  DWORD written = 0;
  if (!WriteFile(m_hFile, lpBuf, nCount, &written, nullptr)) ThrowLastError(m_strFileName);
  if (written != nCount) {
    throw new CFileException(CFileException::diskFull, -1, m_strFileName.GetString());
  }
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
  LARGE_INTEGER distance;
  distance.QuadPart = lOff;
  LARGE_INTEGER position;
  position.QuadPart = 0;
  DWORD method = nFrom == current ? FILE_CURRENT : nFrom == end ? FILE_END : FILE_BEGIN;
  if (!SetFilePointerEx(m_hFile, distance, &position, method)) ThrowLastError(m_strFileName);
  return static_cast<ULONGLONG>(position.QuadPart);
}

void CFile::SeekToBegin() { Seek(0, begin); }

ULONGLONG CFile::SeekToEnd() { return Seek(0, end); }

ULONGLONG CFile::GetPosition() const {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  LARGE_INTEGER position;
  position.QuadPart = 0;
  if (!SetFilePointerEx(m_hFile, zero, &position, FILE_CURRENT)) ThrowLastError(m_strFileName);
  return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const {
  LARGE_INTEGER size;
  size.QuadPart = 0;
  if (!GetFileSizeEx(m_hFile, &size)) ThrowLastError(m_strFileName);
  return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::SetLength(ULONGLONG dwNewLen) {
  Seek(static_cast<LONGLONG>(dwNewLen), begin);
  if (!SetEndOfFile(m_hFile)) ThrowLastError(m_strFileName);
}

void CFile::Flush() {
  if (m_hFile == hFileNull) return;
  if (!FlushFileBuffers(m_hFile)) ThrowLastError(m_strFileName);
}

void CFile::Close() {
  bool failed = false;
  DWORD code = 0;
  if (m_hFile != hFileNull && !CloseHandle(m_hFile)) {
    failed = true;
    code = GetLastError();
  }
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  CString name = m_strFileName;
  m_strFileName.Empty();
  if (failed) CFileException::ThrowOsError(static_cast<LONG>(code), name.GetString());
}

void CFile::Abort() {
  if (m_hFile != hFileNull) CloseHandle(m_hFile);
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  m_strFileName.Empty();
}

CString CFile::GetFilePath() const { return m_strFileName; }

CString CFile::GetFileName() const {
  int last = -1;
  for (int i = 0; i < m_strFileName.GetLength(); ++i) {
    wchar_t c = m_strFileName[i];
    if (c == L'\\' || c == L'/' || c == L':') last = i;
  }
  return m_strFileName.Mid(last + 1);
}

CString CFile::GetFileTitle() const {
  CString name = GetFileName();
  int dot = name.ReverseFind(L'.');
  return dot > 0 ? name.Left(dot) : name;
}
