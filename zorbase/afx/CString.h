// The framework strings: CString (wide, wchar_t; also CStringW) and CStringA (narrow), with the
// members hosts call on them. Text between the two widths converts through the ANSI code page
// (code page 0). Case folding (MakeUpper, MakeLower, CompareNoCase) and white space (Trim) are
// ASCII-only; comparisons are ordinal, code unit by code unit as unsigned values, over the whole
// stored text. Indexes are int as in the framework; out-of-range arguments are clamped the way the
// framework clamps them, and never read or write outside the text.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

#include <zorbase/platform/export.h>

template <typename CharT>
class CStringT;

namespace zb {
namespace afx_internal {

// What a Format argument travels as: a framework string as its character pointer (so that
// Format(L"%s", str) works as hosts expect), anything else as it is. Other class objects cannot
// travel through a printf-style argument list and are refused at compile time.
template <typename T>
decltype(auto) FormatArg(const T& value) {
  if constexpr (std::is_same_v<T, CStringT<wchar_t>> || std::is_same_v<T, CStringT<char>>) {
    return value.GetString();
  } else {
    static_assert(!std::is_class_v<T>,
                  "a class object cannot be a printf-style argument; pass a character pointer");
    return (value);
  }
}

}  // namespace afx_internal
}  // namespace zb

template <typename CharT>
class ZORBASE_API CStringT {
 public:
  using XCHAR = CharT;
  using YCHAR = std::conditional_t<std::is_same_v<CharT, wchar_t>, char, wchar_t>;
  using PXSTR = CharT*;
  using PCXSTR = const CharT*;
  using PCYSTR = const YCHAR*;

  // Construction. A null pointer counts as empty text. Text of the other width is converted
  // through the ANSI code page (characters it lacks become '?').
  CStringT() = default;
  CStringT(const CStringT& other) = default;
  CStringT(CStringT&& other) noexcept = default;
  CStringT(PCXSTR text);
  CStringT(PCYSTR text);
  // The first `length` characters of `text` (embedded NULs included); a length <= 0 gives empty.
  CStringT(PCXSTR text, int length);
  CStringT(PCYSTR text, int length);
  CStringT(const CStringT<YCHAR>& other);
  // `ch` repeated `repeat` times (nothing for repeat <= 0).
  explicit CStringT(XCHAR ch, int repeat = 1);
  explicit CStringT(YCHAR ch, int repeat = 1);
  ~CStringT() = default;

  CStringT& operator=(const CStringT& other) = default;
  CStringT& operator=(CStringT&& other) noexcept = default;
  CStringT& operator=(PCXSTR text);
  CStringT& operator=(PCYSTR text);
  CStringT& operator=(const CStringT<YCHAR>& other);
  CStringT& operator=(XCHAR ch);
  CStringT& operator=(YCHAR ch);

  // Access. GetString and the conversion never return null; the text stays valid until the string
  // changes.
  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  PCXSTR GetString() const { return text_.c_str(); }
  operator PCXSTR() const { return text_.c_str(); }
  // The character at `index`; 0 when the index is outside the text.
  XCHAR GetAt(int index) const {
    return index >= 0 && index < GetLength() ? text_[static_cast<std::size_t>(index)] : XCHAR(0);
  }
  XCHAR operator[](int index) const { return GetAt(index); }
  // Replaces the character at `index`; nothing when the index is outside the text.
  void SetAt(int index, XCHAR ch);
  int GetAllocLength() const { return static_cast<int>(text_.capacity()); }
  void FreeExtra();
  void Preallocate(int length);

  void SetString(PCXSTR text);
  void SetString(PCXSTR text, int length);
  void Append(PCXSTR text);
  void Append(PCXSTR text, int length);
  void Append(const CStringT& other);
  void AppendChar(XCHAR ch);

  // Formatting through the platform formatter (Windows runtime rules: in a wide format %s is
  // wide and %S narrow). Format replaces the text, AppendFormat appends. Framework strings may be
  // passed for %s/%S directly. A null format leaves an empty text (Format) or changes nothing.
  template <typename... Args>
  void Format(PCXSTR format, const Args&... args) {
    FormatArgs(format, zb::afx_internal::FormatArg(args)...);
  }
  template <typename... Args>
  void AppendFormat(PCXSTR format, const Args&... args) {
    AppendFormatArgs(format, zb::afx_internal::FormatArg(args)...);
  }
  void FormatV(PCXSTR format, va_list args);
  void AppendFormatV(PCXSTR format, va_list args);

  // Trimming: white space (ASCII space, \t \n \v \f \r), one given character, or any of the given
  // characters (null or empty: nothing removed).
  CStringT& Trim();
  CStringT& Trim(XCHAR target);
  CStringT& Trim(PCXSTR targets);
  CStringT& TrimLeft();
  CStringT& TrimLeft(XCHAR target);
  CStringT& TrimLeft(PCXSTR targets);
  CStringT& TrimRight();
  CStringT& TrimRight(XCHAR target);
  CStringT& TrimRight(PCXSTR targets);

  // ASCII letters only; every other character stays as it is.
  CStringT& MakeUpper();
  CStringT& MakeLower();
  CStringT& MakeReverse();

  // <0, 0 or >0. Compare is ordinal; CompareNoCase folds the ASCII letters to lower case first.
  int Compare(PCXSTR text) const;
  int CompareNoCase(PCXSTR text) const;

  // Searching: the index found, or -1. A start outside the text gives -1 (for a substring, a start
  // equal to the length is allowed and finds an empty pattern there).
  int Find(XCHAR ch, int start = 0) const;
  int Find(PCXSTR sub, int start = 0) const;
  int ReverseFind(XCHAR ch) const;
  int FindOneOf(PCXSTR char_set) const;

  // Editing. Replace changes every (non-overlapping, left to right) occurrence and returns how
  // many it changed; an empty or null `old_text` changes nothing, a null `new_text` removes.
  // Remove deletes every `ch` and returns the count. Insert clamps the index into [0, length]
  // and returns the new length. Delete removes up to `count` characters from `index` and returns
  // the new length.
  int Replace(XCHAR old_ch, XCHAR new_ch);
  int Replace(PCXSTR old_text, PCXSTR new_text);
  int Remove(XCHAR ch);
  int Insert(int index, XCHAR ch);
  int Insert(int index, PCXSTR text);
  int Delete(int index, int count = 1);
  void Truncate(int length);

  // Substrings, clamped as the framework clamps them: negative counts and starts count as 0,
  // counts beyond the text stop at its end.
  CStringT Left(int count) const;
  CStringT Mid(int first) const;
  CStringT Mid(int first, int count) const;
  CStringT Right(int count) const;
  // The leading characters that are (SpanIncluding) or are not (SpanExcluding) in `char_set`.
  CStringT SpanIncluding(PCXSTR char_set) const;
  CStringT SpanExcluding(PCXSTR char_set) const;
  // The next token from `start` (separators skipped); `start` moves past it. When no token is left
  // the result is empty and `start` becomes -1. With no separators the rest of the text is one
  // token.
  CStringT Tokenize(PCXSTR tokens, int& start) const;

  // Direct writes. GetBuffer(n) returns room for at least n characters and a terminator, the text
  // kept; after writing, ReleaseBuffer(-1) sets the length to the first terminator (within the
  // buffer) and ReleaseBuffer(n) to n. GetBufferSetLength(n) sets the length to n at once.
  PXSTR GetBuffer();
  PXSTR GetBuffer(int min_length);
  PXSTR GetBufferSetLength(int length);
  void ReleaseBuffer(int new_length = -1);
  void ReleaseBufferSetLength(int new_length) { ReleaseBuffer(new_length); }

  CStringT& operator+=(const CStringT& other);
  CStringT& operator+=(PCXSTR text);
  CStringT& operator+=(PCYSTR text);
  CStringT& operator+=(XCHAR ch);
  CStringT& operator+=(YCHAR ch);

  // Concatenation: every combination of string, character pointer and character.
  friend CStringT operator+(const CStringT& a, const CStringT& b) {
    return Concat(a.text_, b.data_view());
  }
  friend CStringT operator+(CStringT&& a, const CStringT& b) { return std::move(a += b); }
  friend CStringT operator+(const CStringT& a, PCXSTR b) { return Concat(a.text_, View(b)); }
  friend CStringT operator+(CStringT&& a, PCXSTR b) { return std::move(a += b); }
  friend CStringT operator+(PCXSTR a, const CStringT& b) {
    CStringT out(a);
    return std::move(out += b);
  }
  friend CStringT operator+(const CStringT& a, XCHAR b) { return Concat(a.text_, View(&b, 1)); }
  friend CStringT operator+(CStringT&& a, XCHAR b) { return std::move(a += b); }
  friend CStringT operator+(XCHAR a, const CStringT& b) {
    CStringT out(a);
    return std::move(out += b);
  }
  friend CStringT operator+(const CStringT& a, YCHAR b) {
    CStringT out(a);
    return std::move(out += b);
  }
  friend CStringT operator+(YCHAR a, const CStringT& b) {
    CStringT out(a);
    return std::move(out += b);
  }

  // Comparisons: ordinal, with strings and character pointers on either side (null is empty).
  friend bool operator==(const CStringT& a, const CStringT& b) {
    return Equal(a.data_view(), b.data_view());
  }
  friend bool operator==(const CStringT& a, PCXSTR b) { return Equal(a.data_view(), View(b)); }
  friend bool operator==(PCXSTR a, const CStringT& b) { return Equal(View(a), b.data_view()); }
  friend bool operator==(const CStringT& a, XCHAR b) {
    return a.text_.size() == 1 && a.text_[0] == b;
  }
  friend bool operator==(XCHAR a, const CStringT& b) { return b == a; }
  friend bool operator!=(const CStringT& a, const CStringT& b) { return !(a == b); }
  friend bool operator!=(const CStringT& a, PCXSTR b) { return !(a == b); }
  friend bool operator!=(PCXSTR a, const CStringT& b) { return !(a == b); }
  friend bool operator!=(const CStringT& a, XCHAR b) { return !(a == b); }
  friend bool operator!=(XCHAR a, const CStringT& b) { return !(a == b); }
  friend bool operator<(const CStringT& a, const CStringT& b) {
    return Order(a.data_view(), b.data_view()) < 0;
  }
  friend bool operator<(const CStringT& a, PCXSTR b) { return Order(a.data_view(), View(b)) < 0; }
  friend bool operator<(PCXSTR a, const CStringT& b) { return Order(View(a), b.data_view()) < 0; }
  friend bool operator>(const CStringT& a, const CStringT& b) {
    return Order(a.data_view(), b.data_view()) > 0;
  }
  friend bool operator>(const CStringT& a, PCXSTR b) { return Order(a.data_view(), View(b)) > 0; }
  friend bool operator>(PCXSTR a, const CStringT& b) { return Order(View(a), b.data_view()) > 0; }
  friend bool operator<=(const CStringT& a, const CStringT& b) {
    return Order(a.data_view(), b.data_view()) <= 0;
  }
  friend bool operator<=(const CStringT& a, PCXSTR b) { return Order(a.data_view(), View(b)) <= 0; }
  friend bool operator<=(PCXSTR a, const CStringT& b) { return Order(View(a), b.data_view()) <= 0; }
  friend bool operator>=(const CStringT& a, const CStringT& b) {
    return Order(a.data_view(), b.data_view()) >= 0;
  }
  friend bool operator>=(const CStringT& a, PCXSTR b) { return Order(a.data_view(), View(b)) >= 0; }
  friend bool operator>=(PCXSTR a, const CStringT& b) { return Order(View(a), b.data_view()) >= 0; }

 private:
  struct TextView {
    const CharT* data;
    std::size_t size;
  };
  using Traits = std::char_traits<CharT>;
  using Unit = std::make_unsigned_t<CharT>;

  TextView data_view() const { return TextView{text_.data(), text_.size()}; }
  static TextView View(PCXSTR text) {
    return TextView{text, text != nullptr ? Traits::length(text) : 0};
  }
  static TextView View(PCXSTR text, std::size_t size) { return TextView{text, size}; }

  static CStringT Concat(const std::basic_string<CharT>& a, TextView b) {
    CStringT out;
    out.text_.reserve(a.size() + b.size);
    out.text_.append(a);
    out.text_.append(b.data, b.size);
    return out;
  }
  static bool Equal(TextView a, TextView b) {
    return a.size == b.size && (a.size == 0 || Traits::compare(a.data, b.data, a.size) == 0);
  }
  static int Order(TextView a, TextView b) {
    const std::size_t n = a.size < b.size ? a.size : b.size;
    for (std::size_t i = 0; i < n; ++i) {
      if (a.data[i] != b.data[i]) {
        return static_cast<Unit>(a.data[i]) < static_cast<Unit>(b.data[i]) ? -1 : 1;
      }
    }
    return a.size < b.size ? -1 : a.size > b.size ? 1 : 0;
  }

  void FormatArgs(PCXSTR format, ...);
  void AppendFormatArgs(PCXSTR format, ...);

  std::basic_string<CharT> text_;
};

extern template class CStringT<wchar_t>;
extern template class CStringT<char>;

typedef CStringT<wchar_t> CString;
typedef CStringT<wchar_t> CStringW;
typedef CStringT<char> CStringA;
