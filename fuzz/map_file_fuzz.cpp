// Fuzz target for the directory map-file reader: arbitrary bytes as a ".map" file beside the
// folders "a", "b" and "map1a" must never crash MDirectoryWithMap::Read. A map that reads must
// write and read back to the same entries when its names are plain ASCII (other characters pass
// through the ANSI code page and may change).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/files/MDirectoryWithMap.h>
#include <zorbase/platform/path_mapping.h>

namespace {

struct Folder {
  std::string native;
  std::wstring windows;
};

const Folder& TheFolder() {
  static const Folder* folder = [] {
    auto* f = new Folder();
    char pattern[] = "/tmp/zorbase-map-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    f->native = pattern;
    for (const char* sub : {"/a", "/b", "/map1a"}) mkdir((f->native + sub).c_str(), 0700);
    f->windows = zb::platform::NativeToWindowsPath(f->native);
    std::atexit([] {
      const std::string command = "rm -rf '" + TheFolder().native + "'";
      if (std::system(command.c_str()) != 0) std::perror("map_file_fuzz: cleanup");
    });
    return f;
  }();
  return *folder;
}

bool PlainAscii(const CString& text) {
  for (int i = 0; i < text.GetLength(); ++i) {
    if (text[i] < 0x20 || text[i] > 0x7E) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Folder& folder = TheFolder();
  FILE* out = std::fopen((folder.native + "/.map").c_str(), "wb");
  if (out == nullptr) std::abort();
  if (size > 0) std::fwrite(data, 1, size, out);
  std::fclose(out);

  MDirectoryWithMap map;
  if (map.Read(folder.windows.c_str(), 0x0005) != 0) {
    if (map.GetCount() != 0) std::abort();  // a failed read leaves nothing behind
    return 0;
  }
  bool plain = true;
  for (long long i = 0; i < map.GetCount(); ++i) {
    CString shown;
    map.GetMappedName(shown, static_cast<unsigned int>(i));
    plain = plain && PlainAscii(shown);
  }
  if (map.WriteMapFile(folder.windows.c_str(), L".map") != 0) std::abort();
  MDirectoryWithMap again;
  const DWORD reread = again.Read(folder.windows.c_str(), 0x0005);
  if (plain && (reread != 0 || again.GetCount() != map.GetCount())) std::abort();
  if (plain) {
    for (long long i = 0; i < map.GetCount(); ++i) {
      CString first, second;
      map.GetMappedName(first, static_cast<unsigned int>(i));
      again.GetMappedName(second, static_cast<unsigned int>(i));
      if (first.Compare(second.GetString()) != 0) std::abort();
    }
  }
  return 0;
}
