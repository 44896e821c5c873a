// Fault injection for tests: the platform's file functions can be told to make the Nth open, write,
// flush or rename fail with a chosen errno (ENOSPC for a full disk, EIO for a failing device), so a
// test can show what such a failure does to a file. With nothing injected each check is one relaxed
// atomic load.
#pragma once

#include <cstdint>

#include <zorbase/platform/export.h>

namespace zb {
namespace platform {

// The points where a fault can be injected. kOpen: every open or creation of a file by path
// (CreateFileW, _wfopen and friends); kWrite: every call that writes file data (WriteFile, a
// runtime stream writing its buffer, each block CopyFileW writes); kFlush: FlushFileBuffers and
// _commit; kRename: MoveFileExW, _wrename and the renames of SHFileOperationW.
enum class FaultPoint { kOpen = 0, kWrite = 1, kFlush = 2, kRename = 3 };

// A count for InjectFault meaning "every call from the nth on".
constexpr std::uint64_t kFaultForever = ~std::uint64_t{0};

// An error number for InjectFault meaning "the process ends there": the call does not happen and
// the process is killed (SIGKILL) on the spot, as by a crash or a power cut at that moment. For
// tests that run the code under test in a child process.
constexpr int kFaultEndProcess = -1;

// From now on the calls number `nth` to `nth + count - 1` at `point`, counted from 1 starting with
// the next call, fail with `error_number` (an errno value). Replaces any earlier injection at the
// same point and restarts its count. Process-wide; any thread may call it.
ZORBASE_API void InjectFault(FaultPoint point, std::uint64_t nth, int error_number,
                             std::uint64_t count = 1);

// Removes the injection at `point` (ClearFaults: at every point).
ZORBASE_API void ClearFault(FaultPoint point);
ZORBASE_API void ClearFaults();

// The number of calls counted at `point` since its fault was injected (0 when none is injected).
ZORBASE_API std::uint64_t FaultCallCount(FaultPoint point);

// Called by the platform before the operation at `point`: 0 to go ahead, or the errno value the
// operation must fail with (the caller then does nothing and reports that error).
ZORBASE_API int CheckFault(FaultPoint point);

// Injects a fault for the lifetime of the object and removes it again on destruction.
class ScopedFault {
 public:
  ScopedFault(FaultPoint point, std::uint64_t nth, int error_number,
              std::uint64_t count = 1)
      : point_(point) {
    InjectFault(point, nth, error_number, count);
  }
  ~ScopedFault() { ClearFault(point_); }
  ScopedFault(const ScopedFault&) = delete;
  ScopedFault& operator=(const ScopedFault&) = delete;

 private:
  FaultPoint point_;
};

}  // namespace platform
}  // namespace zb
