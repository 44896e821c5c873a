// Builds against the installed headers and library and calls into them.
#include <zorbase/zorbase.h>

#include <cstdio>
#include <cwchar>

int main() {
  SetLastError(ERROR_ACCESS_DENIED);
  if (GetLastError() != ERROR_ACCESS_DENIED || !zb::LibraryLoaded()) return 1;
  MString text(L"Metempsychosis");
  if (text.LEN() != 14 || text.FIND(L"PSY", 65535, false) != 5) return 1;
  MFileName name(L"C:\\Dir\\File.txt");
  if (std::wcscmp(name.GET_EXT_PART(), L".txt") != 0) return 1;
  CString formatted;
  formatted.Format(L"%s=%d", L"n", 42);
  if (formatted != L"n=42") return 1;
  // Resources compiled in by the installed CMake function, and the library's own version.
  wchar_t loaded[32];
  if (LoadStringW(nullptr, 1, loaded, 32) != 9 || std::wcscmp(loaded, L"installed") != 0) return 1;
  MVersionInfo version;
  CString product;
  if (!version.GET_MODULE_VERSION_INFO(L"libzorbase.so") || !version.GET_VALUE(L"ProductName", product) ||
      product != L"ZorBase") {
    return 1;
  }
  // The sibling base library: its string helper and the scale that the user unit set at load.
  if (FormatString(L"%s-%d", L"x", 7) != L"x-7") return 1;
  if (StdBase::MInternalUnits::mg_instance.GetConversionFactor() != 1.0) return 1;
  std::printf("install_test: ZorBase found and linked\n");
  return 0;
}
