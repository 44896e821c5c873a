// The case-insensitive name lookup behind path mapping: which entry of a native directory a name
// denotes when its spelling differs in case from the disk. Each directory scanned is remembered as
// a table from folded name to native name, so repeated mis-cased opens in a large directory cost a
// stat of the directory and a hash lookup instead of a scan. Not part of the public interface.
//
// A table is used only while the directory is unchanged: its device, inode, modification and
// change times (nanoseconds) must equal those taken before it was read. A table read within two
// seconds of the directory's last change may miss a change made in the same timestamp tick, so for
// such a table a miss is confirmed by a fresh scan and a hit by a lookup of the name found, and a
// listing reads the directory again. Tables are kept only on local file systems whose directory
// times are reliable (ext2/3/4, XFS, Btrfs, tmpfs, F2FS, ZFS, overlayfs); elsewhere every lookup
// reads the directory.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace zb {
namespace platform {
namespace internal {

// The native name in directory `dir` (absolute native path) that equals `wanted` without regard
// to case (Windows' simple upper-case mapping); among several, the first in byte order. "" when
// none does or the directory cannot be read. Any thread may call it.
std::string FindNameNoCase(const std::string& dir, const std::wstring& wanted);

// Every name in directory `dir` except "." and "..", in the file system's listing order: the
// remembered list while the directory is unchanged, else read now (and remembered). Null when the
// directory cannot be read, with *error set to the errno.
std::shared_ptr<const std::vector<std::string>> ListNames(const std::string& dir, int* error);

// Forgets every remembered directory (tests and benchmarks measuring a cold lookup).
void ClearNameCache();

// How many directories are remembered now, and how many full scans were made since the process
// started (tests use the second to tell a cached answer from a scan).
std::size_t NameCacheDirectories();
std::size_t NameCacheScans();

}  // namespace internal
}  // namespace platform
}  // namespace zb
