// MString (MString.h): string records in binary files, INI and registry values, and shortened
// paths for display.
#include <zorbase/strings/MString.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/profile.h>
#include <zorbase/settings/COXRegistry.h>
#include <zorbase/strings/CharacterSetConversions.h>

namespace {

constexpr std::uint64_t kIniCapacity = 513;  // 512 characters and the terminator
constexpr int kMaxRecordBytes = 0xFFFF;

// Reads one record's UTF-8 bytes; false unless the count and every byte arrived.
bool ReadRecordBytes(MFile& file, std::string* bytes) {
  unsigned short count = 0;
  if (file.READ(&count, 1) != 1) return false;
  bytes->resize(count);
  return count == 0 || file.READ(&(*bytes)[0], count) == count;
}

// Writes `text` (up to its NUL) as one record; false, writing nothing, when it cannot be encoded
// or does not fit a record.
bool WriteRecord(MFile& file, const wchar_t* text) {
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0 || needed - 1 > kMaxRecordBytes) return false;
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], needed, nullptr, nullptr) != needed) return false;
  const unsigned short count = static_cast<unsigned short>(needed - 1);
  if (file.WRITE(&count, 1) != 1) return false;
  return count == 0 || file.WRITE(bytes.data(), count) == count;
}

}  // namespace

bool MString::READ(MFile& file) {
  std::string bytes;
  if (!ReadRecordBytes(file, &bytes)) return false;
  const int length = static_cast<int>(bytes.size()) + 1;  // with the terminator appended
  const int needed = MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), length, nullptr, 0);
  if (needed <= 0) return false;
  std::unique_ptr<wchar_t[]> wide(new wchar_t[static_cast<std::size_t>(needed)]);
  if (MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), length, wide.get(), needed) != needed) return false;
  const std::uint64_t characters = static_cast<std::uint64_t>(needed) - 1;
  _ALLOC(characters);
  std::wmemcpy(m_text, wide.get(), characters + 1);
  m_length = characters;
  return true;
}

bool MString::WRITE(MFile& file) const {
  if (m_text == nullptr) return false;
  return WriteRecord(file, m_text);
}

void _WriteStringToMFile(const std::wstring& text, MFile* file) {
  if (file != nullptr) WriteRecord(*file, text.c_str());
}

void _ReadStringFromMFile(std::wstring& text, MFile* file) {
  text.clear();
  std::string bytes;
  if (file == nullptr || !ReadRecordBytes(*file, &bytes)) return;
  text = zb::platform::Utf8ToWide(bytes);
  text.resize(std::wcslen(text.c_str()));  // the text up to a NUL, as a record never holds one
}

bool MString::LOAD_INI_STRING(const wchar_t* ini_file, const wchar_t* section, const wchar_t* key) {
  _ALLOC(kIniCapacity - 1);
  std::unique_ptr<wchar_t[]> scratch(new wchar_t[kIniCapacity]);
  scratch[0] = 0;
  const DWORD count = GetPrivateProfileStringW(section, key, L"", scratch.get(),
                                               static_cast<DWORD>(kIniCapacity), ini_file);
  std::wmemcpy(m_text, scratch.get(), kIniCapacity);
  RELEASE(0);
  return count != 0;
}

bool MString::LOAD_INI_STRING(const wchar_t* ini_file, const char* section, const char* key) {
  _ALLOC(kIniCapacity - 1);
  const CharacterSetConversions::String<char> file_name(ini_file, '?');
  std::unique_ptr<char[]> scratch(new char[kIniCapacity]);
  scratch[0] = 0;
  const DWORD count = GetPrivateProfileStringA(section, key, "", scratch.get(),
                                               static_cast<DWORD>(kIniCapacity), file_name);
  const std::wstring wide = zb::platform::MultiToWide(scratch.get(), CP_ACP);
  const std::size_t copied = std::min<std::size_t>(wide.size(), kIniCapacity - 1);
  std::wmemcpy(m_text, wide.c_str(), copied);
  m_text[copied] = 0;
  RELEASE(0);
  return count != 0;
}

bool MString::SAVE_INI_STRING(const wchar_t* ini_file, const wchar_t* section, const wchar_t* key) const {
  return WritePrivateProfileStringW(section, key, C_STR(), ini_file) != FALSE;
}

bool MString::SAVE_INI_STRING(const wchar_t* ini_file, const char* section, const char* key) const {
  const CharacterSetConversions::String<char> file_name(ini_file, '?');
  const CharacterSetConversions::String<char> text(C_STR(), '?');
  return WritePrivateProfileStringA(section, key, text, file_name) != FALSE;
}

bool MString::LOAD_REG_STRING(HKEY root, const wchar_t* subkey, const wchar_t* value_name) {
  COXRegistry registry;
  if (!registry.Connect(root)) return false;
  if (!registry.OpenKey(subkey, COXRegistry::permissionRead)) return false;
  if (!registry.QueryInfo()) return false;
  CString value;
  if (!registry.GetStringValue(value_name, value)) return false;
  _ALLOC_AND_COPY(value.GetString(), static_cast<std::uint64_t>(value.GetLength()));
  return true;
}

bool MString::SAVE_REG_STRING(HKEY root, const wchar_t* subkey, const wchar_t* value_name) const {
  COXRegistry registry;
  if (!registry.OpenPath(subkey, root, COXRegistry::permissionAllAccess)) return false;
  return registry.SetStringValue(value_name, CString(C_STR())) != 0;
}

void MString::ABREVIATE_PATH(const wchar_t* path, std::uint32_t max_len, bool is_directory) {
  if (path == nullptr) return;
  const std::wstring whole(path);
  if (whole.size() <= max_len) {
    *this = path;
    return;
  }
  MFileName name;
  name.SET(path, is_directory);
  const std::wstring drive = name.GET_DRIVE_PART();
  const std::wstring directory = name.GET_DIR_PART();
  const std::wstring file = std::wstring(name.GET_FILE_PART()) + name.GET_EXT_PART();
  const std::size_t fixed = drive.size() + file.size() + 4;  // 4: the marker "\..."
  std::wstring result;
  if (fixed <= max_len) {
    result = drive + L"\\...";
  } else if (fixed - drive.size() <= max_len) {
    result = L"\\...";
  }
  // Widen the kept tail of the directory one component at a time while it fits.
  std::wstring tail;
  std::size_t start = directory.size();
  while (start > 0) {
    std::size_t previous = directory.rfind(L'\\', start - 1);
    if (previous == std::wstring::npos) previous = 0;
    if (directory.size() - previous + fixed > max_len) break;
    tail = directory.substr(previous);
    if (previous == 0) break;
    start = previous;
  }
  result += tail;
  result += file;
  *this = result.c_str();
}

void MString::ABREVIATE_PATH_EX(const wchar_t* path, std::uint32_t max_len, bool /*unused*/) {
  if (path == nullptr) return;
  const std::wstring whole(path);
  if (whole.size() <= max_len) {
    *this = path;
    return;
  }
  std::size_t at = whole.size();
  while (at > 0) {
    --at;
    const std::size_t tail_length = whole.size() - at;
    if (tail_length >= 2 && (whole[at] == L'\\' || tail_length + 3 >= max_len)) break;
  }
  const std::wstring tail = whole.substr(at);
  const std::size_t head_length = max_len > tail.size() + 3 ? max_len - tail.size() - 3 : 0;
  *this = (whole.substr(0, head_length) + L"..." + tail).c_str();
}
