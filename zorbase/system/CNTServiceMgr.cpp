#include <zorbase/system/CNTServiceMgr.h>

#include <zorbase/platform/clocks.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>

namespace {
constexpr DWORD kStopTimeoutMs = 10000;
}  // namespace

CNTServiceMgr::CNTServiceMgr(const wchar_t* serviceName, DWORD managerAccess)
    : m_hManager(OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, managerAccess)),
      m_serviceName(serviceName),
      m_lastError(::GetLastError()),
      m_managerAccess(managerAccess) {}

CNTServiceMgr::CNTServiceMgr(const CNTServiceMgr& other)
    : m_hManager(OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, other.m_managerAccess)),
      m_serviceName(other.m_serviceName),
      m_lastError(::GetLastError()),
      m_managerAccess(other.m_managerAccess) {}

CNTServiceMgr::~CNTServiceMgr() {
  if (m_hManager) CloseServiceHandle(m_hManager);
}

SC_HANDLE CNTServiceMgr::_OpenService(DWORD access) {
  SC_HANDLE service = OpenServiceW(m_hManager, m_serviceName, access);
  m_lastError = ::GetLastError();
  return service;
}

int CNTServiceMgr::RegisterService(const wchar_t* path, const wchar_t* displayName, int autoStart,
                                   int interactive, const wchar_t* dependencies,
                                   wchar_t* description) {
  const DWORD type = interactive ? SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS
                                 : SERVICE_WIN32_OWN_PROCESS;
  SC_HANDLE service = CreateServiceW(
      m_hManager, m_serviceName, displayName, SERVICE_ALL_ACCESS, type,
      autoStart ? SERVICE_AUTO_START : SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path, nullptr,
      nullptr, dependencies, nullptr, nullptr);
  m_lastError = ::GetLastError();
  if (!service) return 0;
  if (description) {
    SERVICE_DESCRIPTIONW text{description};
    ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &text);
    m_lastError = ::GetLastError();
  }
  CloseServiceHandle(service);
  return 1;
}

int CNTServiceMgr::UnregisterService() {
  SC_HANDLE service = _OpenService(DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) return 1;
  int result = 0;
  if (_StopService(service)) {
    result = DeleteService(service) ? 1 : 0;
    m_lastError = ::GetLastError();
  }
  CloseServiceHandle(service);
  return result;
}

int CNTServiceMgr::StartServiceW(bool wait) {
  SC_HANDLE service = _OpenService(SERVICE_START | SERVICE_QUERY_STATUS);
  if (!service) return 0;
  int started = ::StartServiceW(service, 0, nullptr) ? 1 : 0;
  m_lastError = ::GetLastError();
  if (started && wait) {
    SERVICE_STATUS status{};
    while (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_START_PENDING) {
    }
  }
  CloseServiceHandle(service);
  return started;
}

int CNTServiceMgr::StopService() {
  SC_HANDLE service = _OpenService(SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) return 0;
  int stopped = _StopService(service);
  CloseServiceHandle(service);
  return stopped;
}

int CNTServiceMgr::_StopService(SC_HANDLE service) {
  SERVICE_STATUS status{};
  if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
    m_lastError = ::GetLastError();
    return m_lastError == ERROR_SERVICE_NOT_ACTIVE ? 1 : 0;
  }
  const ULONGLONG sent = GetTickCount64();
  while (status.dwCurrentState != SERVICE_STOPPED) {
    if (GetTickCount64() - sent > kStopTimeoutMs) {
      m_lastError = ERROR_TIMEOUT;
      SetLastError(ERROR_TIMEOUT);
      return 0;
    }
    Sleep(10);  // each query is a round trip to the service; a short pause spares the processor
    if (!QueryServiceStatus(service, &status)) {
      m_lastError = ::GetLastError();
      return 0;
    }
  }
  m_lastError = ::GetLastError();
  return 1;
}

int CNTServiceMgr::IsInstalled() {
  SC_HANDLE service = _OpenService(SERVICE_QUERY_CONFIG);
  if (service) {
    CloseServiceHandle(service);
    return 1;
  }
  return m_lastError != ERROR_SERVICE_DOES_NOT_EXIST ? 1 : 0;
}

int CNTServiceMgr::IsInstalledAndRunning() {
  SC_HANDLE service = _OpenService(SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
  if (!service) return 0;
  SERVICE_STATUS status{};
  int running = QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
  m_lastError = ::GetLastError();
  CloseServiceHandle(service);
  return running;
}
