// Internal: registry security descriptors and the access check (registry_security.h).
#include <zorbase/platform/portable/registry_security.h>

#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <string>

namespace zb {
namespace platform {
namespace reg {

namespace {

constexpr std::size_t kHeaderSize = 20;
constexpr std::size_t kAclHeaderSize = 8;
constexpr std::size_t kMaxSubAuthorities = 15;
constexpr std::size_t kMaxDescriptorSize = 0x10000 * 4;
constexpr BYTE kContainerInheritAce = 0x02;
constexpr BYTE kInheritOnlyAce = 0x08;

std::uint16_t Get16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const BYTE* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put16(std::vector<BYTE>* out, std::size_t at, std::uint16_t v) {
  (*out)[at] = static_cast<BYTE>(v);
  (*out)[at + 1] = static_cast<BYTE>(v >> 8);
}
void Put32(std::vector<BYTE>* out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<BYTE>(v >> (8 * i));
}

// Size of the SID at `sid` (0 if malformed).
std::size_t SidSize(const BYTE* sid) {
  if (sid[0] != 1 || sid[1] > kMaxSubAuthorities) return 0;
  return 8 + 4 * static_cast<std::size_t>(sid[1]);
}

// Size of the ACL at `acl` (0 if malformed); checks every ACE stays inside the ACL.
std::size_t AclSize(const BYTE* acl) {
  if (acl[0] < 2 || acl[0] > 4) return 0;
  std::size_t size = Get16(acl + 2);
  std::size_t count = Get16(acl + 4);
  if (size < kAclHeaderSize) return 0;
  std::size_t at = kAclHeaderSize;
  for (std::size_t i = 0; i < count; ++i) {
    if (at + 4 > size) return 0;
    std::size_t ace_size = Get16(acl + at + 2);
    if (ace_size < 4 || at + ace_size > size) return 0;
    BYTE type = acl[at];
    if (type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE) {
      if (ace_size < 8 + 8) return 0;
      std::size_t sid_size = SidSize(acl + at + 8);
      if (sid_size == 0 || 8 + sid_size > ace_size) return 0;
    }
    at += ace_size;
  }
  return size;
}

struct Parts {
  std::vector<BYTE> owner, group, sacl, dacl;
  bool sacl_present = false;
  bool dacl_present = false;  // with an empty `dacl`: a null DACL
  WORD control = 0;
};

bool ReadParts(const std::vector<BYTE>& sd, Parts* parts) {
  if (sd.size() < kHeaderSize || sd[0] != SECURITY_DESCRIPTOR_REVISION) return false;
  parts->control = Get16(sd.data() + 2);
  auto read = [&](std::uint32_t offset, bool acl, std::vector<BYTE>* out) -> bool {
    if (offset == 0) return true;
    if (offset < kHeaderSize || offset + (acl ? kAclHeaderSize : 8) > sd.size()) return false;
    std::size_t size = acl ? AclSize(sd.data() + offset) : SidSize(sd.data() + offset);
    if (size == 0 || offset + size > sd.size()) return false;
    out->assign(sd.begin() + offset, sd.begin() + offset + size);
    return true;
  };
  if (!read(Get32(sd.data() + 4), false, &parts->owner)) return false;
  if (!read(Get32(sd.data() + 8), false, &parts->group)) return false;
  if (!read(Get32(sd.data() + 12), true, &parts->sacl)) return false;
  if (!read(Get32(sd.data() + 16), true, &parts->dacl)) return false;
  parts->sacl_present = (parts->control & SE_SACL_PRESENT) != 0;
  parts->dacl_present = (parts->control & SE_DACL_PRESENT) != 0;
  return true;
}

std::vector<BYTE> WriteParts(const Parts& parts) {
  std::vector<BYTE> out(kHeaderSize, 0);
  out[0] = SECURITY_DESCRIPTOR_REVISION;
  WORD control = SE_SELF_RELATIVE;
  if (parts.dacl_present) control |= SE_DACL_PRESENT;
  if (parts.sacl_present) control |= SE_SACL_PRESENT;
  Put16(&out, 2, control);
  auto append = [&](const std::vector<BYTE>& part, std::size_t field) {
    if (part.empty()) return;
    Put32(&out, field, static_cast<std::uint32_t>(out.size()));
    out.insert(out.end(), part.begin(), part.end());
  };
  append(parts.owner, 4);
  append(parts.group, 8);
  if (parts.sacl_present) append(parts.sacl, 12);
  if (parts.dacl_present) append(parts.dacl, 16);
  return out;
}

std::vector<BYTE> SidFromText(const std::string& text) {
  // S-R-I-S1-S2...
  std::vector<std::uint64_t> numbers;
  if (text.size() < 4 || text.compare(0, 2, "S-") != 0) return {};
  std::size_t at = 2;
  while (at <= text.size()) {
    std::size_t dash = text.find('-', at);
    std::string part = text.substr(at, dash == std::string::npos ? std::string::npos : dash - at);
    if (part.empty()) return {};
    numbers.push_back(std::strtoull(part.c_str(), nullptr, 10));
    if (dash == std::string::npos) break;
    at = dash + 1;
  }
  if (numbers.size() < 2 || numbers.size() - 2 > kMaxSubAuthorities) return {};
  std::vector<BYTE> sid(8 + 4 * (numbers.size() - 2), 0);
  sid[0] = static_cast<BYTE>(numbers[0]);
  sid[1] = static_cast<BYTE>(numbers.size() - 2);
  for (int i = 0; i < 6; ++i) sid[2 + i] = static_cast<BYTE>(numbers[1] >> (8 * (5 - i)));
  for (std::size_t i = 2; i < numbers.size(); ++i) Put32(&sid, 8 + 4 * (i - 2), static_cast<std::uint32_t>(numbers[i]));
  return sid;
}

bool SidEquals(const BYTE* sid, std::size_t available, const std::vector<BYTE>& other) {
  return available >= other.size() && !other.empty() && std::memcmp(sid, other.data(), other.size()) == 0;
}

}  // namespace

DWORD MapGenericKeyRights(DWORD access) {
  DWORD mapped = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
  if (access & GENERIC_READ) mapped |= KEY_READ;
  if (access & GENERIC_WRITE) mapped |= KEY_WRITE;
  if (access & GENERIC_EXECUTE) mapped |= KEY_EXECUTE;
  if (access & GENERIC_ALL) mapped |= KEY_ALL_ACCESS;
  return mapped;
}

std::vector<BYTE> BuildDescriptor(const std::string& owner_sid,
                                  const std::vector<std::pair<std::string, DWORD>>& allow) {
  Parts parts;
  parts.owner = SidFromText(owner_sid);
  parts.group = parts.owner;
  parts.dacl_present = true;
  std::vector<BYTE> acl(kAclHeaderSize, 0);
  acl[0] = ACL_REVISION;
  for (const auto& entry : allow) {
    std::vector<BYTE> sid = SidFromText(entry.first);
    std::vector<BYTE> ace(8, 0);
    ace[0] = ACCESS_ALLOWED_ACE_TYPE;
    ace[1] = kContainerInheritAce;
    Put16(&ace, 2, static_cast<std::uint16_t>(8 + sid.size()));
    Put32(&ace, 4, entry.second);
    ace.insert(ace.end(), sid.begin(), sid.end());
    acl.insert(acl.end(), ace.begin(), ace.end());
  }
  Put16(&acl, 2, static_cast<std::uint16_t>(acl.size()));
  Put16(&acl, 4, static_cast<std::uint16_t>(allow.size()));
  parts.dacl = acl;
  return WriteParts(parts);
}

std::vector<BYTE> DefaultSecurity(const std::string& owner_sid) {
  return BuildDescriptor(owner_sid, {{owner_sid, KEY_ALL_ACCESS}, {"S-1-1-0", KEY_READ}});
}

bool CaptureDescriptor(const void* descriptor, std::vector<BYTE>* self_relative) {
  if (descriptor == nullptr) return false;
  const BYTE* sd = static_cast<const BYTE*>(descriptor);
  if (sd[0] != SECURITY_DESCRIPTOR_REVISION) return false;
  WORD control = Get16(sd + 2);
  Parts parts;
  parts.control = control;
  parts.dacl_present = (control & SE_DACL_PRESENT) != 0;
  parts.sacl_present = (control & SE_SACL_PRESENT) != 0;
  auto take = [](const BYTE* at, bool acl, std::vector<BYTE>* out) -> bool {
    if (at == nullptr) return true;
    std::size_t size = acl ? AclSize(at) : SidSize(at);
    if (size == 0 || size > kMaxDescriptorSize) return false;
    out->assign(at, at + size);
    return true;
  };
  const BYTE* owner = nullptr;
  const BYTE* group = nullptr;
  const BYTE* sacl = nullptr;
  const BYTE* dacl = nullptr;
  if (control & SE_SELF_RELATIVE) {
    std::uint32_t offsets[4] = {Get32(sd + 4), Get32(sd + 8), Get32(sd + 12), Get32(sd + 16)};
    for (std::uint32_t offset : offsets) {
      if (offset != 0 && (offset < kHeaderSize || offset > kMaxDescriptorSize)) return false;
    }
    owner = offsets[0] ? sd + offsets[0] : nullptr;
    group = offsets[1] ? sd + offsets[1] : nullptr;
    sacl = offsets[2] ? sd + offsets[2] : nullptr;
    dacl = offsets[3] ? sd + offsets[3] : nullptr;
  } else {
    // Absolute form: pointers after the 4-byte header, aligned to pointer size.
    const BYTE* const* pointers = reinterpret_cast<const BYTE* const*>(sd + sizeof(void*));
    owner = pointers[0];
    group = pointers[1];
    sacl = pointers[2];
    dacl = pointers[3];
  }
  if (!take(owner, false, &parts.owner) || !take(group, false, &parts.group)) return false;
  if (parts.sacl_present && !take(sacl, true, &parts.sacl)) return false;
  if (parts.dacl_present && !take(dacl, true, &parts.dacl)) return false;
  *self_relative = WriteParts(parts);
  return true;
}

bool MergeDescriptor(const std::vector<BYTE>& current, const std::vector<BYTE>& update,
                     SECURITY_INFORMATION information, std::vector<BYTE>* merged) {
  Parts base;
  Parts change;
  if (!ReadParts(current, &base) || !ReadParts(update, &change)) return false;
  if (information & OWNER_SECURITY_INFORMATION) {
    if (change.owner.empty()) return false;
    base.owner = change.owner;
  }
  if (information & GROUP_SECURITY_INFORMATION) base.group = change.group;
  if (information & DACL_SECURITY_INFORMATION) {
    base.dacl_present = change.dacl_present;
    base.dacl = change.dacl;
  }
  if (information & SACL_SECURITY_INFORMATION) {
    base.sacl_present = change.sacl_present;
    base.sacl = change.sacl;
  }
  *merged = WriteParts(base);
  return true;
}

std::vector<BYTE> SelectDescriptor(const std::vector<BYTE>& descriptor, SECURITY_INFORMATION information) {
  Parts parts;
  if (!ReadParts(descriptor, &parts)) return descriptor;
  if (!(information & OWNER_SECURITY_INFORMATION)) parts.owner.clear();
  if (!(information & GROUP_SECURITY_INFORMATION)) parts.group.clear();
  if (!(information & DACL_SECURITY_INFORMATION)) {
    parts.dacl_present = false;
    parts.dacl.clear();
  }
  if (!(information & SACL_SECURITY_INFORMATION)) {
    parts.sacl_present = false;
    parts.sacl.clear();
  }
  return WriteParts(parts);
}

DWORD GrantedAccess(const std::vector<BYTE>& descriptor, const std::string& user_sid) {
  Parts parts;
  if (!ReadParts(descriptor, &parts)) return 0;
  std::vector<BYTE> user = SidFromText(user_sid);
  const std::vector<BYTE> everyone = SidFromText("S-1-1-0");
  const std::vector<BYTE> authenticated = SidFromText("S-1-5-11");
  DWORD owner_rights = (!parts.owner.empty() && parts.owner == user) ? (READ_CONTROL | WRITE_DAC) : 0;
  if (!parts.dacl_present || parts.dacl.empty()) return MapGenericKeyRights(GENERIC_ALL) | owner_rights;
  const std::vector<BYTE>& acl = parts.dacl;
  DWORD granted = 0;
  DWORD denied = 0;
  std::size_t count = Get16(acl.data() + 4);
  std::size_t at = kAclHeaderSize;
  for (std::size_t i = 0; i < count && at + 8 <= acl.size(); ++i) {
    BYTE type = acl[at];
    BYTE flags = acl[at + 1];
    std::size_t size = Get16(acl.data() + at + 2);
    if ((type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE) && !(flags & kInheritOnlyAce)) {
      const BYTE* sid = acl.data() + at + 8;
      std::size_t available = size - 8;
      if (SidEquals(sid, available, user) || SidEquals(sid, available, everyone) ||
          SidEquals(sid, available, authenticated)) {
        DWORD mask = MapGenericKeyRights(Get32(acl.data() + at + 4));
        if (type == ACCESS_ALLOWED_ACE_TYPE) {
          granted |= mask & ~denied;
        } else {
          denied |= mask & ~granted;
        }
      }
    }
    at += size;
  }
  return granted | owner_rights;
}

}  // namespace reg
}  // namespace platform
}  // namespace zb
