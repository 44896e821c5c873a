#include <zorbase/platform/environment.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

// Saves TMP, TEMP and TMPDIR and puts them back when a test ends.
class TemporaryVariables {
 public:
  TemporaryVariables() {
    for (int i = 0; i < 3; ++i) {
      const char* value = std::getenv(kNames[i]);
      set_[i] = value != nullptr;
      values_[i] = value != nullptr ? value : "";
    }
  }
  ~TemporaryVariables() {
    for (int i = 0; i < 3; ++i) {
      if (set_[i]) {
        setenv(kNames[i], values_[i].c_str(), 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
  }

 private:
  static constexpr const char* kNames[3] = {"TMP", "TEMP", "TMPDIR"};
  bool set_[3];
  std::string values_[3];
};

std::wstring TempPath() {
  wchar_t buffer[MAX_PATH];
  return GetTempPathW(MAX_PATH, buffer) > 0 ? std::wstring(buffer) : std::wstring();
}

}  // namespace

SUITE(Environment) {

TEST(WideValuesRoundTrip) {
  CHECK(SetEnvironmentVariableW(L"ZB_ENV_TEST", L"Gr\x00FC\x00DF" L"e \x20AC"));
  CHECK_WIDE(L"Gr\x00FC\x00DF" L"e \x20AC", _wgetenv(L"ZB_ENV_TEST"));
  CHECK_EQUAL(std::string("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"), std::getenv("ZB_ENV_TEST"));
  // Names compare without regard to case, as on Windows.
  CHECK_WIDE(L"Gr\x00FC\x00DF" L"e \x20AC", _wgetenv(L"zb_env_test"));
  wchar_t small[3];
  CHECK_EQUAL(8u, GetEnvironmentVariableW(L"ZB_ENV_TEST", small, 3));
  wchar_t buffer[16];
  CHECK_EQUAL(7u, GetEnvironmentVariableW(L"ZB_ENV_TEST", buffer, 16));
  CHECK_EQUAL(0, _wputenv(L"zb_env_test=second"));
  CHECK_WIDE(L"second", _wgetenv(L"ZB_ENV_TEST"));
  CHECK_EQUAL(0, _wputenv(L"ZB_ENV_TEST="));  // an empty value removes the variable
  CHECK(_wgetenv(L"ZB_ENV_TEST") == nullptr);
  CHECK_EQUAL(0u, GetEnvironmentVariableW(L"ZB_ENV_TEST", buffer, 16));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND), GetLastError());
}

TEST(BadAssignmentsAreRefused) {
  const wchar_t* bad[] = {L"NOEQUALS", L"=value", L""};
  for (const wchar_t* text : bad) {
    errno = 0;
    CHECK_EQUAL(-1, _wputenv(text));
    CHECK_EQUAL(EINVAL, errno);
  }
  CHECK_EQUAL(-1, _wputenv(nullptr));
  CHECK(!SetEnvironmentVariableW(L"A=B", L"x"));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  CHECK(!SetEnvironmentVariableW(nullptr, L"x"));
  CHECK(SetEnvironmentVariableW(L"ZB_ENV_NEVER_SET", nullptr));  // removing nothing succeeds
}

TEST(TmpdirFollowsTmpAndTemp) {
  TemporaryVariables saved;
  const std::string c = zb::platform::DriveRoot(L'C');
  CHECK(CreateDirectoryW(L"C:\\envtmp", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  CHECK(CreateDirectoryW(L"C:\\envtemp", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  setenv("TMPDIR", "/var/tmp", 1);
  unsetenv("TMP");
  unsetenv("TEMP");

  CHECK_EQUAL(0, _wputenv(L"TEMP=C:\\envtemp"));
  CHECK_EQUAL(c + "/envtemp", std::string(std::getenv("TMPDIR")));
  CHECK_WIDE(L"C:\\envtemp\\", TempPath().c_str());

  CHECK(SetEnvironmentVariableW(L"TMP", L"C:\\envtmp\\"));
  CHECK_EQUAL(c + "/envtmp", std::string(std::getenv("TMPDIR")));
  CHECK_WIDE(L"C:\\envtmp\\", TempPath().c_str());

  // TMP gone: TEMP decides again; both gone: TMPDIR gets its first value back.
  CHECK_EQUAL(0, _wputenv(L"TMP="));
  CHECK_EQUAL(c + "/envtemp", std::string(std::getenv("TMPDIR")));
  CHECK(SetEnvironmentVariableW(L"TEMP", nullptr));
  CHECK_EQUAL(std::string("/var/tmp"), std::string(std::getenv("TMPDIR")));
}

}  // SUITE(Environment)
