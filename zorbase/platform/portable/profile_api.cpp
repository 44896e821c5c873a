// The private-profile calls (profile.h): name resolution, the buffer rules of Windows, and the
// read-modify-write of a file under its lock.
#include <zorbase/platform/profile.h>

#include <cwctype>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/profile_file.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/portable/profile_document.h>
#include <zorbase/platform/win_errors.h>

using zb::platform::profile::ProfileDocument;

namespace {

// Where a bare file name lives: the Windows directory, as on Windows.
constexpr const wchar_t* kWindowsDirectory = L"C:\\Windows";

// The native path of the profile file `file_name`; 0 or a Windows error code.
DWORD ResolveProfile(const wchar_t* file_name, bool for_write, std::string* native) {
  std::wstring name = file_name != nullptr ? file_name : L"win.ini";
  if (name.empty()) return ERROR_ACCESS_DENIED;
  if (name.find_first_of(L"\\/:") == std::wstring::npos) {
    if (for_write) CreateDirectoryW(kWindowsDirectory, nullptr);  // exists, or the write reports why
    name = std::wstring(kWindowsDirectory) + L"\\" + name;
  }
  zb::platform::ResolvedPath resolved;
  const DWORD error = zb::platform::ResolveWindowsPath(name.c_str(), &resolved);
  if (error != ERROR_SUCCESS) return error;
  if (resolved.trailing_separator) return ERROR_ACCESS_DENIED;
  *native = resolved.native;
  return ERROR_SUCCESS;
}

// Parsed documents of recently read files with the bytes they were parsed from. Every read still
// reads the whole file; only when its bytes are the same as last time is the parse reused, so a
// change by any writer shows at the next call.
class ParseCache {
 public:
  std::shared_ptr<const ProfileDocument> Get(const std::string& native, std::string&& bytes) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (const Entry& entry : entries_) {
        if (entry.native == native && entry.bytes == bytes) return entry.doc;
      }
    }
    auto doc = std::make_shared<const ProfileDocument>(ProfileDocument::Parse(bytes));
    if (bytes.size() <= kMaxCachedBytes) {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->native == native) {
          entries_.erase(it);
          break;
        }
      }
      if (entries_.size() >= kMaxEntries) entries_.erase(entries_.begin());
      entries_.push_back(Entry{native, std::move(bytes), doc});
    }
    return doc;
  }

 private:
  static constexpr std::size_t kMaxEntries = 8;
  static constexpr std::size_t kMaxCachedBytes = 1u << 20;
  struct Entry {
    std::string native;
    std::string bytes;
    std::shared_ptr<const ProfileDocument> doc;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
};

ParseCache& Cache() {
  static ParseCache* cache = new ParseCache;  // never destroyed: usable until the process ends
  return *cache;
}

// Reads and parses the file under the shared lock. A missing or unreadable file reads as an empty
// document and reports its error (ERROR_FILE_NOT_FOUND for a missing one).
DWORD LoadDocument(const wchar_t* file_name, std::shared_ptr<const ProfileDocument>* doc) {
  static const auto empty = std::make_shared<const ProfileDocument>();
  *doc = empty;
  std::string native;
  DWORD error = ResolveProfile(file_name, false, &native);
  if (error != ERROR_SUCCESS) return error;
  std::string bytes;
  {
    zb::platform::internal::ProfileLock lock(native, false);
    error = zb::platform::internal::ReadWholeFile(native, &bytes);
  }
  if (error == ERROR_SUCCESS) *doc = Cache().Get(native, std::move(bytes));
  return error;
}

// Reads, edits and writes back the file under the exclusive lock. `edit` returns whether it changed
// the text; a missing file is written even when it did not (it is created).
template <typename Edit>
BOOL EditDocument(const wchar_t* file_name, Edit edit) {
  std::string native;
  DWORD error = ResolveProfile(file_name, true, &native);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  zb::platform::internal::ProfileLock lock(native, true);
  std::string bytes;
  error = zb::platform::internal::ReadWholeFile(native, &bytes);
  const bool missing = error == ERROR_FILE_NOT_FOUND;
  if (error != ERROR_SUCCESS && !missing) {
    SetLastError(error);
    return FALSE;
  }
  ProfileDocument doc = ProfileDocument::Parse(bytes);
  if (!edit(doc) && !missing) return TRUE;
  error = zb::platform::internal::ReplaceFileContents(native, doc.Serialize());
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

// What a read produced: one value, or a list.
struct ReadResult {
  bool is_list = false;
  std::wstring value;
  std::vector<std::wstring> items;
  DWORD error = ERROR_SUCCESS;
};

ReadResult ReadString(const wchar_t* section, const wchar_t* key, const wchar_t* default_value,
                      const wchar_t* file_name) {
  ReadResult result;
  std::shared_ptr<const ProfileDocument> loaded;
  result.error = LoadDocument(file_name, &loaded);
  const ProfileDocument& doc = *loaded;
  if (section == nullptr) {
    result.is_list = true;
    result.items = doc.SectionNames();
    return result;
  }
  if (key == nullptr) {
    result.is_list = true;
    if (!doc.KeyNames(section, &result.items) && result.error == ERROR_SUCCESS) {
      result.error = ERROR_FILE_NOT_FOUND;
    }
    return result;
  }
  if (doc.Value(section, key, &result.value)) return result;
  if (result.error == ERROR_SUCCESS) result.error = ERROR_FILE_NOT_FOUND;
  result.value = default_value != nullptr ? default_value : L"";
  const std::size_t last = result.value.find_last_not_of(L" \t");
  result.value.resize(last == std::wstring::npos ? 0 : last + 1);
  return result;
}

ReadResult ReadSection(const wchar_t* section, const wchar_t* file_name) {
  ReadResult result;
  result.is_list = true;
  std::shared_ptr<const ProfileDocument> doc;
  result.error = LoadDocument(file_name, &doc);
  if (section == nullptr || !doc->SectionLines(section, &result.items)) {
    if (result.error == ERROR_SUCCESS) result.error = ERROR_FILE_NOT_FOUND;
  }
  return result;
}

// Windows' buffer rules for one value and for a list (see profile.h).
template <typename Char>
DWORD CopyValue(const std::basic_string<Char>& value, Char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  const std::size_t count = std::min<std::size_t>(value.size(), size - 1);
  value.copy(buffer, count);
  buffer[count] = 0;
  return static_cast<DWORD>(count);
}

template <typename Char>
DWORD CopyList(const std::vector<std::basic_string<Char>>& items, Char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  std::basic_string<Char> joined;
  for (const auto& item : items) {
    joined += item;
    joined.push_back(0);
  }
  if (joined.empty()) {
    buffer[0] = 0;
    if (size >= 2) buffer[1] = 0;
    return 0;
  }
  if (joined.size() + 1 <= size) {
    joined.copy(buffer, joined.size());
    buffer[joined.size()] = 0;
    return static_cast<DWORD>(joined.size());
  }
  if (size < 2) {
    buffer[0] = 0;
    return 0;
  }
  joined.copy(buffer, size - 2);
  buffer[size - 2] = 0;
  buffer[size - 1] = 0;
  return size - 2;
}

DWORD CopyResultW(const ReadResult& result, wchar_t* buffer, DWORD size) {
  return result.is_list ? CopyList(result.items, buffer, size) : CopyValue(result.value, buffer, size);
}

DWORD CopyResultA(const ReadResult& result, char* buffer, DWORD size) {
  if (!result.is_list) return CopyValue(zb::platform::WideToMulti(result.value, CP_ACP), buffer, size);
  std::vector<std::string> items;
  for (const std::wstring& item : result.items) items.push_back(zb::platform::WideToMulti(item, CP_ACP));
  return CopyList(items, buffer, size);
}

// Narrow arguments as wide text through the ANSI code page; null stays null.
class Wide {
 public:
  explicit Wide(const char* text) : null_(text == nullptr) {
    if (text != nullptr) text_ = zb::platform::MultiToWide(text, CP_ACP);
  }
  const wchar_t* get() const { return null_ ? nullptr : text_.c_str(); }

 private:
  bool null_;
  std::wstring text_;
};

// Lines of a NUL-separated, double-NUL-terminated block.
std::vector<std::wstring> SplitBlock(const wchar_t* block) {
  std::vector<std::wstring> lines;
  while (*block != 0) {
    lines.emplace_back(block);
    block += lines.back().size() + 1;
  }
  return lines;
}

UINT ParseProfileInt(const std::wstring& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  UINT value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + static_cast<UINT>(text[i] - L'0');
  }
  return negative ? 0u - value : value;
}

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR default_value, LPWSTR buffer,
                               DWORD size, LPCWSTR file_name) {
  const ReadResult result = ReadString(section, key, default_value, file_name);
  const DWORD count = CopyResultW(result, buffer, size);
  SetLastError(result.error);
  return count;
}

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR default_value, LPSTR buffer,
                               DWORD size, LPCSTR file_name) {
  const ReadResult result = ReadString(Wide(section).get(), Wide(key).get(),
                                       Wide(default_value).get(), Wide(file_name).get());
  const DWORD count = CopyResultA(result, buffer, size);
  SetLastError(result.error);
  return count;
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file_name) {
  if (section == nullptr) {
    if (key == nullptr && value == nullptr) return TRUE;  // a flush: nothing is held back
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return EditDocument(file_name, [&](ProfileDocument& doc) {
    if (key == nullptr) return doc.RemoveSection(section);
    if (value == nullptr) return doc.RemoveKey(section, key);
    return doc.SetValue(section, key, value);
  });
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file_name) {
  return WritePrivateProfileStringW(Wide(section).get(), Wide(key).get(), Wide(value).get(),
                                    Wide(file_name).get());
}

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT default_value, LPCWSTR file_name) {
  if (section == nullptr || key == nullptr) return static_cast<UINT>(default_value);
  const ReadResult result = ReadString(section, key, nullptr, file_name);
  SetLastError(result.error);
  if (result.error != ERROR_SUCCESS) return static_cast<UINT>(default_value);
  return ParseProfileInt(result.value);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT default_value, LPCSTR file_name) {
  return GetPrivateProfileIntW(Wide(section).get(), Wide(key).get(), default_value, Wide(file_name).get());
}

DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR file_name) {
  const ReadResult result = ReadSection(section, file_name);
  const DWORD count = CopyResultW(result, buffer, size);
  SetLastError(result.error);
  return count;
}

DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR file_name) {
  const ReadResult result = ReadSection(Wide(section).get(), Wide(file_name).get());
  const DWORD count = CopyResultA(result, buffer, size);
  SetLastError(result.error);
  return count;
}

BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR lines, LPCWSTR file_name) {
  if (section == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return EditDocument(file_name, [&](ProfileDocument& doc) {
    if (lines == nullptr) return doc.RemoveSection(section);
    return doc.ReplaceSection(section, SplitBlock(lines));
  });
}

BOOL WritePrivateProfileSectionA(LPCSTR section, LPCSTR lines, LPCSTR file_name) {
  std::wstring block;
  if (lines != nullptr) {
    for (const char* line = lines; *line != 0; line += std::char_traits<char>::length(line) + 1) {
      block += zb::platform::MultiToWide(line, CP_ACP);
      block.push_back(0);
    }
    block.push_back(0);
  }
  return WritePrivateProfileSectionW(Wide(section).get(), lines != nullptr ? block.c_str() : nullptr,
                                     Wide(file_name).get());
}

DWORD GetPrivateProfileSectionNamesW(LPWSTR buffer, DWORD size, LPCWSTR file_name) {
  return GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, size, file_name);
}

DWORD GetPrivateProfileSectionNamesA(LPSTR buffer, DWORD size, LPCSTR file_name) {
  return GetPrivateProfileStringA(nullptr, nullptr, nullptr, buffer, size, file_name);
}
