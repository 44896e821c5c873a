// Internal: reader and writer of .reg files (reg_file.h).
#include <zorbase/platform/portable/reg_file.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <unordered_map>
#include <utility>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/registry.h>
#include <zorbase/platform/internal/ascii.h>

namespace zb {
namespace platform {
namespace regfile {

namespace {

constexpr const wchar_t* kHeader5 = L"Windows Registry Editor Version 5.00";
constexpr const wchar_t* kHeader4 = L"REGEDIT4";
// The writer wraps hex data once a line reaches this many characters.
constexpr std::size_t kHexLineLimit = 77;
// Longest value data the reader accepts from one value (the format has no limit; this keeps a
// hostile file from exhausting memory through one line).
constexpr std::size_t kMaxValueData = 64u << 20;

struct RootName {
  const wchar_t* long_name;
  const wchar_t* short_name;
};
const RootName kRoots[] = {
    {L"HKEY_LOCAL_MACHINE", L"HKLM"}, {L"HKEY_CURRENT_USER", L"HKCU"},
    {L"HKEY_CLASSES_ROOT", L"HKCR"},  {L"HKEY_USERS", L"HKU"},
    {L"HKEY_CURRENT_CONFIG", L"HKCC"},
};

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    // ASCII-only folding: the process locale must not decide (a Turkish "i" upper-cases to U+0130).
    const wchar_t x = zb::internal::AsciiToUpper(a[i]);
    const wchar_t y = zb::internal::AsciiToUpper(b[i]);
    if (x != y) return false;
  }
  return i == a.size() && b[i] == 0;
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trim(const std::wstring& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && (IsSpace(text[begin]) || text[begin] == 0xFEFF)) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

int HexDigit(wchar_t c) {
  const int value = zb::internal::AsciiDigitValue(c);
  return value < 16 ? value : -1;
}

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
  std::string text(reinterpret_cast<const char*>(bytes), size);
  if (size == 0) return std::wstring();
  if (size < 0x7FFFFFFF &&
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(size), nullptr, 0) > 0) {
    return Utf8ToWide(text);
  }
  return MultiToWide(text, CP_ACP);
}

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

std::vector<BYTE> ToBytes(const std::string& bytes) { return std::vector<BYTE>(bytes.begin(), bytes.end()); }

class Parser {
 public:
  Parser(const std::vector<std::wstring>& lines, Document* document, ParseError* error)
      : lines_(lines), document_(document), error_(error) {}

  bool Run() {
    // Header: the first line that is not empty.
    while (index_ < lines_.size() && Trim(lines_[index_]).empty()) ++index_;
    if (index_ >= lines_.size()) return Fail("empty file");
    std::wstring header = Trim(lines_[index_]);
    if (header == kHeader5) {
      document_->regedit4 = false;
    } else if (header == kHeader4) {
      document_->regedit4 = true;
    } else {
      return Fail("not a registry file: unknown header");
    }
    ++index_;
    while (index_ < lines_.size()) {
      std::wstring line = Trim(lines_[index_]);
      int line_number = static_cast<int>(index_) + 1;
      ++index_;
      if (line.empty() || line[0] == L';') continue;
      if (line[0] == L'[') {
        if (!ParseSection(line, line_number)) return false;
      } else if (line[0] == L'"' || line[0] == L'@') {
        if (document_->sections.empty()) return Fail("value outside a key", line_number);
        if (document_->sections.back().remove) return Fail("value in a deleted key", line_number);
        if (!ParseValue(line, line_number)) return false;
      } else {
        return Fail("unrecognised line", line_number);
      }
    }
    return true;
  }

 private:
  bool Fail(const char* message, int line = 0) {
    error_->line = line == 0 ? static_cast<int>(index_) + 1 : line;
    error_->message = message;
    return false;
  }

  bool ParseSection(const std::wstring& line, int line_number) {
    std::size_t close = line.rfind(L']');
    if (close == std::wstring::npos || close < 1) return Fail("key line without ']'", line_number);
    for (std::size_t i = close + 1; i < line.size(); ++i) {
      if (!IsSpace(line[i])) return Fail("text after ']'", line_number);
    }
    Section section;
    section.line = line_number;
    std::wstring path = line.substr(1, close - 1);
    // Names are handed on as C strings: one cut at a NUL would denote another key.
    if (path.find(L'\0') != std::wstring::npos) return Fail("NUL character in key name", line_number);
    if (!path.empty() && path[0] == L'-') {
      section.remove = true;
      path.erase(0, 1);
    }
    std::wstring root;
    std::wstring rest;
    if (!SplitRootPath(path, &root, &rest)) return Fail("unknown root key", line_number);
    std::vector<std::wstring> levels;
    if (reg::SplitKeyPath(rest.c_str(), &levels) != ERROR_SUCCESS) return Fail("bad key path", line_number);
    section.path = root;
    for (const std::wstring& level : levels) section.path += L"\\" + level;
    document_->sections.push_back(std::move(section));
    return true;
  }

  // Reads a quoted string starting at line[*at] == '"'; leaves *at after the closing quote.
  bool ReadQuoted(const std::wstring& line, std::size_t* at, std::wstring* text) {
    std::size_t i = *at + 1;
    text->clear();
    while (i < line.size()) {
      wchar_t c = line[i];
      if (c == L'"') {
        *at = i + 1;
        return true;
      }
      if (c == L'\\' && i + 1 < line.size()) {
        wchar_t next = line[i + 1];
        if (next == L'\\' || next == L'"') {
          *text += next;
          i += 2;
          continue;
        }
      }
      *text += c;
      ++i;
    }
    return false;
  }

  bool ParseValue(const std::wstring& line, int line_number) {
    Value value;
    std::size_t at = 0;
    if (line[0] == L'@') {
      at = 1;
    } else if (!ReadQuoted(line, &at, &value.name)) {
      return Fail("unterminated value name", line_number);
    }
    if (value.name.find(L'\0') != std::wstring::npos) {
      return Fail("NUL character in value name", line_number);
    }
    if (value.name.size() > reg::kMaxValueNameLength) return Fail("value name too long", line_number);
    while (at < line.size() && IsSpace(line[at])) ++at;
    if (at >= line.size() || line[at] != L'=') return Fail("'=' expected", line_number);
    ++at;
    while (at < line.size() && IsSpace(line[at])) ++at;
    std::wstring rest = line.substr(at);
    if (rest == L"-") {
      value.remove = true;
    } else if (!rest.empty() && rest[0] == L'"') {
      std::size_t end = 0;
      std::wstring text;
      if (!ReadQuoted(rest, &end, &text)) return Fail("unterminated string", line_number);
      if (!Trailer(rest, end)) return Fail("text after string", line_number);
      value.type = REG_SZ;
      value.data = reg::SzData(text);
    } else if (rest.size() >= 6 && EqualsNoCase(rest.substr(0, 6), L"dword:")) {
      std::size_t i = 6;
      std::uint32_t number = 0;
      std::size_t digits = 0;
      while (i < rest.size() && HexDigit(rest[i]) >= 0) {
        number = (number << 4) | static_cast<std::uint32_t>(HexDigit(rest[i]));
        ++i;
        ++digits;
      }
      if (digits == 0 || digits > 8 || !Trailer(rest, i)) return Fail("bad dword", line_number);
      value.type = REG_DWORD;
      for (int k = 0; k < 4; ++k) value.data.push_back(static_cast<BYTE>(number >> (8 * k)));
    } else if (rest.size() >= 3 && EqualsNoCase(rest.substr(0, 3), L"hex")) {
      std::size_t i = 3;
      DWORD type = REG_BINARY;
      if (i < rest.size() && rest[i] == L'(') {
        ++i;
        std::uint64_t number = 0;
        std::size_t digits = 0;
        while (i < rest.size() && HexDigit(rest[i]) >= 0) {
          number = (number << 4) | static_cast<std::uint64_t>(HexDigit(rest[i]));
          ++i;
          if (++digits > 8) return Fail("bad hex type", line_number);
        }
        if (digits == 0 || i >= rest.size() || rest[i] != L')') return Fail("bad hex type", line_number);
        ++i;
        type = static_cast<DWORD>(number);
      }
      if (i >= rest.size() || rest[i] != L':') return Fail("':' expected after hex", line_number);
      ++i;
      std::vector<BYTE> bytes;
      if (!ReadHex(rest.substr(i), &bytes, line_number)) return false;
      value.type = type;
      if (document_->regedit4 && (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)) {
        // REGEDIT4 files hold these strings as 8-bit text of the ANSI code page.
        std::wstring wide = MultiToWide(std::string(bytes.begin(), bytes.end()), CP_ACP);
        value.data = ToBytes(WideToUtf16Le(wide.data(), wide.size()));
      } else {
        value.data = std::move(bytes);
      }
    } else {
      return Fail("unknown value data", line_number);
    }
    document_->sections.back().values.push_back(std::move(value));
    return true;
  }

  // Only white space or a comment may follow data.
  static bool Trailer(const std::wstring& text, std::size_t at) {
    for (std::size_t i = at; i < text.size(); ++i) {
      if (text[i] == L';') return true;
      if (!IsSpace(text[i])) return false;
    }
    return true;
  }

  // Comma-separated hex bytes; a line ending in a backslash continues on the next line.
  bool ReadHex(std::wstring text, std::vector<BYTE>* bytes, int line_number) {
    for (;;) {
      std::wstring trimmed = Trim(text);
      bool continued = !trimmed.empty() && trimmed.back() == L'\\';
      if (continued) trimmed.pop_back();
      std::size_t i = 0;
      while (i < trimmed.size()) {
        while (i < trimmed.size() && IsSpace(trimmed[i])) ++i;
        if (i >= trimmed.size()) break;
        int high = HexDigit(trimmed[i]);
        if (high < 0) return Fail("bad hex byte", line_number);
        int byte = high;
        ++i;
        if (i < trimmed.size() && HexDigit(trimmed[i]) >= 0) {
          byte = byte * 16 + HexDigit(trimmed[i]);
          ++i;
        }
        if (bytes->size() >= kMaxValueData) return Fail("value data too long", line_number);
        bytes->push_back(static_cast<BYTE>(byte));
        while (i < trimmed.size() && IsSpace(trimmed[i])) ++i;
        if (i < trimmed.size()) {
          if (trimmed[i] != L',') return Fail("',' expected between hex bytes", line_number);
          ++i;
        }
      }
      if (!continued) return true;
      if (index_ >= lines_.size()) return Fail("hex data continues past the end", line_number);
      text = lines_[index_++];
    }
  }

  const std::vector<std::wstring>& lines_;
  std::size_t index_ = 0;
  Document* document_;
  ParseError* error_;
};

std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + 2);
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  return out;
}

// True when `data` is one string with exactly one terminator and nothing a quoted line cannot
// hold, so it can be written as "text". With `up_to_nul`, empty data and data with a NUL before
// its end qualify too, as the text before the first NUL.
bool PrintableString(const std::vector<BYTE>& data, bool up_to_nul, std::wstring* text) {
  if (up_to_nul && data.empty()) {
    text->clear();
    return true;
  }
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  std::size_t end = data.size() - 2;  // the terminator's offset
  for (std::size_t i = 0; i + 2 <= data.size(); i += 2) {
    std::uint16_t unit = static_cast<std::uint16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0 && (up_to_nul || i == end)) {
      end = i;
      break;
    }
    if (unit == 0 || unit == L'\r' || unit == L'\n') return false;
  }
  if (data[end] != 0 || data[end + 1] != 0) return false;
  *text = Utf16LeToWide(data.data(), end);
  // Lone surrogates do not survive a trip through text unchanged: keep those as hex.
  std::string back = WideToUtf16Le(text->data(), text->size());
  return back.size() == end && std::memcmp(back.data(), data.data(), back.size()) == 0;
}

void AppendHex(std::wstring* out, std::size_t prefix_length, const std::vector<BYTE>& data) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::size_t line_length = prefix_length;
  for (std::size_t i = 0; i < data.size(); ++i) {
    *out += kDigits[data[i] >> 4];
    *out += kDigits[data[i] & 15];
    if (i + 1 == data.size()) break;
    *out += L',';
    line_length += 3;
    if (line_length >= kHexLineLimit) {
      *out += L"\\\r\n  ";
      line_length = 2;
    }
  }
}

void WriteValue(const Value& value, bool editor_strings, std::wstring* out) {
  std::wstring line = value.name.empty() ? L"@=" : L"\"" + Escape(value.name) + L"\"=";
  if (value.remove) {
    *out += line + L"-\r\n";
    return;
  }
  std::wstring text;
  if (value.type == REG_SZ && PrintableString(value.data, editor_strings, &text)) {
    *out += line + L"\"" + Escape(text) + L"\"\r\n";
    return;
  }
  if (value.type == REG_DWORD && value.data.size() == 4) {
    std::uint32_t number = static_cast<std::uint32_t>(value.data[0]) | (static_cast<std::uint32_t>(value.data[1]) << 8) |
                           (static_cast<std::uint32_t>(value.data[2]) << 16) |
                           (static_cast<std::uint32_t>(value.data[3]) << 24);
    wchar_t digits[9];
    static const wchar_t kDigits[] = L"0123456789abcdef";
    for (int k = 0; k < 8; ++k) digits[k] = kDigits[(number >> (28 - 4 * k)) & 15];
    digits[8] = 0;
    *out += line + L"dword:" + digits + L"\r\n";
    return;
  }
  if (value.type == REG_BINARY) {
    line += L"hex:";
  } else {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring type;
    DWORD t = value.type;
    do {
      type.insert(type.begin(), kDigits[t & 15]);
      t >>= 4;
    } while (t != 0);
    line += L"hex(" + type + L"):";
  }
  *out += line;
  AppendHex(out, line.size(), value.data);
  *out += L"\r\n";
}

}  // namespace

std::wstring CanonicalRootName(const std::wstring& name) {
  for (const RootName& root : kRoots) {
    if (EqualsNoCase(name, root.long_name) || EqualsNoCase(name, root.short_name)) return root.long_name;
  }
  return std::wstring();
}

bool SplitRootPath(const std::wstring& path, std::wstring* root, std::wstring* rest) {
  std::size_t slash = path.find(L'\\');
  *root = CanonicalRootName(path.substr(0, slash));
  if (root->empty()) return false;
  rest->clear();
  if (slash != std::wstring::npos) *rest = path.substr(slash + 1);
  return true;
}

bool Parse(const void* bytes, std::size_t size, Document* document, ParseError* error) {
  *document = Document();
  *error = ParseError();
  if (bytes == nullptr && size != 0) return false;
  std::wstring text = DecodeText(static_cast<const BYTE*>(bytes), size);
  std::vector<std::wstring> lines = SplitLines(text);
  Parser parser(lines, document, error);
  if (parser.Run()) return true;
  *document = Document();
  return false;
}

std::string Write(const Document& document) {
  std::wstring text = kHeader5;
  text += L"\r\n\r\n";
  for (const Section& section : document.sections) {
    text += section.remove ? L"[-" : L"[";
    text += section.path;
    text += L"]\r\n";
    for (const Value& value : section.values) WriteValue(value, document.editor_strings, &text);
    text += L"\r\n";
  }
  std::string bytes("\xFF\xFE", 2);
  bytes += WideToUtf16Le(text.data(), text.size());
  return bytes;
}

void AppendTree(const std::wstring& path, const reg::TreeKey& tree, Document* document) {
  Section section;
  section.path = path;
  for (const reg::TreeValue& tree_value : tree.values) {
    Value value;
    value.name = tree_value.name;
    value.type = tree_value.type;
    value.data = tree_value.data;
    section.values.push_back(std::move(value));
  }
  document->sections.push_back(std::move(section));
  for (const reg::TreeKey& child : tree.children) AppendTree(path + L"\\" + child.name, child, document);
}

namespace {

// A key while the tree is being built: children and values found by folded name in constant time,
// so a file with many keys or values builds in linear time.
struct BuildNode {
  reg::TreeKey key;
  std::vector<std::size_t> children;
  std::unordered_map<std::wstring, std::size_t> child_index;
  std::unordered_map<std::wstring, std::size_t> value_index;
};

void Assemble(std::vector<BuildNode>& nodes, std::size_t index, reg::TreeKey* out) {
  *out = std::move(nodes[index].key);
  out->children.resize(nodes[index].children.size());
  for (std::size_t i = 0; i < nodes[index].children.size(); ++i) {
    Assemble(nodes, nodes[index].children[i], &out->children[i]);
  }
}

}  // namespace

bool BuildTree(const Document& document, reg::TreeKey* tree, std::wstring* base_path) {
  *tree = reg::TreeKey();
  if (document.sections.empty()) return false;
  const Section& base = document.sections.front();
  if (base.remove) return false;
  *base_path = base.path;
  std::wstring folded_base = reg::FoldName(base.path);
  std::vector<BuildNode> nodes(1);
  for (const Section& section : document.sections) {
    if (section.remove) return false;
    std::wstring folded = reg::FoldName(section.path);
    std::vector<std::wstring> levels;
    if (folded != folded_base) {
      if (folded.size() <= folded_base.size() + 1 || folded.compare(0, folded_base.size(), folded_base) != 0 ||
          folded[folded_base.size()] != L'\\') {
        return false;
      }
      if (reg::SplitKeyPath(section.path.c_str() + folded_base.size() + 1, &levels) != ERROR_SUCCESS) return false;
    }
    std::size_t node = 0;
    for (const std::wstring& level : levels) {
      std::wstring folded_level = reg::FoldName(level);
      auto found = nodes[node].child_index.find(folded_level);
      if (found != nodes[node].child_index.end()) {
        node = found->second;
        continue;
      }
      std::size_t made = nodes.size();
      nodes.emplace_back();
      nodes[made].key.name = level;
      nodes[node].child_index.emplace(folded_level, made);
      nodes[node].children.push_back(made);
      node = made;
    }
    for (const Value& value : section.values) {
      if (value.remove) return false;
      BuildNode& target = nodes[node];
      auto found = target.value_index.emplace(reg::FoldName(value.name), target.key.values.size());
      if (found.second) {
        target.key.values.emplace_back();
        target.key.values.back().name = value.name;
      }
      reg::TreeValue& held = target.key.values[found.first->second];
      held.type = value.type;
      held.data = value.data;
    }
  }
  Assemble(nodes, 0, tree);
  return true;
}

}  // namespace regfile
}  // namespace platform
}  // namespace zb
