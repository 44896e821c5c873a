// Test support: a fresh directory on drive C: (which the test runner maps to a private temporary
// directory) for one test, removed again afterwards. Used only by tests.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <zorbase/platform/path_mapping.h>

namespace zb {
namespace test {

class ScratchDir {
 public:
  // Creates C:\scratch\<name> (emptied first when it exists).
  explicit ScratchDir(const std::string& name) {
    native_ = zb::platform::DriveRoot(L'C') + "/scratch/" + name;
    std::error_code ignored;
    std::filesystem::remove_all(native_, ignored);
    std::filesystem::create_directories(native_, ignored);
    windows_ = L"C:\\scratch\\" + std::wstring(name.begin(), name.end());
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::permissions(native_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(native_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Windows path of the directory (no trailing backslash), or of `relative` inside it.
  std::wstring Win(const std::wstring& relative = std::wstring()) const {
    return relative.empty() ? windows_ : windows_ + L"\\" + relative;
  }
  // Native path of the directory, or of `relative` (slashes) inside it.
  std::string Native(const std::string& relative = std::string()) const {
    return relative.empty() ? native_ : native_ + "/" + relative;
  }
  // Writes `bytes` to the native file `relative`.
  void Put(const std::string& relative, const std::string& bytes) const {
    std::filesystem::path path(Native(relative));
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  // The bytes of the native file `relative` ("" when missing).
  std::string Get(const std::string& relative) const {
    std::ifstream in(Native(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& relative) const {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(Native(relative), ignored));
  }

 private:
  std::string native_;
  std::wstring windows_;
};

}  // namespace test
}  // namespace zb
