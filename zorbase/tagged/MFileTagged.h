// MFileTagged: a binary file made of tagged records in which writing replaces only the records the
// program writes. Opening an existing file for writing sets its old content aside as NAME.bak; the
// program writes the records it has new data for; closing copies every old record that was not
// rewritten over from the backup and then deletes the backup. Reading walks a chain of the file's
// top-level records, searched by name and major version.
//
// The old document is never lost: until the new file, with every carried-over record copied in
// full, has been flushed to the device (file and directory), the old content stays under its own
// name or as the ".bak" file, whatever fails or wherever the process stops. A successful rewrite
// always deletes its ".bak", so a ".bak" of its own (marked as the backup of this document, see
// _OPEN) found beside the document means the last rewrite did not finish and is the last complete
// document: the next open for writing or updating moves it back over the name (discarding the
// unfinished file) before it proceeds. Another program's NAME.bak is never moved over a document. An open for reading changes
// no file: it reads whatever stands under the name, the unfinished file included.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/export.h>
#include <zorbase/tagged/MTag.h>

class ZORBASE_API MFileTagged : public MFile {
 public:
  // A closed file with the default buffer of 262144 bytes, an empty chain and no backup name.
  MFileTagged();
  // Closes the file (CLOSE) and frees the chain.
  ~MFileTagged() override;
  MFileTagged(const MFileTagged&) = delete;
  MFileTagged& operator=(const MFileTagged&) = delete;

  // For a file opened for writing over an existing one: appends every record of the old file that
  // was neither rewritten nor removed (in the old order), flushes the file and its directory to
  // the device and deletes the backup. When anything falls short the backup stays, the result
  // code records the failure (29 for a write fault, otherwise the system error), the file access
  // reporter is told, and the answer is false. Then closes the file as MFile::CLOSE does.
  // After a failed CLOSE the file under the document's name may be incomplete and the whole old
  // document is the ".bak" file; the next open for writing or updating restores it, so a host
  // simply retries. A backup that cannot be deleted at the end also fails the CLOSE (the next
  // open would restore it, undoing the rewrite).
  bool CLOSE() override;

  // Modes 1 (read), 2 (write) and 3 (update); other modes are false. Writing and updating work on
  // the file a symbolic link denotes (the link stays). Modes 2 and 3 first restore the backup of an
  // unfinished earlier rewrite of this document: a NAME.bak that carries the mark the rewrite gave
  // it (naming this document and its size) and is a whole tagged document is moved over NAME
  // (whether or not NAME exists), and the open fails with the system error when that move fails;
  // any other NAME.bak is left alone. Modes 1 and 3 then open as MFile and build the chain from
  // position 0; mode 1 changes no file. Mode 2 refuses a document whose backup name is its own
  // (extension ".bak": ERROR_INVALID_NAME) or does not fit a path (ERROR_FILENAME_EXCED_RANGE)
  // and a read-only document (5), all before anything is renamed; builds the chain from the
  // existing file, marks it as this rewrite's backup, renames it to the backup name (deleting
  // whatever stood there), creates the name with the old file's permissions and, where the process
  // may, its owner and group, and writes the head "ZORCOM" of the current version. A failure after
  // the rename moves the backup back. An existing file that cannot be read is left alone and the
  // open fails.
  bool _OPEN(const MFileName& name, unsigned short mode) override;

  // MTag::READ at the file position.
  bool READ_TAG(MTag& tag);
  // Starts a record at the file position: reuses the first chain record with the tag's name and
  // major that is not yet written (a record of the old file), else appends a copy of `tag` to the
  // chain; that record takes the tag's version, skip 0, is written here and copied back into
  // `tag`. False when the header cannot be written.
  bool WRITE_TAG_BEGIN(MTag& tag) {
    // A record new to a document being written, with the header and its note in the buffer.
    if (m_unwritten.empty() && _IS_EXACT(*this) && m_put != nullptr &&
        m_put_end - m_put >= MTag::kHeaderSize) {
      tag.m_skip = 0;
      tag.m_next = nullptr;
      _FAST_WRITE_HEADER(tag);
      if (!_FAST_NOTE_PENDING(tag)) _NOTE_PENDING(tag.m_tag_pos, tag);
      return true;
    }
    return _WRITE_TAG_BEGIN_GENERAL(tag);
  }
  // Completes the record begun with the same `tag`: its skip becomes the data written since, the
  // header is written again and the file is left at the record's end. False when a seek or write
  // fails or the data exceeds the 32-bit length.
  bool WRITE_TAG_END(MTag& tag) {
    if (_IS_EXACT(*this) && _FAST_END_RECORD(tag)) {
      tag.m_written = 1;
      tag.m_closed = 0;
      return true;
    }
    return _WRITE_TAG_END_GENERAL(tag);
  }
  // The chain's first record when `current` is null, else `current`'s next; null at the end. With
  // `seek` the file is positioned at the record's data.
  MTag* NEXT_TAG(MTag* current, bool seek);
  // Searches the chain after `after` (from the start when null) for a record with `pattern`'s name
  // and major: mode 0 any, mode 1 only one not yet written, other modes none. On a match the
  // record (its next link included) is copied into `pattern`, the file is positioned at its data
  // when `seek` is set, and the record is returned; otherwise null.
  MTag* FIND_TAG(MTag* after, MTag& pattern, unsigned long mode, bool seek);
  // Removes every chain record with `pattern`'s name and major, written or not (`mode` changes
  // nothing); a removed record is not copied over at close. True when any was removed. Pointers to removed
  // records, and copies whose next link names one, become invalid.
  bool REMOVE_TAGS(MTag& pattern, unsigned long mode);

  // The first record of the chain (null when empty) and the backup name (empty unless open for
  // writing over an existing file).
  MTag* GET_CHAIN();
  const MFileName& GET_BACKUP_NAME() const { return m_backup_name; }

 protected:

  // Builds the chain from `file`'s position.
  void _BUILD_CHAIN(MFile& file);
  void _FREE_CHAIN();
  // Copies the records not written from the backup; false when any step falls short.
  bool _CARRY_OVER();
  // A new chain record copied from `from` (next link cleared), from the chain's own storage.
  MTag* _NEW_RECORD(const MTag& from);
  // Appends `record` (from _NEW_RECORD) at the end of the chain.
  void _APPEND_TO_CHAIN(MTag* record);
  // Rebuilds the tail pointer and the index of records not yet written.
  void _REINDEX_CHAIN();
  // Appends the records written anew since the last call (kept compact until then, see
  // m_pending_blocks) to the chain. Everything that reads the chain calls it first; a derived
  // class reads the chain through GET_CHAIN, NEXT_TAG or FIND_TAG rather than m_chain.
  void _COMPLETE_CHAIN();
  // Puts `n` bytes at file position `position` straight into the write buffer when they lie within
  // the bytes it holds, so completing a small record costs no seek and no write to the file.
  // False (nothing changed) when they do not.
  bool _PATCH_BUFFERED(__int64 position, const void* bytes, size_t n);

  // WRITE_TAG_BEGIN and WRITE_TAG_END for every case the inline fast lane does not take.
  bool _WRITE_TAG_BEGIN_GENERAL(MTag& tag);
  bool _WRITE_TAG_END_GENERAL(MTag& tag);

  // The fast lane of the record paths, taken only when the object is exactly an MFileTagged (so
  // no derived class overrides the transfers) and MFile's write fast path is open (write mode, no
  // byte-order conversion, see MFile::_ARM): it works on the write buffer just as MFile's inline
  // _WRITE does. Each answers false, changing nothing, when it cannot, and the caller then takes
  // the general path.
  //
  // The write position, as TELL gives it.
  bool _FAST_TELL(__int64* position) const {
    if (m_put == nullptr) return false;
    *position = m_buffer_offset + static_cast<__int64>(m_put - m_buffer);
    return true;
  }
  // MTag::WRITE of `tag` at the write position (positions and flags set as it sets them).
  bool _FAST_WRITE_HEADER(MTag& tag) {
    if (m_put == nullptr || m_put_end - m_put < MTag::kHeaderSize) return false;
    const __int64 position = m_buffer_offset + static_cast<__int64>(m_put - m_buffer);
    tag.m_tag_pos = position;
    tag.m_data_pos = position + MTag::kHeaderSize;
    tag.m_written = 1;
    tag.m_closed = 0;
    const std::int32_t skip = static_cast<std::int32_t>(static_cast<std::uint32_t>(tag.m_skip));
    std::memcpy(m_put, tag.m_name, 6);
    m_put[6] = tag.m_major;
    m_put[7] = tag.m_minor;
    std::memcpy(m_put + 8, &skip, 4);
    m_put += MTag::kHeaderSize;
    _OPEN_RECORD(position);
    return true;
  }
  // MTag::UPDATE_SKIP of `tag` when its header still lies in the bytes written into the buffer.
  bool _FAST_UPDATE_SKIP(MTag& tag) {
    if (m_put == nullptr) return false;
    const __int64 written_end = m_buffer_offset + static_cast<__int64>(m_put - m_buffer);
    const __int64 skip = written_end - tag.m_data_pos;
    if (tag.m_tag_pos < m_buffer_offset || tag.m_data_pos < 0 || skip < 0 ||
        skip > 0x7FFFFFFF || tag.m_tag_pos + MTag::kHeaderSize > written_end) {
      return false;
    }
    tag.m_skip = skip;
    const std::int32_t value = static_cast<std::int32_t>(skip);
    std::memcpy(m_buffer + (tag.m_tag_pos - m_buffer_offset) + 8, &value, 4);
    tag.m_closed = 1;
    _CLOSE_RECORD(tag.m_tag_pos);
    return true;
  }
  // WRITE_TAG_END's skip and header rewrite when the header still lies in the bytes written into
  // the buffer (the caller sets the flags).
  bool _FAST_END_RECORD(MTag& tag) {
    if (m_put == nullptr) return false;
    const __int64 written_end = m_buffer_offset + static_cast<__int64>(m_put - m_buffer);
    const __int64 skip = written_end - tag.m_data_pos;
    if (tag.m_data_pos < 0 || skip < 0 || skip > 0x7FFFFFFF) return false;
    if (!_FAST_PATCH_HEADER(tag, static_cast<std::int32_t>(skip))) return false;
    tag.m_skip = skip;
    _CLOSE_RECORD(tag.m_tag_pos);
    return true;
  }
  // Writes `tag`'s header with `skip` at its tag position when those bytes lie in the bytes written
  // into the buffer. Stored field by field straight into the buffer: a header assembled elsewhere
  // and copied in would be read back before its byte stores have landed, which stalls.
  bool _FAST_PATCH_HEADER(const MTag& tag, std::int32_t skip) {
    const __int64 position = tag.m_tag_pos;
    if (m_put == nullptr || position < m_buffer_offset ||
        position + MTag::kHeaderSize > m_buffer_offset + static_cast<__int64>(m_put - m_buffer)) {
      return false;
    }
    unsigned char* header = m_buffer + (position - m_buffer_offset);
    std::memcpy(header, tag.m_name, 6);
    header[6] = tag.m_major;
    header[7] = tag.m_minor;
    std::memcpy(header + 8, &skip, 4);
    return true;
  }
  // A header written at `position` (the outermost record still open is the one a full buffer
  // keeps for the next, see MFile::m_keep_from), and the completion of the record there.
  void _OPEN_RECORD(__int64 position) {
    if (m_keep_from < 0) m_keep_from = position;
  }
  void _CLOSE_RECORD(__int64 position) {
    if (position == m_keep_from) m_keep_from = -1;
  }
  // Whether `file` is exactly an MFileTagged, so that the fast lane may be used on it.
  // The type descriptions' addresses are compared first: one load less on the path every record
  // takes; the full comparison decides when they differ.
  static bool _IS_EXACT(const MFile& file) {
    const std::type_info& type = typeid(file);
    return &type == &typeid(MFileTagged) || type == typeid(MFileTagged);
  }

  friend class MTag;  // MTag's WRITE and UPDATE_SKIP use the fast lane and _PATCH_BUFFERED

  MTag* m_chain;             // owned, linked through m_next
  MFileName m_backup_name;
  MTag* m_chain_tail;        // the chain's last record, null when it is empty
  // Records not yet written, by name and major version, in chain order: WRITE_TAG_BEGIN takes the
  // first of its key without walking the chain.
  std::unordered_map<std::string, std::deque<MTag*>> m_unwritten;
  // Storage of the chain records, in blocks, freed with the chain: a document of a million small
  // records costs no allocation per record.
  std::vector<std::unique_ptr<MTag[]>> m_record_blocks;
  size_t m_block_used;
  // The records written anew (not reused records of the old file) since the chain was last
  // completed, in order; they belong at its end, each as a chain record with the written flag set,
  // skip 0 and data position tag position + 12. Kept compact while a large document is written
  // (most writers never walk the chain they build): runs of records of one name and version. A
  // regular run (records of one size, the common case) is its first position, its count and the
  // distance between its records, nothing per record; an irregular one keeps each record's
  // distance from the previous one, 4 bytes a record.
  struct PendingRun {
    __int64 first_pos;      // position of the run's first record
    size_t count;           // records in the run
    std::uint32_t stride;   // regular: the distance between its records (0 while it has one)
    bool regular;
    size_t first_distance;  // irregular: index of its second record's distance in the store
    char name[6];
    unsigned char major;
    unsigned char minor;
  };
  // Notes a record written anew at `position` as the tag `tag` names it.
  void _NOTE_PENDING(__int64 position, const MTag& tag);
  // The same for the common case, inline: `tag` (at its tag position) continues the last run, a
  // regular one, at its distance. False, changing nothing, otherwise.
  bool _FAST_NOTE_PENDING(const MTag& tag) {
    if (m_pending_runs.empty()) return false;
    PendingRun& run = m_pending_runs.back();
    if (!run.regular || run.stride == 0 ||
        tag.m_tag_pos - m_pending_last != static_cast<__int64>(run.stride) ||
        std::memcmp(run.name, tag.m_name, 6) != 0 || run.major != tag.m_major ||
        run.minor != tag.m_minor) {
      return false;
    }
    ++run.count;
    ++m_pending_count;
    m_pending_last = tag.m_tag_pos;
    return true;
  }
  // Stores the distance of an irregular run's next record.
  void _STORE_DISTANCE(std::uint32_t distance);
  static constexpr size_t kPendingBlock = 16384;  // distances per block (a power of two)
  std::vector<PendingRun> m_pending_runs;
  std::vector<std::unique_ptr<std::uint32_t[]>> m_pending_blocks;  // distances, in blocks
  size_t m_distance_count;  // distances stored
  size_t m_pending_count;   // records noted
  __int64 m_pending_last;   // position of the last pending record
};

inline bool MTag::WRITE(MFile& file) {
  if (MFileTagged::_IS_EXACT(file) && static_cast<MFileTagged&>(file)._FAST_WRITE_HEADER(*this)) {
    return true;
  }
  return _WRITE_GENERAL(file);
}

inline bool MTag::UPDATE_SKIP(MFile& file) {
  if (m_closed) return true;
  if (MFileTagged::_IS_EXACT(file) && static_cast<MFileTagged&>(file)._FAST_UPDATE_SKIP(*this)) {
    return true;
  }
  return _UPDATE_SKIP_GENERAL(file);
}
