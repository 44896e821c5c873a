// Test support: shell scripts that stand in for the desktop's helper programs (clipboard tools,
// viewers), in a fresh directory that replaces PATH for the test's lifetime. Used only by tests.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include <zorbase/platform/internal/scratch_dir.h>

namespace zb {
namespace test {

class FakePrograms {
 public:
  // With `keep_system_path`, the system's directories stay on PATH after the fake ones (so
  // scripts can call sh, cat and friends by name either way, through /bin/sh).
  explicit FakePrograms(const std::string& name, bool keep_system_path = false)
      : dir_(name) {
    const char* old = std::getenv("PATH");
    had_path_ = old != nullptr;
    if (had_path_) old_path_ = old;
    std::string path = dir_.Native("bin");
    if (keep_system_path) path += ":/usr/local/bin:/usr/bin:/bin";
    dir_.Put("bin/.keep", "");
    setenv("PATH", path.c_str(), 1);
  }
  ~FakePrograms() {
    if (had_path_) {
      setenv("PATH", old_path_.c_str(), 1);
    } else {
      unsetenv("PATH");
    }
  }
  FakePrograms(const FakePrograms&) = delete;
  FakePrograms& operator=(const FakePrograms&) = delete;

  // Installs the program `name` running `body` under /bin/sh.
  void Add(const std::string& name, const std::string& body) const {
    dir_.Put("bin/" + name, "#!/bin/sh\n" + body + "\n");
    chmod(dir_.Native("bin/" + name).c_str(), 0755);
  }
  const ScratchDir& dir() const { return dir_; }

 private:
  ScratchDir dir_;
  bool had_path_ = false;
  std::string old_path_;
};

}  // namespace test
}  // namespace zb
