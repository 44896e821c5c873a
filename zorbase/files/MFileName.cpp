// MFileName: parsing, composing, part setters, comparison, joining and relative paths.
#include <zorbase/files/MFileName.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

namespace {

const wchar_t kEmpty[] = L"";

// Characters that a file title or extension may not hold; each becomes a space.
bool IsReservedNameChar(wchar_t c) {
  return c == L'/' || c == L':' || c == L'<' || c == L'>' || c == L'\\' || c == L'|';
}

std::size_t Length(const wchar_t* text) { return text ? std::wcslen(text) : 0; }

// Frees the part and leaves it missing.
void ClearPart(wchar_t** slot) {
  delete[] *slot;
  *slot = nullptr;
}

// Bounds of one parsed part: [begin, end) of the text; absent when begin == end.
struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;
};

struct ParsedPath {
  Span drive, dir, file, ext;
};

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Splits `s` (length n) into drive, directory, title and extension starts, then cuts each part at the
// start of the next one present. Zero-length parts come back empty and are left missing.
ParsedPath ParsePath(const wchar_t* s, std::size_t n, bool is_directory) {
  ParsedPath out;
  if (n == 0) return out;
  if (n == 1 && s[0] == L'.') {  // "." alone names the current directory
    out.dir = {0, 1};
    return out;
  }

  std::size_t drive_start = kNone, dir_start = 0;
  if (n >= 2 && s[0] == L'\\' && s[1] == L'\\') {
    drive_start = 0;
    if (n >= 3 && s[2] == L'\\') {
      dir_start = 2;
    } else {
      std::size_t p = 3;
      while (p < n && s[p] != L'\\') ++p;
      if (p >= n) {  // \\server alone (dots included) is a drive
        out.drive = {0, n};
        return out;
      }
      dir_start = p;
    }
  } else if (s[0] != L'\\') {
    const wchar_t* colon = std::wmemchr(s, L':', n);
    if (colon) {
      drive_start = 0;
      dir_start = static_cast<std::size_t>(colon - s) + 1;
    }
  }

  std::size_t title_start = kNone, ext_start = kNone;
  if (!is_directory) {
    // Extension: the first dot, backslash or colon met from the end decides.
    std::size_t title_scan_from = kNone;  // where the backward title scan begins (inclusive)
    bool scan_title = false;
    bool met = false;
    for (std::size_t p = n; p-- > 0;) {
      wchar_t c = s[p];
      if (c == L'.') {
        met = true;
        if (p == n - 1 && p >= 1 && s[p - 1] == L'.') {  // ends in "..": no extension
          title_scan_from = p;
          scan_title = true;
        } else {
          ext_start = p;
          if (p > 0) {
            title_scan_from = p - 1;
            scan_title = true;
          }
        }
        break;
      }
      if (c == L'\\') {
        met = true;
        title_start = p + 1;
        break;
      }
      if (c == L':') {
        met = true;
        title_scan_from = p;
        scan_title = true;
        break;
      }
    }
    if (!met) {
      title_start = 0;
    } else if (scan_title) {
      title_start = 0;
      for (std::size_t q = title_scan_from + 1; q-- > 0;) {
        if (s[q] == L'\\' || s[q] == L':') {
          title_start = q + 1;
          break;
        }
      }
    }
  }

  // Each part runs to the start of the next part present, or to the end.
  std::size_t end = n;
  if (ext_start != kNone) {
    out.ext = {ext_start, end};
    end = ext_start;
  }
  if (title_start != kNone && title_start <= end) {
    out.file = {title_start, end};
    end = title_start;
  }
  if (dir_start <= end) {
    out.dir = {dir_start, end};
    end = dir_start;
  }
  if (drive_start != kNone) out.drive = {drive_start, end};
  return out;
}

// Writes into a bounded buffer, stopping silently at its capacity.
class BoundedWriter {
 public:
  BoundedWriter(wchar_t* buffer, std::size_t capacity, std::size_t pos)
      : buffer_(buffer), capacity_(capacity), pos_(pos) {}

  void Put(wchar_t c) {
    if (pos_ < capacity_) buffer_[pos_++] = c;
  }
  void Put(const wchar_t* text) {
    for (; *text && pos_ < capacity_; ++text) buffer_[pos_++] = *text;
  }
  std::size_t pos() const { return pos_; }

 private:
  wchar_t* buffer_;
  std::size_t capacity_;
  std::size_t pos_;
};

bool Present(const wchar_t* part) { return part != nullptr; }
bool NonEmpty(const wchar_t* part) { return part != nullptr && part[0] != 0; }

// Case rule of the comparisons: exact, or A-Z folded to a-z.
bool SameChar(wchar_t a, wchar_t b, bool case_sensitive) {
  if (case_sensitive) return a == b;
  return zb::internal::AsciiToLower(a) == zb::internal::AsciiToLower(b);
}

bool SameRange(const wchar_t* a, const wchar_t* b, std::size_t n, bool case_sensitive) {
  for (std::size_t i = 0; i < n; ++i) {
    if (!SameChar(a[i], b[i], case_sensitive)) return false;
  }
  return true;
}

// Resolves the relative directory `rel` against `base` (which ends with a backslash or is empty):
// "." components are skipped, ".." removes the last directory name of the result (at the root it
// stays at the root; in an emptied relative result the rest of `rel` is dropped), any other
// component is copied with the backslash that follows it.
std::wstring ResolveRelativeDir(std::wstring base, const wchar_t* rel) {
  std::wstring& result = base;
  std::size_t i = 0;
  const std::size_t n = std::wcslen(rel);
  while (i < n) {
    std::size_t stop = i;
    while (stop < n && rel[stop] != L'\\') ++stop;
    const std::size_t len = stop - i;
    const bool has_separator = stop < n;
    if (len == 1 && rel[i] == L'.') {
      // the current directory: nothing to add
    } else if (len == 2 && rel[i] == L'.' && rel[i + 1] == L'.') {
      if (result.empty()) break;
      // result ends with a backslash (or is only the root); drop its last name.
      std::size_t last = result.size() - 1;  // the trailing backslash
      if (last == 0) {
        // "\": already at the root
      } else {
        std::size_t prev = result.rfind(L'\\', last - 1);
        result.resize(prev == std::wstring::npos ? 0 : prev + 1);
      }
    } else {
      result.append(rel + i, len);
      if (has_separator) result.push_back(L'\\');
    }
    i = has_separator ? stop + 1 : stop;
  }
  return result;
}

}  // namespace

// ---- construction and assignment -----------------------------------------------------------------

MFileName::MFileName() { _INIT(); }

MFileName::MFileName(const wchar_t* text, bool isDirectory) {
  _INIT();
  SET(text, isDirectory);
}

MFileName::MFileName(const wchar_t* dir, const wchar_t* file, const wchar_t* ext, bool isDirectory) {
  _INIT();
  if (!dir) dir = kEmpty;
  if (!file) file = kEmpty;
  if (!ext) ext = kEmpty;
  std::size_t dir_len = std::wcslen(dir);
  std::wstring joined;
  joined.reserve(dir_len + std::wcslen(file) + std::wcslen(ext) + 2);
  joined.append(dir, dir_len);
  if (dir_len == 0 || dir[dir_len - 1] != L'\\') joined.push_back(L'\\');
  joined.append(file);
  joined.push_back(L'.');
  joined.append(ext);
  if (joined.size() > PATH_CAPACITY - 1) return;  // refused: the name stays empty
  SET(joined.c_str(), isDirectory);
}

namespace {

// Operations that set several parts (the four-part constructor, APPEND, SET_FILE_EXT_PARTS) judge
// the length once, when all parts are in place: a name refused half-way would otherwise be
// completed by the remaining setters into a partial name.
thread_local int t_setting_parts = 0;

struct SettingParts {
  SettingParts() { ++t_setting_parts; }
  ~SettingParts() { --t_setting_parts; }
  SettingParts(const SettingParts&) = delete;
  SettingParts& operator=(const SettingParts&) = delete;
};

}  // namespace

MFileName::MFileName(const wchar_t* drive, const wchar_t* dir, const wchar_t* file,
                     const wchar_t* ext) {
  _INIT();
  try {
    {
      SettingParts whole;
      SET_DRIVE_PART(drive);
      SET_DIR_PART(dir, 260);
      SET_FILE_PART(file, 256);
      SET_EXT_PART(ext, 256);
    }
    _REFUSE_IF_TOO_LONG();
  } catch (...) {
    FREE();
    throw;
  }
}

MFileName::MFileName(const MFileName& other) {
  _INIT();
  COPY(other);
}

MFileName::~MFileName() { FREE(); }

MFileName& MFileName::operator=(const wchar_t* text) {
  if (text != m_path) SET(text, false);
  return *this;
}

MFileName& MFileName::operator=(const MFileName& other) {
  COPY(other);
  return *this;
}

MFileName& MFileName::operator+=(const MFileName& other) {
  APPEND(other);
  return *this;
}

MFileName::operator const wchar_t*() const { return GET(); }

bool MFileName::operator==(const MFileName& other) const { return COMPARE(other, 15); }

bool MFileName::operator!=(const MFileName& other) const { return !COMPARE(other, 15); }

void MFileName::_INIT() {
  m_drive = m_dir = m_file = m_ext = nullptr;
  m_path[0] = 0;
  m_path[PATH_CAPACITY] = 0;
  m_relative_path_mode = false;
}

void MFileName::_SET_PART(wchar_t** slot, const wchar_t* text, size_t length) {
  wchar_t* copy = nullptr;
  if (text) {
    copy = new wchar_t[length + 1];
    std::wmemcpy(copy, text, length);
    copy[length] = 0;
  }
  delete[] *slot;
  *slot = copy;
}

void MFileName::_TAKE_PARTS(MFileName& source) {
  FREE();
  m_drive = source.m_drive;
  m_dir = source.m_dir;
  m_file = source.m_file;
  m_ext = source.m_ext;
  source.m_drive = source.m_dir = source.m_file = source.m_ext = nullptr;
}

// ---- parsing and composing -----------------------------------------------------------------------

void MFileName::SET(const wchar_t* text, bool isDirectory) {
  // Work on a copy: `text` may be one of this object's parts or its composition buffer.
  std::wstring source = text ? std::wstring(text) : std::wstring();
  ParsedPath parsed = ParsePath(source.c_str(), source.size(), isDirectory);

  MFileName fresh;  // built completely before this object changes, so a failed allocation is harmless
  const Span* spans[4] = {&parsed.drive, &parsed.dir, &parsed.file, &parsed.ext};
  wchar_t** slots[4] = {&fresh.m_drive, &fresh.m_dir, &fresh.m_file, &fresh.m_ext};
  for (int i = 0; i < 4; ++i) {
    if (spans[i]->end > spans[i]->begin) {
      _SET_PART(slots[i], source.c_str() + spans[i]->begin, spans[i]->end - spans[i]->begin);
    }
  }
  _TAKE_PARTS(fresh);
}

size_t MFileName::_COMPOSE_DRIVE_DIR(size_t pos) const {
  BoundedWriter out(m_path, PATH_CAPACITY, pos);
  if (NonEmpty(m_drive)) out.Put(m_drive);
  if (NonEmpty(m_dir)) {
    if (!m_relative_path_mode && m_dir[0] != L'\\') out.Put(L'\\');
    out.Put(m_dir);
    if (Present(m_file) && m_dir[std::wcslen(m_dir) - 1] != L'\\') out.Put(L'\\');
  }
  return out.pos();
}

size_t MFileName::_COMPOSE_FILE_EXT(size_t pos) const {
  BoundedWriter out(m_path, PATH_CAPACITY, pos);
  if (NonEmpty(m_file)) out.Put(m_file);
  if (NonEmpty(m_ext)) {
    if (m_ext[0] != L'.') out.Put(L'.');
    out.Put(m_ext);
  }
  return out.pos();
}

const wchar_t* MFileName::GET() const {
  size_t pos = _COMPOSE_FILE_EXT(_COMPOSE_DRIVE_DIR(0));
  m_path[pos] = 0;
  return m_path;
}

const wchar_t* MFileName::GET_DRIVE_DIR_PARTS(bool withSeparator) const {
  size_t pos = _COMPOSE_DRIVE_DIR(0);
  if (pos > 0) {
    bool ends_with_separator = m_path[pos - 1] == L'\\';
    if (withSeparator && !ends_with_separator && pos < PATH_CAPACITY) {
      m_path[pos++] = L'\\';
    } else if (!withSeparator && ends_with_separator) {
      --pos;
    }
  }
  m_path[pos] = 0;
  return m_path;
}

const wchar_t* MFileName::GET_FILE_EXT_PARTS() const {
  size_t pos = _COMPOSE_FILE_EXT(0);
  m_path[pos] = 0;
  return m_path;
}

const wchar_t* MFileName::GET_DRIVE_PART() const { return m_drive ? m_drive : kEmpty; }
const wchar_t* MFileName::GET_DIR_PART() const { return m_dir ? m_dir : kEmpty; }
const wchar_t* MFileName::GET_FILE_PART() const { return m_file ? m_file : kEmpty; }
const wchar_t* MFileName::GET_EXT_PART() const { return m_ext ? m_ext : kEmpty; }

bool MFileName::IS_EMPTY() const { return !m_drive && !m_dir && !m_file && !m_ext; }

wchar_t* MFileName::RESERVE() {
  m_path[PATH_CAPACITY] = 0;
  return m_path;
}

void MFileName::RELEASE(bool isDirectory) {
  m_path[PATH_CAPACITY] = 0;
  SET(m_path, isDirectory);
}

void MFileName::FREE() {
  ClearPart(&m_drive);
  ClearPart(&m_dir);
  ClearPart(&m_file);
  ClearPart(&m_ext);
}

void MFileName::COPY(const MFileName& other) {
  if (&other == this) return;
  MFileName fresh;
  _SET_PART(&fresh.m_drive, other.m_drive, Length(other.m_drive));
  _SET_PART(&fresh.m_dir, other.m_dir, Length(other.m_dir));
  _SET_PART(&fresh.m_file, other.m_file, Length(other.m_file));
  _SET_PART(&fresh.m_ext, other.m_ext, Length(other.m_ext));
  _TAKE_PARTS(fresh);
  m_relative_path_mode = other.m_relative_path_mode;
}

void MFileName::SET_RELATIVE_PATH_MODE(bool on) { m_relative_path_mode = on; }

bool MFileName::DO_TEST() {
  MFileName name(L"C:\\DirectoryName\\FileName.Extension");
  MFileName copy(name);
  copy.SET_EXT_PART(L"txt", 256);
  copy.SET_FILE_PART(L"Other", 256);
  MFileName relative = name.RELATIVE_PATH_TO(copy);
  relative.SET_RELATIVE_PATH_MODE(true);
  name += relative;
  (void)name.COMPARE(copy);
  (void)name.GET_DRIVE_DIR_PARTS(false);
  return true;
}

// ---- part setters --------------------------------------------------------------------------------


size_t MFileName::_COMPOSED_LENGTH() const {
  size_t length = 0;
  if (NonEmpty(m_drive)) length += std::wcslen(m_drive);
  if (NonEmpty(m_dir)) {
    const size_t dir = std::wcslen(m_dir);
    if (!m_relative_path_mode && m_dir[0] != L'\\') ++length;
    length += dir;
    if (Present(m_file) && m_dir[dir - 1] != L'\\') ++length;
  }
  if (NonEmpty(m_file)) length += std::wcslen(m_file);
  if (NonEmpty(m_ext)) length += std::wcslen(m_ext) + (m_ext[0] != L'.' ? 1 : 0);
  return length;
}

void MFileName::_REFUSE_IF_TOO_LONG() {
  if (t_setting_parts > 0 || _COMPOSED_LENGTH() <= PATH_CAPACITY) return;
  FREE();
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
}

void MFileName::SET_DRIVE_PART(const wchar_t* drive) {
  _SET_PART(&m_drive, drive, Length(drive));
  _REFUSE_IF_TOO_LONG();
}

void MFileName::SET_DIR_PART(const wchar_t* dir, size_t /*maxLength*/) {
  _SET_PART(&m_dir, dir, Length(dir));
  _REFUSE_IF_TOO_LONG();
}

void MFileName::SET_FILE_PART(const wchar_t* file, size_t maxLength) {
  if (!file) {
    ClearPart(&m_file);
    return;
  }
  std::wstring title(file, std::min(std::wcslen(file), maxLength));
  for (wchar_t& c : title) {
    if (IsReservedNameChar(c)) c = L' ';
  }
  _SET_PART(&m_file, title.c_str(), title.size());
  _REFUSE_IF_TOO_LONG();
}

void MFileName::SET_EXT_PART(const wchar_t* ext, size_t maxLength) {
  if (!ext) {
    ClearPart(&m_ext);
    return;
  }
  std::size_t k = std::min(std::wcslen(ext), maxLength);
  std::wstring stored;
  if (ext[0] != L'.') stored.push_back(L'.');
  stored.append(ext, k);
  for (std::size_t i = 1; i < stored.size(); ++i) {
    if (IsReservedNameChar(stored[i])) stored[i] = L' ';
  }
  _SET_PART(&m_ext, stored.c_str(), stored.size());
  _REFUSE_IF_TOO_LONG();
}

void MFileName::SET_FILE_EXT_PARTS(const wchar_t* fileAndExt, size_t maxFileLength,
                                   size_t maxExtLength) {
  if (!fileAndExt) {
    ClearPart(&m_file);
    ClearPart(&m_ext);
    return;
  }
  const wchar_t* dot = std::wcsrchr(fileAndExt, L'.');
  if (!dot) {
    SET_FILE_PART(fileAndExt, maxFileLength);
    return;
  }
  // Copy first: the text may be this object's own title or extension.
  std::wstring title(fileAndExt, static_cast<std::size_t>(dot - fileAndExt));
  std::wstring ext(dot);
  {
    SettingParts whole;
    SET_FILE_PART(title.c_str(), maxFileLength);
    SET_EXT_PART(ext.c_str(), maxExtLength);
  }
  _REFUSE_IF_TOO_LONG();
}

// ---- combining and comparing ---------------------------------------------------------------------

void MFileName::APPEND(const MFileName& other) {
  if (&other == this) {
    MFileName copy(other);
    APPEND(copy);
    return;
  }
  // Work out the joined directory before changing anything, so a refused join is all-or-nothing.
  bool replace_dir = false;
  std::wstring joined_dir;
  if (other.m_dir) {
    replace_dir = true;
    if (other.m_dir[0] == L'\\' || !m_dir) {
      joined_dir = other.m_dir;
    } else {
      std::wstring base = m_dir;
      if (base.empty() || base.back() != L'\\') base.push_back(L'\\');
      joined_dir = other.m_dir[0] ? ResolveRelativeDir(std::move(base), other.m_dir) : base;
    }
    if (joined_dir.size() > PATH_CAPACITY - 1) {  // refused: the name becomes empty
      FREE();
      return;
    }
  }
  {
    SettingParts whole;
    if (other.m_drive) SET_DRIVE_PART(other.m_drive);
    if (other.m_file) SET_FILE_PART(other.m_file, 256);
    if (other.m_ext) SET_EXT_PART(other.m_ext, 256);
    if (replace_dir) _SET_PART(&m_dir, joined_dir.c_str(), joined_dir.size());
  }
  _REFUSE_IF_TOO_LONG();
}

bool MFileName::_COMPARE_PARTS(const wchar_t* a, const wchar_t* b, unsigned short flags) const {
  if (!a || !b) return !a && !b;
  const bool case_sensitive = (flags & COMPARE_CASE_SENSITIVE) != 0;
  for (;; ++a, ++b) {
    if (!SameChar(*a, *b, case_sensitive)) return false;
    if (*a == 0) return true;
  }
}

bool MFileName::_COMPARE_DIR_PARTS(const wchar_t* a, const wchar_t* b, unsigned short flags) const {
  if (!a || !b) return !a && !b;
  const bool case_sensitive = (flags & COMPARE_CASE_SENSITIVE) != 0;
  std::size_t la = std::wcslen(a), lb = std::wcslen(b);
  if (la < lb) {
    std::swap(a, b);
    std::swap(la, lb);
  }
  if (la - lb > 1) return false;
  if (la - lb == 1 && a[la - 1] != L'\\') return false;
  return SameRange(a, b, lb, case_sensitive);
}

bool MFileName::COMPARE(const MFileName& other, unsigned short flags) const {
  if ((flags & COMPARE_DRIVE) && !_COMPARE_PARTS(m_drive, other.m_drive, flags)) return false;
  if ((flags & COMPARE_DIR) && !_COMPARE_DIR_PARTS(m_dir, other.m_dir, flags)) return false;
  if ((flags & COMPARE_FILE) && !_COMPARE_PARTS(m_file, other.m_file, flags)) return false;
  if ((flags & COMPARE_EXT) && !_COMPARE_PARTS(m_ext, other.m_ext, flags)) return false;
  return true;
}

MFileName MFileName::RELATIVE_PATH_TO(const MFileName& target) const {
  if (!m_drive || !target.m_drive || std::wcscmp(m_drive, target.m_drive) != 0) {
    return MFileName(target);
  }
  const wchar_t* a = GET_DIR_PART();
  const wchar_t* b = target.GET_DIR_PART();
  const std::size_t la = std::wcslen(a), lb = std::wcslen(b);

  // Follow both directories to where they part, then step back to the last directory boundary
  // both share, so that \A\B\ and \A\BC\ part after \A\ rather than inside a name.
  std::size_t i = 0;
  while (i < la && i < lb && a[i] == b[i]) ++i;
  std::size_t rest_a = i, rest_b = i;
  const bool a_name_ends = i == la || a[i] == L'\\';
  const bool b_name_ends = i == lb || b[i] == L'\\';
  if (i > 0 && a[i - 1] == L'\\') {
    // parted right after a shared backslash
  } else if (i > 0 && a_name_ends && b_name_ends) {
    // both at the end of the same name: skip the backslash that closes it
    if (rest_a < la) ++rest_a;
    if (rest_b < lb) ++rest_b;
  } else {
    while (i > 0 && a[i - 1] != L'\\') --i;
    rest_a = rest_b = i;
  }

  // One "..\" for each directory name left in this directory.
  std::wstring dir;
  std::size_t names = 0;
  for (std::size_t k = rest_a; k < la; ++k) {
    if (a[k] == L'\\') ++names;
  }
  if (rest_a < la && a[la - 1] != L'\\') ++names;  // a last name without its backslash
  for (std::size_t k = 0; k < names; ++k) dir += L"..\\";
  dir.append(b + rest_b, lb - rest_b);

  MFileName result;
  if (!dir.empty()) result.SET_DIR_PART(dir.c_str(), 260);
  result.SET_FILE_PART(target.GET_FILE_PART(), 256);
  result.SET_EXT_PART(target.m_ext ? target.m_ext : kEmpty, 256);
  return result;
}
