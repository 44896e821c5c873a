// A host built by make with `pkg-config --cflags --libs zorbase`: it includes the umbrella header
// and calls into both libraries (strings and paths, the registry store, the emulated Windows
// version, the sibling library's formatter). Exit status 0 when every answer is right.
#include <zorbase/zorbase.h>

#include <cstdio>
#include <cwchar>

int main() {
  MString text(L"Metempsychosis");
  if (text.LEN() != 14 || text.FIND(L"PSY", 65535, false) != 5) return 1;
  MFileName name(L"C:\\Dir\\File.txt");
  if (std::wcscmp(name.GET_EXT_PART(), L".txt") != 0) return 1;
  if (FormatString(L"%s-%d", L"x", 7) != L"x-7") return 1;

  // A DWORD through the registry store and back.
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\PkgConfigHost", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return 1;
  }
  const DWORD answer = 42;
  DWORD read = 0, type = 0, size = sizeof read;
  const bool stored =
      RegSetValueExW(key, L"Answer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&answer),
                     sizeof answer) == ERROR_SUCCESS &&
      RegQueryValueExW(key, L"Answer", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size) ==
          ERROR_SUCCESS &&
      type == REG_DWORD && read == answer;
  RegCloseKey(key);
  if (!stored) return 1;

  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExW(&version)) return 1;
  std::printf("pkgconfig_host: ZorBase found by pkg-config; Windows %u.%u.%u emulated\n",
              static_cast<unsigned>(version.dwMajorVersion),
              static_cast<unsigned>(version.dwMinorVersion),
              static_cast<unsigned>(version.dwBuildNumber));
  return 0;
}
