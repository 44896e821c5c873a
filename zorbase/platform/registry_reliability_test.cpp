// Reliability of the registry store: several processes writing one key, a writer killed in the
// middle of its writes, and damaged or unreadable hive files.
#include <zorbase/platform/registry.h>

#include <UnitTest++/UnitTest++.h>

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <zorbase/platform/portable/registry_internal.h>
#include <zorbase/platform/portable/registry_test_util.h>

using zb::test::DwordData;
using zb::test::TestKey;
using zb::test::TestRootPath;

namespace {

// Points the registry at a private directory for one test and back at the run's directory after.
class PrivateRegistry {
 public:
  explicit PrivateRegistry(const std::string& name) : directory_(TestRootPath(name)) {
    const char* old = std::getenv("ZORBASE_REGISTRY_DIR");
    old_ = old != nullptr ? old : "";
    mkdir(directory_.c_str(), 0700);
    setenv("ZORBASE_REGISTRY_DIR", directory_.c_str(), 1);
    zb::platform::ResetRegistryForTesting();
  }
  ~PrivateRegistry() {
    setenv("ZORBASE_REGISTRY_DIR", old_.c_str(), 1);
    zb::platform::ResetRegistryForTesting();
  }
  const std::string& directory() const { return directory_; }

 private:
  std::string directory_;
  std::string old_;
};

std::wstring ValueName(int process, int index) {
  return L"p" + std::to_wstring(process) + L"_" + std::to_wstring(index);
}

bool ReadValue(HKEY key, const std::wstring& name, DWORD* value) {
  DWORD type = 0;
  DWORD size = sizeof(*value);
  return RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
             ERROR_SUCCESS &&
         type == REG_DWORD && size == 4;
}

bool Acceptable(LONG status) {
  return status == ERROR_SUCCESS || status == static_cast<LONG>(ERROR_REGISTRY_CORRUPT) ||
         status == static_cast<LONG>(ERROR_REGISTRY_IO_FAILED) || status == static_cast<LONG>(ERROR_FILE_NOT_FOUND) ||
         status == static_cast<LONG>(ERROR_NOT_REGISTRY_FILE) || status == static_cast<LONG>(ERROR_NO_MORE_ITEMS);
}

}  // namespace

SUITE(RegistryReliability) {
  TEST(FourProcessesWritingOneKeyLoseNothing) {
    constexpr int kProcesses = 4;
    constexpr int kValues = 5000;
    TestKey test(L"Concurrent");
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
      pid_t pid = fork();
      if (pid == 0) {
        zb::platform::reg::AbandonHivesAfterFork();
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, test.path().c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) _exit(2);
        for (int i = 0; i < kValues; ++i) {
          std::vector<BYTE> data = DwordData(static_cast<DWORD>(p * 100000 + i));
          if (RegSetValueExW(key, ValueName(p, i).c_str(), 0, REG_DWORD, data.data(), 4) != ERROR_SUCCESS) _exit(3);
        }
        _exit(0);
      }
      CHECK(pid > 0);
      children.push_back(pid);
    }
    for (pid_t pid : children) {
      int status = -1;
      waitpid(pid, &status, 0);
      CHECK(WIFEXITED(status));
      CHECK_EQUAL(0, WEXITSTATUS(status));
    }
    DWORD values = 0;
    CHECK_EQUAL(ERROR_SUCCESS, RegQueryInfoKeyW(test.key(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                &values, nullptr, nullptr, nullptr, nullptr));
    CHECK_EQUAL(static_cast<DWORD>(kProcesses * kValues), values);
    int wrong = 0;
    for (int p = 0; p < kProcesses; ++p) {
      for (int i = 0; i < kValues; ++i) {
        DWORD value = 0;
        if (!ReadValue(test.key(), ValueName(p, i), &value) || value != static_cast<DWORD>(p * 100000 + i)) ++wrong;
      }
    }
    CHECK_EQUAL(0, wrong);
  }

  TEST(WriterKilledMidWritesLeavesEveryCompletedWrite) {
    TestKey test(L"Killed");
    int pipe_fds[2];
    CHECK_EQUAL(0, pipe(pipe_fds));
    pid_t pid = fork();
    if (pid == 0) {
      close(pipe_fds[0]);
      zb::platform::reg::AbandonHivesAfterFork();
      HKEY key = nullptr;
      if (RegOpenKeyExW(HKEY_CURRENT_USER, test.path().c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) _exit(2);
      for (int i = 0;; ++i) {
        std::vector<BYTE> data = DwordData(static_cast<DWORD>(i));
        if (RegSetValueExW(key, ValueName(0, i).c_str(), 0, REG_DWORD, data.data(), 4) != ERROR_SUCCESS) _exit(3);
        // Acknowledge only after the call returned: this write is complete.
        if (write(pipe_fds[1], &i, sizeof(i)) != sizeof(i)) _exit(4);
      }
    }
    close(pipe_fds[1]);
    std::set<int> acknowledged;
    int index = 0;
    while (acknowledged.size() < 3000 && read(pipe_fds[0], &index, sizeof(index)) == sizeof(index)) {
      acknowledged.insert(index);
    }
    if (pid > 0) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    CHECK(WIFSIGNALED(status));
    while (read(pipe_fds[0], &index, sizeof(index)) == sizeof(index)) acknowledged.insert(index);
    close(pipe_fds[0]);
    CHECK(acknowledged.size() >= 3000);
    // Open the hive afresh, as the next process would.
    zb::platform::ResetRegistryForTesting();
    HKEY key = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, test.path().c_str(), 0, KEY_READ, &key));
    int missing = 0;
    for (int i : acknowledged) {
      DWORD value = 0;
      if (!ReadValue(key, ValueName(0, i), &value) || value != static_cast<DWORD>(i)) ++missing;
    }
    CHECK_EQUAL(0, missing);
    RegCloseKey(key);
    sqlite3* db = nullptr;
    std::string hive = zb::platform::RegistryDirectory() + "/user.db";
    CHECK_EQUAL(SQLITE_OK, sqlite3_open_v2(hive.c_str(), &db, SQLITE_OPEN_READONLY, nullptr));
    sqlite3_stmt* check = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
    CHECK_EQUAL(SQLITE_ROW, sqlite3_step(check));
    CHECK_EQUAL(std::string("ok"), std::string(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))));
    sqlite3_finalize(check);
    sqlite3_close(db);
    // The test key (with the test's handle) is from before the reset; delete it by name.
    RegDeleteTreeW(HKEY_CURRENT_USER, test.path().c_str());
  }

  TEST(DamagedHivesGiveClearCodes) {
    struct Case {
      const char* name;
      void (*damage)(const std::string& hive_path);
      LONG expected;
    } cases[] = {
        {"garbage",
         [](const std::string& path) { std::ofstream(path) << std::string(10000, 'x'); },
         static_cast<LONG>(ERROR_REGISTRY_CORRUPT)},
        {"directory", [](const std::string& path) { mkdir(path.c_str(), 0700); }, static_cast<LONG>(ERROR_ACCESS_DENIED)},
        {"foreign",
         [](const std::string& path) {
           sqlite3* db = nullptr;
           sqlite3_open(path.c_str(), &db);
           sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
           sqlite3_close(db);
         },
         static_cast<LONG>(ERROR_NOT_REGISTRY_FILE)},
        {"newer",
         [](const std::string& path) {
           sqlite3* db = nullptr;
           sqlite3_open(path.c_str(), &db);
           sqlite3_exec(db, "CREATE TABLE meta(name TEXT PRIMARY KEY, value);"
                            "INSERT INTO meta VALUES('format', 'zorbase-registry'), ('version', 99);",
                        nullptr, nullptr, nullptr);
           sqlite3_close(db);
         },
         static_cast<LONG>(ERROR_NOT_REGISTRY_FILE)},
    };
    for (const Case& c : cases) {
      PrivateRegistry registry(std::string("damaged_") + c.name);
      c.damage(registry.directory() + "/user.db");
      HKEY key = nullptr;
      CHECK_EQUAL(c.expected, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key));
      CHECK_EQUAL(c.expected, RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\X", &key));
      std::vector<BYTE> data = DwordData(1);
      CHECK_EQUAL(c.expected, RegSetValueExW(HKEY_CURRENT_USER, L"v", 0, REG_DWORD, data.data(), 4));
      // The other hives are not affected.
      CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyW(HKEY_LOCAL_MACHINE, L"Software\\Unaffected", &key));
      RegCloseKey(key);
    }
    {
      // A registry directory that cannot be made.
      std::string blocker = TestRootPath("not_a_directory");
      std::ofstream(blocker) << "x";
      PrivateRegistry registry("unused");
      setenv("ZORBASE_REGISTRY_DIR", (blocker + "/registry").c_str(), 1);
      zb::platform::ResetRegistryForTesting();
      HKEY key = nullptr;
      CHECK_EQUAL(ERROR_PATH_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key));
    }
  }

  TEST(TruncatedOrOverwrittenHivesNeverCrash) {
    for (int variant = 0; variant < 2; ++variant) {
      PrivateRegistry registry("cut_" + std::to_string(variant));
      HKEY key = nullptr;
      CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Many", &key));
      std::vector<BYTE> data(100, 0x5A);
      for (int i = 0; i < 2000; ++i) {
        RegSetValueExW(key, (L"value" + std::to_wstring(i)).c_str(), 0, REG_BINARY, data.data(),
                       static_cast<DWORD>(data.size()));
      }
      CHECK_EQUAL(ERROR_SUCCESS, RegFlushKey(key));
      RegCloseKey(key);
      zb::platform::ResetRegistryForTesting();  // closes the hive; the log is folded in
      std::string hive = registry.directory() + "/user.db";
      struct stat info;
      CHECK_EQUAL(0, stat(hive.c_str(), &info));
      if (variant == 0) {
        CHECK_EQUAL(0, truncate(hive.c_str(), info.st_size / 2));
      } else {
        int fd = open(hive.c_str(), O_WRONLY);
        std::string junk(8192, '\xFF');
        CHECK_EQUAL(static_cast<ssize_t>(junk.size()), pwrite(fd, junk.data(), junk.size(), info.st_size / 3));
        close(fd);
      }
      LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Many", 0, KEY_ALL_ACCESS, &key);
      CHECK(Acceptable(status));
      if (status != ERROR_SUCCESS) continue;
      bool any_failure = false;
      for (DWORD i = 0; i < 2100; ++i) {
        wchar_t name[64];
        DWORD name_size = 64;
        BYTE buffer[200];
        DWORD size = sizeof(buffer);
        LONG result = RegEnumValueW(key, i, name, &name_size, nullptr, nullptr, buffer, &size);
        CHECK(Acceptable(result));
        if (result != ERROR_SUCCESS) {
          any_failure = true;
          break;
        }
      }
      DWORD values = 0;
      CHECK(Acceptable(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                        nullptr, nullptr, nullptr)));
      std::vector<BYTE> more = DwordData(1);
      CHECK(Acceptable(RegSetValueExW(key, L"after", 0, REG_DWORD, more.data(), 4)));
      CHECK(any_failure || values <= 2001);
      RegCloseKey(key);
    }
  }
}

SUITE(RegistryHives) {
  TEST(VolatileKeysVanishWithTheBoot) {
    PrivateRegistry registry("volatile");
    HKEY key = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Lasting", &key));
    RegCloseKey(key);
    // Levels created with the volatile option are volatile, so the parent exists first.
    CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Fleeting", 0, nullptr, REG_OPTION_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    zb::platform::ResetRegistryForTesting();
    // Same boot: the key is still there.
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Fleeting", 0, KEY_READ, &key));
    RegCloseKey(key);
    zb::platform::ResetRegistryForTesting();
    sqlite3* db = nullptr;
    sqlite3_open((registry.directory() + "/user.db").c_str(), &db);
    CHECK_EQUAL(SQLITE_OK, sqlite3_exec(db, "UPDATE meta SET value='an earlier boot' WHERE name='boot'", nullptr,
                                        nullptr, nullptr));
    sqlite3_close(db);
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Fleeting", 0, KEY_READ, &key));
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Lasting", 0, KEY_READ, &key));
    RegCloseKey(key);
  }

  TEST(MachineHiveDescribesTheProcessor) {
    std::string cpuinfo = TestRootPath("cpuinfo");
    std::ofstream(cpuinfo) << "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 85\n"
                              "model name\t: Intel(R) Xeon(R)  Gold   6248 CPU @ 2.50GHz\nstepping\t: 7\n"
                              "cpu MHz\t\t: 2494.140\n\nprocessor\t: 1\nvendor_id\t: GenuineIntel\ncpu family\t: 6\n"
                              "model\t\t: 85\nmodel name\t: Intel(R) Xeon(R)  Gold   6248 CPU @ 2.50GHz\nstepping\t: 7\n";
    setenv("ZORBASE_CPUINFO", cpuinfo.c_str(), 1);
    {
      PrivateRegistry registry("machine");
      HKEY key = nullptr;
      CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Hardware\\Description\\System\\CentralProcessor\\0",
                                               0, KEY_READ, &key));
      std::vector<BYTE> text(200);
      DWORD size = static_cast<DWORD>(text.size());
      DWORD type = 0;
      CHECK_EQUAL(ERROR_SUCCESS, RegQueryValueExW(key, L"VendorIdentifier", nullptr, &type, text.data(), &size));
      CHECK_EQUAL(REG_SZ, type);
      text.resize(size);
      CHECK(text == zb::test::SzData(L"GenuineIntel"));
      text.resize(200);
      size = static_cast<DWORD>(text.size());
      CHECK_EQUAL(ERROR_SUCCESS, RegQueryValueExW(key, L"Identifier", nullptr, &type, text.data(), &size));
      text.resize(size);
      CHECK(text == zb::test::SzData(L"Intel64 Family 6 Model 85 Stepping 7"));
      DWORD mhz = 0;
      size = 4;
      CHECK_EQUAL(ERROR_SUCCESS, RegQueryValueExW(key, L"~MHz", nullptr, &type, reinterpret_cast<BYTE*>(&mhz), &size));
      CHECK_EQUAL(2494u, mhz);
      RegCloseKey(key);
      CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\1",
                                               0, KEY_READ, &key));
      RegCloseKey(key);
    }
    unsetenv("ZORBASE_CPUINFO");
  }
}
