// The framework's application object: the program's names and help-file path, and its profile
// (settings by section and entry) kept in the registry or in an INI file.
//
// AfxGetApp() is the application object the host constructed (the most recent CWinApp still
// alive), or else one the library makes on first use. Its settings, as the framework keeps them:
// m_pszExeName the executable's base name; m_pszAppName the name given to the constructor, else
// the executable's base name; m_pszHelpFilePath the executable's path with the extension ".chm";
// m_pszProfileName the executable's base name; m_pszRegistryKey null. Each is a string of its own
// from malloc that the destructor frees, so a host may free one and put its own (from malloc,
// e.g. _wcsdup) in its place, as with the framework.
//
// The profile: with a registry key (SetRegistryKey), section SECTION lives under
// HKEY_CURRENT_USER\Software\KEY\PROFILE\SECTION, integers as REG_DWORD and strings as REG_SZ;
// without one, in the INI file named after the profile (".ini" added when the name has no such
// extension; a name without a folder is in the Windows directory, as for the private-profile
// calls). Calls from one thread at a time.
#pragma once

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// The framework's profile members carry the wide names that windows.h gives them.
#ifndef GetProfileInt
#define GetProfileInt GetProfileIntW
#define WriteProfileInt WriteProfileIntW
#define GetProfileString GetProfileStringW
#define WriteProfileString WriteProfileStringW
#endif

class ZORBASE_API CWinApp {
 public:
  // Becomes the application object AfxGetApp() returns, until it is destroyed.
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Keeps the profile in the registry under Software\`lpszRegistryKey` from now on; the profile
  // name becomes the application name, as the framework does.
  void SetRegistryKey(LPCTSTR lpszRegistryKey);

  // HKEY_CURRENT_USER\Software\KEY\PROFILE, created when missing; null without a registry key or
  // when it cannot be created. The caller closes it.
  HKEY GetAppRegistryKey();
  // The section's key below it, created when missing; the caller closes it.
  HKEY GetSectionKey(LPCTSTR lpszSection);

  // The entry as an integer, or `nDefault` when it is missing (or, in the registry, not a
  // REG_DWORD).
  UINT GetProfileIntW(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault);
  BOOL WriteProfileIntW(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
  // The entry as text, or `lpszDefault` (null: empty) when it is missing (or, in the registry,
  // not a string).
  CString GetProfileStringW(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = nullptr);
  // A null `lpszValue` deletes the entry; a null `lpszEntry` the whole section.
  BOOL WriteProfileStringW(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);

  LPCTSTR m_pszAppName;
  LPCTSTR m_pszExeName;
  LPCTSTR m_pszHelpFilePath;
  LPCTSTR m_pszProfileName;
  LPCTSTR m_pszRegistryKey;

 private:
  // The INI file of the profile.
  CString _ProfileFile() const;
  bool _UsesRegistry() const;

  CWinApp* m_previous;
};

// The application object (never null).
ZORBASE_API CWinApp* AfxGetApp();
