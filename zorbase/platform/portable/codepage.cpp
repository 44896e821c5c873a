// The code pages the library converts itself (their tables, the ANSI code page from ZORBASE_ACP
// where the system has none) and the UTF-8 and UTF-16LE helpers, the same on every system. The
// Win32 calls over these tables are in codepage_api.cpp.
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

std::atomic<UINT> g_ansi_code_page{0};

namespace {

constexpr UINT kDefaultAnsiCodePage = 1252;

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

}  // namespace

UINT ReadAnsiCodePage() {
  const char* value = std::getenv("ZORBASE_ACP");
  if (value == nullptr || *value == '\0') return kDefaultAnsiCodePage;
  char* end = nullptr;
  unsigned long id = std::strtoul(value, &end, 10);
  if (*end != '\0' || id == 0 || id > 0xFFFF) return kDefaultAnsiCodePage;
  if (Registry().Find(static_cast<UINT>(id)) == nullptr) return kDefaultAnsiCodePage;
  return static_cast<UINT>(id);
}

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
    // A surrogate pair becomes one character where wchar_t holds it; where wchar_t is a UTF-16
    // unit (Windows) the units are kept as they are, since joining them would cut the character.
    if (sizeof(wchar_t) >= 4 && c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
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
