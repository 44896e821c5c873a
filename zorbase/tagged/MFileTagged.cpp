#include <zorbase/tagged/MFileTagged.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <zorbase/platform/file_stream.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/file_details.h>
#include <zorbase/tagged/internal/durable.h>
#include <zorbase/tagged/internal/rewrite_backup.h>
#include <zorbase/tagged/internal/tag_walk.h>

namespace {

// Headers are small and far apart: reading the chain of a large file through a small buffer
// reads little more than the headers themselves.
constexpr size_t kChainReadBuffer = 4096;
// Stretches of carried-over records shorter than this are copied through the two buffers (no
// system call of their own); longer ones are copied file to file inside the kernel (MFile::COPY).
constexpr __int64 kDirectCopyMin = 64 * 1024;
// Long stretches are copied in pieces of this size, each sent on to the device right away.
constexpr __int64 kWritebackPiece = 32 << 20;
// Chain records are allocated this many at a time.
constexpr size_t kRecordBlock = 1024;

// The index key of a record: its name (up to the first NUL) and its major version.
std::string ChainKey(const MTag& tag) {
  std::string key(tag.m_name, strnlen(tag.m_name, 6));
  key += static_cast<char>(tag.m_major);
  return key;
}

DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = GetLastError();
  return error != 0 ? error : fallback;
}

// A rewrite deletes its backup only once the new document is complete on the device, so a backup
// of this document (see ExamineBackup) that stands beside it (or without it) means the last
// rewrite did not finish: the backup is the last complete document, the file under the name at
// most a part of the new one. Moves the backup back over the name in one atomic step, discarding
// the unfinished file. Any other file under the backup name is left alone. Returns 0, or the
// system error that prevented it (then nothing changed).
DWORD RestoreUnfinishedRewrite(const MFileName& name, const MFileName& backup) {
  using namespace zb::tagged;
  if (ExamineBackup(name, backup) != BackupOrigin::kOurs) return 0;
  if (!ReplaceFileWith(backup.GET(), name.GET())) return LastErrorOr(ERROR_ACCESS_DENIED);
  // The document is itself again; the mark would only mislead a copy of it.
  UnmarkBackup(name);
  // Best effort: the close of a rewrite flushes the directory again and reports a failure there.
  SyncDirectoryOf(name.GET());
  return 0;
}

}  // namespace

MFileTagged::MFileTagged()
    : MFile(0x40000),
      m_chain(nullptr),
      m_chain_tail(nullptr),
      m_block_used(kRecordBlock),
      m_distance_count(0),
      m_pending_count(0),
      m_pending_last(0) {}

MFileTagged::~MFileTagged() {
  MFileTagged::CLOSE();
  _FREE_CHAIN();
}

void MFileTagged::_FREE_CHAIN() {
  m_chain = nullptr;
  m_chain_tail = nullptr;
  m_unwritten.clear();
  m_record_blocks.clear();
  m_block_used = kRecordBlock;
  m_pending_runs.clear();
  m_pending_blocks.clear();
  m_distance_count = 0;
  m_pending_count = 0;
}

void MFileTagged::_STORE_DISTANCE(std::uint32_t distance) {
  if ((m_distance_count & (kPendingBlock - 1)) == 0) {
    m_pending_blocks.emplace_back(new std::uint32_t[kPendingBlock]);
  }
  m_pending_blocks.back()[m_distance_count & (kPendingBlock - 1)] = distance;
  ++m_distance_count;
}

void MFileTagged::_NOTE_PENDING(__int64 position, const MTag& tag) {
  // A short regular run turns irregular when a record of another size follows; a long one ends
  // there and the next run starts, so records of one size never cost memory each.
  constexpr size_t kLongRun = 8;
  const __int64 distance = position - m_pending_last;
  PendingRun* run = m_pending_runs.empty() ? nullptr : &m_pending_runs.back();
  const bool continues = run != nullptr && distance > 0 && distance <= 0xFFFFFFFFll &&
                         std::memcmp(run->name, tag.m_name, 6) == 0 &&
                         run->major == tag.m_major && run->minor == tag.m_minor;
  const std::uint32_t d = static_cast<std::uint32_t>(distance);
  if (continues && run->regular && run->stride == 0) {
    run->stride = d;
    ++run->count;
  } else if (continues && run->regular && run->stride == d) {
    ++run->count;
  } else if (continues && run->regular && run->count < kLongRun) {
    run->regular = false;
    run->first_distance = m_distance_count;
    for (size_t k = 1; k < run->count; ++k) _STORE_DISTANCE(run->stride);
    _STORE_DISTANCE(d);
    ++run->count;
  } else if (continues && !run->regular) {
    _STORE_DISTANCE(d);
    ++run->count;
  } else {
    PendingRun fresh;
    fresh.first_pos = position;
    fresh.count = 1;
    fresh.stride = 0;
    fresh.regular = true;
    fresh.first_distance = 0;
    std::memcpy(fresh.name, tag.m_name, 6);
    fresh.major = tag.m_major;
    fresh.minor = tag.m_minor;
    m_pending_runs.push_back(fresh);
  }
  ++m_pending_count;
  m_pending_last = position;
}

void MFileTagged::_COMPLETE_CHAIN() {
  for (const PendingRun& run : m_pending_runs) {
    MTag record;
    std::memcpy(record.m_name, run.name, 6);
    record.m_major = run.major;
    record.m_minor = run.minor;
    record.m_written = 1;
    __int64 position = run.first_pos;
    for (size_t k = 0; k < run.count; ++k) {
      if (k != 0) {
        const size_t i = run.first_distance + k - 1;
        position += run.regular ? run.stride : m_pending_blocks[i / kPendingBlock][i % kPendingBlock];
      }
      record.m_tag_pos = position;
      record.m_data_pos = position + MTag::kHeaderSize;
      _APPEND_TO_CHAIN(_NEW_RECORD(record));
    }
  }
  m_pending_runs.clear();
  m_pending_blocks.clear();
  m_distance_count = 0;
  m_pending_count = 0;
}

MTag* MFileTagged::GET_CHAIN() {
  if (m_pending_count != 0) _COMPLETE_CHAIN();
  return m_chain;
}

MTag* MFileTagged::_NEW_RECORD(const MTag& from) {
  if (m_block_used == kRecordBlock) {
    m_record_blocks.emplace_back(new MTag[kRecordBlock]);
    m_block_used = 0;
  }
  MTag* record = &m_record_blocks.back()[m_block_used++];
  *record = from;
  record->m_next = nullptr;
  return record;
}

void MFileTagged::_APPEND_TO_CHAIN(MTag* record) {
  record->m_next = nullptr;
  if (m_chain_tail == nullptr) {
    m_chain = record;
  } else {
    m_chain_tail->m_next = record;
  }
  m_chain_tail = record;
  if (!record->m_written) m_unwritten[ChainKey(*record)].push_back(record);
}

void MFileTagged::_REINDEX_CHAIN() {
  m_unwritten.clear();
  m_chain_tail = nullptr;
  for (MTag* record = m_chain; record != nullptr; record = record->m_next) {
    m_chain_tail = record;
    if (!record->m_written) m_unwritten[ChainKey(*record)].push_back(record);
  }
}

bool MFileTagged::_PATCH_BUFFERED(__int64 position, const void* bytes, size_t n) {
  // Read without _SyncGuard: in write mode the bytes written through the fast path end at m_put,
  // beyond m_valid_bytes; the other buffer fields are current. Only the bytes are changed here.
  const unsigned kind = m_mode & 0x0FFF;
  if (m_buffer == nullptr || m_stream == nullptr || (kind != MODE_WRITE && kind != MODE_UPDATE) ||
      position < m_buffer_offset) {
    return false;
  }
  std::uint64_t valid = m_valid_bytes;
  if (m_put != nullptr && static_cast<std::uint64_t>(m_put - m_buffer) > valid) {
    valid = static_cast<std::uint64_t>(m_put - m_buffer);
  }
  const std::uint64_t at = static_cast<std::uint64_t>(position - m_buffer_offset);
  if (at + n > valid) return false;
  std::memcpy(m_buffer + at, bytes, n);
  m_dirty = true;
  return true;
}

void MFileTagged::_BUILD_CHAIN(MFile& file) {
  _FREE_CHAIN();
  const __int64 size = zb::tagged::MeasureFileEnd(file);
  for (;;) {
    MTag tag;
    if (!zb::tagged::ReadSoundHeader(file, size, &tag)) break;
    if (std::strncmp(tag.m_name, "ZORCOM", 6) == 0) continue;  // the head: next header follows
    _APPEND_TO_CHAIN(_NEW_RECORD(tag));
    if (!file.SEEK(tag.m_skip, 1)) break;
  }
}

bool MFileTagged::_OPEN(const MFileName& given, unsigned short mode) {
  using namespace zb::tagged;
  CLOSE();
  const unsigned short kind = mode & 0x0FFF;
  if (kind != 1 && kind != 2 && kind != 3) return false;
  _FREE_CHAIN();
  RESET_RESULT();
  auto fail = [this](DWORD error) {
    _FREE_CHAIN();
    _SET_RESULT(error != 0 ? error : ERROR_ACCESS_DENIED);
    return false;
  };
  // Writing and updating work on the file a symbolic link denotes: the link stays a link, its
  // target is rewritten, and the backup lies beside the target.
  MFileName name(given);
  if (kind != 1) {
    std::wstring final_path;
    if (zb::platform::GetFinalPathW(given.GET(), &final_path) &&
        final_path != std::wstring(given.GET())) {
      name = MFileName(final_path.c_str());
      if (name.IS_EMPTY()) return fail(ERROR_FILENAME_EXCED_RANGE);
    }
  }
  MFileName backup;
  const DWORD backup_error = FormBackupName(name, &backup);
  // A document named NAME.bak would be its own backup, and a backup name that does not fit would
  // denote another file: such a document is never rewritten.
  if (backup_error != 0 && kind == 2) return fail(backup_error);
  if (backup_error == 0 && kind == 3) {
    // Updating in place the unfinished file of an interrupted rewrite would change the wrong
    // content (and the next rewrite would restore the backup over it): restore first.
    const DWORD error = RestoreUnfinishedRewrite(name, backup);
    if (error != 0) return fail(error);
  }
  if (kind == 1 || kind == 3) {
    const bool opened = MFile::_OPEN(name, mode);
    if (opened) {
      // Read the headers through a small window, then give the file its own buffer back.
      const size_t buffer_size = static_cast<size_t>(m_buffer_size);
      SET_BUFFER_SIZE(kChainReadBuffer);
      _BUILD_CHAIN(*this);
      SEEK(0, 0);
      SET_BUFFER_SIZE(buffer_size);
    } else {
      _FREE_CHAIN();
    }
    return opened;
  }

  // An earlier rewrite that did not finish (stopped by a failure or by the end of the process)
  // left the whole old document only as its backup: bring it back first, so that its records are
  // carried over instead of the unfinished file's, and the backup is not deleted below.
  if (const DWORD error = RestoreUnfinishedRewrite(name, backup)) return fail(error);
  bool have_backup = false;
  if (name.DOES_EXIST()) {
    // A read-only document is not to be replaced (and its backup could not be deleted at the end).
    const DWORD attributes = GetFileAttributesW(name.GET());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return fail(ERROR_ACCESS_DENIED);
    }
    MFile reader(kChainReadBuffer);
    if (!reader.OPEN_READ(name)) {
      // Writing would truncate a document that could not even be read: refuse.
      return fail(reader.GET_RESULT());
    }
    _BUILD_CHAIN(reader);
    const __int64 size = MeasureFileEnd(reader);
    reader.CLOSE();
    // The document is marked as this rewrite's backup before it takes the backup's name, so that
    // an unfinished rewrite is told from another program's file of that name.
    if (const DWORD error = MarkAsBackup(name, size)) return fail(error);
    // Whatever else stands under the backup name makes way, as the format has always done.
    if (!RemoveFile(backup.GET()) || !RenameFile(name.GET(), backup.GET())) {
      const DWORD error = LastErrorOr(ERROR_ACCESS_DENIED);
      UnmarkBackup(name);
      return fail(error);
    }
    have_backup = true;
  }
  // Puts the document back where it was; the result code of the failure stays.
  auto put_back = [&]() {
    if (have_backup && ReplaceFileWith(backup.GET(), name.GET())) UnmarkBackup(name);
    _FREE_CHAIN();
    return false;
  };
  if (!MFile::_OPEN(name, mode)) return put_back();
  // The new document keeps the old one's permissions and, where the process may, its owner.
  if (have_backup && !zb::platform::CopyFileOwnershipW(backup.GET(), name.GET())) {
    const DWORD error = LastErrorOr(ERROR_ACCESS_DENIED);
    MFile::CLOSE();
    RESET_RESULT();
    _SET_RESULT(error);
    return put_back();
  }
  if (have_backup) m_backup_name = backup;
  MTag head("ZORCOM");
  head.WRITE(*this);
  head.UPDATE_SKIP(*this);
  // A document is written front to back: full buffers go to the file while the next records are
  // made. Nothing is lost by it; a failed write still fails the close, which keeps the backup.
  if ((mode & 0x0FFF) == MODE_WRITE) _SET_WRITE_BEHIND(true);
  return true;
}

bool MFileTagged::_CARRY_OVER() {
  MFile backup(m_buffer_size);
  if (!backup.OPEN_READ(m_backup_name)) {
    _SET_RESULT(backup.GET_RESULT() != 0 ? backup.GET_RESULT() : ERROR_OPEN_FAILED);
    return false;
  }
  // The chain was read in the byte order of a fresh MFile, as `backup` reads. When this file
  // writes in that order too, the headers of the carried records are exactly the backup's bytes,
  // so records that follow each other there are copied together, headers and data, in one step.
  const bool same_headers = GET_FILESWAP() == backup.GET_FILESWAP() &&
                            GET_MACHINESWAP() == backup.GET_MACHINESWAP();
  std::vector<char> chunk;
  MTag* record = m_chain;
  while (record != nullptr) {
    if (record->m_written) {
      record = record->m_next;
      continue;
    }
    // The stretch [from, to) of the backup to copy: this record, and with the same headers every
    // following record that is carried too and starts where the previous one ends.
    MTag* last = record;
    if (same_headers) {
      while (last->m_next != nullptr && !last->m_next->m_written &&
             last->m_next->m_tag_pos == last->END()) {
        last = last->m_next;
      }
    }
    const __int64 from = same_headers ? record->m_tag_pos : record->m_data_pos;
    const __int64 to = last->END();
    const __int64 start = TELL();
    bool ok = (same_headers || record->WRITE(*this)) && backup.SEEK(from, 0);
    const __int64 length = to - from;
    // Every byte must arrive: a short read (a shrunken backup) or a short write fails the close.
    if (ok && length >= kDirectCopyMin) {
      // In pieces, each handed on to the device as soon as it is copied: the device writes while
      // the copy goes on, and the flush at the end has little left to wait for.
      for (__int64 done = 0; ok && done < length;) {
        const __int64 piece = std::min<__int64>(length - done, kWritebackPiece);
        const __int64 at = TELL();
        ok = COPY(backup, piece) == piece;
        if (ok) _STREAM()->StartWriteback(at, piece);
        done += piece;
      }
    } else if (ok && length > 0) {
      if (chunk.size() < static_cast<size_t>(length)) chunk.resize(static_cast<size_t>(length));
      const size_t n = static_cast<size_t>(length);
      ok = backup.READ(chunk.data(), n) == n && WRITE(chunk.data(), n) == n;
    }
    if (!ok) {
      _SET_RESULT(ERROR_WRITE_FAULT);
      return false;
    }
    // The carried records now stand in the new file, as if each had been written there.
    const __int64 shift = start - record->m_tag_pos;
    for (MTag* moved = record;; moved = moved->m_next) {
      moved->m_tag_pos += shift;
      moved->m_data_pos += shift;
      moved->m_written = 1;
      moved->m_closed = 0;
      if (moved == last) break;
    }
    record = last->m_next;
  }
  backup.CLOSE();
  return true;
}

bool MFileTagged::CLOSE() {
  using namespace zb::tagged;
  if (!IS_OPEN() || !IS_OPEN_WRITE() || m_backup_name.IS_EMPTY()) {
    m_backup_name = MFileName();
    return MFile::CLOSE();
  }
  const std::wstring name = GET_FILENAME();
  bool ok = _CARRY_OVER();
  ok = FLUSH() && ok && GET_RESULT() == 0;
  // The new file must be on the device before the backup may go.
  if (ok && !_STREAM()->Commit()) {
    _SET_RESULT_FROM_ERRNO(errno);
    ok = false;
  }
  if (!ok) _SET_RESULT(ERROR_WRITE_FAULT);
  // MFile::CLOSE tells the reporter about a write fault (29); other failures are told here.
  bool told = false;
  auto tell_reporter = [&]() {
    if (mp_file_access_reporter != nullptr && !told) {
      mp_file_access_reporter->ReportWriteFailure(MFileName(name.c_str()), 0);
    }
    told = true;
  };
  if (!ok && GET_RESULT() != ERROR_WRITE_FAULT) tell_reporter();
  if (!ok) told = true;
  const bool closed = MFile::CLOSE();
  ok = ok && closed && GET_RESULT() == 0;
  if (ok && !SyncDirectoryOf(name.c_str())) {
    ok = false;
    _SET_RESULT(LastErrorOr(ERROR_WRITE_FAULT));
    tell_reporter();
  }
  // Only a complete new file, safely on the device, replaces the old document. A backup that
  // is still there (not deleted, or its deletion not yet on the device when the power fails)
  // would be taken for the remains of an unfinished rewrite by the next open and restored: the
  // rewrite has then not taken effect, and CLOSE says so.
  if (ok && !RemoveFile(m_backup_name.GET())) {
    ok = false;
    _SET_RESULT(LastErrorOr(ERROR_ACCESS_DENIED));
    tell_reporter();
  }
  if (ok && !SyncDirectoryOf(name.c_str())) {
    ok = false;
    _SET_RESULT(LastErrorOr(ERROR_WRITE_FAULT));
    tell_reporter();
  }
  m_backup_name = MFileName();
  return ok;
}

bool MFileTagged::READ_TAG(MTag& tag) { return tag.READ(*this); }

bool MFileTagged::_WRITE_TAG_BEGIN_GENERAL(MTag& tag) {
  MTag* record = nullptr;
  auto found = m_unwritten.empty() ? m_unwritten.end() : m_unwritten.find(ChainKey(tag));
  if (found != m_unwritten.end()) {
    std::deque<MTag*>& candidates = found->second;
    while (!candidates.empty() && record == nullptr) {
      if (!candidates.front()->m_written) record = candidates.front();
      candidates.pop_front();
    }
    if (candidates.empty()) m_unwritten.erase(found);
  }
  if (record == nullptr) {
    // A record new to the chain: `tag` becomes what its chain record holds, and the chain record
    // itself is only noted, to be made when the chain is next read.
    tag.m_skip = 0;
    tag.m_next = nullptr;
    const bool written = tag.WRITE(*this);
    _NOTE_PENDING(tag.m_tag_pos, tag);
    return written;
  }
  record->m_major = tag.m_major;
  record->m_minor = tag.m_minor;
  record->m_skip = 0;
  const bool written = record->WRITE(*this);
  tag = *record;
  return written;
}

bool MFileTagged::_WRITE_TAG_END_GENERAL(MTag& tag) {
  _CLOSE_RECORD(tag.m_tag_pos);
  const bool exact = _IS_EXACT(*this);
  __int64 end = 0;
  if (!exact || !_FAST_TELL(&end)) end = TELL();
  const __int64 skip = end - tag.m_data_pos;
  if (tag.m_data_pos < 0 || skip < 0 || skip > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  tag.m_skip = skip;
  // The header of a small record is usually still in the write buffer: rewrite it there.
  if (exact && _FAST_PATCH_HEADER(tag, static_cast<std::int32_t>(skip))) {
    tag.m_written = 1;
    tag.m_closed = 0;
    return true;
  }
  unsigned char header[MTag::kHeaderSize];
  std::memcpy(header, tag.m_name, 6);
  header[6] = tag.m_major;
  header[7] = tag.m_minor;
  std::int32_t value = static_cast<std::int32_t>(skip);
  if (GET_FILESWAP() != GET_MACHINESWAP()) SWAP(&value, 1);
  std::memcpy(header + 8, &value, 4);
  if (_PATCH_BUFFERED(tag.m_tag_pos, header, sizeof(header))) {
    tag.m_written = 1;
    tag.m_closed = 0;
    return true;
  }
  if (!SEEK(tag.m_tag_pos, 0)) return false;
  const bool written = tag.WRITE(*this);
  return SEEK(skip, 1) && written;
}

MTag* MFileTagged::NEXT_TAG(MTag* current, bool seek) {
  if (m_pending_count != 0) _COMPLETE_CHAIN();
  MTag* record = current == nullptr ? m_chain : current->m_next;
  if (record != nullptr && seek) SEEK(record->m_data_pos, 0);
  return record;
}

MTag* MFileTagged::FIND_TAG(MTag* after, MTag& pattern, unsigned long mode, bool seek) {
  if (mode > 1) return nullptr;
  if (m_pending_count != 0) _COMPLETE_CHAIN();
  for (MTag* record = after == nullptr ? m_chain : after->m_next; record != nullptr;
       record = record->m_next) {
    if (!(*record == pattern)) continue;
    if (mode == 1 && record->m_written) continue;
    pattern = *record;
    if (seek) SEEK(record->m_data_pos, 0);
    return record;
  }
  return nullptr;
}

bool MFileTagged::REMOVE_TAGS(MTag& pattern, unsigned long /*mode*/) {
  if (m_pending_count != 0) _COMPLETE_CHAIN();
  bool removed = false;
  MTag** link = &m_chain;
  while (*link != nullptr) {
    MTag* record = *link;
    if (*record == pattern) {
      *link = record->m_next;  // its storage goes with the chain
      removed = true;
    } else {
      link = &record->m_next;
    }
  }
  if (removed) _REINDEX_CHAIN();
  return removed;
}
