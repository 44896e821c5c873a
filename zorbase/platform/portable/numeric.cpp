// Runtime-library numeric conversions and the wide scanf, with Windows widths and without any
// dependence on the process locale.
#include <zorbase/platform/numeric.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/internal/ascii.h>

#include "zorbase/platform/portable/codepage_internal.h"
#include "zorbase/platform/portable/format_internal.h"

namespace zb {
namespace platform {
namespace internal {

using zb::internal::AsciiDigitValue;
using zb::internal::IsAsciiSpace;

const wchar_t* SkipSpace(const wchar_t* p) {
  while (IsAsciiSpace(*p)) ++p;
  return p;
}

// Parses a decimal integer with saturation at [min_value, max_value]; sets errno on overflow.
std::int64_t ParseSaturating(const wchar_t* text, std::int64_t min_value, std::int64_t max_value) {
  if (text == nullptr) return 0;
  const wchar_t* p = SkipSpace(text);
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
  const std::uint64_t limit =
      negative ? 0 - static_cast<std::uint64_t>(min_value) : static_cast<std::uint64_t>(max_value);
  std::uint64_t value = 0;
  bool overflow = false;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    unsigned digit = static_cast<unsigned>(*p - L'0');
    if (value > (limit - digit) / 10) {
      overflow = true;
      value = limit;
    } else if (!overflow) {
      value = value * 10 + digit;
    }
  }
  if (overflow) {
    errno = ERANGE;
    return negative ? min_value : max_value;
  }
  return negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
}

namespace {

inline bool IsFloatChar(wchar_t c) {
  return zb::internal::IsAsciiAlnum(c) ||
         c == L'.' || c == L'+' || c == L'-' || c == L'(' || c == L')' || c == L'_';
}

}  // namespace

// Reads a floating-point number from at most `max_chars` characters at `text` (which must not
// start with white space). Stores the characters consumed (0 when there is no number).
double ParseFloat(const wchar_t* text, std::size_t max_chars, std::size_t* consumed,
                  long double* long_value) {
  char stack[128];
  std::string heap;
  std::size_t n = 0;
  while (n < max_chars && IsFloatChar(text[n])) ++n;
  char* narrow = stack;
  if (n >= sizeof(stack)) {
    heap.resize(n + 1);
    narrow = &heap[0];
  }
  for (std::size_t i = 0; i < n; ++i) narrow[i] = static_cast<char>(text[i]);
  narrow[n] = '\0';
  char* end = narrow;
  double value;
  if (long_value != nullptr) {
    *long_value = internal::StringToLongDoubleC(narrow, &end);
    value = static_cast<double>(*long_value);
  } else {
    value = internal::StringToDoubleC(narrow, &end);
  }
  *consumed = static_cast<std::size_t>(end - narrow);
  return value;
}

}  // namespace internal

namespace {

using internal::ParseFloat;
using internal::SkipSpace;
using zb::internal::AsciiDigitValue;
using zb::internal::IsAsciiSpace;
using Size = internal::SizeModifier;

// The scanset of a %[...] conversion, kept as the format text it came from.
struct ScanSet {
  const wchar_t* begin = nullptr;  // first character of the set (after ^)
  const wchar_t* end = nullptr;    // the closing ]
  bool negated = false;

  bool Contains(wchar_t c) const {
    bool found = false;
    for (const wchar_t* p = begin; p < end; ++p) {
      if (p + 2 < end && p[1] == L'-') {
        wchar_t lo = p[0], hi = p[2];
        if (lo > hi) std::swap(lo, hi);
        if (c >= lo && c <= hi) found = true;
        p += 2;
      } else if (*p == c) {
        found = true;
      }
      if (found) break;
    }
    return found != negated;
  }
};

class Scanner {
 public:
  Scanner(const wchar_t* text, va_list args) : input_(text) { va_copy(args_, args); }
  ~Scanner() { va_end(args_); }
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  int Run(const wchar_t* format);

 private:
  // Stores an integer through the next pointer argument, in the width `size` names.
  void StoreInteger(Size size, std::uint64_t value) {
    switch (size) {
      case Size::kChar:
        *va_arg(args_, unsigned char*) = static_cast<unsigned char>(value);
        break;
      case Size::kShort:
        *va_arg(args_, std::uint16_t*) = static_cast<std::uint16_t>(value);
        break;
      case Size::kLongLong:
      case Size::kLongDouble:
        *va_arg(args_, std::uint64_t*) = value;
        break;
      default:
        *va_arg(args_, std::uint32_t*) = static_cast<std::uint32_t>(value);
        break;
    }
  }

  // Reads an integer in `base` (0: C prefixes decide) from at most `width` characters.
  bool ReadInteger(int base, std::size_t width, std::uint64_t* value);

  // Stores the characters [begin, end) through the next pointer argument as wide or narrow text
  // (narrow through the ANSI code page), with a terminator when `terminate` is set.
  void StoreText(bool wide, const wchar_t* begin, const wchar_t* end, bool terminate);

  const wchar_t* input_;
  va_list args_;
};

bool Scanner::ReadInteger(int base, std::size_t width, std::uint64_t* value) {
  const wchar_t* p = input_;
  // The width (0: none) bounds what is read.
  auto available = [&](const wchar_t* q) {
    return *q != L'\0' && (width == 0 || static_cast<std::size_t>(q - input_) < width);
  };
  bool negative = false;
  if (available(p) && (*p == L'+' || *p == L'-')) negative = *p++ == L'-';
  if (base == 0 || base == 16) {
    if (available(p) && *p == L'0' && available(p + 1) && (p[1] == L'x' || p[1] == L'X') &&
        available(p + 2) && AsciiDigitValue(p[2]) < 16) {
      p += 2;
      base = 16;
    } else if (base == 0) {
      base = available(p) && *p == L'0' ? 8 : 10;
    }
  }
  std::uint64_t result = 0;
  const wchar_t* digits = p;
  while (available(p) && AsciiDigitValue(*p) < base) {
    result = result * static_cast<unsigned>(base) + static_cast<unsigned>(AsciiDigitValue(*p));
    ++p;
  }
  if (p == digits) return false;
  input_ = p;
  *value = negative ? 0 - result : result;
  return true;
}

void Scanner::StoreText(bool wide, const wchar_t* begin, const wchar_t* end, bool terminate) {
  if (wide) {
    wchar_t* out = va_arg(args_, wchar_t*);
    for (const wchar_t* p = begin; p < end; ++p) *out++ = *p;
    if (terminate) *out = L'\0';
    return;
  }
  char* out = va_arg(args_, char*);
  const internal::CodePage& page = *internal::FindCodePage(CP_ACP);
  for (const wchar_t* p = begin; p < end;) {
    char32_t c;
    p += internal::ReadWideChar(p, static_cast<std::size_t>(end - p), &c);
    std::size_t n = internal::EncodeOrReplace(page, c, out);
    out += n;
  }
  if (terminate) *out = '\0';
}

int Scanner::Run(const wchar_t* format) {
  const wchar_t* const start = input_;
  int stored = 0;
  bool converted = false;  // a conversion (stored or suppressed) succeeded
  auto input_failure = [&]() { return converted ? stored : -1; };
  const wchar_t* f = format;
  while (*f != L'\0') {
    if (IsAsciiSpace(*f)) {
      f = SkipSpace(f);
      input_ = SkipSpace(input_);
      continue;
    }
    if (*f != L'%') {
      if (*input_ == L'\0') return input_failure();
      if (*input_ != *f) return stored;
      ++input_;
      ++f;
      continue;
    }
    ++f;
    if (*f == L'%') {
      input_ = SkipSpace(input_);
      if (*input_ == L'\0') return input_failure();
      if (*input_ != L'%') return stored;
      ++input_;
      ++f;
      continue;
    }
    bool suppress = false;
    if (*f == L'*') {
      suppress = true;
      ++f;
    }
    std::size_t width = 0;
    while (*f >= L'0' && *f <= L'9') {
      width = std::min<std::size_t>(width * 10 + static_cast<std::size_t>(*f - L'0'), INT_MAX);
      ++f;
    }
    Size size;
    f = internal::ParseSizeModifier(f, &size);
    const wchar_t conversion = *f;
    if (conversion == L'\0') return stored;
    ++f;
    if (conversion == L'n') {
      if (!suppress) StoreInteger(size, static_cast<std::uint64_t>(input_ - start));
      continue;
    }
    if (conversion != L'c' && conversion != L'C' && conversion != L'[') input_ = SkipSpace(input_);
    if (*input_ == L'\0') return input_failure();
    switch (conversion) {
      case L'd':
      case L'i':
      case L'u':
      case L'o':
      case L'x':
      case L'X':
      case L'p': {
        int base = conversion == L'i'                                                 ? 0
                   : conversion == L'o'                                               ? 8
                   : (conversion == L'x' || conversion == L'X' || conversion == L'p') ? 16
                                                                                      : 10;
        std::uint64_t value;
        if (!ReadInteger(base, width, &value)) return stored;
        if (!suppress) {
          if (conversion == L'p') {
            *va_arg(args_, void**) = reinterpret_cast<void*>(static_cast<std::uintptr_t>(value));
          } else {
            StoreInteger(size, value);
          }
          ++stored;
        }
        break;
      }
      case L'e':
      case L'E':
      case L'f':
      case L'F':
      case L'g':
      case L'G':
      case L'a':
      case L'A': {
        std::size_t consumed = 0;
        long double long_value = 0;
        const bool is_long_double = size == Size::kLongDouble;
        double value = ParseFloat(input_, width == 0 ? SIZE_MAX : width, &consumed,
                                  is_long_double ? &long_value : nullptr);
        if (consumed == 0) return stored;
        input_ += consumed;
        if (!suppress) {
          if (is_long_double) {
            *va_arg(args_, long double*) = long_value;
          } else if (size == Size::kLong || size == Size::kLongLong) {
            *va_arg(args_, double*) = value;
          } else {
            *va_arg(args_, float*) = static_cast<float>(value);
          }
          ++stored;
        }
        break;
      }
      case L's':
      case L'S':
      case L'c':
      case L'C':
      case L'[': {
        bool wide = conversion != L'S' && conversion != L'C';
        if (size == Size::kShort) wide = false;
        if (size == Size::kLong || size == Size::kWide) wide = true;
        const wchar_t* begin = input_;
        const wchar_t* p = input_;
        if (conversion == L'c' || conversion == L'C') {
          const std::size_t count = width == 0 ? 1 : width;
          while (static_cast<std::size_t>(p - begin) < count && *p != L'\0') ++p;
          if (static_cast<std::size_t>(p - begin) < count) return input_failure();
        } else if (conversion == L'[') {
          ScanSet set;
          if (*f == L'^') {
            set.negated = true;
            ++f;
          }
          set.begin = f;
          if (*f == L']') ++f;  // a leading ] belongs to the set
          while (*f != L'\0' && *f != L']') ++f;
          if (*f == L'\0') return stored;  // unterminated scanset: a bad format ends the scan
          set.end = f++;
          while (*p != L'\0' && (width == 0 || static_cast<std::size_t>(p - begin) < width) &&
                 set.Contains(*p)) {
            ++p;
          }
          if (p == begin) return stored;
        } else {
          while (*p != L'\0' && !IsAsciiSpace(*p) &&
                 (width == 0 || static_cast<std::size_t>(p - begin) < width)) {
            ++p;
          }
        }
        input_ = p;
        if (!suppress) {
          StoreText(wide, begin, p, conversion != L'c' && conversion != L'C');
          ++stored;
        }
        break;
      }
      default:
        return stored;  // unknown conversion: a bad format ends the scan
    }
    converted = true;
  }
  return stored;
}

}  // namespace

int VScanW(const wchar_t* text, const wchar_t* format, va_list args) {
  if (text == nullptr || format == nullptr) {
    errno = EINVAL;
    return -1;
  }
  Scanner scanner(text, args);
  return scanner.Run(format);
}

int ScanW(const wchar_t* text, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int result = VScanW(text, format, args);
  va_end(args);
  return result;
}

}  // namespace platform
}  // namespace zb
