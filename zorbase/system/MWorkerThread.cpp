#include <zorbase/system/MWorkerThread.h>

#include <zorbase/platform/handle.h>
#include <zorbase/platform/threads.h>
#include <zorbase/platform/clocks.h>

MWorkerThread::MWorkerThread() : m_stopRequested(false), m_hThread(nullptr) {}

MWorkerThread::~MWorkerThread() { TerminateAndWait(INFINITE); }

DWORD MWorkerThread::_ThreadProc(LPVOID self) {
  auto* worker = static_cast<MWorkerThread*>(self);
  DWORD code = worker->_OnWork();
  worker->m_stopRequested = true;
  // A waiting TerminateAndWait has taken the handle and closes it itself.
  if (HANDLE handle = worker->m_hThread.exchange(nullptr)) CloseHandle(handle);
  return code;
}

bool MWorkerThread::StartThread() {
  m_stopRequested = false;
  // Started suspended, so the handle is in place before _OnWork can end and clear it.
  HANDLE handle = CreateThread(nullptr, 0, &_ThreadProc, this, CREATE_SUSPENDED, nullptr);
  if (!handle) {
    m_stopRequested = true;
    return false;
  }
  m_hThread = handle;
  ResumeThread(handle);
  return true;
}

bool MWorkerThread::TerminateAndWait(DWORD timeout) {
  HANDLE handle = m_hThread.exchange(nullptr);
  if (!handle) return true;
  m_stopRequested = true;
  Sleep(0);
  if (WaitForSingleObject(handle, timeout) == WAIT_OBJECT_0) {
    CloseHandle(handle);
    return true;
  }
  // Still running: hand the handle back to the thread, which closes it when _OnWork returns. If
  // it returned meanwhile and found no handle, close it here.
  m_hThread = handle;
  if (WaitForSingleObject(handle, 0) != WAIT_TIMEOUT) {  // ended (and perhaps closed by now)
    if (HANDLE back = m_hThread.exchange(nullptr)) CloseHandle(back);
    return true;
  }
  return false;
}

bool IParallel::mg_globalParallelMode = false;

bool IParallel::GetGlobalParallelMode() { return mg_globalParallelMode; }
void IParallel::SetGlobalParallelMode(bool parallel) { mg_globalParallelMode = parallel; }
