#include <zorbase/system/CServiceStatus.h>

CServiceStatus::CServiceStatus()
    : m_status{SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, 0, 0, 0, 0},
      m_hStatus(nullptr),
      m_nextCheckPoint(1),
      m_controlsAcceptedOnRun(SERVICE_ACCEPT_STOP) {
  InitializeCriticalSection(&m_lock);
}

CServiceStatus::~CServiceStatus() { DeleteCriticalSection(&m_lock); }

void CServiceStatus::Attach(SERVICE_STATUS_HANDLE handle) {
  EnterCriticalSection(&m_lock);
  m_hStatus = handle;
  LeaveCriticalSection(&m_lock);
}

DWORD CServiceStatus::GetCurrentState() {
  EnterCriticalSection(&m_lock);
  DWORD state = m_status.dwCurrentState;
  LeaveCriticalSection(&m_lock);
  return state;
}

void CServiceStatus::UpdateControlsAcceptedOnRun(DWORD controls, int add) {
  EnterCriticalSection(&m_lock);
  if (add)
    m_controlsAcceptedOnRun |= controls;
  else
    m_controlsAcceptedOnRun &= ~controls;
  LeaveCriticalSection(&m_lock);
}

int CServiceStatus::ReportStatusToSCMgr(DWORD state, DWORD waitHint, DWORD exitCode) {
  EnterCriticalSection(&m_lock);
  if (!m_hStatus) {
    LeaveCriticalSection(&m_lock);
    return 0;
  }
  m_status.dwServiceSpecificExitCode = 0;
  m_status.dwControlsAccepted = state == SERVICE_START_PENDING ? 0 : m_controlsAcceptedOnRun;
  m_status.dwCurrentState = state;
  m_status.dwWin32ExitCode = exitCode;
  m_status.dwWaitHint = waitHint;
  m_status.dwCheckPoint =
      state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : m_nextCheckPoint++;
  int result = SetServiceStatus(m_hStatus, &m_status) ? 1 : 0;
  LeaveCriticalSection(&m_lock);
  return result;
}
