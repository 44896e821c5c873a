// Knuth-Morris-Pratt substring search over wide text, optionally with ASCII case folding. The
// string class searches with it; it is linear in the text and allocates only for long patterns.
#pragma once

#include <cstddef>

namespace zb {
namespace internal {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// The index of the leftmost occurrence of pattern[0..m) in text[0..n), or kNotFound (also for
// m == 0 or m > n). With case_sensitive false, A-Z are folded to a-z on both sides before
// comparing. The failure table (one 32-bit entry per pattern character, entry k the length of the
// longest proper prefix of the pattern's first k characters that is also their suffix) is built
// from the folded pattern, so that it agrees with the comparison. Runs of text that cannot start a
// match are skipped with a scan for the pattern's first character; the result is that of the plain
// KMP scan.
std::size_t KmpSearch(const wchar_t* text, std::size_t n, const wchar_t* pattern, std::size_t m,
                      bool case_sensitive);

}  // namespace internal
}  // namespace zb
