// MDirectoryWithMap: folders (and files) kept under names the file system may refuse. Each entry of
// a directory has a disk name, and may have a mapped name, the name the application shows and asks
// for. The pairs live in a text file in the directory, the map file (".map" by default): one line
// per pair, "disk name->mapped name", in the process's ANSI code page with CR LF line ends (see
// docs/directories.md). The class reads a listing together with its map file, answers lookups both
// ways, creates folders under a requested name (falling back to a generated disk name "map<hex>"
// and a map line), deletes folders with their contents (asking a callback before each removal),
// and writes the map file again.
//
// Results are Windows codes: 0; 1017 an inconsistent map or listing; 30 a read fault; 29 a write
// fault; 5 access denied; 87 a bad argument; 1223 cancelled; 206 a path too long; otherwise the
// system's code. An object is used by one thread; the map file has no protection against other
// writers.
#pragma once

#include <cstdio>

#include <zorbase/afx/CString.h>
#include <zorbase/afx/CStringArray.h>
#include <zorbase/afx/CWordArray.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>
#include <zorbase/strings/CMapStringIToPtr.h>

// Asked before each removal of DeleteFolder.
class ZORBASE_API IDirectoryRemoveAsker {
 public:
  virtual ~IDirectoryRemoveAsker();
  // 0 lets the removal of `fullPath` (whose last name is `nameOnly`) go ahead; any other code stops
  // the deletion with that code, the all-ones value (DWORD)-1 standing for cancelled (reported as
  // 1223).
  virtual DWORD _OnBeforeRemove(bool isDirectory, const wchar_t* fullPath,
                                const wchar_t* nameOnly) = 0;
};

class ZORBASE_API MDirectoryWithMap {
 public:
  // Flags of entries (GetNameFlags) and of Read's `what`.
  static constexpr unsigned short NAME_MAPPED = 0x0001;    // entry: the map holds a mapped name
  static constexpr unsigned short NAME_DOTS = 0x0006;      // entry: "." or ".."
  static constexpr unsigned short NAME_DIRECTORY = 0x0004;
  static constexpr unsigned short NAME_FILE = 0x0008;
  static constexpr unsigned short READ_MAP = 0x0001;       // what: read the map file
  static constexpr unsigned short READ_DOTS = 0x0002;      // what: list "." and ".." (with 0x0004)
  static constexpr unsigned short READ_DIRECTORIES = 0x0004;
  static constexpr unsigned short READ_FILES = 0x0008;
  static constexpr unsigned short READ_RECURSIVE = 0x0010; // what: subdirectories first

  // ".map" and "->".
  static const wchar_t* mg_map_file_name_default;
  static const wchar_t* mg_maped_nonmapped_devider;

  MDirectoryWithMap();
  ~MDirectoryWithMap();
  MDirectoryWithMap(const MDirectoryWithMap&) = delete;
  MDirectoryWithMap& operator=(const MDirectoryWithMap&) = delete;

  // Empties names, flags and map.
  void Clear();

  // Reads directory `dir`: with READ_MAP its map file (`mapFileName`, default ".map"; a missing one
  // is skipped), with READ_RECURSIVE every subdirectory first (names below get the relative path,
  // "sub\name"; symbolic links are not followed), then the entries of `dir` that match `pattern`
  // ("*.*" when null) of the kinds asked for. `prefix` is the relative path of `dir` below the
  // outermost call; the outermost call passes null, which clears the object first. Map lines:
  // lines of at most 529 characters (longer ones are taken as several), trimmed at both sides of
  // "->"; empty lines, [section] lines, lines without "->" or with an empty side are skipped. A
  // mapped name given to two disk names, or a listed name equal to another entry's mapped name,
  // gives 1017. On failure the object is left empty.
  DWORD Read(const wchar_t* dir, unsigned short what, const wchar_t* mapFileName = nullptr,
             const wchar_t* pattern = nullptr, const wchar_t* prefix = nullptr);

  // Writes every map entry as a map file at `path`, or at `path` joined with `fileName`, created
  // anew: a line end before each entry, so the file begins with an empty line and has none after
  // its last entry. 0; 29 when the file cannot be created; or the first failing entry's code.
  DWORD WriteMapFile(const wchar_t* path, const wchar_t* fileName = nullptr) const;

  // The number of entries.
  long long GetCount() const;
  // The disk name; the mapped name of a mapped entry, else its disk name; the flags. An index out
  // of range throws CInvalidArgException.
  void GetName(CString& out, unsigned int index) const;
  CString& GetMappedName(CString& out, unsigned int index) const;
  unsigned int GetNameFlags(unsigned int index) const;
  // The index of the last entry with that disk name (ignoring case), or 0xFFFFFFFF.
  unsigned int GetNameIndex(const wchar_t* diskName) const;
  // For a mapped name the index of its disk name, else GetNameIndex(name).
  unsigned int GetMappedNameIndex(const wchar_t* name) const;
  // Looks a disk name up in the map; `out` (when not null) receives the mapped name.
  bool Name2MappedName(const wchar_t* diskName, CString* out) const;
  // Finds the disk name whose mapped name equals `mappedName` (ignoring case).
  bool MappedName2Name(const wchar_t* mappedName, CString* out) const;
  // For a mapped name its disk name; for a disk name of the listing the name itself; else false.
  bool GetNonmappedName(CString& out, const wchar_t* name) const;
  // Removes the entry (name, flags and map entry); its flags, or 0 when there is none.
  unsigned short RemoveName(const wchar_t* diskName);
  // Drops map entries whose disk names are not among the entries' names.
  void ClearMapFromUnusedNames();

  // Makes sure the folder the application calls `name` exists in directory `path` and gives its
  // full path back in `path` (backslashes, trailing backslash). A name the file system refuses (a
  // colon, for instance) gets a generated disk name "map<hex>" and a line in path's ".map"; when
  // that line cannot be written the new folder is removed again. With `reread` the directory is
  // read first (READ_MAP | READ_DIRECTORIES). A name that is "." or ".." or holds a separator is
  // never used as a disk name (it gets a generated one), so no folder is made outside `path`.
  DWORD CheckCreateFolder(CString& path, const wchar_t* name, bool reread);

  // Deletes the folder the application calls `name` in directory `path` with everything in it,
  // deepest items first, asking `asker` (when given) before each removal; a refusal stops with its
  // code (1223 for (DWORD)-1) before that item is touched. Symbolic links inside are removed as
  // links, never followed. On a stop `path` names the item concerned and the last error is the
  // code; on success `path` names the removed folder. A mapped folder's entry leaves the map and
  // the map file is written again. With `reread` the directory is read first
  // (READ_MAP | READ_DIRECTORIES | READ_FILES). A disk name that is "." or ".." or holds a
  // separator is refused with 87: nothing outside `path` is ever deleted.
  DWORD DeleteFolder(CString& path, const wchar_t* name, bool reread, IDirectoryRemoveAsker* asker);

 protected:
  // Writes a line end, the disk name, "->" and the mapped name; 0, or the system's code (29 when
  // it reports none).
  static DWORD _WriteMapFileEntry(FILE* file, const wchar_t* diskName, const wchar_t* mappedName);
  bool _MappedName2NameSafe(const wchar_t* mappedName, CString* out) const;

  CStringArray m_names;
  CWordArray m_flags;
  CMapStringIToString m_map;

 private:
  DWORD _ReadMapFile(const wchar_t* path);
  DWORD _GenerateName(const CString& dir, const wchar_t* pattern, CString& out) const;
  unsigned int _Check(unsigned int index) const;
};
