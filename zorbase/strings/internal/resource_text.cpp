#include <zorbase/strings/internal/resource_text.h>

#include <zorbase/strings/IResStringWrapper.h>

namespace zb {
namespace internal {

std::wstring LoadWrapperText(unsigned int id) {
  CString text;
  if (!ZorResLoadStringEx(text, id)) return std::wstring();
  return std::wstring(text.GetString());
}

}  // namespace internal
}  // namespace zb
