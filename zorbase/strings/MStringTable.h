// MStringTable: messages by numeric code, with temporary overrides. A temporary message of a
// code hides its permanent one until ResetTemporary. Used by one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include <zorbase/platform/export.h>

class ZORBASE_API MStringTable {
 public:
  // Both maps empty. Copies and moves take both maps.
  MStringTable() = default;
  MStringTable(const MStringTable&) = default;
  MStringTable(MStringTable&&) = default;
  MStringTable& operator=(const MStringTable&) = default;
  MStringTable& operator=(MStringTable&&) = default;

  // Inserts or replaces the permanent message of `code`.
  void SetMessageFor(std::int32_t code, const std::wstring& text);
  // Inserts or replaces the temporary message of `code`.
  void SetMessageForTemporary(std::int32_t code, const std::wstring& text);
  // Removes the temporary message of `code`, if any.
  void ResetTemporary(std::int32_t code);
  // The temporary message of `code` when there is one, else the permanent one, else "".
  std::wstring GetMessageFor(std::int32_t code) const;

 private:
  std::map<std::int32_t, std::wstring> m_permanent;
  std::map<std::int32_t, std::wstring> m_temporary;
};
