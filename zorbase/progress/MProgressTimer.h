// The progress timer: times the steps of a long operation and logs one line per event.
#pragma once

#include <cstdint>
#include <string>

#include <zorbase/platform/export.h>

// Logs "Started NAME, t = T." and "Done NAME in T s." at information level through the
// application's log plug-in (MLogManager::GetPlugIn()). Times are seconds of wall-clock time, kept
// in milliseconds as the Windows runtime's clock() keeps them. A disabled timer logs nothing.
// Not thread-safe: one thread uses a timer.
class ZORBASE_API MProgressTimer {
 public:
  // Starts the clock now, whether enabled or not.
  MProgressTimer(const bool& enabled);
  ~MProgressTimer();
  MProgressTimer(const MProgressTimer&) = default;
  // Copies the start, the last step and the enabled flag.
  MProgressTimer& operator=(const MProgressTimer& other);

  // Enables logging; times still count from construction. There is no way back.
  void Enable();

  // Logs "Started NAME, t = T." with T the seconds since construction.
  void StepStarted(const std::wstring& name);
  // Logs "Done NAME in T s." with T the seconds since the previous StepComplete (or since
  // construction), then makes now the previous step.
  void StepComplete(const std::wstring& name);
  // Logs "Done NAME in T s." with T the seconds since construction; the previous step stays.
  void Complete(const std::wstring& name);

 private:
  double Elapsed() const;
  void Log(const std::wstring& text) const;

  std::int32_t m_start;
  double m_last_step = 0.0;
  bool m_enabled;
};
