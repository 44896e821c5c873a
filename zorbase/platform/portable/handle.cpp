// The process-wide handle table.
#include <zorbase/platform/handle.h>

#include <mutex>
#include <unordered_map>

#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {
namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable();  // outlives every static destructor
  return *table;
}

}  // namespace

KernelObject::~KernelObject() = default;

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
  HANDLE handle = object.get();
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.objects[handle] = std::move(object);
  return handle;
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.objects.find(handle);
  return it == table.objects.end() ? nullptr : it->second;
}

bool UnregisterHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> released;  // destroyed after the lock is dropped
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.objects.find(handle);
  if (it == table.objects.end()) return false;
  released = std::move(it->second);
  table.objects.erase(it);
  return true;
}

}  // namespace platform
}  // namespace zb

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<zb::platform::KernelObject> object = zb::platform::LookupHandle(handle);
  if (!object || !object->ClosesWithCloseHandle() || !zb::platform::UnregisterHandle(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
