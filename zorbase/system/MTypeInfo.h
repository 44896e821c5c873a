// A comparable, copyable run-time type identity, usable as the key of ordered containers.
#pragma once

#include <typeinfo>

#include <zorbase/platform/export.h>

class ZORBASE_API MTypeInfo {
 public:
  // Wraps `info`, which the run-time keeps for the life of the program.
  MTypeInfo(const std::type_info& info) : m_info(&info) {}
  MTypeInfo(const MTypeInfo& other) : m_info(other.m_info) {}
  MTypeInfo& operator=(const MTypeInfo& other) {
    _Copy(other);
    return *this;
  }

  // Two empty values are equal; empty and non-empty are unequal; else the run-time's identity.
  bool operator==(const MTypeInfo& other) const;
  bool operator!=(const MTypeInfo& other) const { return !(*this == other); }
  // The empty value comes first; non-empty values follow type_info::before.
  bool operator<(const MTypeInfo& other) const;

 private:
  friend struct MTypeInfoTestPeer;  // the unit test makes empty values
  MTypeInfo() : m_info(nullptr) {}
  void _Copy(const MTypeInfo& other) { m_info = other.m_info; }

  const std::type_info* m_info;
};
