// MTagList: an index of the tagged records of a file (or of one record's data). It reads the
// headers, keeps them in file order with their positions, finds, walks and edits the entries, and
// converts a whole file from the first format version to the current one. The entries describe
// the file; editing the list never changes the file.
#pragma once

#include <cstddef>
#include <vector>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>
#include <zorbase/tagged/MTag.h>

class MFile;
class MFileName;

class ZORBASE_API MTagList {
 public:
  // The head "ZORCOM" with the current version and no entries.
  MTagList();
  // Frees the entries.
  ~MTagList();
  MTagList(const MTagList&) = delete;
  MTagList& operator=(const MTagList&) = delete;

  // Reads the head at offset 0 and, when it is named "ZORCOM", lists every record after it. The
  // file position is restored. True when the head was found.
  bool BUILD_TAG_LIST(MFile& file);
  // Lists the records from the file's position for `length` bytes (all ones: to the end). A
  // header named "ZORCOM" replaces the head; the listing ends at a header that cannot be read,
  // has a negative length, or whose data runs past the end of the file or of `length`. False when
  // the file is not open.
  bool BUILD_TAG_LIST(MFile& file, size_t length);
  // Lists the records nested in `parent`'s data (seeking to its data first when `seek` is set).
  // False when `parent` is older than version 2, is a "DATA" record, is a "MUID" record of a
  // version other than 2.0, has less than 12 bytes of data, or the file is not open.
  bool BUILD_TAG_LIST(MFile& file, MTag& parent, bool seek);
  // Lists every record between `start` and `end` (all ones: the end of the file), descending into
  // the data of every record not named "DATA" or "MUID". Damaged or crafted headers (negative or
  // overlong lengths, records past the end) end the level they are found on; the walk needs no
  // call stack per level, so any nesting depth is safe. False when the file is not open.
  bool BUILD_TAG_TREE(MFile& file, __int64 start, __int64 end);

  // The entry after `current` (the first entry when `current` is null); null at the end or when
  // `current` is not an entry. With `seek` the file is positioned at the entry's data.
  MTag* NEXT_TAG(MFile& file, MTag* current, bool seek);
  // Searches from the entry after `after` (the first when `after` is null or not an entry) for an
  // entry with `pattern`'s name whose major passes `compare_mode` (0: any; 1: pattern's major >=
  // the entry's; 2: equal). `search_mode` 1 passes over entries whose written flag is set; modes
  // other than 0 and 1 find nothing. On a match the entry is copied into `pattern`, the file is
  // positioned at its data when `seek` is set, and the entry is returned; otherwise null.
  MTag* FIND_TAG_EX(MFile& file, MTag* after, MTag& pattern, unsigned long compare_mode,
                    unsigned long search_mode, bool seek);
  // FIND_TAG_EX with compare mode 2.
  MTag* FIND_TAG(MFile& file, MTag* after, MTag& pattern, unsigned long search_mode, bool seek);
  // Removes the entries with `pattern`'s name and major (mode 1: only those not written). The
  // file is not changed. True when any was removed. Pointers to removed entries become invalid.
  bool REMOVE_TAGS(MTag& pattern, unsigned long mode);

  // Starts a record at the file position: reuses the first entry with the tag's name and major
  // that is not yet written, else appends one; the entry takes the tag's version, its skip
  // becomes 0, its header is written, and it is copied back into `tag`. False when the header
  // cannot be written.
  bool WRITE_TAG_BEGIN(MFile& file, MTag& tag);
  // Completes the record: `tag.UPDATE_SKIP(file)`.
  bool WRITE_TAG_END(MFile& file, MTag& tag);

  // Converts the file to version major.minor (0.0: the current version). A file of the requested
  // major is left alone (true); lowering the major is refused (false). Otherwise the file is moved
  // to a temporary name "~zortagN.tmp" beside it, a new file with a head of the new version is
  // written under its own name, and each record's payload is wrapped in a "DATA" record inside a
  // record of the same name and the new version. The new file is flushed to disk before the
  // temporary file is deleted. A file whose records do not fill it exactly (damaged) is refused
  // unchanged; any failure on the way restores the original file under its own name. False on
  // failure.
  bool CONVERT(MFileName& file, unsigned char major, unsigned char minor);

  // The number of entries and the head.
  size_t SIZE() const { return m_tags.size(); }
  MTag& GET_HEAD_TAG() { return m_head; }
  // The entry at `index` (0 to SIZE() - 1).
  MTag* GET_TAG(size_t index) { return index < m_tags.size() ? m_tags[index] : nullptr; }

 protected:
  void _CLEAR();
  // The index of `tag` among the entries (by address), or SIZE() when it is not one.
  size_t _INDEX_OF(const MTag* tag) const;

  MTag m_head;
  std::vector<MTag*> m_tags;  // owned
};
