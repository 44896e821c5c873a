// MIniFile: the contents of an INI file in memory, as sections of named text values, with its own
// reader and writer (the private-profile calls are not used).
//
// Reading takes the UTF-16LE file whose name MakeUnicodeName derives (settings_u.ini for
// settings.ini) when it exists, else the 8-bit file under the given name (ANSI code page);
// writing always writes the UTF-16LE file. Sections and keys are found without regard to case and
// keep the spelling they were first stored with. Values may span several lines (continuation
// lines begin with '='); lines beginning with ';' or '#' are comments. See docs/ini-files.md for
// the file layout.
//
// Functions that read or write return a Windows error code, 0 for success: 1017 for a line longer
// than 61,440 characters, else the system's code (1 when it reports none). A read that fails
// leaves the object as it was. Not thread-safe; not copyable.
#pragma once

#include <cstdio>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>
#include <zorbase/strings/CMapStringIToPtr.h>

class ZORBASE_API MIniFile : public CMapStringIToPtr {
 public:
  // One section: its name as first created, and its entries (key to value, case ignored). Owned by
  // the map that holds it.
  class ZORBASE_API Section {
   public:
    explicit Section(const wchar_t* name);
    ~Section();
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

    CString m_name;
    CMapStringIToString m_entries;
  };

  // Comment characters: a line whose first character (after trimming) is one of these is skipped.
  static const wchar_t* const mg_comments_characters;

  MIniFile();
  // Clear(7), and the filter is deleted.
  ~MIniFile() override;

  // Reads the file `path` (its Unicode file when present). With `append` 0 the contents are
  // replaced, else the file's records are added. A missing file is no error: with `append` 0 the
  // object is then empty. On failure the object is unchanged.
  DWORD ReadFromFile(const wchar_t* path, int append);
  // Clear(3), then Append. On failure the object is unchanged.
  DWORD Read(FILE& file);
  // Parses the open `file` (UTF-16LE when the last ReadFromFile took the Unicode file, else 8-bit
  // text) and adds its records that the filter lets through. On failure the object is unchanged.
  DWORD Append(FILE& file);
  // Writes everything as the Unicode file of `path`, with `comment` (null or empty: none) as a
  // comment block at the head. The file is replaced in one step: a failure leaves the old file.
  DWORD WriteToFile(const wchar_t* path, const wchar_t* comment) const;

  // The Unicode file name of `path` into `out`, which holds at least the path's length + 3
  // characters: "_u" before the extension (the last dot after the last separator), or before
  // the last character when there is no dot ("settings" gives "setting_us").
  static void MakeUnicodeName(wchar_t* out, const wchar_t* path);

  // Stores `value` (null: empty) under `key` in `section`, creating the section; a null key only
  // creates the section. With `reportChange` the answer says whether anything changed (section
  // created, key new, or value different, compared exactly); else it is true.
  bool SetValue(const wchar_t* section, const wchar_t* key, const wchar_t* value, bool reportChange);
  // The number in decimal, then as above.
  bool SetValue(const wchar_t* section, const wchar_t* key, DWORD value, bool reportChange);

  // True and the value in `out` when present; else `out` is unchanged.
  bool GetValue(CString& out, const wchar_t* section, const wchar_t* key) const;
  // The value, or `defaultValue` (null: empty) when missing, in `out`; returns `out`.
  CString& GetValue(CString& out, const wchar_t* section, const wchar_t* key,
                    const wchar_t* defaultValue) const;
  CString& GetValue(CString& out, const wchar_t* section, const wchar_t* key,
                    const CString& defaultValue) const;
  // The value as a number: "true"/"on" 1, "false"/"off" 0 (any case), 0x hexadecimal, 0b binary,
  // else decimal; `defaultValue` when missing or not a number.
  DWORD GetValueDWORD(const wchar_t* section, const wchar_t* key, DWORD defaultValue) const;
  // The value as a floating-point number; `defaultValue` when missing, empty, infinite or not a
  // number.
  double GetValueDouble(const wchar_t* section, const wchar_t* key, double defaultValue) const;
  bool HasValue(const wchar_t* section, const wchar_t* key) const;

  // Bit 1: remove every section; bit 2 alone: empty every value, keeping sections and keys; bit 4:
  // remove the filter's sections (the filter stays, empty).
  void Clear(DWORD what);

  // Enumeration in the maps' iteration order, indexes from 0. Out-of-range indexes give 0 or leave
  // `out` unchanged.
  unsigned int GetSectionsCount() const;
  CString& GetSectionName(CString& out, unsigned int section) const;
  unsigned int GetEntriesCount(unsigned int section) const;
  // The key of the entry, or its value when `wantValue` is not 0.
  CString& GetEntryName(CString& out, unsigned int section, unsigned int entry, int wantValue) const;

  // The filter of records a read keeps. A filter section without keys stands for the whole
  // section. AddInterestedRecord adds `key` to the section (a null key: the whole section);
  // SetInterestedRecord makes the filter hold exactly this record (a null section: no sections);
  // IsRecordInterested is true without a filter.
  void AddInterestedRecord(const wchar_t* section, const wchar_t* key);
  void SetInterestedRecord(const wchar_t* section, const wchar_t* key);
  bool IsRecordInterested(const wchar_t* section, const wchar_t* key) const;

 protected:
  // The section at `section` in iteration order, or null.
  Section* _GetSectionByIndex(unsigned int section) const;
  // The section of `map` named `name` (case ignored), created under `name` when missing.
  static Section* _GetCreateSection(CMapStringIToPtr& map, const wchar_t* name);

 private:
  // Parses `file` into the empty `target` in this object's encoding, keeping what this object's
  // filter lets through; 0 or an error code.
  DWORD _ParseInto(FILE& file, MIniFile& target) const;
  // Takes over every record of `source`: its sections when this object is empty, else each value
  // through SetValue.
  void _MergeFrom(MIniFile& source);
  static void _DeleteSections(CMapStringIToPtr& map);
  Section* _FindSection(const wchar_t* name) const;

  CMapStringIToPtr* m_interested = nullptr;
  bool m_unicode = false;
};
