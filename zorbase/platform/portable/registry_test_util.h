// Test helpers for the registry suites: value data in Windows form, a private test key that is
// removed when the test ends, and file paths in the test run's temporary directory.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/registry.h>

namespace zb {
namespace test {

// REG_SZ data: UTF-16LE with the terminator.
inline std::vector<BYTE> SzData(const std::wstring& text) {
  std::string bytes = zb::platform::WideToUtf16Le(text.data(), text.size());
  bytes.append(2, '\0');
  return std::vector<BYTE>(bytes.begin(), bytes.end());
}

inline std::vector<BYTE> DwordData(DWORD value) {
  return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
          static_cast<BYTE>(value >> 24)};
}

// The native path `name` in the test run's temporary directory (ZORBASE_TEST_ROOT, else /tmp).
inline std::string TestRootPath(const std::string& name) {
  const char* root = std::getenv("ZORBASE_TEST_ROOT");
  return std::string(root != nullptr ? root : "/tmp") + "/" + name;
}

// The key HKEY_CURRENT_USER\Software\ZorBaseTests\<name>, created afresh (with full access) and
// deleted with its subtree when the object goes.
class TestKey {
 public:
  explicit TestKey(const std::wstring& name) : path_(L"Software\\ZorBaseTests\\" + name) {
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  ~TestKey() {
    if (key_ != nullptr) RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  }
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;

  HKEY key() const { return key_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

}  // namespace test
}  // namespace zb
