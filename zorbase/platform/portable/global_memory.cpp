#include <zorbase/platform/global_memory.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

namespace {

struct Block {
  std::unique_ptr<unsigned char[]> data;
  SIZE_T size = 0;
  bool movable = false;
  unsigned locks = 0;
};

struct Heap {
  std::mutex mutex;
  std::map<HGLOBAL, Block> blocks;
};

Heap& TheHeap() {
  static Heap* heap = new Heap;  // outlives statics that free blocks at exit
  return *heap;
}

// Tokens for movable blocks: addresses of a private array, never valid data addresses.
HGLOBAL NewToken() {
  static char* tokens = nullptr;
  static std::size_t next = 0;
  static std::size_t capacity = 0;
  if (next == capacity) {
    capacity = 4096;
    tokens = new char[capacity];
    next = 0;
  }
  return tokens + next++;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  Block block;
  block.data.reset(new (std::nothrow) unsigned char[bytes == 0 ? 1 : bytes]);
  if (!block.data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if ((flags & GMEM_ZEROINIT) != 0) std::memset(block.data.get(), 0, bytes == 0 ? 1 : bytes);
  block.size = bytes;
  block.movable = (flags & GMEM_MOVEABLE) != 0;
  Heap& heap = TheHeap();
  std::lock_guard<std::mutex> lock(heap.mutex);
  HGLOBAL handle = block.movable ? NewToken() : static_cast<HGLOBAL>(block.data.get());
  heap.blocks.emplace(handle, std::move(block));
  return handle;
}

LPVOID GlobalLock(HGLOBAL memory) {
  Heap& heap = TheHeap();
  std::lock_guard<std::mutex> lock(heap.mutex);
  auto it = heap.blocks.find(memory);
  if (it == heap.blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (it->second.movable) ++it->second.locks;
  return it->second.data.get();
}

BOOL GlobalUnlock(HGLOBAL memory) {
  Heap& heap = TheHeap();
  std::lock_guard<std::mutex> lock(heap.mutex);
  auto it = heap.blocks.find(memory);
  if (it == heap.blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (it->second.locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--it->second.locks > 0) return TRUE;
  SetLastError(ERROR_SUCCESS);
  return FALSE;
}

SIZE_T GlobalSize(HGLOBAL memory) {
  Heap& heap = TheHeap();
  std::lock_guard<std::mutex> lock(heap.mutex);
  auto it = heap.blocks.find(memory);
  if (it == heap.blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return it->second.size;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  if (memory == nullptr) return nullptr;
  Heap& heap = TheHeap();
  std::lock_guard<std::mutex> lock(heap.mutex);
  if (heap.blocks.erase(memory) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return memory;
  }
  return nullptr;
}
