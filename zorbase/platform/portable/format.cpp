// The Windows-runtime printf formatter, one engine for wide and narrow formats. The engine writes
// into a sink that stores what fits and counts everything, so the counting pass, the bounded pass
// and the growing results share one parser and none of them allocates per character.
#include <zorbase/platform/format.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <type_traits>

#include <zorbase/platform/codepage.h>

#include "zorbase/platform/portable/codepage_internal.h"
#include "zorbase/platform/portable/format_internal.h"

namespace zb {
namespace platform {
namespace {

using internal::CodePage;

// Stores the first `capacity` characters written and counts all of them.
template <typename CharT>
class Sink {
 public:
  Sink(CharT* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}

  void Put(const CharT* text, std::size_t n) {
    if (pos_ < capacity_) {
      std::size_t k = std::min(n, capacity_ - pos_);
      std::char_traits<CharT>::copy(buffer_ + pos_, text, k);
    }
    pos_ += n;
  }

  void Put(CharT c) {
    if (pos_ < capacity_) buffer_[pos_] = c;
    ++pos_;
  }

  void Fill(CharT c, std::size_t n) {
    if (pos_ < capacity_) {
      std::size_t k = std::min(n, capacity_ - pos_);
      std::char_traits<CharT>::assign(buffer_ + pos_, k, c);
    }
    pos_ += n;
  }

  // ASCII text (digits, signs, the C library's rendering of a number) in the sink's width.
  void PutAscii(const char* text, std::size_t n) {
    if constexpr (std::is_same_v<CharT, char>) {
      Put(text, n);
    } else {
      if (pos_ < capacity_) {
        std::size_t k = std::min(n, capacity_ - pos_);
        for (std::size_t i = 0; i < k; ++i) buffer_[pos_ + i] = static_cast<unsigned char>(text[i]);
      }
      pos_ += n;
    }
  }

  // True when nothing more will be stored (always in the counting pass).
  bool full() const { return pos_ >= capacity_; }
  // Counts `n` characters that would not be stored anyway.
  void Skip(std::size_t n) { pos_ += n; }

  std::size_t count() const { return pos_; }

 private:
  CharT* buffer_;
  std::size_t capacity_;
  std::size_t pos_ = 0;
};

using Size = internal::SizeModifier;

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  bool zero = false;
  bool has_precision = false;
  std::size_t width = 0;
  std::size_t precision = 0;
  Size size = Size::kDefault;
};

template <typename CharT>
void PadBefore(Sink<CharT>& sink, const Spec& spec, std::size_t length) {
  if (!spec.left && spec.width > length) {
    sink.Fill(spec.zero ? CharT('0') : CharT(' '), spec.width - length);
  }
}

template <typename CharT>
void PadAfter(Sink<CharT>& sink, const Spec& spec, std::size_t length) {
  if (spec.left && spec.width > length) sink.Fill(CharT(' '), spec.width - length);
}

template <typename CharT>
std::size_t BoundedLength(const CharT* text, const Spec& spec) {
  if (!spec.has_precision) return std::char_traits<CharT>::length(text);
  std::size_t n = 0;
  while (n < spec.precision && text[n] != CharT(0)) ++n;
  return n;
}

// A string of the sink's own width.
template <typename CharT>
void EmitString(Sink<CharT>& sink, const Spec& spec, const CharT* text) {
  static const CharT kNull[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
  if (text == nullptr) text = kNull;
  std::size_t length = BoundedLength(text, spec);
  PadBefore(sink, spec, length);
  sink.Put(text, length);
  PadAfter(sink, spec, length);
}

const CodePage& AnsiPage() {
  const CodePage* page = internal::FindCodePage(CP_ACP);
  return *page;  // the ANSI code page always has a table (GetACP falls back to one)
}

// A narrow string in a wide format: decoded through the ANSI code page. The precision bounds the
// bytes read, so an unterminated array of that many bytes is never overrun.
void EmitString(Sink<wchar_t>& sink, const Spec& spec, const char* text) {
  static const char kNull[] = "(null)";
  if (text == nullptr) text = kNull;
  const std::size_t bytes_length = BoundedLength(text, spec);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  const CodePage& page = AnsiPage();
  std::size_t length = bytes_length;
  if (page.kind == CodePage::kUtf8 && spec.width > 0) {
    length = 0;
    for (std::size_t i = 0; i < bytes_length; ++length) {
      char32_t c;
      bool valid = true;
      i += internal::DecodeChar(page, bytes + i, bytes_length - i, &c, &valid);
    }
  }
  PadBefore(sink, spec, length);
  for (std::size_t i = 0; i < bytes_length;) {
    char32_t c;
    bool valid = true;
    i += internal::DecodeChar(page, bytes + i, bytes_length - i, &c, &valid);
    sink.Put(static_cast<wchar_t>(c));
  }
  PadAfter(sink, spec, length);
}

// A wide string in a narrow format: encoded through the ANSI code page. The precision bounds the
// bytes written (a character that would not fit whole is left out), so at most that many wide
// characters are read.
void EmitString(Sink<char>& sink, const Spec& spec, const wchar_t* text) {
  static const wchar_t kNull[] = L"(null)";
  if (text == nullptr) text = kNull;
  const CodePage& page = AnsiPage();
  const std::size_t limit = spec.has_precision ? spec.precision : SIZE_MAX;
  // Pass 0 measures (only when padding needs the length), pass 1 writes.
  std::size_t length = 0;
  for (int pass = spec.width > 0 ? 0 : 1; pass < 2; ++pass) {
    if (pass == 1) PadBefore(sink, spec, length);
    std::size_t out = 0;
    char bytes[4];
    for (const wchar_t* p = text; out < limit && *p != 0;) {
      char32_t c;
      p += internal::ReadWideChar(p, limit - out >= 2 ? 2 : 1, &c);
      std::size_t n = internal::EncodeOrReplace(page, c, bytes);
      if (n > limit - out) break;
      if (pass == 1) sink.Put(bytes, n);
      out += n;
    }
    length = out;
  }
  PadAfter(sink, spec, length);
}

template <typename CharT>
void EmitChar(Sink<CharT>& sink, const Spec& spec, CharT c) {
  PadBefore(sink, spec, 1);
  sink.Put(c);
  PadAfter(sink, spec, 1);
}

void EmitChar(Sink<wchar_t>& sink, const Spec& spec, char c) {
  unsigned char byte = static_cast<unsigned char>(c);
  char32_t decoded;
  bool valid = true;
  internal::DecodeChar(AnsiPage(), &byte, 1, &decoded, &valid);
  EmitChar<wchar_t>(sink, spec, static_cast<wchar_t>(decoded));
}

void EmitChar(Sink<char>& sink, const Spec& spec, wchar_t c) {
  char bytes[4];
  std::size_t n = internal::EncodeOrReplace(
      AnsiPage(), static_cast<char32_t>(static_cast<std::uint32_t>(c)), bytes);
  PadBefore(sink, spec, n);
  sink.Put(bytes, n);
  PadAfter(sink, spec, n);
}

template <typename CharT>
void EmitInteger(Sink<CharT>& sink, const Spec& spec, std::uint64_t value, bool negative,
                 unsigned base, bool upper, bool is_signed) {
  char digits[24];
  char* const end = digits + sizeof(digits);
  char* p = end;
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  if (!(spec.has_precision && spec.precision == 0 && value == 0)) {
    std::uint64_t v = value;
    if (base == 10) {
      do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
      } while (v != 0);
    } else {
      const unsigned shift = base == 16 ? 4 : 3;
      do {
        *--p = set[v & (base - 1)];
        v >>= shift;
      } while (v != 0);
    }
  }
  const std::size_t digit_count = static_cast<std::size_t>(end - p);
  char prefix[2];
  std::size_t prefix_length = 0;
  if (is_signed) {
    if (negative) {
      prefix[prefix_length++] = '-';
    } else if (spec.plus) {
      prefix[prefix_length++] = '+';
    } else if (spec.space) {
      prefix[prefix_length++] = ' ';
    }
  }
  std::size_t precision = spec.has_precision ? spec.precision : 1;
  if (spec.alt) {
    if (base == 16 && value != 0) {
      prefix[prefix_length++] = '0';
      prefix[prefix_length++] = upper ? 'X' : 'x';
    } else if (base == 8 && (digit_count == 0 || *p != '0')) {
      precision = std::max(precision, digit_count + 1);
    }
  }
  std::size_t zeros = precision > digit_count ? precision - digit_count : 0;
  std::size_t length = prefix_length + zeros + digit_count;
  if (spec.zero && !spec.left && !spec.has_precision && spec.width > length) {
    zeros += spec.width - length;
    length = spec.width;
  }
  if (!spec.left && spec.width > length) sink.Fill(CharT(' '), spec.width - length);
  sink.PutAscii(prefix, prefix_length);
  sink.Fill(CharT('0'), zeros);
  sink.PutAscii(p, digit_count);
  PadAfter(sink, spec, length);
}

// Beyond this precision every further digit of a finite value is 0: a double's exact decimal form
// has at most 1074 digits after the point and 767 significant ones, a long double's (x87, 64-bit
// mantissa) at most 16445 and 11505; %a shows at most 16 hexadecimal digits.
template <typename Float>
constexpr std::size_t ExactDigitLimit() {
  return std::is_same_v<Float, long double> ? 16500 : 1100;
}

// Floating point: the C library renders the number (sign, digits, exponent) without width, in the
// "C" locale; the width and its padding are applied here so that zero padding follows the sign and
// any 0x prefix. A precision past the exact digits is rendered at that limit and the rest are
// zeros put in place by the sink, so an absurd precision costs only what the buffer or the count
// needs (the C library would generate and store every digit).
template <typename CharT, typename Float>
void EmitFloat(Sink<CharT>& sink, const Spec& spec, Float value, char conversion) {
  const internal::CLocaleScope c_locale;
  char format[12];
  char* f = format;
  *f++ = '%';
  if (spec.plus) *f++ = '+';
  if (spec.space) *f++ = ' ';
  if (spec.alt) *f++ = '#';
  *f++ = '.';
  *f++ = '*';
  if (std::is_same_v<Float, long double>) *f++ = 'L';
  *f++ = conversion;
  *f = '\0';
  std::size_t wanted = spec.has_precision ? spec.precision : 0;
  std::size_t extra_zeros = 0;
  const bool general = conversion == 'g' || conversion == 'G';
  if (spec.has_precision && wanted > ExactDigitLimit<Float>() && std::isfinite(value)) {
    // %g drops trailing zeros unless '#' keeps them; its choice of style is the same at the
    // limit, which exceeds every decimal exponent of the type.
    if (!general || spec.alt) extra_zeros = wanted - ExactDigitLimit<Float>();
    wanted = ExactDigitLimit<Float>();
  }
  const int precision = spec.has_precision ? static_cast<int>(wanted) : -1;
  char stack[512];
  char* text = stack;
  std::string heap;
  int n = std::snprintf(stack, sizeof(stack), format, precision, value);
  if (n < 0) n = 0;
  const std::size_t length = static_cast<std::size_t>(n) + extra_zeros;
  if (static_cast<std::size_t>(n) >= sizeof(stack)) {
    if (sink.full()) {  // measuring only: the length is known, the digits are not needed
      sink.Skip(std::max(spec.width, length));
      return;
    }
    heap.resize(static_cast<std::size_t>(n) + 1);
    std::snprintf(&heap[0], heap.size(), format, precision, value);
    text = &heap[0];
  }
  const std::size_t rendered = static_cast<std::size_t>(n);
  // The zeros belong after the last digit: before the exponent, if there is one.
  std::size_t zeros_at = rendered;
  if (extra_zeros > 0) {
    const char* exponent = std::strpbrk(text, conversion == 'a' || conversion == 'A' ? "pP" : "eE");
    if (exponent != nullptr) zeros_at = static_cast<std::size_t>(exponent - text);
  }
  std::size_t prefix_length = 0;
  if (rendered > 0 && (text[0] == '-' || text[0] == '+' || text[0] == ' ')) prefix_length = 1;
  if ((conversion == 'a' || conversion == 'A') && rendered >= prefix_length + 2 &&
      text[prefix_length] == '0' &&
      (text[prefix_length + 1] == 'x' || text[prefix_length + 1] == 'X')) {
    prefix_length += 2;
  }
  auto put_body = [&](std::size_t from) {
    sink.PutAscii(text + from, zeros_at - from);
    sink.Fill(CharT('0'), extra_zeros);
    sink.PutAscii(text + zeros_at, rendered - zeros_at);
  };
  if (spec.zero && !spec.left && spec.width > length) {
    sink.PutAscii(text, prefix_length);
    sink.Fill(CharT('0'), spec.width - length);
    put_body(prefix_length);
    return;
  }
  PadBefore(sink, spec, length);
  put_body(0);
  PadAfter(sink, spec, length);
}

inline const char* FindPercent(const char* p) { return p + std::strcspn(p, "%"); }
inline const wchar_t* FindPercent(const wchar_t* p) { return p + std::wcscspn(p, L"%"); }

inline std::size_t AddDigit(std::size_t value, unsigned digit) {
  const std::size_t limit = static_cast<std::size_t>(INT_MAX);
  value = value * 10 + digit;
  return value > limit ? limit : value;
}

// Runs `format` into `sink`, taking the arguments from `args` (consumed).
template <typename CharT>
void Run(Sink<CharT>& sink, const CharT* format, va_list args) {
  using Other = std::conditional_t<std::is_same_v<CharT, wchar_t>, char, wchar_t>;
  const CharT* p = format;
  while (*p != CharT(0)) {
    const CharT* percent = FindPercent(p);
    sink.Put(p, static_cast<std::size_t>(percent - p));
    p = percent;
    if (*p == CharT(0)) break;
    const CharT* start = p++;
    if (*p == CharT('%')) {
      sink.Put(CharT('%'));
      ++p;
      continue;
    }
    Spec spec;
    for (;; ++p) {
      if (*p == CharT('-')) {
        spec.left = true;
      } else if (*p == CharT('+')) {
        spec.plus = true;
      } else if (*p == CharT(' ')) {
        spec.space = true;
      } else if (*p == CharT('#')) {
        spec.alt = true;
      } else if (*p == CharT('0')) {
        spec.zero = true;
      } else {
        break;
      }
    }
    if (*p == CharT('*')) {
      ++p;
      int width = va_arg(args, int);
      if (width < 0) {
        spec.left = true;
        spec.width = static_cast<std::size_t>(-static_cast<long long>(width));
      } else {
        spec.width = static_cast<std::size_t>(width);
      }
    } else {
      while (*p >= CharT('0') && *p <= CharT('9')) spec.width = AddDigit(spec.width, *p++ - '0');
    }
    if (*p == CharT('.')) {
      ++p;
      spec.has_precision = true;
      if (*p == CharT('*')) {
        ++p;
        int precision = va_arg(args, int);
        if (precision < 0) {
          spec.has_precision = false;
        } else {
          spec.precision = static_cast<std::size_t>(precision);
        }
      } else {
        while (*p >= CharT('0') && *p <= CharT('9'))
          spec.precision = AddDigit(spec.precision, *p++ - '0');
      }
    }
    p = internal::ParseSizeModifier(p, &spec.size);
    const CharT conversion = *p;
    if (conversion == CharT(0)) {
      sink.Put(start, static_cast<std::size_t>(p - start));
      break;
    }
    ++p;
    switch (conversion) {
      case CharT('d'):
      case CharT('i'): {
        std::int64_t value;
        switch (spec.size) {
          case Size::kChar:
            value = static_cast<signed char>(va_arg(args, int));
            break;
          case Size::kShort:
            value = static_cast<short>(va_arg(args, int));
            break;
          case Size::kLongLong:
          case Size::kLongDouble:
            value = va_arg(args, long long);
            break;
          default:
            value = va_arg(args, int);
            break;
        }
        std::uint64_t magnitude =
            value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        EmitInteger(sink, spec, magnitude, value < 0, 10, false, true);
        break;
      }
      case CharT('u'):
      case CharT('o'):
      case CharT('x'):
      case CharT('X'): {
        std::uint64_t value;
        switch (spec.size) {
          case Size::kChar:
            value = static_cast<unsigned char>(va_arg(args, unsigned));
            break;
          case Size::kShort:
            value = static_cast<unsigned short>(va_arg(args, unsigned));
            break;
          case Size::kLongLong:
          case Size::kLongDouble:
            value = va_arg(args, unsigned long long);
            break;
          default:
            value = va_arg(args, unsigned);
            break;
        }
        unsigned base = conversion == CharT('u') ? 10 : conversion == CharT('o') ? 8 : 16;
        EmitInteger(sink, spec, value, false, base, conversion == CharT('X'), false);
        break;
      }
      case CharT('p'): {
        Spec pointer_spec = spec;
        pointer_spec.has_precision = true;
        pointer_spec.precision = 2 * sizeof(void*);
        pointer_spec.alt = false;
        auto value = reinterpret_cast<std::uintptr_t>(va_arg(args, void*));
        EmitInteger(sink, pointer_spec, value, false, 16, true, false);
        break;
      }
      case CharT('e'):
      case CharT('E'):
      case CharT('f'):
      case CharT('F'):
      case CharT('g'):
      case CharT('G'):
      case CharT('a'):
      case CharT('A'): {
        const char narrow_conversion = static_cast<char>(conversion);
        if (spec.size == Size::kLongDouble) {
          EmitFloat(sink, spec, va_arg(args, long double), narrow_conversion);
        } else {
          EmitFloat(sink, spec, va_arg(args, double), narrow_conversion);
        }
        break;
      }
      case CharT('s'):
      case CharT('S'): {
        bool own = conversion == CharT('s');
        if (spec.size == Size::kShort) own = std::is_same_v<CharT, char>;
        if (spec.size == Size::kLong || spec.size == Size::kLongLong || spec.size == Size::kWide) {
          own = std::is_same_v<CharT, wchar_t>;
        }
        if (own) {
          EmitString(sink, spec, va_arg(args, const CharT*));
        } else {
          EmitString(sink, spec, va_arg(args, const Other*));
        }
        break;
      }
      case CharT('c'):
      case CharT('C'): {
        bool own = conversion == CharT('c');
        if (spec.size == Size::kShort) own = std::is_same_v<CharT, char>;
        if (spec.size == Size::kLong || spec.size == Size::kLongLong || spec.size == Size::kWide) {
          own = std::is_same_v<CharT, wchar_t>;
        }
        // Both widths travel as int through the variable arguments (wchar_t is int-sized here).
        int value = va_arg(args, int);
        if (own) {
          EmitChar<CharT>(sink, spec, static_cast<CharT>(value));
        } else {
          EmitChar(sink, spec, static_cast<Other>(value));
        }
        break;
      }
      case CharT('n'):
        // Writing through a pointer taken from the format is refused, as the Windows runtime
        // does by default; the argument is skipped so that the ones after it stay in place.
        (void)va_arg(args, void*);
        break;
      default:
        sink.Put(start, static_cast<std::size_t>(p - start));
        break;
    }
  }
}

int CountToInt(std::size_t count) {
  return count > static_cast<std::size_t>(INT_MAX) ? -1 : static_cast<int>(count);
}

template <typename CharT>
int CountFormat(const CharT* format, va_list args) {
  if (format == nullptr) return -1;
  va_list copy;
  va_copy(copy, args);
  Sink<CharT> sink(nullptr, 0);
  Run(sink, format, copy);
  va_end(copy);
  return CountToInt(sink.count());
}

template <typename CharT>
int FormatBounded(CharT* buffer, std::size_t capacity, const CharT* format, va_list args) {
  if (buffer == nullptr) capacity = 0;
  if (format == nullptr) {
    if (capacity > 0) buffer[0] = CharT(0);
    return -1;
  }
  if (capacity == 0) return 0;
  va_list copy;
  va_copy(copy, args);
  Sink<CharT> sink(buffer, capacity - 1);
  Run(sink, format, copy);
  va_end(copy);
  std::size_t written = std::min(sink.count(), capacity - 1);
  buffer[written] = CharT(0);
  return static_cast<int>(written);
}

constexpr std::size_t kStackChars = 256;

template <typename CharT>
std::ptrdiff_t AppendFormat(std::basic_string<CharT>& out, const CharT* format, va_list args) {
  if (format == nullptr) return -1;
  CharT stack[kStackChars];
  va_list copy;
  va_copy(copy, args);
  Sink<CharT> sink(stack, kStackChars);
  Run(sink, format, copy);
  va_end(copy);
  const std::size_t count = sink.count();
  if (count > static_cast<std::size_t>(INT_MAX)) return -1;  // as the counting pass reports it
  if (count <= kStackChars) {
    out.append(stack, count);
  } else {
    const std::size_t old_size = out.size();
    out.resize(old_size + count);
    va_copy(copy, args);
    Sink<CharT> full(&out[old_size], count);
    Run(full, format, copy);
    va_end(copy);
  }
  return static_cast<std::ptrdiff_t>(count);
}

}  // namespace

int CountFormatW(const wchar_t* format, va_list args) { return CountFormat(format, args); }
int CountFormatA(const char* format, va_list args) { return CountFormat(format, args); }

int FormatW(wchar_t* buffer, std::size_t capacity, const wchar_t* format, va_list args) {
  return FormatBounded(buffer, capacity, format, args);
}
int FormatA(char* buffer, std::size_t capacity, const char* format, va_list args) {
  return FormatBounded(buffer, capacity, format, args);
}

std::ptrdiff_t AppendFormatW(std::wstring& out, const wchar_t* format, va_list args) {
  return AppendFormat(out, format, args);
}
std::ptrdiff_t AppendFormatA(std::string& out, const char* format, va_list args) {
  return AppendFormat(out, format, args);
}

std::wstring VFormatW(const wchar_t* format, va_list args) {
  std::wstring out;
  AppendFormat(out, format, args);
  return out;
}

std::string VFormatA(const char* format, va_list args) {
  std::string out;
  AppendFormat(out, format, args);
  return out;
}

std::wstring FormatTextW(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring out = VFormatW(format, args);
  va_end(args);
  return out;
}

std::string FormatTextA(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = VFormatA(format, args);
  va_end(args);
  return out;
}

}  // namespace platform
}  // namespace zb
