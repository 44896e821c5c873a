// Directories with a map of shown names: reading the listing and the map file, lookups, creating
// folders under refused names, deleting folder trees, writing the map file.
#include <zorbase/files/MDirectoryWithMap.h>

#include <cerrno>
#include <cwchar>
#include <string>
#include <unordered_map>
#include <vector>

#include <zorbase/afx/CObject.h>
#include <zorbase/files/MDirectory.h>
#include <zorbase/platform/clocks.h>
#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/wide_stdio.h>
#include <zorbase/platform/win_errors.h>

namespace {

constexpr unsigned int kNoIndex = 0xFFFFFFFFu;
// A map line is read in pieces of at most this many characters.
constexpr int kLineCharacters = 529;

// The system's code after a failed runtime call, 1 when it reports none.
DWORD SystemCode(DWORD fallback = 1) {
  const DWORD code = GetLastError();
  return code != ERROR_SUCCESS ? code : fallback;
}

std::wstring Folded(const wchar_t* text) {
  std::wstring folded = text != nullptr ? text : L"";
  for (wchar_t& c : folded) c = zb::internal::AsciiToUpper(c);
  return folded;
}

CString Joined(const CString& dir, const wchar_t* name) {
  CString path = dir;
  AssurePathAppend(path, name);
  return path;
}

CString Trimmed(const std::wstring& text) {
  CString value(text.c_str());
  value.Trim();
  return value;
}

bool IsDots(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

// Whether `name` names an entry of the directory itself: not "." or "..", no separator, so joining
// it to the directory can never reach a folder outside.
bool IsEntryName(const wchar_t* name) {
  return name != nullptr && name[0] != 0 && !IsDots(name) && std::wcspbrk(name, L"\\/") == nullptr;
}

// One item of a folder tree to remove.
struct Removal {
  CString path;
  CString name;
  bool directory;
};

// Collects `folder` and everything below it: each directory before its contents. Symbolic links
// are items of their own, never followed. 0, or the listing's failure code.
DWORD CollectTree(const CString& folder, const CString& name, std::vector<Removal>* items) {
  items->push_back(Removal{folder, name, true});
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(Joined(folder, L"*.*").GetString(), &data);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : SystemCode();
  }
  DWORD result = ERROR_SUCCESS;
  do {
    if (IsDots(data.cFileName)) continue;
    const CString path = Joined(folder, data.cFileName);
    if (path.GetLength() >= MAX_PATH) {
      result = ERROR_FILENAME_EXCED_RANGE;
      break;
    }
    const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !link) {
      result = CollectTree(path, data.cFileName, items);
      if (result != ERROR_SUCCESS) break;
    } else {
      items->push_back(Removal{path, data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    }
  } while (FindNextFileW(search, &data));
  FindClose(search);
  return result;
}

}  // namespace

IDirectoryRemoveAsker::~IDirectoryRemoveAsker() = default;

const wchar_t* MDirectoryWithMap::mg_map_file_name_default = L".map";
const wchar_t* MDirectoryWithMap::mg_maped_nonmapped_devider = L"->";

MDirectoryWithMap::MDirectoryWithMap() : m_map(10) {}
MDirectoryWithMap::~MDirectoryWithMap() = default;

void MDirectoryWithMap::Clear() {
  m_names.RemoveAll();
  m_flags.RemoveAll();
  m_map.RemoveAll();
}

unsigned int MDirectoryWithMap::_Check(unsigned int index) const {
  if (index >= static_cast<unsigned int>(m_names.GetSize())) {
    throw CInvalidArgException("MDirectoryWithMap: index out of range");
  }
  return index;
}

long long MDirectoryWithMap::GetCount() const { return m_names.GetSize(); }

void MDirectoryWithMap::GetName(CString& out, unsigned int index) const {
  out = m_names.GetAt(_Check(index));
}

CString& MDirectoryWithMap::GetMappedName(CString& out, unsigned int index) const {
  const CString& name = m_names.GetAt(_Check(index));
  if ((m_flags.GetAt(index) & NAME_MAPPED) == 0 || !m_map.Lookup(name.GetString(), out)) out = name;
  return out;
}

unsigned int MDirectoryWithMap::GetNameFlags(unsigned int index) const {
  return m_flags.GetAt(_Check(index));
}

unsigned int MDirectoryWithMap::GetNameIndex(const wchar_t* diskName) const {
  if (diskName == nullptr) return kNoIndex;
  for (INT_PTR i = m_names.GetSize(); i-- > 0;) {
    if (m_names.GetAt(i).CompareNoCase(diskName) == 0) return static_cast<unsigned int>(i);
  }
  return kNoIndex;
}

unsigned int MDirectoryWithMap::GetMappedNameIndex(const wchar_t* name) const {
  CString disk;
  if (MappedName2Name(name, &disk)) return GetNameIndex(disk.GetString());
  return GetNameIndex(name);
}

bool MDirectoryWithMap::Name2MappedName(const wchar_t* diskName, CString* out) const {
  if (diskName == nullptr) return false;
  CString value;
  if (!m_map.Lookup(diskName, value)) return false;
  if (out != nullptr) *out = value;
  return true;
}

bool MDirectoryWithMap::MappedName2Name(const wchar_t* mappedName, CString* out) const {
  return _MappedName2NameSafe(mappedName, out);
}

bool MDirectoryWithMap::_MappedName2NameSafe(const wchar_t* mappedName, CString* out) const {
  if (mappedName == nullptr) return false;
  POSITION position = m_map.GetStartPosition();
  while (position != nullptr) {
    CString key, value;
    m_map.GetNextAssoc(position, key, value);
    if (value.CompareNoCase(mappedName) == 0) {
      if (out != nullptr) *out = key;
      return true;
    }
  }
  return false;
}

bool MDirectoryWithMap::GetNonmappedName(CString& out, const wchar_t* name) const {
  if (MappedName2Name(name, &out)) return true;
  if (GetNameIndex(name) == kNoIndex) return false;
  out = name;
  return true;
}

unsigned short MDirectoryWithMap::RemoveName(const wchar_t* diskName) {
  const unsigned int index = GetNameIndex(diskName);
  if (index == kNoIndex) return 0;
  const unsigned short flags = m_flags.GetAt(index);
  m_names.RemoveAt(index);
  m_flags.RemoveAt(index);
  m_map.RemoveKey(diskName);
  return flags;
}

void MDirectoryWithMap::ClearMapFromUnusedNames() {
  std::vector<CString> unused;
  POSITION position = m_map.GetStartPosition();
  while (position != nullptr) {
    CString key, value;
    m_map.GetNextAssoc(position, key, value);
    if (GetNameIndex(key.GetString()) == kNoIndex) unused.push_back(key);
  }
  for (const CString& key : unused) m_map.RemoveKey(key.GetString());
}

DWORD MDirectoryWithMap::_ReadMapFile(const wchar_t* path) {
  FILE* file = _wfopen(path, L"r");
  if (file == nullptr) return errno == ENOENT ? ERROR_SUCCESS : ERROR_READ_FAULT;
  // Mapped names already in use, folded, with their disk names: a mapped name stands once.
  std::unordered_map<std::wstring, CString> used;
  POSITION position = m_map.GetStartPosition();
  while (position != nullptr) {
    CString key, value;
    m_map.GetNextAssoc(position, key, value);
    used[Folded(value.GetString())] = key;
  }
  DWORD result = ERROR_SUCCESS;
  wchar_t buffer[kLineCharacters + 1];
  while (zb::platform::GetWideLine(buffer, kLineCharacters + 1, file) != nullptr) {
    std::wstring line(buffer);  // stops at an embedded NUL, as the runtime's string functions do
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
    const CString whole = Trimmed(line);
    if (whole.IsEmpty()) continue;
    if (whole.GetLength() >= 2 && whole[0] == L'[' && whole[whole.GetLength() - 1] == L']') continue;
    const std::size_t divider = line.find(mg_maped_nonmapped_devider);
    if (divider == std::wstring::npos) continue;
    const CString disk = Trimmed(line.substr(0, divider));
    const CString mapped = Trimmed(line.substr(divider + 2));
    if (disk.IsEmpty() || mapped.IsEmpty()) continue;
    const std::wstring key = Folded(mapped.GetString());
    auto found = used.find(key);
    if (found != used.end() && found->second.Compare(disk.GetString()) != 0) {
      result = ERROR_NOT_REGISTRY_FILE;
      break;
    }
    CString previous;
    if (m_map.Lookup(disk.GetString(), previous)) used.erase(Folded(previous.GetString()));
    m_map.SetAt(disk.GetString(), mapped.GetString());
    used[key] = disk;
  }
  if (result == ERROR_SUCCESS && std::ferror(file)) result = ERROR_READ_FAULT;
  std::fclose(file);
  return result;
}

DWORD MDirectoryWithMap::Read(const wchar_t* dir, unsigned short what, const wchar_t* mapFileName,
                              const wchar_t* pattern, const wchar_t* prefix) {
  if (prefix == nullptr) Clear();
  if (dir == nullptr) return ERROR_INVALID_PARAMETER;
  CString base(dir);
  AssurePath(base);
  const wchar_t* map_name = mapFileName != nullptr ? mapFileName : mg_map_file_name_default;
  const CString relative = prefix != nullptr ? CString(prefix) : CString();
  DWORD result = ERROR_SUCCESS;
  if (base.GetLength() >= MAX_PATH) result = ERROR_FILENAME_EXCED_RANGE;

  if (result == ERROR_SUCCESS && (what & READ_MAP) != 0) result = _ReadMapFile(Joined(base, map_name).GetString());

  if (result == ERROR_SUCCESS && (what & READ_RECURSIVE) != 0) {
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(Joined(base, L"*.*").GetString(), &data);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                               (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        if (!directory || IsDots(data.cFileName)) continue;
        CString inner_prefix = relative;
        if (!inner_prefix.IsEmpty()) inner_prefix += L'\\';
        inner_prefix += data.cFileName;
        result = Read(Joined(base, data.cFileName).GetString(), what, mapFileName, pattern,
                      inner_prefix.GetString());
      } while (result == ERROR_SUCCESS && FindNextFileW(search, &data));
      FindClose(search);
    }
  }

  if (result == ERROR_SUCCESS) {
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(Joined(base, pattern != nullptr ? pattern : L"*.*").GetString(), &data);
    if (search == INVALID_HANDLE_VALUE) {
      const DWORD code = SystemCode();
      if (!((what & READ_RECURSIVE) != 0 && code == ERROR_FILE_NOT_FOUND)) result = code;
    } else {
      do {
        unsigned short type = 0;
        const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (directory) {
          if (IsDots(data.cFileName)) {
            if ((what & (READ_DOTS | READ_DIRECTORIES)) == (READ_DOTS | READ_DIRECTORIES)) type = NAME_DOTS;
          } else if ((what & READ_DIRECTORIES) != 0) {
            type = NAME_DIRECTORY;
          }
        } else if ((what & READ_FILES) != 0) {
          const bool is_map = (what & READ_MAP) != 0 && CString(data.cFileName).CompareNoCase(map_name) == 0;
          if (!is_map) type = NAME_FILE;
        }
        if (type == 0) continue;
        CString name = relative;
        if (!name.IsEmpty()) name += L'\\';
        name += data.cFileName;
        if (_MappedName2NameSafe(name.GetString(), nullptr)) {
          result = ERROR_NOT_REGISTRY_FILE;
          break;
        }
        CString mapped_name;
        if (m_map.Lookup(name.GetString(), mapped_name)) type |= NAME_MAPPED;
        m_names.Add(name.GetString());
        m_flags.Add(type);
      } while (FindNextFileW(search, &data));
      if (result == ERROR_SUCCESS && GetLastError() != ERROR_NO_MORE_FILES) result = SystemCode();
      FindClose(search);
    }
  }

  if (result == ERROR_SUCCESS) ClearMapFromUnusedNames();
  if (result != ERROR_SUCCESS) Clear();
  return result;
}

DWORD MDirectoryWithMap::_WriteMapFileEntry(FILE* file, const wchar_t* diskName,
                                            const wchar_t* mappedName) {
  if (file == nullptr || diskName == nullptr || mappedName == nullptr) return ERROR_INVALID_PARAMETER;
  SetLastError(ERROR_SUCCESS);
  if (zb::platform::PutWideChar(L'\n', file) < 0 || zb::platform::PutWideText(diskName, file) < 0 ||
      zb::platform::PutWideText(mg_maped_nonmapped_devider, file) < 0 ||
      zb::platform::PutWideText(mappedName, file) < 0) {
    return SystemCode(ERROR_WRITE_FAULT);
  }
  return ERROR_SUCCESS;
}

DWORD MDirectoryWithMap::WriteMapFile(const wchar_t* path, const wchar_t* fileName) const {
  if (path == nullptr) return ERROR_INVALID_PARAMETER;
  CString target(path);
  if (fileName != nullptr) AssurePathAppend(target, fileName);
  FILE* file = _wfopen(target.GetString(), L"w");
  if (file == nullptr) return ERROR_WRITE_FAULT;
  DWORD result = ERROR_SUCCESS;
  POSITION position = m_map.GetStartPosition();
  while (position != nullptr && result == ERROR_SUCCESS) {
    CString key, value;
    m_map.GetNextAssoc(position, key, value);
    result = _WriteMapFileEntry(file, key.GetString(), value.GetString());
  }
  SetLastError(ERROR_SUCCESS);
  if (std::fclose(file) != 0 && result == ERROR_SUCCESS) result = SystemCode(ERROR_WRITE_FAULT);
  return result;
}

DWORD MDirectoryWithMap::_GenerateName(const CString& dir, const wchar_t* pattern, CString& out) const {
  CString base = dir;
  AssurePath(base);
  const CString form(pattern != nullptr ? pattern : L"map");
  const DWORD start = GetTickCount() + 1;
  DWORD number = start;
  do {
    wchar_t hex[16];
    std::swprintf(hex, 16, L"%lx", static_cast<unsigned long>(number));
    CString candidate = form;
    const int star = candidate.Find(L'*');
    if (star >= 0) {
      candidate = candidate.Left(star) + hex + candidate.Mid(star + 1);
    } else {
      candidate += hex;
    }
    if (GetNameIndex(candidate.GetString()) == kNoIndex &&
        _waccess((base + candidate).GetString(), 0) != 0) {
      out = candidate;
      return ERROR_SUCCESS;
    }
    ++number;
  } while (number != start);
  return 4;
}

DWORD MDirectoryWithMap::CheckCreateFolder(CString& path, const wchar_t* name, bool reread) {
  if (name == nullptr || name[0] == 0) return ERROR_INVALID_PARAMETER;
  if (reread) {
    const DWORD result = Read(path.GetString(), READ_MAP | READ_DIRECTORIES);
    if (result != ERROR_SUCCESS) return result;
  }
  CString disk;
  bool ready = false;
  if (MappedName2Name(name, &disk) || GetNameIndex(name) != kNoIndex) {
    if (disk.IsEmpty()) disk = name;
    ready = IsEntryName(disk.GetString()) &&
            _waccess(Joined(path, disk.GetString()).GetString(), 0) == 0;
  }
  if (!ready && IsEntryName(name)) {
    disk = name;
    const CString folder = Joined(path, name);
    ready = folder.GetLength() < MAX_PATH &&
            (CreateDirectoryW(folder.GetString(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  }
  if (!ready) {
    // The file system refuses the name: a generated disk name and a map line instead.
    const DWORD generated = _GenerateName(path, L"map", disk);
    if (generated != ERROR_SUCCESS) return generated;
    const CString folder = Joined(path, disk.GetString());
    if (!CreateDirectoryW(folder.GetString(), nullptr)) return SystemCode();
    FILE* map = _wfopen(Joined(path, mg_map_file_name_default).GetString(), L"a");
    DWORD result = map != nullptr ? _WriteMapFileEntry(map, disk.GetString(), name) : ERROR_WRITE_FAULT;
    if (map != nullptr && std::fclose(map) != 0 && result == ERROR_SUCCESS) {
      result = SystemCode(ERROR_WRITE_FAULT);
    }
    if (result != ERROR_SUCCESS) {
      RemoveDirectoryW(folder.GetString());
      return result;
    }
  }
  if (GetNameIndex(disk.GetString()) == kNoIndex) {
    m_names.Add(disk.GetString());
    m_flags.Add(NAME_DIRECTORY);
  }
  if (disk.CompareNoCase(name) != 0) {
    m_map.SetAt(disk.GetString(), name);
    const unsigned int index = GetNameIndex(disk.GetString());
    m_flags.SetAt(index, static_cast<WORD>(m_flags.GetAt(index) | NAME_MAPPED));
  }
  path = Joined(path, disk.GetString());
  AssurePath(path);
  return ERROR_SUCCESS;
}

DWORD MDirectoryWithMap::DeleteFolder(CString& path, const wchar_t* name, bool reread,
                                      IDirectoryRemoveAsker* asker) {
  AssurePath(path);
  if (name == nullptr || name[0] == 0) return ERROR_INVALID_PARAMETER;
  if (reread) {
    const DWORD result = Read(path.GetString(), READ_MAP | READ_DIRECTORIES | READ_FILES);
    if (result != ERROR_SUCCESS) return result;
  }
  CString disk;
  const bool mapped = MappedName2Name(name, &disk);
  const CString map_file = Joined(path, mg_map_file_name_default);
  if (mapped) {
    if (_waccess(map_file.GetString(), 6) != 0 && _waccess(map_file.GetString(), 0) != 0) {
      path = map_file;
      SetLastError(ERROR_ACCESS_DENIED);
      return ERROR_ACCESS_DENIED;
    }
  } else {
    disk = name;
  }
  if (!IsEntryName(disk.GetString())) {
    // "..", "." or a path: never a way to delete something outside the directory.
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERROR_INVALID_PARAMETER;
  }
  const CString folder = Joined(path, disk.GetString());
  std::vector<Removal> items;
  DWORD result = folder.GetLength() < MAX_PATH ? CollectTree(folder, disk, &items)
                                               : static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE);
  if (result != ERROR_SUCCESS) {
    path = folder;
    SetLastError(result);
    return result;
  }
  for (auto item = items.rbegin(); item != items.rend(); ++item) {
    if (asker != nullptr) {
      DWORD answer = asker->_OnBeforeRemove(item->directory, item->path.GetString(), item->name.GetString());
      if (answer == 0xFFFFFFFFu) answer = ERROR_CANCELLED;
      if (answer != ERROR_SUCCESS) {
        result = answer;
        path = item->path;
        break;
      }
    }
    BOOL removed = item->directory ? RemoveDirectoryW(item->path.GetString())
                                   : DeleteFileW(item->path.GetString());
    // A symbolic link to a directory goes as a link.
    if (!removed && item->directory && GetLastError() == ERROR_DIRECTORY) {
      removed = DeleteFileW(item->path.GetString());
    }
    if (!removed) {
      result = SystemCode();
      path = item->path;
      break;
    }
  }
  if (result != ERROR_SUCCESS) {
    SetLastError(result);
    return result;
  }
  RemoveName(disk.GetString());
  if (mapped) {
    result = WriteMapFile(map_file.GetString());
    if (result != ERROR_SUCCESS) {
      path = map_file;
      return result;
    }
  }
  path = folder;
  return ERROR_SUCCESS;
}
