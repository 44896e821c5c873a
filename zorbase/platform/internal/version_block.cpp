#include <zorbase/platform/internal/version_block.h>

#include <cstring>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/path_mapping.h>

namespace zb {
namespace platform {
namespace res {

namespace {

constexpr int kMaxDepth = 8;
constexpr std::uint32_t kTableMagic = 0x5476425A;  // "ZBvT"
constexpr std::uint32_t kHeaderSize = 6;

// Reads the node at `offset`, which must end by `limit` (itself inside the block).
bool ReadNode(ByteSpan block, std::uint32_t offset, std::uint32_t limit, VersionNode* node,
              std::wstring* key) {
  std::uint16_t length = 0, value_length = 0, type = 0;
  if (!block.U16(offset, &length) || !block.U16(offset + 2, &value_length) ||
      !block.U16(offset + 4, &type)) {
    return false;
  }
  if (length < kHeaderSize || static_cast<std::uint64_t>(offset) + length > limit || type > 1) {
    return false;
  }
  const std::uint32_t end = offset + length;
  std::uint32_t at = offset + kHeaderSize;
  key->clear();
  for (;;) {
    std::uint16_t unit = 0;
    if (at + 2 > end || !block.U16(at, &unit)) return false;
    at += 2;
    if (unit == 0) break;
    key->push_back(static_cast<wchar_t>(unit));
  }
  const std::uint64_t value_offset = AlignUp(at, 4);
  const std::uint64_t value_bytes = type == 1 ? 2ull * value_length : value_length;
  if (value_bytes != 0 && value_offset + value_bytes > end) return false;
  node->offset = offset;
  node->length = length;
  node->value_offset = value_offset > end ? end : static_cast<std::uint32_t>(value_offset);
  node->value_bytes = static_cast<std::uint32_t>(value_bytes);
  node->is_text = type == 1;
  const std::uint64_t children = AlignUp(node->value_offset + value_bytes, 4);
  node->children_offset = children > end ? end : static_cast<std::uint32_t>(children);
  return true;
}

// Calls `visit(child, key)` for each child of `parent`; false when a child is not sound.
template <typename Visit>
bool ForEachChild(ByteSpan block, const VersionNode& parent, Visit visit) {
  const std::uint32_t end = parent.offset + parent.length;
  std::uint32_t at = parent.children_offset;
  std::wstring key;
  while (static_cast<std::uint64_t>(at) + kHeaderSize <= end) {
    VersionNode child;
    if (!ReadNode(block, at, end, &child, &key)) return false;
    if (!visit(child, key)) return true;
    at = static_cast<std::uint32_t>(AlignUp(static_cast<std::uint64_t>(at) + child.length, 4));
  }
  return true;
}

bool CheckNode(ByteSpan block, const VersionNode& node, int depth) {
  if (depth > kMaxDepth) return false;
  bool sound = true;
  const bool walked = ForEachChild(block, node, [&](const VersionNode& child, const std::wstring&) {
    sound = CheckNode(block, child, depth + 1);
    return sound;
  });
  return walked && sound;
}

bool ReadRoot(ByteSpan block, VersionNode* root) {
  std::wstring key;
  const std::uint32_t limit = block.size() > 0xFFFF ? 0xFFFF : static_cast<std::uint32_t>(block.size());
  return ReadNode(block, 0, limit, root, &key) && key == L"VS_VERSION_INFO";
}

bool KeyEquals(const std::wstring& key, const wchar_t* begin, const wchar_t* end) {
  return key.size() == static_cast<std::size_t>(end - begin) &&
         EqualNoCase(key, std::wstring(begin, end));
}

void CollectTexts(ByteSpan block, const VersionNode& node, std::vector<VersionText>* texts) {
  if (node.is_text) {
    // The text up to its first NUL, surrogate pairs combined as the platform's wide text holds them.
    std::uint32_t bytes = 0;
    for (std::uint16_t unit = 1; bytes + 1 < node.value_bytes; bytes += 2) {
      block.U16(node.value_offset + bytes, &unit);
      if (unit == 0) break;
    }
    texts->push_back({node.value_offset, Utf16LeToWide(block.data() + node.value_offset, bytes)});
  }
  ForEachChild(block, node, [&](const VersionNode& child, const std::wstring&) {
    CollectTexts(block, child, texts);
    return true;
  });
}

void PutU32(unsigned char* out, std::uint32_t value) { std::memcpy(out, &value, 4); }
std::uint32_t GetU32(const unsigned char* in) {
  std::uint32_t value;
  std::memcpy(&value, in, 4);
  return value;
}

}  // namespace

std::uint32_t CheckVersionTree(ByteSpan block) {
  VersionNode root;
  if (!ReadRoot(block, &root) || !CheckNode(block, root, 0)) return 0;
  return root.length;
}

bool FindVersionNode(ByteSpan block, const wchar_t* path, VersionNode* node) {
  VersionNode current;
  if (path == nullptr || !ReadRoot(block, &current)) return false;
  const wchar_t* p = path;
  for (;;) {
    while (*p == L'\\') ++p;
    if (*p == 0) break;
    const wchar_t* end = p;
    while (*end != 0 && *end != L'\\') ++end;
    bool found = false;
    VersionNode match;
    ForEachChild(block, current, [&](const VersionNode& child, const std::wstring& key) {
      if (!KeyEquals(key, p, end)) return true;
      match = child;
      found = true;
      return false;
    });
    if (!found) return false;
    current = match;
    p = end;
  }
  *node = current;
  return true;
}

std::vector<VersionText> VersionTexts(ByteSpan block) {
  std::vector<VersionText> texts;
  VersionNode root;
  if (ReadRoot(block, &root)) CollectTexts(block, root, &texts);
  return texts;
}

std::size_t VersionBufferSize(ByteSpan resource) {
  const std::uint32_t root = CheckVersionTree(resource);
  if (root == 0) return 0;
  std::size_t size = AlignUp(root, 4) + 12;
  for (const VersionText& t : VersionTexts(resource.Sub(0, root))) {
    size += 12 + sizeof(wchar_t) * (t.text.size() + 1);
  }
  return size;
}

void WriteVersionBuffer(ByteSpan resource, unsigned char* out, std::size_t size) {
  std::memset(out, 0, size);
  const std::uint32_t root = CheckVersionTree(resource);
  if (root == 0) return;
  const std::size_t needed = VersionBufferSize(resource);
  if (size < needed) {
    // Keep as much of the tree as fits with room for an empty table marker after it, so that a
    // query never looks past `size` for text copies.
    const std::size_t usable = size >= 8 ? ((size - 4) & ~std::size_t(3)) : 0;
    const std::size_t kept = usable < root ? usable : root;
    std::memcpy(out, resource.data(), kept);
    if (kept >= 2) {
      out[0] = static_cast<unsigned char>(kept & 0xFF);
      out[1] = static_cast<unsigned char>(kept >> 8);
    }
    return;
  }
  const ByteSpan tree = resource.Sub(0, root);
  std::memcpy(out, tree.data(), root);
  const std::vector<VersionText> texts = VersionTexts(tree);
  const std::size_t table = AlignUp(root, 4);
  PutU32(out + table, kTableMagic);
  PutU32(out + table + 4, static_cast<std::uint32_t>(texts.size()));
  PutU32(out + table + 8, static_cast<std::uint32_t>(size));
  std::size_t text_at = table + 12 + 12 * texts.size();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    unsigned char* entry = out + table + 12 + 12 * i;
    const std::uint32_t length = static_cast<std::uint32_t>(texts[i].text.size() + 1);
    PutU32(entry, texts[i].value_offset);
    PutU32(entry + 4, static_cast<std::uint32_t>(text_at));
    PutU32(entry + 8, length);
    std::memcpy(out + text_at, texts[i].text.c_str(), sizeof(wchar_t) * length);
    text_at += sizeof(wchar_t) * length;
  }
}

bool FindVersionTextCopy(const unsigned char* block, std::uint32_t value_offset,
                         const wchar_t** text, std::uint32_t* length) {
  const std::uint32_t root = static_cast<std::uint32_t>(block[0] | (block[1] << 8));
  const unsigned char* table = block + AlignUp(root, 4);
  if (GetU32(table) != kTableMagic) return false;
  const std::uint32_t count = GetU32(table + 4);
  const std::uint32_t total = GetU32(table + 8);
  for (std::uint32_t i = 0; i < count; ++i) {
    const unsigned char* entry = table + 12 + 12ull * i;
    if (GetU32(entry) != value_offset) continue;
    const std::uint32_t at = GetU32(entry + 4);
    const std::uint32_t chars = GetU32(entry + 8);
    if (at > total || chars > (total - at) / sizeof(wchar_t)) return false;
    const unsigned char* p = block + at;
    if (reinterpret_cast<std::uintptr_t>(p) % alignof(wchar_t) != 0) return false;
    *text = reinterpret_cast<const wchar_t*>(p);
    *length = chars;
    return true;
  }
  return false;
}

}  // namespace res
}  // namespace platform
}  // namespace zb
