// COXRegistry: a lower-level registry object connected to one root key (of this computer; other
// computers cannot be reached), holding at most one open key below it, forwarding each operation
// to the platform's registry calls and recording their result codes; it caches the open key's
// statistics. CRegUtils: one-call helpers that store and load a value below HKEY_CURRENT_USER.
#pragma once

#include <cstddef>

#include <zorbase/afx/CByteArray.h>
#include <zorbase/afx/CObject.h>
#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/registry.h>

// All operations that return int return non-zero for success and leave the system's code in the
// error code (GetErrorCode): 0 for success, 87 when a required pointer argument is null, 6 when
// there is no connection or no open key to work on. A failure leaves the object as it was, except
// that a failed OpenKey leaves no key open. Not safe for concurrent use from several threads.
class ZORBASE_API COXRegistry : public CObject {
  DECLARE_DYNAMIC(COXRegistry)

 public:
  // Value types (as the platform's REG_* values).
  enum KeyValueTypes {
    typeNone = REG_NONE,
    typeString = REG_SZ,
    typeExpandString = REG_EXPAND_SZ,
    typeBinary = REG_BINARY,
    typeDoubleWord = REG_DWORD,
    typeDoubleWordLittleEndian = REG_DWORD_LITTLE_ENDIAN,
    typeDoubleWordBigEndian = REG_DWORD_BIG_ENDIAN,
    typeSymbolicLink = REG_LINK,
    typeMultipleString = REG_MULTI_SZ,
    typeResourceList = REG_RESOURCE_LIST,
    typeFullResourceDescriptor = REG_FULL_RESOURCE_DESCRIPTOR,
    typeResourceRequirementsList = REG_RESOURCE_REQUIREMENTS_LIST,
    typeQuadWord = REG_QWORD,
  };
  // Options of CreateKey (REG_OPTION_*).
  enum CreateOptions {
    optionsNonVolatile = REG_OPTION_NON_VOLATILE,
    optionsVolatile = REG_OPTION_VOLATILE,
    optionsBackupRestore = REG_OPTION_BACKUP_RESTORE,
  };
  // Access masks (KEY_*): full access 0xF003F, read access 0x20019.
  enum CreatePermissions {
    permissionAllAccess = KEY_ALL_ACCESS,
    permissionRead = KEY_READ,
    permissionWrite = KEY_WRITE,
    permissionExecute = KEY_EXECUTE,
    permissionQueryValue = KEY_QUERY_VALUE,
    permissionSetValue = KEY_SET_VALUE,
    permissionCreateSubKey = KEY_CREATE_SUB_KEY,
    permissionEnumerateSubKeys = KEY_ENUMERATE_SUB_KEYS,
    permissionNotify = KEY_NOTIFY,
    permissionCreateLink = KEY_CREATE_LINK,
  };
  // Filters of NotifyChange (REG_NOTIFY_CHANGE_*).
  enum NotifyChangeFilter {
    changeKeyAndSubkeyName = REG_NOTIFY_CHANGE_NAME,
    changeAttributes = REG_NOTIFY_CHANGE_ATTRIBUTES,
    changeLastWrite = REG_NOTIFY_CHANGE_LAST_SET,
    changeSecurity = REG_NOTIFY_CHANGE_SECURITY,
    changeAll = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET |
                REG_NOTIFY_CHANGE_SECURITY,
  };

  // Not connected; every member empty or 0.
  COXRegistry();
  // Disconnects.
  ~COXRegistry() override;

  static HKEY keyLocalMachine();
  static HKEY keyClassesRoot();
  static HKEY keyUsers();
  static HKEY keyCurrentUser();

  // Disconnects first if connected. HKEY_CLASSES_ROOT and HKEY_CURRENT_USER cannot be reached on a
  // named computer (error 6); other roots go through RegConnectRegistryW (null: this computer).
  virtual int Disconnect();
  virtual int Connect(HKEY root, const wchar_t* computer = nullptr);
  // Creates or opens `subkey` below the root; on success it becomes the open key.
  virtual int CreateKey(const wchar_t* subkey, const wchar_t* className = nullptr,
                        CreateOptions options = optionsNonVolatile, CreatePermissions access = permissionAllAccess,
                        SECURITY_ATTRIBUTES* security = nullptr, DWORD* disposition = nullptr);
  // A path without a backslash is deleted below the open key; otherwise its parent is opened below
  // the root with full access (and stays the open key) and the last level deleted below it.
  virtual int DeleteKey(const wchar_t* path);
  virtual int DeleteValue(const wchar_t* name);
  // The index-th sub-key and its class; records its last write time.
  virtual int EnumerateKeys(DWORD index, CString& name, CString& className);
  virtual int EnumerateValues(DWORD index, CString& name, KeyValueTypes& type, unsigned char* data, DWORD& size);
  virtual int FlushRegistry();
  // A binary value; the array's contents are replaced on success only.
  virtual int GetBinaryValue(const wchar_t* name, CByteArray& data);
  virtual void GetClassName(CString& className);
  virtual void GetComputerName(CString& computerName);
  // A REG_DWORD value only.
  virtual int GetDoubleWordValue(const wchar_t* name, DWORD& value);
  virtual LONG GetErrorCode();
  virtual void GetKeyName(CString& keyName);
  virtual DWORD GetNumberOfSubkeys();
  virtual DWORD GetNumberOfValues();
  virtual void GetRegistryName(CString& registryName);
  virtual int GetSecurity(DWORD information, void* descriptor, DWORD& size);
  // A REG_SZ value of at most 2048 bytes; on failure `value` is emptied.
  virtual int GetStringValue(const wchar_t* name, CString& value);
  virtual int GetValue(const wchar_t* name, CString& value);
  virtual int GetValue(const wchar_t* name, DWORD& value);
  virtual int GetValue(const wchar_t* name, CByteArray& data);
  // Loads the .reg file `file` as a hive below the connected root (HKEY_USERS or
  // HKEY_LOCAL_MACHINE) named `subkey`.
  virtual int LoadFromFile(const wchar_t* subkey, const wchar_t* file);
  virtual int NotifyChange(HANDLE event, NotifyChangeFilter filter = changeLastWrite, int watchSubtree = FALSE,
                           int asynchronous = TRUE);
  // Closes the open key and opens `subkey` below the root; refreshes the statistics.
  virtual int OpenKey(const wchar_t* subkey, CreatePermissions access = permissionAllAccess);
  // OpenPath(path, root, full access).
  virtual int OpenPath(const wchar_t* path, HKEY root);
  // Refreshes the class and the statistics from the open key.
  virtual int QueryInfo();
  virtual int QueryValue(const wchar_t* name, KeyValueTypes& type, unsigned char* data, DWORD& size);
  virtual int ReplaceFile(const wchar_t* subkey, const wchar_t* newFile, const wchar_t* oldFile);
  virtual int RestoreFromFile(const wchar_t* file, DWORD flags = 0);
  virtual int SaveToFile(const wchar_t* file, SECURITY_ATTRIBUTES* security = nullptr);
  virtual int SetBinaryValue(const wchar_t* name, const CByteArray& data);
  virtual int SetDoubleWordValue(const wchar_t* name, DWORD value);
  virtual int SetSecurity(const DWORD& information, void* const descriptor);
  // A string is written with its terminator (2 x (length + 1) bytes).
  virtual int SetStringValue(const wchar_t* name, const CString& value);
  virtual int SetValue(const wchar_t* name, KeyValueTypes type, unsigned char* const data, std::size_t size);
  virtual int SetValue(const wchar_t* name, const CString& value);
  virtual int SetValue(const wchar_t* name, DWORD value);
  virtual int SetValue(const wchar_t* name, const CByteArray& data);
  virtual int UnLoadKey(const wchar_t* subkey);
  // True if `subkey` opens with full access; false (error code 5) if it opens only for reading;
  // otherwise the result of creating it with full access.
  virtual int CheckAndOpenKeyForWrite(const wchar_t* subkey);

  // Connects to `root` locally and opens `path` level by level; with full access missing levels
  // are created, with any other access the first missing level fails the call. Paths longer than
  // 290 characters are refused (87).
  int OpenPath(const wchar_t* path, HKEY root, CreatePermissions access);

 protected:
  HKEY m_key;
  HKEY m_registry;
  LONG m_errorCode;
  CString m_className;
  CString m_computerName;
  CString m_keyName;
  CString m_registryName;
  DWORD m_numberOfSubkeys;
  DWORD m_numberOfValues;
  DWORD m_longestSubkeyNameLength;
  DWORD m_longestClassNameLength;
  DWORD m_longestValueNameLength;
  DWORD m_longestValueDataLength;
  DWORD m_securityDescriptorLength;
  FILETIME m_lastWriteTime;

 private:
  void CloseKey();
  void ClearStatistics();
  int Record(LONG code);
};

// One-call helpers below HKEY_CURRENT_USER: `key` is the sub-key path, `name` the value name. Each
// opens and closes its key within the call.
class ZORBASE_API CRegUtils {
 public:
  // Creates the key if needed and writes a binary value.
  static bool SaveRegKey(const CString& key, const CString& name, const void* data, DWORD size);
  // Creates the key if needed and writes a string value with its terminator.
  static bool SaveRegKey(const CString& key, const CString& name, const CString& text);
  // Reads the value, whatever its type, into `data` (at most `size` bytes).
  static bool LoadRegKey(const CString& key, const CString& name, void* data, DWORD size);
  // Reads at most 520 bytes (260 characters) of text.
  static bool LoadRegKey(const CString& key, const CString& name, CString& text);
  // The value's size in bytes, or -1 if the key or value cannot be read.
  static LONG GetRegKeySize(const CString& key, const CString& name);
};
