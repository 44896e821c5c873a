#include <zorbase/logging/internal/reg_values.h>

#include <vector>

#include <zorbase/platform/codepage.h>

namespace zb {
namespace logging_internal {

bool WriteRegString(HKEY key, const wchar_t* name, const std::wstring& text) {
  const std::string bytes = zb::platform::WideToUtf16Le(text.c_str(), text.size() + 1);
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool WriteRegDword(HKEY key, const wchar_t* name, DWORD value) {
  const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                         static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
  return RegSetValueExW(key, name, 0, REG_DWORD, bytes, sizeof bytes) == ERROR_SUCCESS;
}

bool ReadRegString(HKEY key, const wchar_t* name, DWORD max_bytes, std::wstring* text,
                   DWORD* byte_count) {
  std::vector<BYTE> buffer(max_bytes);
  DWORD type = 0;
  DWORD size = max_bytes;
  if (RegQueryValueExW(key, name, nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::wstring value = zb::platform::Utf16LeToWide(buffer.data(), size & ~DWORD{1});
  const std::size_t zero = value.find(L'\0');
  if (zero != std::wstring::npos) value.resize(zero);
  *text = value;
  if (byte_count != nullptr) *byte_count = size;
  return true;
}

bool ReadRegDword(HKEY key, const wchar_t* name, DWORD* value) {
  BYTE bytes[4] = {0, 0, 0, 0};
  DWORD type = 0;
  DWORD size = sizeof bytes;
  if (RegQueryValueExW(key, name, nullptr, &type, bytes, &size) != ERROR_SUCCESS) return false;
  if (type != REG_DWORD || size != sizeof bytes) return false;
  *value = static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
           static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
  return true;
}

}  // namespace logging_internal
}  // namespace zb
