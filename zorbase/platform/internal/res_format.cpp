// Reader of the .res format and of the ELF note that carries it in native modules.
#include <zorbase/platform/internal/resource_readers.h>

#include <cstring>

namespace zb {
namespace platform {
namespace res {

namespace {

constexpr std::uint32_t kMinHeaderSize = 32;

// Reads a type or name field of a .res header at `*offset` (inside `header`): 0xFFFF and a
// 16-bit id, or a NUL-terminated UTF-16 text.
bool ReadKey(ByteSpan header, std::uint64_t* offset, ResourceKey* key) {
  std::uint16_t unit = 0;
  if (!header.U16(*offset, &unit)) return false;
  if (unit == 0xFFFF) {
    std::uint16_t id = 0;
    if (!header.U16(*offset + 2, &id)) return false;
    *key = ResourceKey::Id(id);
    *offset += 4;
    return true;
  }
  std::wstring text;
  for (;;) {
    if (!header.U16(*offset, &unit)) return false;
    *offset += 2;
    if (unit == 0) break;
    text.push_back(static_cast<wchar_t>(unit));
  }
  *key = ResourceKey::Text(std::move(text));
  return true;
}

}  // namespace

bool ReadResFormat(ByteSpan bytes, ResourceIndex* index) {
  static const unsigned char kMarker[kMinHeaderSize] = {
      0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
  if (!bytes.Has(0, kMinHeaderSize) || std::memcmp(bytes.data(), kMarker, 16) != 0) return false;
  std::uint64_t offset = kMinHeaderSize;
  auto& entries = index->entries();
  while (bytes.Has(offset, 8) && entries.size() < kMaxResourceEntries) {
    std::uint32_t data_size = 0, header_size = 0;
    bytes.U32(offset, &data_size);
    bytes.U32(offset + 4, &header_size);
    if (header_size < kMinHeaderSize || !bytes.Has(offset, header_size)) break;
    const std::uint64_t data_offset = offset + header_size;
    if (!bytes.Has(data_offset, data_size)) break;
    const ByteSpan header = bytes.Sub(offset, header_size);
    std::uint64_t at = 8;
    ResourceEntry entry;
    if (!ReadKey(header, &at, &entry.type) || !ReadKey(header, &at, &entry.name)) break;
    at = AlignUp(at, 4);
    // Data version (4), memory flags (2), language (2), version (4), characteristics (4).
    std::uint16_t language = 0;
    if (!header.Has(at, 16) || !header.U16(at + 6, &language)) break;
    entry.language = language;
    entry.data = bytes.data() + data_offset;
    entry.size = data_size;
    entries.push_back(std::move(entry));
    offset = AlignUp(data_offset + data_size, 4);
  }
  return true;
}

ByteSpan FindResourceNote(ByteSpan notes, std::uint64_t alignment) {
  static const char kOwner[] = "ZorBase";
  if (alignment != 8) alignment = 4;
  std::uint64_t offset = 0;
  while (notes.Has(offset, 12)) {
    std::uint32_t name_size = 0, desc_size = 0, type = 0;
    notes.U32(offset, &name_size);
    notes.U32(offset + 4, &desc_size);
    notes.U32(offset + 8, &type);
    const std::uint64_t name_offset = offset + 12;
    const std::uint64_t desc_offset = name_offset + AlignUp(name_size, alignment);
    if (!notes.Has(name_offset, name_size) || !notes.Has(desc_offset, desc_size)) break;
    if (type == kResourceNoteType && name_size == sizeof kOwner &&
        std::memcmp(notes.data() + name_offset, kOwner, sizeof kOwner) == 0) {
      return notes.Sub(desc_offset, desc_size);
    }
    offset = desc_offset + AlignUp(desc_size, alignment);
  }
  return ByteSpan();
}

bool LooksLikeElf(ByteSpan bytes) {
  return bytes.Has(0, 64) && std::memcmp(bytes.data(), "\x7f" "ELF", 4) == 0 &&
         bytes.data()[4] == 2 /* 64-bit */ && bytes.data()[5] == 1 /* little-endian */;
}

ByteSpan FindResourceNoteInElfFile(ByteSpan bytes) {
  constexpr std::uint32_t kPtNote = 4;
  if (!LooksLikeElf(bytes)) return ByteSpan();
  std::uint64_t ph_offset = 0;
  std::uint16_t ph_size = 0, ph_count = 0;
  bytes.U64(0x20, &ph_offset);
  bytes.U16(0x36, &ph_size);
  bytes.U16(0x38, &ph_count);
  if (ph_size < 56) return ByteSpan();
  for (std::uint16_t i = 0; i < ph_count; ++i) {
    const std::uint64_t at = ph_offset + static_cast<std::uint64_t>(i) * ph_size;
    std::uint32_t type = 0;
    std::uint64_t file_offset = 0, file_size = 0, align = 0;
    if (!bytes.U32(at, &type) || !bytes.U64(at + 8, &file_offset) ||
        !bytes.U64(at + 32, &file_size) || !bytes.U64(at + 48, &align)) {
      return ByteSpan();
    }
    if (type != kPtNote || !bytes.Has(file_offset, file_size)) continue;
    ByteSpan note = FindResourceNote(bytes.Sub(file_offset, file_size), align);
    if (note.data() != nullptr) return note;
  }
  return ByteSpan();
}

}  // namespace res
}  // namespace platform
}  // namespace zb
