// Memory blocks of the messaging interface and the helpers that free rows and address lists.
#include <zorbase/platform/portable/mapi_internal.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <unordered_set>

namespace zb {
namespace platform {
namespace mapi {
namespace {

// Every block starts with this header; the caller's memory follows, aligned for any type.
struct alignas(16) BlockHeader {
  BlockHeader* more;  // blocks AllocateMore linked to this one (a chain)
  bool is_root;
};

// The root blocks handed out, so that FreeBuffer and AllocateMore refuse a pointer that is not
// one of them instead of corrupting memory.
struct Blocks {
  std::mutex mutex;
  std::unordered_set<void*> roots;
};

Blocks& TheBlocks() {
  static Blocks* blocks = new Blocks;  // outlives every static that frees
  return *blocks;
}

BlockHeader* HeaderOf(void* user) { return static_cast<BlockHeader*>(user) - 1; }

void* NewBlock(ULONG size, bool is_root) {
  void* raw = std::calloc(1, sizeof(BlockHeader) + size);
  if (raw == nullptr) return nullptr;
  auto* header = static_cast<BlockHeader*>(raw);
  header->more = nullptr;
  header->is_root = is_root;
  return header + 1;
}

}  // namespace

SCODE AllocateBuffer(ULONG size, LPVOID* buffer) {
  if (buffer == nullptr) return MAPI_E_INVALID_PARAMETER;
  *buffer = NewBlock(size, true);
  if (*buffer == nullptr) return MAPI_E_NOT_ENOUGH_MEMORY;
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  blocks.roots.insert(*buffer);
  return S_OK;
}

SCODE AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) {
  if (buffer == nullptr) return MAPI_E_INVALID_PARAMETER;
  *buffer = nullptr;
  Blocks& blocks = TheBlocks();
  std::lock_guard<std::mutex> lock(blocks.mutex);
  if (parent == nullptr || blocks.roots.count(parent) == 0) return MAPI_E_INVALID_PARAMETER;
  void* block = NewBlock(size, false);
  if (block == nullptr) return MAPI_E_NOT_ENOUGH_MEMORY;
  BlockHeader* root = HeaderOf(parent);
  HeaderOf(block)->more = root->more;
  root->more = HeaderOf(block);
  *buffer = block;
  return S_OK;
}

ULONG FreeBuffer(LPVOID buffer) {
  if (buffer == nullptr) return S_OK;
  {
    Blocks& blocks = TheBlocks();
    std::lock_guard<std::mutex> lock(blocks.mutex);
    if (blocks.roots.erase(buffer) == 0) return static_cast<ULONG>(MAPI_E_INVALID_PARAMETER);
  }
  BlockHeader* header = HeaderOf(buffer);
  while (header != nullptr) {
    BlockHeader* next = header->more;
    std::free(header);
    header = next;
  }
  return S_OK;
}

void FreeRows(LPSRowSet rows) {
  if (rows == nullptr) return;
  for (ULONG i = 0; i < rows->cRows; ++i) FreeBuffer(rows->aRow[i].lpProps);
  FreeBuffer(rows);
}

void FreeAddressList(LPADRLIST list) {
  if (list == nullptr) return;
  for (ULONG i = 0; i < list->cEntries; ++i) FreeBuffer(list->aEntries[i].rgPropVals);
  FreeBuffer(list);
}

LPSPropValue FindProp(LPSPropValue props, ULONG count, ULONG tag) {
  if (props == nullptr) return nullptr;
  const bool any_type = PROP_TYPE(tag) == PT_UNSPECIFIED;
  for (ULONG i = 0; i < count; ++i) {
    if (props[i].ulPropTag == tag || (any_type && PROP_ID(props[i].ulPropTag) == PROP_ID(tag))) {
      return &props[i];
    }
  }
  return nullptr;
}

}  // namespace mapi
}  // namespace platform
}  // namespace zb
