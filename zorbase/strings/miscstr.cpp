// miscstr (miscstr.h).
#include <zorbase/strings/miscstr.h>

#include <climits>
#include <cstdarg>
#include <cwchar>

#include <zorbase/platform/internal/ascii.h>

namespace miscstr {

const wchar_t null[] = L"";

CString QuoteVal(CString value, const wchar_t* specials) {
  if (specials == nullptr || specials[0] == 0 || specials[1] == 0) return value;
  if (value.FindOneOf(specials) < 0) return value;
  const wchar_t quote = specials[1];
  CString out(quote);
  for (int i = 0; i < value.GetLength(); ++i) {
    if (value[i] == quote) out += quote;
    out += value[i];
  }
  out += quote;
  return out;
}

int GetNextVal(CString line, int& pos, CString& out, const wchar_t* specials) {
  out.Empty();
  if (specials == nullptr || specials[0] == 0 || specials[1] == 0) return 0;
  if (pos < 0) pos = 0;
  const int length = line.GetLength();
  if (pos >= length) return 0;
  const wchar_t separator = specials[0];
  const wchar_t quote = specials[1];
  bool quoted = false;
  if (line[pos] == quote) {
    quoted = true;
    ++pos;
  }
  for (; pos < length; ++pos) {
    const wchar_t c = line[pos];
    if (!quoted && c == separator) {
      ++pos;
      break;
    }
    if (quoted && c == quote) {
      if (pos + 1 < length && line[pos + 1] == quote) {
        out += quote;
        ++pos;
      } else {
        quoted = false;
      }
      continue;
    }
    out += c;
  }
  return 1;
}

int CharAtIs(CString s, int index, wchar_t c) {
  return index >= 0 && index < s.GetLength() && s[index] == c ? 1 : 0;
}

namespace {

bool SameText(const wchar_t* a, const wchar_t* b, int count, bool case_sensitive) {
  for (int i = 0; i < count; ++i) {
    wchar_t x = a[i];
    wchar_t y = b[i];
    if (!case_sensitive) {
      x = zb::internal::AsciiToLower(x);
      y = zb::internal::AsciiToLower(y);
    }
    if (x != y) return false;
  }
  return true;
}

}  // namespace

int StartsWith(CString s, CString prefix, int case_sensitive) {
  const int n = prefix.GetLength();
  if (n > s.GetLength()) return 0;
  return SameText(s.GetString(), prefix.GetString(), n, case_sensitive != 0) ? 1 : 0;
}

int EndsWith(CString s, CString suffix, int case_sensitive) {
  const int n = suffix.GetLength();
  if (n > s.GetLength()) return 0;
  return SameText(s.GetString() + (s.GetLength() - n), suffix.GetString(), n, case_sensitive != 0) ? 1 : 0;
}

int ReverseFind(CString s, CString sub) {
  const int n = sub.GetLength();
  if (n == 0) return -1;
  for (int i = s.GetLength() - n; i >= 0; --i) {
    if (SameText(s.GetString() + i, sub.GetString(), n, true)) return i;
  }
  return -1;
}

int Split(CString s, CString separator, CString& left, CString& right, int from_end) {
  left = s;
  right.Empty();
  int found = -1;
  if (!separator.IsEmpty()) {
    CString upper = s;
    CString upper_separator = separator;
    upper.MakeUpper();
    upper_separator.MakeUpper();
    found = from_end != 0 ? ReverseFind(upper, upper_separator) : upper.Find(upper_separator.GetString());
  }
  if (found >= 0) {
    right = s.Mid(found + separator.GetLength());
    left = s.Left(found);
  }
  left.Trim();
  right.Trim();
  return found >= 0 ? 1 : 0;
}

void Trim(CString& s) { s.Trim(); }

void AddDelimited(CString& target, CString value, CString delimiter, CString prefix, CString suffix) {
  if (value.IsEmpty()) return;
  if (!target.IsEmpty()) target += delimiter;
  target += prefix;
  target += value;
  target += suffix;
}

CString MakeStringSafe(const CString& s, const CString& also_allowed) {
  static const wchar_t kSafePunctuation[] = L"!#$%&'()-@^_{}~`";
  CString out(s);
  for (int i = 0; i < out.GetLength(); ++i) {
    const wchar_t c = out[i];
    const bool safe = (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') ||
                      (c != 0 && std::wcschr(kSafePunctuation, c) != nullptr) ||
                      (!also_allowed.IsEmpty() && also_allowed.Find(c) >= 0);
    if (!safe) out.SetAt(i, L'_');
  }
  return out;
}

bool str2int(const wchar_t* text, int& value) {
  value = 0;
  if (text == nullptr) return false;
  const wchar_t* p = text;
  while (*p == L' ' || (*p >= L'\t' && *p <= L'\r')) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
  long long magnitude = 0;
  bool overflow = false;
  const wchar_t* digits = p;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    if (magnitude <= static_cast<long long>(INT_MAX) + 1) magnitude = magnitude * 10 + (*p - L'0');
  }
  if (p == digits) return false;
  long long signed_value = negative ? -magnitude : magnitude;
  if (signed_value > INT_MAX) {
    signed_value = INT_MAX;
    overflow = true;
  } else if (signed_value < INT_MIN) {
    signed_value = INT_MIN;
    overflow = true;
  }
  value = static_cast<int>(signed_value);
  return !overflow && *p == 0;
}

CString str(const wchar_t* format, ...) {
  CString out;
  if (format == nullptr) return out;
  va_list args;
  va_start(args, format);
  out.FormatV(format, args);
  va_end(args);
  return out;
}

CString& TruncateString(CString& s, std::size_t n) {
  if (static_cast<std::size_t>(s.GetLength()) > n) s.Truncate(static_cast<int>(n));
  return s;
}

CStringA& TruncateString(CStringA& s, std::size_t n) {
  if (static_cast<std::size_t>(s.GetLength()) > n) s.Truncate(static_cast<int>(n));
  return s;
}

}  // namespace miscstr
