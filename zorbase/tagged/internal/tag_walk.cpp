#include <zorbase/tagged/internal/tag_walk.h>

#include <cstring>
#include <vector>

#include <zorbase/files/MFile.h>

namespace zb {
namespace tagged {

bool CanHoldNestedRecords(const MTag& tag) {
  if (tag.m_major < 2 || tag.m_skip < MTag::kHeaderSize) return false;
  if (std::strncmp(tag.m_name, "DATA", 6) == 0) return false;
  if (std::strncmp(tag.m_name, "MUID", 6) == 0 && !(tag.m_major == 2 && tag.m_minor == 0)) {
    return false;
  }
  return true;
}

bool ReadSoundHeader(MFile& file, __int64 file_end, MTag* tag) {
  if (file_end - file.TELL() < MTag::kHeaderSize) return false;
  return tag->READ(file) && tag->m_skip >= 0 && tag->END() <= file_end;
}

__int64 MeasureFileEnd(MFile& file) {
  const __int64 position = file.TELL();
  if (!file.SEEK(0, 2)) return -1;
  const __int64 end = file.TELL();
  file.SEEK(position, 0);
  return end;
}

bool WalkTagTree(MFile& file, __int64 start, __int64 end, DescendRule rule,
                 unsigned char head_major,
                 const std::function<void(const MTag& tag, int depth)>& visit,
                 const std::function<void(const TagDamage& damage)>& damage) {
  if (!file.IS_OPEN()) return false;
  const __int64 file_end = MeasureFileEnd(file);
  if (file_end < 0) return false;
  const __int64 top_end = (end < 0 || end > file_end) ? file_end : end;
  auto report = [&](__int64 position, int depth, const char* what) {
    if (damage) damage(TagDamage{position, depth, what});
  };
  // The data ends of the records being walked into, outermost first.
  std::vector<__int64> level_ends{top_end};
  __int64 position = start < 0 ? 0 : start;
  while (!level_ends.empty()) {
    const int depth = static_cast<int>(level_ends.size()) - 1;
    const __int64 level_end = level_ends.back();
    if (position >= level_end) {
      // A record's data is done: continue after it in its parent.
      position = level_end;
      level_ends.pop_back();
      continue;
    }
    const __int64 room_end = depth == 0 ? file_end : level_end;
    if (room_end - position < MTag::kHeaderSize) {
      report(position, depth, "bytes too few for a record header");
      position = level_end;
      continue;
    }
    MTag tag;
    if (!file.SEEK(position, 0) || !tag.READ(file)) {
      report(position, depth, "record header cannot be read");
      position = level_end;
      continue;
    }
    if (tag.m_skip < 0) {
      report(position, depth, "negative record length");
      position = level_end;
      continue;
    }
    if (tag.END() > file_end) {
      report(position, depth, "record runs past the end of the file");
      position = level_end;
      continue;
    }
    // At the top the range only says where to stop; a nested record must fit in its parent.
    if (depth > 0 && tag.END() > level_end) {
      report(position, depth, "record runs past the end of its parent record");
      position = level_end;
      continue;
    }
    if (visit) visit(tag, depth);
    position = tag.END();
    bool descend = false;
    if (rule == DescendRule::kAllButPayloads) {
      descend = std::strncmp(tag.m_name, "DATA", 6) != 0 &&
                std::strncmp(tag.m_name, "MUID", 6) != 0 && tag.m_skip > 0;
    } else {
      descend = head_major >= 2 && CanHoldNestedRecords(tag);
    }
    if (descend) {
      level_ends.push_back(tag.END());
      position = tag.m_data_pos;
    }
  }
  return true;
}

}  // namespace tagged
}  // namespace zb
