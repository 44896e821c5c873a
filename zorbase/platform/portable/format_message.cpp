// FormatMessageW's formatting: where the text comes from, inserts and escapes, the output buffer.
#include <zorbase/platform/format_message.h>
#include <zorbase/platform/portable/message_table.h>

#include <cstdlib>
#include <cstring>

#include <zorbase/platform/format.h>
#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {

bool SystemMessageText(DWORD code, std::wstring* text) {
  if (const wchar_t* windows = WindowsErrorText(code)) {
    *text = windows;
    *text += L"\r\n";
    return true;
  }
  if (ErrnoMessageText(code, text)) {
    *text += L"\r\n";
    return true;
  }
  return false;
}

namespace {

// Reads argument `index` (1-based) as a DWORD_PTR from an array or a va_list. Arguments of a
// va_list can only be read in order; a message that uses them out of order reads them in order of
// appearance, which is what every Windows text with inserts does.
struct Arguments {
  const DWORD_PTR* array = nullptr;
  va_list* list = nullptr;
  DWORD_PTR Next(int index) {
    if (array) return array[index - 1];
    return va_arg(*list, DWORD_PTR);
  }
};

// Expands inserts and escapes of `message` into `out`; false for an insert without arguments.
bool Expand(const std::wstring& message, bool ignore_inserts, Arguments* args, std::wstring* out) {
  for (std::size_t i = 0; i < message.size(); ++i) {
    wchar_t c = message[i];
    if (c != L'%' || i + 1 >= message.size()) {
      out->push_back(c);
      continue;
    }
    wchar_t next = message[i + 1];
    if (ignore_inserts) {
      out->push_back(c);
      continue;
    }
    if (next >= L'1' && next <= L'9') {
      int index = next - L'0';
      std::size_t j = i + 2;
      if (j < message.size() && message[j] >= L'0' && message[j] <= L'9')
        index = index * 10 + (message[j++] - L'0');
      std::wstring format = L"%s";
      if (j < message.size() && message[j] == L'!') {
        std::size_t end = message.find(L'!', j + 1);
        if (end == std::wstring::npos) return false;
        format = L"%" + message.substr(j + 1, end - j - 1);
        j = end + 1;
      }
      if (!args->array && !args->list) return false;
      DWORD_PTR value = args->Next(index);
      *out += FormatTextW(format.c_str(), value);
      i = j - 1;
      continue;
    }
    ++i;
    switch (next) {
      case L'0': return true;
      case L'n': *out += L"\r\n"; break;
      case L'r': out->push_back(L'\r'); break;
      case L't': out->push_back(L'\t'); break;
      case L'b': out->push_back(L' '); break;
      default: out->push_back(next); break;  // %% %. %! and any other character stand for themselves
    }
  }
  return true;
}

}  // namespace
}  // namespace platform
}  // namespace zb

HANDLE LocalAlloc(UINT flags, SIZE_T bytes) {
  void* memory = (flags & LMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1)
                                         : std::malloc(bytes ? bytes : 1);
  if (!memory) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return memory;
}

HANDLE LocalFree(HANDLE memory) {
  std::free(memory);
  return nullptr;
}

DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id,
                     LPWSTR buffer, DWORD size, va_list* arguments) {
  using namespace zb::platform;
  std::wstring message;
  if (flags & FORMAT_MESSAGE_FROM_STRING) {
    if (!source) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    message = static_cast<const wchar_t*>(source);
  } else if (flags & (FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM)) {
    // The module's message table first (null: the executable's), then the system's texts when
    // both are asked for; the error is the last source's.
    bool found = false;
    if (flags & FORMAT_MESSAGE_FROM_HMODULE) {
      HMODULE module = static_cast<HMODULE>(const_cast<void*>(source));
      found = res::FindModuleMessage(module, message_id, language_id, &message);
    }
    if (!found && (flags & FORMAT_MESSAGE_FROM_SYSTEM)) {
      found = SystemMessageText(message_id, &message);
      if (!found) SetLastError(ERROR_MR_MID_NOT_FOUND);
    }
    if (!found) return 0;
  } else {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }

  Arguments args;
  if (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY)
    args.array = reinterpret_cast<const DWORD_PTR*>(arguments);
  else
    args.list = arguments;
  std::wstring text;
  if (!Expand(message, (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0, &args, &text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }

  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    if (!buffer) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    std::size_t units = text.size() + 1 > size ? text.size() + 1 : size;
    auto* out = static_cast<wchar_t*>(LocalAlloc(LMEM_ZEROINIT, units * sizeof(wchar_t)));
    if (!out) return 0;
    std::wmemcpy(out, text.c_str(), text.size() + 1);
    *reinterpret_cast<wchar_t**>(buffer) = out;
    return static_cast<DWORD>(text.size());
  }
  if (!buffer || text.size() + 1 > size) {
    SetLastError(buffer ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wmemcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}
