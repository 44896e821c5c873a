// MFile: opening, the buffer rules, positioning, typed and byte-text operations, copying.
#include <zorbase/files/MFile.h>

#include <zorbase/files/internal/write_behind.h>

#include <zorbase/files/internal/stream_search.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include <zorbase/files/MFileName.h>
#include <zorbase/platform/file_stream.h>
#include <zorbase/platform/format.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

IZorFileAccess* MFile::mp_file_access_reporter = nullptr;

namespace {

constexpr std::uint64_t kCopyChunk = 65536;

// The result code for a Windows system error code from the stream (the runtime's errno table of
// the Windows builds, in Windows terms): file not found 2, bad handle 6, access denied 5, exists
// 31, too many open files 4, disk full 29, anything else 0xFFFFFFFF.
DWORD ResultFromError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ERROR_FILE_NOT_FOUND;
    case ERROR_INVALID_HANDLE: return ERROR_INVALID_HANDLE;
    case ERROR_ACCESS_DENIED: return ERROR_ACCESS_DENIED;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return ERROR_GEN_FAILURE;  // 31
    case ERROR_TOO_MANY_OPEN_FILES: return ERROR_TOO_MANY_OPEN_FILES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ERROR_WRITE_FAULT;  // 29
    default: return 0xFFFFFFFFu;
  }
}

const wchar_t* ModeString(unsigned short mode) {
  const bool text = (mode & MFile::MODE_TEXT) != 0;
  switch (mode & 0x0FFF) {
    case MFile::MODE_READ: return L"rb";
    case MFile::MODE_WRITE: return text ? L"wt" : L"wb";
    case MFile::MODE_UPDATE: return L"rb+";
    case MFile::MODE_APPEND: return text ? L"at" : L"ab";
    default: return nullptr;
  }
}

wchar_t* CopyText(const wchar_t* text) {
  const size_t length = std::wcslen(text);
  wchar_t* copy = new wchar_t[length + 1];
  std::wmemcpy(copy, text, length + 1);
  return copy;
}

}  // namespace

MFile::MFile(size_t buffer_size)
    : m_stream(nullptr),
      m_behind(nullptr),
      m_keep_from(-1),
      m_buffer(nullptr),
      m_buffer_pos(0),
      m_buffer_size(buffer_size < 1 ? 1 : buffer_size),
      m_buffer_offset(0),
      m_file_name(nullptr),
      m_valid_bytes(0),
      m_controlled(0),
      m_mode(0),
      m_result(0),
      m_dirty(false),
      m_write_lost(false),
      m_get(nullptr),
      m_get_end(nullptr),
      m_put(nullptr),
      m_put_end(nullptr) {}

MFile::~MFile() { MFile::CLOSE(); }

void MFile::SetFileAccessReporter(IZorFileAccess* reporter) { mp_file_access_reporter = reporter; }

void MFile::_SET_RESULT(DWORD code) {
  if (m_result == 0) m_result = code;
}

void MFile::_REFUSE_VALUE() { _SET_RESULT(ERROR_INVALID_PARAMETER); }

void MFile::_SET_RESULT_FROM_ERROR(DWORD error) {
  if (error != ERROR_SUCCESS) _SET_RESULT(ResultFromError(error));
}

void MFile::_SET_RESULT_FROM_STREAM() {
  if (m_stream != nullptr) _SET_RESULT_FROM_ERROR(_STREAM()->Error());
}

void MFile::_SET_RESULT_FROM_ERRNO(int errno_value) {
  // The stream keeps its own error; errno only speaks for calls that are not the stream's.
  const DWORD error = m_stream != nullptr && _STREAM()->Error() != ERROR_SUCCESS
                          ? _STREAM()->Error()
                          : zb::platform::ErrorFromErrno(errno_value);
  _SET_RESULT(ResultFromError(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE));
}

void MFile::_SYNC() { _FOLD_FAST_PATHS(m_buffer, &m_buffer_pos, &m_valid_bytes); }

void MFile::_FOLD_FAST_PATHS(const unsigned char* base, std::uint64_t* position,
                             std::uint64_t* end) {
  if (m_get != nullptr) *position = static_cast<std::uint64_t>(m_get - base);
  if (m_put != nullptr) {
    *position = static_cast<std::uint64_t>(m_put - base);
    if (*position > *end) *end = *position;
  }
  m_get = m_get_end = m_put = m_put_end = nullptr;
}

void MFile::_ARM() {
  m_get = m_get_end = m_put = m_put_end = nullptr;
  // The fast paths skip byte-order conversion, so they open only when there is none to do.
  if (m_buffer == nullptr || m_stream == nullptr || m_machine_swap != m_file_swap) return;
  const unsigned mode = m_mode & 0x0FFF;
  if (mode == MODE_READ && m_buffer_pos <= m_valid_bytes) {
    m_get = m_buffer + m_buffer_pos;
    m_get_end = m_buffer + m_valid_bytes;
  } else if ((mode == MODE_WRITE || mode == MODE_APPEND) && m_buffer_pos == m_valid_bytes &&
             m_buffer_pos + 1 < m_buffer_size) {
    // The last byte of the buffer is left to the buffered path, which writes a full buffer out.
    m_put = m_buffer + m_buffer_pos;
    m_put_end = m_buffer + m_buffer_size - 1;
  }
}

void MFile::SET_FILESWAP(unsigned char code) {
  _SYNC();
  MSwap::SET_FILESWAP(code);
  _ARM();
}

void MFile::SET_MACHINESWAP(unsigned char code) {
  _SYNC();
  MSwap::SET_MACHINESWAP(code);
  _ARM();
}

bool MFile::_IS_WRITE_MODE() const {
  const unsigned mode = m_mode & 0x0FFF;
  return mode == MODE_WRITE || mode == MODE_UPDATE || mode == MODE_APPEND;
}

// ---- open and close ------------------------------------------------------------------------------

bool MFile::_OPEN(const MFileName& name, unsigned short mode) {
  CLOSE();
  m_result = 0;
  m_write_lost = false;
  if (name.IS_EMPTY()) return false;
  const unsigned low = mode & 0x0FFF;
  if (mp_file_access_reporter != nullptr) {
    const bool for_reading = low == MODE_READ;
    const bool allowed = mp_file_access_reporter->UsesApproval()
                             ? mp_file_access_reporter->ApproveFileAccess(name, for_reading)
                             : mp_file_access_reporter->CheckFileAccess(name, for_reading) == 0;
    if (!allowed) return false;
  }
  if (!name._FITS_PATH()) {  // its composed path would be cut and name another file
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    _SET_RESULT_FROM_ERROR(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  const wchar_t* mode_string = ModeString(mode);
  if (mode_string == nullptr) {
    _SET_RESULT_FROM_ERROR(ERROR_INVALID_PARAMETER);
    return false;
  }
  MFileName path(name);  // composing rewrites the name's buffer; work on a copy
  const wchar_t* text = path.GET();
  DWORD open_error = ERROR_SUCCESS;
  std::unique_ptr<zb::platform::FileStream> stream =
      zb::platform::FileStream::Open(text, mode_string, 3, &open_error);
  if (!stream && low == MODE_UPDATE && open_error == ERROR_FILE_NOT_FOUND) {
    // Update creates a missing file. Only a missing file: "wb+" would empty one that exists.
    stream = zb::platform::FileStream::Open(text, L"wb+", 3, &open_error);
  }
  if (!stream) {
    _SET_RESULT_FROM_ERROR(open_error);
    return false;
  }
  unsigned char* buffer = new (std::nothrow) unsigned char[m_buffer_size];
  if (buffer == nullptr) {
    _SET_RESULT_FROM_ERROR(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  m_stream = stream.release();
  m_buffer = buffer;
  m_buffer_pos = 0;
  m_valid_bytes = 0;
  m_buffer_offset = 0;
  m_dirty = false;
  if (low == MODE_READ || low == MODE_UPDATE) {
    m_valid_bytes = _STREAM()->Read(m_buffer, m_buffer_size);
  } else if (low == MODE_APPEND) {
    m_buffer_offset = std::max<__int64>(0, _STREAM()->Size());
  }
  m_file_name = CopyText(text);
  m_mode = mode;
  _ARM();
  return true;
}

bool MFile::CLOSE() {
  _SyncGuard guard(this);
  bool ok = true;
  const bool was_writing = m_stream != nullptr && _IS_WRITE_MODE();
  if (was_writing) {
    ok = _FLUSH_WRITE_BUFFER();
    if (!_STREAM()->Flush()) {
      _SET_RESULT_FROM_STREAM();
      ok = false;
    }
  }
  if (m_behind != nullptr) {
    // Owed bytes that the last flush could not place never reach the file: CLOSE says so.
    _SET_RESULT_FROM_ERROR(m_behind->Wait());
    if (m_behind->HasOwed()) ok = false;
    delete m_behind;
    m_behind = nullptr;
  }
  m_keep_from = -1;
  if (m_write_lost) ok = false;
  if (was_writing && mp_file_access_reporter != nullptr && m_result == ERROR_WRITE_FAULT) {
    mp_file_access_reporter->ReportWriteFailure(MFileName(m_file_name), 0);
  }
  delete[] m_buffer;
  m_buffer = nullptr;
  m_buffer_pos = 0;
  m_valid_bytes = 0;
  m_buffer_offset = 0;
  m_dirty = false;
  delete m_stream;
  m_stream = nullptr;
  m_mode = 0;
  m_write_lost = false;
  delete[] m_file_name;
  m_file_name = nullptr;
  return ok;
}

bool MFile::CHANGE_MODE(unsigned short mode) {
  if (mode == m_mode) return true;
  const MFileName name(m_file_name);
  CLOSE();
  return _OPEN(name, mode);
}

// ---- state ---------------------------------------------------------------------------------------

bool MFile::IS_OPEN() const { return m_stream != nullptr; }

bool MFile::IS_OPEN_READ() const {
  const unsigned mode = m_mode & 0x0FFF;
  return m_stream != nullptr && (mode == MODE_READ || mode == MODE_UPDATE);
}

bool MFile::IS_OPEN_WRITE() const { return m_stream != nullptr && _IS_WRITE_MODE(); }

bool MFile::IS_OPEN_UPDATE() const {
  return m_stream != nullptr && (m_mode & 0x0FFF) == MODE_UPDATE;
}

const wchar_t* MFile::GET_FILENAME() const { return m_file_name; }

DWORD MFile::GET_RESULT() const { return m_result; }

void MFile::RESET_RESULT() {
  m_result = 0;
  m_write_lost = false;
}

__int64 MFile::TELL() const {
  if (m_stream == nullptr) return 0;
  const std::uint64_t pos = m_get != nullptr   ? static_cast<std::uint64_t>(m_get - m_buffer)
                            : m_put != nullptr ? static_cast<std::uint64_t>(m_put - m_buffer)
                                               : m_buffer_pos;
  return m_buffer_offset + static_cast<__int64>(pos);
}

__int64 MFile::SIZE() const {
  // The size counts the bytes a background write is placing: it is asked once that write is done.
  return m_stream != nullptr ? const_cast<MFile*>(this)->_STREAM()->Size() : -1;
}

// ---- the buffer ----------------------------------------------------------------------------------

zb::platform::FileStream* MFile::_STREAM() {
  if (m_behind != nullptr && m_behind->Busy()) _SET_RESULT_FROM_ERROR(m_behind->Wait());
  return m_stream;
}

void MFile::_SET_WRITE_BEHIND(bool on) {
  if (on) {
    if (m_behind == nullptr && m_stream != nullptr) m_behind = new zb::files::WriteBehind(m_stream);
    return;
  }
  if (m_behind == nullptr) return;
  _SET_RESULT_FROM_ERROR(m_behind->Wait());
  // A writer that still holds owed bytes stays until they are placed or the file is closed.
  if (!m_behind->WriteOwed()) {
    _SET_RESULT_FROM_STREAM();
    return;
  }
  delete m_behind;
  m_behind = nullptr;
}

bool MFile::_FLUSH_FULL_BUFFER() {
  if (m_behind == nullptr || m_buffer == nullptr || m_valid_bytes == 0 ||
      (m_mode & 0x0FFF) != MODE_WRITE || (m_mode & MODE_TEXT) != 0) {
    return _FLUSH_WRITE_BUFFER();
  }
  _SET_RESULT_FROM_ERROR(m_behind->Wait());
  if (!m_behind->WriteOwed()) {
    _SET_RESULT_FROM_STREAM();
    return false;
  }
  // The bytes of the record being written stay when they are few (and the position is at the
  // end of the buffered bytes, as it is while a document is written front to back).
  std::uint64_t keep = 0;
  if (m_keep_from > m_buffer_offset && m_buffer_pos == m_valid_bytes &&
      m_keep_from < m_buffer_offset + static_cast<__int64>(m_valid_bytes)) {
    keep = m_valid_bytes - static_cast<std::uint64_t>(m_keep_from - m_buffer_offset);
    if (keep > m_buffer_size / 4) keep = 0;
  }
  // A record that is not kept has left the buffer: the next one to begin is kept instead.
  if (keep == 0) m_keep_from = -1;
  const std::uint64_t handed = m_valid_bytes - keep;
  unsigned char* full = m_buffer;
  m_buffer = m_behind->Exchange(full, m_buffer_size, handed, m_buffer_offset);
  if (keep != 0) std::memcpy(m_buffer, full + handed, keep);
  m_buffer_offset += static_cast<__int64>(handed);
  m_buffer_pos = keep;
  m_valid_bytes = keep;
  m_dirty = keep != 0;
  return true;
}

bool MFile::_FLUSH_WRITE_BUFFER() {
  if (m_stream == nullptr || m_buffer == nullptr) return true;
  if (m_behind != nullptr) {
    // Bytes a background write could not place go first, or nothing more is written.
    _SET_RESULT_FROM_ERROR(m_behind->Wait());
    if (!m_behind->WriteOwed()) {
      _SET_RESULT_FROM_STREAM();
      return false;
    }
  }
  const bool append = (m_mode & 0x0FFF) == MODE_APPEND;
  const bool update = (m_mode & 0x0FFF) == MODE_UPDATE;
  if (m_valid_bytes == 0 || (update && !m_dirty)) {
    // Nothing to write: the (empty or unchanged) window starts over at the logical position.
    m_buffer_offset += static_cast<__int64>(m_buffer_pos);
    m_buffer_pos = 0;
    m_valid_bytes = 0;
    m_dirty = false;
    return true;
  }
  if (!append && !_STREAM()->Seek(m_buffer_offset, SEEK_SET)) {
    _SET_RESULT_FROM_STREAM();
    return false;
  }
  const std::uint64_t written = _STREAM()->Write(m_buffer, m_valid_bytes);
  if (written < m_valid_bytes) {
    _SET_RESULT_FROM_STREAM();
    // The bytes that did not reach the file stay buffered, so nothing is dropped silently.
    std::memmove(m_buffer, m_buffer + written, m_valid_bytes - written);
    // In write and append modes the rest goes where the stream stands (text mode writes more bytes
    // than it is given).
    m_buffer_offset = update ? m_buffer_offset + static_cast<__int64>(written) : _STREAM()->Tell();
    m_valid_bytes -= written;
    m_buffer_pos = m_buffer_pos > written ? m_buffer_pos - written : 0;
    return false;
  }
  // Update mode keeps the logical position inside the window; write and append modes go on where
  // the stream stands.
  m_buffer_offset = update ? m_buffer_offset + static_cast<__int64>(m_buffer_pos) : _STREAM()->Tell();
  m_buffer_pos = 0;
  m_valid_bytes = 0;
  m_dirty = false;
  return true;
}

std::uint64_t MFile::_REFILL(__int64 offset, DWORD* read_error) {
  if (read_error != nullptr) *read_error = ERROR_SUCCESS;
  if ((m_dirty || m_behind != nullptr) && _IS_WRITE_MODE() && !_FLUSH_WRITE_BUFFER()) {
    if (read_error != nullptr) *read_error = ERROR_IO_DEVICE;
    return 0;
  }
  m_buffer_offset = offset;
  m_buffer_pos = 0;
  m_valid_bytes = 0;
  m_dirty = false;
  if (!_STREAM()->Seek(offset, SEEK_SET)) {
    if (read_error != nullptr) *read_error = _STREAM()->Error();
    return 0;
  }
  m_valid_bytes = _STREAM()->Read(m_buffer, m_buffer_size);
  if (m_valid_bytes < m_buffer_size && read_error != nullptr) *read_error = _STREAM()->Error();
  return m_valid_bytes;
}

std::uint64_t MFile::_READ_BUFFERED(void* dest, std::uint64_t count, std::uint64_t size) {
  _SyncGuard guard(this);
  if (!IS_OPEN_READ() || m_buffer == nullptr || size == 0 || dest == nullptr) return 0;
  std::uint64_t bytes;
  if (__builtin_mul_overflow(count, size, &bytes)) return 0;
  unsigned char* out = static_cast<unsigned char*>(dest);
  std::uint64_t copied = 0;
  while (copied < bytes) {
    if (m_buffer_pos < m_valid_bytes) {
      const std::uint64_t chunk = std::min(m_valid_bytes - m_buffer_pos, bytes - copied);
      std::memcpy(out + copied, m_buffer + m_buffer_pos, chunk);
      m_buffer_pos += chunk;
      copied += chunk;
      continue;
    }
    const std::uint64_t remaining = bytes - copied;
    DWORD read_error = ERROR_SUCCESS;
    if (remaining >= m_buffer_size && !m_dirty) {
      // A large request goes straight into the caller's memory; the buffer stays empty after it.
      const __int64 offset = m_buffer_offset + static_cast<__int64>(m_buffer_pos);
      m_buffer_offset = offset;
      m_buffer_pos = 0;
      m_valid_bytes = 0;
      if (!_STREAM()->Seek(offset, SEEK_SET)) {
        _SET_RESULT_FROM_STREAM();
        break;
      }
          const std::uint64_t n = _STREAM()->Read(out + copied, remaining);
      read_error = n < remaining ? _STREAM()->Error() : ERROR_SUCCESS;
      copied += n;
      m_buffer_offset = offset + static_cast<__int64>(n);
      if (read_error != 0) _SET_RESULT_FROM_ERROR(read_error);
      if (n < remaining) break;
      continue;
    }
    const std::uint64_t n = _REFILL(m_buffer_offset + static_cast<__int64>(m_buffer_pos), &read_error);
    if (read_error != 0) _SET_RESULT_FROM_ERROR(read_error);
    if (n == 0) break;
  }
  // A request cut short by the end of the file records that it met the end.
  if (copied < bytes) _SET_RESULT(ERROR_HANDLE_EOF);
  return copied / size;
}

std::uint64_t MFile::_WRITE_BUFFERED(const void* src, std::uint64_t count, std::uint64_t size) {
  _SyncGuard guard(this);
  if (m_buffer == nullptr || m_stream == nullptr || size == 0 || src == nullptr) return 0;
  std::uint64_t bytes;
  if (__builtin_mul_overflow(count, size, &bytes)) return 0;
  const unsigned mode = m_mode & 0x0FFF;
  const unsigned char* in = static_cast<const unsigned char*>(src);
  std::uint64_t taken = 0;
  while (taken < bytes) {
    if (m_buffer_pos >= m_buffer_size && !_FLUSH_FULL_BUFFER()) break;  // no room
    const std::uint64_t remaining = bytes - taken;
    if (m_buffer_pos == 0 && m_valid_bytes == 0 && remaining >= m_buffer_size &&
        (mode == MODE_WRITE || mode == MODE_APPEND)) {
      // A large request goes straight to the stream; the buffer stays empty.
      if (mode != MODE_APPEND && !_STREAM()->Seek(m_buffer_offset, SEEK_SET)) {
        _SET_RESULT_FROM_STREAM();
        break;
      }
          const std::uint64_t n = _STREAM()->Write(in + taken, remaining);
      const DWORD write_error = _STREAM()->Error();
      taken += n;
      m_buffer_offset = _STREAM()->Tell();
      if (n < remaining) {
        _SET_RESULT_FROM_ERROR(write_error);
        m_write_lost = true;  // the caller's bytes past n are not kept: CLOSE and FLUSH say so
        break;
      }
      continue;
    }
    const std::uint64_t chunk = std::min(m_buffer_size - m_buffer_pos, remaining);
    std::memcpy(m_buffer + m_buffer_pos, in + taken, chunk);
    m_buffer_pos += chunk;
    if (m_buffer_pos > m_valid_bytes) m_valid_bytes = m_buffer_pos;
    m_dirty = true;
    taken += chunk;
    // A full buffer is written out at once; when that fails its bytes stay buffered.
    if (m_buffer_pos >= m_buffer_size && !_FLUSH_FULL_BUFFER()) break;
  }
  return taken / size;
}

bool MFile::SET_BUFFER_SIZE(size_t n) {
  _SyncGuard guard(this);
  if (n < 1) n = 1;
  if (m_buffer == nullptr) {
    m_buffer_size = n;
    return true;
  }
  const unsigned mode = m_mode & 0x0FFF;
  if (_IS_WRITE_MODE()) _FLUSH_WRITE_BUFFER();
  const bool pending = _IS_WRITE_MODE() && m_valid_bytes > 0 && m_dirty;
  if (pending && m_valid_bytes > n) return true;  // unwritten bytes would not fit: keep the buffer
  unsigned char* buffer = new unsigned char[n];
  const __int64 logical = m_buffer_offset + static_cast<__int64>(m_buffer_pos);
  if (pending) {
    std::memcpy(buffer, m_buffer, m_valid_bytes);
  } else {
    m_buffer_offset = logical;
    m_buffer_pos = 0;
    m_valid_bytes = 0;
    m_dirty = false;
  }
  delete[] m_buffer;
  m_buffer = buffer;
  m_buffer_size = n;
  if (!pending && (mode == MODE_READ || mode == MODE_UPDATE)) _REFILL(logical);
  return true;
}

// ---- positioning ---------------------------------------------------------------------------------

bool MFile::SEEK(__int64 offset, LONG origin) {
  _SyncGuard guard(this);
  if (!IS_OPEN() || m_stream == nullptr) return false;
  const __int64 stream_end = _STREAM()->Size();
  if (stream_end < 0) {
    _SET_RESULT_FROM_STREAM();
    return false;
  }
  const __int64 buffered_end = m_buffer_offset + static_cast<__int64>(m_valid_bytes);
  const __int64 end = std::max(stream_end, buffered_end);
  __int64 target;
  switch (origin) {
    case 0: target = offset; break;
    case 1: target = TELL() + offset; break;
    case 2:
      if (offset > 0 || offset < -end) return false;
      target = end + offset;
      break;
    default: return false;
  }
  if (target < 0 || target > end) return false;
  const unsigned mode = m_mode & 0x0FFF;
  if (mode == MODE_READ || mode == MODE_UPDATE) {
    if (target >= m_buffer_offset && target <= buffered_end) {
      m_buffer_pos = static_cast<std::uint64_t>(target - m_buffer_offset);
      return true;
    }
    if (mode == MODE_UPDATE && !_FLUSH_WRITE_BUFFER()) return false;
    DWORD read_error = ERROR_SUCCESS;
    _REFILL(target, &read_error);
    if (read_error != 0) {
      _SET_RESULT_FROM_ERROR(read_error);
      return false;
    }
    return true;
  }
  if (!_FLUSH_WRITE_BUFFER()) return false;
  m_buffer_offset = target;
  m_buffer_pos = 0;
  m_valid_bytes = 0;
  return true;
}

bool MFile::FEOF() {
  _SyncGuard guard(this);
  if (!IS_OPEN() || m_stream == nullptr) return true;
  if (_IS_WRITE_MODE()) return false;
  if (m_buffer_pos < m_valid_bytes) return false;
  return _REFILL(m_buffer_offset + static_cast<__int64>(m_buffer_pos)) == 0;
}

bool MFile::FLUSH() {
  _SyncGuard guard(this);
  if (!IS_OPEN() || m_stream == nullptr) return false;
  bool ok = true;
  if (_IS_WRITE_MODE()) ok = _FLUSH_WRITE_BUFFER();
  if (!_STREAM()->Flush()) {
    _SET_RESULT_FROM_STREAM();
    ok = false;
  }
  return ok && !m_write_lost;
}

// ---- typed transfers -----------------------------------------------------------------------------

std::uint64_t MFile::READ(bool* p, size_t count) {
  const std::uint64_t read = _READ(p, count, 1);
  unsigned char* bytes = reinterpret_cast<unsigned char*>(p);
  for (std::uint64_t i = 0; i < read; ++i) {
    const unsigned char b = bytes[i];
    p[i] = b != 0;
  }
  return read;
}

std::uint64_t MFile::WRITE(MFilePart* parts, size_t count) {
  if (parts == nullptr || count == 0) return 0;
  const size_t size = parts->PART_SIZE();
  size_t total;
  if (size == 0 || __builtin_mul_overflow(size, count, &total)) return 0;
  // Out of memory: std::bad_alloc reaches the caller before anything is written.
  std::unique_ptr<unsigned char[]> block(new unsigned char[total]());
  for (size_t i = 0; i < count; ++i) parts->GET_PART(i)->SWAP_OUT(block.get() + i * size);
  return _WRITE(block.get(), count, size);
}

std::uint64_t MFile::READ(MFilePart* parts, size_t count) {
  if (parts == nullptr || count == 0) return 0;
  const size_t size = parts->PART_SIZE();
  size_t total;
  if (size == 0 || __builtin_mul_overflow(size, count, &total)) return 0;
  std::unique_ptr<unsigned char[]> block(new unsigned char[total]());
  const std::uint64_t read = _READ(block.get(), count, size);
  for (std::uint64_t i = 0; i < read; ++i) parts->GET_PART(i)->SWAP_IN(block.get() + i * size);
  return read;
}

std::uint64_t MFile::WRITE_AS_BYTE_ARRAY(std::uint32_t* value, std::uint32_t n) {
  if (value == nullptr) return 0;
  n = std::min<std::uint32_t>(n, 4);
  SWAP(value, 1);
  const std::uint64_t written = _WRITE(value, n, 1);
  SWAP(value, 1);
  return written;
}

std::uint64_t MFile::READ_AS_BYTE_ARRAY(std::uint32_t* value, std::uint32_t n) {
  if (value == nullptr) return 0;
  n = std::min<std::uint32_t>(n, 4);
  *value = 0;
  const std::uint64_t read = _READ(value, n, 1);
  SWAP(value, 1);
  return read;
}

std::uint64_t MFile::WRITE_AS_BYTE_ARRAY(unsigned long* value, unsigned long n) {
  if (value == nullptr) return 0;
  if (*value > 0xFFFFFFFFul) {
    _REFUSE_VALUE();
    return 0;
  }
  std::uint32_t narrow = static_cast<std::uint32_t>(*value);
  return WRITE_AS_BYTE_ARRAY(&narrow, static_cast<std::uint32_t>(std::min<unsigned long>(n, 4)));
}

std::uint64_t MFile::READ_AS_BYTE_ARRAY(unsigned long* value, unsigned long n) {
  if (value == nullptr) return 0;
  std::uint32_t narrow = 0;
  const std::uint64_t read =
      READ_AS_BYTE_ARRAY(&narrow, static_cast<std::uint32_t>(std::min<unsigned long>(n, 4)));
  *value = narrow;
  return read;
}

// ---- byte text -----------------------------------------------------------------------------------

std::uint64_t MFile::WRITE_STRING(const char* text) {
  if (text == nullptr) return 0;
  return _WRITE(text, std::strlen(text), 1);
}

std::uint64_t MFile::WRITE_STRING(const std::string& text) {
  return _WRITE(text.data(), text.size(), 1);
}

std::uint64_t MFile::WRITE_STRING_DATA(const std::string& text) {
  size_t length = text.size();
  if (length > 0xFFFF) {
    // The length field cannot describe more; a shorter whole record keeps the file readable.
    _SET_RESULT(ERROR_INVALID_PARAMETER);
    length = 0xFFFF;
  }
  unsigned short field = static_cast<unsigned short>(length);
  if (WRITE(&field, 1) != 1) return 0;
  return _WRITE(text.data(), length, 1);
}

std::uint64_t MFile::READ_STRING_DATA(std::string& text) {
  unsigned short length = 0;
  if (READ(&length, 1) != 1) {
    text.clear();
    return 0;
  }
  text.resize(length);
  const std::uint64_t read = length == 0 ? 0 : _READ(&text[0], length, 1);
  text.resize(static_cast<size_t>(read));
  return read;
}

std::uint64_t MFile::WRITE_STRING_COMPLETED(const char* text, const char* completion) {
  const std::uint64_t written = WRITE_STRING(text);
  if ((m_mode & MODE_TEXT) != 0) WRITE_STRING(completion);
  return written;
}

size_t MFile::READ_STRING_UNTIL(char* out, const char* stops, size_t max) {
  if (out == nullptr) return static_cast<size_t>(-1);
  if (stops == nullptr) stops = "";
  const __int64 start = TELL();
  size_t count = 0;
  while (count < max) {
    char c;
    if (_READ(&c, 1, 1) != 1) {
      out[0] = 0;
      SEEK(start, 0);
      return static_cast<size_t>(-1);
    }
    if (c == 0 || std::strchr(stops, c) != nullptr) break;
    out[count++] = c;
  }
  out[count] = 0;
  return count;
}

size_t MFile::READ_STRING_UNTIL(std::string& out, const char* stops, size_t max) {
  out.assign(max, '\0');
  const size_t count = READ_STRING_UNTIL(&out[0], stops, max);
  if (count == static_cast<size_t>(-1)) {
    out.clear();
  } else {
    out.resize(count);
  }
  return count;
}

char* MFile::FGETS(char* out, int n) {
  if (out == nullptr || n < 1) return out;
  int i = 0;
  while (i < n - 1) {
    unsigned char c;
    if (_READ(&c, 1, 1) != 1 || c >= 0x80) break;
    out[i++] = static_cast<char>(c);
  }
  out[i] = 0;
  return out + i;
}

char* MFile::FGETS_STOP_ENDL(char* out, const int& n, const bool& strip_endl) {
  if (out == nullptr || n < 1) return out;
  int i = 0;
  char line_end = 0;
  while (i < n - 1) {
    char c;
    if (_READ(&c, 1, 1) != 1) break;
    if (c == '\r' || c == '\n') {
      line_end = c;
      break;
    }
    out[i++] = c;
  }
  // One more byte belongs to the line end when it is CR or LF too (CR LF, LF CR, LF LF, CR CR):
  // files written by the Windows builds are read line by line this way.
  if (line_end != 0) {
    char next;
    if (_READ(&next, 1, 1) == 1 && next != '\r' && next != '\n') SEEK(-1, 1);
  }
  out[i] = 0;
  if (line_end && !strip_endl) {
    out[i] = '\n';
    out[i + 1] = 0;
  }
  return out + i;
}

bool MFile::SEARCH_STRING(const char* text, __int64 max_bytes, bool case_sensitive) {
  if (text == nullptr) return false;
  const std::uint64_t length = std::strlen(text);
  const std::uint64_t limit = static_cast<std::uint64_t>(max_bytes);
  if (limit <= length) return false;
  const std::uint64_t window = limit - length;
  if (length == 0) return true;
  std::vector<std::uint32_t> pattern(text, text + length);
  for (std::uint32_t& unit : pattern) unit &= 0xFF;  // bytes, whatever the sign of char
  zb::internal::StreamMatcher matcher(std::move(pattern), case_sensitive);
  for (std::uint64_t read = 0; read < window; ++read) {
    unsigned char c;
    if (_READ_INLINE(&c, 1, 1) != 1) return false;
    if (matcher.Feed(c)) return true;
  }
  return false;
}

bool MFile::VFPRINTF(const char* format, va_list args) {
  _SyncGuard guard(this);
  if (!IS_OPEN() || m_stream == nullptr || format == nullptr) return false;
  if (_IS_WRITE_MODE() && !_FLUSH_WRITE_BUFFER()) return false;
  const bool append = (m_mode & 0x0FFF) == MODE_APPEND;
  const __int64 logical = TELL();
  const std::string text = zb::platform::VFormatA(format, args);
  if (text.empty()) return false;
  if (!append && !_STREAM()->Seek(logical, SEEK_SET)) {
    _SET_RESULT_FROM_STREAM();
    return false;
  }
  const size_t written = _STREAM()->WriteText(text.data(), text.size());
  if (written == 0) {
    _SET_RESULT_FROM_STREAM();
    return false;
  }
  if (written < text.size()) {
    _SET_RESULT_FROM_STREAM();
    m_write_lost = true;
  }
  m_buffer_offset = _STREAM()->Tell();
  m_buffer_pos = 0;
  m_valid_bytes = 0;
  m_dirty = false;
  return true;
}

bool MFile::FPRINTF(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const bool result = VFPRINTF(format, args);
  va_end(args);
  return result;
}

// ---- copying -------------------------------------------------------------------------------------

int MFile::_COPY_DIRECT(MFile& source, std::uint64_t limit, std::uint64_t* copied) {
  *copied = 0;
  // Only two files on disk qualify: a derived class with another medium has no stream.
  if (m_stream == nullptr || source.m_stream == nullptr || m_buffer == nullptr ||
      source.m_buffer == nullptr || m_mode != MODE_WRITE || source.m_mode != MODE_READ ||
      &source == this) {
    return -1;
  }
  _SyncGuard target_guard(this);
  _SyncGuard source_guard(&source);
  if (!_FLUSH_WRITE_BUFFER()) return 0;
  // What the source holds in its buffer goes first, straight from there.
  const std::uint64_t buffered =
      std::min<std::uint64_t>(source.m_valid_bytes - source.m_buffer_pos, limit);
  if (buffered > 0) {
    if (!_STREAM()->Seek(m_buffer_offset, SEEK_SET)) {
      _SET_RESULT_FROM_STREAM();
      return 0;
    }
      const std::uint64_t written = _STREAM()->Write(source.m_buffer + source.m_buffer_pos, buffered);
    const DWORD write_error = _STREAM()->Error();
    source.m_buffer_pos += written;
    m_buffer_offset += static_cast<__int64>(written);
    *copied = written;
    if (written < buffered) {
      _SET_RESULT_FROM_ERROR(write_error);
      m_write_lost = true;
      return 0;
    }
  }
  if (*copied >= limit) return 1;
  std::int64_t from = source.m_buffer_offset + static_cast<__int64>(source.m_buffer_pos);
  std::int64_t to = m_buffer_offset;
  bool unsupported = false;
  const std::uint64_t moved =
      source._STREAM()->CopyRangeTo(*_STREAM(), &from, &to, limit - *copied, &unsupported);
  const DWORD copy_error = _STREAM()->Error();
  if (unsupported) return -1;
  *copied += moved;
  // Both buffers restart empty where the copy ended.
  source.m_buffer_offset = from;
  source.m_buffer_pos = 0;
  source.m_valid_bytes = 0;
  m_buffer_offset = to;
  m_buffer_pos = 0;
  m_valid_bytes = 0;
  if (copy_error != ERROR_SUCCESS) {
    _SET_RESULT_FROM_ERROR(copy_error);
    m_write_lost = true;
    return 0;
  }
  if (*copied < limit) source._SET_RESULT(ERROR_HANDLE_EOF);  // as a chunked copy records it
  return 1;
}

bool MFile::COPY(MFile& source) {
  std::uint64_t direct = 0;
  const int outcome = _COPY_DIRECT(source, std::numeric_limits<std::uint64_t>::max(), &direct);
  if (outcome == 0) return false;
  if (outcome == 1) return true;
  // Chunks of at least 64 KiB, and of a whole buffer when the buffer is larger: a chunk of a
  // buffer's size passes both buffers (see the large transfers of _READ and _WRITE), so the data is
  // copied once into the chunk and once out of it.
  const std::uint64_t chunk_size = std::max<std::uint64_t>(kCopyChunk, m_buffer_size);
  std::unique_ptr<unsigned char[]> chunk(new unsigned char[chunk_size]);
  for (;;) {
    const std::uint64_t read = source._READ(chunk.get(), chunk_size, 1);
    if (read == 0) return true;
    if (_WRITE(chunk.get(), read, 1) < read) return false;
    if (read < chunk_size) return true;
  }
}

__int64 MFile::COPY(MFile& source, __int64 n) {
  const std::uint64_t limit = n < 0 ? std::numeric_limits<std::uint64_t>::max()
                                    : static_cast<std::uint64_t>(n);
  std::uint64_t copied = 0;
  const int outcome = _COPY_DIRECT(source, limit, &copied);
  if (outcome == 0) return -1;
  if (outcome == 1) return static_cast<__int64>(copied);
  const std::uint64_t chunk_size = std::min<std::uint64_t>(m_buffer_size, limit - copied);
  if (chunk_size == 0) return static_cast<__int64>(copied);
  std::unique_ptr<unsigned char[]> chunk(new unsigned char[chunk_size]);
  while (copied < limit) {
    const std::uint64_t want = std::min(chunk_size, limit - copied);
    const std::uint64_t read = source._READ(chunk.get(), want, 1);
    if (read == 0) break;
    if (_WRITE(chunk.get(), read, 1) < read) return -1;
    copied += read;
    if (read < want) break;
  }
  return static_cast<__int64>(copied);
}
