// The service control manager with a real service program (examples/example_service, built
// beside the test runner): install, start, query, stop, remove; the 10-second stop rule; a killed
// service; images that cannot run.
#include <zorbase/system/CNTServiceMgr.h>

#include <UnitTest++/UnitTest++.h>

#ifndef _WIN32  // the tests that end a service's process with a signal
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <string>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>

namespace {

bool Exists(const std::wstring& windows_path) {
  return GetFileAttributesW(windows_path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The example service's Windows path, beside the test runner ("Z:\...\example_service", or
// "...\example_service.exe" where programs carry the extension).
std::wstring ExampleService() {
  wchar_t self[4096];
  const DWORD n = GetModuleFileNameW(nullptr, self, 4096);
  const std::wstring runner(self, n < 4096 ? n : 0);
  const std::wstring plain = runner.substr(0, runner.find_last_of(L'\\') + 1) + L"example_service";
  return Exists(plain) ? plain : plain + L".exe";
}

#ifndef _WIN32
DWORD ServicePid(const wchar_t* name) {
  SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = OpenServiceW(scm, name, SERVICE_QUERY_STATUS);
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                       sizeof status, &needed);
  CloseServiceHandle(service);
  CloseServiceHandle(scm);
  return status.dwProcessId;
}

// Kills the service's process with SIGKILL. A pid of 0 would reach the whole process group (the
// test runner and whatever started it), so only a real pid is ever signalled.
bool KillService(const wchar_t* name) {
  DWORD pid = ServicePid(name);
  for (int i = 0; i < 500 && pid == 0; ++i) {
    usleep(10000);
    pid = ServicePid(name);
  }
  return pid > 0 && kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}
#endif  // _WIN32

}  // namespace

SUITE(CNTServiceMgr) {

TEST(ServiceLifecycle) {
  const std::wstring image = ExampleService();
  CHECK(Exists(image));
  CNTServiceMgr mgr(L"ZorDemo", SC_MANAGER_ALL_ACCESS);
  CHECK(!(!mgr));
  CHECK(!mgr.IsInstalled());
  CHECK_EQUAL(1, mgr.UnregisterService());  // not installed counts as removed
  wchar_t description[] = L"A demonstration service";
  CHECK(mgr.RegisterService(image.c_str(), L"Zor Demo", 0, 0, nullptr, description));
  CHECK(mgr.IsInstalled());
  CHECK(!mgr.RegisterService(image.c_str(), L"Zor Demo", 0, 0, nullptr, nullptr));
  CHECK_EQUAL(ERROR_SERVICE_EXISTS, mgr.GetLastError());
  CHECK(!mgr.IsInstalledAndRunning());
  CHECK(mgr.StopService());  // not running: stopped already
  CHECK_EQUAL(ERROR_SERVICE_NOT_ACTIVE, mgr.GetLastError());

  CHECK(mgr.StartServiceW(true));
  CHECK(mgr.IsInstalledAndRunning());
  CHECK(!mgr.StartServiceW(false));
  CHECK_EQUAL(ERROR_SERVICE_ALREADY_RUNNING, mgr.GetLastError());
  CNTServiceMgr copy(mgr);
  CHECK(copy.IsInstalledAndRunning());
  CHECK(mgr.StopService());
  CHECK(!mgr.IsInstalledAndRunning());

  CHECK(mgr.StartServiceW(true));
  CHECK_EQUAL(1, mgr.UnregisterService());  // stops it, then removes it
  CHECK(!mgr.IsInstalled());
}

#ifndef _WIN32  // ends the service's process with a signal; runs images by Linux rules
TEST(KilledServiceIsReportedStopped) {
  CNTServiceMgr mgr(L"ZorKilled", SC_MANAGER_ALL_ACCESS);
  CHECK(mgr.RegisterService(ExampleService().c_str(), nullptr, 1, 0, nullptr, nullptr));
  CHECK(mgr.StartServiceW(true));
  CHECK(KillService(L"ZorKilled"));
  for (int i = 0; i < 200 && mgr.IsInstalledAndRunning(); ++i) usleep(10000);
  CHECK(!mgr.IsInstalledAndRunning());
  CHECK(mgr.StartServiceW(true));  // and it can be started again
  CHECK_EQUAL(1, mgr.UnregisterService());
}

TEST(ServiceThatIgnoresStopTimesOutAfterTenSeconds) {
  std::wstring image = L"\"" + ExampleService() + L"\" --ignore-stop";
  CNTServiceMgr mgr(L"ZorStubborn", SC_MANAGER_ALL_ACCESS);
  CHECK(mgr.RegisterService(image.c_str(), nullptr, 0, 0, nullptr, nullptr));
  CHECK(mgr.StartServiceW(true));
  CHECK(!mgr.StopService());
  CHECK_EQUAL(ERROR_TIMEOUT, mgr.GetLastError());
  CHECK(mgr.IsInstalledAndRunning());
  CHECK(KillService(L"ZorStubborn"));
  for (int i = 0; i < 200 && mgr.IsInstalledAndRunning(); ++i) usleep(10000);
  CHECK_EQUAL(1, mgr.UnregisterService());
}

TEST(ImagesThatCannotRunGiveErrorsNotHangs) {
  // Two text files on drive C:, one of them marked executable.
  const std::string root = zb::platform::DriveRoot(L'C');
  for (const char* name : {"/plain.txt", "/script.txt"}) {
    FILE* f = std::fopen((root + name).c_str(), "w");
    std::fputs("not a program\n", f);
    std::fclose(f);
  }
  chmod((root + "/plain.txt").c_str(), 0644);
  chmod((root + "/script.txt").c_str(), 0755);
  struct Case { const wchar_t* image; DWORD error; };
  const Case cases[] = {
      {L"Z:\\no\\such\\folder\\service", ERROR_PATH_NOT_FOUND},
      {L"Z:\\tmp\\no-such-service-image", ERROR_FILE_NOT_FOUND},
      {L"Z:\\bin\\true", ERROR_SERVICE_REQUEST_TIMEOUT},  // ends without connecting
      {L"C:\\plain.txt", ERROR_ACCESS_DENIED},              // not executable
      {L"C:\\script.txt", ERROR_BAD_EXE_FORMAT},            // executable, but no program
  };
  for (const Case& c : cases) {
    CNTServiceMgr mgr(L"ZorBroken", SC_MANAGER_ALL_ACCESS);
    CHECK(mgr.RegisterService(c.image, nullptr, 0, 0, nullptr, nullptr));
    CHECK(!mgr.StartServiceW(false));
    CHECK_EQUAL(c.error, mgr.GetLastError());
    CHECK_EQUAL(1, mgr.UnregisterService());
  }
}
#endif  // _WIN32

TEST(ManagerCallsCheckTheirArguments) {
  SC_HANDLE scm = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  CHECK(scm != nullptr);
  CHECK(CreateServiceW(scm, L"X", nullptr, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                       SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, L"Z:\\bin\\true", nullptr,
                       nullptr, nullptr, nullptr, nullptr) == nullptr);
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());  // no SC_MANAGER_CREATE_SERVICE
  CHECK(OpenServiceW(scm, L"NoSuchService", SERVICE_ALL_ACCESS) == nullptr);
  CHECK_EQUAL(ERROR_SERVICE_DOES_NOT_EXIST, GetLastError());
  CHECK(CloseServiceHandle(scm));
  CHECK(!CloseServiceHandle(scm));
  CHECK(OpenSCManagerW(L"\\\\elsewhere", nullptr, SC_MANAGER_CONNECT) == nullptr);
  CHECK(OpenSCManagerW(nullptr, L"OtherDatabase", SC_MANAGER_CONNECT) == nullptr);
  CHECK_EQUAL(ERROR_DATABASE_DOES_NOT_EXIST, GetLastError());
  SC_HANDLE all = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  const wchar_t* bad_names[] = {L"", L"a\\b", L"a/b"};
  for (const wchar_t* name : bad_names) {
    CHECK(CreateServiceW(all, name, nullptr, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                         SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, L"Z:\\bin\\true", nullptr,
                         nullptr, nullptr, nullptr, nullptr) == nullptr);
    CHECK_EQUAL(ERROR_INVALID_NAME, GetLastError());
  }
  SC_HANDLE service = CreateServiceW(all, L"ZorLimited", nullptr, SERVICE_QUERY_STATUS,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED,
                                     SERVICE_ERROR_NORMAL, L"Z:\\bin\\true", nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
  CHECK(service != nullptr);
  CHECK(!StartServiceW(service, 0, nullptr));
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
  SERVICE_STATUS status{};
  CHECK(QueryServiceStatus(service, &status));
  CHECK_EQUAL(SERVICE_STOPPED, status.dwCurrentState);
  CloseServiceHandle(service);
  service = OpenServiceW(all, L"zorlimited", SERVICE_ALL_ACCESS);  // names ignore case
  CHECK(service != nullptr);
  CHECK(!StartServiceW(service, 0, nullptr));
  CHECK_EQUAL(ERROR_SERVICE_DISABLED, GetLastError());
  CHECK(!ControlService(service, SERVICE_CONTROL_STOP, &status));
  CHECK_EQUAL(ERROR_SERVICE_NOT_ACTIVE, GetLastError());
  CHECK(DeleteService(service));
  CHECK(!DeleteService(service));
  CHECK_EQUAL(ERROR_SERVICE_MARKED_FOR_DELETE, GetLastError());
  CloseServiceHandle(service);
  CloseServiceHandle(all);
}

}
