// CComRegistrar: writes and removes the class-registration entries of a component server below
// HKEY_CLASSES_ROOT (class key with its server, program identifier, interface with its proxy/stub
// class, type library) and registers implemented component categories. Every value is written only
// when it differs from what is stored (compared without regard to case); keys are created along
// their whole path.
#pragma once

#include <cstdint>

#include <zorbase/afx/CString.h>
#include <zorbase/afx/CStringArray.h>
#include <zorbase/platform/export.h>

// The array holds the registration parameters as strings, indexed by REGPARAM.
class ZORBASE_API CComRegistrar : public CStringArray {
 public:
  enum REGPARAM {
    PARAM_CLSID = 0,            // braces added when missing
    PARAM_SERVER_PATH = 1,      // empty: the running executable's full path
    PARAM_SERVER_KIND = 2,      // "LS", "LSO", "INP" or "LSO_NOAUTOSTART"
    PARAM_PROGID = 3,
    PARAM_DESCRIPTION = 4,
    PARAM_IID = 5,              // braces added when missing
    PARAM_INTERFACE_NAME = 6,
    PARAM_TYPELIB_ID = 7,       // braces added when missing
    PARAM_TYPELIB_NAME = 8,     // empty: the class description
    PARAM_TYPELIB_VERSION = 9,
    PARAM_END = 10,             // ends an array of ParamInit
  };

  // One parameter: index (PARAM_END ends an array) and text.
  struct ParamInit {
    std::int32_t index;
    const wchar_t* value;
  };

  // Stores `params` (null: none).
  explicit CComRegistrar(ParamInit* params = nullptr);
  ~CComRegistrar() override;

  // Stores one parameter (braces added to the identifiers); indexes outside 0 to 9 are ignored.
  void Set(REGPARAM index, CString value);
  // The stored parameter, or an empty text.
  CString Get(REGPARAM index);

  // Store `params` (if any), then register or unregister. Individual registry failures are not
  // reported: both return 1, and what could be written stays written.
  int Register(ParamInit* params = nullptr);
  int UnRegister(ParamInit* params = nullptr);

  // Creates "CLSID\<class>\Implemented Categories\<category>"; 0 if that key could not be
  // created, otherwise 1 (also for an empty category, which writes nothing).
  int RegisterImplementedCategory(CString categoryId);
  // Registers the safe-for-scripting and safe-for-initialising categories; 0 at the first failure.
  int RegisterSafeForScripting();

 protected:
  // Stores each pair until PARAM_END.
  void InitParams(ParamInit* params);

 private:
  CString ServerPath();
};
