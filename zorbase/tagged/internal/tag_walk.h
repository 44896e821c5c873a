// Bounded walks over the record headers of a tagged file, shared by the tag list, the command-line
// tool and the fuzz target. Every walk reads headers only, never recurses on the call stack and
// always ends: positions only move forward (each header is at least 12 bytes), and a header that
// cannot be read, has a negative length or runs past the file's end or its parent's data ends the
// level it was found on. Each such stop is reported as damage with its position.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <zorbase/platform/win_types.h>
#include <zorbase/tagged/MTag.h>

class MFile;

namespace zb {
namespace tagged {

// Where and why a walk stopped early at some level.
struct TagDamage {
  __int64 position = -1;  // file position of the offending header (or of the trailing bytes)
  int depth = 0;          // nesting level: 0 for top-level records
  std::string what;       // a short English description
};

// Which records a tree walk descends into.
enum class DescendRule {
  // Every record except "DATA" and "MUID" (the tag list's tree builder).
  kAllButPayloads,
  // Records that can hold nested records in the file's format: version 2 or later, at least 12
  // bytes of data, not "DATA", and not "MUID" unless the record is of version 2.0. In a file whose
  // head is of version 1, records hold plain payloads and are not entered.
  kFormat,
};

// Whether `tag` may hold nested records by the rule of MTagList::BUILD_TAG_LIST(file, parent).
bool CanHoldNestedRecords(const MTag& tag);

// Walks the records between `start` and `end` (-1: the end of the file), descending into nested
// records by `rule`. `visit` is called for each record in file order with its nesting depth;
// `damage` (may be empty) for each place where a level had to be cut short. The file position
// afterwards is unspecified. Returns false when the file is not open.
bool WalkTagTree(MFile& file, __int64 start, __int64 end, DescendRule rule,
                 unsigned char head_major,
                 const std::function<void(const MTag& tag, int depth)>& visit,
                 const std::function<void(const TagDamage& damage)>& damage);

// Reads the header at the file's position into `tag`; true when it is whole, its length is not
// negative (which would lead back to earlier headers) and its data ends at or before `file_end`
// (a record past the end is truncated). Readers of a chain stop at the first false.
bool ReadSoundHeader(MFile& file, __int64 file_end, MTag* tag);

// The size of the file including bytes still waiting in its buffer; restores the position.
// -1 when it cannot be measured.
__int64 MeasureFileEnd(MFile& file);

}  // namespace tagged
}  // namespace zb
