// Mode strings of the runtime's file streams.
#include "zorbase/platform/portable/stream_mode.h"

namespace zb {
namespace platform {
namespace internal {

bool ParseMode(const wchar_t* mode, StreamMode* out) {
  if (mode == nullptr) return false;
  while (*mode == L' ') ++mode;
  StreamMode m;
  switch (*mode) {
    case L'r': m.read = true; m.disposition = OPEN_EXISTING; break;
    case L'w': m.write = true; m.disposition = CREATE_ALWAYS; break;
    case L'a': m.write = true; m.append = true; m.disposition = OPEN_ALWAYS; break;
    default: return false;
  }
  bool plus = false, binary = false, text = false, exclusive = false;
  for (const wchar_t* p = mode + 1; *p != 0; ++p) {
    switch (*p) {
      case L'+': if (plus) return false; plus = true; break;
      case L'b': if (binary || text) return false; binary = true; break;
      case L't': if (binary || text) return false; text = true; break;
      case L'x': exclusive = true; break;
      case L'D': m.flags |= FILE_FLAG_DELETE_ON_CLOSE; break;
      case L'T': m.flags |= FILE_ATTRIBUTE_TEMPORARY; break;
      case L'S': m.flags |= FILE_FLAG_SEQUENTIAL_SCAN; break;
      case L'R': m.flags |= FILE_FLAG_RANDOM_ACCESS; break;
      case L'c': case L'n': case L'N': case L' ': break;
      default: return false;  // includes ",ccs=": wide-character encodings are not offered
    }
  }
  if (exclusive) {
    if (mode[0] != L'w') return false;
    m.disposition = CREATE_NEW;
  }
  if (plus) m.read = m.write = true;
  m.text = !binary;
  m.access = (m.read ? GENERIC_READ : 0) | (m.write ? GENERIC_WRITE : 0);
  *out = m;
  return true;
}

}  // namespace internal
}  // namespace platform
}  // namespace zb
