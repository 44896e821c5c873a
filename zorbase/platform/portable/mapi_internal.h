// The library's messaging module ("mapi32.dll"): its entry points as C++ functions, shared by the
// files that implement them and by the module's export table.
#pragma once

#include <zorbase/platform/mapi.h>
#include <zorbase/platform/mapi_extended.h>

namespace zb {
namespace platform {
namespace mapi {

// Memory blocks of the interface: a block from AllocateBuffer owns the blocks AllocateMore links
// to it, and FreeBuffer releases them together. Pointers that are no such block are refused.
SCODE AllocateBuffer(ULONG size, LPVOID* buffer);
SCODE AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer);
ULONG FreeBuffer(LPVOID buffer);
void FreeRows(LPSRowSet rows);
void FreeAddressList(LPADRLIST list);
LPSPropValue FindProp(LPSPropValue props, ULONG count, ULONG tag);

ULONG SendMail(LHANDLE session, ULONG_PTR ui_param, lpMapiMessage message, FLAGS flags, ULONG reserved);

HRESULT Initialize(LPVOID init);
void Uninitialize();
HRESULT LogonEx(ULONG_PTR ui_param, LPTSTR profile, LPTSTR password, ULONG flags,
                LPMAPISESSION* session);
HRESULT AdminProfiles(ULONG flags, LPPROFADMIN* admin);
HRESULT WrapCompressedRtf(LPSTREAM compressed, ULONG flags, LPSTREAM* uncompressed);

// A new session of the default profile (reference count 1).
IMAPISession* NewSession();

}  // namespace mapi

// Makes "mapi32.dll" loadable (while a mail program is on PATH). Called once at library load.
void RegisterMessagingModule();

}  // namespace platform
}  // namespace zb
