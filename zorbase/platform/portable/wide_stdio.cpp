// Wide text on runtime streams in the ANSI code page; see wide_stdio.h.
#include <zorbase/platform/wide_stdio.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <string>

#include <zorbase/platform/codepage.h>

namespace zb {
namespace platform {

int PutWideText(const wchar_t* text, FILE* stream) {
  if (text == nullptr || stream == nullptr) {
    errno = EINVAL;
    return -1;
  }
  const std::string bytes = WideToMulti(std::wstring(text), CP_ACP);
  if (bytes.empty()) return 0;
  return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size() ? 0 : -1;
}

int PutWideChar(wchar_t c, FILE* stream) {
  const wchar_t text[2] = {c, 0};
  if (c == 0) {
    // The terminator itself is a character here: one zero byte.
    if (stream == nullptr || std::fputc(0, stream) == EOF) return -1;
    return 0;
  }
  return PutWideText(text, stream) == 0 ? static_cast<int>(c) : -1;
}

wchar_t* GetWideLine(wchar_t* buffer, int count, FILE* stream) {
  if (buffer == nullptr || count <= 0 || stream == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  const bool utf8 = GetACP() == CP_UTF8;
  int stored = 0;
  bool line_end = false;
  while (stored < count - 1 && !line_end) {
    const int first = std::fgetc(stream);
    if (first == EOF) break;
    std::string bytes(1, static_cast<char>(first));
    if (utf8 && first >= 0xC0) {
      // The rest of the character, so that it is never split between two calls.
      const int extra = first >= 0xF0 ? 3 : first >= 0xE0 ? 2 : 1;
      for (int k = 0; k < extra; ++k) {
        const int next = std::fgetc(stream);
        if (next == EOF) break;
        if ((next & 0xC0) != 0x80) {
          std::ungetc(next, stream);
          break;
        }
        bytes += static_cast<char>(next);
      }
    }
    for (wchar_t c : MultiToWide(bytes, CP_ACP)) {
      if (stored < count - 1) buffer[stored++] = c;
    }
    line_end = first == '\n';
  }
  if (stored == 0 && count > 1) return nullptr;  // end of file or a read error before any text
  buffer[stored] = 0;
  return buffer;
}

}  // namespace platform
}  // namespace zb
