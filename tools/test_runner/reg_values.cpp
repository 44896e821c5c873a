// reg_values KEY: prints a key's subtree with every value as its stored bytes, for the tests of
// `zorbase reg` (tools/test_runner/reg_cases.cmake). Each key is a line "[PATH]" (the path below
// KEY, empty for KEY itself), depth first in enumeration order, followed by one line per value:
// "NAME=TYPE:HEX" with "@" for the default value, the type in decimal and the data as lower-case
// hex digits. A missing KEY prints "(no key)".
#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/registry.h>

namespace {

void PrintKey(HKEY key, const std::wstring& path) {
  std::printf("[%s]\n", zb::platform::WideToUtf8(path).c_str());
  for (DWORD index = 0;; ++index) {
    std::vector<wchar_t> name(16384);
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueW(key, index, name.data(), &name_size, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    std::vector<BYTE> data(size);
    name_size = static_cast<DWORD>(name.size());
    if (RegEnumValueW(key, index, name.data(), &name_size, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
    const std::wstring value(name.data(), name_size);
    std::string hex;
    static const char kDigits[] = "0123456789abcdef";
    for (DWORD i = 0; i < size; ++i) {
      hex += kDigits[data[i] >> 4];
      hex += kDigits[data[i] & 15];
    }
    std::printf("%s=%lu:%s\n", value.empty() ? "@" : zb::platform::WideToUtf8(value).c_str(),
                static_cast<unsigned long>(type), hex.c_str());
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD size = 256;
    if (RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const std::wstring child(name, size);
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    PrintKey(sub, path.empty() ? child : path + L"\\" + child);
    RegCloseKey(sub);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: reg_values KEY\n");
    return 2;
  }
  HKEY root = nullptr;
  std::wstring sub_key;
  if (!zb::platform::ParseRegistryPath(zb::platform::Utf8ToWide(argv[1]), &root, &sub_key)) {
    std::fprintf(stderr, "reg_values: no root key in %s\n", argv[1]);
    return 2;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, sub_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    std::printf("(no key)\n");
    return 0;
  }
  PrintKey(key, L"");
  RegCloseKey(key);
  return 0;
}
