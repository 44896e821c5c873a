// The status of a running service as it reports it to the service control manager: the status
// record, check-point counting while starting or stopping, and the controls accepted once it
// runs. Reports from the handler thread and worker threads are serialised by a critical section.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/service.h>
#include <zorbase/platform/threads.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API CServiceStatus {
 public:
  // Own process, stopped, check-point 1 next, stop accepted once running; no handle.
  CServiceStatus();
  CServiceStatus(const CServiceStatus&) = delete;
  CServiceStatus& operator=(const CServiceStatus&) = delete;
  ~CServiceStatus();

  // The handle from RegisterServiceCtrlHandler(Ex)W that reports go to.
  void Attach(SERVICE_STATUS_HANDLE handle);
  int operator!() const { return m_hStatus == nullptr; }
  DWORD GetCurrentState();

  // Adds (add non-zero) or removes control bits of the controls accepted while not starting.
  void UpdateControlsAcceptedOnRun(DWORD controls, int add);

  // Reports `state` with `waitHint` and the Win32 `exitCode`: no controls while starting,
  // check-point 0 when running or stopped and the next check-point otherwise. 0 without a handle,
  // else the result of SetServiceStatus.
  int ReportStatusToSCMgr(DWORD state, DWORD waitHint, DWORD exitCode);

 protected:
  SERVICE_STATUS m_status;
  SERVICE_STATUS_HANDLE m_hStatus;
  DWORD m_nextCheckPoint;
  CRITICAL_SECTION m_lock;
  DWORD m_controlsAcceptedOnRun;
};
