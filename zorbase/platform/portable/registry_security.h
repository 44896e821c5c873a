// Internal: registry key security descriptors in the Windows self-relative layout, and the access
// check that decides which rights an open of a key obtains.
//
// Self-relative descriptor (little-endian): Revision(1) Sbz1(1) Control(2) OffsetOwner(4)
// OffsetGroup(4) OffsetSacl(4) OffsetDacl(4), then the SIDs and ACLs at those offsets. SID:
// Revision(1) SubAuthorityCount(1) IdentifierAuthority(6, big-endian) SubAuthority(4 each). ACL:
// AclRevision(1) Sbz1(1) AclSize(2) AceCount(2) Sbz2(2), then ACEs: Type(1) Flags(1) Size(2)
// Mask(4) SID.
//
// Identities: the current Linux user is "S-1-22-1-<uid>" (the form other Linux tools use for Unix
// users), Everyone is S-1-1-0. A key without a descriptor of its own is protected by the nearest
// ancestor's; a hive's root without one by the hive's default (owner full access, Everyone read).
#pragma once

#include <string>
#include <vector>

#include <zorbase/platform/registry.h>

namespace zb {
namespace platform {
namespace reg {

// The SID text of the calling process's user.
std::string CurrentUserSid();

// The descriptor in force for a key of a hive whose file belongs to `owner_sid` when neither the
// key nor an ancestor has one.
std::vector<BYTE> DefaultSecurity(const std::string& owner_sid);

// Reads a caller's descriptor (self-relative or absolute) into self-relative form. False if it is
// malformed (bad revision, offsets or sizes).
bool CaptureDescriptor(const void* descriptor, std::vector<BYTE>* self_relative);

// `current` with the parts that `information` names taken from `update` (both self-relative).
bool MergeDescriptor(const std::vector<BYTE>& current, const std::vector<BYTE>& update,
                     SECURITY_INFORMATION information, std::vector<BYTE>* merged);

// Only the parts that `information` names (the others absent), self-relative.
std::vector<BYTE> SelectDescriptor(const std::vector<BYTE>& descriptor, SECURITY_INFORMATION information);

// The rights `user_sid` has on a key protected by `descriptor` (generic rights mapped to key
// rights). No DACL (or a null one) grants everything; the owner always has READ_CONTROL and
// WRITE_DAC.
DWORD GrantedAccess(const std::vector<BYTE>& descriptor, const std::string& user_sid);

// GENERIC_* bits of `access` replaced by the key rights they stand for.
DWORD MapGenericKeyRights(DWORD access);

// Builds a self-relative descriptor: owner and group `owner_sid`, a DACL of allow entries.
std::vector<BYTE> BuildDescriptor(const std::string& owner_sid,
                                  const std::vector<std::pair<std::string, DWORD>>& allow);

}  // namespace reg
}  // namespace platform
}  // namespace zb
