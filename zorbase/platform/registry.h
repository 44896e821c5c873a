// The Win32 registry calls, declared in the global namespace as windows.h has them, and implemented
// over SQLite hives in $ZORBASE_REGISTRY_DIR (default $XDG_CONFIG_HOME/zorbase/registry/):
// "user.db" holds HKEY_CURRENT_USER, "machine.db" HKEY_LOCAL_MACHINE (HKEY_CLASSES_ROOT is its
// Software\Classes), "default.db" the .DEFAULT user of HKEY_USERS. Several processes share a hive
// safely: each change is one transaction. Key and value names compare without regard to case and
// keep the spelling they were created with. Value data is exchanged as Windows hands it out: the
// string types as UTF-16LE with their terminators, numbers little-endian.
//
// Every call returns a Windows system error code (ERROR_SUCCESS on success) and, as on Windows,
// does not touch the thread's last error (GetComputerNameW, which returns BOOL, sets it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <zorbase/platform/export.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

// ---- predefined roots --------------------------------------------------------------------------
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000000))))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000001))))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000002))))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000003))))
#define HKEY_PERFORMANCE_DATA (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000004))))
#define HKEY_CURRENT_CONFIG (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000005))))

// ---- value types -------------------------------------------------------------------------------
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_LITTLE_ENDIAN = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_LINK = 6;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_RESOURCE_LIST = 8;
constexpr DWORD REG_FULL_RESOURCE_DESCRIPTOR = 9;
constexpr DWORD REG_RESOURCE_REQUIREMENTS_LIST = 10;
constexpr DWORD REG_QWORD = 11;
constexpr DWORD REG_QWORD_LITTLE_ENDIAN = 11;

// ---- access rights (the standard and generic rights and SECURITY_ATTRIBUTES: file_system.h) ----
constexpr DWORD STANDARD_RIGHTS_ALL = 0x001F0000;

constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr DWORD KEY_NOTIFY = 0x0010;
constexpr DWORD KEY_CREATE_LINK = 0x0020;
constexpr DWORD KEY_WOW64_32KEY = 0x0200;
constexpr DWORD KEY_WOW64_64KEY = 0x0100;
constexpr DWORD KEY_WOW64_RES = 0x0300;
constexpr DWORD KEY_READ = 0x00020019;  // READ_CONTROL | QUERY_VALUE | ENUMERATE_SUB_KEYS | NOTIFY
constexpr DWORD KEY_WRITE = 0x00020006;  // READ_CONTROL | SET_VALUE | CREATE_SUB_KEY
constexpr DWORD KEY_EXECUTE = KEY_READ;
constexpr DWORD KEY_ALL_ACCESS = 0x000F003F;

// ---- creation options and dispositions ---------------------------------------------------------
constexpr DWORD REG_OPTION_RESERVED = 0x0;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0x0;
constexpr DWORD REG_OPTION_VOLATILE = 0x1;
constexpr DWORD REG_OPTION_CREATE_LINK = 0x2;
constexpr DWORD REG_OPTION_BACKUP_RESTORE = 0x4;
constexpr DWORD REG_OPTION_OPEN_LINK = 0x8;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// ---- change notification filters ---------------------------------------------------------------
constexpr DWORD REG_NOTIFY_CHANGE_NAME = 0x1;
constexpr DWORD REG_NOTIFY_CHANGE_ATTRIBUTES = 0x2;
constexpr DWORD REG_NOTIFY_CHANGE_LAST_SET = 0x4;
constexpr DWORD REG_NOTIFY_CHANGE_SECURITY = 0x8;
constexpr DWORD REG_NOTIFY_THREAD_AGNOSTIC = 0x10000000;

// ---- restore flags -----------------------------------------------------------------------------
constexpr DWORD REG_WHOLE_HIVE_VOLATILE = 0x1;
constexpr DWORD REG_REFRESH_HIVE = 0x2;
constexpr DWORD REG_NO_LAZY_FLUSH = 0x4;
constexpr DWORD REG_FORCE_RESTORE = 0x8;

// ---- security ----------------------------------------------------------------------------------
typedef DWORD SECURITY_INFORMATION;
typedef DWORD* PSECURITY_INFORMATION;
typedef void* PSECURITY_DESCRIPTOR;
typedef DWORD ACCESS_MASK;
typedef DWORD REGSAM;

constexpr SECURITY_INFORMATION OWNER_SECURITY_INFORMATION = 0x1;
constexpr SECURITY_INFORMATION GROUP_SECURITY_INFORMATION = 0x2;
constexpr SECURITY_INFORMATION DACL_SECURITY_INFORMATION = 0x4;
constexpr SECURITY_INFORMATION SACL_SECURITY_INFORMATION = 0x8;

// Security descriptor control bits and ACE types of the self-relative layout the calls exchange.
constexpr WORD SE_OWNER_DEFAULTED = 0x0001;
constexpr WORD SE_GROUP_DEFAULTED = 0x0002;
constexpr WORD SE_DACL_PRESENT = 0x0004;
constexpr WORD SE_DACL_DEFAULTED = 0x0008;
constexpr WORD SE_SACL_PRESENT = 0x0010;
constexpr WORD SE_SELF_RELATIVE = 0x8000;
constexpr BYTE ACCESS_ALLOWED_ACE_TYPE = 0x0;
constexpr BYTE ACCESS_DENIED_ACE_TYPE = 0x1;
constexpr BYTE SECURITY_DESCRIPTOR_REVISION = 1;
constexpr BYTE ACL_REVISION = 2;

typedef HKEY* PHKEY;

constexpr DWORD MAX_COMPUTERNAME_LENGTH = 15;

// ---- opening, creating, closing ----------------------------------------------------------------

// Opens `sub_key` below `key` with MAXIMUM_ALLOWED access. A null or empty `sub_key` hands back
// `key` itself (which the caller then must not close twice). ERROR_FILE_NOT_FOUND if a level is
// missing.
ZORBASE_API LONG RegOpenKeyW(HKEY key, LPCWSTR sub_key, PHKEY result);

// Opens `sub_key` below `key` with the access `sam_desired`; always a new handle (also for a null
// or empty `sub_key`). ERROR_ACCESS_DENIED when the key's security or the hive file does not
// grant that access.
ZORBASE_API LONG RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD options, REGSAM sam_desired,
                               PHKEY result);

// Opens or creates `sub_key` (every missing level) below `key` with MAXIMUM_ALLOWED access. A null
// or empty `sub_key` hands back `key` itself.
ZORBASE_API LONG RegCreateKeyW(HKEY key, LPCWSTR sub_key, PHKEY result);

// Opens or creates `sub_key` (every missing level, in one transaction) with the access asked for.
// `class_name` becomes the class of each new key; `options` REG_OPTION_VOLATILE makes new keys
// vanish when the machine restarts. `disposition`, if given, receives REG_CREATED_NEW_KEY or
// REG_OPENED_EXISTING_KEY. `security` (if not null) may carry a self-relative descriptor for the
// new keys.
ZORBASE_API LONG RegCreateKeyExW(HKEY key, LPCWSTR sub_key, DWORD reserved, LPWSTR class_name,
                                 DWORD options, REGSAM sam_desired,
                                 const SECURITY_ATTRIBUTES* security, PHKEY result,
                                 LPDWORD disposition);

// Closes a handle from the calls above. Closing a predefined root succeeds and does nothing.
ZORBASE_API LONG RegCloseKey(HKEY key);

// Connects to a root of `machine_name` (null, empty, "." , "localhost" or this computer's name,
// with or without leading backslashes, mean this machine). Only HKEY_LOCAL_MACHINE and HKEY_USERS
// can be reached on a named computer (else ERROR_INVALID_HANDLE); another computer is never
// reachable here and gives ERROR_BAD_NETPATH, as Windows does for a machine it cannot reach.
ZORBASE_API LONG RegConnectRegistryW(LPCWSTR machine_name, HKEY key, PHKEY result);

// ---- values ------------------------------------------------------------------------------------

// Reads a value. With `data` null only the type and the size in bytes are reported. A short
// buffer gives ERROR_MORE_DATA with the size needed in *data_size. A missing value (also a key's
// unset default value) gives ERROR_FILE_NOT_FOUND.
ZORBASE_API LONG RegQueryValueExW(HKEY key, LPCWSTR value_name, LPDWORD reserved, LPDWORD type,
                                  LPBYTE data, LPDWORD data_size);

// Writes a value of any type with exactly the bytes given (string types are expected as UTF-16LE
// with their terminators). A null or empty name is the key's default value.
ZORBASE_API LONG RegSetValueExW(HKEY key, LPCWSTR value_name, DWORD reserved, DWORD type,
                                const BYTE* data, DWORD data_size);

// Deletes a value; ERROR_FILE_NOT_FOUND if there is none.
ZORBASE_API LONG RegDeleteValueW(HKEY key, LPCWSTR value_name);

// ---- keys --------------------------------------------------------------------------------------

// Deletes `sub_key` (an empty name: the key itself). A key that has sub-keys is refused with
// ERROR_ACCESS_DENIED, as are the predefined roots.
ZORBASE_API LONG RegDeleteKeyW(HKEY key, LPCWSTR sub_key);

// Deletes `sub_key` (null: the key itself, keeping it but emptying it) and its whole subtree.
ZORBASE_API LONG RegDeleteTreeW(HKEY key, LPCWSTR sub_key);

// Enumerate sub-keys in the order of their names compared without regard to case, and values in
// the order they were first written. ERROR_NO_MORE_ITEMS past the end; a short name buffer gives
// ERROR_MORE_DATA. Sizes of names are in characters without the terminator on return.
ZORBASE_API LONG RegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD name_size);
ZORBASE_API LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD name_size,
                               LPDWORD reserved, LPWSTR class_name, LPDWORD class_size,
                               PFILETIME last_write_time);
ZORBASE_API LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR value_name, LPDWORD value_name_size,
                               LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD data_size);

// Counts and longest lengths (names and class in characters without terminator, data in bytes),
// the class, the size of the key's security descriptor and the key's last write time.
ZORBASE_API LONG RegQueryInfoKeyW(HKEY key, LPWSTR class_name, LPDWORD class_size,
                                  LPDWORD reserved, LPDWORD sub_keys, LPDWORD max_sub_key_len,
                                  LPDWORD max_class_len, LPDWORD values, LPDWORD max_value_name_len,
                                  LPDWORD max_value_len, LPDWORD security_descriptor_size,
                                  PFILETIME last_write_time);

// Makes every committed change of the key's hive durable on disk (a full checkpoint and fsync).
ZORBASE_API LONG RegFlushKey(HKEY key);

// Signals `event` once, the next time the key (or, with `watch_subtree`, any key below it) changes
// in a way `notify_filter` names: sub-keys added or deleted (NAME), values written or deleted
// (LAST_SET), attributes (ATTRIBUTES) or security (SECURITY). Changes made by this process are
// seen. Without `asynchronous` the call waits for the change and `event` may be null. Closing the
// key signals a pending event. `event` must be an event from zb::platform::CreateRegistryEvent.
ZORBASE_API LONG RegNotifyChangeKeyValue(HKEY key, BOOL watch_subtree, DWORD notify_filter,
                                         HANDLE event, BOOL asynchronous);

// Reads the key's security descriptor in self-relative form (the parts `information` asks for).
// ERROR_INSUFFICIENT_BUFFER with the size needed when `size` is short. Needs READ_CONTROL.
ZORBASE_API LONG RegGetKeySecurity(HKEY key, SECURITY_INFORMATION information,
                                   PSECURITY_DESCRIPTOR descriptor, LPDWORD size);

// Replaces the parts of the key's descriptor that `information` names (self-relative form). The
// DACL decides which rights later opens of the key and of the keys below it obtain; the owner
// keeps READ_CONTROL and WRITE_DAC whatever the DACL says. Needs WRITE_DAC (WRITE_OWNER for the
// owner).
ZORBASE_API LONG RegSetKeySecurity(HKEY key, SECURITY_INFORMATION information,
                                   PSECURITY_DESCRIPTOR descriptor);

// Writes the key and its subtree to a new file in the "Windows Registry Editor Version 5.00" text
// format (ERROR_ALREADY_EXISTS if the file exists). `file` is a Windows or native path.
ZORBASE_API LONG RegSaveKeyW(HKEY key, LPCWSTR file, const SECURITY_ATTRIBUTES* security);

// Replaces the key's values and sub-keys by those of a file written by RegSaveKeyW (or any .reg
// file whose first key is the saved key), in one transaction.
ZORBASE_API LONG RegRestoreKeyW(HKEY key, LPCWSTR file, DWORD flags);

// Loads a .reg file as a hive mounted at `sub_key` directly below HKEY_USERS or
// HKEY_LOCAL_MACHINE, for this process. RegUnLoadKeyW writes the hive back to its file and removes
// the mount (ERROR_ACCESS_DENIED while handles below it are open).
ZORBASE_API LONG RegLoadKeyW(HKEY key, LPCWSTR sub_key, LPCWSTR file);
ZORBASE_API LONG RegUnLoadKeyW(HKEY key, LPCWSTR sub_key);

// Saves the current contents of `sub_key` to `old_file` and replaces them by those of `new_file`
// at once (Windows defers the replacement to the next restart; here no restart is needed).
ZORBASE_API LONG RegReplaceKeyW(HKEY key, LPCWSTR sub_key, LPCWSTR new_file, LPCWSTR old_file);

// This computer's name as Windows reports it: the host name up to its first full stop, in capitals,
// at most MAX_COMPUTERNAME_LENGTH characters. On a short buffer FALSE with ERROR_BUFFER_OVERFLOW and
// the size needed (with terminator) in *size; on success *size is the length without terminator.
ZORBASE_API BOOL GetComputerNameW(LPWSTR buffer, LPDWORD size);

#endif  // _WIN32

namespace zb {
namespace platform {

// Event objects that RegNotifyChangeKeyValue signals. Manual-reset events stay signalled until
// reset; auto-reset ones are reset by the wait that sees them. Closing is the owner's job.
ZORBASE_API HANDLE CreateRegistryEvent(bool manual_reset, bool initially_signalled);
ZORBASE_API bool SetRegistryEvent(HANDLE event);
ZORBASE_API bool ResetRegistryEvent(HANDLE event);
// Waits up to `milliseconds` (INFINITE for no limit); true if the event was signalled.
ZORBASE_API bool WaitRegistryEvent(HANDLE event, DWORD milliseconds);
ZORBASE_API bool CloseRegistryEvent(HANDLE event);

// A self-relative security descriptor for a registry key whose owner is the current user and
// whose DACL grants `user_access` to the current user alone (e.g. KEY_READ makes a key read-only
// for the user). For RegSetKeySecurity with DACL_SECURITY_INFORMATION.
ZORBASE_API std::vector<BYTE> MakeKeySecurityDescriptor(DWORD user_access);

// The directory that holds the hives: $ZORBASE_REGISTRY_DIR, else $XDG_CONFIG_HOME/zorbase/registry,
// else ~/.config/zorbase/registry. Read when first needed; later changes of the environment are
// seen by ResetRegistryForTesting only.
ZORBASE_API std::string RegistryDirectory();

// Imports a .reg file (either format, any roots): the whole file is parsed first and nothing
// changes if any line is malformed (ERROR_NOT_REGISTRY_FILE, with "line N: problem" in *problem
// when given); then the changes of each hive are one transaction. `file` is a Windows or native
// path.
ZORBASE_API LONG ImportRegistryFile(const std::wstring& file, std::string* problem);
// The same for the bytes of a .reg file held in memory.
ZORBASE_API LONG ImportRegistryText(const void* bytes, std::size_t size, std::string* problem);

// A line that an import of a .reg file left out: its number (1-based; 0 for a failure that no one
// line caused), why, and the registry's error when the line was read but could not be written (0
// when it could not be read).
struct RegistryImportProblem {
  int line = 0;
  LONG status = 0;
  std::string reason;
};

// Imports the bytes of a .reg file line by line, as the Windows reg tool does. A line that tool
// skips (a malformed value, a value outside any key, a key line it refuses, hex data that breaks
// off, ...) is left out and listed in *problems, in line order, and the rest is imported; so is a
// change that cannot be written, listed with its error, while the others are still written.
// Returns ERROR_SUCCESS when all that was read was written (lines left out included),
// ERROR_NOT_REGISTRY_FILE when the file is refused (no header the tool accepts) and otherwise the
// first write error. A header the tool accepts without importing anything ("REGEDIT3", ...)
// changes nothing and lists line 1. With `strict` the whole file is read first and nothing
// changes when any line would be left out (ERROR_NOT_REGISTRY_FILE, every such line listed); the
// changes of each hive are then one transaction, as with ImportRegistryText.
ZORBASE_API LONG ImportRegistryLines(const void* bytes, std::size_t size, bool strict,
                                     std::vector<RegistryImportProblem>* problems);

// Writes `sub_key` of `root` and its subtree to `file` in the 5.00 format, replacing the file, as
// the Windows editor exports: a REG_SZ value that is empty or holds a NUL is written as the quoted
// text before its first NUL (RegSaveKeyW keeps every byte instead).
ZORBASE_API LONG ExportRegistryKey(HKEY root, const wchar_t* sub_key, const std::wstring& file);

// Splits "HKCU\Software\Acme" (root names in long or short form, any case) into the predefined
// root and the path below it. False when the path starts with no root name.
ZORBASE_API bool ParseRegistryPath(const std::wstring& path, HKEY* root, std::wstring* sub_key);

// Closes every hive connection and forgets the directory, so the next call opens the hives afresh
// (tests that replace or damage hive files). Open handles become invalid. Not exported: for the
// library's own tests.
void ResetRegistryForTesting();

}  // namespace platform
}  // namespace zb
