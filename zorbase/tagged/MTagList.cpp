#include <zorbase/tagged/MTagList.h>

#include <cstring>
#include <limits>
#include <string>

#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/file_details.h>
#include <zorbase/tagged/internal/durable.h>
#include <zorbase/tagged/internal/tag_walk.h>

namespace {

constexpr size_t kToTheEnd = std::numeric_limits<size_t>::max();

bool IsNamed(const MTag& tag, const char* name) { return std::strncmp(tag.m_name, name, 6) == 0; }

}  // namespace

MTagList::MTagList() : m_head("ZORCOM") {}

MTagList::~MTagList() { _CLEAR(); }

void MTagList::_CLEAR() {
  for (MTag* tag : m_tags) delete tag;
  m_tags.clear();
}

size_t MTagList::_INDEX_OF(const MTag* tag) const {
  for (size_t i = 0; i < m_tags.size(); ++i) {
    if (m_tags[i] == tag) return i;
  }
  return m_tags.size();
}

bool MTagList::BUILD_TAG_LIST(MFile& file) {
  _CLEAR();
  if (!file.IS_OPEN()) return false;
  const __int64 position = file.TELL();
  MTag head;
  bool found = file.SEEK(0, 0) && head.READ(file) && IsNamed(head, "ZORCOM");
  if (found) {
    m_head = head;
    BUILD_TAG_LIST(file, kToTheEnd);
  }
  file.SEEK(position, 0);
  return found;
}

bool MTagList::BUILD_TAG_LIST(MFile& file, size_t length) {
  _CLEAR();
  if (!file.IS_OPEN()) return false;
  const __int64 file_end = zb::tagged::MeasureFileEnd(file);
  const bool bounded = length != kToTheEnd;
  std::uint64_t consumed = 0;
  for (;;) {
    MTag tag;
    if (!zb::tagged::ReadSoundHeader(file, file_end, &tag)) break;
    const std::uint64_t record = MTag::kHeaderSize + static_cast<std::uint64_t>(tag.m_skip);
    if (bounded && consumed + record > length) break;
    consumed += record;
    if (IsNamed(tag, "ZORCOM")) {
      m_head = tag;
    } else {
      m_tags.push_back(new MTag(tag));
    }
    if (bounded && consumed >= length) break;
    if (!file.SEEK(tag.m_skip, 1)) break;
  }
  return true;
}

bool MTagList::BUILD_TAG_LIST(MFile& file, MTag& parent, bool seek) {
  if (!file.IS_OPEN() || !zb::tagged::CanHoldNestedRecords(parent)) {
    _CLEAR();
    return false;
  }
  if (seek && !file.SEEK(parent.m_data_pos, 0)) {
    _CLEAR();
    return false;
  }
  return BUILD_TAG_LIST(file, static_cast<size_t>(parent.m_skip));
}

bool MTagList::BUILD_TAG_TREE(MFile& file, __int64 start, __int64 end) {
  _CLEAR();
  return zb::tagged::WalkTagTree(
      file, start, end, zb::tagged::DescendRule::kAllButPayloads, m_head.m_major,
      [this](const MTag& tag, int) {
        if (IsNamed(tag, "ZORCOM")) {
          m_head = tag;
        } else {
          m_tags.push_back(new MTag(tag));
        }
      },
      nullptr);
}

MTag* MTagList::NEXT_TAG(MFile& file, MTag* current, bool seek) {
  size_t index = 0;
  if (current != nullptr) {
    index = _INDEX_OF(current);
    if (index == m_tags.size()) return nullptr;
    ++index;
  }
  if (index >= m_tags.size()) return nullptr;
  MTag* tag = m_tags[index];
  if (seek) file.SEEK(tag->m_data_pos, 0);
  return tag;
}

MTag* MTagList::FIND_TAG_EX(MFile& file, MTag* after, MTag& pattern, unsigned long compare_mode,
                            unsigned long search_mode, bool seek) {
  if (m_tags.empty() || pattern.m_name[0] == 0) return nullptr;
  if (search_mode > 1) return nullptr;
  size_t index = 0;
  if (after != nullptr) {
    index = _INDEX_OF(after);
    index = index == m_tags.size() ? 0 : index + 1;
  }
  for (; index < m_tags.size(); ++index) {
    MTag* tag = m_tags[index];
    if (!IsNamed(*tag, pattern.m_name)) continue;
    if (compare_mode == 1 && !(pattern.m_major >= tag->m_major)) continue;
    if (compare_mode == 2 && pattern.m_major != tag->m_major) continue;
    if (search_mode == 1 && tag->m_written) continue;
    pattern = *tag;
    if (seek) file.SEEK(tag->m_data_pos, 0);
    return tag;
  }
  return nullptr;
}

MTag* MTagList::FIND_TAG(MFile& file, MTag* after, MTag& pattern, unsigned long search_mode,
                         bool seek) {
  return FIND_TAG_EX(file, after, pattern, 2, search_mode, seek);
}

bool MTagList::REMOVE_TAGS(MTag& pattern, unsigned long mode) {
  bool removed = false;
  for (size_t i = 0; i < m_tags.size();) {
    MTag* tag = m_tags[i];
    if (*tag == pattern && !(mode == 1 && tag->m_written)) {
      delete tag;
      m_tags.erase(m_tags.begin() + static_cast<std::ptrdiff_t>(i));
      removed = true;
    } else {
      ++i;
    }
  }
  return removed;
}

bool MTagList::WRITE_TAG_BEGIN(MFile& file, MTag& tag) {
  MTag* entry = nullptr;
  for (MTag* candidate : m_tags) {
    if (*candidate == tag && !candidate->m_written) {
      entry = candidate;
      break;
    }
  }
  if (entry == nullptr) {
    entry = new MTag(tag.m_name);
    m_tags.push_back(entry);
  }
  entry->m_major = tag.m_major;
  entry->m_minor = tag.m_minor;
  entry->m_skip = 0;
  const bool written = entry->WRITE(file);
  tag = *entry;
  return written;
}

bool MTagList::WRITE_TAG_END(MFile& file, MTag& tag) { return tag.UPDATE_SKIP(file); }

bool MTagList::CONVERT(MFileName& given, unsigned char major, unsigned char minor) {
  using namespace zb::tagged;
  // A symbolic link stays a link: the file it denotes is converted, beside which the temporary
  // file lies.
  MFileName name(given);
  std::wstring final_path;
  if (zb::platform::GetFinalPathW(given.GET(), &final_path) &&
      final_path != std::wstring(given.GET())) {
    name = MFileName(final_path.c_str());
    if (name.IS_EMPTY()) return false;
  }
  if (major == 0 && minor == 0) {
    major = MTag::m_file_vmajor;
    minor = MTag::m_file_vminor;
  }
  _CLEAR();
  {
    MFile in;
    if (!in.OPEN_READ(name)) return false;
    if (!BUILD_TAG_LIST(in)) return false;
    if (m_head.m_major == major) return true;
    if (major < m_head.m_major) return false;
    // Every byte of the file must belong to a listed record: the original is deleted at the end,
    // so a damaged file would lose whatever lies beyond the damage.
    __int64 expected = MTag::kHeaderSize;
    for (const MTag* tag : m_tags) {
      if (tag->m_tag_pos != expected) return false;
      expected = tag->END();
    }
    if (m_head.m_tag_pos != 0 || expected != MeasureFileEnd(in)) return false;
  }
  // A free name "~zortagN.tmp" in the file's own directory.
  std::wstring dir = name.GET_DRIVE_DIR_PARTS(true);
  if (dir.empty()) dir = L".\\";
  MFileName temp;
  temp.SET_TEMP_NAME(dir.c_str(), L"~zortag", L".tmp", 65535, 0);
  if (!RenameFile(name.GET(), temp.GET())) return false;

  bool ok = true;
  {
    MFile in;
    MFile out;
    // The converted file keeps the original's permissions and, where the process may, its owner.
    ok = in.OPEN_READ(temp) && out.OPEN_WRITE(name) &&
         zb::platform::CopyFileOwnershipW(temp.GET(), name.GET());
    if (ok) {
      MTag head("ZORCOM", major, minor);
      ok = head.WRITE(out) && head.UPDATE_SKIP(out);
    }
    for (size_t i = 0; ok && i < m_tags.size(); ++i) {
      const MTag& old = *m_tags[i];
      MTag record(old);
      record.m_major = major;
      record.m_minor = minor;
      record.m_skip = 0;
      MTag data("DATA", major, minor);
      ok = record.WRITE(out) && data.WRITE(out) && in.SEEK(old.m_data_pos, 0) &&
           out.COPY(in, old.m_skip) == old.m_skip && data.UPDATE_SKIP(out) &&
           record.UPDATE_SKIP(out);
    }
    if (ok) ok = out.FLUSH() && out.GET_RESULT() == 0;
    if (out.IS_OPEN()) ok = out.CLOSE() && ok && out.GET_RESULT() == 0;
  }
  if (ok) ok = SyncFile(name.GET()) && SyncDirectoryOf(name.GET());
  if (!ok) {
    // Put the original back under its own name.
    ReplaceFileWith(temp.GET(), name.GET());
    return false;
  }
  RemoveFile(temp.GET());
  return true;
}
