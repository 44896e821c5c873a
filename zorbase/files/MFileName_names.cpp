// MFileName: temporary and unique names, title rules and wildcard filters.
#include <zorbase/files/MFileName.h>

#include <cwchar>
#include <string>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/format.h>
#include <zorbase/platform/internal/ascii.h>

unsigned short MFileName::mg_temp_name_counter = 1;

namespace {

size_t Length(const wchar_t* text) { return text != nullptr ? std::wcslen(text) : 0; }

bool IsAsciiAlnum(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// The characters rule 2 accepts.
bool IsPortable(wchar_t c) {
  if (IsAsciiAlnum(c)) return true;
  return c != 0 && std::wcschr(L" !#$%&'()-@^_`{}~", c) != nullptr;
}

// The characters rule 4 refuses.
bool IsRefusedByWindows(wchar_t c) { return c != 0 && std::wcschr(L"\"$*/:<>?\\|", c) != nullptr; }

unsigned DecimalDigits(unsigned value) {
  unsigned digits = 1;
  while (value >= 10) {
    value /= 10;
    ++digits;
  }
  return digits;
}

// The prefix-match of a filter over the shorter of pattern and part.
bool MatchesPrefix(const wchar_t* pattern, const wchar_t* part) {
  const size_t n = std::min(std::wcslen(pattern), std::wcslen(part));
  for (size_t i = 0; i < n; ++i) {
    if (pattern[i] == L'*') return true;
    if (pattern[i] == L'?') continue;
    if (zb::internal::AsciiToUpper(pattern[i]) != zb::internal::AsciiToUpper(part[i])) return false;
  }
  return true;
}

}  // namespace

unsigned short MFileName::SET_TEMP_NAME(const wchar_t* dir, const wchar_t* prefix, const wchar_t* ext,
                                        unsigned short start, int digits) {
  unsigned short counter = start < 65535 ? start : mg_temp_name_counter;

  wchar_t temp_dir[MAX_PATH + 1] = {};
  const wchar_t* directory = dir;
  if (directory == nullptr) {
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp_dir);
    if (length == 0 || length > MAX_PATH) temp_dir[0] = 0;
    directory = temp_dir;
  }
  MFileName scratch;
  scratch.SET(directory, true);
  SET_DIR_PART(scratch.m_dir != nullptr ? scratch.m_dir : L"\\", PATH_CAPACITY);
  SET_DRIVE_PART(scratch.m_drive);
  SET_EXT_PART(ext != nullptr ? ext : L".tmp", 256);

  const long room = 255 - static_cast<long>(Length(ext)) - static_cast<long>(Length(dir));
  for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
    std::wstring title;
    if (prefix != nullptr) {
      const long width = digits != 0 ? digits : counter != 0 ? static_cast<long>(DecimalDigits(counter)) : 0;
      const long keep = room - width;
      std::wstring cut(prefix, std::min<size_t>(Length(prefix), keep > 0 ? static_cast<size_t>(keep) : 0));
      title = digits >= 1 && digits <= 127
                  ? zb::platform::FormatTextW(L"%s%0*u", cut.c_str(), digits, static_cast<unsigned>(counter))
                  : zb::platform::FormatTextW(L"%s%u", cut.c_str(), static_cast<unsigned>(counter));
    } else {
      title = zb::platform::FormatTextW(L"~zor%u", static_cast<unsigned>(counter));
    }
    if (title.size() > 255) title.resize(255);
    SET_FILE_PART(title.c_str(), title.size());
    ++counter;  // 16-bit, wrapping
    if (!DOES_EXIST()) break;
  }
  if (start == 65535) mg_temp_name_counter = counter;
  return counter;
}

bool MFileName::ADD_UNIQUE_INDEX(unsigned char digits) {
  const std::wstring title = m_file != nullptr ? m_file : L"";
  for (int index = 1; index <= 999; ++index) {
    const std::wstring text = digits != 0 ? zb::platform::FormatTextW(L"%0*d", static_cast<int>(digits), index)
                                          : zb::platform::FormatTextW(L"%d", index);
    MFileName candidate(*this);
    const std::wstring indexed = title + text;
    candidate.SET_FILE_PART(indexed.c_str(), 256);
    if (!candidate.DOES_EXIST()) {
      SET(candidate.GET(), false);
      return true;
    }
  }
  return false;
}

bool MFileName::IsSafe(FILE_GENERATION_FLAGS rule) const {
  // Only a missing title fails every rule; an empty one is present and judged by the rule.
  if (m_file == nullptr) return false;
  const size_t length = std::wcslen(m_file);
  switch (static_cast<int>(rule)) {
    case 0:
    case 1:
      if (length > 8) return false;
      for (const wchar_t* c = m_file; *c != 0; ++c) {
        if (*c == L'.') break;  // nothing after the first dot is examined
        if (!IsAsciiAlnum(*c)) return false;
      }
      return true;
    case 2:
      if (length > 256) return false;
      for (const wchar_t* c = m_file; *c != 0; ++c) {
        if (!IsPortable(*c)) return false;
      }
      return true;
    case 3:
      return length <= 8;
    case 4:
      if (length > 256) return false;
      for (const wchar_t* c = m_file; *c != 0; ++c) {
        if (IsRefusedByWindows(*c)) return false;
      }
      return true;
    default:
      return true;  // negative rules and 5 and above
  }
}

void MFileName::MAKE_SAFE(unsigned short rule) {
  if (m_file == nullptr || m_file[0] == 0) return;
  std::wstring title = m_file;
  switch (rule) {
    case 0:
    case 1: {
      if (title.size() > 8) title.resize(7);
      for (size_t i = 0; i < title.size(); ++i) {
        if (title[i] == L'.') {
          title.resize(i);  // a dot ends the title
          break;
        }
        if (!IsAsciiAlnum(title[i])) title[i] = L'_';
      }
      break;
    }
    case 2:
      if (title.size() > 256) title.resize(255);
      for (wchar_t& c : title) {
        if (!IsPortable(c)) c = L'_';
      }
      break;
    case 3:
      if (title.size() >= 9) title.resize(7);
      break;
    case 4:
      if (title.size() > 256) title.resize(255);
      for (wchar_t& c : title) {
        if (IsRefusedByWindows(c)) c = L'_';
      }
      break;
    default:
      return;
  }
  _SET_PART(&m_file, title.c_str(), title.size());
}

bool MFileName::FILTER(const wchar_t* filePattern, const wchar_t* extPattern) const {
  return FILTER_EXT(extPattern) && FILTER_FILE(filePattern);
}

bool MFileName::FILTER_FILE(const wchar_t* pattern) const {
  // A present but empty title is matched like any other (an empty text agrees with every prefix).
  if (m_file == nullptr) {
    return pattern == nullptr || std::wcscmp(pattern, L"*") == 0;
  }
  if (pattern == nullptr) return true;
  return MatchesPrefix(pattern, m_file);
}

bool MFileName::FILTER_EXT(const wchar_t* pattern) const {
  if (m_ext == nullptr) {
    return pattern == nullptr || std::wcscmp(pattern, L".*") == 0;
  }
  if (pattern == nullptr) return true;
  return MatchesPrefix(pattern, m_ext);
}
