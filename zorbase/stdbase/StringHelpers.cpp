#include <zorbase/stdbase/StringHelpers.h>

#include <cstdarg>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/format.h>

std::wstring FormatString(std::wstring format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = zb::platform::VFormatW(format.c_str(), args);
  va_end(args);
  return text;
}

std::wstring ConvertAnsiToUnicode(const std::string& text) {
  return zb::platform::MultiToWide(text, CP_ACP);
}
