#include <zorbase/strings/MLoadString.h>

#include <climits>
#include <cstdarg>
#include <cwchar>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/format.h>
#include <zorbase/platform/resources.h>
#include <zorbase/strings/CZorResource.h>

namespace {

// Copies the NUL-terminated `text` into `buffer`, cut at size - 1 characters (size > 0).
void CopyCut(wchar_t* buffer, std::size_t size, const wchar_t* text) {
  std::size_t n = std::wcslen(text);
  if (n > size - 1) n = size - 1;
  std::wmemmove(buffer, text, n);
  buffer[n] = 0;
}

// The characters a wvsprintf-style formatter produces at most, and the missing-string message's.
constexpr std::size_t kFormatLimit = 1024;
constexpr std::size_t kMessageLimit = 199;

}  // namespace

wchar_t* MLoadString(HINSTANCE module, unsigned int id, wchar_t* buffer, std::size_t size) {
  if (size == 0 || buffer == nullptr) return buffer;
  if (id == 0) {
    buffer[0] = 0;
    return buffer;
  }
  const int capacity = size > INT_MAX ? INT_MAX : static_cast<int>(size);
  if (LoadStringW(module, id, buffer, capacity) > 0) return buffer;
  const DWORD name_capacity = size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(size);
  if (GetModuleFileNameW(module, buffer, name_capacity) == 0) buffer[0] = 0;
  wchar_t message[kMessageLimit + 1];
  const std::wstring text = zb::platform::FormatTextW(
      L"ID=%u: can't load string from module: '%s', h=%p", id, buffer, static_cast<void*>(module));
  CopyCut(message, sizeof message / sizeof message[0], text.c_str());
  CopyCut(buffer, size, message);
  return buffer;
}

wchar_t* MLoadString(unsigned int id, wchar_t* buffer, std::size_t size) {
  return MLoadString(CZorResource::GetResInstance(), id, buffer, size);
}

CString& MLoadString(CString& out, unsigned int id) {
  // A result at least 3 characters shorter than its buffer cannot have been cut.
  wchar_t scratch[257];
  MLoadString(id, scratch, 257);
  if (std::wcslen(scratch) < 255) {
    out = scratch;
    return out;
  }
  for (int size = 513;; size += 256) {
    wchar_t* buffer = out.GetBuffer(size);
    MLoadString(id, buffer, static_cast<std::size_t>(size));
    const std::size_t length = std::wcslen(buffer);
    out.ReleaseBuffer(static_cast<int>(length));
    if (length + 3 <= static_cast<std::size_t>(size)) break;
  }
  return out;
}

wchar_t* MLoadStringF(unsigned int id, wchar_t* buffer, std::size_t size, ...) {
  MLoadString(id, buffer, size);
  if (size == 0 || buffer == nullptr || buffer[0] == 0) return buffer;
  wchar_t formatted[kFormatLimit + 1];
  va_list args;
  va_start(args, size);
  if (zb::platform::FormatW(formatted, kFormatLimit + 1, buffer, args) < 0) formatted[0] = 0;
  va_end(args);
  CopyCut(buffer, size, formatted);
  return buffer;
}
