#include <zorbase/selftest/MTestResult.h>

#include <zorbase/logging/MLogPlugIn.h>

MTestResult::MTestResult() = default;
MTestResult::MTestResult(const MTestResult& other) = default;
MTestResult& MTestResult::operator=(const MTestResult& other) = default;
MTestResult::~MTestResult() = default;

void MTestResult::SetName(const std::wstring& name) { m_name = name; }

void MTestResult::SetOK(bool ok) { m_ok = ok; }

void MTestResult::AddErrorString(const std::wstring& text) {
  m_errors.push_back(text);
  m_ok = false;
}

bool MTestResult::Assert(bool condition, const std::wstring& text) {
  if (!condition) AddErrorString(L"Assert failed : " + text);
  return condition;
}

void MTestResult::ErrorStringsSetBegin() { m_cursor = 0; }

const wchar_t* MTestResult::GetNextErrorString() const {
  if (m_cursor < m_errors.size()) return m_errors[m_cursor++].c_str();
  m_cursor = 0;
  return nullptr;
}

void MTestResult::SetLog(MLogPlugIn* log) { m_log = log; }

void MTestResult::Trace() {
  ErrorStringsSetBegin();
  if (m_log == nullptr) return;
  m_log->TraceF(L"%s\n", m_name.c_str());
  while (const wchar_t* error = GetNextErrorString()) m_log->TraceF(L" - %s\n", error);
}
