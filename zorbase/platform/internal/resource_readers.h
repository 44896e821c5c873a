// Readers that fill a ResourceIndex from untrusted bytes. Each checks every offset and length
// against the bytes it was given before using it: damaged or truncated input yields fewer (or no)
// entries, never a read outside the range. Entries point into the caller's bytes.
#pragma once

#include <cstddef>

#include <zorbase/platform/internal/byte_span.h>
#include <zorbase/platform/internal/resource_index.h>

namespace zb {
namespace platform {
namespace res {

// The standard 32-bit .res format that resource compilers write: a sequence of DWORD-aligned
// records (data size, header size, type, name, data version, memory flags, language, version,
// characteristics, then the data), the first one the empty marker record. False when `bytes` does
// not start with that marker; otherwise true, with every whole record up to the first damaged
// one appended to `index`.
bool ReadResFormat(ByteSpan bytes, ResourceIndex* index);

// The resource directory of a Windows PE file (PE32 or PE32+) held whole in `bytes`. False when
// the headers do not make a PE file; true otherwise, with every resource whose directory entries
// and data lie inside the file appended to `index` (at most kMaxResourceEntries).
bool ReadPeResources(ByteSpan bytes, ResourceIndex* index);

// Whether `bytes` begin like a PE file ("MZ", a PE signature inside the range).
bool LooksLikePe(ByteSpan bytes);

// Native modules carry their .res data in an ELF note: owner "ZorBase", type kResourceNoteType,
// the .res bytes as its descriptor. FindResourceNote walks the notes of one PT_NOTE segment's
// bytes (`alignment` 4 or 8, from the segment) and returns the descriptor, or an empty span.
constexpr std::uint32_t kResourceNoteType = 1;
ByteSpan FindResourceNote(ByteSpan notes, std::uint64_t alignment);

// The note of an ELF64 little-endian file held whole in `bytes`, found through its program
// headers; an empty span when the file is not such an ELF file or carries no note.
bool LooksLikeElf(ByteSpan bytes);
ByteSpan FindResourceNoteInElfFile(ByteSpan bytes);

}  // namespace res
}  // namespace platform
}  // namespace zb
