// The rules of Windows names that need no file system: which names Windows refuses, names compared
// without case, and native (UTF-8) names as wide text and back. The same on every system; wide
// text holds UTF-16 in 16-bit wchar_t and one character per wchar_t in 32-bit wchar_t.
#include <zorbase/platform/path_mapping.h>

#include <cstdint>
#include <string>

#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/portable/codepage_internal.h>

namespace zb {
namespace platform {
namespace {

bool IsDeviceName(const std::wstring& name) {
  // The part before the first dot, trailing spaces removed, compared without case.
  std::wstring base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  std::wstring upper;
  for (wchar_t c : base) upper += zb::internal::AsciiToUpper(c);
  if (upper == L"CON" || upper == L"PRN" || upper == L"AUX" || upper == L"NUL") return true;
  if (upper.size() == 4 && (upper.compare(0, 3, L"COM") == 0 || upper.compare(0, 3, L"LPT") == 0) &&
      upper[3] >= L'1' && upper[3] <= L'9') {
    return true;
  }
  return false;
}

// Appends code point `cp` as one wchar_t, or as a surrogate pair where wchar_t has 16 bits.
void AppendCodePoint(std::uint32_t cp, std::wstring* out) {
  if (sizeof(wchar_t) == 2 && cp > 0xFFFF) {
    cp -= 0x10000;
    *out += static_cast<wchar_t>(0xD800 + (cp >> 10));
    *out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
  } else {
    *out += static_cast<wchar_t>(cp);
  }
}

}  // namespace

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpcaseChar(a[i]) != UpcaseChar(b[i])) return false;
  }
  return true;
}

std::wstring DecodeNativeName(const std::string& native) {
  std::wstring out;
  out.reserve(native.size());
  const unsigned char* s = reinterpret_cast<const unsigned char*>(native.data());
  const std::size_t n = native.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char c = s[i];
    if (c < 0x80) {
      out += static_cast<wchar_t>(c);
      ++i;
      continue;
    }
    int extra = (c >= 0xC2 && c <= 0xDF) ? 1 : (c >= 0xE0 && c <= 0xEF) ? 2
              : (c >= 0xF0 && c <= 0xF4) ? 3 : -1;
    std::uint32_t cp = 0;
    bool ok = extra > 0 && i + static_cast<std::size_t>(extra) < n;
    if (ok) {
      cp = c & (0x3F >> extra);
      for (int k = 1; k <= extra; ++k) {
        unsigned char cc = s[i + k];
        if ((cc & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        cp = (cp << 6) | (cc & 0x3F);
      }
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    if (ok && ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
               (cp >= 0xD800 && cp <= 0xDFFF))) {
      ok = false;
    }
    if (ok) {
      AppendCodePoint(cp, &out);
      i += extra + 1;
    } else {
      out += static_cast<wchar_t>(0xDC00 + c);
      ++i;
    }
  }
  return out;
}

std::string EncodeNativeName(const std::wstring& wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size();) {
    // A UTF-16 surrogate pair held in two wchar_t becomes one character.
    const char32_t cp = internal::NextWideChar(wide, &i);
    if (cp >= 0xDC80 && cp <= 0xDCFF) {
      out += static_cast<char>(cp - 0xDC00);  // a byte that was not UTF-8 on the way in
      continue;
    }
    char bytes[4];
    const std::size_t n = internal::EncodeCodePointUtf8(cp, bytes);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
    } else {
      out.append(bytes, n);
    }
  }
  return out;
}

bool IsValidWindowsName(const std::wstring& name, bool allow_wildcards) {
  if (name.empty()) return false;
  for (wchar_t c : name) {
    if (c < 32) return false;
    switch (c) {
      case L'<': case L'>': case L'"': case L'?': case L'*':
        if (!allow_wildcards) return false;
        break;
      case L':': case L'|': case L'\\': case L'/':
        return false;
      default:
        break;
    }
  }
  if (name == L"." || name == L"..") return true;
  return !IsDeviceName(name);
}

}  // namespace platform
}  // namespace zb
