// Modules the library provides by name: found by LoadLibraryW as Windows reads a module name,
// their exports through GetProcAddress, references counted by FreeLibrary.
#include <zorbase/platform/portable/builtin_modules.h>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/resources.h>

namespace {

INT_PTR Answer() { return 42; }
INT_PTR Numbered() { return 7; }

const zb::platform::BuiltinExport kExports[] = {
    {"Answer", reinterpret_cast<FARPROC>(&Answer)},
    {"Numbered", reinterpret_cast<FARPROC>(&Numbered), 15},
};
const zb::platform::BuiltinModule kModule = {L"zbtest32.dll", kExports, 2};

}  // namespace

SUITE(BuiltinModules) {

TEST(LoadedByNameAsWindowsReadsIt) {
  zb::platform::RegisterBuiltinModule(&kModule);
  CHECK(GetModuleHandleW(L"zbtest32.dll") == nullptr);  // not loaded yet
  for (const wchar_t* name : {L"zbtest32.dll", L"ZBTEST32.DLL", L"zbtest32"}) {
    HMODULE module = LoadLibraryW(name);
    CHECK(module != nullptr);
    if (module == nullptr) continue;
    CHECK(GetModuleHandleW(L"zbtest32.dll") == module);
    FARPROC proc = GetProcAddress(module, "Answer");
    CHECK(proc != nullptr);
    if (proc) CHECK_EQUAL(42, static_cast<int>(proc()));
    CHECK(GetProcAddress(module, "Question") == nullptr);
    CHECK_EQUAL(ERROR_PROC_NOT_FOUND, GetLastError());
    CHECK(GetProcAddress(module, reinterpret_cast<LPCSTR>(1)) == nullptr);  // no such ordinal
    CHECK(GetProcAddress(module, reinterpret_cast<LPCSTR>(15)) ==
          GetProcAddress(module, "Numbered"));
    CHECK(GetProcAddress(module, nullptr) == nullptr);
    CHECK(FreeLibrary(module));
  }
  CHECK(GetModuleHandleW(L"zbtest32.dll") == nullptr);  // every reference dropped
}

TEST(OtherNamesAndPathsAreNotBuiltIn) {
  zb::platform::RegisterBuiltinModule(&kModule);
  CHECK(LoadLibraryW(L"zbtest32.ocx") == nullptr);
  CHECK(LoadLibraryW(L"zbtest32.") == nullptr);  // a trailing dot: no ".dll" implied
  CHECK(LoadLibraryW(L"C:\\nowhere\\zbtest32.dll") == nullptr);
  CHECK_EQUAL(ERROR_MOD_NOT_FOUND, GetLastError());
}

}  // SUITE(BuiltinModules)
