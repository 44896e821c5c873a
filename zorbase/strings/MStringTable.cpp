#include <zorbase/strings/MStringTable.h>

void MStringTable::SetMessageFor(std::int32_t code, const std::wstring& text) {
  m_permanent[code] = text;
}

void MStringTable::SetMessageForTemporary(std::int32_t code, const std::wstring& text) {
  m_temporary[code] = text;
}

void MStringTable::ResetTemporary(std::int32_t code) { m_temporary.erase(code); }

std::wstring MStringTable::GetMessageFor(std::int32_t code) const {
  auto it = m_temporary.find(code);
  if (it != m_temporary.end()) return it->second;
  it = m_permanent.find(code);
  return it != m_permanent.end() ? it->second : std::wstring();
}
