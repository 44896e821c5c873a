// The identifier of a log plug-in: also the name of its log4cxx logger and of its registry subkey.
#pragma once

#include <string>

#include <zorbase/platform/export.h>

// A value type holding the identifier text. Comparisons are exact (case-sensitive), as log4cxx
// compares logger names.
class ZORBASE_API MLogPlugInID {
 public:
  MLogPlugInID() = default;
  // Implicit, so that MLogPlugIn(L"Engine", ...) reads naturally. A null pointer is the empty ID.
  MLogPlugInID(const wchar_t* id) : m_id(id != nullptr ? id : L"") {}
  MLogPlugInID(const std::wstring& id) : m_id(id) {}

  // The identifier text; valid while this object lives and is not assigned.
  const std::wstring& Get() const { return m_id; }
  const wchar_t* c_str() const { return m_id.c_str(); }

  bool operator==(const MLogPlugInID& other) const { return m_id == other.m_id; }
  bool operator!=(const MLogPlugInID& other) const { return m_id != other.m_id; }
  bool operator<(const MLogPlugInID& other) const { return m_id < other.m_id; }

 private:
  std::wstring m_id;
};
