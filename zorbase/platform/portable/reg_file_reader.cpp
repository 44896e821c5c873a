// Internal: the reader of .reg files (reg_file.h). It reads line by line with the rules of the
// Windows registry tools, so a file imports here as it imports there; every line those tools skip
// is named with its reason instead of passing unnoticed.
#include <zorbase/platform/portable/reg_file.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/registry.h>

namespace zb {
namespace platform {
namespace regfile {

namespace {

// Any other header that starts like this is accepted without importing anything.
constexpr const wchar_t* kAnyRegeditHeader = L"REGEDIT";
// Longest value data the reader accepts from one value (the format has no limit; this keeps a
// hostile file from exhausting memory).
constexpr std::size_t kMaxValueData = 64u << 20;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::size_t SkipBlanks(const std::wstring& text, std::size_t at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at;
}

// Whether `prefix` stands at text[at]; with `fold`, ASCII letters match in either case.
bool HasPrefix(const std::wstring& text, std::size_t at, const wchar_t* prefix, bool fold) {
  for (std::size_t i = 0; prefix[i] != 0; ++i, ++at) {
    if (at >= text.size()) return false;
    wchar_t c = text[at];
    if (fold) c = zb::internal::AsciiToLower(c);
    if (c != prefix[i]) return false;
  }
  return true;
}

int HexDigit(wchar_t c) {
  const int value = zb::internal::AsciiDigitValue(c);
  return value < 16 ? value : -1;
}

// Only blanks or a comment from text[at] on.
bool NothingButComment(const std::wstring& text, std::size_t at) {
  at = SkipBlanks(text, at);
  return at >= text.size() || text[at] == L';';
}

std::string Narrow(wchar_t c) { return WideToUtf8(std::wstring(1, c)); }

// Decodes the file's bytes to text by its byte-order mark or, without one, as UTF-8 when it is
// well-formed UTF-8 and in the ANSI code page otherwise.
std::wstring DecodeText(const BYTE* bytes, std::size_t size) {
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return Utf16LeToWide(bytes + 2, size - 2);
  if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    std::string swapped(reinterpret_cast<const char*>(bytes + 2), size - 2);
    for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return Utf16LeToWide(swapped.data(), swapped.size());
  }
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    return Utf8ToWide(std::string(reinterpret_cast<const char*>(bytes + 3), size - 3));
  }
  if (size == 0) return std::wstring();
  std::string text(reinterpret_cast<const char*>(bytes), size);
  if (size < 0x7FFFFFFF &&
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(size), nullptr, 0) > 0) {
    return Utf8ToWide(text);
  }
  return MultiToWide(text, CP_ACP);
}

// Lines end at CR LF, CR or LF.
std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

enum class Quoted { kOk, kUnterminated, kBadEscape };

// Reads the quoted text that starts at text[*at] == '"' and leaves *at after the closing quote.
// Only \\ and \" are escapes; any other backslash (\0 included) makes the text invalid, and
// *escape is the character after it (0 for a backslash at the end of the line).
Quoted ReadQuoted(const std::wstring& text, std::size_t* at, std::wstring* out, wchar_t* escape) {
  out->clear();
  for (std::size_t i = *at + 1; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'"') {
      *at = i + 1;
      return Quoted::kOk;
    }
    if (c == L'\\') {
      const wchar_t next = i + 1 < text.size() ? text[i + 1] : 0;
      if (next != L'\\' && next != L'"') {
        *escape = next;
        return next == 0 ? Quoted::kUnterminated : Quoted::kBadEscape;
      }
      ++i;
      *out += next;
      continue;
    }
    *out += c;
  }
  return Quoted::kUnterminated;
}

enum class HexLine { kDone, kContinued, kBad };

// Reads comma-separated bytes (one or two hex digits each) from text[at] on and appends them. The
// data may end in a comment, and a backslash after a comma (or alone) continues it on the next
// line, where again a comment may follow.
HexLine ReadHexBytes(const std::wstring& text, std::size_t at, std::vector<BYTE>* bytes, std::string* why) {
  at = SkipBlanks(text, at);
  for (;;) {
    if (at >= text.size() || text[at] == L';') return HexLine::kDone;
    if (text[at] == L'\\') {
      if (NothingButComment(text, at + 1)) return HexLine::kContinued;
      *why = "text after '\\'";
      return HexLine::kBad;
    }
    int byte = HexDigit(text[at]);
    if (byte < 0) {
      *why = "bad hex byte";
      return HexLine::kBad;
    }
    ++at;
    if (at < text.size() && HexDigit(text[at]) >= 0) byte = byte * 16 + HexDigit(text[at++]);
    if (at < text.size() && HexDigit(text[at]) >= 0) {
      *why = "bad hex byte";
      return HexLine::kBad;
    }
    if (bytes->size() >= kMaxValueData) {
      *why = "value data too long";
      return HexLine::kBad;
    }
    bytes->push_back(static_cast<BYTE>(byte));
    at = SkipBlanks(text, at);
    if (at >= text.size() || text[at] == L';') return HexLine::kDone;
    if (text[at] != L',') {
      *why = "',' expected between hex bytes";
      return HexLine::kBad;
    }
    at = SkipBlanks(text, at + 1);
  }
}

class Reader {
 public:
  Reader(const std::vector<std::wstring>& lines, Document* document, std::vector<ParseError>* skipped)
      : lines_(lines), document_(document), skipped_(skipped) {}

  bool Run() {
    const Header header = ReadHeader();
    if (header == Header::kRefused) return false;
    for (std::size_t i = 1; header == Header::kImports && i < lines_.size(); ++i) {
      const int number = static_cast<int>(i) + 1;
      if (hex_active_) {
        ContinueHex(lines_[i], number);
      } else {
        ReadLine(lines_[i], number);
      }
    }
    // Hex data continued past the end of the file holds the bytes read so far.
    if (hex_active_) FinishHex();
    std::stable_sort(skipped_->begin(), skipped_->end(),
                     [](const ParseError& a, const ParseError& b) { return a.line < b.line; });
    return true;
  }

 private:
  enum class Header { kImports, kImportsNothing, kRefused };
  // What the values that follow belong to.
  enum class Key { kNone, kOpen, kDeleted, kSkipped };

  void Skip(int line, std::string reason) {
    ParseError error;
    error.line = line;
    error.message = std::move(reason);
    skipped_->push_back(std::move(error));
  }

  // The first line, as Windows reads it: leading blanks, then REGEDIT4 or the 5.00 header (text may
  // follow either). Any other "REGEDIT..." is accepted and imports nothing; anything else, an
  // empty first line included, is no registry file.
  Header ReadHeader() {
    if (lines_.empty()) {
      Skip(1, "empty file");
      return Header::kRefused;
    }
    std::wstring line = lines_[0];
    if (!line.empty() && line[0] == 0xFEFF) line.erase(0, 1);
    const std::size_t at = SkipBlanks(line, 0);
    if (HasPrefix(line, at, kRegedit4Header, false)) {
      document_->regedit4 = true;
      return Header::kImports;
    }
    if (HasPrefix(line, at, kVersion5Header, false)) return Header::kImports;
    if (HasPrefix(line, at, kAnyRegeditHeader, false)) {
      Skip(1, "header " + WideToUtf8(line.substr(at)) + " imports nothing");
      return Header::kImportsNothing;
    }
    Skip(1, "not a registry file: unknown header");
    return Header::kRefused;
  }

  void ReadLine(const std::wstring& line, int number) {
    const std::size_t at = SkipBlanks(line, 0);
    if (at >= line.size() || line[at] == L';' || line[at] == L'#') return;
    if (line[at] == L'[') return ReadKey(line, at + 1, number);
    if (line[at] == L'@' || line[at] == L'"') return ReadValue(line, at, number);
    Skip(number, "unrecognised line");
  }

  void SkipKey(int number, const char* reason) {
    Skip(number, reason);
    key_ = Key::kSkipped;
    key_line_ = number;
  }

  // "[ROOT\path]" or "[-ROOT\path]"; what follows the last ']' is ignored, as Windows does.
  void ReadKey(const std::wstring& line, std::size_t at, int number) {
    if (at < line.size() && IsBlank(line[at])) return SkipKey(number, "blank after '['");
    const std::size_t close = line.rfind(L']');
    if (close == std::wstring::npos || close < at) return SkipKey(number, "key line without ']'");
    Section section;
    section.line = number;
    std::wstring path = line.substr(at, close - at);
    // Names are handed on as C strings: one cut at a NUL would denote another key.
    if (path.find(L'\0') != std::wstring::npos) return SkipKey(number, "NUL character in key name");
    if (!path.empty() && path[0] == L'-') {
      section.remove = true;
      path.erase(0, 1);
    }
    std::wstring root;
    std::wstring rest;
    if (!SplitRootPath(path, &root, &rest)) return SkipKey(number, "unknown root key");
    std::vector<std::wstring> levels;
    if (reg::SplitKeyPath(rest.c_str(), &levels) != ERROR_SUCCESS) return SkipKey(number, "bad key path");
    if (section.remove && levels.empty()) return SkipKey(number, "a root key cannot be deleted");
    section.path = root;
    for (const std::wstring& level : levels) section.path += L"\\" + level;
    document_->sections.push_back(std::move(section));
    key_ = document_->sections.back().remove ? Key::kDeleted : Key::kOpen;
    key_line_ = number;
  }

  void ReadValue(const std::wstring& line, std::size_t at, int number) {
    Value value;
    value.line = number;
    wchar_t escape = 0;
    if (line[at] == L'@') {
      ++at;
    } else {
      const Quoted quoted = ReadQuoted(line, &at, &value.name, &escape);
      if (quoted == Quoted::kUnterminated) return Skip(number, "unterminated value name");
      if (quoted == Quoted::kBadEscape) return Skip(number, "unknown escape \\" + Narrow(escape) + " in the value name");
    }
    if (value.name.find(L'\0') != std::wstring::npos) return Skip(number, "NUL character in value name");
    if (value.name.size() > reg::kMaxValueNameLength) return Skip(number, "value name too long");
    at = SkipBlanks(line, at);
    if (at >= line.size() || line[at] != L'=') return Skip(number, "'=' expected");
    at = SkipBlanks(line, at + 1);
    if (at >= line.size()) return Skip(number, "unknown value data");
    if (line[at] == L'-') {
      if (!NothingButComment(line, at + 1)) return Skip(number, "text after '-'");
      value.remove = true;
      return Finish(std::move(value));
    }
    if (line[at] == L'"') {
      std::wstring text;
      const Quoted quoted = ReadQuoted(line, &at, &text, &escape);
      if (quoted == Quoted::kUnterminated) return Skip(number, "unterminated string");
      if (quoted == Quoted::kBadEscape) return Skip(number, "unknown escape \\" + Narrow(escape) + " in the string");
      if (!NothingButComment(line, at)) return Skip(number, "text after string");
      value.type = REG_SZ;
      value.data = reg::SzData(text);
      return Finish(std::move(value));
    }
    if (HasPrefix(line, at, L"dword:", true)) {
      at = SkipBlanks(line, at + 6);
      std::uint32_t number_value = 0;
      std::size_t digits = 0;
      for (; at < line.size() && HexDigit(line[at]) >= 0; ++at, ++digits) {
        number_value = (number_value << 4) | static_cast<std::uint32_t>(HexDigit(line[at]));
      }
      if (digits == 0 || digits > 8 || !NothingButComment(line, at)) return Skip(number, "bad dword");
      value.type = REG_DWORD;
      for (int k = 0; k < 4; ++k) value.data.push_back(static_cast<BYTE>(number_value >> (8 * k)));
      return Finish(std::move(value));
    }
    if (HasPrefix(line, at, L"hex", true)) {
      at += 3;
      value.type = REG_BINARY;
      if (at < line.size() && line[at] == L'(') {
        std::uint32_t type = 0;
        std::size_t digits = 0;
        for (++at; at < line.size() && HexDigit(line[at]) >= 0; ++at, ++digits) {
          type = (type << 4) | static_cast<std::uint32_t>(HexDigit(line[at]));
        }
        if (digits == 0 || digits > 8 || at >= line.size() || line[at] != L')') return Skip(number, "bad hex type");
        ++at;
        value.type = type;
      }
      if (at >= line.size() || line[at] != L':') return Skip(number, "':' expected after hex");
      std::string why;
      switch (ReadHexBytes(line, at + 1, &value.data, &why)) {
        case HexLine::kBad:
          return Skip(number, why);
        case HexLine::kContinued:
          hex_ = std::move(value);
          hex_active_ = true;
          return;
        case HexLine::kDone:
          hex_ = std::move(value);
          return FinishHex();
      }
    }
    Skip(number, "unknown value data");
  }

  // A line after hex data that ended in a backslash. Blank lines and comments are passed over; a
  // line that does not start with a hex digit (a lone '\' for one) drops the value.
  void ContinueHex(const std::wstring& line, int number) {
    const std::size_t at = SkipBlanks(line, 0);
    if (at >= line.size() || line[at] == L';') return;
    const std::string dropped = "; the value of line " + std::to_string(hex_.line) + " is dropped";
    std::string why;
    HexLine result = HexLine::kBad;
    if (HexDigit(line[at]) < 0) {
      why = "hex data expected";
    } else {
      result = ReadHexBytes(line, at, &hex_.data, &why);
    }
    if (result == HexLine::kContinued) return;
    hex_active_ = false;
    if (result == HexLine::kDone) return FinishHex();
    Skip(number, why + dropped);
    // Windows drops this line too; a key line is read all the same, so that the values after it
    // never land in the key before it.
    if (line[at] == L'[') ReadLine(line, number);
  }

  void FinishHex() {
    hex_active_ = false;
    Value value = std::move(hex_);
    hex_ = Value();
    if (document_->regedit4 && (value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ)) {
      // REGEDIT4 files hold these strings as 8-bit text of the ANSI code page.
      const std::wstring wide = MultiToWide(std::string(value.data.begin(), value.data.end()), CP_ACP);
      const std::string bytes = WideToUtf16Le(wide.data(), wide.size());
      value.data.assign(bytes.begin(), bytes.end());
    }
    Finish(std::move(value));
  }

  // A value that was read whole goes to the key it belongs to.
  void Finish(Value value) {
    switch (key_) {
      case Key::kNone:
        return Skip(value.line, "value outside a key");
      case Key::kDeleted:
        return Skip(value.line, "value in a deleted key");
      case Key::kSkipped:
        return Skip(value.line, "value of the skipped key line " + std::to_string(key_line_));
      case Key::kOpen:
        document_->sections.back().values.push_back(std::move(value));
        return;
    }
  }

  const std::vector<std::wstring>& lines_;
  Document* document_;
  std::vector<ParseError>* skipped_;
  Key key_ = Key::kNone;
  int key_line_ = 0;
  bool hex_active_ = false;
  Value hex_;  // hex data being read over several lines
};

}  // namespace

bool ReadLines(const void* bytes, std::size_t size, Document* document, std::vector<ParseError>* skipped) {
  *document = Document();
  skipped->clear();
  if (bytes == nullptr && size != 0) {
    ParseError error;
    error.line = 1;
    error.message = "no data";
    skipped->push_back(error);
    return false;
  }
  const std::vector<std::wstring> lines = SplitLines(DecodeText(static_cast<const BYTE*>(bytes), size));
  Reader reader(lines, document, skipped);
  if (reader.Run()) return true;
  *document = Document();
  return false;
}

bool Parse(const void* bytes, std::size_t size, Document* document, ParseError* error) {
  std::vector<ParseError> skipped;
  if (ReadLines(bytes, size, document, &skipped) && skipped.empty()) {
    *error = ParseError();
    return true;
  }
  *error = skipped.front();
  *document = Document();
  return false;
}

}  // namespace regfile
}  // namespace platform
}  // namespace zb
