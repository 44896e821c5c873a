// Text services against their peers in the same run: MIniFile::ReadFromFile of a 5 MB 8-bit file
// (10,000 sections x 50 keys) against inih storing the same into std::maps (goal: at most 2x its
// time); String<char> conversion of 64 MiB of text to code page 1252 against iconv (goal: at least
// its speed); and 1,000 GetPrivateProfileStringW reads of one file (reported as time per read,
// beside MIniFile reading the same file once).
#include <benchmark/benchmark.h>

#include <iconv.h>
#include <ini.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/profile.h>
#include <zorbase/settings/MIniFile.h>
#include <zorbase/strings/CharacterSetConversions.h>

#include "bench_support.h"

namespace {

constexpr int kSections = 10000;
constexpr int kKeys = 50;
constexpr std::size_t kConvertChars = 64u << 20;

std::string Scratch() { return zb::bench::ScratchDir("text"); }

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// The large file: "[Section00042]" then "K07=v0042x07" lines, CR LF, about 5 MB.
const std::string& LargeIni() {
  static const std::string path = [] {
    std::string text;
    text.reserve(6u << 20);
    char line[64];
    for (int s = 0; s < kSections; ++s) {
      std::snprintf(line, sizeof line, "[Section%05d]\r\n", s);
      text += line;
      for (int k = 0; k < kKeys; ++k) {
        std::snprintf(line, sizeof line, "K%02d=v%d\r\n", k, s * kKeys + k);
        text += line;
      }
    }
    const std::string file = Scratch() + "/large.ini";
    WriteFile(file, text);
    return file;
  }();
  return path;
}

void BM_MIniFileRead(benchmark::State& state) {
  const std::wstring name = zb::platform::NativeToWindowsPath(LargeIni());
  for (auto _ : state) {
    MIniFile ini;
    if (ini.ReadFromFile(name.c_str(), 0) != 0 || ini.GetSectionsCount() != kSections) {
      state.SkipWithError("read failed");
      break;
    }
    benchmark::DoNotOptimize(ini.GetSectionsCount());
  }
}

using Maps = std::map<std::string, std::map<std::string, std::string>>;

int StoreInMaps(void* user, const char* section, const char* name, const char* value) {
  (*static_cast<Maps*>(user))[section][name] = value;
  return 1;
}

void BM_InihRead(benchmark::State& state) {
  const std::string& path = LargeIni();
  for (auto _ : state) {
    Maps maps;
    if (ini_parse(path.c_str(), StoreInMaps, &maps) != 0 || maps.size() != kSections) {
      state.SkipWithError("inih failed");
      break;
    }
    benchmark::DoNotOptimize(maps.size());
  }
}

// 64 Mi characters of text within code page 1252 (ASCII with Latin-1 letters and a few of the
// page's 0x80-0x9F characters).
const std::wstring& WideText() {
  static const std::wstring text = [] {
    const std::wstring pattern = L"Stra\u00dfe und Caf\u00e9 \u2013 \u20ac 12,50; na\u00efve \u00c5ngstr\u00f6m. ";
    std::wstring out;
    out.reserve(kConvertChars);
    while (out.size() + pattern.size() <= kConvertChars) out += pattern;
    out.append(pattern, 0, kConvertChars - out.size());
    return out;
  }();
  return text;
}

void BM_StringCharConvert(benchmark::State& state) {
  const std::wstring& text = WideText();
  for (auto _ : state) {
    CharacterSetConversions::String<char> narrow(text);
    if (narrow.c_str() == nullptr) {
      state.SkipWithError("conversion failed");
      break;
    }
    benchmark::DoNotOptimize(narrow.c_str()[kConvertChars - 1]);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kConvertChars);
}

void BM_IconvConvert(benchmark::State& state) {
  const std::wstring& text = WideText();
  iconv_t cd = iconv_open("CP1252", "WCHAR_T");
  for (auto _ : state) {
    // A new buffer for each conversion, as the holder allocates its own.
    std::unique_ptr<char[]> out(new char[kConvertChars + 1]);
    char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text.c_str()));
    std::size_t in_left = (text.size() + 1) * sizeof(wchar_t);
    char* dst = out.get();
    std::size_t out_left = kConvertChars + 1;
    if (iconv(cd, &in, &in_left, &dst, &out_left) == static_cast<std::size_t>(-1)) {
      state.SkipWithError("iconv failed");
      break;
    }
    benchmark::DoNotOptimize(out[kConvertChars - 1]);
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kConvertChars);
}

// A settings file of 50 sections x 20 keys; 1,000 reads of keys spread over it.
const std::wstring& ProfileFile() {
  static const std::wstring name = [] {
    std::string text;
    char line[64];
    for (int s = 0; s < 50; ++s) {
      std::snprintf(line, sizeof line, "[Section%d]\r\n", s);
      text += line;
      for (int k = 0; k < 20; ++k) {
        std::snprintf(line, sizeof line, "Key%d = value %d\r\n", k, s * 20 + k);
        text += line;
      }
    }
    const std::string file = Scratch() + "/settings.ini";
    WriteFile(file, text);
    return zb::platform::NativeToWindowsPath(file);
  }();
  return name;
}

void BM_GetPrivateProfileString1000(benchmark::State& state) {
  const std::wstring& file = ProfileFile();
  wchar_t buffer[256];
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      const std::wstring section = L"Section" + std::to_wstring(i % 50);
      const std::wstring key = L"Key" + std::to_wstring(i % 20);
      GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer, 256, file.c_str());
    }
    benchmark::DoNotOptimize(buffer[0]);
  }
}

void BM_MIniFileReadSmall(benchmark::State& state) {
  const std::wstring& file = ProfileFile();
  for (auto _ : state) {
    MIniFile ini;
    ini.ReadFromFile(file.c_str(), 0);
    benchmark::DoNotOptimize(ini.GetSectionsCount());
  }
}

BENCHMARK(BM_MIniFileRead)->Apply(zb::bench::Repeated);
BENCHMARK(BM_InihRead)->Apply(zb::bench::Repeated);
BENCHMARK(BM_StringCharConvert)->Apply(zb::bench::Repeated);
BENCHMARK(BM_IconvConvert)->Apply(zb::bench::Repeated);
BENCHMARK(BM_GetPrivateProfileString1000)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MIniFileReadSmall)->Apply(zb::bench::Repeated);

}  // namespace

int main(int argc, char** argv) {
  return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
    r.PrintTimeRatio("MIniFile::ReadFromFile, 5 MB, 10,000 sections x 50 keys, vs inih into std::map",
                     "BM_MIniFileRead", "BM_InihRead", "goal <= 2x");
    r.PrintSpeedRatio("String<char> of 64 Mi characters to code page 1252 vs iconv", "BM_StringCharConvert",
                      "BM_IconvConvert", "goal >= 1x");
    std::printf("1,000 GetPrivateProfileStringW reads of one 50 x 20 file: %.2f ms (%.1f us a read)\n",
                r.MedianWall("BM_GetPrivateProfileString1000"),
                r.MedianWall("BM_GetPrivateProfileString1000") * 1000.0 / 1000.0);
    r.PrintTimeRatio("  the same 1,000 reads vs one MIniFile read of that file", "BM_GetPrivateProfileString1000",
                     "BM_MIniFileReadSmall", "report");
  });
}
