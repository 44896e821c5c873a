// Internal: the .reg text format of "Windows Registry Editor Version 5.00" (and the older
// "REGEDIT4"), read and written without touching any hive. docs/registry.md describes the format.
//
// Reading goes line by line, as the Windows registry tools read: a line they skip is left out and
// named with its reason, the rest is kept. It accepts UTF-16LE or UTF-16BE with a byte-order mark,
// UTF-8 with or without one, and, for text that is not UTF-8, the ANSI code page. Value data is
// returned as Windows keeps it: strings of REGEDIT4 files (8-bit text there) are converted to
// UTF-16LE with terminators.
// Writing produces what the Windows editor writes: a UTF-16LE byte-order mark, CR LF line ends,
// the 5.00 header, one block per key followed by an empty line, long hex data wrapped with
// ",\" continuations.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <zorbase/platform/portable/registry_store.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace regfile {

// The first line of the 5.00 format, and of the older one.
extern const wchar_t kVersion5Header[];
extern const wchar_t kRegedit4Header[];

struct Value {
  std::wstring name;        // empty: the default value ("@")
  bool remove = false;      // "name"=-
  DWORD type = 0;
  std::vector<BYTE> data;
  int line = 0;             // line of the value (1-based) in the parsed file
};

struct Section {
  std::wstring path;        // full path with the root in long form, e.g. HKEY_CURRENT_USER\Software
  bool remove = false;      // [-path]
  std::vector<Value> values;
  int line = 0;             // line of the section header (1-based) in the parsed file
};

struct Document {
  bool regedit4 = false;
  // Writing: REG_SZ data that is empty or holds a NUL is written as the Windows editor exports it,
  // as the quoted text before its first NUL (what follows that NUL is not kept). Off for hive
  // files, which must give back every byte.
  bool editor_strings = false;
  std::vector<Section> sections;
};

struct ParseError {
  int line = 0;
  std::string message;
};

// Reads a file line by line as the Windows registry tools do. A line they skip (a malformed value,
// a value outside any key or in a deleted or skipped one, a key line they refuse, hex data that
// breaks off) is left out of *document and listed in *skipped with its reason, in line order.
// False when the file is refused whole: its first line is no header those tools accept (*skipped
// then names line 1). A header they accept without importing anything ("REGEDIT", "REGEDIT3",
// "REGEDIT 4", ...) leaves *document empty and names line 1 too.
bool ReadLines(const void* bytes, std::size_t size, Document* document, std::vector<ParseError>* skipped);

// Parses a whole file, all or nothing: false (with the first skipped line in *error) when
// ReadLines would leave out any line; *document is then empty.
bool Parse(const void* bytes, std::size_t size, Document* document, ParseError* error);

// The bytes of `document` in the 5.00 format.
std::string Write(const Document& document);

// The long form of a root name ("HKCU" and "hkey_current_user" give "HKEY_CURRENT_USER"); empty
// when `name` names no root.
std::wstring CanonicalRootName(const std::wstring& name);

// The predefined root key of a long root name ("HKEY_CURRENT_USER"); null for any other text.
HKEY RootOfName(const std::wstring& name);

// Splits "ROOT\rest" into the root's long name and the rest (after the first backslash). False
// when the first part names no root.
bool SplitRootPath(const std::wstring& path, std::wstring* root, std::wstring* rest);

// Appends sections for `tree` (named `path`) and its subtree, depth first in tree order.
void AppendTree(const std::wstring& path, const reg::TreeKey& tree, Document* document);

// Builds the subtree of `document` rooted at its first section (whose values become the tree's
// own); every later section must lie below it. False for deletions or sections outside it.
bool BuildTree(const Document& document, reg::TreeKey* tree, std::wstring* base_path);

}  // namespace regfile
}  // namespace platform
}  // namespace zb
