// Sets up the process for a test run: private temporary directories for drive C: and for the
// registry store, removed again when the run ends.
#pragma once

#include <string>

namespace zb {
namespace test {

class TestEnvironment {
 public:
  TestEnvironment();
  ~TestEnvironment();
  TestEnvironment(const TestEnvironment&) = delete;
  TestEnvironment& operator=(const TestEnvironment&) = delete;

  const std::string& root() const { return root_; }

 private:
  std::string root_;
};

}  // namespace test
}  // namespace zb
