// WideCharToMultiByte, MultiByteToWideChar and the code-page queries with their Windows contracts,
// over the library's own tables (codepage.cpp). On Windows these are the system's calls.
#include <zorbase/platform/codepage.h>

#include <atomic>
#include <climits>
#include <cstring>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

#include "zorbase/platform/portable/codepage_internal.h"

using zb::platform::internal::CodePage;

UINT GetACP() {
  UINT id = zb::platform::internal::g_ansi_code_page.load(std::memory_order_relaxed);
  if (id == 0) {
    id = zb::platform::internal::ReadAnsiCodePage();
    zb::platform::internal::g_ansi_code_page.store(id, std::memory_order_relaxed);
  }
  return id;
}

UINT GetOEMCP() {
  switch (GetACP()) {
    case 1250:
      return 852;
    case 1251:
      return 866;
    default:
      return 437;
  }
}

BOOL IsValidCodePage(UINT code_page) {
  if (code_page == CP_ACP || code_page == CP_OEMCP || code_page == CP_THREAD_ACP) return FALSE;
  return zb::platform::internal::FindCodePage(code_page) != nullptr ? TRUE : FALSE;
}

namespace {

int Fail(DWORD code) {
  SetLastError(code);
  return 0;
}

}  // namespace

int WideCharToMultiByte(UINT code_page, DWORD flags, const wchar_t* wide, int wide_length,
                        char* multi, int multi_size, const char* default_char, BOOL* used_default) {
  using namespace zb::platform::internal;
  const CodePage* page = FindCodePage(code_page);
  if (page == nullptr || wide == nullptr || wide_length == 0 || wide_length < -1 ||
      multi_size < 0 || (multi_size > 0 && multi == nullptr) ||
      (multi != nullptr && static_cast<const void*>(multi) == static_cast<const void*>(wide))) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const bool utf8 = page->kind == CodePage::kUtf8;
  if (utf8) {
    if (default_char != nullptr || used_default != nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (flags & ~WC_ERR_INVALID_CHARS) return Fail(ERROR_INVALID_FLAGS);
  } else if (flags & ~(WC_NO_BEST_FIT_CHARS | WC_COMPOSITECHECK | WC_DEFAULTCHAR | WC_DISCARDNS |
                       WC_SEPCHARS)) {
    return Fail(ERROR_INVALID_FLAGS);
  }
  std::size_t length =
      wide_length == -1 ? std::wcslen(wide) + 1 : static_cast<std::size_t>(wide_length);
  const char fallback = default_char != nullptr ? *default_char : '?';
  const bool write = multi_size > 0;
  const std::size_t capacity = static_cast<std::size_t>(multi_size);
  bool defaulted = false;
  std::size_t count = 0;
  char bytes[4];
  for (std::size_t i = 0; i < length;) {
    // A run of ASCII is itself in every page the platform has: copied without per-character steps.
    if (static_cast<std::uint32_t>(wide[i]) < 0x80) {
      const std::size_t start = i;
      if (write) {
        const std::size_t limit = std::min(length, i + (capacity - count));
        while (i < limit && static_cast<std::uint32_t>(wide[i]) < 0x80) {
          multi[count + (i - start)] = static_cast<char>(wide[i]);
          ++i;
        }
        if (i < length && i == limit && static_cast<std::uint32_t>(wide[i]) < 0x80) {
          return Fail(ERROR_INSUFFICIENT_BUFFER);
        }
      } else {
        while (i < length && static_cast<std::uint32_t>(wide[i]) < 0x80) ++i;
      }
      count += i - start;
      if (count > static_cast<std::size_t>(INT_MAX)) return Fail(ERROR_ARITHMETIC_OVERFLOW);
      continue;
    }
    if (page->kind == CodePage::kSingleByte) {  // one unit, one byte, when the page has it
      const std::uint32_t unit = static_cast<std::uint32_t>(wide[i]);
      const int byte = unit < 0xD800 || (unit > 0xDFFF && unit <= 0xFFFF) ? ReverseLookup(*page, unit) : -1;
      if (byte >= 0) {
        if (write) {
          if (count >= capacity) return Fail(ERROR_INSUFFICIENT_BUFFER);
          multi[count] = static_cast<char>(byte);
        }
        ++count;
        ++i;
        continue;
      }
    }
    char32_t c;
    i += ReadWideChar(wide + i, length - i, &c);
    std::size_t n = EncodeChar(*page, c, bytes);
    if (n == 0) {
      if (utf8) {
        if (flags & WC_ERR_INVALID_CHARS) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        n = EncodeUtf8(kReplacementChar, bytes);
      } else {
        bytes[0] = fallback;
        n = 1;
        defaulted = true;
      }
    }
    if (write) {
      if (count + n > capacity) return Fail(ERROR_INSUFFICIENT_BUFFER);
      std::memcpy(multi + count, bytes, n);
    }
    count += n;
    if (count > static_cast<std::size_t>(INT_MAX)) return Fail(ERROR_ARITHMETIC_OVERFLOW);
  }
  if (used_default != nullptr) *used_default = defaulted ? TRUE : FALSE;
  return static_cast<int>(count);
}

int MultiByteToWideChar(UINT code_page, DWORD flags, const char* multi, int multi_length,
                        wchar_t* wide, int wide_size) {
  using namespace zb::platform::internal;
  const CodePage* page = FindCodePage(code_page);
  if (page == nullptr || multi == nullptr || multi_length == 0 || multi_length < -1 ||
      wide_size < 0 || (wide_size > 0 && wide == nullptr) ||
      (wide != nullptr && static_cast<const void*>(multi) == static_cast<const void*>(wide))) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (page->kind == CodePage::kUtf8) {
    if (flags & ~MB_ERR_INVALID_CHARS) return Fail(ERROR_INVALID_FLAGS);
  } else if ((flags & ~(MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS)) ||
             ((flags & MB_PRECOMPOSED) && (flags & MB_COMPOSITE))) {
    return Fail(ERROR_INVALID_FLAGS);
  }
  std::size_t length =
      multi_length == -1 ? std::strlen(multi) + 1 : static_cast<std::size_t>(multi_length);
  if (length > static_cast<std::size_t>(INT_MAX)) return Fail(ERROR_ARITHMETIC_OVERFLOW);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(multi);
  const bool write = wide_size > 0;
  const std::size_t capacity = static_cast<std::size_t>(wide_size);
  const bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  std::size_t count = 0;
  for (std::size_t i = 0; i < length;) {
    // A run of ASCII bytes is the same characters in every page the platform has.
    std::size_t run = i;
    while (run < length && bytes[run] < 0x80) ++run;
    if (run > i) {
      const std::size_t n = run - i;
      if (write) {
        if (count + n > capacity) return Fail(ERROR_INSUFFICIENT_BUFFER);
        for (std::size_t k = 0; k < n; ++k) wide[count + k] = static_cast<wchar_t>(bytes[i + k]);
      }
      count += n;
      i = run;
      continue;
    }
    char32_t c;
    bool valid = true;
    i += DecodeChar(*page, bytes + i, length - i, &c, &valid);
    if (!valid && strict) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    if (write) {
      if (count >= capacity) return Fail(ERROR_INSUFFICIENT_BUFFER);
      wide[count] = static_cast<wchar_t>(c);
    }
    ++count;
  }
  return static_cast<int>(count);
}
