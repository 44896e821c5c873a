// A high-resolution stopwatch in milliseconds, and a named one that reports its time as the line
// "NAME, 12.345 ms" to the debugger output and, when set, to a class-wide log file.
#pragma once

#include <cstdint>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API CTimeCount {
 public:
  // Starts counting now.
  CTimeCount();
  CTimeCount(const CTimeCount& other) = default;
  CTimeCount& operator=(const CTimeCount& other) = default;
  virtual ~CTimeCount();

  // Starts again from now.
  void Reset();
  // Milliseconds since the start.
  float Poll();
  // Milliseconds since the start; the next interval starts at this reading.
  float PollAndReset();

 protected:
  std::int64_t m_start;
  std::int64_t m_now;
  float m_scale;  // milliseconds per counter unit
};

class ZORBASE_API CTimeCountOutput {
 public:
  // Starts counting now; `name` (may be null: empty) labels the report.
  explicit CTimeCountOutput(const wchar_t* name);
  CTimeCountOutput(const CTimeCountOutput&) = delete;
  CTimeCountOutput& operator=(const CTimeCountOutput&) = delete;
  // Reports, unless FlushAndDisable already has.
  virtual ~CTimeCountOutput();

  void Reset() { m_counter.Reset(); }
  float Poll() { return m_counter.Poll(); }
  float PollAndReset() { return m_counter.PollAndReset(); }

  // The first call stops the watch; every call reports the stopped time as "%s, %.3f ms\n": to the
  // debugger output (when a debugger is attached or debugger output is directed somewhere) and,
  // when an output file is set, appended to that file in the ANSI code page. A file that cannot be
  // opened is skipped. Reports of several threads may interleave by line, never within one.
  void FlushAndDisable();

  // The class-wide log file (a Windows path), initially empty: no file. Set it before timers of
  // other threads report.
  static const CString& GetOutputFileName();
  static void SetOutputFileName(const CString& path);

 protected:
  CString m_name;
  CTimeCount m_counter;
  bool m_enabled;
  float m_elapsed;
};
