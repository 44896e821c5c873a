#include <zorbase/system/MVersionInfo.h>

#include <cstring>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/format.h>
#include <zorbase/platform/resources.h>

namespace {

constexpr WORD kDefaultCodePage = 1252;

std::uint32_t Part(DWORD high, DWORD low, std::uint32_t index) {
  switch (index) {
    case 0: return high >> 16;
    case 1: return high & 0xFFFF;
    case 2: return low >> 16;
    case 3: return low & 0xFFFF;
    default: return 0;
  }
}

}  // namespace

MVersionInfo::MVersionInfo() : fixedInfo(), data(nullptr), dataSize(0), language(0), codePage(0) {}

MVersionInfo::MVersionInfo(const MVersionInfo& other)
    : fixedInfo(other.fixedInfo), data(nullptr), dataSize(other.dataSize),
      language(other.language), codePage(other.codePage) {
  if (other.data != nullptr) {
    data = new BYTE[other.dataSize];
    std::memcpy(data, other.data, other.dataSize);
  }
}

MVersionInfo& MVersionInfo::operator=(const MVersionInfo& other) {
  if (this == &other) return *this;
  BYTE* copy = nullptr;
  if (other.data != nullptr) {
    copy = new BYTE[other.dataSize];
    std::memcpy(copy, other.data, other.dataSize);
  }
  delete[] data;
  data = copy;
  dataSize = other.dataSize;
  fixedInfo = other.fixedInfo;
  language = other.language;
  codePage = other.codePage;
  return *this;
}

MVersionInfo::~MVersionInfo() { delete[] data; }

bool MVersionInfo::GET_FILE_VERSION_INFO(const wchar_t* path) {
  codePage = kDefaultCodePage;
  fixedInfo = VS_FIXEDFILEINFO();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) return false;
  BYTE* block = new BYTE[size];
  delete[] data;
  data = block;
  dataSize = size;
  if (!GetFileVersionInfoW(path, handle, size, data)) return false;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data, L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  std::memcpy(&fixedInfo, value, sizeof fixedInfo);
  if (VerQueryValueW(data, L"\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
    const BYTE* words = static_cast<const BYTE*>(value);
    language = static_cast<WORD>(words[0] | (words[1] << 8));
    codePage = static_cast<WORD>(words[2] | (words[3] << 8));
  }
  return fixedInfo.dwSignature == VS_FFI_SIGNATURE;
}

bool MVersionInfo::GET_MODULE_VERSION_INFO(const wchar_t* moduleName) {
  HMODULE module = GetModuleHandleW(moduleName);
  if (module == nullptr) return false;
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  return GET_FILE_VERSION_INFO(path);
}

std::uint32_t MVersionInfo::GET_VERSION_VALUE(std::uint32_t index) const {
  return Part(fixedInfo.dwFileVersionMS, fixedInfo.dwFileVersionLS, index);
}

std::uint32_t MVersionInfo::GET_PRODUCT_VERSION_VALUE(std::uint32_t index) const {
  return Part(fixedInfo.dwProductVersionMS, fixedInfo.dwProductVersionLS, index);
}

bool MVersionInfo::GET_VALUE(const wchar_t* name, CString& value) {
  if (data == nullptr || name == nullptr) return false;
  const std::wstring path =
      zb::platform::FormatTextW(L"\\StringFileInfo\\%04x%04x\\%s", language, codePage, name);
  void* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data, path.c_str(), &text, &length)) return false;
  value = length == 0 ? L"" : static_cast<const wchar_t*>(text);
  return true;
}

CString MVersionInfo::GET_FILE_VERSION(const wchar_t* format, const wchar_t* order) {
  if (format == nullptr || format[0] == 0 || order == nullptr || order[0] == 0) return CString();
  if (data == nullptr) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) GET_FILE_VERSION_INFO(path);
    if (data == nullptr) return CString();
  }
  std::uint32_t args[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4 && order[i] != 0; ++i) {
    if (order[i] >= L'1' && order[i] <= L'4') {
      args[i] = GET_VERSION_VALUE(static_cast<std::uint32_t>(order[i] - L'1'));
    }
  }
  return CString(zb::platform::FormatTextW(format, args[0], args[1], args[2], args[3]).c_str());
}

bool MVersionInfo::operator==(const MVersionInfo& other) const {
  for (std::uint32_t i = 0; i < 4; ++i) {
    if (GET_VERSION_VALUE(i) != other.GET_VERSION_VALUE(i)) return false;
  }
  return true;
}

bool MVersionInfo::operator<(const MVersionInfo& other) const {
  for (std::uint32_t i = 0; i < 4; ++i) {
    const std::uint32_t a = GET_VERSION_VALUE(i), b = other.GET_VERSION_VALUE(i);
    if (a != b) return a < b;
  }
  return false;
}

bool MVersionInfo::operator>(const MVersionInfo& other) const { return other < *this; }
