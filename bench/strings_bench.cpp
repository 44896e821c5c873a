// MString against std::wstring and wcsstr, in the same run:
//  - building 1,000,000 characters by single-character appends: MString in reuse mode (reserved
//    once through RESERVE's mode argument, as a caller that builds a long text does) against
//    std::wstring with and without reserve;
//  - the same in exact-fit mode (mode 1, one exact reallocation per append: quadratic by design) on
//    a size that finishes quickly, against std::wstring without reserve;
//  - FIND, case-sensitive and case-insensitive, against wcsstr on 10,000,000 characters of text.
// After the runs the ratios (MString time / peer time, median and spread of the repetitions, wall
// and CPU) are printed.
#include "bench_support.h"

#include <cstdio>
#include <cwchar>
#include <random>
#include <string>

#include <zorbase/strings/MString.h>

namespace {

constexpr int kAppendChars = 1000000;
constexpr int kExactAppendChars = 100000;
constexpr std::size_t kSearchChars = 10000000;

wchar_t CharAt(int i) { return static_cast<wchar_t>(L'a' + i % 26); }

void BM_MStringAppendReuse(benchmark::State& state) {
  for (auto _ : state) {
    MString s;
    s.RESERVE(kAppendChars, false, 2);
    s.RELEASE(0);
    for (int i = 0; i < kAppendChars; ++i) s += CharAt(i);
    benchmark::DoNotOptimize(s.C_STR());
  }
  state.SetItemsProcessed(state.iterations() * kAppendChars);
}

void BM_WStringAppend(benchmark::State& state) {
  for (auto _ : state) {
    std::wstring s;
    for (int i = 0; i < kAppendChars; ++i) s += CharAt(i);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * kAppendChars);
}

void BM_WStringAppendReserved(benchmark::State& state) {
  for (auto _ : state) {
    std::wstring s;
    s.reserve(kAppendChars);
    for (int i = 0; i < kAppendChars; ++i) s += CharAt(i);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * kAppendChars);
}

void BM_MStringAppendExact(benchmark::State& state) {
  for (auto _ : state) {
    MString s;
    for (int i = 0; i < kExactAppendChars; ++i) s += CharAt(i);
    benchmark::DoNotOptimize(s.C_STR());
  }
  state.SetItemsProcessed(state.iterations() * kExactAppendChars);
}

void BM_WStringAppendSmall(benchmark::State& state) {
  for (auto _ : state) {
    std::wstring s;
    for (int i = 0; i < kExactAppendChars; ++i) s += CharAt(i);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * kExactAppendChars);
}

// Ten million characters of lower-case words; the pattern occurs once, at the very end (no word
// starts with "s", so "theorems" cannot occur by chance). Its first letters recur throughout, so
// the search really steps through partial matches.
struct SearchData {
  std::wstring text;
  std::wstring pattern = L"therein lies the thermal theorems";
  MString m_text;
  SearchData() {
    const wchar_t* const words[] = {L"the", L"then", L"there", L"therein", L"thermal", L"a",
                                    L"theory", L"lies", L"of", L"thorn", L"ether", L"theorem"};
    std::mt19937 random(12345);
    text.reserve(kSearchChars + 64);
    while (text.size() < kSearchChars - pattern.size() - 1) {
      text += words[random() % (sizeof words / sizeof *words)];
      text += L' ';
    }
    text += pattern;
    m_text = text.c_str();
  }
};

const SearchData& Search() {
  static const SearchData data;
  return data;
}

void BM_MStringFindCase(benchmark::State& state) {
  const SearchData& d = Search();
  for (auto _ : state) {
    benchmark::DoNotOptimize(d.m_text.FIND(d.pattern.c_str(), 65535, true));
  }
  state.SetBytesProcessed(state.iterations() * d.text.size() * sizeof(wchar_t));
}

void BM_MStringFindNoCase(benchmark::State& state) {
  const SearchData& d = Search();
  for (auto _ : state) {
    benchmark::DoNotOptimize(d.m_text.FIND(d.pattern.c_str(), 65535, false));
  }
  state.SetBytesProcessed(state.iterations() * d.text.size() * sizeof(wchar_t));
}

void BM_Wcsstr(benchmark::State& state) {
  const SearchData& d = Search();
  for (auto _ : state) benchmark::DoNotOptimize(std::wcsstr(d.text.c_str(), d.pattern.c_str()));
  state.SetBytesProcessed(state.iterations() * d.text.size() * sizeof(wchar_t));
}

BENCHMARK(BM_MStringAppendReuse)->Apply(zb::bench::Repeated);
BENCHMARK(BM_WStringAppend)->Apply(zb::bench::Repeated);
BENCHMARK(BM_WStringAppendReserved)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MStringAppendExact)->Apply(zb::bench::Repeated);
BENCHMARK(BM_WStringAppendSmall)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MStringFindCase)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MStringFindNoCase)->Apply(zb::bench::Repeated);
BENCHMARK(BM_Wcsstr)->Apply(zb::bench::Repeated);

}  // namespace

int main(int argc, char** argv) {
  // The search result must be the same as the peer's before its speed counts.
  const SearchData& d = Search();
  const wchar_t* hit = std::wcsstr(d.text.c_str(), d.pattern.c_str());
  const std::uint64_t expected = static_cast<std::uint64_t>(hit - d.text.c_str());
  if (d.m_text.FIND(d.pattern.c_str(), 65535, true) != expected ||
      d.m_text.FIND(d.pattern.c_str(), 65535, false) != expected) {
    std::fprintf(stderr, "FIND disagrees with wcsstr\n");
    return 1;
  }
  return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
    r.PrintTimeRatio("reuse-mode appends / std::wstring without reserve", "BM_MStringAppendReuse",
                     "BM_WStringAppend", "goal <= 2x");
    r.PrintTimeRatio("reuse-mode appends / std::wstring with reserve", "BM_MStringAppendReuse",
                     "BM_WStringAppendReserved", "no goal");
    r.PrintTimeRatio("exact-fit appends (100,000) / std::wstring without reserve",
                     "BM_MStringAppendExact", "BM_WStringAppendSmall", "quadratic by design");
    r.PrintTimeRatio("FIND case-sensitive / wcsstr", "BM_MStringFindCase", "BM_Wcsstr",
                     "goal <= 3x");
    r.PrintTimeRatio("FIND case-insensitive / wcsstr", "BM_MStringFindNoCase", "BM_Wcsstr",
                     "no goal");
  });
}
