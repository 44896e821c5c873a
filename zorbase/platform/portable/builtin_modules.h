// Modules the library provides itself under a Windows file name (a messaging library, a help
// viewer): LoadLibraryW finds them by name before the system loader does, GetProcAddress gives
// their entry points and FreeLibrary drops a reference, as for a module on disk. A host that loads
// such a module by name therefore works unchanged.
#pragma once

#include <cstddef>
#include <string>

#include <zorbase/platform/resources.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

// One entry point: its name and, where hosts look it up by number, its ordinal (0: none).
struct BuiltinExport {
  const char* name;
  FARPROC proc;
  WORD ordinal = 0;
};

// A module's file name ("mapi32.dll") and its exports. Registered modules must be statics: their
// address (with bit 1 set) is the module handle, so it never changes and never dangles.
struct BuiltinModule {
  const wchar_t* file_name;
  const BuiltinExport* exports;
  std::size_t export_count;
};

// Makes `module` loadable by its file name. A second module with a file name already registered
// is ignored (the first stays), so that registration from static initialisers is idempotent.
void RegisterBuiltinModule(const BuiltinModule* module);

// The handle of the built-in module called `name` (a bare file name, case-insensitive, ".dll"
// implied when it has no extension), adding a reference; null when there is none by that name.
HMODULE LoadBuiltinModule(const std::wstring& name);
// As LoadBuiltinModule, but only for a module that is loaded now, and without a reference.
HMODULE FindLoadedBuiltinModule(const std::wstring& name);

bool IsBuiltinModuleHandle(HMODULE module);
// The export `name` of built-in module `module` (a value below 0x10000 in place of the name is an
// ordinal); null with `*error` ERROR_PROC_NOT_FOUND or ERROR_INVALID_HANDLE (a handle never
// given out).
FARPROC BuiltinProcAddress(HMODULE module, LPCSTR name, DWORD* error);
// Drops one reference; false for a handle never given out or with no reference left.
bool ReleaseBuiltinModule(HMODULE module);

}  // namespace platform
}  // namespace zb
