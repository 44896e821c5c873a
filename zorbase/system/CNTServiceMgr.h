// Installing, removing, starting, stopping and querying one named service through the service
// control manager (<zorbase/platform/service.h>). Every call records the system's error code of
// its last step, read with GetLastError().
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/service.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API CNTServiceMgr {
 public:
  // Opens the local manager's active database with `managerAccess`; on failure operator! is true
  // and the error is recorded. `serviceName` is not copied and must outlive the object.
  CNTServiceMgr(const wchar_t* serviceName, DWORD managerAccess);
  // Opens a manager handle of its own with the same access, for the same service name.
  CNTServiceMgr(const CNTServiceMgr& other);
  CNTServiceMgr& operator=(const CNTServiceMgr&) = delete;
  // Closes the manager handle.
  virtual ~CNTServiceMgr();

  int operator!() const { return m_hManager == nullptr; }
  DWORD GetLastError() const { return m_lastError; }

  // Creates the service (own process, 272 with `interactive`; automatic or on-demand start; normal
  // error control; the local system account) and, when `description` is given, its description.
  int RegisterService(const wchar_t* path, const wchar_t* displayName, int autoStart,
                      int interactive, const wchar_t* dependencies, wchar_t* description);
  // Stops and deletes the service; 1 also when it is not installed; 0 when it could not be stopped.
  int UnregisterService();
  // Starts the service without arguments; with `wait`, polls its status while it is starting.
  int StartServiceW(bool wait);
  // Stops the service and waits at most 10 seconds for it to report stopped (1460 after that).
  // A service that is not running counts as stopped (1062 is recorded).
  int StopService();
  // Installed unless the manager says the service does not exist (1060); any other failure to open
  // it (access denied, ...) counts as installed.
  int IsInstalled();
  // Installed and reporting the running state.
  int IsInstalledAndRunning();

 protected:
  SC_HANDLE _OpenService(DWORD access);
  int _StopService(SC_HANDLE service);

  SC_HANDLE m_hManager;
  const wchar_t* m_serviceName;
  DWORD m_lastError;

 private:
  DWORD m_managerAccess;
};
