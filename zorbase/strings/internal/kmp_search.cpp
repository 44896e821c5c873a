// Knuth-Morris-Pratt search with a fast scan for the first pattern character.
#include <zorbase/strings/internal/kmp_search.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <limits>
#include <memory>

#include <zorbase/platform/internal/ascii.h>

namespace zb {
namespace internal {
namespace {

// Patterns up to this length keep their folded copy and failure table on the stack.
constexpr std::size_t kInlinePattern = 64;

// The first position in [from, end) whose character matches `first` (already folded), or kNotFound.
template <bool kFold>
std::size_t FindFirst(const wchar_t* text, std::size_t from, std::size_t end, wchar_t first) {
  if (from >= end) return kNotFound;
  if (!kFold || first < L'a' || first > L'z') {
    // Exact, or a character that folding leaves alone (A-Z never occur in a folded pattern).
    const wchar_t* hit = std::wmemchr(text + from, first, end - from);
    return hit ? static_cast<std::size_t>(hit - text) : kNotFound;
  }
  const wchar_t upper = AsciiToUpper(first);
  for (std::size_t i = from; i < end; ++i) {
    if (text[i] == first || text[i] == upper) return i;
  }
  return kNotFound;
}

template <bool kFold>
std::size_t Scan(const wchar_t* text, std::size_t n, const wchar_t* p, std::size_t m,
                 const std::uint32_t* table) {
  const std::size_t last_start = n - m;  // a match must start at or before this index
  std::size_t i = 0, j = 0;            // j characters of the pattern matched, ending at i - 1
  for (;;) {
    if (j == 0) {
      i = FindFirst<kFold>(text, i, last_start + 1, p[0]);
      if (i == kNotFound) return kNotFound;
      ++i;
      j = 1;
      if (m == 1) return i - 1;
      continue;
    }
    if (n - i < m - j) return kNotFound;  // no alignment left that could still complete
    const wchar_t c = kFold ? AsciiToLower(text[i]) : text[i];
    if (c == p[j]) {
      ++i;
      if (++j == m) return i - m;
    } else {
      j = table[j];
    }
  }
}

}  // namespace

std::size_t KmpSearch(const wchar_t* text, std::size_t n, const wchar_t* pattern, std::size_t m,
                      bool case_sensitive) {
  if (m == 0 || m > n) return kNotFound;
  if (m > std::numeric_limits<std::uint32_t>::max()) {
    // Beyond what a 32-bit failure table indexes: a plain search gives the same answer.
    auto same = [case_sensitive](wchar_t a, wchar_t b) {
      return case_sensitive ? a == b : AsciiToLower(a) == AsciiToLower(b);
    };
    const wchar_t* hit = std::search(text, text + n, pattern, pattern + m, same);
    return hit == text + n ? kNotFound : static_cast<std::size_t>(hit - text);
  }

  wchar_t folded_inline[kInlinePattern];
  std::uint32_t table_inline[kInlinePattern];
  std::unique_ptr<wchar_t[]> folded_heap;
  std::unique_ptr<std::uint32_t[]> table_heap;
  wchar_t* folded = folded_inline;
  std::uint32_t* table = table_inline;
  if (m > kInlinePattern) {
    table_heap.reset(new std::uint32_t[m]);
    table = table_heap.get();
    if (!case_sensitive) {
      folded_heap.reset(new wchar_t[m]);
      folded = folded_heap.get();
    }
  }
  const wchar_t* p = pattern;
  if (!case_sensitive) {
    for (std::size_t k = 0; k < m; ++k) folded[k] = AsciiToLower(pattern[k]);
    p = folded;
  }

  // table[k]: the longest proper border of p[0..k).
  table[0] = 0;
  if (m > 1) table[1] = 0;
  std::uint32_t border = 0;
  for (std::size_t k = 2; k < m; ++k) {
    while (border > 0 && p[k - 1] != p[border]) border = table[border];
    if (p[k - 1] == p[border]) ++border;
    table[k] = border;
  }

  return case_sensitive ? Scan<false>(text, n, p, m, table) : Scan<true>(text, n, p, m, table);
}

}  // namespace internal
}  // namespace zb
