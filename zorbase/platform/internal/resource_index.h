// The resources of one module as a flat list: type, name, language and the bytes of each. Two
// readers fill it (the standard .res format that the resource compiler writes, and the resource
// directory of a Windows PE file); the lookup rules of FindResourceW live here, once. Everything
// here is portable and works on bytes the caller owns.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace res {

// A resource type or name: a 16-bit id or a text. Texts compare without regard to ASCII case, as
// the resource compiler stores them in upper case and FindResourceW folds the caller's text.
struct ResourceKey {
  bool is_id = true;
  WORD id = 0;
  std::wstring text;

  static ResourceKey Id(WORD id);
  static ResourceKey Text(std::wstring text);
  // The key a Win32 caller passes: an integer resource (pointer value below 0x10000), a text
  // "#123" (the id 123), or a name. False for a null pointer or an empty name.
  static bool FromParameter(LPCWSTR parameter, ResourceKey* key);
  bool Matches(const ResourceKey& other) const;
};

// One resource. `data` points into the image the index was built from and stays valid as long
// as that image does.
struct ResourceEntry {
  ResourceKey type;
  ResourceKey name;
  WORD language = 0;
  const BYTE* data = nullptr;
  DWORD size = 0;
};

// Upper bound of entries one image may contribute, so that a crafted resource directory (shared
// subdirectories fan out multiplicatively) cannot make indexing take unbounded time or memory.
constexpr std::size_t kMaxResourceEntries = 1u << 16;

class ResourceIndex {
 public:
  std::vector<ResourceEntry>& entries() { return entries_; }
  const std::vector<ResourceEntry>& entries() const { return entries_; }

  // FindResourceW's choice: the entry of `type` and `name` in the neutral language, else US
  // English, else the first one listed. With `language` other than kAnyLanguage, that language
  // exactly, else the same primary language, else the neutral one. Null with `*error` set to the
  // Windows code (1812 no resources at all, 1813 type, 1814 name, 1815 language not found).
  static constexpr int kAnyLanguage = -1;
  const ResourceEntry* Find(const ResourceKey& type, const ResourceKey& name, int language,
                            DWORD* error) const;

 private:
  std::vector<ResourceEntry> entries_;
};

}  // namespace res
}  // namespace platform
}  // namespace zb
