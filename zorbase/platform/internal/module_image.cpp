#include <zorbase/platform/internal/module_image.h>

#include <cstdint>
#include <limits>
#include <unordered_map>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/internal/resource_readers.h>
#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {
namespace res {

namespace {

// PE files cannot be larger; nothing bigger is read into memory.
constexpr std::uint64_t kMaxModuleFile = std::numeric_limits<std::uint32_t>::max();

std::mutex& TableMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<std::uintptr_t, std::shared_ptr<ModuleImage>>& DataFiles() {
  static auto* table = new std::unordered_map<std::uintptr_t, std::shared_ptr<ModuleImage>>();
  return *table;
}

// Native images by handle, re-indexed when the module at that address carries another note.
std::unordered_map<std::uintptr_t, std::shared_ptr<ModuleImage>>& NativeImages() {
  static auto* table = new std::unordered_map<std::uintptr_t, std::shared_ptr<ModuleImage>>();
  return *table;
}

// Bytes that tell a PE file ("MZ") or an ELF file from anything else.
constexpr std::size_t kMagicSize = 4;

bool LooksLikeModule(const std::vector<unsigned char>& bytes) {
  return (bytes[0] == 'M' && bytes[1] == 'Z') ||
         (bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' && bytes[3] == 'F');
}

bool ReadWhole(const wchar_t* path, std::vector<unsigned char>* bytes, DWORD* error) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  bool ok = false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) {
    *error = GetLastError();
  } else if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > kMaxModuleFile) {
    *error = ERROR_BAD_EXE_FORMAT;
  } else {
    // The magic first, so other files are refused without reading (or allocating) the rest.
    const std::size_t full = static_cast<std::size_t>(size.QuadPart);
    bytes->resize(full < kMagicSize ? full : kMagicSize);
    DWORD done = 0;
    std::size_t total = 0;
    ok = true;
    while (total < full) {
      if (total == bytes->size()) {
        if (!LooksLikeModule(*bytes)) {
          *error = ERROR_BAD_EXE_FORMAT;
          ok = false;
          break;
        }
        bytes->resize(full);
      }
      const std::size_t want = bytes->size() - total;
      const DWORD chunk = static_cast<DWORD>(want > (1u << 30) ? (1u << 30) : want);
      if (!ReadFile(file, bytes->data() + total, chunk, &done, nullptr)) {
        *error = GetLastError();
        ok = false;
        break;
      }
      if (done == 0) break;  // the file shrank while being read: index what arrived
      total += done;
    }
    bytes->resize(total);
  }
  CloseHandle(file);
  return ok;
}

}  // namespace

std::shared_ptr<ModuleImage> ReadModuleFile(const wchar_t* path, DWORD* error) {
  auto image = std::make_shared<ModuleImage>();
  if (!ReadWhole(path, &image->bytes, error)) return nullptr;
  image->path = path;
  const ByteSpan bytes(image->bytes.data(), image->bytes.size());
  if (ReadPeResources(bytes, &image->index)) return image;
  if (LooksLikeElf(bytes)) {
    const ByteSpan note = FindResourceNoteInElfFile(bytes);
    if (note.data() != nullptr) ReadResFormat(note, &image->index);
    return image;
  }
  *error = ERROR_BAD_EXE_FORMAT;
  return nullptr;
}

bool IsDataFileHandle(HMODULE module) {
  return (reinterpret_cast<std::uintptr_t>(module) & 1u) != 0;
}

HMODULE RegisterDataFile(std::shared_ptr<ModuleImage> image) {
  const std::uintptr_t handle = reinterpret_cast<std::uintptr_t>(image.get()) | 1u;
  std::lock_guard<std::mutex> lock(TableMutex());
  DataFiles()[handle] = std::move(image);
  return reinterpret_cast<HMODULE>(handle);
}

bool ReleaseDataFile(HMODULE module) {
  std::shared_ptr<ModuleImage> image;  // freed outside the lock
  std::lock_guard<std::mutex> lock(TableMutex());
  auto it = DataFiles().find(reinterpret_cast<std::uintptr_t>(module));
  if (it == DataFiles().end()) return false;
  image = std::move(it->second);
  DataFiles().erase(it);
  return true;
}

std::shared_ptr<ModuleImage> ImageOf(HMODULE module, DWORD* error) {
  if (IsDataFileHandle(module)) {
    std::lock_guard<std::mutex> lock(TableMutex());
    auto it = DataFiles().find(reinterpret_cast<std::uintptr_t>(module));
    if (it == DataFiles().end()) {
      *error = ERROR_INVALID_HANDLE;
      return nullptr;
    }
    return it->second;
  }
  ByteSpan note;
  if (!NativeModuleResourceNote(module, &note)) {
    *error = ERROR_MOD_NOT_FOUND;
    return nullptr;
  }
  const std::uintptr_t key = reinterpret_cast<std::uintptr_t>(module);
  std::lock_guard<std::mutex> lock(TableMutex());
  auto& slot = NativeImages()[key];
  if (!slot || slot->note != note.data()) {
    // The first look at this module, or another module now lives at this address. An earlier
    // image stays alive for callers still holding it.
    auto image = std::make_shared<ModuleImage>();
    image->note = note.data();
    if (note.data() != nullptr) ReadResFormat(note, &image->index);
    slot = std::move(image);
  }
  return slot;
}

}  // namespace res
}  // namespace platform
}  // namespace zb
