#include "test_environment.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace zb {
namespace test {
namespace {

void SetVariable(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

// A new directory "zorbase-test-XXXXXX" in the system's temporary directory; "" when none can be
// made. Creation is the test of uniqueness, as with mkdtemp.
std::string MakeTemporaryRoot() {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return std::string();
  std::mt19937_64 random(static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count()) ^ std::random_device{}());
  const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "zorbase-test-";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof(kLetters) - 1)];
    const std::filesystem::path candidate = base / name;
    if (std::filesystem::create_directory(candidate, error)) return candidate.string();
    if (error) return std::string();
  }
  return std::string();
}

}  // namespace

TestEnvironment::TestEnvironment() {
  root_ = MakeTemporaryRoot();
  if (root_.empty()) return;
  const std::string drive_c = (std::filesystem::path(root_) / "drive_c").string();
  const std::string registry = (std::filesystem::path(root_) / "registry").string();
  std::filesystem::create_directories(drive_c);
  std::filesystem::create_directories(registry);
  SetVariable("ZORBASE_DRIVE_C", drive_c);
  SetVariable("ZORBASE_REGISTRY_DIR", registry);
  SetVariable("ZORBASE_TEST_ROOT", root_);
}

TestEnvironment::~TestEnvironment() {
  if (root_.empty() || std::getenv("ZORBASE_KEEP_TEST_ROOT") != nullptr) return;
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

}  // namespace test
}  // namespace zb
