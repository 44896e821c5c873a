#include <zorbase/system/CTimeCount.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/debug_output.h>
#include <zorbase/platform/format.h>
#include <zorbase/platform/clocks.h>

namespace {

std::int64_t CounterNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

CString& OutputFileName() {
  static CString* name = new CString();  // outlives timers destroyed during static destruction
  return *name;
}

std::mutex& FileMutex() {
  static std::mutex* mutex = new std::mutex();
  return *mutex;
}

// Whether a debugger is attached, asked once per process.
bool DebuggerAttached() {
  static const bool attached = IsDebuggerPresent() != FALSE;
  return attached;
}

}  // namespace

CTimeCount::CTimeCount() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  m_scale = 1000.0f / static_cast<float>(frequency.QuadPart);
  m_start = CounterNow();
  m_now = m_start;
}

CTimeCount::~CTimeCount() = default;

void CTimeCount::Reset() { m_start = CounterNow(); }

float CTimeCount::Poll() {
  m_now = CounterNow();
  return static_cast<float>(m_now - m_start) * m_scale;
}

float CTimeCount::PollAndReset() {
  float elapsed = Poll();
  m_start = m_now;
  return elapsed;
}

CTimeCountOutput::CTimeCountOutput(const wchar_t* name)
    : m_name(name ? name : L""), m_enabled(true), m_elapsed(0.0f) {}

CTimeCountOutput::~CTimeCountOutput() {
  if (m_enabled) FlushAndDisable();
}

void CTimeCountOutput::FlushAndDisable() {
  if (m_enabled) {
    m_elapsed = m_counter.Poll();
    m_enabled = false;
  }
  CString file;
  {
    std::lock_guard<std::mutex> lock(FileMutex());
    file = OutputFileName();
  }
  const bool to_debugger = DebuggerAttached() || zb::platform::DebugOutputEnabled();
  if (!to_debugger && file.IsEmpty()) return;
  // Each report is formatted into its own text, so reports of several threads cannot mix.
  std::wstring line = zb::platform::FormatTextW(L"%s, %.3f ms\n", m_name.GetString(),
                                                static_cast<double>(m_elapsed));
  OutputDebugStringW(line.c_str());
  if (file.IsEmpty()) return;
  std::string ansi = zb::platform::WideToMulti(line);
  std::lock_guard<std::mutex> lock(FileMutex());
  if (FILE* out = _wfopen(file.GetString(), L"a+")) {
    std::fputs(ansi.c_str(), out);
    std::fclose(out);
  }
}

const CString& CTimeCountOutput::GetOutputFileName() { return OutputFileName(); }

void CTimeCountOutput::SetOutputFileName(const CString& path) {
  std::lock_guard<std::mutex> lock(FileMutex());
  OutputFileName() = path;
}
