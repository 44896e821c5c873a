// Incremental substring matching for files that are searched one unit at a time: the text is fed
// unit by unit and the matcher says when the pattern has just been completed. It uses the
// Knuth-Morris-Pratt failure table, so an occurrence that overlaps a partial match ("aab" in
// "aaab") is found without reading anything twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace zb {
namespace internal {

class StreamMatcher {
 public:
  // `pattern` holds the units to look for, already folded by the caller when the search ignores
  // case (the caller folds each fed unit the same way).
  explicit StreamMatcher(std::vector<std::uint32_t> pattern)
      : pattern_(std::move(pattern)), failure_(pattern_.size() + 1, 0) {
    // failure_[k]: length of the longest proper prefix of pattern_[0..k) that is also its suffix.
    std::size_t k = 0;
    for (std::size_t i = 1; i < pattern_.size(); ++i) {
      while (k > 0 && pattern_[i] != pattern_[k]) k = failure_[k];
      if (pattern_[i] == pattern_[k]) ++k;
      failure_[i + 1] = k;
    }
  }

  // Feeds the next unit; true when it completes an occurrence of the pattern.
  bool Feed(std::uint32_t unit) {
    if (pattern_.empty()) return true;
    while (matched_ > 0 && unit != pattern_[matched_]) matched_ = failure_[matched_];
    if (unit == pattern_[matched_]) ++matched_;
    if (matched_ == pattern_.size()) {
      matched_ = failure_[matched_];
      return true;
    }
    return false;
  }

 private:
  std::vector<std::uint32_t> pattern_;
  std::vector<std::size_t> failure_;
  std::size_t matched_ = 0;
};

}  // namespace internal
}  // namespace zb
