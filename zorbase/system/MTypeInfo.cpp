#include <zorbase/system/MTypeInfo.h>

bool MTypeInfo::operator==(const MTypeInfo& other) const {
  if (!m_info || !other.m_info) return m_info == other.m_info;
  return *m_info == *other.m_info;
}

bool MTypeInfo::operator<(const MTypeInfo& other) const {
  if (!m_info) return other.m_info != nullptr;
  if (!other.m_info) return false;
  return m_info->before(*other.m_info);
}
