// Test support: shell scripts that stand in for the desktop's helper programs (clipboard tools,
// viewers), in a fresh directory that replaces PATH for the test's lifetime, and environment
// variables set for a scope. Used only by tests.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <zorbase/platform/internal/scratch_dir.h>

namespace zb {
namespace test {

// Sets (or, with null, removes) one environment variable for its lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_.c_str(), old_.c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

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
  // Makes the system's program `name` (found in /usr/bin or /bin) available under its name.
  void Link(const std::string& name) const {
    for (const char* dir : {"/usr/bin/", "/bin/"}) {
      const std::string target = dir + name;
      if (access(target.c_str(), X_OK) == 0) {
        symlink(target.c_str(), dir_.Native("bin/" + name).c_str());
        return;
      }
    }
  }
  const ScratchDir& dir() const { return dir_; }

 private:
  ScratchDir dir_;
  bool had_path_ = false;
  std::string old_path_;
};

}  // namespace test
}  // namespace zb
