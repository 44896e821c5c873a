// MFileName: a Windows path as a value. The path is held as four separately owned parts (drive,
// directory, file title, extension with its dot), parsed from a text and composed back into one text
// in a fixed 260-character buffer. Nothing here touches the file system; the generated names, title
// rules, filters and file-system operations are declared in the marked block at the end of the class
// and live in their own source files.
//
// A part may be missing or present-and-empty; parsing never stores an empty part, the part setters
// store what they are given. Texts returned by GET, GET_DRIVE_DIR_PARTS, GET_FILE_EXT_PARTS and the
// conversion to `const wchar_t*` point into the object's composition buffer and stay valid until the
// next composing call on the same object or its destruction. Those calls are const but rewrite the
// buffer, so one object is used by one thread at a time, const calls included.
#pragma once

#include <cstddef>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API MFileName {
 public:
  // Compare flags of COMPARE (combined by OR). The four part flags select the parts to compare;
  // COMPARE_CASE_SENSITIVE compares characters exactly instead of folding A-Z to a-z.
  static constexpr unsigned short COMPARE_DRIVE = 0x0001;
  static constexpr unsigned short COMPARE_DIR = 0x0002;
  static constexpr unsigned short COMPARE_FILE = 0x0004;
  static constexpr unsigned short COMPARE_EXT = 0x0008;
  static constexpr unsigned short COMPARE_CASE_SENSITIVE = 0x1000;

  // Usable characters of the composition buffer (one more slot holds the terminator).
  static constexpr std::size_t PATH_CAPACITY = 260;

  // An empty name (all parts missing), relative-path mode off.
  MFileName();

  // SET(text, isDirectory). A null text gives an empty name.
  MFileName(const wchar_t* text, bool isDirectory = false);

  // Joins dir, a backslash unless dir already ends with one (an empty dir gets one too), file, a
  // dot and ext, and parses the result with SET(joined, isDirectory). A null text counts as empty.
  // A joined text longer than 259 characters is refused: the name is left empty (IS_EMPTY), so a
  // cut-off path never names a different file.
  MFileName(const wchar_t* dir, const wchar_t* file, const wchar_t* ext, bool isDirectory = false);

  // SET_DRIVE_PART(drive), SET_DIR_PART(dir, 260), SET_FILE_PART(file, 256),
  // SET_EXT_PART(ext, 256), in this order; nothing is parsed. A null text leaves its part missing.
  MFileName(const wchar_t* drive, const wchar_t* dir, const wchar_t* file, const wchar_t* ext);

  // COPY(other).
  MFileName(const MFileName& other);

  // Frees the parts.
  ~MFileName();

  // SET(text, false); assigning the object's own composed text (the pointer GET returned) changes
  // nothing.
  MFileName& operator=(const wchar_t* text);

  // COPY(other); self-assignment changes nothing.
  MFileName& operator=(const MFileName& other);

  // APPEND(other).
  MFileName& operator+=(const MFileName& other);

  // GET().
  operator const wchar_t*() const;

  // COMPARE(other, 15) and its negation.
  bool operator==(const MFileName& other) const;
  bool operator!=(const MFileName& other) const;

  // ---- parsing and composing --------------------------------------------------------------------

  // Replaces all four parts by the parse of `text`; relative-path mode is kept. A null or empty
  // text leaves the name empty. `text` may point into this object (a part or the composed text).
  // With isDirectory the text after the drive is all directory (no title, no extension).
  // Examples: C:\Dir\Name.Ext -> C: \Dir\ Name .Ext; C:\TestDir -> C: \ TestDir; a.b.c -> title
  // a.b, extension .c; C:\Dir\.. -> title ..; "." alone -> directory "."; \\server -> drive only.
  void SET(const wchar_t* text, bool isDirectory);

  // The composed path: drive; directory (with a leading backslash unless relative-path mode is on
  // or it has one, and a trailing one when a title is present and it has none); title; extension
  // (with its dot). Stops silently at 260 characters. Never null.
  const wchar_t* GET() const;

  // The drive and directory as GET composes them; then, for a non-empty result, withSeparator
  // true appends a backslash unless there is one, false removes one trailing backslash.
  const wchar_t* GET_DRIVE_DIR_PARTS(bool withSeparator = true) const;

  // The title and extension as GET composes them.
  const wchar_t* GET_FILE_EXT_PARTS() const;

  // The stored part, or "" when it is missing (so missing and empty read alike). The pointer stays
  // valid until the part is changed.
  const wchar_t* GET_DRIVE_PART() const;
  const wchar_t* GET_DIR_PART() const;
  const wchar_t* GET_FILE_PART() const;
  const wchar_t* GET_EXT_PART() const;

  // True when all four parts are missing.
  bool IS_EMPTY() const;

  // The writable composition buffer (260 characters and a terminator slot) for a caller that fills
  // it; RELEASE(isDirectory) then parses it (the 261st slot is forced to 0 first).
  wchar_t* RESERVE();
  void RELEASE(bool isDirectory);

  // All four parts become missing; relative-path mode is kept.
  void FREE();

  // Replaces the four parts by copies of other's (missing stays missing, empty stays empty) and
  // takes other's relative-path mode.
  void COPY(const MFileName& other);

  // With the mode on, composition puts no backslash in front of a directory that lacks one.
  void SET_RELATIVE_PATH_MODE(bool on);

  // Runs a short self-exercise; returns true.
  static bool DO_TEST();

  // ---- part setters: a null text makes the part missing -----------------------------------------
  // A setter that would make the composed path longer than 260 characters refuses the name: every
  // part becomes missing (IS_EMPTY), and the thread's last error is ERROR_FILENAME_EXCED_RANGE
  // (206), so that no operation acts on a cut name, which would denote another file.

  // Stores a copy of the whole text, the empty text included.
  void SET_DRIVE_PART(const wchar_t* drive);

  // Stores a copy of the whole text, the empty text included; maxLength is not used.
  void SET_DIR_PART(const wchar_t* dir, size_t maxLength);

  // Stores at most maxLength characters; each of / : < > \ | becomes a space (* ? " stay).
  void SET_FILE_PART(const wchar_t* file, size_t maxLength);

  // With k = min(length, maxLength): a text beginning with a dot is stored as its first k
  // characters; any other text (the empty one too) as a dot and its first k characters. Every
  // / : < > \ | after the dot becomes a space.
  void SET_EXT_PART(const wchar_t* ext, size_t maxLength);

  // Splits at the last dot: the part before goes to SET_FILE_PART(.., maxFileLength), the part from
  // the dot on to SET_EXT_PART(.., maxExtLength). Without a dot the text becomes the title and the
  // extension is kept. Null makes both title and extension missing.
  void SET_FILE_EXT_PARTS(const wchar_t* fileAndExt, size_t maxFileLength, size_t maxExtLength);

  // ---- combining and comparing ------------------------------------------------------------------

  // Joins `other` onto this name: other's drive, title and extension replace these where other has
  // them; other's directory replaces this one when it is rooted (begins with a backslash) or this
  // name has none, and is otherwise resolved against this directory, "." and ".." components
  // stepping in place and up ("..\" above an empty relative directory drops the rest; above the
  // root it stays at the root). A joined directory longer than 259 characters is refused: the name
  // becomes empty (IS_EMPTY), so a cut-off path never names a different file.
  void APPEND(const MFileName& other);

  // Compares the parts that `flags` select, in the order drive, directory, title, extension; false
  // at the first unequal one, true when no part is selected. Two missing parts are equal, a missing
  // and a present one are not. The directories \Dir and \Dir\ are equal.
  bool COMPARE(const MFileName& other, unsigned short flags = 15) const;

  // The path of `target` relative to this name's directory: a copy of target when either name has
  // no drive or the drives differ (compared exactly). Otherwise a name without drive whose
  // directory is "..\" for each directory of this name below the deepest directory both share,
  // followed by the rest of target's directory; its title is target's (empty when it has none),
  // its extension SET_EXT_PART of target's ("." when it has none); relative-path mode off.
  // Example: from C:\A\B\x to C:\A\C\y.txt gives ..\C\ y .txt (composed \..\C\y.txt).
  MFileName RELATIVE_PATH_TO(const MFileName& target) const;

 protected:
  // The default state: all parts missing, relative-path mode off.
  void _INIT();

  // Part comparison: null means missing; A-Z folded unless COMPARE_CASE_SENSITIVE is in flags.
  bool _COMPARE_PARTS(const wchar_t* a, const wchar_t* b, unsigned short flags) const;

  // As _COMPARE_PARTS, but a trailing backslash on one side only is ignored.
  bool _COMPARE_DIR_PARTS(const wchar_t* a, const wchar_t* b, unsigned short flags) const;

  // Replaces the part `*slot` by a copy of the first `length` characters of `text` (null: missing).
  // The copy is made before the old part is freed, so `text` may be the old part, and a failed
  // allocation leaves the part as it was.
  static void _SET_PART(wchar_t** slot, const wchar_t* text, size_t length);

  // Frees this name's parts and takes over those of `source`, which are left missing. The
  // relative-path mode of neither changes.
  void _TAKE_PARTS(MFileName& source);

  // Composition steps into m_path; each returns the number of characters written so far.
  // The length of the composed path without the cap of the composition buffer.
  size_t _COMPOSED_LENGTH() const;
  // After a part setter: a name whose composed path would not fit the buffer (GET would cut it,
  // naming another file) is refused: every part becomes missing and the thread's last error is
  // ERROR_FILENAME_EXCED_RANGE.
  void _REFUSE_IF_TOO_LONG();
  size_t _COMPOSE_DRIVE_DIR(size_t pos) const;
  size_t _COMPOSE_FILE_EXT(size_t pos) const;

  wchar_t* m_drive;   // drive as it stood, e.g. C: or \\server; null when missing
  wchar_t* m_dir;     // directory with its backslashes as they stood, e.g. \Dir\; null when missing
  wchar_t* m_file;    // file title without extension; null when missing
  wchar_t* m_ext;     // extension with its leading dot, e.g. .Ext; null when missing
  mutable wchar_t m_path[PATH_CAPACITY + 1];  // composition buffer; m_path[260] is always 0
  bool m_relative_path_mode;

 public:
  // ---- generated names, title rules, filters and file-system operations -------------------------
  // (declared below and implemented in separate source files)
  // MFileName_names.cpp: temporary and unique names, title rules, filters.
  // MFileName_operations.cpp: the operations on the named file or directory.

  // Title rules of IsSafe and MAKE_SAFE. Negative values (IsSafe only) accept every title; 5 and
  // above accept every title and MAKE_SAFE leaves it alone.
  enum FILE_GENERATION_FLAGS : int {
    FILE_GENERATION_ANY = -1,
    // 0 and 1: at most 8 characters, 0-9 A-Z a-z up to the first dot.
    FILE_GENERATION_DOS = 0,
    FILE_GENERATION_DOS_ALNUM = 1,
    // At most 256 characters of space ! # $ % & ' ( ) - 0-9 @ A-Z ^ _ ` a-z { } ~.
    FILE_GENERATION_PORTABLE = 2,
    // At most 8 characters of any kind.
    FILE_GENERATION_EIGHT_CHARS = 3,
    // At most 256 characters, none of " $ * / : < > ? \ |.
    FILE_GENERATION_WINDOWS = 4,
    FILE_GENERATION_UNRESTRICTED = 5,
  };

  // Makes this name a temporary name that does not exist yet: directory `dir` (null: the system's
  // temporary directory), extension `ext` (null: ".tmp"), title "~zor<n>" or, with a prefix,
  // <prefix><n> with n written with `digits` places (1 to 127; otherwise as many as it needs). The
  // counter n starts at `start`, or at the process-wide counter (from 1) when `start` is 65535, and
  // goes up until the composed name does not exist; with `start` 65535 the process-wide counter
  // keeps the next value. Returns the counter value after the one used. A prefix is cut so that
  // dir, ext, the digits and the prefix stay within 255 characters (to nothing when they leave no
  // room). After 65536 names that all exist, the last one tried is kept.
  unsigned short SET_TEMP_NAME(const wchar_t* dir, const wchar_t* prefix, const wchar_t* ext,
                               unsigned short start, int digits);

  // Appends to the title the first index from 1 to 999 (written with `digits` places, leading
  // zeros; as many as needed when 0) for which the composed name does not exist, and answers true;
  // false, with the name unchanged, when all 999 exist.
  bool ADD_UNIQUE_INDEX(unsigned char digits);

  // Whether the title satisfies `rule` (see FILE_GENERATION_FLAGS); false without a title.
  bool IsSafe(FILE_GENERATION_FLAGS rule) const;
  // Changes the title to satisfy `rule`: rules 0 and 1 cut a title of more than 8 characters to 7,
  // end it at a dot and turn every other character outside 0-9 A-Z a-z into '_'; rule 2 cuts to 255
  // beyond 256 and turns characters outside its set into '_'; rule 3 cuts a title of 9 or more to
  // 7; rule 4 cuts to 255 beyond 256 and turns its refused characters into '_'. Nothing without a
  // title.
  void MAKE_SAFE(unsigned short rule);

  // Wildcard filters on the title and on the extension (with its dot). Position by position over
  // the shorter of pattern and part: '*' accepts at once, '?' matches any character, others compare
  // after ASCII upper-casing; reaching the end of the shorter one accepts (patterns match as
  // prefixes). Without the part only a null pattern or "*" (for the extension ".*") accepts; a
  // null pattern accepts every part. FILTER is FILTER_EXT and then FILTER_FILE.
  bool FILTER(const wchar_t* filePattern, const wchar_t* extPattern) const;
  bool FILTER_FILE(const wchar_t* pattern) const;
  bool FILTER_EXT(const wchar_t* pattern) const;

  // The composed path exists (file or directory).
  bool DOES_EXIST() const;
  // True when the path does not exist, or exists and may be written.
  bool IS_WRITABLE() const;
  // Whether the file can be opened for update (read and write). A file that did not exist is
  // created for the test and removed again.
  bool IS_UPDATABLE() const;
  // Removes the file, or, without a title, the (empty) directory. True on success.
  bool REMOVE();
  // Moves the file (or, without a title, the directory) to the user's trash through the shell's
  // delete with undo; `confirm` false adds FOF_NOCONFIRMATION. True when the shell reports success.
  bool REMOVE_SHELL(bool confirm);
  // Renames this file or directory to `target` through the shell. Neither name object changes.
  bool RENAME_SHELL(MFileName& target, bool showErrors);
  // Copies the file named by `source` to this name in 64 KiB blocks through MFile. True at once,
  // touching nothing, when the names are equal (operator==). False when either open fails or when
  // the copy could not be completed (a short write, a read error, a failed final write); the
  // incomplete copy is then removed.
  bool COPY_FILE(const MFileName& source) const;
  // The length of the file in bytes, or -1 without a title or when it cannot be opened for reading.
  long long FILE_SIZE() const;
  // Creates every directory of the drive-and-directory chain from the left (the title is not
  // created). True when the directory exists afterwards, and for a name without drive and
  // directory (nothing to create).
  bool CREATE_DIRECTORY() const;
  // Parse the system's temporary directory, the current directory (both as directories) or the
  // executable's path (as a file) into this name. False, with the name unchanged, when the system
  // gives nothing.
  bool FILL_WITH_TEMPORARY_PATH();
  bool FILL_WITH_WORKING_PATH();
  bool FILL_WITH_MODULE_PATH();
  // Clears the name and parses the full path of `module` (null: the executable) as a file.
  void ModuleFileName(HINSTANCE module);

 protected:
  // The process-wide counter of SET_TEMP_NAME (starts at 1; no lock: one thread at a time).
  static unsigned short mg_temp_name_counter;
};
