#include <zorbase/platform/portable/chm_streams.h>

#include <algorithm>
#include <cstring>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/internal/ascii.h>

namespace zb {
namespace platform {
namespace chm {
namespace {

DWORD Le32(const std::string& bytes, std::size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 |
         static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[3]) << 24;
}

unsigned Le16(const std::string& bytes, std::size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8;
}

bool IsValidUtf8(const std::string& s) {
  if (s.size() > 0x7FFFFFFF) return false;
  return s.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(),
                                          static_cast<int>(s.size()), nullptr, 0) != 0;
}

std::string Trim(const std::string& s) {
  std::size_t begin = 0;
  std::size_t end = s.size();
  while (begin < end && (s[begin] == ' ' || s[begin] == '\t' || s[begin] == '\r')) ++begin;
  while (end > begin && (s[end - 1] == ' ' || s[end - 1] == '\t' || s[end - 1] == '\r')) --end;
  return s.substr(begin, end - begin);
}

// A decimal or 0x-hexadecimal id that fits 32 bits.
bool ParseId(const std::string& text, DWORD* id) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  int base = 10;
  std::size_t i = 0;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    i = 2;
  }
  unsigned long long value = 0;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) return false;
  }
  *id = static_cast<DWORD>(value);
  return true;
}

std::wstring Decode(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return Utf8ToWide(bytes);
  return MultiToWide(bytes);
}

std::wstring PopupText(const std::vector<std::string>& lines) {
  std::size_t first = 0;
  std::size_t last = lines.size();
  while (first < last && Trim(lines[first]).empty()) ++first;
  while (last > first && Trim(lines[last - 1]).empty()) --last;
  std::string joined;
  for (std::size_t i = first; i < last; ++i) {
    if (i > first) joined += '\n';
    std::string line = lines[i];
    if (!line.empty() && line.back() == '\r') line.pop_back();
    joined += line;
  }
  return Decode(joined);
}

}  // namespace

std::vector<ContextEntry> ParseContextMap(const std::string& ivb, const std::string& strings) {
  std::vector<ContextEntry> entries;
  if (ivb.size() < 4) return entries;
  const std::size_t stated = Le32(ivb, 0);
  const std::size_t available = std::min(stated, ivb.size() - 4);
  for (std::size_t at = 4; at + 8 <= 4 + available; at += 8) {
    const DWORD id = Le32(ivb, at);
    const std::size_t offset = Le32(ivb, at + 4);
    if (offset >= strings.size()) continue;
    const std::size_t end = strings.find('\0', offset);
    std::string topic = strings.substr(offset, end == std::string::npos ? std::string::npos
                                                                        : end - offset);
    if (topic.empty()) continue;
    entries.push_back(ContextEntry{id, std::move(topic)});
  }
  return entries;
}

std::string ParseDefaultTopic(const std::string& system) {
  std::size_t at = 4;
  while (at + 4 <= system.size()) {
    const unsigned code = Le16(system, at);
    const std::size_t length = Le16(system, at + 2);
    at += 4;
    if (length > system.size() - at) break;
    if (code == 2) {
      std::string topic = system.substr(at, length);
      const std::size_t nul = topic.find('\0');
      if (nul != std::string::npos) topic.resize(nul);
      return topic;
    }
    at += length;
  }
  return std::string();
}

std::vector<TextPopup> ParseTextPopups(const std::string& bytes) {
  std::string text = bytes;
  if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) text.erase(0, 3);
  std::vector<TextPopup> popups;
  bool in_topic = false;
  DWORD id = 0;
  std::vector<std::string> lines;
  auto finish = [&] {
    if (in_topic) popups.push_back(TextPopup{id, PopupText(lines)});
    lines.clear();
  };
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const std::string trimmed = Trim(line);
    if (!trimmed.empty() && trimmed[0] == ';') continue;
    if (trimmed.size() >= 6 && LowerAscii(trimmed.substr(0, 6)) == ".topic" &&
        (trimmed.size() == 6 || trimmed[6] == ' ' || trimmed[6] == '\t')) {
      finish();
      in_topic = ParseId(trimmed.substr(6), &id);
      continue;
    }
    if (in_topic) lines.push_back(line);
  }
  finish();
  return popups;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) c = zb::internal::AsciiToLower(c);
  return text;
}

std::string NormalizeName(const std::string& name) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.empty()) return std::string();
      parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? std::string() : out;
}

std::vector<std::string> LinkedNames(const std::string& page, const std::string& html) {
  std::vector<std::string> names;
  const std::string folder = page.substr(0, page.rfind('/') + 1);
  const std::string lower = LowerAscii(html);
  for (const char* attribute : {"href", "src"}) {
    const std::size_t length = std::strlen(attribute);
    std::size_t at = 0;
    while ((at = lower.find(attribute, at)) != std::string::npos) {
      std::size_t i = at + length;
      at = i;
      if (at - length > 0 && zb::internal::IsAsciiAlnum(lower[at - length - 1])) {
        continue;  // part of a longer word
      }
      while (i < html.size() && (html[i] == ' ' || html[i] == '\t' || html[i] == '\n')) ++i;
      if (i >= html.size() || html[i] != '=') continue;
      ++i;
      while (i < html.size() && (html[i] == ' ' || html[i] == '\t' || html[i] == '\n')) ++i;
      if (i >= html.size()) break;
      std::string value;
      if (html[i] == '"' || html[i] == '\'') {
        const std::size_t close = html.find(html[i], i + 1);
        if (close == std::string::npos) break;
        value = html.substr(i + 1, close - i - 1);
      } else {
        std::size_t j = i;
        while (j < html.size() && html[j] != ' ' && html[j] != '>' && html[j] != '\t' &&
               html[j] != '\n') {
          ++j;
        }
        value = html.substr(i, j - i);
      }
      const std::size_t cut = value.find_first_of("#?");
      if (cut != std::string::npos) value.resize(cut);
      if (value.empty() || value.find(':') != std::string::npos) continue;  // a scheme: outside
      const std::string name = NormalizeName(value[0] == '/' ? value : folder + value);
      if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(name);
      }
    }
  }
  return names;
}

}  // namespace chm
}  // namespace platform
}  // namespace zb
