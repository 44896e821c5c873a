// Readers for the internal streams of a compiled help file, each taking the stream's bytes as
// untrusted input: every count and offset is checked against the bytes there, and whatever does
// not fit is left out, never read past.
//
//   "/#IVB"     the context-id map: a 4-byte little-endian byte count, then pairs of 4-byte
//               little-endian values (context id, offset of the topic's name in "/#STRINGS").
//   "/#STRINGS" NUL-terminated names addressed by offset.
//   "/#SYSTEM"  a 4-byte version, then records of a 2-byte code, a 2-byte length and the data;
//               code 2 holds the default topic.
//   text pop-up files (".txt" streams such as "Help.txt"): ".topic ID" lines, each followed by
//               the lines of its text; ID is decimal or 0x-hexadecimal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace chm {

struct ContextEntry {
  DWORD id;
  std::string topic;  // as stored (a path inside the file, with or without a leading slash)
};

// The map's entries in stored order; entries whose name offset lies outside the strings are
// dropped, and a byte count larger than the stream is cut to the stream.
std::vector<ContextEntry> ParseContextMap(const std::string& ivb, const std::string& strings);

// The default topic named in "/#SYSTEM", or empty.
std::string ParseDefaultTopic(const std::string& system);

struct TextPopup {
  DWORD id;
  std::wstring text;
};

// The pop-ups of a text pop-up file. Text is UTF-8 when the bytes are valid UTF-8 (a byte-order
// mark is dropped), else in the ANSI code page. Lines starting with ';' are comments; the lines of
// one pop-up are joined with "\n" and trimmed of blank lines at either end. Topics named by a
// symbol rather than a number are skipped.
std::vector<TextPopup> ParseTextPopups(const std::string& bytes);

// The names a page refers to by href or src that stay inside the help file, resolved against the
// folder of `page` ("/a/b.htm" + "../c.htm#x" gives "/c.htm"); each once, in order of appearance.
std::vector<std::string> LinkedNames(const std::string& page, const std::string& html);

// `text` with A-Z as a-z: object names of a help file compare without regard to ASCII case.
std::string LowerAscii(std::string text);

// `name` as an object name of the file: a leading '/', slashes for backslashes, "." and ".."
// resolved; empty when it climbs above the root.
std::string NormalizeName(const std::string& name);

}  // namespace chm
}  // namespace platform
}  // namespace zb
