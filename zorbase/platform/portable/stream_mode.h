// The runtime's fopen mode strings ("rb", "w+", "a", "wx", "rbD", ...) as the access, disposition
// and flags of an open, for every backend's file streams.
#pragma once

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace internal {

// What a mode string asks for: CreateFileW's access, disposition and flags, and the stream's
// own behaviour (append, text translation).
struct StreamMode {
  DWORD access = 0;
  DWORD disposition = 0;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  bool append = false;
  bool text = true;
  bool read = false;
  bool write = false;
};

// Reads `mode`; false for a string the Windows runtime refuses (also ",ccs=": wide-character
// encodings are not offered).
bool ParseMode(const wchar_t* mode, StreamMode* out);

}  // namespace internal
}  // namespace platform
}  // namespace zb
