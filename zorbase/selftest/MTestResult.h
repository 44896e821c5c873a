// The result of one built-in self test: a name, an OK flag and the error texts, traced to a log
// plug-in.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <zorbase/platform/export.h>

class MLogPlugIn;

// OK until an error is added or SetOK(false). Not thread-safe.
class ZORBASE_API MTestResult {
 public:
  // Empty name, OK, no errors, no log.
  MTestResult();
  MTestResult(const MTestResult& other);
  MTestResult& operator=(const MTestResult& other);
  virtual ~MTestResult();

  void SetName(const std::wstring& name);
  const std::wstring& GetName() const { return m_name; }
  bool IsOK() const { return m_ok; }
  void SetOK(bool ok);

  // Appends `text` to the errors and clears the OK flag.
  void AddErrorString(const std::wstring& text);
  // When `condition` is false, adds "Assert failed : " followed by `text`. Returns `condition`.
  bool Assert(bool condition, const std::wstring& text);

  // Moves the cursor to the first error.
  void ErrorStringsSetBegin();
  // The error at the cursor, advancing it; past the last error, null, and the cursor goes back to
  // the first error. An empty list always gives null. The pointer stays valid until the next
  // AddErrorString or assignment.
  const wchar_t* GetNextErrorString() const;
  size_t GetErrorCount() const { return m_errors.size(); }

  // Where Trace writes; null for nowhere. Not owned.
  MLogPlugIn* GetLog() { return m_log; }
  void SetLog(MLogPlugIn* log);

  // Moves the cursor to the first error and, with a log, writes "NAME\n" and then " - ERROR\n"
  // for each error at trace level.
  void Trace();

 private:
  std::wstring m_name;
  bool m_ok = true;
  std::vector<std::wstring> m_errors;
  mutable size_t m_cursor = 0;
  MLogPlugIn* m_log = nullptr;
};
