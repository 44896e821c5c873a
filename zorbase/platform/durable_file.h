// Durable files: the one way the library gives a file new content that survives a crash or a
// power cut. The new content is written to a temporary next to the target, every byte count is
// checked, the data is flushed to the device, the temporary is renamed over the target and the
// directory is flushed. A failure at any step removes the temporary and leaves the old file as it
// was, so the name always holds either the whole old or the whole new content.
#pragma once

#include <cstddef>
#include <string>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

// What a durable write does when the target exists.
enum class DurableTarget {
  kReplace,    // replaces it in one atomic step (keeping its permission bits and, where the
               // process may, its owner and group; a symbolic link stays and its target changes)
  kCreateNew,  // fails with ERROR_ALREADY_EXISTS and leaves it untouched, even against a racer
};

// Native paths. Each returns ERROR_SUCCESS or the Windows error code of the failed step.
DWORD WriteFileDurably(const std::string& native_path, const void* data, std::size_t size,
                       DurableTarget target = DurableTarget::kReplace);
// Flushes the data of the file at `native_path` to the device (fsync).
DWORD SyncNativeFile(const std::string& native_path);
// Flushes the directory that holds `native_path` (its entries: creations, renames, deletions).
// A file system that cannot flush directories counts as flushed.
DWORD SyncNativeDirectoryOf(const std::string& native_path);

// Windows paths, resolved through the drive mapping. Each returns true, or false with the last
// error set.
bool WriteFileDurablyW(const wchar_t* path, const void* data, std::size_t size,
                       DurableTarget target = DurableTarget::kReplace);
bool SyncFileW(const wchar_t* path);
bool SyncDirectoryOfW(const wchar_t* path);

}  // namespace platform
}  // namespace zb
