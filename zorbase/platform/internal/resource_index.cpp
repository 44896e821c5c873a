#include <zorbase/platform/internal/resource_index.h>

#include <cstdint>

#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace res {

namespace {

constexpr WORD kLangNeutral = 0;
constexpr WORD kLangEnglishUs = 0x0409;

WORD PrimaryLanguage(WORD language) { return static_cast<WORD>(language & 0x3FF); }

}  // namespace

ResourceKey ResourceKey::Id(WORD id) {
  ResourceKey key;
  key.is_id = true;
  key.id = id;
  return key;
}

ResourceKey ResourceKey::Text(std::wstring text) {
  ResourceKey key;
  key.is_id = false;
  key.text = std::move(text);
  return key;
}

bool ResourceKey::FromParameter(LPCWSTR parameter, ResourceKey* key) {
  const auto value = reinterpret_cast<std::uintptr_t>(parameter);
  if (value == 0) return false;
  if ((value >> 16) == 0) {
    *key = Id(static_cast<WORD>(value));
    return true;
  }
  if (parameter[0] == 0) return false;
  if (parameter[0] == L'#') {
    // "#123" names the id 123 (decimal, as the resource functions read it).
    std::uint32_t id = 0;
    const wchar_t* p = parameter + 1;
    if (*p == 0) return false;
    for (; *p != 0; ++p) {
      if (*p < L'0' || *p > L'9') return false;
      id = id * 10 + static_cast<std::uint32_t>(*p - L'0');
      if (id > 0xFFFF) return false;
    }
    *key = Id(static_cast<WORD>(id));
    return true;
  }
  *key = Text(parameter);
  return true;
}

bool ResourceKey::Matches(const ResourceKey& other) const {
  if (is_id != other.is_id) return false;
  return is_id ? id == other.id : EqualNoCase(text, other.text);
}

const ResourceEntry* ResourceIndex::Find(const ResourceKey& type, const ResourceKey& name,
                                         int language, DWORD* error) const {
  if (entries_.empty()) {
    *error = ERROR_RESOURCE_DATA_NOT_FOUND;
    return nullptr;
  }
  bool type_seen = false;
  const ResourceEntry* first = nullptr;
  const ResourceEntry* neutral = nullptr;
  const ResourceEntry* english = nullptr;
  const ResourceEntry* exact = nullptr;
  const ResourceEntry* primary = nullptr;
  for (const ResourceEntry& entry : entries_) {
    if (!entry.type.Matches(type)) continue;
    type_seen = true;
    if (!entry.name.Matches(name)) continue;
    if (first == nullptr) first = &entry;
    if (neutral == nullptr && entry.language == kLangNeutral) neutral = &entry;
    if (english == nullptr && entry.language == kLangEnglishUs) english = &entry;
    if (language >= 0) {
      const WORD wanted = static_cast<WORD>(language);
      if (exact == nullptr && entry.language == wanted) exact = &entry;
      if (primary == nullptr && PrimaryLanguage(entry.language) == PrimaryLanguage(wanted)) {
        primary = &entry;
      }
    }
  }
  if (first == nullptr) {
    *error = type_seen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND;
    return nullptr;
  }
  if (language >= 0) {
    const ResourceEntry* found = exact ? exact : primary ? primary : neutral;
    if (found == nullptr) *error = ERROR_RESOURCE_LANG_NOT_FOUND;
    return found;
  }
  return neutral ? neutral : english ? english : first;
}

}  // namespace res
}  // namespace platform
}  // namespace zb
