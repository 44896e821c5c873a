// MString formatting through the platform's Windows-runtime formatter.
#include <zorbase/strings/MString.h>

#include <cwchar>
#include <memory>

#include <zorbase/platform/format.h>

namespace {

// Texts up to this length are formatted on the stack before they are copied into a reused buffer.
constexpr std::size_t kStackFormat = 256;

}  // namespace

void MString::VFORMAT(const wchar_t* format, va_list args) {
  const int counted = format ? zb::platform::CountFormatW(format, args) : -1;
  if (counted < 0) {
    // No format, or one the formatter rejects: the text becomes empty.
    if (!_IS_REUSE_MODE()) {
      FREE();
    } else if (m_text) {
      m_text[0] = 0;
      m_length = 0;
    }
    return;
  }
  const std::uint64_t n = static_cast<std::uint64_t>(counted);
  if (!_IS_REUSE_MODE() || !m_text || m_size < n + 1) {
    // A new buffer: the arguments may still point into the old one, which lives until the end.
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[n + 1]);
    int written = zb::platform::FormatW(buffer.get(), n + 1, format, args);
    _ADOPT(buffer.release(), written < 0 ? 0 : static_cast<std::uint64_t>(written), n + 1);
    m_text[m_length] = 0;
    return;
  }
  // Reused buffer: format aside first, since an argument may be this very text.
  wchar_t stack[kStackFormat];
  std::unique_ptr<wchar_t[]> heap;
  wchar_t* scratch = stack;
  if (n + 1 > kStackFormat) {
    heap.reset(new wchar_t[n + 1]);
    scratch = heap.get();
  }
  int written = zb::platform::FormatW(scratch, n + 1, format, args);
  m_length = written < 0 ? 0 : static_cast<std::uint64_t>(written);
  std::wmemcpy(m_text, scratch, m_length);
  m_text[m_length] = 0;
}

void MString::FORMAT(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  VFORMAT(format, args);
  va_end(args);
}

void MString::APPEND(const wchar_t* format, ...) {
  if (!format) return;
  MString formatted;
  va_list args;
  va_start(args, format);
  formatted.VFORMAT(format, args);
  va_end(args);
  *this += formatted;
}
