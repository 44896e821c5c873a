// GetFileVersionInfoSizeW, GetFileVersionInfoW and VerQueryValueW over the module reader and the
// version tree walker. Portable.
#include <zorbase/platform/internal/module_image.h>
#include <zorbase/platform/internal/version_block.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/version.h>

namespace res = zb::platform::res;

namespace {

// The version resource of `file`, checked; the image keeps the bytes alive. Null with the last
// error set.
std::shared_ptr<res::ModuleImage> ReadVersionResource(LPCWSTR file, res::ByteSpan* resource) {
  if (file == nullptr || file[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DWORD error = ERROR_SUCCESS;
  std::shared_ptr<res::ModuleImage> image = res::ReadModuleFile(file, &error);
  if (!image) {
    SetLastError(error == ERROR_BAD_EXE_FORMAT ? ERROR_RESOURCE_DATA_NOT_FOUND : error);
    return nullptr;
  }
  const res::ResourceEntry* entry = image->index.Find(
      res::ResourceKey::Id(16), res::ResourceKey::Id(1), res::ResourceIndex::kAnyLanguage, &error);
  if (entry == nullptr) {
    // Windows takes the first version resource whatever its name.
    for (const res::ResourceEntry& e : image->index.entries()) {
      if (e.type.Matches(res::ResourceKey::Id(16))) {
        entry = &e;
        break;
      }
    }
  }
  if (entry == nullptr) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  *resource = res::ByteSpan(entry->data, entry->size);
  if (res::CheckVersionTree(*resource) == 0) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return image;
}

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle) {
  if (handle != nullptr) *handle = 0;
  res::ByteSpan resource;
  std::shared_ptr<res::ModuleImage> image = ReadVersionResource(file, &resource);
  if (!image) return 0;
  return static_cast<DWORD>(res::VersionBufferSize(resource));
}

BOOL GetFileVersionInfoW(LPCWSTR file, DWORD, DWORD size, LPVOID data) {
  if (data == nullptr || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  res::ByteSpan resource;
  std::shared_ptr<res::ModuleImage> image = ReadVersionResource(file, &resource);
  if (!image) return FALSE;
  res::WriteVersionBuffer(resource, static_cast<unsigned char*>(data), size);
  return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR sub_block, LPVOID* buffer, PUINT length) {
  if (block == nullptr || sub_block == nullptr || buffer == nullptr || length == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto* bytes = static_cast<const unsigned char*>(block);
  const res::ByteSpan tree(bytes, static_cast<std::size_t>(bytes[0] | (bytes[1] << 8)));
  res::VersionNode node;
  if (!res::FindVersionNode(tree, sub_block, &node)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  if (!node.is_text) {
    *buffer = const_cast<unsigned char*>(bytes + node.value_offset);
    *length = node.value_bytes;
    return TRUE;
  }
  const wchar_t* text = nullptr;
  std::uint32_t chars = 0;
  if (!res::FindVersionTextCopy(bytes, node.value_offset, &text, &chars)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return FALSE;
  }
  *buffer = const_cast<wchar_t*>(text);
  *length = node.value_bytes == 0 ? 0 : chars;
  return TRUE;
}
