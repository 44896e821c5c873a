#include <zorbase/system/MSysError.h>

#include <cwchar>

#include <zorbase/platform/format.h>
#include <zorbase/platform/format_message.h>
#include <zorbase/platform/last_error.h>

namespace {
constexpr DWORD kLastErrorCode = 0xFFFFFFFFu;
constexpr DWORD kNeutralLanguage = 0x0400;  // MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)
}  // namespace

bool MSysError::Fill(DWORD code) {
  if (code == kLastErrorCode) code = GetLastError();
  m_code = code;
  return Fill(m_text, sizeof m_text / sizeof m_text[0], code);
}

bool MSysError::Fill(wchar_t* buffer, std::size_t size, DWORD code) {
  if (!buffer || size == 0) return false;
  if (code == kLastErrorCode) code = GetLastError();
  if (code == 0) {
    buffer[0] = L'\0';
    return true;
  }
  DWORD capacity = size - 1 > 0xFFFFu ? 0xFFFFu : static_cast<DWORD>(size - 1);
  bool known = false;
  if (capacity > 0) {
    // FormatMessageW fails when the text does not fit; a text cut to the buffer is still the
    // system's text, so it is formatted in full and cut here.
    wchar_t* text = nullptr;
    if (FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                           FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, code, kNeutralLanguage, reinterpret_cast<LPWSTR>(&text), 0,
                       nullptr) != 0) {
      std::wcsncpy(buffer, text, capacity);
      buffer[capacity] = L'\0';
      LocalFree(text);
      known = true;
    }
  }
  if (!known) {
    if (size > 40) {
      std::wstring fallback = zb::platform::FormatTextW(L"<error code=%lu (0x%08lX)>", code, code);
      std::wcsncpy(buffer, fallback.c_str(), size - 1);
    } else {
      buffer[0] = L'\0';
    }
  }
  buffer[size - 1] = L'\0';
  std::size_t length = std::wcslen(buffer);
  while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n'))
    buffer[--length] = L'\0';
  return known;
}

CString& MSysErrorCode::LoadError(CString& out, DWORD code) {
  MSysError error;
  error.Fill(code);
  out = error.m_text;
  return out;
}

DWORD ZorGetLastError() {
  DWORD code = GetLastError();
  if (code == 0) {
    SetLastError(1);
    code = 1;
  }
  return code;
}
