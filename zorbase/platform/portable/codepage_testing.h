// Test helper: runs a scope with another ANSI code page (ZORBASE_ACP) and restores the old one.
#pragma once

#include <cstdlib>
#include <string>

#include "zorbase/platform/portable/codepage_internal.h"

namespace zb {
namespace platform {
namespace internal {

class ScopedAnsiCodePage {
 public:
  // `value` is what ZORBASE_ACP is set to; null unsets it.
  explicit ScopedAnsiCodePage(const char* value) {
    const char* old = std::getenv("ZORBASE_ACP");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    if (value != nullptr) {
      setenv("ZORBASE_ACP", value, 1);
    } else {
      unsetenv("ZORBASE_ACP");
    }
    ResetAnsiCodePageForTesting();
  }
  ~ScopedAnsiCodePage() {
    if (had_old_) {
      setenv("ZORBASE_ACP", old_.c_str(), 1);
    } else {
      unsetenv("ZORBASE_ACP");
    }
    ResetAnsiCodePageForTesting();
  }
  ScopedAnsiCodePage(const ScopedAnsiCodePage&) = delete;
  ScopedAnsiCodePage& operator=(const ScopedAnsiCodePage&) = delete;

 private:
  bool had_old_ = false;
  std::string old_;
};

}  // namespace internal
}  // namespace platform
}  // namespace zb
