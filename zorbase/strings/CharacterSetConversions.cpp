// CharacterSetConversions (CharacterSetConversions.h).
#include <zorbase/strings/CharacterSetConversions.h>

#include <cstring>
#include <cwchar>
#include <limits>
#include <memory>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

namespace CharacterSetConversions {
namespace {

// `length` wide characters of `text` plus a terminator in the ANSI code page, as a new array of
// `*size` bytes (terminator included); null when the platform refuses. Single-byte code pages fit
// in the first guess, so they convert in one pass.
char* ToAnsi(const wchar_t* text, std::size_t length, const char* default_char, std::size_t* size) {
  if (text == nullptr || length >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return nullptr;
  const int count = static_cast<int>(length) + 1;  // the terminator converts with the text
  std::unique_ptr<char[]> out(new char[length + 1]);
  int written = WideCharToMultiByte(CP_ACP, 0, text, count, out.get(), count, default_char, nullptr);
  if (written == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    const int needed = WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, default_char, nullptr);
    if (needed <= 0) return nullptr;
    out.reset(new char[static_cast<std::size_t>(needed)]);
    written = WideCharToMultiByte(CP_ACP, 0, text, count, out.get(), needed, default_char, nullptr);
  }
  if (written <= 0) return nullptr;
  *size = static_cast<std::size_t>(written);
  return out.release();
}

// The text up to its NUL converted from the ANSI code page, as a new array of `*size` characters.
wchar_t* FromAnsi(const char* text, std::size_t* size) {
  if (text == nullptr) return nullptr;
  const std::size_t length = std::strlen(text);
  if (length >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return nullptr;
  const int count = static_cast<int>(length) + 1;
  // No code page makes more characters than bytes.
  std::unique_ptr<wchar_t[]> out(new wchar_t[length + 1]);
  const int written = MultiByteToWideChar(CP_ACP, 0, text, count, out.get(), count);
  if (written <= 0) return nullptr;
  *size = static_cast<std::size_t>(written);
  return out.release();
}

std::size_t WideLength(const wchar_t* text, std::size_t limit) {
  const wchar_t* nul = std::wmemchr(text, 0, limit);
  return nul != nullptr ? static_cast<std::size_t>(nul - text) : limit;
}

wchar_t* CopyWide(const wchar_t* text, std::size_t length) {
  wchar_t* out = new wchar_t[length + 1];
  std::wmemcpy(out, text, length);
  out[length] = 0;
  return out;
}

}  // namespace

// ---- String<char> ------------------------------------------------------------------------------

void String<char>::_Convert(const wchar_t* text, std::size_t length, const char* default_char) {
  std::size_t size = 0;
  m_text = ToAnsi(text, length, default_char, &size);
}

String<char>::String(const CString& text) {
  _Convert(text.GetString(), WideLength(text.GetString(), static_cast<std::size_t>(text.GetLength())), nullptr);
}

String<char>::String(const MString& text) {
  _Convert(text.C_STR(), WideLength(text.C_STR(), text.LEN()), nullptr);
}

String<char>::String(const std::wstring& text) {
  _Convert(text.c_str(), WideLength(text.c_str(), text.size()), nullptr);
}

String<char>::String(const wchar_t* text, char default_char) {
  if (text != nullptr) _Convert(text, std::wcslen(text), &default_char);
}

String<char>::String(const char* text) {
  if (text == nullptr) return;
  const std::size_t size = std::strlen(text) + 1;
  m_text = new char[size];
  std::memcpy(m_text, text, size);
}

String<char>::~String() { delete[] m_text; }

// ---- String<wchar_t> ---------------------------------------------------------------------------

void String<wchar_t>::_Copy(const wchar_t* text) {
  if (text != nullptr) m_text = CopyWide(text, std::wcslen(text));
}

String<wchar_t>::String(const CString& text) { _Copy(text.GetString()); }

String<wchar_t>::String(const MString& text) { _Copy(text.C_STR()); }

String<wchar_t>::String(const std::wstring& text) { _Copy(text.c_str()); }

String<wchar_t>::String(const wchar_t* text, char /*unused*/) { _Copy(text); }

String<wchar_t>::String(const char* text) {
  std::size_t size = 0;
  m_text = FromAnsi(text, &size);
}

String<wchar_t>::~String() { delete[] m_text; }

// ---- CopyToNew ---------------------------------------------------------------------------------

namespace {

bool StoreWide(wchar_t*& out, std::size_t& size, const wchar_t* text, std::size_t length) {
  out = CopyWide(text, length);
  size = length + 1;
  return true;
}

}  // namespace

bool CopyToNewWCS(wchar_t*& out, std::size_t& size, const wchar_t* text) {
  if (text == nullptr) text = L"";
  return StoreWide(out, size, text, std::wcslen(text));
}

bool CopyToNewWCS(wchar_t*& out, std::size_t& size, const std::wstring& text) {
  return StoreWide(out, size, text.c_str(), WideLength(text.c_str(), text.size()));
}

bool CopyToNewWCS(wchar_t*& out, std::size_t& size, const CString& text) {
  return CopyToNewWCS(out, size, text.GetString());
}

bool CopyToNewWCS(wchar_t*& out, std::size_t& size, const MString& text) {
  return CopyToNewWCS(out, size, text.C_STR());
}

bool CopyToNewWCS(wchar_t*& out, std::size_t& size, const char* text) {
  std::size_t converted = 0;
  wchar_t* made = FromAnsi(text, &converted);
  if (made == nullptr) return false;
  out = made;
  size = converted;
  return true;
}

bool CopyToNewTCS(wchar_t*& out, std::size_t& size, const wchar_t* text) { return CopyToNewWCS(out, size, text); }

bool CopyToNewTCS(wchar_t*& out, std::size_t& size, const char* text) { return CopyToNewWCS(out, size, text); }

bool CopyToNewMBCS(char*& out, std::size_t& size, const wchar_t* text, const char* default_char) {
  if (text == nullptr) return false;
  std::size_t converted = 0;
  char* made = ToAnsi(text, std::wcslen(text), default_char, &converted);
  if (made == nullptr) return false;
  out = made;
  size = converted;
  return true;
}

bool CopyToNewMBCS(char*& out, std::size_t& size, const std::wstring& text) {
  return CopyToNewMBCS(out, size, text.c_str(), nullptr);
}

bool CopyToNewMBCS(char*& out, std::size_t& size, const CString& text) {
  return CopyToNewMBCS(out, size, text.GetString(), nullptr);
}

bool CopyToNewMBCS(char*& out, std::size_t& size, const MString& text) {
  return CopyToNewMBCS(out, size, text.C_STR(), nullptr);
}

bool CopyToNewMBCS(char*& out, std::size_t& size, const char* text) {
  if (text == nullptr) text = "";
  size = std::strlen(text) + 1;
  out = new char[size];
  std::memcpy(out, text, size);
  return true;
}

}  // namespace CharacterSetConversions
