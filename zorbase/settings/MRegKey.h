// MRegKey: a handle class for one key of the registry, named relative to a parent key and opened
// when first needed (for reading by readers, created with its whole path by writers), with typed
// values, sub-key enumeration and recursive deletion that refuses a few vital keys.
#pragma once

#include <vector>

#include <zorbase/afx/CByteArray.h>
#include <zorbase/afx/CString.h>
#include <zorbase/afx/CStringArray.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/registry.h>

// Every operation that returns int returns non-zero for success and 0 for failure and leaves its
// result in GetLastError(): 0, a system registry error code, E_HANDLE (no valid handle), E_FAIL (a
// value of the wrong type or size, or a number stored as text that does not parse) or E_UNEXPECTED
// (GetRegStruct of a value of the wrong type or size). Value names null or empty name the key's
// default value. An object is not safe for concurrent use from several threads.
class ZORBASE_API MRegKey {
 public:
  // An empty key: no handle, empty name, no parent, owns its handles.
  MRegKey();
  // Wraps an existing handle (a predefined root, say); no parent, empty name. With `owns` the
  // handle is closed when the object closes, re-opens or goes.
  MRegKey(HKEY key, int owns);
  // A sub-key `name` of `parent` (opened for reading if needed). When the parent cannot be opened
  // the key is described below the parent's own parent with the joined path, so that the first
  // write creates the whole chain. A parent handle opened for this purpose belongs to the new key
  // and is closed with it.
  MRegKey(const wchar_t* name, MRegKey parent);
  // Copies share the source's open handle without owning it (usable while the source keeps the key
  // open) and take the source's full path, parent and last error.
  MRegKey(MRegKey& other);
  MRegKey& operator=(MRegKey& other);
  virtual ~MRegKey();

  // Closes the current handle (if owned) and takes `key`; name and parent stay.
  void Attach(HKEY key, int owns);
  // Creates the key with its whole path if it is not open and has a parent.
  MRegKey& Create();
  // The handle, opening the key for reading first if needed; null if it cannot be opened.
  operator HKEY();
  // True if the key is not open and cannot be opened.
  int operator!();
  LONG GetLastError();
  // The parent handle and the full sub-key path below it.
  void GetParams(HKEY& parent, CString& path);

  // ---- values ----------------------------------------------------------------------------------
  // REG_SZ, the text with its terminator. A non-zero `remove` deletes the value instead (in every
  // setter).
  int SetRegStr(const wchar_t* name, const wchar_t* value, int remove = 0);
  // As SetRegStr, but a null or empty value deletes the value.
  int SetRegStrE(const wchar_t* name, const wchar_t* value);
  // As SetRegStr / SetRegStrE, but nothing is written when the stored text equals `value` without
  // regard to case.
  int UpdRegStr(const wchar_t* name, const wchar_t* value, int remove = 0);
  int UpdRegStrE(const wchar_t* name, const wchar_t* value);
  int GetRegStr(const wchar_t* name, CString& value);
  CString GetRegStrD(const wchar_t* name, const wchar_t* default_value);

  // REG_DWORD, 4 bytes; read only from a REG_DWORD of exactly 4 bytes.
  int SetRegDWORD(const wchar_t* name, DWORD value, int remove = 0);
  int GetRegDWORD(const wchar_t* name, DWORD& value);
  DWORD GetRegDWORDD(const wchar_t* name, DWORD default_value);

  // Numbers kept as REG_SZ decimal text ("%u", "%d"), read as by wcstoul / wcstol with base 10:
  // E_FAIL when no digit is read, the value is out of range or anything follows the number.
  int SetRegULong(const wchar_t* name, DWORD value, int remove = 0);
  int GetRegULong(const wchar_t* name, DWORD& value);
  DWORD GetRegULongD(const wchar_t* name, DWORD default_value);
  int SetRegLong(const wchar_t* name, LONG value, int remove = 0);
  int GetRegLong(const wchar_t* name, LONG& value);
  LONG GetRegLongD(const wchar_t* name, LONG default_value);
  int SetRegInt(const wchar_t* name, int value, int remove = 0);
  int GetRegInt(const wchar_t* name, int& value);
  int GetRegIntD(const wchar_t* name, int default_value);

  // REG_BINARY. The pointer reader first sets `data` null and `size` 0, and on success hands over
  // a new array (free it with delete[]). The array reader empties the array first.
  int SetRegBinary(const wchar_t* name, const unsigned char* data, DWORD size, int remove = 0);
  int SetRegBinary(const wchar_t* name, const CByteArray& data, int remove = 0);
  int GetRegBinary(const wchar_t* name, unsigned char*& data, DWORD& size);
  int GetRegBinary(const wchar_t* name, CByteArray& data);

  // REG_BINARY of exactly `size` bytes; anything else read gives E_UNEXPECTED. With `data` null the
  // reader only checks; otherwise it zero-fills `data` and reads into it.
  int SetRegStruct(const wchar_t* name, void* data, DWORD size, int remove = 0);
  int GetRegStruct(const wchar_t* name, void* data, DWORD size);

  // ---- keys ------------------------------------------------------------------------------------
  // Deletes a value; a value that does not exist counts as deleted (its code is still recorded).
  int DeleteValue(const wchar_t* name);
  // Empties `name`, then gives the name of the index-th sub-key (at most 260 characters).
  int GetSubKeyName(DWORD index, CString& name);
  // Empties the array and appends the names of all sub-keys.
  void GetSubKeyNames(CStringArray& names);
  // Deletes the sub-key `name` and everything below it. Refuses HKEY_CLASSES_ROOT's own "CLSID",
  // "AppID", "TypeLib" and "Interface". What was deleted before a failure stays deleted.
  int DeleteSubKey(const wchar_t* name);

 protected:
  void CommonInit(const wchar_t* name, HKEY parent);
  int Open(const wchar_t* name, HKEY parent, int create);
  void Close();
  int ValidHandle(int create);
  // Deletes one sub-key that has no sub-keys of its own.
  int _DeleteSubKey(const wchar_t* name);
  int IsVeryImportantSubKey(CString name);
  // The full sub-key path below the parent; the name itself here.
  virtual CString _GetSubKeyName();

  int _SetRegStr(const wchar_t* name, const wchar_t* value);
  int _SetRegDWORD(const wchar_t* name, DWORD value);
  int _SetRegULong(const wchar_t* name, DWORD value);
  int _SetRegLong(const wchar_t* name, LONG value);
  int _SetRegBinary(const wchar_t* name, const unsigned char* data, DWORD size);

  HKEY m_key;
  CString m_name;
  HKEY m_parent;
  LONG m_lastError;
  int m_owns;
  // A parent handle this key opened for itself (see the sub-key constructor); closed with the key.
  HKEY m_ownedParent;

 private:
  // Reads a value's type and bytes into `data`; a system code, or 0.
  LONG ReadValue(const wchar_t* name, DWORD* type, std::vector<BYTE>* data);
  // Opens the key for reading if needed and reads a value; 0 with the code in m_lastError.
  int Fetch(const wchar_t* name, DWORD* type, std::vector<BYTE>* data);
  int Write(const wchar_t* name, DWORD type, const BYTE* data, DWORD size);
  void ReleaseOwnedParent();
};
