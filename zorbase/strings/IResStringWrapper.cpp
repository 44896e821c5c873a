#include <zorbase/strings/IResStringWrapper.h>

#include <atomic>

namespace {

std::atomic<IResStringWrapper*> g_wrapper{nullptr};

}  // namespace

void SetMResStringWrapper(IResStringWrapper* wrapper) {
  g_wrapper.store(wrapper, std::memory_order_release);
}

CString ZorResLoadStringEx(unsigned int id) {
  IResStringWrapper* wrapper = g_wrapper.load(std::memory_order_acquire);
  return wrapper != nullptr ? wrapper->ZorResLoadStringEx(id) : CString();
}

bool ZorResLoadStringEx(CString& out, unsigned int id) {
  IResStringWrapper* wrapper = g_wrapper.load(std::memory_order_acquire);
  if (wrapper != nullptr) return wrapper->ZorResLoadStringEx(out, id);
  out.Empty();
  return false;
}

int ZorResLoadCharEx(wchar_t* buffer, unsigned int id, unsigned int size) {
  IResStringWrapper* wrapper = g_wrapper.load(std::memory_order_acquire);
  if (wrapper != nullptr) return wrapper->ZorResLoadCharEx(buffer, size, id);
  if (buffer != nullptr && size > 0) buffer[0] = 0;
  return 0;
}
