// MFormatString: an MString built from a printf-style format and its arguments.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/strings/MString.h>

// An MString (mode 1) holding the formatted text (the platform formatter, Windows rules: %s is
// wide). A null format gives an empty string without buffer. Copies follow MString's rules; a
// move takes the buffer and leaves the source without buffer.
class ZORBASE_API MFormatString : public MString {
 public:
  explicit MFormatString(const wchar_t* format, ...);
  MFormatString(const MFormatString& other);
  MFormatString(MFormatString&& other) noexcept;
  MFormatString& operator=(const MFormatString& other);
  MFormatString& operator=(MFormatString&& other) noexcept;
  ~MFormatString();
};
