// The runtime's numeric conversions _wtoi, _wtol, _wtoi64 and _wtof with Windows widths, over the
// library's locale-independent readers (numeric.cpp). On Windows these are the runtime's own.
#include <zorbase/platform/numeric.h>

#include <climits>
#include <cstdint>

#include "zorbase/platform/portable/format_internal.h"

int _wtoi(const wchar_t* text) {
  return static_cast<int>(zb::platform::internal::ParseSaturating(text, INT_MIN, INT_MAX));
}

LONG _wtol(const wchar_t* text) {
  return static_cast<LONG>(zb::platform::internal::ParseSaturating(text, INT32_MIN, INT32_MAX));
}

__int64 _wtoi64(const wchar_t* text) {
  return zb::platform::internal::ParseSaturating(text, INT64_MIN, INT64_MAX);
}

double _wtof(const wchar_t* text) {
  if (text == nullptr) return 0.0;
  const wchar_t* p = zb::platform::internal::SkipSpace(text);
  std::size_t consumed = 0;
  double value = zb::platform::internal::ParseFloat(p, SIZE_MAX, &consumed, nullptr);
  return consumed == 0 ? 0.0 : value;
}
