// MIniFile (MIniFile.h): reading, parsing and writing files.
#include <zorbase/settings/MIniFile.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/crt_text.h>
#include <zorbase/platform/internal/profile_file.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

namespace {

constexpr DWORD kLineTooLong = 1017;  // ERROR_REGISTRY_CORRUPT: the code the format reports
constexpr std::size_t kMaxLine = 61440;

// The system's last error, or 1 when it reports none.
DWORD SystemError() {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : 1;
}

// Reads a stream line by line, in the file's encoding, without holding more than one line.
class LineReader {
 public:
  LineReader(FILE& file, bool unicode) : file_(file), unicode_(unicode) {}

  // The next line without its line feed into `line`. Returns 0 and sets `*end` at the end of the
  // file; otherwise 0, 1017 for an over-long line, ERROR_INVALID_DATA for a UTF-16 file of odd
  // length, or the read error.
  DWORD Next(std::wstring* line, bool* end) {
    *end = false;
    std::string& bytes = bytes_;
    bytes.clear();
    for (;;) {
      if (pos_ == size_) {
        const DWORD error = Fill();
        if (error != ERROR_SUCCESS) return error;
        if (size_ == 0) {
          if (bytes.empty()) {
            *end = true;
            return ERROR_SUCCESS;
          }
          if (unicode_ && bytes.size() % 2 != 0) return ERROR_INVALID_DATA;
          break;
        }
      }
      if (unicode_) {
        bool found = false;
        // A unit may straddle two chunks: the odd byte waits in `bytes`.
        while (pos_ < size_) {
          bytes.push_back(buffer_[pos_++]);
          if (bytes.size() % 2 == 0 && bytes[bytes.size() - 2] == '\n' && bytes.back() == 0) {
            bytes.resize(bytes.size() - 2);
            found = true;
            break;
          }
        }
        if (found) break;
        if (bytes.size() / 2 > kMaxLine) return kLineTooLong;
      } else {
        const char* start = buffer_.data() + pos_;
        const void* newline = std::memchr(start, '\n', size_ - pos_);
        if (newline != nullptr) {
          const std::size_t n = static_cast<const char*>(newline) - start;
          bytes.append(start, n);
          pos_ += n + 1;
          break;
        }
        bytes.append(start, size_ - pos_);
        pos_ = size_;
        if (bytes.size() > kMaxLine * 4) return kLineTooLong;  // no code page needs more per char
      }
    }
    if (unicode_) {
      *line = zb::platform::Utf16LeToWide(bytes.data(), bytes.size());
      if (first_ && !line->empty() && (*line)[0] == 0xFEFF) line->erase(0, 1);
    } else {
      ConvertNarrow(bytes, line);
    }
    first_ = false;
    return line->size() > kMaxLine ? kLineTooLong : ERROR_SUCCESS;
  }

 private:
  DWORD Fill() {
    pos_ = 0;
    size_ = std::fread(buffer_.data(), 1, buffer_.size(), &file_);
    if (size_ == 0 && std::ferror(&file_)) return SystemError();
    return ERROR_SUCCESS;
  }

  // The runtime's multibyte conversion in the ANSI code page; text stops at a NUL byte, as a C
  // string does. Bytes the code page does not define become U+FFFD rather than failing the read.
  static void ConvertNarrow(const std::string& bytes, std::wstring* line) {
    std::size_t converted = 0;
    if (line->size() < bytes.size() + 1) line->resize(bytes.size() + 1);
    if (mbstowcs_s(&converted, &(*line)[0], line->size(), bytes.c_str(), _TRUNCATE) == 0) {
      line->resize(converted > 0 ? converted - 1 : 0);
    } else {
      *line = zb::platform::MultiToWide(std::string(bytes.c_str()), CP_ACP);
    }
  }

  FILE& file_;
  bool unicode_;
  std::string bytes_;  // the line being read, reused from line to line
  bool first_ = true;
  std::vector<char> buffer_ = std::vector<char>(1 << 16);
  std::size_t pos_ = 0;
  std::size_t size_ = 0;
};

const wchar_t* kBlanks = L" \t\n\v\f\r";

void TrimBoth(std::wstring* text) {
  const std::size_t first = text->find_first_not_of(kBlanks);
  if (first == std::wstring::npos) {
    text->clear();
    return;
  }
  text->erase(text->find_last_not_of(kBlanks) + 1);
  text->erase(0, first);
}

}  // namespace

void MIniFile::MakeUnicodeName(wchar_t* out, const wchar_t* path) {
  if (out == nullptr) return;
  const std::wstring name = path != nullptr ? path : L"";
  const std::size_t separator = name.find_last_of(L"\\/");
  const std::size_t dot = name.rfind(L'.');
  std::size_t insert;
  if (dot != std::wstring::npos && (separator == std::wstring::npos || dot > separator)) {
    insert = dot;
  } else {
    insert = name.empty() ? 0 : name.size() - 1;
  }
  std::wstring result = name.substr(0, insert) + L"_u" + name.substr(insert);
  std::wmemcpy(out, result.c_str(), result.size() + 1);
}

DWORD MIniFile::ReadFromFile(const wchar_t* path, int append) {
  if (path == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<wchar_t> unicode_name(std::wcslen(path) + 3);
  MakeUnicodeName(unicode_name.data(), path);
  FILE* file = _wfopen(unicode_name.data(), L"rb");
  bool unicode = true;
  if (file == nullptr) {
    unicode = false;
    file = _wfopen(path, L"rt");
  }
  if (file == nullptr) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
      m_unicode = unicode;
      if (append == 0) Clear(3);
      SetLastError(ERROR_SUCCESS);
      return ERROR_SUCCESS;
    }
    return error != ERROR_SUCCESS ? error : 1;
  }
  const bool previous = m_unicode;
  m_unicode = unicode;
  const DWORD result = append == 0 ? Read(*file) : Append(*file);
  std::fclose(file);
  if (result != ERROR_SUCCESS) m_unicode = previous;
  return result;
}

DWORD MIniFile::Read(FILE& file) {
  MIniFile staged;
  const DWORD result = _ParseInto(file, staged);
  if (result != ERROR_SUCCESS) return result;
  Clear(3);
  _MergeFrom(staged);
  return ERROR_SUCCESS;
}

DWORD MIniFile::Append(FILE& file) {
  MIniFile staged;
  const DWORD result = _ParseInto(file, staged);
  if (result != ERROR_SUCCESS) return result;
  _MergeFrom(staged);
  return ERROR_SUCCESS;
}

void MIniFile::_MergeFrom(MIniFile& source) {
  if (IsEmpty()) {
    SwapTable(source);
    return;
  }
  POSITION position = source.GetStartPosition();
  while (position != nullptr) {
    CString name;
    void* found = nullptr;
    source.GetNextAssoc(position, name, found);
    const Section* section = static_cast<Section*>(found);
    SetValue(section->m_name, nullptr, nullptr, false);
    POSITION entry = section->m_entries.GetStartPosition();
    while (entry != nullptr) {
      CString key;
      CString value;
      section->m_entries.GetNextAssoc(entry, key, value);
      SetValue(section->m_name, key, value, false);
    }
  }
}

DWORD MIniFile::_ParseInto(FILE& file, MIniFile& target) const {
  LineReader reader(file, m_unicode);
  std::wstring section;
  std::wstring pending_key;
  std::wstring pending_value;
  std::wstring line;
  bool at_end = false;
  Section* current = nullptr;  // the target's section named `section`, once something went there
  auto flush = [&]() {
    if (!pending_key.empty() && IsRecordInterested(section.c_str(), pending_key.c_str())) {
      if (current == nullptr) current = _GetCreateSection(target, section.c_str());
      current->m_entries[pending_key.c_str()] = pending_value.c_str();
    }
  };
  while (!at_end) {
    const DWORD error = reader.Next(&line, &at_end);
    if (error != ERROR_SUCCESS) return error;
    if (at_end) line = L"d=";  // the sentinel entry flushes the last pending value
    TrimBoth(&line);
    if (line.empty()) {
      flush();
      pending_key.clear();
    } else if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
      flush();
      pending_key.clear();
      section.assign(line, 1, line.size() - 2);
      current = nullptr;
    } else if (std::wcschr(mg_comments_characters, line[0]) != nullptr) {
      // a comment: neither flushes nor continues anything
    } else if (line[0] == L'=' || line.find(L'=') == std::wstring::npos) {
      if (line[0] == L'=') line.erase(0, 1);
      if (!pending_key.empty()) {
        if (!(pending_value.empty() && !line.empty())) pending_value.push_back(L'\n');
        pending_value += line;
      }
    } else {
      if (!pending_value.empty()) flush();
      const std::size_t equals = line.find(L'=');
      pending_key.assign(line, 0, equals);
      pending_key.erase(pending_key.find_last_not_of(kBlanks) + 1);
      const std::size_t value_start = line.find_first_not_of(kBlanks, equals + 1);
      if (value_start == std::wstring::npos) {
        pending_value.clear();
      } else {
        pending_value.assign(line, value_start, std::wstring::npos);
      }
    }
  }
  return ERROR_SUCCESS;
}

namespace {

bool IsNarrowSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

void AppendEntryValue(std::wstring* out, const CString& value) {
  if (value.GetLength() > 0 && value[0] != L'\n' && IsNarrowSpace(value[0])) *out += L"\r\n=";
  for (int i = 0; i < value.GetLength(); ++i) {
    if (value[i] == L'\n') {
      *out += L"\r\n=";
    } else {
      out->push_back(value[i]);
    }
  }
}

void AppendSection(std::wstring* out, const wchar_t* header_name, const MIniFile::Section& section) {
  *out += L"[";
  *out += header_name;
  *out += L"]\r\n";
  POSITION position = section.m_entries.GetStartPosition();
  while (position != nullptr) {
    CString key;
    CString value;
    section.m_entries.GetNextAssoc(position, key, value);
    *out += key.GetString();
    *out += L" = ";
    AppendEntryValue(out, value);
    *out += L"\r\n";
  }
  *out += L"\r\n";
}

}  // namespace

DWORD MIniFile::WriteToFile(const wchar_t* path, const wchar_t* comment) const {
  if (path == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<wchar_t> unicode_name(std::wcslen(path) + 3);
  MakeUnicodeName(unicode_name.data(), path);

  std::wstring text;
  if (comment != nullptr && comment[0] != 0) {
    text += L";";
    for (const wchar_t* c = comment; *c != 0; ++c) {
      if (*c == L'\n') {
        if (c == comment || c[-1] != L'\r') text += L"\r";
        text += L"\n;";
      } else {
        text.push_back(*c);
      }
    }
    text += L"\r\n";
  }
  const Section* general = _FindSection(L"General");
  if (general != nullptr) AppendSection(&text, L"General", *general);
  POSITION position = GetStartPosition();
  while (position != nullptr) {
    CString name;
    void* found = nullptr;
    GetNextAssoc(position, name, found);
    const Section* section = static_cast<Section*>(found);
    if (section != general) AppendSection(&text, section->m_name, *section);
  }
  const DWORD error = zb::platform::internal::ReplaceWindowsFile(
      unicode_name.data(), zb::platform::WideToUtf16Le(text.data(), text.size()));
  if (error != ERROR_SUCCESS) SetLastError(error);
  return error;
}
