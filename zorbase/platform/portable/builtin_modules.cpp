#include <zorbase/platform/portable/builtin_modules.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace {

constexpr std::uintptr_t kBuiltinTag = 2;

struct Registry {
  std::mutex mutex;
  std::vector<const BuiltinModule*> modules;
  std::map<const BuiltinModule*, unsigned> references;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // outlives every static that registers or loads
  return *registry;
}

// A bare name with ".dll" added when it has no extension, as the Windows loader reads it; empty
// for a name with a directory in it (a path names a file on disk, never a built-in module).
std::wstring LookupName(const std::wstring& name) {
  if (name.empty() || name.find_first_of(L"/\\:") != std::wstring::npos) return std::wstring();
  if (name.find(L'.') == std::wstring::npos) return name + L".dll";
  if (name.back() == L'.') return name.substr(0, name.size() - 1);  // "name." means no extension
  return name;
}

const BuiltinModule* FindLocked(Registry& registry, const std::wstring& name) {
  const std::wstring wanted = LookupName(name);
  if (wanted.empty()) return nullptr;
  for (const BuiltinModule* module : registry.modules) {
    if (EqualNoCase(module->file_name, wanted)) return module;
  }
  return nullptr;
}

HMODULE HandleOf(const BuiltinModule* module) {
  return reinterpret_cast<HMODULE>(reinterpret_cast<std::uintptr_t>(module) | kBuiltinTag);
}

// The registered module behind `handle`, or null. Caller holds the registry's lock.
const BuiltinModule* ModuleOfLocked(Registry& registry, HMODULE handle) {
  const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(handle);
  if ((value & 3u) != kBuiltinTag) return nullptr;
  const auto* module = reinterpret_cast<const BuiltinModule*>(value & ~std::uintptr_t{3});
  for (const BuiltinModule* known : registry.modules) {
    if (known == module) return module;
  }
  return nullptr;
}

}  // namespace

void RegisterBuiltinModule(const BuiltinModule* module) {
  if (module == nullptr || module->file_name == nullptr) return;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (FindLocked(registry, module->file_name) != nullptr) return;
  registry.modules.push_back(module);
}

HMODULE LoadBuiltinModule(const std::wstring& name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const BuiltinModule* module = FindLocked(registry, name);
  if (module == nullptr) return nullptr;
  ++registry.references[module];
  return HandleOf(module);
}

HMODULE FindLoadedBuiltinModule(const std::wstring& name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const BuiltinModule* module = FindLocked(registry, name);
  if (module == nullptr) return nullptr;
  auto it = registry.references.find(module);
  return it != registry.references.end() && it->second > 0 ? HandleOf(module) : nullptr;
}

bool IsBuiltinModuleHandle(HMODULE module) {
  return (reinterpret_cast<std::uintptr_t>(module) & 3u) == kBuiltinTag;
}

FARPROC BuiltinProcAddress(HMODULE handle, LPCSTR name, DWORD* error) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const BuiltinModule* module = ModuleOfLocked(registry, handle);
  if (module == nullptr) {
    *error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  // An ordinal is a value below 0x10000 in place of a pointer.
  const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(name);
  for (std::size_t i = 0; i < module->export_count; ++i) {
    const BuiltinExport& entry = module->exports[i];
    const bool match = (value >> 16) != 0 ? std::strcmp(entry.name, name) == 0
                                          : value != 0 && entry.ordinal == value;
    if (match) return entry.proc;
  }
  *error = ERROR_PROC_NOT_FOUND;
  return nullptr;
}

bool ReleaseBuiltinModule(HMODULE handle) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const BuiltinModule* module = ModuleOfLocked(registry, handle);
  if (module == nullptr) return false;
  auto it = registry.references.find(module);
  if (it == registry.references.end() || it->second == 0) return false;
  --it->second;
  return true;
}

}  // namespace platform
}  // namespace zb
