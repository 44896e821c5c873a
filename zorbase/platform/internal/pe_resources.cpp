// Bounds-checked walk of a PE file's resource directory. The directory is three levels deep (type,
// name, language) and each level is a table of 8-byte entries; the leaves give the data as an RVA
// that the section table maps to a file offset. Every offset read from the file is checked against
// the resource section (directory offsets) or the file (data) before it is used, levels are fixed
// at three so shared or cyclic subdirectories cannot recurse without end, and the number of
// entries visited is capped.
#include <zorbase/platform/internal/resource_readers.h>

#include <cstring>
#include <vector>

namespace zb {
namespace platform {
namespace res {

namespace {

constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
// Directory entries visited over the whole walk, counting every level.
constexpr std::size_t kMaxVisits = 4 * kMaxResourceEntries;

struct Section {
  std::uint32_t virtual_address;
  std::uint32_t virtual_size;
  std::uint32_t raw_size;
  std::uint32_t raw_offset;
};

class PeWalker {
 public:
  PeWalker(ByteSpan file, ResourceIndex* index) : file_(file), index_(index) {}

  bool ReadHeaders(std::uint32_t* resource_rva, std::uint32_t* resource_size) {
    std::uint32_t pe_offset = 0;
    if (!LooksLikePe(file_) || !file_.U32(0x3C, &pe_offset)) return false;
    std::uint16_t section_count = 0, optional_size = 0, magic = 0;
    const std::uint64_t coff = static_cast<std::uint64_t>(pe_offset) + 4;
    if (!file_.U16(coff + 2, &section_count) || !file_.U16(coff + 16, &optional_size)) return false;
    const std::uint64_t optional = coff + 20;
    if (!file_.U16(optional, &magic)) return false;
    std::uint64_t directories = 0, count_offset = 0;
    if (magic == 0x10B) {
      count_offset = 92;
      directories = 96;
    } else if (magic == 0x20B) {
      count_offset = 108;
      directories = 112;
    } else {
      return false;
    }
    std::uint32_t directory_count = 0;
    *resource_rva = 0;
    *resource_size = 0;
    if (file_.U32(optional + count_offset, &directory_count) &&
        directory_count > kResourceDirectoryIndex &&
        directories + 8 * (kResourceDirectoryIndex + 1) <= optional_size) {
      const std::uint64_t entry = optional + directories + 8 * kResourceDirectoryIndex;
      if (!file_.U32(entry, resource_rva) || !file_.U32(entry + 4, resource_size)) {
        *resource_rva = 0;
      }
    }
    const std::uint64_t table = optional + optional_size;
    for (std::uint16_t i = 0; i < section_count; ++i) {
      const std::uint64_t at = table + 40ull * i;
      Section s{};
      if (!file_.U32(at + 8, &s.virtual_size) || !file_.U32(at + 12, &s.virtual_address) ||
          !file_.U32(at + 16, &s.raw_size) || !file_.U32(at + 20, &s.raw_offset)) {
        break;  // a truncated section table: the sections read so far still count
      }
      sections_.push_back(s);
    }
    return true;
  }

  // The bytes of the file that the RVA range [rva, rva + size) occupies; an empty span unless
  // one section holds all of it and the file holds that part of the section.
  ByteSpan Map(std::uint32_t rva, std::uint64_t size) const {
    for (const Section& s : sections_) {
      if (rva < s.virtual_address) continue;
      const std::uint64_t delta = static_cast<std::uint64_t>(rva) - s.virtual_address;
      const std::uint64_t extent =
          s.virtual_size != 0 && s.virtual_size < s.raw_size ? s.virtual_size : s.raw_size;
      if (delta >= extent || size > extent - delta) continue;
      const std::uint64_t offset = static_cast<std::uint64_t>(s.raw_offset) + delta;
      if (!file_.Has(offset, size)) return ByteSpan();
      return file_.Sub(offset, size);
    }
    return ByteSpan();
  }

  void Walk(std::uint32_t resource_rva) {
    // The directory may extend to the end of its section; find how much of it the file holds.
    for (const Section& s : sections_) {
      if (resource_rva < s.virtual_address) continue;
      const std::uint64_t delta = static_cast<std::uint64_t>(resource_rva) - s.virtual_address;
      if (delta >= s.raw_size) continue;
      const std::uint64_t offset = static_cast<std::uint64_t>(s.raw_offset) + delta;
      if (offset >= file_.size()) return;
      std::uint64_t available = s.raw_size - delta;
      if (available > file_.size() - offset) available = file_.size() - offset;
      directory_ = file_.Sub(offset, available);
      break;
    }
    if (directory_.data() == nullptr) return;
    ResourceEntry entry;
    WalkLevel(0, 0, &entry);
  }

 private:
  bool ReadName(std::uint32_t field, ResourceKey* key) const {
    if ((field & kSubdirectoryBit) == 0) {
      *key = ResourceKey::Id(static_cast<WORD>(field & 0xFFFF));
      return (field >> 16) == 0;
    }
    const std::uint64_t at = field & ~kSubdirectoryBit;
    std::uint16_t length = 0;
    if (!directory_.U16(at, &length) || !directory_.Has(at + 2, 2ull * length)) return false;
    std::wstring text(length, L'\0');
    for (std::uint16_t i = 0; i < length; ++i) {
      std::uint16_t unit = 0;
      directory_.U16(at + 2 + 2ull * i, &unit);
      text[i] = static_cast<wchar_t>(unit);
    }
    *key = ResourceKey::Text(std::move(text));
    return true;
  }

  void WalkLevel(int level, std::uint64_t table, ResourceEntry* entry) {
    std::uint16_t named = 0, ids = 0;
    if (!directory_.U16(table + 12, &named) || !directory_.U16(table + 14, &ids)) return;
    const std::uint32_t count = static_cast<std::uint32_t>(named) + ids;
    for (std::uint32_t i = 0; i < count; ++i) {
      if (++visits_ > kMaxVisits || index_->entries().size() >= kMaxResourceEntries) return;
      const std::uint64_t at = table + 16 + 8ull * i;
      std::uint32_t name_field = 0, target = 0;
      if (!directory_.U32(at, &name_field) || !directory_.U32(at + 4, &target)) return;
      const bool is_directory = (target & kSubdirectoryBit) != 0;
      const std::uint64_t offset = target & ~kSubdirectoryBit;
      if (level < 2) {
        ResourceKey key;
        if (!is_directory || !ReadName(name_field, &key)) continue;
        (level == 0 ? entry->type : entry->name) = std::move(key);
        WalkLevel(level + 1, offset, entry);
        continue;
      }
      // Language level: the entry points at a 16-byte data entry (RVA, size, code page, reserved).
      std::uint32_t data_rva = 0, data_size = 0;
      if (is_directory || (name_field & kSubdirectoryBit) != 0 || (name_field >> 16) != 0 ||
          !directory_.U32(offset, &data_rva) || !directory_.U32(offset + 4, &data_size)) {
        continue;
      }
      const ByteSpan data = Map(data_rva, data_size);
      if (data.data() == nullptr) continue;
      ResourceEntry found = *entry;
      found.language = static_cast<WORD>(name_field);
      found.data = data.data();
      found.size = data_size;
      index_->entries().push_back(std::move(found));
    }
  }

  ByteSpan file_;
  ResourceIndex* index_;
  std::vector<Section> sections_;
  ByteSpan directory_;
  std::size_t visits_ = 0;
};

}  // namespace

bool LooksLikePe(ByteSpan bytes) {
  std::uint32_t pe_offset = 0;
  if (!bytes.Has(0, 64) || bytes.data()[0] != 'M' || bytes.data()[1] != 'Z' ||
      !bytes.U32(0x3C, &pe_offset) || !bytes.Has(pe_offset, 24)) {
    return false;
  }
  return std::memcmp(bytes.data() + pe_offset, "PE\0\0", 4) == 0;
}

bool ReadPeResources(ByteSpan bytes, ResourceIndex* index) {
  PeWalker walker(bytes, index);
  std::uint32_t rva = 0, size = 0;
  if (!walker.ReadHeaders(&rva, &size)) return false;
  if (rva != 0 && size != 0) walker.Walk(rva);
  return true;
}

}  // namespace res
}  // namespace platform
}  // namespace zb
