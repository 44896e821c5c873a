// Internal: the writer of .reg files and the trees they carry (reg_file.h); the reader is in
// reg_file_reader.cpp.
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

const wchar_t kVersion5Header[] = L"Windows Registry Editor Version 5.00";
const wchar_t kRegedit4Header[] = L"REGEDIT4";

namespace {

// The writer wraps hex data once a line reaches this many characters.
constexpr std::size_t kHexLineLimit = 77;

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

std::string Write(const Document& document) {
  std::wstring text = kVersion5Header;
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

HKEY RootOfName(const std::wstring& name) {
  if (name == L"HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
  if (name == L"HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
  if (name == L"HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
  if (name == L"HKEY_USERS") return HKEY_USERS;
  if (name == L"HKEY_CURRENT_CONFIG") return HKEY_CURRENT_CONFIG;
  return nullptr;
}

}  // namespace regfile
}  // namespace platform
}  // namespace zb

namespace zb {
namespace platform {

bool ParseRegistryPath(const std::wstring& path, HKEY* root, std::wstring* sub_key) {
  std::wstring root_name;
  if (!regfile::SplitRootPath(path, &root_name, sub_key)) return false;
  while (!sub_key->empty() && sub_key->back() == L'\\') sub_key->pop_back();
  *root = regfile::RootOfName(root_name);
  return *root != nullptr;
}

}  // namespace platform
}  // namespace zb
