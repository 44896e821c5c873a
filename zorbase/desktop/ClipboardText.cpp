#include <zorbase/desktop/ClipboardText.h>

#include <algorithm>
#include <cstring>
#include <string>

#include <zorbase/platform/clipboard.h>
#include <zorbase/platform/codepage.h>

namespace {

// The text of a clipboard block up to its terminator or its end.
bool TakeText(HANDLE block, UINT format, std::wstring* text) {
  const SIZE_T size = GlobalSize(block);
  const void* data = GlobalLock(block);
  if (data == nullptr) return false;
  if (format == CF_UNICODETEXT) {
    const auto* wide = static_cast<const wchar_t*>(data);
    *text = std::wstring(wide, std::find(wide, wide + size / sizeof(wchar_t), L'\0'));
  } else {
    const auto* bytes = static_cast<const char*>(data);
    *text = zb::platform::MultiToWide(std::string(bytes, std::find(bytes, bytes + size, '\0')));
  }
  GlobalUnlock(block);
  return true;
}

int Copy(UINT format, const void* text, SIZE_T bytes) {
  if (!OpenClipboard(nullptr)) return 0;
  int accepted = 0;
  if (EmptyClipboard()) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
    void* data = block != nullptr ? GlobalLock(block) : nullptr;
    if (data != nullptr) {
      std::memcpy(data, text, bytes);
      GlobalUnlock(block);
      if (SetClipboardData(format, block) != nullptr) {
        accepted = 1;
      }
    }
    if (!accepted && block != nullptr) GlobalFree(block);
  }
  CloseClipboard();
  return accepted;
}

}  // namespace

int GetTextFromClipboard(CString& text) {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) && !IsClipboardFormatAvailable(CF_TEXT)) {
    return 0;
  }
  if (!OpenClipboard(nullptr)) return 0;
  std::wstring taken;
  bool ok = false;
  for (UINT format : {CF_UNICODETEXT, CF_TEXT}) {
    HANDLE block = GetClipboardData(format);
    if (block != nullptr) {
      ok = TakeText(block, format, &taken);
      break;
    }
  }
  CloseClipboard();
  if (ok) text = taken.c_str();
  return ok ? 1 : 0;
}

int CopyStringToClipboard(const wchar_t* text) {
  if (text == nullptr) return 0;
  return Copy(CF_UNICODETEXT, text, (std::wcslen(text) + 1) * sizeof(wchar_t));
}

int CopyStringToClipboard(const char* text) {
  if (text == nullptr) return 0;
  return Copy(CF_TEXT, text, std::strlen(text) + 1);
}
