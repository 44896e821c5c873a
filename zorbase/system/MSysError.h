// System error codes as text, and a last-error code that is never 0.
#pragma once

#include <cstddef>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// The message of one system error code. m_text is always terminated.
class ZORBASE_API MSysError {
 public:
  // Stores `code` (0xFFFFFFFF: the thread's last error) and its text; false when the system has no
  // text for it and the "<error code=...>" fallback was written.
  bool Fill(DWORD code);

  // Writes the system's message for `code` (0xFFFFFFFF: the thread's last error) into `buffer` of
  // `size` wide characters, terminator included, without trailing carriage returns and line feeds.
  // Code 0 gives an empty text and true. A code the system does not know gives
  // "<error code=%lu (0x%08lX)>" when size is above 40, else an empty text, and false. A null
  // buffer or a size of 0 writes nothing and returns false.
  static bool Fill(wchar_t* buffer, std::size_t size, DWORD code);

  DWORD m_code = 0;
  wchar_t m_text[200] = {};
};

class ZORBASE_API MSysErrorCode {
 public:
  // Assigns the text of `code` (0xFFFFFFFF: the thread's last error), as MSysError formats it into
  // 200 characters, to `out`; returns `out`.
  static CString& LoadError(CString& out, DWORD code);
};

// The thread's last error code; when that is 0 it is set to 1 and 1 is returned, so a failed
// system call is never reported as success.
ZORBASE_API DWORD ZorGetLastError();
