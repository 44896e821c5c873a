// Internal helpers of the settings classes (settings_internal.h).
#include <zorbase/settings/internal/settings_internal.h>

#include <climits>
#include <cstdint>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/ascii.h>
#include <zorbase/settings/MSoftKey.h>

namespace zb {
namespace settings_internal {

namespace {

std::wstring StripBackslashes(const wchar_t* text) {
  std::wstring part = text != nullptr ? text : L"";
  std::size_t begin = part.find_first_not_of(L'\\');
  if (begin == std::wstring::npos) return std::wstring();
  std::size_t end = part.find_last_not_of(L'\\');
  return part.substr(begin, end - begin + 1);
}

// Sign, magnitude and the end of the digits of a base-10 number after leading white space.
bool ScanNumber(const wchar_t* text, bool* negative, std::uint64_t* magnitude, bool* overflow) {
  if (text == nullptr) return false;
  const wchar_t* p = text;
  while (zb::internal::IsAsciiSpace(*p)) ++p;
  *negative = false;
  if (*p == L'+' || *p == L'-') {
    *negative = *p == L'-';
    ++p;
  }
  if (!zb::internal::IsAsciiDigit(*p)) return false;
  *magnitude = 0;
  *overflow = false;
  for (; zb::internal::IsAsciiDigit(*p); ++p) {
    *magnitude = *magnitude * 10 + static_cast<std::uint64_t>(*p - L'0');
    if (*magnitude > 0xFFFFFFFFull) {
      *overflow = true;
      *magnitude = 0xFFFFFFFFull + 1;
    }
  }
  return *p == 0;
}

}  // namespace

CString JoinRegPath(const wchar_t* first, const wchar_t* second) {
  std::wstring a = StripBackslashes(first);
  std::wstring b = StripBackslashes(second);
  if (!b.empty()) {
    if (!a.empty()) a += L'\\';
    a += b;
  }
  return CString(a.c_str(), static_cast<int>(a.size()));
}

std::vector<BYTE> RegSzData(const wchar_t* text, std::size_t length) {
  std::string bytes = zb::platform::WideToUtf16Le(text, length);
  bytes.append(2, '\0');
  return std::vector<BYTE>(bytes.begin(), bytes.end());
}

CString RegSzText(const BYTE* data, std::size_t size) {
  std::size_t units = size / 2;
  for (std::size_t i = 0; i < units; ++i) {
    if (data[2 * i] == 0 && data[2 * i + 1] == 0) {
      units = i;
      break;
    }
  }
  std::wstring text = zb::platform::Utf16LeToWide(data, units * 2);
  return CString(text.c_str(), static_cast<int>(text.size()));
}

CString ProductNameFromModulePath(const wchar_t* module_path) {
  std::wstring path = module_path != nullptr ? module_path : L"";
  std::size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return CString(name.c_str(), static_cast<int>(name.size()));
}

bool ParseRegULong(const wchar_t* text, DWORD* value) {
  bool negative = false;
  bool overflow = false;
  std::uint64_t magnitude = 0;
  if (!ScanNumber(text, &negative, &magnitude, &overflow) || overflow) return false;
  // As wcstoul: a minus sign negates the value in the unsigned range.
  *value = static_cast<DWORD>(negative ? (0 - magnitude) : magnitude);
  return true;
}

bool ParseRegLong(const wchar_t* text, LONG* value) {
  bool negative = false;
  bool overflow = false;
  std::uint64_t magnitude = 0;
  if (!ScanNumber(text, &negative, &magnitude, &overflow) || overflow) return false;
  if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull) return false;
  *value = negative ? static_cast<LONG>(-static_cast<std::int64_t>(magnitude)) : static_cast<LONG>(magnitude);
  return true;
}

void SetSettingsDefaults() {
  // The executable's own name. Runs while the library loads: GetModuleFileNameW only compares
  // names with the drive roots, so nothing is created before the host sets its environment.
  std::vector<wchar_t> buffer(32768);
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  const std::wstring path = length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length)
                                                                 : std::wstring();
  MSoftKey::m_CompanyName = L"!TestCompany";
  MSoftKey::m_ProductName = ProductNameFromModulePath(path.c_str());
  MSoftKey::m_ProductVersion = L"";
}

}  // namespace settings_internal
}  // namespace zb
