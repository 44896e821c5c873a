// The clipboard calls: who has the clipboard open, the blocks this process put there, and the
// conversion between the two text formats. The text itself lives on the desktop (or, without a
// display, in this file), so what other programs copy shows here and what we copy shows there.
#include <zorbase/platform/clipboard.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/portable/clipboard_backend.h>
#include <zorbase/platform/win_errors.h>

namespace {

namespace backend = zb::platform::clipboard;

struct Clipboard {
  std::mutex mutex;
  bool open = false;
  std::thread::id opener;
  HWND window = nullptr;
  // Blocks this process set, in the order it set them; they describe the clipboard for as long
  // as the desktop still holds the text they published.
  std::map<UINT, HGLOBAL> own;
  std::vector<UINT> own_order;
  bool published = false;
  std::string published_utf8;
  // Emptied and not yet given new text: the desktop is emptied when the clipboard closes.
  bool pending_clear = false;
  // The desktop's text as read once while the clipboard is open.
  bool snapshot_valid = false;
  bool snapshot_has_text = false;
  std::string snapshot_utf8;
  // Converted blocks handed out by GetClipboardData, freed at close and empty.
  std::map<UINT, HGLOBAL> converted;
  // The process's own clipboard when there is no display.
  bool memory_has_text = false;
  std::string memory_utf8;
};

Clipboard& TheClipboard() {
  static Clipboard* clipboard = new Clipboard;  // outlives statics that use it at exit
  return *clipboard;
}

bool IsTextFormat(UINT format) { return format == CF_TEXT || format == CF_UNICODETEXT; }

bool OpenedByCaller(const Clipboard& c) {
  return c.open && c.opener == std::this_thread::get_id();
}

DWORD Read(Clipboard& c, bool* has_text, std::string* utf8) {
  if (!backend::HaveDesktopClipboard()) {
    *has_text = c.memory_has_text;
    *utf8 = c.memory_utf8;
    return ERROR_SUCCESS;
  }
  return backend::ReadDesktopText(has_text, utf8);
}

DWORD Write(Clipboard& c, const std::string& utf8) {
  if (!backend::HaveDesktopClipboard()) {
    c.memory_has_text = true;
    c.memory_utf8 = utf8;
    return ERROR_SUCCESS;
  }
  return backend::WriteDesktopText(utf8);
}

void Clear(Clipboard& c) {
  if (!backend::HaveDesktopClipboard()) {
    c.memory_has_text = false;
    c.memory_utf8.clear();
    return;
  }
  backend::ClearDesktopText();
}

void FreeAll(std::map<UINT, HGLOBAL>* blocks) {
  for (auto& entry : *blocks) GlobalFree(entry.second);
  blocks->clear();
}

void DropOwn(Clipboard& c) {
  FreeAll(&c.own);
  c.own_order.clear();
  c.published = false;
  c.published_utf8.clear();
}

// The text of a block of `format`, up to its terminator or its end.
bool BlockText(HGLOBAL block, UINT format, std::wstring* text) {
  const SIZE_T size = GlobalSize(block);
  if (size == 0 && GetLastError() == ERROR_INVALID_HANDLE) return false;
  const void* data = GlobalLock(block);
  if (data == nullptr) return false;
  if (format == CF_UNICODETEXT) {
    const auto* wide = static_cast<const wchar_t*>(data);
    const std::size_t units = size / sizeof(wchar_t);
    *text = std::wstring(wide, std::find(wide, wide + units, L'\0'));
  } else {
    const auto* bytes = static_cast<const char*>(data);
    *text = zb::platform::MultiToWide(std::string(bytes, std::find(bytes, bytes + size, '\0')));
  }
  GlobalUnlock(block);
  return true;
}

// A new movable block holding `text` in `format`, terminator included.
HGLOBAL MakeBlock(UINT format, const std::wstring& text) {
  const std::string ansi = format == CF_TEXT ? zb::platform::WideToMulti(text) : std::string();
  const SIZE_T size = format == CF_TEXT ? ansi.size() + 1 : (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (block == nullptr) return nullptr;
  void* data = GlobalLock(block);
  if (format == CF_TEXT) {
    std::memcpy(data, ansi.c_str(), size);
  } else {
    std::memcpy(data, text.c_str(), size);
  }
  GlobalUnlock(block);
  return block;
}

// What the clipboard offers now. `*ours` tells whether the desktop still holds the text this
// process set (then its own blocks count); blocks of ours that another program's copy replaced
// are freed.
DWORD Offer(Clipboard& c, std::vector<UINT>* formats, bool* ours, std::wstring* foreign) {
  formats->clear();
  *ours = false;
  bool has_text = false;
  std::string utf8;
  if (OpenedByCaller(c) && c.snapshot_valid) {
    has_text = c.snapshot_has_text;
    utf8 = c.snapshot_utf8;
  } else {
    const DWORD error = Read(c, &has_text, &utf8);
    if (error != ERROR_SUCCESS) return error;
    if (OpenedByCaller(c)) {
      c.snapshot_valid = true;
      c.snapshot_has_text = has_text;
      c.snapshot_utf8 = utf8;
    }
  }
  if (!c.own.empty() && c.published && has_text && utf8 == c.published_utf8) {
    *ours = true;
    *formats = c.own_order;
    for (UINT format : {CF_UNICODETEXT, CF_TEXT}) {
      if (c.own.count(format) == 0) formats->push_back(format);
    }
    return ERROR_SUCCESS;
  }
  if (!c.own.empty()) DropOwn(c);
  if (has_text && !utf8.empty()) {
    *formats = {CF_UNICODETEXT, CF_TEXT};
    *foreign = zb::platform::Utf8ToWide(utf8);
  }
  return ERROR_SUCCESS;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

BOOL OpenClipboard(HWND owner) {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (c.open && c.opener != std::this_thread::get_id()) return Fail(ERROR_ACCESS_DENIED);
  if (!c.open) c.snapshot_valid = false;
  c.open = true;
  c.opener = std::this_thread::get_id();
  c.window = owner;
  return TRUE;
}

BOOL CloseClipboard() {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (!OpenedByCaller(c)) return Fail(ERROR_CLIPBOARD_NOT_OPEN);
  if (c.pending_clear) Clear(c);
  c.pending_clear = false;
  FreeAll(&c.converted);
  c.open = false;
  c.window = nullptr;
  c.snapshot_valid = false;
  return TRUE;
}

BOOL EmptyClipboard() {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (!OpenedByCaller(c)) return Fail(ERROR_CLIPBOARD_NOT_OPEN);
  DropOwn(c);
  FreeAll(&c.converted);
  c.pending_clear = true;
  c.snapshot_valid = true;
  c.snapshot_has_text = false;
  c.snapshot_utf8.clear();
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (!OpenedByCaller(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (!IsTextFormat(format)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::wstring text;
  if (!BlockText(data, format, &text)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Unicode text is what the desktop gets whenever this process set it; ANSI text only until then.
  if (format == CF_UNICODETEXT || c.own.count(CF_UNICODETEXT) == 0) {
    const std::string utf8 = zb::platform::WideToUtf8(text);
    const DWORD error = Write(c, utf8);
    if (error != ERROR_SUCCESS) {
      SetLastError(error);
      return nullptr;
    }
    c.published = true;
    c.published_utf8 = utf8;
    c.pending_clear = false;
    c.snapshot_valid = true;
    c.snapshot_has_text = true;
    c.snapshot_utf8 = utf8;
  }
  auto it = c.own.find(format);
  if (it != c.own.end()) {
    if (it->second != data) GlobalFree(it->second);
    it->second = data;
  } else {
    c.own[format] = data;
    c.own_order.push_back(format);
  }
  FreeAll(&c.converted);  // converted text of the old content
  return data;
}

HANDLE GetClipboardData(UINT format) {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (!OpenedByCaller(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  std::vector<UINT> formats;
  bool ours = false;
  std::wstring foreign;
  const DWORD error = Offer(c, &formats, &ours, &foreign);
  if (error != ERROR_SUCCESS ||
      std::find(formats.begin(), formats.end(), format) == formats.end()) {
    SetLastError(error != ERROR_SUCCESS ? error : ERROR_NOT_FOUND);
    return nullptr;
  }
  if (ours) {
    auto it = c.own.find(format);
    if (it != c.own.end()) return it->second;
  }
  auto done = c.converted.find(format);
  if (done != c.converted.end()) return done->second;
  std::wstring text = foreign;
  if (ours) {
    const UINT other = format == CF_TEXT ? CF_UNICODETEXT : CF_TEXT;
    if (!BlockText(c.own[other], other, &text)) {
      SetLastError(ERROR_NOT_FOUND);
      return nullptr;
    }
  }
  HGLOBAL block = MakeBlock(format, text);
  if (block != nullptr) c.converted[format] = block;
  return block;
}

// The formats offered now, or an error (set as the last error too).
static DWORD CurrentFormats(Clipboard& c, std::vector<UINT>* formats) {
  bool ours = false;
  std::wstring foreign;
  const DWORD error = Offer(c, formats, &ours, &foreign);
  if (error != ERROR_SUCCESS) SetLastError(error);
  return error;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  std::vector<UINT> formats;
  if (CurrentFormats(c, &formats) != ERROR_SUCCESS) return FALSE;
  return std::find(formats.begin(), formats.end(), format) != formats.end() ? TRUE : FALSE;
}

int CountClipboardFormats() {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  std::vector<UINT> formats;
  if (CurrentFormats(c, &formats) != ERROR_SUCCESS) return 0;
  return static_cast<int>(formats.size());
}

UINT EnumClipboardFormats(UINT format) {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (!OpenedByCaller(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return 0;
  }
  std::vector<UINT> formats;
  if (CurrentFormats(c, &formats) != ERROR_SUCCESS) return 0;
  auto it = format == 0 ? formats.begin() : std::find(formats.begin(), formats.end(), format);
  if (format != 0 && it != formats.end()) ++it;
  if (it == formats.end()) {
    SetLastError(ERROR_SUCCESS);
    return 0;
  }
  return *it;
}

HWND GetOpenClipboardWindow() {
  Clipboard& c = TheClipboard();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.open ? c.window : nullptr;
}
