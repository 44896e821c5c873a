#include <zorbase/system/CServiceStatus.h>

#include <UnitTest++/UnitTest++.h>

#include <thread>

#include <zorbase/platform/last_error.h>
#include <vector>

SUITE(CServiceStatus) {

TEST(NoHandleNoReport) {
  CServiceStatus status;
  CHECK(!status);
  CHECK_EQUAL(0, status.ReportStatusToSCMgr(SERVICE_RUNNING, 0, 0));
  CHECK_EQUAL(SERVICE_STOPPED, status.GetCurrentState());
}

TEST(CheckPointsCountWhilePendingAndControlsWaitForRunning) {
  CServiceStatus status;
  SERVICE_STATUS_HANDLE handle = zb::platform::CreateRecordingServiceStatusHandle();
  status.Attach(handle);
  CHECK(!!status);
  SERVICE_STATUS seen{};
  struct Step { DWORD state; DWORD check_point; DWORD accepted; };
  const Step steps[] = {{SERVICE_START_PENDING, 1, 0},
                        {SERVICE_START_PENDING, 2, 0},
                        {SERVICE_START_PENDING, 3, 0},
                        {SERVICE_RUNNING, 0, SERVICE_ACCEPT_STOP},
                        {SERVICE_STOP_PENDING, 4, SERVICE_ACCEPT_STOP},
                        {SERVICE_STOPPED, 0, SERVICE_ACCEPT_STOP}};
  for (const Step& step : steps) {
    CHECK_EQUAL(1, status.ReportStatusToSCMgr(step.state, 500, 0));
    CHECK(zb::platform::LastServiceStatus(handle, &seen));
    CHECK_EQUAL(step.state, seen.dwCurrentState);
    CHECK_EQUAL(step.check_point, seen.dwCheckPoint);
    CHECK_EQUAL(step.accepted, seen.dwControlsAccepted);
    CHECK_EQUAL(500u, seen.dwWaitHint);
    CHECK_EQUAL(SERVICE_WIN32_OWN_PROCESS, seen.dwServiceType);
    CHECK_EQUAL(step.state, status.GetCurrentState());
  }
  status.UpdateControlsAcceptedOnRun(SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN, 1);
  status.UpdateControlsAcceptedOnRun(SERVICE_ACCEPT_STOP, 0);
  status.ReportStatusToSCMgr(SERVICE_RUNNING, 0, 1066);
  CHECK(zb::platform::LastServiceStatus(handle, &seen));
  CHECK_EQUAL(SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN, seen.dwControlsAccepted);
  CHECK_EQUAL(1066u, seen.dwWin32ExitCode);
}

TEST(ReportsFromSeveralThreadsKeepDistinctCheckPoints) {
  CServiceStatus status;
  SERVICE_STATUS_HANDLE handle = zb::platform::CreateRecordingServiceStatusHandle();
  status.Attach(handle);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 250; ++i) status.ReportStatusToSCMgr(SERVICE_STOP_PENDING, 0, 0);
    });
  for (std::thread& thread : threads) thread.join();
  SERVICE_STATUS seen{};
  zb::platform::LastServiceStatus(handle, &seen);
  CHECK_EQUAL(1000u, seen.dwCheckPoint);
}

TEST(UnknownHandleIsRefused) {
  SERVICE_STATUS any{SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, 0, 0, 0, 0, 0};
  int local = 0;
  CHECK(!SetServiceStatus(reinterpret_cast<SERVICE_STATUS_HANDLE>(&local), &any));
  CHECK_EQUAL(ERROR_INVALID_HANDLE, GetLastError());
  CHECK(RegisterServiceCtrlHandlerW(L"x", [](DWORD) {}) == nullptr);
  CHECK_EQUAL(ERROR_SERVICE_DOES_NOT_EXIST, GetLastError());
  SERVICE_TABLE_ENTRYW table[] = {{nullptr, [](DWORD, LPWSTR*) {}}, {nullptr, nullptr}};
  CHECK(!StartServiceCtrlDispatcherW(table));  // not started by the manager
  CHECK_EQUAL(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT, GetLastError());
}

}
