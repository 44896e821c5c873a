// The resources behind a module handle. Portable code (the resource, message and version calls)
// asks ImageOf; the native side (posix/native_modules.cpp) tells where a loaded module's resource
// note lies; data-file modules are files read whole into memory.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <zorbase/platform/internal/byte_span.h>
#include <zorbase/platform/internal/resource_index.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace res {

// One module's resources. Entries point into `bytes` (a data file) or into the loaded module.
struct ModuleImage {
  ResourceIndex index;
  std::vector<unsigned char> bytes;  // the file of a data-file module; empty for a native one
  std::wstring path;                 // the data file's Windows path
  const void* note = nullptr;        // a native module's resource note, to tell reloads apart

  // Wide copies of strings handed out by LoadStringW with a zero size; kept for the image's life.
  std::mutex strings_mutex;
  std::map<UINT, std::wstring> strings;
};

// The image of `module` (null: the executable): a data-file handle (lowest bit set) or a loaded
// native module. Null with `*error` set (ERROR_MOD_NOT_FOUND, ERROR_INVALID_HANDLE). A native
// module without resources gives an image with no entries.
std::shared_ptr<ModuleImage> ImageOf(HMODULE module, DWORD* error);

// Reads the file at Windows path `path` whole and indexes its resources (PE or native module).
// Null with `*error`: the open's error, ERROR_BAD_EXE_FORMAT for other files.
std::shared_ptr<ModuleImage> ReadModuleFile(const wchar_t* path, DWORD* error);

// Data-file handles: Register returns the handle (the image's address with the lowest bit set)
// and keeps the image until Release. Release answers false for a handle it never gave out.
bool IsDataFileHandle(HMODULE module);
HMODULE RegisterDataFile(std::shared_ptr<ModuleImage> image);
bool ReleaseDataFile(HMODULE module);

// ---- the native side ---------------------------------------------------------------------------

// The resource note of the loaded native module whose handle is `module` (null: the executable):
// true with `*note` empty when it has none; false when no loaded module has that handle.
bool NativeModuleResourceNote(HMODULE module, ByteSpan* note);

}  // namespace res
}  // namespace platform
}  // namespace zb
