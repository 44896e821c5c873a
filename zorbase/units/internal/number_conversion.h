// Conversions from double to the integer types of unit values, with a result for every double.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace zb {
namespace units_internal {

// trunc(value) as T. Floating types take the value as it is (float rounds to nearest). Integer
// types truncate toward zero and saturate at their limits; unsigned types go through a 64-bit
// intermediate so that values up to their maximum convert exactly, and negative values give 0.
// NaN gives T's minimum for signed types (the "integer indefinite" of the x86 conversion) and 0
// for unsigned ones.
template <class T>
T TruncateTo(double value) {
  if (std::is_floating_point<T>::value) return static_cast<T>(value);
  using Limits = std::numeric_limits<T>;
  if (std::isnan(value)) return std::is_signed<T>::value ? Limits::min() : T(0);
  if (std::is_signed<T>::value) {
    if (value <= static_cast<double>(Limits::min())) return Limits::min();
    if (value >= static_cast<double>(Limits::max())) return Limits::max();
    return static_cast<T>(static_cast<std::int64_t>(value));
  }
  if (value <= 0.0) return T(0);
  if (value >= static_cast<double>(Limits::max())) return Limits::max();
  return static_cast<T>(static_cast<std::uint64_t>(value));
}

}  // namespace units_internal
}  // namespace zb
