// Native modules through the dynamic loader: handles are load addresses (the address of the
// module's ELF header), found with dl_iterate_phdr; LoadLibraryW is dlopen; a module's resources
// are the ZorBase note in its PT_NOTE segments. Data-file handles go to the portable table.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/portable/builtin_modules.h>
#include <zorbase/platform/portable/module_image.h>
#include <zorbase/platform/portable/resource_readers.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/resources.h>

namespace res = zb::platform::res;

namespace {

// The address of the module's ELF header: the segment that maps file offset 0.
std::uintptr_t ModuleBase(const dl_phdr_info* info) {
  std::uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    if (ph.p_offset == 0) return info->dlpi_addr + ph.p_vaddr;
    if (info->dlpi_addr + ph.p_vaddr < lowest) lowest = info->dlpi_addr + ph.p_vaddr;
  }
  return lowest == UINTPTR_MAX ? info->dlpi_addr : lowest & ~std::uintptr_t(0xFFF);
}

struct ModuleInfo {
  std::uintptr_t base = 0;
  std::string path;  // empty for the executable
  res::ByteSpan note;
};

// Whether the loader's entry is the kernel's virtual module (not a module of the process).
bool IsVirtualModule(const dl_phdr_info* info, bool first) {
  const char* name = info->dlpi_name != nullptr ? info->dlpi_name : "";
  if (!first && name[0] == 0) return true;
  return std::strncmp(name, "linux-vdso", 10) == 0 || std::strncmp(name, "linux-gate", 10) == 0;
}

// The ZorBase resource note among the module's PT_NOTE segments; empty when it has none.
res::ByteSpan ResourceNote(const dl_phdr_info* info) {
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_NOTE) continue;
    const res::ByteSpan segment(
        reinterpret_cast<const unsigned char*>(info->dlpi_addr + ph.p_vaddr), ph.p_memsz);
    const res::ByteSpan note = res::FindResourceNote(segment, ph.p_align);
    if (note.data() != nullptr) return note;
  }
  return res::ByteSpan();
}

// Every loaded module except the kernel's virtual one, the executable first.
std::vector<ModuleInfo> LoadedModules() {
  std::vector<ModuleInfo> modules;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) -> int {
        auto* list = static_cast<std::vector<ModuleInfo>*>(data);
        if (IsVirtualModule(info, list->empty())) return 0;
        ModuleInfo module;
        module.base = ModuleBase(info);
        module.path = info->dlpi_name != nullptr ? info->dlpi_name : "";
        module.note = ResourceNote(info);
        list->push_back(std::move(module));
        return 0;
      },
      &modules);
  return modules;
}

// The module's file name as the loader knows it (for the executable, /proc/self/exe).
std::string ModulePath(const ModuleInfo& module) {
  if (!module.path.empty()) return module.path;
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

// Whether file name `file` is `wanted`, or `wanted` followed by a version suffix (".0", ".0.1").
bool NameMatches(const std::wstring& file, const std::wstring& wanted) {
  if (zb::platform::EqualNoCase(file, wanted)) return true;
  if (file.size() <= wanted.size() || !zb::platform::EqualNoCase(file.substr(0, wanted.size()), wanted)) {
    return false;
  }
  const std::wstring rest = file.substr(wanted.size());
  if (rest[0] != L'.') return false;
  for (wchar_t c : rest) {
    if (c != L'.' && (c < L'0' || c > L'9')) return false;
  }
  return true;
}

std::wstring BaseName(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"/\\");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// dlopen handles that LoadLibraryW returned, by module base, one per reference.
std::mutex& LoadedMutex() {
  static std::mutex mutex;
  return mutex;
}
std::multimap<std::uintptr_t, void*>& LoadedHandles() {
  static auto* table = new std::multimap<std::uintptr_t, void*>();
  return *table;
}

// The base of the module that holds `address`, or 0.
std::uintptr_t BaseOfAddress(const void* address) {
  Dl_info info;
  if (dladdr(address, &info) == 0 || info.dli_fbase == nullptr) return 0;
  return reinterpret_cast<std::uintptr_t>(info.dli_fbase);
}

bool HasSeparator(const std::wstring& name) {
  return name.find_first_of(L"/\\:") != std::wstring::npos;
}

}  // namespace

namespace zb {
namespace platform {
namespace res {

bool NativeModuleResourceNote(HMODULE module, ByteSpan* note) {
  // Called for every resource look-up: stops at the module and copies no names.
  struct Search {
    std::uintptr_t base = 0;
    bool first = true;
    bool found = false;
    ByteSpan note;
  } search;
  search.base = reinterpret_cast<std::uintptr_t>(module);
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) -> int {
        auto* s = static_cast<Search*>(data);
        if (IsVirtualModule(info, s->first)) return 0;
        const bool wanted = s->base == 0 ? s->first : ModuleBase(info) == s->base;
        s->first = false;
        if (!wanted) return 0;
        s->found = true;
        s->note = ResourceNote(info);
        return 1;
      },
      &search);
  if (search.found) *note = search.note;
  return search.found;
}

}  // namespace res
}  // namespace platform
}  // namespace zb

HMODULE GetModuleHandleW(LPCWSTR name) {
  const std::vector<ModuleInfo> modules = LoadedModules();
  if (name == nullptr) {
    if (!modules.empty()) return reinterpret_cast<HMODULE>(modules.front().base);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  const std::wstring wanted(name);
  if (HMODULE builtin = zb::platform::FindLoadedBuiltinModule(wanted)) return builtin;
  // A path: compare whole native paths (after mapping a Windows path).
  std::string wanted_native;
  if (HasSeparator(wanted)) {
    zb::platform::ResolvedPath resolved;
    if (zb::platform::ResolveWindowsPath(name, &resolved) == ERROR_SUCCESS) {
      wanted_native = resolved.native;
    }
  }
  for (const ModuleInfo& info : modules) {
    const std::string path = ModulePath(info);
    if (path.empty()) continue;
    if (!wanted_native.empty()) {
      if (path == wanted_native) return reinterpret_cast<HMODULE>(info.base);
      char* real = realpath(path.c_str(), nullptr);
      const bool same = real != nullptr && wanted_native == real;
      std::free(real);
      if (same) return reinterpret_cast<HMODULE>(info.base);
      continue;
    }
    if (NameMatches(BaseName(zb::platform::Utf8ToWide(path)), wanted)) {
      return reinterpret_cast<HMODULE>(info.base);
    }
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

HMODULE LoadLibraryW(LPCWSTR name) { return LoadLibraryExW(name, nullptr, 0); }

HMODULE LoadLibraryA(LPCSTR name) {
  if (name == nullptr) return LoadLibraryW(nullptr);
  const std::wstring wide = zb::platform::MultiToWide(name);
  return LoadLibraryW(wide.c_str());
}

HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags) {
  if (name == nullptr || name[0] == 0 || file != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE |
               LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
    DWORD error = ERROR_SUCCESS;
    std::shared_ptr<res::ModuleImage> image = res::ReadModuleFile(name, &error);
    if (!image) {
      SetLastError(error);
      return nullptr;
    }
    return res::RegisterDataFile(std::move(image));
  }
  std::string native;
  const std::wstring text(name);
  if (HMODULE builtin = zb::platform::LoadBuiltinModule(text)) return builtin;
  if (HasSeparator(text)) {
    zb::platform::ResolvedPath resolved;
    const DWORD code = zb::platform::ResolveWindowsPath(name, &resolved);
    if (code != ERROR_SUCCESS || !resolved.exists) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    native = resolved.native;
  } else {
    native = zb::platform::WideToUtf8(text);  // searched by the loader
  }
  void* handle = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    // The loader does not say why; a file that exists but does not load is a bad image.
    const bool exists = HasSeparator(text) && access(native.c_str(), F_OK) == 0;
    SetLastError(exists ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  link_map* map = nullptr;
  std::uintptr_t base = 0;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr) base = BaseOfAddress(map->l_ld);
  if (base == 0) {
    dlclose(handle);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(LoadedMutex());
  LoadedHandles().emplace(base, handle);
  return reinterpret_cast<HMODULE>(base);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (module == nullptr) module = GetModuleHandleW(nullptr);
  if (res::IsDataFileHandle(module) || name == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (zb::platform::IsBuiltinModuleHandle(module)) {
    DWORD error = ERROR_SUCCESS;
    FARPROC proc = zb::platform::BuiltinProcAddress(module, name, &error);
    if (proc == nullptr) SetLastError(error);
    return proc;
  }
  const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(module);
  std::string path;
  for (const ModuleInfo& info : LoadedModules()) {
    if (info.base == base) {
      path = info.path;
      break;
    }
  }
  if (path.empty() && BaseOfAddress(module) != base) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // A reference of our own for the look-up, so the module cannot go while dlsym runs.
  void* handle = dlopen(path.empty() ? nullptr : path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* symbol = (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0 ? nullptr : dlsym(handle, name);
  dlclose(handle);
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  if (res::IsDataFileHandle(module)) {
    if (res::ReleaseDataFile(module)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (zb::platform::IsBuiltinModuleHandle(module)) {
    if (zb::platform::ReleaseBuiltinModule(module)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(module);
  void* handle = nullptr;
  {
    std::lock_guard<std::mutex> lock(LoadedMutex());
    auto it = LoadedHandles().find(base);
    if (it != LoadedHandles().end()) {
      handle = it->second;
      LoadedHandles().erase(it);
    }
  }
  if (handle != nullptr) {
    dlclose(handle);
    return TRUE;
  }
  if (module != nullptr) {
    for (const ModuleInfo& info : LoadedModules()) {
      if (info.base == base) return TRUE;  // loaded by the system: nothing to drop
    }
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
