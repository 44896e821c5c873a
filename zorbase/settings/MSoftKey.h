// MSoftKey, MSoftKeyCU and MSoftKeyLM: registry keys below the application's settings branch,
// software\<company>\<product>\<version>\<name>, of the current user or the local machine.
#pragma once

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/settings/MRegKey.h>

// A key named below the settings branch under `root`. The branch is composed at each opening from
// the three statics, so Init must run before the first settings key is opened.
class ZORBASE_API MSoftKey : public MRegKey {
 public:
  MSoftKey(const wchar_t* name, HKEY root);
  // Copies keep the relative name (the branch is composed again by the copy).
  MSoftKey(MSoftKey& other);
  MSoftKey& operator=(MSoftKey& other);

  // Sets the branch: company (null: "!TestCompany"), product (null: the executable's base name)
  // and version (null: none). Process-wide; call once at start-up, before keys are used.
  static void Init(const wchar_t* productName, const wchar_t* productVersion, const wchar_t* companyName);

  static CString m_CompanyName;
  static CString m_ProductName;
  static CString m_ProductVersion;

 protected:
  // The executable's file name from after its last backslash up to its last full stop.
  static CString GetDefaultProductName();
  // software\company\product\version\name, empty parts left out.
  CString _GetSubKeyName() override;
};

// A settings key of the current user.
class ZORBASE_API MSoftKeyCU : public MSoftKey {
 public:
  MSoftKeyCU();
  explicit MSoftKeyCU(const wchar_t* name);
  MSoftKeyCU(MSoftKeyCU& other);
  MSoftKeyCU& operator=(MSoftKeyCU& other);
};

// A settings key of the local machine.
class ZORBASE_API MSoftKeyLM : public MSoftKey {
 public:
  MSoftKeyLM();
  explicit MSoftKeyLM(const wchar_t* name);
  MSoftKeyLM(MSoftKeyLM& other);
  MSoftKeyLM& operator=(MSoftKeyLM& other);
};
