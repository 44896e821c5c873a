// Numbers in the "C" locale on Windows. The runtime's formatting and reading functions the library
// uses (mingw-w64's C99 printf and strtod family) take the decimal point from the thread's locale;
// the scope switches the thread to its own locale and to "C" for numbers, and back.
#include <locale.h>
#include <stdlib.h>

#include <string>

#include "zorbase/platform/portable/format_internal.h"

namespace zb {
namespace platform {
namespace internal {
namespace {

// The state a scope restores: whether the thread had its own locale, and its numeric locale.
struct SavedLocale {
  int per_thread;
  std::string numeric;
};

}  // namespace

CLocaleScope::CLocaleScope() : previous_(nullptr) {
  const char* numeric = setlocale(LC_NUMERIC, nullptr);
  if (numeric != nullptr && numeric[0] == 'C' && numeric[1] == '\0') return;  // nothing to do
  int per_thread = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
  previous_ = new SavedLocale{per_thread, numeric != nullptr ? numeric : "C"};
  setlocale(LC_NUMERIC, "C");
}

CLocaleScope::~CLocaleScope() {
  if (previous_ == nullptr) return;
  SavedLocale* saved = static_cast<SavedLocale*>(previous_);
  setlocale(LC_NUMERIC, saved->numeric.c_str());
  _configthreadlocale(saved->per_thread);
  delete saved;
}

double StringToDoubleC(const char* text, char** end) {
  const CLocaleScope c_locale;
  return strtod(text, end);
}

long double StringToLongDoubleC(const char* text, char** end) {
  const CLocaleScope c_locale;
  return strtold(text, end);
}

}  // namespace internal
}  // namespace platform
}  // namespace zb
