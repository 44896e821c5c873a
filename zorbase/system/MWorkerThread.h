// Work that runs on its own thread and stops cooperatively: the derived class implements _OnWork,
// which polls m_stopRequested and returns once it is set.
#pragma once

#include <atomic>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API MWorkerThread {
 public:
  MWorkerThread();
  MWorkerThread(const MWorkerThread&) = delete;
  MWorkerThread& operator=(const MWorkerThread&) = delete;

 protected:
  // The work, run on the new thread; its result is the thread's exit code.
  virtual DWORD _OnWork() = 0;

 public:
  // Waits for a thread that still runs. A derived class must stop its thread (TerminateAndWait)
  // in its own destructor, since _OnWork may use the derived object until it returns.
  virtual ~MWorkerThread();

  // Clears the stop request and starts a thread that calls _OnWork; true when the thread runs.
  // On failure the stop request is set. Call it again only after the previous thread ended.
  bool StartThread();

  // Asks a running thread to stop, yields once and then waits at most `timeout` milliseconds
  // (INFINITE: no limit) for it to end. True when no thread runs any more; false when it still
  // runs after the wait (the request stays set).
  bool TerminateAndWait(DWORD timeout);

 protected:
  // Set by TerminateAndWait and when _OnWork returns; read by _OnWork.
  std::atomic<bool> m_stopRequested;
  // The running thread's handle, null when none runs. The thread clears and closes it when
  // _OnWork returns; TerminateAndWait takes it over while it waits.
  std::atomic<HANDLE> m_hThread;

 private:
  static DWORD _ThreadProc(LPVOID self);
};

// One process-wide switch that says whether parallel execution is wanted; initially false.
class ZORBASE_API IParallel {
 public:
  static bool GetGlobalParallelMode();
  static void SetGlobalParallelMode(bool parallel);

 private:
  static bool mg_globalParallelMode;
};
