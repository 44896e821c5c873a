// Incremental substring matching for files that are searched one unit at a time (bytes or UTF-16
// units): the text is fed unit by unit and the matcher says when the pattern has just been
// completed. It uses the Knuth-Morris-Pratt failure table, so an occurrence that overlaps a partial
// match ("aab" in "aaab") is found without reading anything twice. Without case sensitivity both
// the pattern and the fed units are folded by the ASCII rules only (A-Z to a-z), whatever the
// process locale, as everywhere in the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include <zorbase/platform/internal/ascii.h>

namespace zb {
namespace internal {

class StreamMatcher {
 public:
  StreamMatcher(std::vector<std::uint32_t> pattern, bool case_sensitive)
      : pattern_(std::move(pattern)), failure_(pattern_.size() + 1, 0), fold_(!case_sensitive) {
    for (std::uint32_t& unit : pattern_) unit = Fold(unit);
    // failure_[k]: length of the longest proper prefix of pattern_[0..k) that is also its suffix.
    std::size_t k = 0;
    for (std::size_t i = 1; i < pattern_.size(); ++i) {
      while (k > 0 && pattern_[i] != pattern_[k]) k = failure_[k];
      if (pattern_[i] == pattern_[k]) ++k;
      failure_[i + 1] = k;
    }
  }

  bool empty() const { return pattern_.empty(); }

  // Feeds the next unit; true when it completes an occurrence of the pattern.
  bool Feed(std::uint32_t unit) {
    if (pattern_.empty()) return true;
    unit = Fold(unit);
    while (matched_ > 0 && unit != pattern_[matched_]) matched_ = failure_[matched_];
    if (unit == pattern_[matched_]) ++matched_;
    if (matched_ == pattern_.size()) {
      matched_ = failure_[matched_];
      return true;
    }
    return false;
  }

 private:
  std::uint32_t Fold(std::uint32_t unit) const {
    return fold_ ? static_cast<std::uint32_t>(AsciiToLower(static_cast<wchar_t>(unit))) : unit;
  }

  std::vector<std::uint32_t> pattern_;
  std::vector<std::size_t> failure_;
  bool fold_;
  std::size_t matched_ = 0;
};

}  // namespace internal
}  // namespace zb
