// MString: buffer management, comparison, concatenation, search and editing.
#include <zorbase/strings/MString.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include <zorbase/platform/internal/ascii.h>
#include <zorbase/strings/internal/kmp_search.h>

namespace {

// The shared empty text that stands in for a null buffer.
const wchar_t kEmptyText[1] = {0};

// Allocates an array of n characters; throws std::bad_alloc (also for sizes that overflow).
wchar_t* AllocateChars(std::uint64_t n) {
  if (n > static_cast<std::uint64_t>(PTRDIFF_MAX) / sizeof(wchar_t)) throw std::bad_alloc();
  return new wchar_t[static_cast<std::size_t>(n)];
}

// Length of `text` up to its terminator; 0 for null.
std::uint64_t TextLength(const wchar_t* text) { return text ? std::wcslen(text) : 0; }

// wcscmp with code units compared as unsigned values.
int CompareOrdinal(const wchar_t* a, const wchar_t* b) {
  for (;; ++a, ++b) {
    std::uint32_t ca = static_cast<std::uint32_t>(*a), cb = static_cast<std::uint32_t>(*b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

}  // namespace

// ---- construction, assignment, buffer rules -------------------------------------------------------

void MString::_INIT() {
  m_text = nullptr;
  m_length = 0;
  m_size = 0;
  m_mode = 1;
}

MString::MString() { _INIT(); }

MString::MString(const wchar_t* text) {
  _INIT();
  _ALLOC_AND_COPY(text ? text : kEmptyText, TextLength(text));
}

MString::MString(const CString& text) {
  _INIT();
  _ALLOC_AND_COPY(text.GetString(), static_cast<std::uint64_t>(text.GetLength()));
}

MString::MString(const MString& other) {
  _INIT();
  _ALLOC_AND_COPY(other.C_STR(), other.m_text ? other.m_length : 0);
}

MString::~MString() { FREE(); }

void MString::FREE() {
  delete[] m_text;
  m_text = nullptr;
  m_length = 0;
  m_size = 0;
}

void MString::_ADOPT(wchar_t* buffer, std::uint64_t length, std::uint64_t capacity) {
  delete[] m_text;
  m_text = buffer;
  m_length = length;
  m_size = capacity;
}

void MString::_ALLOC_AND_COPY(const wchar_t* text, std::uint64_t n) {
  if (_IS_REUSE_MODE() && m_text && m_size >= n + 1) {
    std::wmemmove(m_text, text, n);  // `text` may overlap the buffer
    m_text[n] = 0;
    m_length = n;
    return;
  }
  wchar_t* buffer = AllocateChars(n + 1);
  std::wmemcpy(buffer, text, n);
  buffer[n] = 0;
  _ADOPT(buffer, n, n + 1);
}

void MString::_ALLOC(std::uint64_t n) {
  if (!(_IS_REUSE_MODE() && m_text && m_size >= n + 1)) {
    wchar_t* buffer = AllocateChars(n + 1);
    _ADOPT(buffer, 0, n + 1);
  }
  m_text[0] = 0;
  m_length = 0;
}

MString& MString::operator=(const wchar_t* text) {
  if (text && text == m_text) return *this;
  if (!text) {
    if (!_IS_REUSE_MODE()) {
      FREE();
    } else if (m_text) {
      m_text[0] = 0;
      m_length = 0;
    }
    return *this;
  }
  _ALLOC_AND_COPY(text, std::wcslen(text));
  return *this;
}

MString& MString::operator=(const MString& other) {
  if (&other == this) return *this;
  if (!other.m_text) return *this = static_cast<const wchar_t*>(nullptr);
  _ALLOC_AND_COPY(other.m_text, other.m_length);
  return *this;
}

MString& MString::operator=(const CString& text) {
  _ALLOC_AND_COPY(text.GetString(), static_cast<std::uint64_t>(text.GetLength()));
  return *this;
}

// ---- access ---------------------------------------------------------------------------------------

std::uint64_t MString::LEN() const { return m_length; }
std::uint64_t MString::SIZE() const { return m_size; }
const wchar_t* MString::C_STR() const { return m_text ? m_text : kEmptyText; }
wchar_t MString::operator[](std::uint64_t index) const { return C_STR()[index]; }
std::uint32_t MString::GET_MODE() const { return m_mode; }

void MString::SET_MODE(std::uint32_t mode) {
  if (mode != 0) m_mode = mode;
}

// ---- comparison -----------------------------------------------------------------------------------

bool MString::operator==(const MString& o) const { return CompareOrdinal(C_STR(), o.C_STR()) == 0; }
bool MString::operator!=(const MString& o) const { return CompareOrdinal(C_STR(), o.C_STR()) != 0; }
bool MString::operator<(const MString& o) const { return CompareOrdinal(C_STR(), o.C_STR()) < 0; }
bool MString::operator>(const MString& o) const { return CompareOrdinal(C_STR(), o.C_STR()) > 0; }
bool MString::operator<=(const MString& o) const { return CompareOrdinal(C_STR(), o.C_STR()) <= 0; }
bool MString::operator>=(const MString& o) const { return CompareOrdinal(C_STR(), o.C_STR()) >= 0; }

bool MString::operator==(const wchar_t* t) const {
  return CompareOrdinal(C_STR(), t ? t : kEmptyText) == 0;
}
bool MString::operator!=(const wchar_t* t) const {
  return CompareOrdinal(C_STR(), t ? t : kEmptyText) != 0;
}
bool MString::operator<(const wchar_t* t) const {
  return CompareOrdinal(C_STR(), t ? t : kEmptyText) < 0;
}
bool MString::operator>(const wchar_t* t) const {
  return CompareOrdinal(C_STR(), t ? t : kEmptyText) > 0;
}
bool MString::operator<=(const wchar_t* t) const {
  return CompareOrdinal(C_STR(), t ? t : kEmptyText) <= 0;
}
bool MString::operator>=(const wchar_t* t) const {
  return CompareOrdinal(C_STR(), t ? t : kEmptyText) >= 0;
}

// ---- concatenation --------------------------------------------------------------------------------

void MString::_APPEND(const wchar_t* text, std::uint64_t n) {
  const std::uint64_t needed = m_length + n + 1;
  if (_IS_REUSE_MODE() && m_text && m_size >= needed) {
    std::wmemmove(m_text + m_length, text, n);  // `text` may be part of this string
    m_length += n;
    m_text[m_length] = 0;
    return;
  }
  wchar_t* buffer = AllocateChars(needed);
  if (m_length) std::wmemcpy(buffer, m_text, m_length);
  std::wmemcpy(buffer + m_length, text, n);
  buffer[needed - 1] = 0;
  _ADOPT(buffer, needed - 1, needed);
}

MString& MString::operator+=(wchar_t c) {
  if (_IS_REUSE_MODE() && m_text && m_size >= m_length + 2) {  // the common case of a reuse loop
    m_text[m_length++] = c;
    m_text[m_length] = 0;
    return *this;
  }
  _APPEND(&c, 1);
  return *this;
}

MString& MString::operator+=(const wchar_t* text) {
  if (text) _APPEND(text, std::wcslen(text));
  return *this;
}

MString& MString::operator+=(const MString& other) {
  if (other.m_text) _APPEND(other.m_text, other.m_length);
  return *this;
}

MString operator+(const MString& left, const MString& right) {
  MString result(left);
  result += right;
  return result;
}

MString operator+(const MString& left, const wchar_t* right) {
  MString result(left);
  result += right;
  return result;
}

MString operator+(const wchar_t* left, const MString& right) {
  MString result(left);
  result += right;
  return result;
}

MString operator+(const MString& left, wchar_t right) {
  MString result(left);
  result += right;
  return result;
}

MString operator+(wchar_t left, const MString& right) {
  const wchar_t text[2] = {left, 0};
  MString result(text);
  if (left == 0) result += left;  // a lone NUL character is still one character
  result += right;
  return result;
}

// ---- search ---------------------------------------------------------------------------------------

std::uint64_t MString::FIND(wchar_t c) const {
  if (!m_text) return NPOS;
  const wchar_t* hit = std::wmemchr(m_text, c, m_length);
  return hit ? static_cast<std::uint64_t>(hit - m_text) : NPOS;
}

std::uint64_t MString::RFIND(wchar_t c) const {
  if (!m_text) return NPOS;
  for (std::uint64_t i = m_length; i-- > 0;) {
    if (m_text[i] == c) return i;
  }
  return NPOS;
}

std::uint64_t MString::FIND(const wchar_t* pattern, std::uint32_t count,
                            bool case_sensitive) const {
  if (!m_text || !pattern || count == 0) return NPOS;
  // 65535 means the whole pattern. A count longer than the text cannot match; a pattern that
  // ends before `count` characters ends at its terminator (it is never read beyond).
  if (count != 65535 && count > m_length) return NPOS;
  std::size_t limit = count == 65535 ? static_cast<std::size_t>(-1) : count;
  std::size_t m = wcsnlen(pattern, limit);
  if (m == 0 || m > m_length) return NPOS;
  std::size_t index = zb::internal::KmpSearch(m_text, m_length, pattern, m, case_sensitive);
  return index == zb::internal::kNotFound ? NPOS : index;
}

// ---- editing --------------------------------------------------------------------------------------

bool MString::REPLACE(const wchar_t* find, const wchar_t* with, bool case_sensitive) {
  if (!m_text || !find) return false;
  const std::size_t find_len = std::wcslen(find);
  // The occurrence is searched up to the terminator (as wcsstr does); the edit keeps the whole
  // stored length.
  const std::size_t text_len = std::wcslen(m_text);
  std::size_t at = 0;
  if (find_len > 0) {
    if (find_len > text_len) return false;
    at = zb::internal::KmpSearch(m_text, text_len, find, find_len, case_sensitive);
    if (at == zb::internal::kNotFound) return false;
  }
  // `with` may lie in this buffer: keep a copy while the buffer is rewritten.
  const std::size_t with_len = with ? std::wcslen(with) : 0;
  std::unique_ptr<wchar_t[]> with_copy;
  const std::uintptr_t with_at = reinterpret_cast<std::uintptr_t>(with);
  const std::uintptr_t buffer_at = reinterpret_cast<std::uintptr_t>(m_text);
  if (with_len && with_at >= buffer_at && with_at < buffer_at + m_size * sizeof(wchar_t)) {
    with_copy.reset(new wchar_t[with_len]);
    std::wmemcpy(with_copy.get(), with, with_len);
    with = with_copy.get();
  }
  const std::uint64_t tail = m_length - at - find_len;
  const std::uint64_t new_len = m_length - find_len + with_len;
  if (!_IS_REUSE_MODE() || m_size <= new_len) {
    wchar_t* buffer = AllocateChars(new_len + 1);
    std::wmemcpy(buffer, m_text, at);
    if (with_len) std::wmemcpy(buffer + at, with, with_len);
    std::wmemcpy(buffer + at + with_len, m_text + at + find_len, tail);
    buffer[new_len] = 0;
    _ADOPT(buffer, new_len, new_len + 1);
  } else {
    std::wmemmove(m_text + at + with_len, m_text + at + find_len, tail);
    if (with_len) std::wmemcpy(m_text + at, with, with_len);
    m_text[new_len] = 0;
    m_length = new_len;
  }
  return true;
}

void MString::CROP(std::uint64_t first, std::uint64_t last) {
  if (last < first) {
    FREE();
    return;
  }
  if (!m_text) return;
  std::uint64_t new_len = 0;
  if (first < m_length) {
    std::uint64_t end = last < m_length - 1 ? last : m_length - 1;
    new_len = end - first + 1;
  }
  if (new_len == m_length) return;
  if (_IS_REUSE_MODE() && m_size > new_len) {
    std::wmemmove(m_text, m_text + first, new_len);
    m_text[new_len] = 0;
    m_length = new_len;
    return;
  }
  wchar_t* buffer = AllocateChars(new_len + 1);
  if (new_len) std::wmemcpy(buffer, m_text + first, new_len);
  buffer[new_len] = 0;
  _ADOPT(buffer, new_len, new_len + 1);
}

MString MString::SUBSTRING(std::uint64_t first, std::uint64_t last) const {
  MString result(*this);
  result.CROP(first, last);
  return result;
}

void MString::TRUNCATE(std::uint64_t n) {
  if (m_text && n < m_length) {
    m_text[n] = 0;
    m_length = n;
  }
}

void MString::TOLOWER() {
  for (std::uint64_t i = 0; m_text && i < m_length; ++i) {
    m_text[i] = zb::internal::AsciiToLower(m_text[i]);
  }
}

void MString::TOUPPER() {
  for (std::uint64_t i = 0; m_text && i < m_length; ++i) {
    m_text[i] = zb::internal::AsciiToUpper(m_text[i]);
  }
}

void MString::TRIM_NOISE(bool leading, bool trailing, int (*is_noise)(int)) {
  if (!m_text || !is_noise) return;
  std::size_t len = std::wcslen(m_text);
  if (leading) {
    std::size_t skip = 0;
    while (skip < len && is_noise(static_cast<int>(m_text[skip])) != 0) ++skip;
    if (skip) {
      std::wmemmove(m_text, m_text + skip, len - skip + 1);  // the terminator moves too
      len -= skip;
    }
  }
  if (trailing) {
    while (len > 0 && is_noise(static_cast<int>(m_text[len - 1])) != 0) m_text[--len] = 0;
  }
  m_length = len;
}

// ---- raw buffer access ----------------------------------------------------------------------------

wchar_t* MString::RESERVE(std::uint32_t size, bool zero, std::uint32_t mode) {
  SET_MODE(mode);
  const std::uint64_t needed = static_cast<std::uint64_t>(size) + 1;
  if (!m_text || !_IS_REUSE_MODE() || m_size < needed) {
    wchar_t* buffer = AllocateChars(needed);
    std::uint64_t keep = m_length < size ? m_length : size;
    if (keep) std::wmemcpy(buffer, m_text, keep);
    buffer[keep] = 0;
    _ADOPT(buffer, keep, needed);
  }
  if (zero) std::wmemset(m_text, 0, m_size);
  return m_text;
}

void MString::RELEASE(std::uint32_t mode) {
  SET_MODE(mode);
  if (!m_text) return;
  m_text[m_size - 1] = 0;
  m_length = std::wcslen(m_text);
  if (!_IS_REUSE_MODE() && m_size != m_length + 1) {
    wchar_t* buffer = AllocateChars(m_length + 1);
    std::wmemcpy(buffer, m_text, m_length + 1);
    _ADOPT(buffer, m_length, m_length + 1);
  }
}

bool MString::DO_TEST() {
  MString empty;
  MString text(L"This is a string");
  MString part = text.SUBSTRING(5, 6);
  part += L' ';
  part += text;
  part += L"!";
  MString copy(part);
  copy = empty;
  copy = part;
  copy.TOUPPER();
  copy.TOLOWER();
  return true;
}
