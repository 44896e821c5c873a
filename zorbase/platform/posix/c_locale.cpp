// Numbers in the "C" locale on Linux: one locale object, made current per thread with uselocale.
#include <locale.h>
#include <stdlib.h>

#include "zorbase/platform/portable/format_internal.h"

namespace zb {
namespace platform {
namespace internal {
namespace {

locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

CLocaleScope::CLocaleScope() : previous_(uselocale(CLocale())) {}

CLocaleScope::~CLocaleScope() { uselocale(static_cast<locale_t>(previous_)); }

double StringToDoubleC(const char* text, char** end) { return strtod_l(text, end, CLocale()); }

long double StringToLongDoubleC(const char* text, char** end) {
  return strtold_l(text, end, CLocale());
}

}  // namespace internal
}  // namespace platform
}  // namespace zb
