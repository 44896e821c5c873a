// Kernel handles: a HANDLE is an opaque pointer to a platform object kept in one process-wide table.
// Every call that takes a handle looks it up there first, so a closed, foreign or garbage handle is
// refused with ERROR_INVALID_HANDLE instead of being dereferenced. Subsystems that hand out handles
// (files, find searches, threads, events) derive their objects from KernelObject.
#pragma once

#include <memory>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

// Base of every object a HANDLE names. The object lives while the table or a caller holds it, so
// a handle closed by one thread while another thread is inside a call on it stays valid for that
// call; the object's destructor releases the operating-system resources.
class ZORBASE_API KernelObject {
 public:
  virtual ~KernelObject();
  // Whether CloseHandle may close this object (find handles answer false: they close with
  // FindClose only, as on Windows).
  virtual bool ClosesWithCloseHandle() const { return true; }
};

// Enters `object` into the table and returns its handle (never null, never INVALID_HANDLE_VALUE).
ZORBASE_API HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);

// The object behind `handle`, or null when the handle is not in the table.
ZORBASE_API std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

// The object behind `handle` when it is of type T, else null.
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

// Removes `handle` from the table; the object is destroyed once no call uses it any more. False
// when the handle is not in the table.
ZORBASE_API bool UnregisterHandle(HANDLE handle);

}  // namespace platform
}  // namespace zb

#ifndef _WIN32  // kernel32's own on Windows
// Closes a handle of a file, thread or other kernel object. FALSE with ERROR_INVALID_HANDLE for a
// handle that is not open (or is a find handle, which FindClose closes).
ZORBASE_API BOOL CloseHandle(HANDLE handle);
#endif
