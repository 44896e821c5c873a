// The framework strings over std::basic_string: conversions through the ANSI code page, the
// framework's clamping rules, and formatting through the platform formatter.
#include <zorbase/afx/CString.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/format.h>
#include <zorbase/platform/internal/ascii.h>

namespace {

using zb::internal::AsciiToLower;
using zb::internal::AsciiToUpper;
using zb::internal::IsAsciiSpace;

// Appends text of the other width, converted through the ANSI code page.
void AppendConverted(std::wstring& out, const char* text, std::size_t length) {
  if (text == nullptr || length == 0 || length > static_cast<std::size_t>(INT_MAX)) return;
  const int n = static_cast<int>(length);
  const int needed = MultiByteToWideChar(CP_ACP, 0, text, n, nullptr, 0);
  if (needed <= 0) return;
  const std::size_t old_size = out.size();
  out.resize(old_size + static_cast<std::size_t>(needed));
  const int written = MultiByteToWideChar(CP_ACP, 0, text, n, &out[old_size], needed);
  out.resize(old_size + static_cast<std::size_t>(std::max(written, 0)));
}

void AppendConverted(std::string& out, const wchar_t* text, std::size_t length) {
  if (text == nullptr || length == 0 || length > static_cast<std::size_t>(INT_MAX)) return;
  const int n = static_cast<int>(length);
  const int needed = WideCharToMultiByte(CP_ACP, 0, text, n, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return;
  const std::size_t old_size = out.size();
  out.resize(old_size + static_cast<std::size_t>(needed));
  const int written =
      WideCharToMultiByte(CP_ACP, 0, text, n, &out[old_size], needed, nullptr, nullptr);
  out.resize(old_size + static_cast<std::size_t>(std::max(written, 0)));
}

template <typename CharT>
std::size_t Length(const CharT* text) {
  return text != nullptr ? std::char_traits<CharT>::length(text) : 0;
}

std::ptrdiff_t AppendFormatted(std::wstring& out, const wchar_t* format, va_list args) {
  return zb::platform::AppendFormatW(out, format, args);
}

std::ptrdiff_t AppendFormatted(std::string& out, const char* format, va_list args) {
  return zb::platform::AppendFormatA(out, format, args);
}

template <typename CharT>
inline bool InSet(CharT c, const CharT* set) {
  for (; *set != CharT(0); ++set) {
    if (*set == c) return true;
  }
  return false;
}

}  // namespace

template <typename CharT>
CStringT<CharT>::CStringT(PCXSTR text) {
  if (text != nullptr) text_.assign(text);
}

template <typename CharT>
CStringT<CharT>::CStringT(PCYSTR text) {
  AppendConverted(text_, text, Length(text));
}

template <typename CharT>
CStringT<CharT>::CStringT(PCXSTR text, int length) {
  if (text != nullptr && length > 0) text_.assign(text, static_cast<std::size_t>(length));
}

template <typename CharT>
CStringT<CharT>::CStringT(PCYSTR text, int length) {
  if (length > 0) AppendConverted(text_, text, static_cast<std::size_t>(length));
}

template <typename CharT>
CStringT<CharT>::CStringT(const CStringT<YCHAR>& other) {
  AppendConverted(text_, other.GetString(), static_cast<std::size_t>(other.GetLength()));
}

template <typename CharT>
CStringT<CharT>::CStringT(XCHAR ch, int repeat) {
  if (repeat > 0) text_.assign(static_cast<std::size_t>(repeat), ch);
}

template <typename CharT>
CStringT<CharT>::CStringT(YCHAR ch, int repeat) {
  if (repeat <= 0) return;
  std::basic_string<CharT> one;
  AppendConverted(one, &ch, 1);
  text_.reserve(one.size() * static_cast<std::size_t>(repeat));
  for (int i = 0; i < repeat; ++i) text_.append(one);
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::operator=(PCXSTR text) {
  SetString(text);
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::operator=(PCYSTR text) {
  std::basic_string<CharT> converted;
  AppendConverted(converted, text, Length(text));
  text_.swap(converted);
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::operator=(const CStringT<YCHAR>& other) {
  std::basic_string<CharT> converted;
  AppendConverted(converted, other.GetString(), static_cast<std::size_t>(other.GetLength()));
  text_.swap(converted);
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::operator=(XCHAR ch) {
  text_.assign(1, ch);
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::operator=(YCHAR ch) {
  text_.clear();
  AppendConverted(text_, &ch, 1);
  return *this;
}

template <typename CharT>
void CStringT<CharT>::SetAt(int index, XCHAR ch) {
  if (index >= 0 && index < GetLength()) text_[static_cast<std::size_t>(index)] = ch;
}

template <typename CharT>
void CStringT<CharT>::FreeExtra() {
  text_.shrink_to_fit();
}

template <typename CharT>
void CStringT<CharT>::Preallocate(int length) {
  if (length > 0) text_.reserve(static_cast<std::size_t>(length));
}

template <typename CharT>
void CStringT<CharT>::SetString(PCXSTR text) {
  if (text == nullptr) {
    text_.clear();
  } else {
    text_.assign(text);  // safe when `text` points into this string
  }
}

template <typename CharT>
void CStringT<CharT>::SetString(PCXSTR text, int length) {
  if (text == nullptr || length <= 0) {
    text_.clear();
  } else {
    text_.assign(text, static_cast<std::size_t>(length));
  }
}

template <typename CharT>
void CStringT<CharT>::Append(PCXSTR text) {
  if (text != nullptr) text_.append(text);
}

template <typename CharT>
void CStringT<CharT>::Append(PCXSTR text, int length) {
  if (text != nullptr && length > 0) text_.append(text, static_cast<std::size_t>(length));
}

template <typename CharT>
void CStringT<CharT>::Append(const CStringT& other) {
  text_.append(other.text_);
}

template <typename CharT>
void CStringT<CharT>::AppendChar(XCHAR ch) {
  text_.push_back(ch);
}

template <typename CharT>
void CStringT<CharT>::FormatV(PCXSTR format, va_list args) {
  // Formatted into a new text first: an argument may point into this string.
  std::basic_string<CharT> result;
  AppendFormatted(result, format, args);
  text_.swap(result);
}

template <typename CharT>
void CStringT<CharT>::AppendFormatV(PCXSTR format, va_list args) {
  std::basic_string<CharT> result;
  if (AppendFormatted(result, format, args) > 0) text_.append(result);
}

template <typename CharT>
void CStringT<CharT>::FormatArgs(PCXSTR format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

template <typename CharT>
void CStringT<CharT>::AppendFormatArgs(PCXSTR format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(format, args);
  va_end(args);
}

namespace {

// The trimming engine: removes from the front and/or back every character `strip` accepts.
template <typename CharT, typename Strip>
void TrimText(std::basic_string<CharT>& text, bool left, bool right, Strip strip) {
  std::size_t end = text.size();
  if (right) {
    while (end > 0 && strip(text[end - 1])) --end;
  }
  std::size_t begin = 0;
  if (left) {
    while (begin < end && strip(text[begin])) ++begin;
  }
  text.erase(end);
  text.erase(0, begin);
}

}  // namespace

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::Trim() {
  TrimText(text_, true, true, [](CharT c) { return IsAsciiSpace(c); });
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::Trim(XCHAR target) {
  TrimText(text_, true, true, [target](CharT c) { return c == target; });
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::Trim(PCXSTR targets) {
  if (targets == nullptr || *targets == CharT(0)) return *this;
  const std::basic_string<CharT> set(targets);  // `targets` may point into this string
  TrimText(text_, true, true, [&set](CharT c) { return InSet(c, set.c_str()); });
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::TrimLeft() {
  TrimText(text_, true, false, [](CharT c) { return IsAsciiSpace(c); });
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::TrimLeft(XCHAR target) {
  TrimText(text_, true, false, [target](CharT c) { return c == target; });
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::TrimLeft(PCXSTR targets) {
  if (targets == nullptr || *targets == CharT(0)) return *this;
  const std::basic_string<CharT> set(targets);
  TrimText(text_, true, false, [&set](CharT c) { return InSet(c, set.c_str()); });
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::TrimRight() {
  TrimText(text_, false, true, [](CharT c) { return IsAsciiSpace(c); });
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::TrimRight(XCHAR target) {
  TrimText(text_, false, true, [target](CharT c) { return c == target; });
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::TrimRight(PCXSTR targets) {
  if (targets == nullptr || *targets == CharT(0)) return *this;
  const std::basic_string<CharT> set(targets);
  TrimText(text_, false, true, [&set](CharT c) { return InSet(c, set.c_str()); });
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::MakeUpper() {
  for (CharT& c : text_) c = AsciiToUpper(c);
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::MakeLower() {
  for (CharT& c : text_) c = AsciiToLower(c);
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::MakeReverse() {
  std::reverse(text_.begin(), text_.end());
  return *this;
}

template <typename CharT>
int CStringT<CharT>::Compare(PCXSTR text) const {
  return Order(data_view(), View(text));
}

template <typename CharT>
int CStringT<CharT>::CompareNoCase(PCXSTR text) const {
  const TextView other = View(text);
  const std::size_t n = std::min(text_.size(), other.size);
  for (std::size_t i = 0; i < n; ++i) {
    const Unit a = static_cast<Unit>(AsciiToLower(text_[i]));
    const Unit b = static_cast<Unit>(AsciiToLower(other.data[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return text_.size() < other.size ? -1 : text_.size() > other.size ? 1 : 0;
}

template <typename CharT>
int CStringT<CharT>::Find(XCHAR ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  const std::size_t at = text_.find(ch, static_cast<std::size_t>(start));
  return at == std::basic_string<CharT>::npos ? -1 : static_cast<int>(at);
}

template <typename CharT>
int CStringT<CharT>::Find(PCXSTR sub, int start) const {
  if (sub == nullptr || start < 0 || start > GetLength()) return -1;
  const std::size_t at = text_.find(sub, static_cast<std::size_t>(start));
  return at == std::basic_string<CharT>::npos ? -1 : static_cast<int>(at);
}

template <typename CharT>
int CStringT<CharT>::ReverseFind(XCHAR ch) const {
  const std::size_t at = text_.rfind(ch);
  return at == std::basic_string<CharT>::npos ? -1 : static_cast<int>(at);
}

template <typename CharT>
int CStringT<CharT>::FindOneOf(PCXSTR char_set) const {
  if (char_set == nullptr) return -1;
  const std::size_t at = text_.find_first_of(char_set);
  return at == std::basic_string<CharT>::npos ? -1 : static_cast<int>(at);
}

template <typename CharT>
int CStringT<CharT>::Replace(XCHAR old_ch, XCHAR new_ch) {
  if (old_ch == new_ch) return 0;
  int count = 0;
  for (CharT& c : text_) {
    if (c == old_ch) {
      c = new_ch;
      ++count;
    }
  }
  return count;
}

template <typename CharT>
int CStringT<CharT>::Replace(PCXSTR old_text, PCXSTR new_text) {
  const std::size_t old_length = Length(old_text);
  if (old_length == 0) return 0;
  const std::size_t new_length = Length(new_text);
  std::size_t at = text_.find(old_text, 0, old_length);
  if (at == std::basic_string<CharT>::npos) return 0;
  // Built as a new text: `old_text` and `new_text` may point into this string.
  std::basic_string<CharT> result;
  result.reserve(text_.size() + (new_length > old_length ? 4 * (new_length - old_length) : 0));
  std::size_t from = 0;
  int count = 0;
  while (at != std::basic_string<CharT>::npos) {
    result.append(text_, from, at - from);
    if (new_length > 0) result.append(new_text, new_length);
    from = at + old_length;
    ++count;
    at = text_.find(old_text, from, old_length);
  }
  result.append(text_, from, std::basic_string<CharT>::npos);
  text_.swap(result);
  return count;
}

template <typename CharT>
int CStringT<CharT>::Remove(XCHAR ch) {
  const auto end = std::remove(text_.begin(), text_.end(), ch);
  const int count = static_cast<int>(text_.end() - end);
  text_.erase(end, text_.end());
  return count;
}

template <typename CharT>
int CStringT<CharT>::Insert(int index, XCHAR ch) {
  const std::size_t at = static_cast<std::size_t>(std::clamp(index, 0, GetLength()));
  text_.insert(at, 1, ch);
  return GetLength();
}

template <typename CharT>
int CStringT<CharT>::Insert(int index, PCXSTR text) {
  if (text == nullptr) return GetLength();
  const std::size_t at = static_cast<std::size_t>(std::clamp(index, 0, GetLength()));
  text_.insert(at, text);
  return GetLength();
}

template <typename CharT>
int CStringT<CharT>::Delete(int index, int count) {
  if (index < 0) index = 0;
  if (count < 0) count = 0;
  const std::int64_t length = GetLength();
  std::int64_t n = count;
  if (n + index > length) n = length - index;
  if (n > 0) text_.erase(static_cast<std::size_t>(index), static_cast<std::size_t>(n));
  return GetLength();
}

template <typename CharT>
void CStringT<CharT>::Truncate(int length) {
  if (length >= 0 && length < GetLength()) text_.resize(static_cast<std::size_t>(length));
}

template <typename CharT>
CStringT<CharT> CStringT<CharT>::Left(int count) const {
  if (count < 0) count = 0;
  if (count >= GetLength()) return *this;
  return CStringT(text_.data(), count);
}

template <typename CharT>
CStringT<CharT> CStringT<CharT>::Mid(int first) const {
  return Mid(first, GetLength() - std::max(first, 0));
}

template <typename CharT>
CStringT<CharT> CStringT<CharT>::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  const std::int64_t length = GetLength();
  std::int64_t n = count;
  if (n + first > length) n = length - first;
  if (first > length || n <= 0) return CStringT();
  if (first == 0 && n == length) return *this;
  return CStringT(text_.data() + first, static_cast<int>(n));
}

template <typename CharT>
CStringT<CharT> CStringT<CharT>::Right(int count) const {
  if (count < 0) count = 0;
  const int length = GetLength();
  if (count >= length) return *this;
  return CStringT(text_.data() + (length - count), count);
}

template <typename CharT>
CStringT<CharT> CStringT<CharT>::SpanIncluding(PCXSTR char_set) const {
  if (char_set == nullptr) return CStringT();
  std::size_t n = text_.find_first_not_of(char_set);
  if (n == std::basic_string<CharT>::npos) n = text_.size();
  return CStringT(text_.data(), static_cast<int>(n));
}

template <typename CharT>
CStringT<CharT> CStringT<CharT>::SpanExcluding(PCXSTR char_set) const {
  if (char_set == nullptr) return *this;
  std::size_t n = text_.find_first_of(char_set);
  if (n == std::basic_string<CharT>::npos) n = text_.size();
  return CStringT(text_.data(), static_cast<int>(n));
}

template <typename CharT>
CStringT<CharT> CStringT<CharT>::Tokenize(PCXSTR tokens, int& start) const {
  const int length = GetLength();
  if (start >= 0 && start < length) {
    const std::size_t from = static_cast<std::size_t>(start);
    if (tokens == nullptr || *tokens == CharT(0)) {
      // No separators: the rest of the text is the last token.
      start = length;
      return CStringT(text_.data() + from, length - static_cast<int>(from));
    }
    const std::size_t begin = text_.find_first_not_of(tokens, from);
    if (begin != std::basic_string<CharT>::npos) {
      std::size_t end = text_.find_first_of(tokens, begin);
      if (end == std::basic_string<CharT>::npos) end = text_.size();
      start = static_cast<int>(end) + 1;
      return CStringT(text_.data() + begin, static_cast<int>(end - begin));
    }
  }
  start = -1;
  return CStringT();
}

template <typename CharT>
typename CStringT<CharT>::PXSTR CStringT<CharT>::GetBuffer() {
  return &text_[0];
}

template <typename CharT>
typename CStringT<CharT>::PXSTR CStringT<CharT>::GetBuffer(int min_length) {
  if (min_length > GetLength()) text_.resize(static_cast<std::size_t>(min_length));
  return &text_[0];
}

template <typename CharT>
typename CStringT<CharT>::PXSTR CStringT<CharT>::GetBufferSetLength(int length) {
  text_.resize(static_cast<std::size_t>(std::max(length, 0)));
  return &text_[0];
}

template <typename CharT>
void CStringT<CharT>::ReleaseBuffer(int new_length) {
  std::size_t length;
  if (new_length < 0) {
    length = Traits::length(text_.c_str());  // the buffer always ends in a terminator
    length = std::min(length, text_.size());
  } else {
    length = std::min(static_cast<std::size_t>(new_length), text_.size());
  }
  text_.resize(length);
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::operator+=(const CStringT& other) {
  text_.append(other.text_);
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::operator+=(PCXSTR text) {
  Append(text);
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::operator+=(PCYSTR text) {
  AppendConverted(text_, text, Length(text));
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::operator+=(XCHAR ch) {
  text_.push_back(ch);
  return *this;
}

template <typename CharT>
CStringT<CharT>& CStringT<CharT>::operator+=(YCHAR ch) {
  AppendConverted(text_, &ch, 1);
  return *this;
}

template class CStringT<wchar_t>;
template class CStringT<char>;
