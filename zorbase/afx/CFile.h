// CFile and CFileException: the framework's unbuffered binary file on a platform handle, and the
// exception that reports its failures with a cause, the system error code and the file name.
#pragma once

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// A failure of a file operation. As in the framework, CFile throws it by pointer
// (`throw new CFileException(...)`); the handler catches `CFileException*` and calls Delete().
class ZORBASE_API CFileException {
 public:
  // Causes, in the framework's order.
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  // A cause, the system error code (-1 when none) and the file name (may be null).
  explicit CFileException(int cause = none, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr);
  CFileException(const CFileException& other) = default;
  CFileException& operator=(const CFileException& other) = default;
  virtual ~CFileException();

  // Frees an exception that was thrown by pointer, as handlers of `CFileException*` do. Call it
  // only for exceptions made with new (never for one on the stack or a member).
  void Delete();

  // The cause for a system error code (genericException for a code without a closer cause).
  static int OsErrorToException(LONG lOsError);

  // Throws `new CFileException` for a system error code (nothing happens for 0).
  [[noreturn]] static void ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = nullptr);

  // Writes a sentence describing the failure (with the file name) into lpszError, at most
  // nMaxError characters with the terminator; FALSE when there is no room at all.
  BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const;

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

// A file on a platform handle: every Read and Write goes straight to the handle. Failures throw
// CFileException by pointer, except Open, which reports them through its optional exception
// object. The destructor closes the file without throwing. Not for concurrent use.
class ZORBASE_API CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
    osNoBuffer = 0x10000,
    osWriteThrough = 0x20000,
    osRandomAccess = 0x40000,
    osSequentialScan = 0x80000,
  };
  enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };

  static const HANDLE hFileNull;

  // A closed file.
  CFile();
  // Wraps an open handle; the file does not close it unless it is later reopened through Open.
  explicit CFile(HANDLE hFile);
  // Opens `lpszFileName`; throws CFileException* on failure.
  CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile();

  // Opens a file (Windows path or native path through the platform) with the mode, share and
  // creation flags above. FALSE on failure, with the cause, system error and name in *pError when
  // given. A file that is open already is not reopened (FALSE, ERROR_INVALID_PARAMETER).
  virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);

  // Reads up to nCount bytes at the file pointer; returns the number read (fewer only at the end
  // of the file).
  virtual UINT Read(void* lpBuf, UINT nCount);
  // Writes nCount bytes at the file pointer; throws (diskFull, ...) unless all were written.
  virtual void Write(const void* lpBuf, UINT nCount);

  // Moves the file pointer relative to begin, current or end; returns the new position.
  virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
  void SeekToBegin();
  ULONGLONG SeekToEnd();
  virtual ULONGLONG GetPosition() const;
  virtual ULONGLONG GetLength() const;
  // Cuts or extends the file to dwNewLen bytes.
  virtual void SetLength(ULONGLONG dwNewLen);
  // Writes the file's data to the device.
  virtual void Flush();

  // Closes the file; throws when closing fails. Abort closes without throwing.
  virtual void Close();
  virtual void Abort();

  // The path given to Open, its last component, and that without extension.
  virtual CString GetFilePath() const;
  virtual CString GetFileName() const;
  virtual CString GetFileTitle() const;

  operator HANDLE() const { return m_hFile; }

  HANDLE m_hFile;

 protected:
  BOOL m_bCloseOnDelete;
  CString m_strFileName;
};
