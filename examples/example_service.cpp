// A service program: it reports start pending, then running, and stops when the service control
// manager sends the stop control. Install and run it with the `zorbase sc` tool:
//   zorbase sc create Demo binPath= "Z:\path\to\example_service" start= demand
//   zorbase sc start Demo       zorbase sc query Demo       zorbase sc stop Demo
//   zorbase sc delete Demo
// Run directly (not by the service control manager), it demonstrates the same lifecycle itself
// through CNTServiceMgr: installs itself as "ExampleServiceDemo", starts, queries, stops and
// removes that service.
// With the argument --ignore-stop (part of binPath=) it accepts the stop control and does nothing,
// the way a hung service would; a stop of it fails after 10 seconds with 1460.
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include <zorbase/zorbase.h>

namespace {

CServiceStatus g_status;
std::mutex g_mutex;
std::condition_variable g_stop;
bool g_stop_requested = false;
bool g_ignore_stop = false;

DWORD Handler(DWORD control, DWORD, LPVOID, LPVOID) {
  if (control == SERVICE_CONTROL_STOP && !g_ignore_stop) {
    g_status.ReportStatusToSCMgr(SERVICE_STOP_PENDING, 2000, NO_ERROR);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_stop_requested = true;
    g_stop.notify_all();
  }
  return NO_ERROR;
}

void ServiceMain(DWORD, LPWSTR* argv) {
  g_status.Attach(RegisterServiceCtrlHandlerExW(argv[0], Handler, nullptr));
  if (!g_status) return;
  g_status.ReportStatusToSCMgr(SERVICE_START_PENDING, 3000, NO_ERROR);
  g_status.ReportStatusToSCMgr(SERVICE_START_PENDING, 3000, NO_ERROR);
  g_status.ReportStatusToSCMgr(SERVICE_RUNNING, 0, NO_ERROR);
  {
    std::unique_lock<std::mutex> lock(g_mutex);
    g_stop.wait(lock, [] { return g_stop_requested; });
  }
  g_status.ReportStatusToSCMgr(SERVICE_STOPPED, 0, NO_ERROR);
}

// Installs this program as a service, starts, queries, stops and removes it.
int Demonstrate() {
  wchar_t self[4096];
  const DWORD n = GetModuleFileNameW(nullptr, self, 4096);
  if (n == 0 || n >= 4096) return 1;
  const std::wstring image(self, n);
  CNTServiceMgr mgr(L"ExampleServiceDemo", SC_MANAGER_ALL_ACCESS);
  if (!mgr) {
    std::printf("cannot open the service control manager (%lu)\n",
                static_cast<unsigned long>(mgr.GetLastError()));
    return 1;
  }
  mgr.UnregisterService();
  wchar_t description[] = L"Demonstration of the library's service support";
  bool ok = mgr.RegisterService(image.c_str(), L"Example service", 0, 0, nullptr, description);
  std::printf("installed:  %s\n", ok ? "yes" : "no");
  ok = ok && mgr.StartServiceW(true);
  std::printf("started:    %s\n", ok ? "yes" : "no");
  std::printf("running:    %s\n", mgr.IsInstalledAndRunning() ? "yes" : "no");
  ok = ok && mgr.StopService();
  std::printf("stopped:    %s\n", ok ? "yes" : "no");
  ok = mgr.UnregisterService() && ok;
  std::printf("removed:    %s\n", !mgr.IsInstalled() ? "yes" : "no");
  if (!ok) std::printf("failed with %lu\n", static_cast<unsigned long>(mgr.GetLastError()));
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--ignore-stop") == 0) g_ignore_stop = true;
  wchar_t name[] = L"ExampleService";
  SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  if (StartServiceCtrlDispatcherW(table)) return 0;
  if (GetLastError() == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) return Demonstrate();
  return 1;
}
