// The host's replaceable source of resource strings. A host implements IResStringWrapper and
// installs it once at start-up with SetMResStringWrapper; the ZorRes... functions forward to it
// and give empty results while none is installed. The slots keep this order, which hosts built
// against the interface rely on.
#pragma once

#include <string>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>

class ZORBASE_API IResStringWrapper {
 public:
  // Slot 0: the text of string `id`.
  virtual CString ZorResLoadStringEx(unsigned int id) = 0;
  // Slot 1: not called by this library.
  virtual bool ZorResLoadStringEx(std::wstring& out, unsigned int id) = 0;
  // Slot 2: loads string `id` into `out`; true on success.
  virtual bool ZorResLoadStringEx(CString& out, unsigned int id) = 0;
  // Slot 3: copies string `id` into `buffer` of `size` characters; the host's count.
  virtual int ZorResLoadCharEx(wchar_t* buffer, unsigned int size, unsigned int id) = 0;

 protected:
  // The library never deletes the host's object.
  ~IResStringWrapper() = default;
};

// Installs the host's wrapper (null removes it). Not owned. Set before other threads read it.
ZORBASE_API void SetMResStringWrapper(IResStringWrapper* wrapper);

// The wrapper's slot-0 text for `id`; an empty text without wrapper.
ZORBASE_API CString ZorResLoadStringEx(unsigned int id);
// The wrapper's slot-2 result; without wrapper `out` becomes empty and the result is false.
ZORBASE_API bool ZorResLoadStringEx(CString& out, unsigned int id);
// The wrapper's slot-3 result; without wrapper buffer[0] becomes 0 (when `buffer` is not null and
// `size` is not 0) and the result is 0.
ZORBASE_API int ZorResLoadCharEx(wchar_t* buffer, unsigned int id, unsigned int size);
