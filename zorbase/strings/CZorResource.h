// CZorResource: a raw resource of any type, found and locked in the process-wide resource module.
// That module (null by default, which means the executable) is also where MLoadString and
// MString::LOAD_STRING look; hosts set it once at start-up, before other threads read it.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API CZorResource {
 public:
  // Handle and pointer null, size 0.
  CZorResource();
  CZorResource(const CZorResource& other) = default;
  // Copies the three fields.
  CZorResource& operator=(const CZorResource& other);
  // Clears handle and pointer; resource data is never freed (it belongs to the module).
  ~CZorResource();

  // Finds the resource `name` of `type` (integer resources or texts, as FindResourceW takes them)
  // in the resource module, loads it, reads its size and, when that is not 0, locks it. True when
  // a data pointer resulted. Otherwise the fields are cleared and false is returned, with the
  // platform's last error kept (made 1 when it was 0, so a failure never reads as success).
  bool Load(const wchar_t* name, const wchar_t* type);

  // Clears handle and pointer (the size is kept, as the resource is not freed).
  void Release();

  // The process-wide resource module (null: the executable).
  static HINSTANCE GetResInstance();
  static void SetResInstance(HINSTANCE module);

  // The loaded resource: its handle, the locked data (valid while the module stays loaded) and
  // its size in bytes.
  HGLOBAL m_handle;
  const void* m_data;
  DWORD m_size;
};
