#include <zorbase/platform/internal/message_table.h>

#include <string>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/internal/module_image.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/resources.h>

namespace zb {
namespace platform {
namespace res {

namespace {
// ERROR_MR_MID_NOT_FOUND: the message id is not in the table.
constexpr DWORD kMessageNotFound = 317;
}  // namespace

bool FindMessageInTable(ByteSpan table, DWORD id, std::wstring* text) {
  std::uint32_t blocks = 0;
  if (!table.U32(0, &blocks)) return false;
  for (std::uint64_t b = 0; b < blocks; ++b) {
    const std::uint64_t at = 4 + 12 * b;
    std::uint32_t low = 0, high = 0, offset = 0;
    if (!table.U32(at, &low) || !table.U32(at + 4, &high) || !table.U32(at + 8, &offset)) {
      return false;
    }
    if (id < low || id > high) continue;
    std::uint64_t entry = offset;
    for (std::uint32_t current = low;; ++current) {
      std::uint16_t length = 0, flags = 0;
      if (!table.U16(entry, &length) || !table.U16(entry + 2, &flags) || length < 4 ||
          !table.Has(entry, length)) {
        return false;
      }
      if (current == id) {
        const unsigned char* p = table.data() + entry + 4;
        const std::size_t bytes = length - 4u;
        if (flags & 1) {
          std::wstring wide = Utf16LeToWide(p, bytes & ~std::size_t(1));
          *text = wide.substr(0, wide.find(L'\0'));
        } else {
          std::string narrow(reinterpret_cast<const char*>(p), bytes);
          *text = MultiToWide(narrow.substr(0, narrow.find('\0')), CP_ACP);
        }
        return true;
      }
      entry += length;
    }
  }
  return false;
}

bool FindModuleMessage(HMODULE module, DWORD id, DWORD language, std::wstring* text) {
  DWORD error = ERROR_SUCCESS;
  std::shared_ptr<ModuleImage> image = ImageOf(module, &error);
  if (!image) {
    SetLastError(error);
    return false;
  }
  const int wanted = language == 0 ? ResourceIndex::kAnyLanguage : static_cast<int>(language & 0xFFFF);
  const ResourceEntry* entry =
      image->index.Find(ResourceKey::Id(11), ResourceKey::Id(1), wanted, &error);
  if (entry == nullptr) {
    SetLastError(error);
    return false;
  }
  if (!FindMessageInTable(ByteSpan(entry->data, entry->size), id, text)) {
    SetLastError(kMessageNotFound);
    return false;
  }
  return true;
}

}  // namespace res
}  // namespace platform
}  // namespace zb
