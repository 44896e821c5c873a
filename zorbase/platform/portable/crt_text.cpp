// mbstowcs_s and wvsprintfW (crt_text.h), over the platform's code pages and formatter.
#include <zorbase/platform/crt_text.h>

#include <cerrno>
#include <cstring>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/format.h>

errno_t mbstowcs_s(std::size_t* converted, wchar_t* wide, std::size_t size, const char* multi,
                   std::size_t count) {
  if (converted == nullptr || multi == nullptr || (wide == nullptr && size != 0)) {
    if (wide != nullptr && size != 0) wide[0] = 0;
    return EINVAL;
  }
  *converted = 0;
  std::size_t length = count == _TRUNCATE ? std::strlen(multi) : strnlen(multi, count);
  if (length > 0x7FFFFFFF) length = 0x7FFFFFFF;
  int needed = 0;
  if (length > 0) {
    needed = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, multi, static_cast<int>(length), nullptr, 0);
    if (needed == 0) {
      if (wide != nullptr) wide[0] = 0;
      return EILSEQ;
    }
  }
  if (wide == nullptr) {
    *converted = static_cast<std::size_t>(needed) + 1;
    return 0;
  }
  if (static_cast<std::size_t>(needed) + 1 <= size) {
    if (needed > 0) MultiByteToWideChar(CP_ACP, 0, multi, static_cast<int>(length), wide, needed);
    wide[needed] = 0;
    *converted = static_cast<std::size_t>(needed) + 1;
    return 0;
  }
  if (count != _TRUNCATE) {
    wide[0] = 0;
    return ERANGE;
  }
  // Cut to fit: convert the whole text and keep what fits.
  std::wstring all = zb::platform::MultiToWide(std::string(multi, length), CP_ACP);
  const std::size_t kept = size - 1;
  all.copy(wide, kept);
  wide[kept] = 0;
  *converted = kept + 1;
  return STRUNCATE;
}

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) {
  if (buffer == nullptr || format == nullptr) return -1;
  va_list copy;
  va_copy(copy, args);
  const int written = zb::platform::FormatW(buffer, 1025, format, copy);
  va_end(copy);
  return written;
}
