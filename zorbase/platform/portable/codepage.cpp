// Code pages on Linux: the ANSI code page from ZORBASE_ACP, WideCharToMultiByte and
// MultiByteToWideChar with their Windows contracts, and the UTF-8 and UTF-16LE helpers.
#include <zorbase/platform/codepage.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

#include "zorbase/platform/portable/codepage_internal.h"

namespace zb {
namespace platform {
namespace internal {
namespace {

constexpr UINT kDefaultAnsiCodePage = 1252;

std::atomic<UINT> g_ansi_code_page{0};

// All pages the platform converts, with their reverse tables, built once.
class CodePageRegistry {
 public:
  CodePageRegistry() {
    pages_.reserve(kSingleByteTableCount + 2);
    reverse_.resize(kSingleByteTableCount);
    for (std::size_t i = 0; i < kSingleByteTableCount; ++i) {
      const SingleByteTable& table = kSingleByteTables[i];
      std::vector<ReverseEntry>& reverse = reverse_[i];
      for (int b = 0x80; b <= 0xFF; ++b) {
        char16_t c = table.high[b - 0x80];
        if (c >= 0x80) reverse.push_back(ReverseEntry{c, static_cast<unsigned char>(b)});
      }
      std::sort(reverse.begin(), reverse.end(), [](const ReverseEntry& a, const ReverseEntry& b) {
        return a.character < b.character;
      });
      pages_.push_back(
          CodePage{table.id, CodePage::kSingleByte, table.high, reverse.data(), reverse.size()});
    }
    pages_.push_back(CodePage{CP_UTF8, CodePage::kUtf8, nullptr, nullptr, 0});
    pages_.push_back(CodePage{20127, CodePage::kAscii, nullptr, nullptr, 0});
  }

  const CodePage* Find(UINT id) const {
    for (const CodePage& page : pages_) {
      if (page.id == id) return &page;
    }
    return nullptr;
  }

 private:
  std::vector<std::vector<ReverseEntry>> reverse_;
  std::vector<CodePage> pages_;
};

const CodePageRegistry& Registry() {
  static const CodePageRegistry registry;
  return registry;
}

UINT ReadAnsiCodePage() {
  const char* value = std::getenv("ZORBASE_ACP");
  if (value == nullptr || *value == '\0') return kDefaultAnsiCodePage;
  char* end = nullptr;
  unsigned long id = std::strtoul(value, &end, 10);
  if (*end != '\0' || id == 0 || id > 0xFFFF) return kDefaultAnsiCodePage;
  if (Registry().Find(static_cast<UINT>(id)) == nullptr) return kDefaultAnsiCodePage;
  return static_cast<UINT>(id);
}

}  // namespace

const CodePage* FindCodePage(UINT code_page) {
  switch (code_page) {
    case CP_ACP:
    case CP_THREAD_ACP:
      code_page = GetACP();
      break;
    case CP_OEMCP:
      code_page = GetOEMCP();
      break;
    default:
      break;
  }
  return Registry().Find(code_page);
}

int ReverseLookup(const CodePage& page, char32_t c) {
  if (c > 0xFFFF) return -1;
  // Most pages keep many Latin-1 characters at their own byte (all of 0xA0-0xFF in 1252).
  if (c >= 0x80 && c <= 0xFF && page.high[c - 0x80] == c) return static_cast<int>(c);
  const ReverseEntry* begin = page.reverse;
  const ReverseEntry* end = page.reverse + page.reverse_count;
  const ReverseEntry* it = std::lower_bound(
      begin, end, c, [](const ReverseEntry& e, char32_t v) { return e.character < v; });
  if (it == end || it->character != c) return -1;
  return it->byte;
}

// For tests: forget the ANSI code page so that the next GetACP reads ZORBASE_ACP again.
void ResetAnsiCodePageForTesting() { g_ansi_code_page.store(0, std::memory_order_relaxed); }

}  // namespace internal
}  // namespace platform
}  // namespace zb

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

namespace zb {
namespace platform {

std::string WideToMulti(const std::wstring& wide, UINT code_page) {
  using namespace internal;
  std::string out;
  const CodePage* page = FindCodePage(code_page);
  if (page == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return out;
  }
  out.reserve(wide.size());
  const std::size_t length = wide.size();
  const wchar_t* text = wide.data();
  char bytes[4];
  for (std::size_t i = 0; i < length;) {
    if (static_cast<std::uint32_t>(text[i]) < 0x80) {  // ASCII is itself in every page
      out.push_back(static_cast<char>(text[i++]));
      continue;
    }
    char32_t c;
    i += ReadWideChar(text + i, length - i, &c);
    std::size_t n = EncodeOrReplace(*page, c, bytes);
    out.append(bytes, n);
  }
  return out;
}

std::wstring MultiToWide(const std::string& multi, UINT code_page) {
  using namespace internal;
  std::wstring out;
  const CodePage* page = FindCodePage(code_page);
  if (page == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return out;
  }
  out.resize(multi.size());
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(multi.data());
  const std::size_t length = multi.size();
  std::size_t count = 0;
  for (std::size_t i = 0; i < length;) {
    // A run of ASCII bytes is the same characters in every page the platform has.
    std::size_t run = i;
    while (run < length && bytes[run] < 0x80) ++run;
    for (; i < run; ++i) out[count++] = static_cast<wchar_t>(bytes[i]);
    if (i == length) break;
    char32_t c;
    bool valid = true;
    i += DecodeChar(*page, bytes + i, length - i, &c, &valid);
    out[count++] = static_cast<wchar_t>(c);
  }
  out.resize(count);
  return out;
}

std::string WideToUtf8(const std::wstring& wide) { return WideToMulti(wide, CP_UTF8); }

std::wstring Utf8ToWide(const std::string& utf8) { return MultiToWide(utf8, CP_UTF8); }

namespace {

// The character a wchar_t stands for on the way out: values beyond U+10FFFF become U+FFFD.
inline char32_t OutgoingChar(wchar_t w) {
  std::uint32_t c = static_cast<std::uint32_t>(w);
  return c > internal::kMaxCodePoint ? internal::kReplacementChar : static_cast<char32_t>(c);
}

}  // namespace

std::size_t Utf16UnitCount(const wchar_t* text, std::size_t length) {
  if (text == nullptr) return 0;
  std::size_t units = length;
  for (std::size_t i = 0; i < length; ++i) {
    if (OutgoingChar(text[i]) > 0xFFFF) ++units;
  }
  return units;
}

std::string WideToUtf16Le(const wchar_t* text, std::size_t length) {
  std::string out;
  if (text == nullptr) return out;
  out.resize(Utf16UnitCount(text, length) * 2);
  char* p = &out[0];
  auto put = [&p](char32_t unit) {
    *p++ = static_cast<char>(unit & 0xFF);
    *p++ = static_cast<char>((unit >> 8) & 0xFF);
  };
  for (std::size_t i = 0; i < length; ++i) {
    char32_t c = OutgoingChar(text[i]);
    if (c > 0xFFFF) {
      c -= 0x10000;
      put(0xD800 + (c >> 10));
      put(0xDC00 + (c & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

std::wstring Utf16LeToWide(const void* bytes, std::size_t byte_count) {
  std::wstring out;
  if (bytes == nullptr) return out;
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  const std::size_t units = byte_count / 2;
  out.resize(units + (byte_count & 1));
  std::size_t count = 0;
  for (std::size_t i = 0; i < units; ++i) {
    char32_t c = static_cast<char32_t>(p[2 * i] | (p[2 * i + 1] << 8));
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
      char32_t d = static_cast<char32_t>(p[2 * i + 2] | (p[2 * i + 3] << 8));
      if (d >= 0xDC00 && d <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
        ++i;
      }
    }
    out[count++] = static_cast<wchar_t>(c);
  }
  if (byte_count & 1) out[count++] = static_cast<wchar_t>(internal::kReplacementChar);
  out.resize(count);
  return out;
}

}  // namespace platform
}  // namespace zb
