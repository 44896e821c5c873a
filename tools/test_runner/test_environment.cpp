#include "test_environment.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace zb {
namespace test {

TestEnvironment::TestEnvironment() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zorbase-test-XXXXXX";
  if (char* made = mkdtemp(pattern.data())) root_ = made;
  if (root_.empty()) return;
  const std::string drive_c = root_ + "/drive_c";
  const std::string registry = root_ + "/registry";
  std::filesystem::create_directories(drive_c);
  std::filesystem::create_directories(registry);
  setenv("ZORBASE_DRIVE_C", drive_c.c_str(), 1);
  setenv("ZORBASE_REGISTRY_DIR", registry.c_str(), 1);
  setenv("ZORBASE_TEST_ROOT", root_.c_str(), 1);
}

TestEnvironment::~TestEnvironment() {
  if (root_.empty() || std::getenv("ZORBASE_KEEP_TEST_ROOT") != nullptr) return;
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

}  // namespace test
}  // namespace zb
