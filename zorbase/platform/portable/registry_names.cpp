// Registry names and strings as SQLite text (registry_store.h): UTF-8 that also carries the code
// units UTF-8 has no place for, so every name Windows accepts comes back unchanged.
#include <zorbase/platform/portable/registry_store.h>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/path_mapping.h>

#include "zorbase/platform/portable/codepage_internal.h"

namespace zb {
namespace platform {
namespace reg {

// A name is a sequence of UTF-16 units, as on Windows. A surrogate pair (held in one wchar_t or
// two) is one character and is written as standard UTF-8; a lone surrogate, which Windows keeps
// in a name like any other unit, is written in the same three-byte form as other units of the
// Basic Multilingual Plane. A wchar_t beyond U+10FFFF is no character and is written as U+FFFD.
std::string ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char bytes[4];
    std::size_t n = internal::EncodeCodePointUtf8(internal::NextWideChar(text, &i), bytes);
    if (n == 0) n = internal::EncodeCodePointUtf8(internal::kReplacementChar, bytes);
    out.append(bytes, n);
  }
  return out;
}

// The reverse of ToUtf8. A byte that starts no well-formed sequence comes back as U+DC00 plus
// the byte, as hives written by earlier versions stored such units.
std::wstring FromUtf8(const unsigned char* text, int bytes) {
  std::wstring out;
  if (text == nullptr || bytes <= 0) return out;
  const std::size_t n = static_cast<std::size_t>(bytes);
  out.reserve(n);
  for (std::size_t i = 0; i < n;) {
    char32_t c = 0;
    bool valid = true;
    const std::size_t used = internal::DecodeUtf8(text + i, n - i, &c, &valid, true);
    if (!valid) {
      out += static_cast<wchar_t>(0xDC00 + text[i]);
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(c);
    i += used;
  }
  return out;
}

std::wstring FoldName(const std::wstring& name) {
  std::wstring folded(name);
  for (wchar_t& c : folded) c = UpcaseChar(c);
  return folded;
}

void FoldToUtf8(const std::wstring& name, std::string* out) {
  bool ascii = true;
  for (wchar_t c : name) ascii = ascii && static_cast<std::uint32_t>(c) < 0x80;
  if (!ascii) {
    *out = ToUtf8(FoldName(name));
    return;
  }
  out->clear();
  for (wchar_t c : name) out->push_back(static_cast<char>(UpcaseChar(c)));
}

std::vector<BYTE> SzData(const std::wstring& text) {
  std::string bytes = WideToUtf16Le(text.data(), text.size());
  bytes.append(2, '\0');
  return std::vector<BYTE>(bytes.begin(), bytes.end());
}

std::vector<BYTE> DwordData(DWORD value) {
  return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
          static_cast<BYTE>(value >> 24)};
}

LONG SplitKeyPath(const wchar_t* path, std::vector<std::wstring>* levels) {
  levels->clear();
  if (path == nullptr || *path == 0) return ERROR_SUCCESS;
  std::wstring text(path);
  while (!text.empty() && text.back() == L'\\') text.pop_back();
  if (text.empty() || text.front() == L'\\') return kErrorBadPathname;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find(L'\\', start);
    std::wstring level = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (level.empty()) return kErrorBadPathname;
    if (level.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
    levels->push_back(std::move(level));
    if (levels->size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

}  // namespace reg
}  // namespace platform
}  // namespace zb
