#include <zorbase/platform/version.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <zorbase/platform/internal/byte_span.h>
#include <zorbase/platform/internal/resource_fixtures.h>
#include <zorbase/platform/internal/version_block.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

std::vector<unsigned char> VersionBlock(const std::wstring& file) {
  DWORD handle = 1;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
  CHECK_EQUAL(0u, handle);
  std::vector<unsigned char> block(size);
  if (size != 0) CHECK(GetFileVersionInfoW(file.c_str(), handle, size, block.data()));
  return block;
}

std::wstring Text(const void* block, const wchar_t* path) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block, path, &value, &length)) return L"<none>";
  return std::wstring(static_cast<const wchar_t*>(value), length == 0 ? 0 : length - 1);
}

// A version tree built by hand: root, one StringFileInfo table with one value, no translation.
std::vector<unsigned char> HandTree() {
  std::vector<unsigned char> out;
  auto u16 = [&out](unsigned v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>(v >> 8));
  };
  auto key = [&](const wchar_t* k) {
    for (; *k; ++k) u16(static_cast<unsigned>(*k));
    u16(0);
    while (out.size() % 4) out.push_back(0);
  };
  u16(0); u16(52); u16(0); key(L"VS_VERSION_INFO");
  const unsigned fixed[13] = {0xFEEF04BD, 0x10000, 0x00020003, 0x00040005, 0, 0, 0x3F, 0, 4, 2, 0, 0, 0};
  for (unsigned f : fixed) { u16(f & 0xFFFF); u16(f >> 16); }
  const std::size_t sfi = out.size();
  u16(0); u16(0); u16(1); key(L"StringFileInfo");
  const std::size_t table = out.size();
  u16(0); u16(0); u16(1); key(L"000004b0");
  const std::size_t value = out.size();
  u16(0); u16(3); u16(1); key(L"Name");
  u16('a'); u16('b'); u16(0);
  while (out.size() % 4) out.push_back(0);
  auto patch = [&out](std::size_t at, std::size_t end) {
    out[at] = static_cast<unsigned char>((end - at) & 0xFF);
    out[at + 1] = static_cast<unsigned char>((end - at) >> 8);
  };
  patch(value, out.size() - 2);
  patch(table, out.size());
  patch(sfi, out.size());
  patch(0, out.size());
  return out;
}

}  // namespace

SUITE(VersionResources) {

TEST(PeFileWithVersion) {
  const std::vector<unsigned char> block = VersionBlock(zb::test::ResourceFixture("pe_with_version.dll"));
  CHECK(!block.empty());
  void* value = nullptr;
  UINT length = 0;
  CHECK(VerQueryValueW(block.data(), L"\\", &value, &length));
  CHECK_EQUAL(sizeof(VS_FIXEDFILEINFO), length);
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  CHECK_EQUAL(VS_FFI_SIGNATURE, fixed.dwSignature);
  CHECK_EQUAL(0x00010002u, fixed.dwFileVersionMS);
  CHECK_EQUAL(0x00030004u, fixed.dwFileVersionLS);
  CHECK_EQUAL(0x00050006u, fixed.dwProductVersionMS);
  CHECK(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
  CHECK_EQUAL(4u, length);
  CHECK(std::memcmp(value, "\x09\x04\xb0\x04", 4) == 0);
  CHECK_WIDE(L"Fixture Product Gr\u00fc\u00dfe",
             Text(block.data(), L"\\StringFileInfo\\040904b0\\ProductName"));
  CHECK_WIDE(L"1.2.3.4", Text(block.data(), L"\\stringfileinfo\\040904B0\\fileversion"));
  CHECK_WIDE(L"<none>", Text(block.data(), L"\\StringFileInfo\\040904b0\\Missing"));
  CHECK_WIDE(L"<none>", Text(block.data(), L"\\StringFileInfo\\04070000\\ProductName"));
  CHECK(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904b0\\ProductName", &value, &length));
  CHECK_EQUAL(22u, length);  // 21 characters and the terminator
}

TEST(FilesWithoutVersion) {
  DWORD handle = 0;
  SetLastError(0);
  CHECK_EQUAL(0u, GetFileVersionInfoSizeW(zb::test::ResourceFixture("pe_without_version.dll").c_str(), &handle));
  CHECK_EQUAL(ERROR_RESOURCE_TYPE_NOT_FOUND, GetLastError());
  CHECK_EQUAL(0u, GetFileVersionInfoSizeW(L"C:\\no_such_file.dll", &handle));
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK_EQUAL(0u, GetFileVersionInfoSizeW(nullptr, &handle));
  CHECK_EQUAL(0u, GetFileVersionInfoSizeW(zb::test::DllVersionFixture().c_str(), &handle));
  CHECK_EQUAL(ERROR_RESOURCE_TYPE_NOT_FOUND, GetLastError());
}

TEST(NativeModulesCarryVersions) {
  const std::vector<unsigned char> block = VersionBlock(zb::test::ZorBaseLibraryFile());
  CHECK(!block.empty());
  CHECK_WIDE(L"ZorBase", Text(block.data(), L"\\StringFileInfo\\040904b0\\ProductName"));
  CHECK_WIDE(L"libzorbase.so", Text(block.data(), L"\\StringFileInfo\\040904b0\\OriginalFilename"));
}

TEST(SmallBufferKeepsWhatFits) {
  const std::wstring file = zb::test::ResourceFixture("pe_with_version.dll");
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
  for (DWORD part : {DWORD(8), DWORD(9), DWORD(100), size / 2, size / 2 + 1, size - 1}) {
    // Exactly `part` bytes, so a sanitizer sees any query that looks past them.
    std::unique_ptr<unsigned char[]> block(new unsigned char[part]);
    CHECK(GetFileVersionInfoW(file.c_str(), 0, part, block.get()));
    void* value = nullptr;
    UINT length = 0;
    CHECK(!VerQueryValueW(block.get(), L"\\StringFileInfo\\040904b0\\ProductName", &value, &length));
    if (VerQueryValueW(block.get(), L"\\", &value, &length)) {
      CHECK(static_cast<unsigned char*>(value) + length <= block.get() + part);
    }
  }
}

TEST(HandBuiltTreeAndDamage) {
  using zb::platform::res::ByteSpan;
  using zb::platform::res::CheckVersionTree;
  std::vector<unsigned char> tree = HandTree();
  CHECK_EQUAL(tree.size(), CheckVersionTree(ByteSpan(tree.data(), tree.size())));
  std::vector<unsigned char> block(zb::platform::res::VersionBufferSize(ByteSpan(tree.data(), tree.size())));
  zb::platform::res::WriteVersionBuffer(ByteSpan(tree.data(), tree.size()), block.data(), block.size());
  CHECK_WIDE(L"ab", Text(block.data(), L"\\StringFileInfo\\000004b0\\Name"));
  void* value = nullptr;
  UINT length = 0;
  CHECK(!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));

  struct Damage {
    const char* what;
    std::size_t at;
    unsigned value;
  };
  const std::size_t table = 92 + 36;  // the "000004b0" node (root 40 + 52 value, SFI 36 header)
  const Damage cases[] = {
      {"root longer than the data", 0, 0xFFFF},
      {"root shorter than its header", 0, 4},
      {"child longer than its parent", 92, 0x7FFF},
      {"child of length 0", table, 0},
      {"value past the node", 92 + 2, 0x4000},
      {"type neither text nor binary", 92 + 4, 7},
      {"root key changed", 6, 'X'},
  };
  for (const Damage& d : cases) {
    std::vector<unsigned char> bad = tree;
    bad[d.at] = static_cast<unsigned char>(d.value & 0xFF);
    bad[d.at + 1] = static_cast<unsigned char>(d.value >> 8);
    CHECK_EQUAL(0u, CheckVersionTree(ByteSpan(bad.data(), bad.size())));
  }
  for (std::size_t n = 0; n < tree.size(); ++n) {
    CHECK_EQUAL(0u, CheckVersionTree(ByteSpan(tree.data(), n)));  // every truncation
  }
  // Nesting deeper than any real resource is refused, however it is spelled.
  std::vector<unsigned char> deep;
  const int levels = 12;
  for (int i = 0; i < levels; ++i) {
    const unsigned length = static_cast<unsigned>(8 * (levels - i));
    const unsigned char node[8] = {static_cast<unsigned char>(length), 0, 0, 0, 0, 0, 0, 0};
    deep.insert(deep.end(), node, node + 8);
  }
  CHECK_EQUAL(0u, CheckVersionTree(ByteSpan(deep.data(), deep.size())));
}

}
