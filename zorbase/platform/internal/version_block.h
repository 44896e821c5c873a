// The VS_VERSIONINFO tree of a version resource. Each node: 16-bit total length, 16-bit value
// length (characters for text values, bytes for binary ones), 16-bit type (1 text, 0 binary), a
// NUL-terminated UTF-16 key, padding to 4 bytes, the value, padding, then the child nodes up to
// the total length. All offsets are relative to the start of the resource, which is 4-aligned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <zorbase/platform/internal/byte_span.h>

namespace zb {
namespace platform {
namespace res {

struct VersionNode {
  std::uint32_t offset = 0;        // of the node
  std::uint32_t length = 0;        // total, children included
  std::uint32_t value_offset = 0;
  std::uint32_t value_bytes = 0;   // bytes of the value as stored
  bool is_text = false;
  std::uint32_t children_offset = 0;
};

// Checks the whole tree (root key "VS_VERSION_INFO", every node inside its parent, lengths that
// make progress, nesting at most 8 deep) and returns the root's length, or 0 when the resource is
// not sound. Nothing outside `block` is read.
std::uint32_t CheckVersionTree(ByteSpan block);

// The node that `path` ("\", "\VarFileInfo\Translation", ...) names in a checked tree; keys
// compare without regard to ASCII case. False when there is none.
bool FindVersionNode(ByteSpan block, const wchar_t* path, VersionNode* node);

// The text values of a checked tree in the order they appear: value offset and the text (up to
// its first NUL).
struct VersionText {
  std::uint32_t value_offset;
  std::wstring text;
};
std::vector<VersionText> VersionTexts(ByteSpan block);

// The block GetFileVersionInfoW hands out: the resource, then at the next 4-byte boundary a table
// ("ZBvT", count, then per text value offset, offset of its wchar_t copy, length with
// terminator) and the copies. VersionBufferSize is the whole size for a checked resource.
std::size_t VersionBufferSize(ByteSpan resource);
// Writes `size` bytes into `out`: that block, or when it does not fit the part of the tree that
// fits before a 4-byte empty table marker (the root length lowered to match; nothing of the tree
// when `size` is below 8), so that queries stay inside `size`.
void WriteVersionBuffer(ByteSpan resource, unsigned char* out, std::size_t size);
// The wchar_t copy of the text value at `value_offset` in a block WriteVersionBuffer made.
bool FindVersionTextCopy(const unsigned char* block, std::uint32_t value_offset,
                         const wchar_t** text, std::uint32_t* length);

}  // namespace res
}  // namespace platform
}  // namespace zb
