// ProfileDocument (profile_document.h).
#include <zorbase/platform/portable/profile_document.h>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/path_mapping.h>

namespace zb {
namespace platform {
namespace profile {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

std::wstring Trim(const std::wstring& text) {
  const wchar_t* blanks = L" \t\r";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::wstring::npos) return std::wstring();
  const std::size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

}  // namespace

bool NamesEqual(const std::wstring& a, const std::wstring& b) { return EqualNoCase(a, b); }

ProfileDocument ProfileDocument::Parse(const std::string& bytes) {
  ProfileDocument doc;
  std::size_t start = 0;
  doc.unicode_ = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                 static_cast<unsigned char>(bytes[1]) == 0xFE;
  if (doc.unicode_) {
    doc.bom_ = bytes.substr(0, 2);
    start = 2;
  }
  while (start < bytes.size()) {
    std::size_t end = bytes.size();  // one past the line end
    std::size_t text_end = end;
    if (doc.unicode_) {
      for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
        if (bytes[i] == '\n' && bytes[i + 1] == 0) {
          end = i + 2;
          text_end = i;
          break;
        }
      }
    } else {
      const std::size_t newline = bytes.find('\n', start);
      if (newline != std::string::npos) {
        end = newline + 1;
        text_end = newline;
      }
    }
    std::wstring text = doc.unicode_ ? Utf16LeToWide(bytes.data() + start, text_end - start)
                                     : MultiToWide(bytes.substr(start, text_end - start), CP_ACP);
    if (!text.empty() && text.back() == L'\r') text.pop_back();
    Line line = Classify(std::move(text));
    line.raw = bytes.substr(start, end - start);
    doc.lines_.push_back(std::move(line));
    start = end;
  }
  return doc;
}

ProfileDocument::Line ProfileDocument::Classify(std::wstring text) {
  Line line;
  const std::wstring trimmed = Trim(text);
  line.text = std::move(text);
  if (trimmed.empty()) {
    line.kind = Kind::kBlank;
  } else if (trimmed[0] == L'[') {
    line.kind = Kind::kSection;
    const std::size_t close = trimmed.find(L']');
    line.name = Trim(trimmed.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
  } else if (trimmed[0] == L';') {
    line.kind = Kind::kComment;
  } else {
    line.kind = Kind::kEntry;
    const std::size_t equals = trimmed.find(L'=');
    if (equals == std::wstring::npos) {
      line.name = trimmed;
    } else {
      line.name = Trim(trimmed.substr(0, equals));
      line.value = Trim(trimmed.substr(equals + 1));
    }
  }
  return line;
}

ProfileDocument::Line ProfileDocument::NewLine(const std::wstring& text) const {
  return Classify(text);  // no raw bytes: written in the file's encoding with CR LF
}

std::string ProfileDocument::Serialize() const {
  std::string out = bom_;
  for (const Line& line : lines_) {
    if (!line.raw.empty()) {
      out += line.raw;
    } else if (unicode_) {
      out += WideToUtf16Le(line.text.data(), line.text.size());
      out.append("\r\0\n\0", 4);
    } else {
      out += WideToMulti(line.text, CP_ACP);
      out += "\r\n";
    }
  }
  return out;
}

std::vector<std::wstring> ProfileDocument::SectionNames() const {
  std::vector<std::wstring> names;
  for (const Line& line : lines_) {
    if (line.kind != Kind::kSection) continue;
    bool seen = false;
    for (const std::wstring& name : names) seen = seen || NamesEqual(name, line.name);
    if (!seen) names.push_back(line.name);
  }
  return names;
}

std::size_t ProfileDocument::FindSection(const std::wstring& section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection && NamesEqual(lines_[i].name, section)) return i;
  }
  return kNone;
}

std::size_t ProfileDocument::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::kSection) ++i;
  return i;
}

std::size_t ProfileDocument::FindKey(std::size_t header, const std::wstring& key) const {
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == Kind::kEntry && NamesEqual(lines_[i].name, key)) return i;
  }
  return kNone;
}

bool ProfileDocument::KeyNames(const std::wstring& section, std::vector<std::wstring>* keys) const {
  const std::size_t header = FindSection(section);
  if (header == kNone) return false;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == Kind::kEntry) keys->push_back(lines_[i].name);
  }
  return true;
}

bool ProfileDocument::Value(const std::wstring& section, const std::wstring& key,
                            std::wstring* value) const {
  const std::size_t header = FindSection(section);
  if (header == kNone) return false;
  const std::size_t at = FindKey(header, key);
  if (at == kNone) return false;
  *value = lines_[at].value;
  if (value->size() >= 2 && (value->front() == L'"' || value->front() == L'\'') &&
      value->back() == value->front()) {
    *value = value->substr(1, value->size() - 2);
  }
  return true;
}

bool ProfileDocument::SectionLines(const std::wstring& section,
                                   std::vector<std::wstring>* lines) const {
  const std::size_t header = FindSection(section);
  if (header == kNone) return false;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::kBlank) continue;
    if (line.kind == Kind::kEntry && line.text.find(L'=') != std::wstring::npos) {
      lines->push_back(line.name + L"=" + line.value);
    } else {
      lines->push_back(Trim(line.text));
    }
  }
  return true;
}

void ProfileDocument::TerminateLastLine() {
  if (lines_.empty()) return;
  Line& last = lines_.back();
  if (last.raw.empty()) return;  // a new line is always written with its line end
  const bool ended = unicode_ ? (last.raw.size() % 2 == 0 && last.raw.size() >= 2 &&
                                 last.raw[last.raw.size() - 2] == '\n' && last.raw.back() == 0)
                              : last.raw.back() == '\n';
  if (ended) return;
  if (unicode_ && last.raw.size() % 2 != 0) {
    last.raw.clear();  // a stray odd byte: written again from its text so units stay aligned
  } else {
    last.raw += unicode_ ? std::string("\r\0\n\0", 4) : std::string("\r\n");
  }
}

bool ProfileDocument::SetValue(const std::wstring& section, const std::wstring& key,
                               const std::wstring& value) {
  const std::size_t header = FindSection(section);
  if (header == kNone) {
    TerminateLastLine();
    lines_.push_back(NewLine(L"[" + section + L"]"));
    lines_.push_back(NewLine(key + L"=" + value));
    return true;
  }
  const std::size_t at = FindKey(header, key);
  if (at != kNone) {
    const std::wstring text = lines_[at].name + L"=" + value;
    if (lines_[at].text == text) return false;
    lines_[at] = NewLine(text);
    return true;
  }
  std::size_t insert = header + 1;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind != Kind::kBlank) insert = i + 1;
  }
  if (insert == lines_.size()) TerminateLastLine();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), NewLine(key + L"=" + value));
  return true;
}

bool ProfileDocument::RemoveKey(const std::wstring& section, const std::wstring& key) {
  const std::size_t header = FindSection(section);
  if (header == kNone) return false;
  const std::size_t at = FindKey(header, key);
  if (at == kNone) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
  return true;
}

bool ProfileDocument::RemoveSection(const std::wstring& section) {
  const std::size_t header = FindSection(section);
  if (header == kNone) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
               lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
  return true;
}

bool ProfileDocument::ReplaceSection(const std::wstring& section,
                                     const std::vector<std::wstring>& lines) {
  std::size_t header = FindSection(section);
  if (header == kNone) {
    TerminateLastLine();
    lines_.push_back(NewLine(L"[" + section + L"]"));
    header = lines_.size() - 1;
  }
  std::size_t body_end = header + 1;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind != Kind::kBlank) body_end = i + 1;
  }
  if (body_end == lines_.size() && body_end == header + 1) TerminateLastLine();
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header + 1),
               lines_.begin() + static_cast<std::ptrdiff_t>(body_end));
  std::vector<Line> fresh;
  for (const std::wstring& text : lines) fresh.push_back(NewLine(text));
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(header + 1), fresh.begin(), fresh.end());
  return true;
}

}  // namespace profile
}  // namespace platform
}  // namespace zb
