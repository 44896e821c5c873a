// MFormatString (MFormatString.h).
#include <zorbase/strings/MFormatString.h>

#include <cstdarg>
#include <utility>

MFormatString::MFormatString(const wchar_t* format, ...) {
  if (format == nullptr) return;
  va_list args;
  va_start(args, format);
  VFORMAT(format, args);
  va_end(args);
}

MFormatString::MFormatString(const MFormatString& other) : MString(other) {}

MFormatString::MFormatString(MFormatString&& other) noexcept : MString() {
  std::swap(m_text, other.m_text);
  std::swap(m_length, other.m_length);
  std::swap(m_size, other.m_size);
}

MFormatString& MFormatString::operator=(const MFormatString& other) {
  MString::operator=(other);
  return *this;
}

MFormatString& MFormatString::operator=(MFormatString&& other) noexcept {
  if (this != &other) {
    std::swap(m_text, other.m_text);
    std::swap(m_length, other.m_length);
    std::swap(m_size, other.m_size);
    other.FREE();
  }
  return *this;
}

MFormatString::~MFormatString() = default;
