// Fuzz target for the VS_VERSIONINFO walker: arbitrary bytes as a version resource. A tree that
// passes the check must turn into a block whose every query stays inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <zorbase/platform/internal/version_block.h>
#include <zorbase/platform/version.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zb::platform::res;
  const ByteSpan input(data, size);
  const std::uint32_t root = CheckVersionTree(input);
  if (root == 0) return 0;
  if (root > size) std::abort();
  const std::size_t needed = VersionBufferSize(input);
  // wchar_t-aligned, exactly the size needed, and once cut short.
  for (std::size_t block_size : {needed, needed / 2 + 1}) {
    std::vector<wchar_t> storage((block_size + sizeof(wchar_t) - 1) / sizeof(wchar_t));
    unsigned char* block = reinterpret_cast<unsigned char*>(storage.data());
    WriteVersionBuffer(input, block, block_size);
    if (block_size < 2) continue;
    static const wchar_t* const kPaths[] = {
        L"\\", L"\\VarFileInfo\\Translation", L"\\StringFileInfo",
        L"\\StringFileInfo\\040904b0\\ProductName", L"\\StringFileInfo\\040904B0\\FileVersion"};
    for (const wchar_t* path : kPaths) {
      void* value = nullptr;
      UINT length = 0;
      if (!VerQueryValueW(block, path, &value, &length)) continue;
      const unsigned char* p = static_cast<const unsigned char*>(value);
      if (p < block || p > block + block_size) std::abort();
    }
    for (const VersionText& text : VersionTexts(ByteSpan(block, block_size))) (void)text;
  }
  return 0;
}
