// The text of a private-profile (INI) file as the private-profile calls see and edit it. A file is
// a UTF-16LE file when it starts with the byte-order mark FF FE, else 8-bit text in the ANSI code
// page. It is kept as lines, each with its own bytes, so that an edit rewrites only the lines it
// changes: everything else (bytes before the first section, NULs, odd line ends, text the code
// page cannot represent) goes back to the file byte for byte.
//
// Lines: a line whose text (trimmed of spaces and tabs) begins with '[' is a section header, the
// name running to the first ']' (or the end), trimmed; a line beginning with ';' is a comment; a
// line holding '=' is an entry, its key before the first '=' and its value after it, both trimmed;
// any other non-empty line is an entry without '=' (a key with an empty value). Sections and keys
// are compared without regard to case (Windows' simple upper-case mapping).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace profile {

class ProfileDocument {
 public:
  // Parses the bytes of a file (an empty string: an empty, 8-bit file).
  static ProfileDocument Parse(const std::string& bytes);

  // The file's bytes: unchanged lines as read, changed and new lines in the file's encoding with
  // CR LF line ends.
  std::string Serialize() const;

  bool unicode() const { return unicode_; }

  // Names of the sections in file order (a name repeated later in the file is listed once).
  std::vector<std::wstring> SectionNames() const;
  // Keys of the first section named `section`, in file order (comments left out); false when the
  // section is missing.
  bool KeyNames(const std::wstring& section, std::vector<std::wstring>* keys) const;
  // The value of `key` in the first section named `section` (the first such key), with one pair
  // of matching surrounding quotes (' or ") removed; false when missing.
  bool Value(const std::wstring& section, const std::wstring& key, std::wstring* value) const;
  // Every non-empty line of the section (comments included) as "key=value" with key and value
  // trimmed, other lines trimmed; false when the section is missing.
  bool SectionLines(const std::wstring& section, std::vector<std::wstring>* lines) const;

  // Edits. SetValue stores `value` under `key`, making the section (at the end of the file) and
  // the key (after the section's last non-empty line) when missing. RemoveKey deletes the key's
  // line, RemoveSection the header and every line up to the next section. ReplaceSection makes
  // the section hold exactly `lines` (each written as given). Each returns true when the text
  // changed.
  bool SetValue(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  bool RemoveKey(const std::wstring& section, const std::wstring& key);
  bool RemoveSection(const std::wstring& section);
  bool ReplaceSection(const std::wstring& section, const std::vector<std::wstring>& lines);

 private:
  enum class Kind { kBlank, kSection, kComment, kEntry };
  struct Line {
    std::string raw;    // bytes of the line with its line end; empty for a new line
    std::wstring text;  // decoded text without the line end
    Kind kind = Kind::kBlank;
    std::wstring name;   // section name or key
    std::wstring value;  // entry value as written, trimmed
  };

  static Line Classify(std::wstring text);
  Line NewLine(const std::wstring& text) const;
  // Index of the header of the first section named `section`, or npos.
  std::size_t FindSection(const std::wstring& section) const;
  // One past the last line of the section whose header is at `header`.
  std::size_t SectionEnd(std::size_t header) const;
  std::size_t FindKey(std::size_t header, const std::wstring& key) const;
  // Makes sure the file's last line ends with a line end before lines are appended.
  void TerminateLastLine();

  bool unicode_ = false;
  std::string bom_;  // the byte-order mark of a UTF-16 file, kept whatever happens to the lines
  std::vector<Line> lines_;
};

// Windows' simple case-insensitive equality of section and key names.
bool NamesEqual(const std::wstring& a, const std::wstring& b);

}  // namespace profile
}  // namespace platform
}  // namespace zb
