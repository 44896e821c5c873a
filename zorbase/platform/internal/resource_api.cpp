// The Win32 resource calls over ModuleImage: portable, the same for native modules and data files.
#include <algorithm>
#include <cstring>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/internal/module_image.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/resources.h>

namespace res = zb::platform::res;

namespace {

// Finds a resource and keeps the image alive through the caller's use of the entry.
const res::ResourceEntry* FindEntry(HMODULE module, LPCWSTR type, LPCWSTR name, int language,
                                    std::shared_ptr<res::ModuleImage>* image_out) {
  DWORD error = ERROR_SUCCESS;
  std::shared_ptr<res::ModuleImage> image = res::ImageOf(module, &error);
  if (!image) {
    SetLastError(error);
    return nullptr;
  }
  res::ResourceKey type_key, name_key;
  if (!res::ResourceKey::FromParameter(type, &type_key)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  if (!res::ResourceKey::FromParameter(name, &name_key)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const res::ResourceEntry* entry = image->index.Find(type_key, name_key, language, &error);
  if (entry == nullptr) SetLastError(error);
  if (image_out != nullptr) *image_out = std::move(image);
  return entry;
}

// Whether `resource` is one of the entries of `module`'s image.
bool BelongsTo(HMODULE module, HRSRC resource) {
  DWORD error = ERROR_SUCCESS;
  std::shared_ptr<res::ModuleImage> image = res::ImageOf(module, &error);
  if (!image || image->index.entries().empty()) return false;
  const auto* first = image->index.entries().data();
  const auto* entry = reinterpret_cast<const res::ResourceEntry*>(resource);
  return entry >= first && entry < first + image->index.entries().size();
}

// String `id` of the module as UTF-16 units; false with the last error set when its block is
// missing or the block ends before the entry.
bool FindStringUnits(HMODULE module, UINT id, const BYTE** units, std::size_t* count,
                     std::shared_ptr<res::ModuleImage>* image) {
  const WORD block = static_cast<WORD>(((id & 0xFFFF) >> 4) + 1);
  const res::ResourceEntry* entry =
      FindEntry(module, RT_STRING, MAKEINTRESOURCEW(block), res::ResourceIndex::kAnyLanguage, image);
  if (entry == nullptr) return false;
  const res::ByteSpan data(entry->data, entry->size);
  std::uint64_t offset = 0;
  for (UINT i = 0;; ++i) {
    std::uint16_t length = 0;
    if (!data.U16(offset, &length) || !data.Has(offset + 2, 2ull * length)) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return false;
    }
    if (i == (id & 0xF)) {
      *units = entry->data + offset + 2;
      *count = length;
      return true;
    }
    offset += 2 + 2ull * length;
  }
}

}  // namespace

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  const res::ResourceEntry* entry =
      FindEntry(module, type, name, res::ResourceIndex::kAnyLanguage, nullptr);
  return reinterpret_cast<HRSRC>(const_cast<res::ResourceEntry*>(entry));
}

HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
  const res::ResourceEntry* entry = FindEntry(module, type, name, language, nullptr);
  return reinterpret_cast<HRSRC>(const_cast<res::ResourceEntry*>(entry));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  if (resource == nullptr || !BelongsTo(module, resource)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return const_cast<BYTE*>(reinterpret_cast<const res::ResourceEntry*>(resource)->data);
}

LPVOID LockResource(HGLOBAL resource) { return resource; }

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  if (resource == nullptr || !BelongsTo(module, resource)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return reinterpret_cast<const res::ResourceEntry*>(resource)->size;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int size) {
  if (buffer == nullptr || size < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (size > 0) buffer[0] = 0;
  const BYTE* units = nullptr;
  std::size_t count = 0;
  std::shared_ptr<res::ModuleImage> image;
  if (!FindStringUnits(module, id, &units, &count, &image)) return 0;
  if (size == 0) {
    // A pointer to the whole string, kept with the image (the resource itself is UTF-16).
    std::lock_guard<std::mutex> lock(image->strings_mutex);
    auto it = image->strings.find(id & 0xFFFF);
    if (it == image->strings.end()) {
      it = image->strings.emplace(id & 0xFFFF, zb::platform::Utf16LeToWide(units, 2 * count)).first;
    }
    *reinterpret_cast<const wchar_t**>(buffer) = it->second.c_str();
    return static_cast<int>(it->second.size());
  }
  const std::wstring text = zb::platform::Utf16LeToWide(units, 2 * count);
  const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(size) - 1);
  std::wmemcpy(buffer, text.data(), copied);
  buffer[copied] = 0;
  return static_cast<int>(copied);
}

BOOL EnumResourceNamesW(HMODULE module, LPCWSTR type, ENUMRESNAMEPROCW callback, LONG_PTR param) {
  DWORD error = ERROR_SUCCESS;
  std::shared_ptr<res::ModuleImage> image = res::ImageOf(module, &error);
  if (!image) {
    SetLastError(error);
    return FALSE;
  }
  res::ResourceKey type_key;
  if (callback == nullptr || !res::ResourceKey::FromParameter(type, &type_key)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<const res::ResourceKey*> names;
  for (const res::ResourceEntry& entry : image->index.entries()) {
    if (!entry.type.Matches(type_key)) continue;
    const bool seen = std::any_of(names.begin(), names.end(),
                                  [&](const res::ResourceKey* k) { return k->Matches(entry.name); });
    if (!seen) names.push_back(&entry.name);
  }
  if (names.empty()) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  for (const res::ResourceKey* name : names) {
    std::wstring text = name->text;
    LPWSTR pointer = name->is_id ? MAKEINTRESOURCEW(name->id) : &text[0];
    if (!callback(module, type, pointer, param)) break;
  }
  return TRUE;
}
