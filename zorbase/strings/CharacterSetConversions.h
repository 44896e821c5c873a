// CharacterSetConversions: owning holders that convert text between wide characters and the ANSI
// code page on construction, and functions that hand out new copies in either character set.
// Every conversion goes through the platform's WideCharToMultiByte / MultiByteToWideChar with the
// ANSI code page (code page 0), terminator included; nothing here keeps state.
#pragma once

#include <cstddef>
#include <string>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/strings/MString.h>

namespace CharacterSetConversions {

template <typename CharT>
class String;

// Narrow text in the ANSI code page, owned by the holder and freed with it. The pointer is null
// when the conversion failed (or the source was a null pointer). Not copyable.
template <>
class ZORBASE_API String<char> {
 public:
  // Wide text converted to the ANSI code page; characters it lacks become the platform's '?'.
  String(const CString& text);
  // C_STR(): a string without buffer gives an empty text.
  String(const MString& text);
  // Up to the first NUL.
  String(const std::wstring& text);
  // Characters the code page lacks become `default_char`.
  String(const wchar_t* text, char default_char);
  // A copy.
  String(const char* text);
  ~String();
  String(const String&) = delete;
  String& operator=(const String&) = delete;

  operator const char*() const { return m_text; }
  const char* c_str() const { return m_text; }

 private:
  void _Convert(const wchar_t* text, std::size_t length, const char* default_char);
  char* m_text = nullptr;
};

// Wide text, owned by the holder and freed with it. The pointer is null when the conversion failed
// (or the source was a null pointer). Not copyable.
template <>
class ZORBASE_API String<wchar_t> {
 public:
  // Copies up to the first NUL (a string without buffer gives an empty text).
  String(const CString& text);
  String(const MString& text);
  String(const std::wstring& text);
  // A copy; the char is not used.
  String(const wchar_t* text, char unused);
  // Converted from the ANSI code page.
  String(const char* text);
  ~String();
  String(const String&) = delete;
  String& operator=(const String&) = delete;

  operator const wchar_t*() const { return m_text; }
  const wchar_t* c_str() const { return m_text; }

 private:
  void _Copy(const wchar_t* text);
  wchar_t* m_text = nullptr;
};

// The CopyToNew functions store a new array (the caller frees it with delete[]) in `out` and its
// size, terminator included, in `size`, and return true. A conversion that fails returns false and
// changes neither. A null wide source counts as empty text.
ZORBASE_API bool CopyToNewWCS(wchar_t*& out, std::size_t& size, const wchar_t* text);
ZORBASE_API bool CopyToNewWCS(wchar_t*& out, std::size_t& size, const std::wstring& text);
ZORBASE_API bool CopyToNewWCS(wchar_t*& out, std::size_t& size, const CString& text);
ZORBASE_API bool CopyToNewWCS(wchar_t*& out, std::size_t& size, const MString& text);
// From the ANSI code page.
ZORBASE_API bool CopyToNewWCS(wchar_t*& out, std::size_t& size, const char* text);
ZORBASE_API bool CopyToNewTCS(wchar_t*& out, std::size_t& size, const wchar_t* text);
ZORBASE_API bool CopyToNewTCS(wchar_t*& out, std::size_t& size, const char* text);
// To the ANSI code page; characters it lacks become `default_char` (null: the platform's '?').
ZORBASE_API bool CopyToNewMBCS(char*& out, std::size_t& size, const wchar_t* text,
                               const char* default_char = nullptr);
ZORBASE_API bool CopyToNewMBCS(char*& out, std::size_t& size, const std::wstring& text);
ZORBASE_API bool CopyToNewMBCS(char*& out, std::size_t& size, const CString& text);
ZORBASE_API bool CopyToNewMBCS(char*& out, std::size_t& size, const MString& text);
// A narrow copy.
ZORBASE_API bool CopyToNewMBCS(char*& out, std::size_t& size, const char* text);

}  // namespace CharacterSetConversions
