// MIniFile (MIniFile.h): sections and values, typed reads, enumeration and the filter. Reading and
// writing files is in MIniFile_io.cpp.
#include <zorbase/settings/MIniFile.h>

#include <cmath>
#include <cstdint>

#include <zorbase/platform/format.h>
#include <zorbase/platform/numeric.h>

const wchar_t* const MIniFile::mg_comments_characters = L";#";

MIniFile::Section::Section(const wchar_t* name) : m_name(name), m_entries(10) {}

MIniFile::Section::~Section() = default;

MIniFile::MIniFile() : CMapStringIToPtr(10) {}

MIniFile::~MIniFile() {
  Clear(7);
  delete m_interested;
}

void MIniFile::_DeleteSections(CMapStringIToPtr& map) {
  POSITION position = map.GetStartPosition();
  while (position != nullptr) {
    CString name;
    void* section = nullptr;
    map.GetNextAssoc(position, name, section);
    delete static_cast<Section*>(section);
  }
  map.RemoveAll();
}

MIniFile::Section* MIniFile::_GetCreateSection(CMapStringIToPtr& map, const wchar_t* name) {
  void* found = nullptr;
  if (map.Lookup(name, found)) return static_cast<Section*>(found);
  Section* section = new Section(name);
  map[name] = section;
  return section;
}

MIniFile::Section* MIniFile::_FindSection(const wchar_t* name) const {
  void* found = nullptr;
  if (name == nullptr || !Lookup(name, found)) return nullptr;
  return static_cast<Section*>(found);
}

bool MIniFile::SetValue(const wchar_t* section, const wchar_t* key, const wchar_t* value,
                        bool reportChange) {
  if (section == nullptr) return false;
  Section* target = _FindSection(section);
  const bool created = target == nullptr;
  if (created) target = _GetCreateSection(*this, section);
  if (key == nullptr) return reportChange ? created : true;
  if (value == nullptr) value = L"";
  if (reportChange && !created) {
    CString old;
    if (target->m_entries.Lookup(key, old) && old == value) return false;
  }
  target->m_entries[key] = value;
  return true;
}

bool MIniFile::SetValue(const wchar_t* section, const wchar_t* key, DWORD value, bool reportChange) {
  const std::wstring text = zb::platform::FormatTextW(L"%u", static_cast<unsigned>(value));
  return SetValue(section, key, text.c_str(), reportChange);
}

bool MIniFile::GetValue(CString& out, const wchar_t* section, const wchar_t* key) const {
  const Section* found = _FindSection(section);
  if (found == nullptr || key == nullptr) return false;
  return found->m_entries.Lookup(key, out) != FALSE;
}

CString& MIniFile::GetValue(CString& out, const wchar_t* section, const wchar_t* key,
                            const wchar_t* defaultValue) const {
  if (!GetValue(out, section, key)) out = defaultValue != nullptr ? defaultValue : L"";
  return out;
}

CString& MIniFile::GetValue(CString& out, const wchar_t* section, const wchar_t* key,
                            const CString& defaultValue) const {
  if (!GetValue(out, section, key)) out = defaultValue;
  return out;
}

bool MIniFile::HasValue(const wchar_t* section, const wchar_t* key) const {
  CString ignored;
  return GetValue(ignored, section, key);
}

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// The runtime's wcstoul with Windows' 32-bit unsigned long: white space, an optional sign, digits of
// `base`; overflow gives 0xFFFFFFFF. `*end` is where the conversion stopped (the start when no
// digit was read).
std::uint32_t ParseUnsigned32(const wchar_t* text, int base, const wchar_t** end) {
  const wchar_t* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
  std::uint64_t value = 0;
  bool overflow = false;
  const wchar_t* digits = p;
  for (;; ++p) {
    int digit;
    if (*p >= L'0' && *p <= L'9') digit = *p - L'0';
    else if (*p >= L'a' && *p <= L'z') digit = *p - L'a' + 10;
    else if (*p >= L'A' && *p <= L'Z') digit = *p - L'A' + 10;
    else break;
    if (digit >= base) break;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFu) {
      overflow = true;
      value = 0xFFFFFFFFu;
    }
  }
  if (p == digits) {
    *end = text;
    return 0;
  }
  *end = p;
  if (overflow) return 0xFFFFFFFFu;
  const std::uint32_t result = static_cast<std::uint32_t>(value);
  return negative ? 0u - result : result;
}

}  // namespace

DWORD MIniFile::GetValueDWORD(const wchar_t* section, const wchar_t* key, DWORD defaultValue) const {
  CString value;
  if (!GetValue(value, section, key)) return defaultValue;
  if (value.GetAt(0) != L'0') {
    if (value.CompareNoCase(L"true") == 0 || value.CompareNoCase(L"on") == 0) return 1;
    if (value.CompareNoCase(L"false") == 0 || value.CompareNoCase(L"off") == 0) return 0;
  }
  const wchar_t* text = value.GetString();
  int base = 10;
  if (text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
    base = 16;
    text += 2;
  } else if (text[0] == L'0' && (text[1] == L'b' || text[1] == L'B')) {
    base = 2;
    text += 2;
  }
  const wchar_t* end = text;
  const std::uint32_t result = ParseUnsigned32(text, base, &end);
  if ((result == 0 || result == 0xFFFFFFFFu) && *end != 0 && !IsSpace(*end)) return defaultValue;
  return result;
}

double MIniFile::GetValueDouble(const wchar_t* section, const wchar_t* key, double defaultValue) const {
  CString value;
  if (!GetValue(value, section, key)) return defaultValue;
  value.Trim();
  if (value.IsEmpty()) return defaultValue;
  double result = 0.0;
  int consumed = 0;
  if (zb::platform::ScanW(value.GetString(), L"%lf%n", &result, &consumed) != 1) return defaultValue;
  if (std::isinf(result)) return defaultValue;
  if (result == 0.0) {
    const wchar_t stop = value.GetAt(consumed);
    if (stop != 0 && !IsSpace(stop)) return defaultValue;
  }
  return result;
}

void MIniFile::Clear(DWORD what) {
  if ((what & 1) != 0) {
    _DeleteSections(*this);
  } else if ((what & 2) != 0) {
    POSITION position = GetStartPosition();
    while (position != nullptr) {
      CString name;
      void* section = nullptr;
      GetNextAssoc(position, name, section);
      CMapStringIToString& entries = static_cast<Section*>(section)->m_entries;
      POSITION entry = entries.GetStartPosition();
      while (entry != nullptr) {
        CString key;
        CString ignored;
        entries.GetNextAssoc(entry, key, ignored);
        entries[key].Empty();
      }
    }
  }
  if ((what & 4) != 0 && m_interested != nullptr) _DeleteSections(*m_interested);
}

unsigned int MIniFile::GetSectionsCount() const { return static_cast<unsigned int>(GetCount()); }

MIniFile::Section* MIniFile::_GetSectionByIndex(unsigned int section) const {
  POSITION position = GetStartPosition();
  for (unsigned int i = 0; position != nullptr; ++i) {
    CString name;
    void* found = nullptr;
    GetNextAssoc(position, name, found);
    if (i == section) return static_cast<Section*>(found);
  }
  return nullptr;
}

CString& MIniFile::GetSectionName(CString& out, unsigned int section) const {
  if (const Section* found = _GetSectionByIndex(section)) out = found->m_name;
  return out;
}

unsigned int MIniFile::GetEntriesCount(unsigned int section) const {
  const Section* found = _GetSectionByIndex(section);
  return found != nullptr ? static_cast<unsigned int>(found->m_entries.GetCount()) : 0;
}

CString& MIniFile::GetEntryName(CString& out, unsigned int section, unsigned int entry,
                                int wantValue) const {
  const Section* found = _GetSectionByIndex(section);
  if (found == nullptr) return out;
  POSITION position = found->m_entries.GetStartPosition();
  for (unsigned int i = 0; position != nullptr; ++i) {
    CString key;
    CString value;
    found->m_entries.GetNextAssoc(position, key, value);
    if (i == entry) {
      out = wantValue != 0 ? value : key;
      break;
    }
  }
  return out;
}

void MIniFile::AddInterestedRecord(const wchar_t* section, const wchar_t* key) {
  if (section == nullptr) return;
  if (m_interested == nullptr) m_interested = new CMapStringIToPtr(10);
  Section* filter = _GetCreateSection(*m_interested, section);
  if (key == nullptr) {
    filter->m_entries.RemoveAll();
  } else {
    filter->m_entries[key] = L"";
  }
}

void MIniFile::SetInterestedRecord(const wchar_t* section, const wchar_t* key) {
  if (section == nullptr) {
    Clear(4);
    return;
  }
  if (m_interested != nullptr && m_interested->GetCount() == 1) {
    void* found = nullptr;
    if (m_interested->Lookup(section, found)) {
      const CMapStringIToString& keys = static_cast<Section*>(found)->m_entries;
      CString ignored;
      if (key == nullptr ? keys.IsEmpty() : (keys.GetCount() == 1 && keys.Lookup(key, ignored))) return;
    }
  }
  Clear(4);
  AddInterestedRecord(section, key);
}

bool MIniFile::IsRecordInterested(const wchar_t* section, const wchar_t* key) const {
  if (m_interested == nullptr) return true;
  void* found = nullptr;
  if (section == nullptr || !m_interested->Lookup(section, found)) return false;
  const CMapStringIToString& keys = static_cast<Section*>(found)->m_entries;
  if (key == nullptr || keys.IsEmpty()) return true;
  CString ignored;
  return keys.Lookup(key, ignored) != FALSE;
}
