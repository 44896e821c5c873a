// The integer percentage of a progress value, with a meaning for every double.
#pragma once

#include <climits>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace progress_internal {

// trunc(value) as a percentage in `percent`: values above 100 give 100 (a display never shows more
// than complete), values below LONG's range give its minimum. False for NaN.
inline bool TruncPercent(double value, LONG* percent) {
  if (value >= 100.0) {
    *percent = 100;
    return true;
  }
  if (value > static_cast<double>(INT32_MIN)) {
    *percent = static_cast<LONG>(value);
    return true;
  }
  if (value != value) return false;
  *percent = INT32_MIN;
  return true;
}

}  // namespace progress_internal
}  // namespace zb
