#include <zorbase/files/MFileEx.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <zorbase/files/MFilePartEx.h>
#include <zorbase/files/internal/file_ex_internal.h>
#include <zorbase/files/internal/stream_search.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/format.h>
#include <zorbase/platform/last_error.h>

IZorFileAccess* MFileEx::mp_file_access_reporter = nullptr;

namespace zb {
namespace internal {

std::uint64_t g_file_ex_max_piece = 0xFFFFFFFFu;

}  // namespace internal
}  // namespace zb

namespace {

constexpr std::uint64_t kMinBufferSize = 16;
constexpr int kModeMask = 0x0FFF;
// Elements converted at a time when a typed transfer needs a staging copy.
constexpr std::size_t kStagingBytes = 4096;

bool IsHighSurrogate(std::uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// A wchar_t holds a whole character (UTF-32) or one UTF-16 unit (where wchar_t has 16 bits). Only
// in the first case does a surrogate pair read from a file become one wchar_t; otherwise each unit
// is one wchar_t, as it is in memory.
constexpr bool kWideHoldsAPair = sizeof(wchar_t) >= 4;

// The result code for a platform error.
DWORD MapError(DWORD error) {
  switch (error) {
    case 0:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return error;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
      return ERROR_WRITE_FAULT;
    case ERROR_ALREADY_EXISTS:
      return ERROR_GEN_FAILURE;
    default:
      return 0xFFFFFFFFu;
  }
}

bool HostIsLittleEndian() {
  const std::uint16_t probe = 1;
  unsigned char first;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

// The 16-bit unit at `p` stored in the given order.
std::uint16_t LoadUnit(const unsigned char* p, bool big_endian) {
  return big_endian ? static_cast<std::uint16_t>((p[0] << 8) | p[1])
                    : static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void StoreUnit(unsigned char* p, std::uint16_t unit, bool big_endian) {
  if (big_endian) {
    p[0] = static_cast<unsigned char>(unit >> 8);
    p[1] = static_cast<unsigned char>(unit);
  } else {
    p[0] = static_cast<unsigned char>(unit);
    p[1] = static_cast<unsigned char>(unit >> 8);
  }
}

// UTF-16 units of one wchar_t (1 or 2), as the platform's UTF-16 helpers count them.
std::size_t UnitsOf(wchar_t ch) { return zb::platform::Utf16UnitCount(&ch, 1); }

// Characters of text[0..length) whose units all lie within the first `units` units. A surrogate
// pair held in two wchar_t is kept whole: it is taken both or neither.
std::size_t CharsWithin(const wchar_t* text, std::size_t length, std::uint64_t units) {
  std::size_t chars = 0;
  std::uint64_t used = 0;
  while (chars < length) {
    std::size_t step = 1;
    std::size_t need = UnitsOf(text[chars]);
    if (need == 1 && chars + 1 < length &&
        IsHighSurrogate(static_cast<std::uint32_t>(text[chars])) &&
        IsLowSurrogate(static_cast<std::uint32_t>(text[chars + 1]))) {
      step = 2;
      need = 2;
    }
    if (used + need > units) break;
    used += need;
    chars += step;
  }
  return chars;
}

}  // namespace

// ---- construction ---------------------------------------------------------------------------

MFileEx::MFileEx(size_t buffer_size)
    : m_buffer_size(std::max<std::uint64_t>(buffer_size, kMinBufferSize)) {
  m_buffer = new unsigned char[m_buffer_size];
}

MFileEx::~MFileEx() {
  CLOSE();
  delete[] m_buffer;
}

void MFileEx::SetFileAccessReporter(IZorFileAccess* reporter) { mp_file_access_reporter = reporter; }

bool MFileEx::IS_OPEN_READ() const {
  const int mode = m_mode & kModeMask;
  return IS_OPEN() && (mode == MODE_READ || mode == MODE_UPDATE);
}

bool MFileEx::IS_OPEN_WRITE() const {
  const int mode = m_mode & kModeMask;
  return IS_OPEN() && (mode == MODE_WRITE || mode == MODE_APPEND || mode == MODE_UPDATE);
}

bool MFileEx::IS_OPEN_UPDATE() const { return IS_OPEN() && (m_mode & kModeMask) == MODE_UPDATE; }

const wchar_t* MFileEx::GET_FILENAME() const {
  return IS_OPEN() ? m_file_name.c_str() : nullptr;
}

void MFileEx::RESET_RESULT() {
  m_result = 0;
  m_write_lost = false;
}

void MFileEx::_RECORD_ERROR(DWORD error) { m_result = MapError(error); }

void MFileEx::_RECORD_SUCCESS() {
  if (!m_write_lost) m_result = 0;
}

void MFileEx::_SYNC() {
  if (m_get != nullptr) m_buffer_position = static_cast<std::uint64_t>(m_get - m_buffer);
  if (m_put != nullptr) m_buffer_position = static_cast<std::uint64_t>(m_put - m_buffer);
  m_get = m_get_end = m_put = m_put_end = nullptr;
}

void MFileEx::_ARM() {
  m_get = m_get_end = m_put = m_put_end = nullptr;
  // The inline paths copy bytes as they are: binary mode, and nothing to convert.
  if (m_handle == nullptr || m_buffer == nullptr || (m_mode & MODE_TEXT) != 0 ||
      m_machine_swap != m_file_swap) {
    return;
  }
  if (m_state == STATE_READ && m_buffer_position <= m_buffer_fill) {
    m_get = m_buffer + m_buffer_position;
    m_get_end = m_buffer + m_buffer_fill;
  } else if (m_state == STATE_WRITE && m_buffer_position <= m_buffer_size) {
    m_put = m_buffer + m_buffer_position;
    m_put_end = m_buffer + m_buffer_size;
  }
}

void MFileEx::SET_FILESWAP(unsigned char code) {
  _SyncGuard guard(this);
  MSwap::SET_FILESWAP(code);
}

void MFileEx::SET_MACHINESWAP(unsigned char code) {
  _SyncGuard guard(this);
  MSwap::SET_MACHINESWAP(code);
}

void MFileEx::_RESET_FIELDS() {
  m_handle = nullptr;
  m_file_name.clear();
  m_buffer_offset = 0;
  m_buffer_position = 0;
  m_buffer_fill = 0;
  m_mode = 0;
  _SET_STATE(0);
  m_controlled = 0;
}

// ---- opening and closing --------------------------------------------------------------------

bool MFileEx::_OPEN(const MFileName& name, int mode) {
  _SyncGuard guard(this);
  CLOSE();
  _RESET_FIELDS();
  m_result = 0;
  m_write_lost = false;
  if (name.IS_EMPTY()) return false;

  DWORD access = 0;
  DWORD disposition = 0;
  int state = 0;
  switch (mode & kModeMask) {
    case MODE_READ:
      access = GENERIC_READ;
      disposition = OPEN_EXISTING;
      state = STATE_READ;
      break;
    case MODE_WRITE:
      access = GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      state = STATE_WRITE;
      break;
    case MODE_APPEND:
      access = FILE_APPEND_DATA;
      disposition = OPEN_ALWAYS;
      state = STATE_WRITE;
      break;
    case MODE_UPDATE:
      access = GENERIC_READ | GENERIC_WRITE;
      disposition = OPEN_ALWAYS;
      state = 0;
      break;
    default:
      m_result = MapError(ERROR_INVALID_PARAMETER);
      return false;
  }
  if ((mode & ~(kModeMask | MODE_TEXT)) != 0) {
    m_result = MapError(ERROR_INVALID_PARAMETER);
    return false;
  }

  if (mp_file_access_reporter != nullptr) {
    const bool for_reading = (mode & MODE_READ) != 0;
    if (mp_file_access_reporter->UsesApproval()) {
      if (!mp_file_access_reporter->ApproveFileAccess(name, for_reading)) return false;
    } else if (mp_file_access_reporter->CheckFileAccess(name, for_reading) != 0) {
      return false;
    }
  }

  if (!name._FITS_PATH()) {  // its composed path would be cut and name another file
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    _RECORD_ERROR(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  std::wstring path = name.GET();
  HANDLE handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    _RECORD_ERROR(GetLastError());
    return false;
  }
  m_handle = handle;
  m_mode = mode;
  _SET_STATE(state);
  m_file_name = std::move(path);
  if ((mode & kModeMask) == MODE_APPEND) {
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER end;
    if (!SetFilePointerEx(m_handle, zero, &end, FILE_END)) {
      _RECORD_ERROR(GetLastError());
      CloseHandle(m_handle);
      _RESET_FIELDS();
      return false;
    }
    m_buffer_offset = static_cast<std::uint64_t>(end.QuadPart);
  }
  if (m_state == STATE_READ) _PEEK(1);
  return true;
}

bool MFileEx::CLOSE() {
  _SyncGuard guard(this);
  if (!IS_OPEN()) return true;
  // Bytes kept after a failed write get their last chance here; what is still not written is lost.
  if (!_FLUSH_WRITES()) m_write_lost = true;
  bool clean = !m_write_lost;
  if (m_write_lost && mp_file_access_reporter != nullptr) {
    mp_file_access_reporter->ReportWriteFailure(MFileName(m_file_name.c_str()), 0);
  }
  if (!CloseHandle(m_handle)) {
    _RECORD_ERROR(GetLastError());
    clean = false;
  }
  _RESET_FIELDS();
  return clean;
}

bool MFileEx::CHANGE_MODE(int mode) {
  if (!IS_OPEN()) return false;
  if (mode == m_mode) return true;
  const MFileName name(m_file_name.c_str());
  CLOSE();
  return _OPEN(name, mode);
}

// ---- the buffer -------------------------------------------------------------------------------

std::uint64_t MFileEx::_READ_HANDLE(void* dest, std::uint64_t n) {
  auto* p = static_cast<unsigned char*>(dest);
  std::uint64_t done = 0;
  while (done < n) {
    const DWORD piece =
        static_cast<DWORD>(std::min<std::uint64_t>(n - done, zb::internal::g_file_ex_max_piece));
    DWORD got = 0;
    if (!ReadFile(m_handle, p + done, piece, &got, nullptr)) {
      _RECORD_ERROR(GetLastError());
      return done + got;
    }
    done += got;
    if (got < piece) break;
  }
  _RECORD_SUCCESS();
  return done;
}

std::uint64_t MFileEx::_WRITE_HANDLE(const void* src, std::uint64_t n) {
  const auto* p = static_cast<const unsigned char*>(src);
  std::uint64_t done = 0;
  while (done < n) {
    const DWORD piece =
        static_cast<DWORD>(std::min<std::uint64_t>(n - done, zb::internal::g_file_ex_max_piece));
    DWORD put = 0;
    if (!WriteFile(m_handle, p + done, piece, &put, nullptr) || put < piece) {
      const DWORD error = GetLastError();
      _RECORD_ERROR(error != 0 ? error : ERROR_WRITE_FAULT);
      return done + put;
    }
    done += put;
  }
  _RECORD_SUCCESS();
  return done;
}

bool MFileEx::_SET_HANDLE_POSITION(std::uint64_t position) {
  LARGE_INTEGER target;
  target.QuadPart = static_cast<LONGLONG>(position);
  if (!SetFilePointerEx(m_handle, target, nullptr, FILE_BEGIN)) {
    _RECORD_ERROR(GetLastError());
    return false;
  }
  return true;
}

bool MFileEx::_FLUSH_WRITES() {
  _SyncGuard guard(this);
  if ((m_state & STATE_WRITE) == 0 || m_buffer_position == 0) return true;
  const std::uint64_t pending = m_buffer_position;
  const std::uint64_t written = _WRITE_HANDLE(m_buffer, pending);
  m_buffer_offset += written;
  // Bytes that did not reach the file stay pending for a retry (the next write, FLUSH, SEEK or
  // CLOSE), as MFile keeps them: nothing is dropped while the file is open.
  if (written < pending) std::memmove(m_buffer, m_buffer + written, pending - written);
  m_buffer_position = pending - written;
  return written == pending;
}

bool MFileEx::_DROP_READ_AHEAD() {
  _SyncGuard guard(this);
  const bool held = m_buffer_fill != 0;
  m_buffer_offset += m_buffer_position;
  m_buffer_fill = 0;
  m_buffer_position = 0;
  return !held || _SET_HANDLE_POSITION(m_buffer_offset);
}

bool MFileEx::_BEGIN_READ() {
  _SyncGuard guard(this);
  if (!IS_OPEN()) {
    m_result = ERROR_INVALID_HANDLE;
    return false;
  }
  if (!IS_OPEN_READ()) {
    m_result = ERROR_ACCESS_DENIED;
    return false;
  }
  if ((m_state & STATE_READ) == 0) {
    if (!_FLUSH_WRITES()) return false;  // the kept bytes must reach the file before a read
    _SET_STATE(STATE_READ);
    m_buffer_position = 0;
    m_buffer_fill = 0;
  }
  return true;
}

bool MFileEx::_BEGIN_WRITE() {
  _SyncGuard guard(this);
  if (!IS_OPEN()) {
    m_result = ERROR_INVALID_HANDLE;
    return false;
  }
  if (!IS_OPEN_WRITE()) {
    m_result = ERROR_ACCESS_DENIED;
    return false;
  }
  if ((m_state & STATE_WRITE) == 0) {
    if (!_DROP_READ_AHEAD()) return false;
    _SET_STATE(STATE_WRITE);
    m_buffer_position = 0;
    m_buffer_fill = 0;
    if ((m_mode & kModeMask) == MODE_APPEND) {
      // Every write of an append handle lands at the end, wherever SEEK moved the position.
      LARGE_INTEGER size;
      if (GetFileSizeEx(m_handle, &size)) m_buffer_offset = static_cast<std::uint64_t>(size.QuadPart);
    }
  }
  return true;
}

std::uint64_t MFileEx::_PEEK(std::uint64_t k) {
  _SyncGuard guard(this);
  std::uint64_t available = m_buffer_fill - m_buffer_position;
  if (available >= k) return available;
  if (m_buffer_position != 0) {
    std::memmove(m_buffer, m_buffer + m_buffer_position, available);
    m_buffer_offset += m_buffer_position;
    m_buffer_position = 0;
    m_buffer_fill = available;
  }
  m_buffer_fill += _READ_HANDLE(m_buffer + m_buffer_fill, m_buffer_size - m_buffer_fill);
  return m_buffer_fill - m_buffer_position;
}

void MFileEx::_UNREAD_TO(std::uint64_t position) {
  _SyncGuard guard(this);
  if (position >= m_buffer_offset) {
    m_buffer_position = position - m_buffer_offset;
  } else {
    // The bytes are no longer held: read them again from the handle.
    m_buffer_offset = position;
    m_buffer_position = 0;
    m_buffer_fill = 0;
    _SET_HANDLE_POSITION(position);
  }
}

// ---- byte transfers ---------------------------------------------------------------------------

std::uint64_t MFileEx::_READ_BYTES(void* dest, std::uint64_t n, TextUnit unit) {
  _SyncGuard guard(this);
  if (n == 0 || !_BEGIN_READ()) return 0;
  auto* out = static_cast<unsigned char*>(dest);
  std::uint64_t done = 0;

  if ((m_mode & MODE_TEXT) == 0) {
    const std::uint64_t held = std::min(n, m_buffer_fill - m_buffer_position);
    std::memcpy(out, m_buffer + m_buffer_position, held);
    m_buffer_position += held;
    done = held;
    if (done < n && n - done > m_buffer_size) {
      // A large request goes straight from the handle into the caller's memory.
      m_buffer_offset += m_buffer_position;
      m_buffer_position = m_buffer_fill = 0;
      const std::uint64_t got = _READ_HANDLE(out + done, n - done);
      m_buffer_offset += got;
      done += got;
    } else {
      while (done < n && _PEEK(1) > 0) {
        const std::uint64_t take = std::min(n - done, m_buffer_fill - m_buffer_position);
        std::memcpy(out + done, m_buffer + m_buffer_position, take);
        m_buffer_position += take;
        done += take;
      }
    }
    return done;
  }

  if (unit == kTextByte) {
    while (done < n && _PEEK(1) > 0) {
      const unsigned char* p = m_buffer + m_buffer_position;
      const std::uint64_t span = std::min(n - done, m_buffer_fill - m_buffer_position);
      const void* cr = std::memchr(p, '\r', span);
      const std::uint64_t run = cr ? static_cast<std::uint64_t>(static_cast<const unsigned char*>(cr) - p) : span;
      std::memcpy(out + done, p, run);
      m_buffer_position += run;
      done += run;
      // Every CR is dropped and the next byte read in its place.
      if (cr != nullptr) ++m_buffer_position;
    }
    return done;
  }

  const bool big_endian = unit == kTextUnitBE;
  while (done < n) {
    const std::uint64_t available = _PEEK(2);
    if (available == 0) break;
    if (available == 1 || n - done == 1) {
      // An odd byte at the end of the file or of the request.
      out[done++] = m_buffer[m_buffer_position++];
      continue;
    }
    if (LoadUnit(m_buffer + m_buffer_position, big_endian) == 0x000D) {
      m_buffer_position += 2;  // every CR unit is dropped
      continue;
    }
    out[done] = m_buffer[m_buffer_position];
    out[done + 1] = m_buffer[m_buffer_position + 1];
    done += 2;
    m_buffer_position += 2;
  }
  return done;
}

std::uint64_t MFileEx::_WRITE_BYTES(const void* src, std::uint64_t n, TextUnit unit) {
  _SyncGuard guard(this);
  if (n == 0 || !_BEGIN_WRITE()) return 0;
  const auto* in = static_cast<const unsigned char*>(src);

  if ((m_mode & MODE_TEXT) == 0) {
    if (m_buffer_position + n <= m_buffer_size) {
      std::memcpy(m_buffer + m_buffer_position, in, n);
      m_buffer_position += n;
      return n;
    }
    if (!_FLUSH_WRITES()) return 0;
    if (n >= m_buffer_size) {
      const std::uint64_t written = _WRITE_HANDLE(in, n);
      m_buffer_offset += written;
      // The caller's bytes past `written` are not kept: the loss stays reported until CLOSE.
      if (written < n) m_write_lost = true;
      return written;
    }
    std::memcpy(m_buffer, in, n);
    m_buffer_position = n;
    return n;
  }

  // Text mode: LF units become CR LF. Bytes in the pending block are kept when a flush fails, so
  // what was taken stays taken; the write stops when there is no room left.
  std::uint64_t taken = 0;
  const std::uint64_t width = unit == kTextByte ? 1 : 2;
  const bool big_endian = unit == kTextUnitBE;
  while (taken < n) {
    if (m_buffer_size - m_buffer_position < 2 * width) {
      if (!_FLUSH_WRITES() && m_buffer_size - m_buffer_position < 2 * width) return taken;
    }
    const std::uint64_t room = m_buffer_size - m_buffer_position;
    unsigned char* dst = m_buffer + m_buffer_position;
    if (unit == kTextByte) {
      const std::uint64_t span = std::min(n - taken, room);
      const void* lf = std::memchr(in + taken, '\n', span);
      const std::uint64_t run =
          lf ? static_cast<std::uint64_t>(static_cast<const unsigned char*>(lf) - (in + taken)) : span;
      std::memcpy(dst, in + taken, run);
      m_buffer_position += run;
      taken += run;
      if (lf == nullptr) continue;
      if (m_buffer_size - m_buffer_position < 2) continue;  // flushed at the top of the loop
      m_buffer[m_buffer_position++] = '\r';
      m_buffer[m_buffer_position++] = '\n';
      ++taken;
      continue;
    }
    // 16-bit units.
    std::uint64_t copied = 0;
    while (taken < n && copied + 4 <= room) {
      if (n - taken == 1) {
        dst[copied++] = in[taken++];
          break;
      }
      const std::uint16_t u = LoadUnit(in + taken, big_endian);
      if (u == 0x000A) {
        StoreUnit(dst + copied, 0x000D, big_endian);
        copied += 2;
      }
      dst[copied] = in[taken];
      dst[copied + 1] = in[taken + 1];
      copied += 2;
      taken += 2;
    }
    m_buffer_position += copied;
  }
  return taken;
}

// ---- position and size --------------------------------------------------------------------

bool MFileEx::SEEK(__int64 offset, int origin) {
  _SyncGuard guard(this);
  if (!IS_OPEN() || origin < 0 || origin > 2) return false;
  if ((m_state & STATE_READ) != 0 && origin != 2) {
    // A target inside the read-ahead only moves the position there.
    const __int64 base = origin == 0 ? 0 : static_cast<__int64>(TELL());
    if (!(offset > 0 && base > std::numeric_limits<__int64>::max() - offset)) {
      const __int64 target = base + offset;
      if (target >= static_cast<__int64>(m_buffer_offset) &&
          static_cast<std::uint64_t>(target) <= m_buffer_offset + m_buffer_fill) {
        m_buffer_position = static_cast<std::uint64_t>(target) - m_buffer_offset;
        return true;
      }
    }
  }
  if (!_FLUSH_WRITES()) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(m_handle, &size)) {
    _RECORD_ERROR(GetLastError());
    return false;
  }
  const __int64 end = size.QuadPart;
  __int64 base = 0;
  if (origin == 1) base = static_cast<__int64>(TELL());
  if (origin == 2) base = end;
  if ((offset > 0 && base > end - offset) || (offset < 0 && base + offset < 0)) return false;
  const __int64 target = base + offset;
  if (target < 0 || target > end) return false;
  if (!_SET_HANDLE_POSITION(static_cast<std::uint64_t>(target))) return false;
  m_buffer_position = 0;
  m_buffer_fill = 0;
  m_buffer_offset = static_cast<std::uint64_t>(target);
  // An append handle writes at the end: the next write finds out where that is.
  if ((m_mode & kModeMask) == MODE_APPEND) _SET_STATE(0);
  return true;
}

__int64 MFileEx::SIZE() {
  _SyncGuard guard(this);
  if (!IS_OPEN()) return -1;
  _FLUSH_WRITES();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(m_handle, &size)) {
    _RECORD_ERROR(GetLastError());
    return -1;
  }
  return size.QuadPart;
}

bool MFileEx::FEOF() {
  _SyncGuard guard(this);
  if (!IS_OPEN()) return true;
  if ((m_mode & (MODE_WRITE | MODE_APPEND | MODE_UPDATE)) != 0) return false;
  if (!_BEGIN_READ()) return true;
  return _PEEK(1) == 0;
}

bool MFileEx::FLUSH(bool to_disk) {
  _SyncGuard guard(this);
  if (!IS_OPEN()) return false;
  bool ok = _FLUSH_WRITES();
  if (to_disk && IS_OPEN_WRITE() && !FlushFileBuffers(m_handle)) {
    _RECORD_ERROR(GetLastError());
    m_write_lost = true;
    ok = false;
  }
  return ok && !m_write_lost;
}

bool MFileEx::SET_BUFFER_SIZE(size_t n) {
  _SyncGuard guard(this);
  const std::uint64_t size = std::max<std::uint64_t>(n, kMinBufferSize);
  bool ok = true;
  if (IS_OPEN()) {
    ok = _FLUSH_WRITES();
    if ((m_state & STATE_READ) != 0) _DROP_READ_AHEAD();
  }
  // Bytes kept after a failed write move into the new buffer; when they do not fit, the old
  // buffer stays.
  const std::uint64_t kept = (m_state & STATE_WRITE) != 0 ? m_buffer_position : 0;
  if (kept > size) return false;
  unsigned char* fresh = new unsigned char[size];
  if (kept > 0) std::memcpy(fresh, m_buffer, kept);
  delete[] m_buffer;
  m_buffer = fresh;
  m_buffer_size = size;
  m_buffer_position = kept;
  m_buffer_fill = 0;
  if (IS_OPEN() && (m_state & STATE_READ) != 0) _PEEK(1);
  return ok;
}

bool MFileEx::COPY(MFileEx& source, size_t n) {
  if (&source == this || !IS_OPEN_WRITE() || !source.IS_OPEN_READ()) return false;
  const std::uint64_t chunk = m_buffer_size;
  std::unique_ptr<unsigned char[]> block(new unsigned char[chunk]);
  std::uint64_t remaining = n;
  while (remaining > 0) {
    const std::uint64_t want = std::min(remaining, chunk);
    const std::uint64_t got = source._READ_BYTES(block.get(), want, kTextByte);
    if (got == 0) break;
    if (_WRITE_BYTES(block.get(), got, kTextByte) != got) return false;
    if (n != static_cast<size_t>(-1)) remaining -= got;
  }
  return true;
}

// ---- typed arrays -------------------------------------------------------------------------

MFileEx::TextUnit MFileEx::_UNIT16_IN_FILE_ORDER() const {
  const bool swapped = _SWAP_MASK(2) != 0;
  return HostIsLittleEndian() != swapped ? kTextUnitLE : kTextUnitBE;
}

std::uint64_t MFileEx::_WRITE_ELEMENTS(const void* p, size_t count, size_t width) {
  if (p == nullptr || count == 0) return 0;
  if (count > std::numeric_limits<std::uint64_t>::max() / width) return 0;
  // Typed values are byte data for the text translation.
  if (_SWAP_MASK(width) == 0) {
    return _WRITE_BYTES(p, static_cast<std::uint64_t>(count) * width, kTextByte) / width;
  }
  // Converted through a staging copy, so the caller's array never changes.
  alignas(8) unsigned char staging[kStagingBytes];
  const std::size_t chunk = kStagingBytes / width;
  const auto* src = static_cast<const unsigned char*>(p);
  std::uint64_t done = 0;
  while (done < count) {
    const std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, chunk));
    std::memcpy(staging, src + done * width, k * width);
    _SWAP_UNITS(staging, k, width);
    const std::uint64_t bytes = _WRITE_BYTES(staging, k * width, kTextByte);
    done += bytes / width;
    if (bytes != k * width) break;
  }
  return done;
}

std::uint64_t MFileEx::_READ_ELEMENTS(void* p, size_t count, size_t width) {
  if (p == nullptr || count == 0) return 0;
  if (count > std::numeric_limits<std::uint64_t>::max() / width) return 0;
  const std::uint64_t bytes = _READ_BYTES(p, static_cast<std::uint64_t>(count) * width, kTextByte);
  const std::uint64_t whole = bytes / width;
  if (_SWAP_MASK(width) != 0) _SWAP_UNITS(p, static_cast<std::size_t>(whole), width);
  return whole;
}

std::uint64_t MFileEx::READ(bool* p, size_t count) {
  const std::uint64_t read = _READ_ELEMENTS(p, count, 1);
  // Any byte but 0 is true; a bool never holds another value.
  auto* bytes = reinterpret_cast<unsigned char*>(p);
  for (std::uint64_t i = 0; i < read; ++i) bytes[i] = bytes[i] != 0 ? 1 : 0;
  return read;
}

std::uint64_t MFileEx::WRITE(const wchar_t* p, size_t count) {
  if (p == nullptr || count == 0) return 0;
  return _WRITE_WIDE(p, count, _UNIT16_IN_FILE_ORDER(), true);
}

std::uint64_t MFileEx::READ(wchar_t* p, size_t count) {
  if (p == nullptr || count == 0) return 0;
  const TextUnit unit = _UNIT16_IN_FILE_ORDER();
  const bool big_endian = unit == kTextUnitBE;
  constexpr std::size_t kChunk = kStagingBytes / 2;
  unsigned char staging[kChunk * 2];
  std::uint64_t produced = 0;
  while (produced < count) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(count - produced, kChunk));
    const std::uint64_t bytes = _READ_BYTES(staging, want * 2, unit);
    const std::size_t units = static_cast<std::size_t>(bytes / 2);
    for (std::size_t i = 0; i < units; ++i) {
      const std::uint16_t u = LoadUnit(staging + 2 * i, big_endian);
      wchar_t ch = static_cast<wchar_t>(u);
      if (kWideHoldsAPair && IsHighSurrogate(u)) {
        std::uint16_t low = 0;
        bool paired = false;
        if (i + 1 < units) {
          low = LoadUnit(staging + 2 * (i + 1), big_endian);
          paired = IsLowSurrogate(low);
          if (paired) ++i;
        } else if (bytes % 2 == 0) {
          // The pair may continue past this chunk: look at the next unit.
          const std::uint64_t before = TELL();
          unsigned char next[2];
          if (_READ_BYTES(next, 2, unit) == 2) {
            low = LoadUnit(next, big_endian);
            paired = IsLowSurrogate(low);
            if (!paired) _UNREAD_TO(before);
          }
        }
        if (paired) ch = static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
      }
      p[produced++] = ch;
    }
    if (bytes < want * 2) break;
  }
  return produced;
}

std::uint64_t MFileEx::WRITE(const MFilePartEx* const_parts, size_t count) {
  if (const_parts == nullptr || count == 0) return 0;
  // The parts' operations are not const (a host's part classes have that shape); packing does not
  // change a part.
  MFilePartEx* parts = const_cast<MFilePartEx*>(const_parts);
  const size_t size = parts->PART_SIZE();
  if (size == 0 || count > std::numeric_limits<size_t>::max() / size) return 0;
  // Out of memory: std::bad_alloc reaches the caller before anything is written (see MFile).
  std::unique_ptr<unsigned char[]> block(new unsigned char[size * count]());
  for (size_t i = 0; i < count; ++i) parts->GET_PART(i)->SWAP_OUT(block.get() + i * size);
  return _WRITE_BYTES(block.get(), size * count, kTextByte) / size;
}

std::uint64_t MFileEx::READ(MFilePartEx* parts, size_t count) {
  if (parts == nullptr || count == 0) return 0;
  const size_t size = parts->PART_SIZE();
  if (size == 0 || count > std::numeric_limits<size_t>::max() / size) return 0;
  std::unique_ptr<unsigned char[]> block(new unsigned char[size * count]());
  const std::uint64_t records = _READ_BYTES(block.get(), size * count, kTextByte) / size;
  for (size_t i = 0; i < records; ++i) parts->GET_PART(i)->SWAP_IN(block.get() + i * size);
  return records;
}

std::uint64_t MFileEx::WRITE_AS_BYTE_ARRAY(const std::uint32_t* value, std::uint32_t n) {
  if (value == nullptr || n > 4) return 0;
  std::uint32_t copy = *value;
  if (_SWAP_MASK(4) != 0) SWAP(&copy, 1);
  return _WRITE_BYTES(&copy, n, kTextByte);
}

std::uint64_t MFileEx::READ_AS_BYTE_ARRAY(std::uint32_t* value, std::uint32_t n) {
  if (value == nullptr || n > 4) return 0;
  std::uint32_t copy = 0;
  const std::uint64_t got = _READ_BYTES(&copy, n, kTextByte);
  if (_SWAP_MASK(4) != 0) SWAP(&copy, 1);
  *value = copy;
  return got;
}

std::uint64_t MFileEx::WRITE_AS_BYTE_ARRAY(const unsigned long* value, unsigned long n) {
  if (value == nullptr) return 0;
  if (*value > 0xFFFFFFFFul) {
    m_result = ERROR_INVALID_PARAMETER;
    return 0;
  }
  const std::uint32_t narrow = static_cast<std::uint32_t>(*value);
  // More than 4 bytes is refused as for the 32-bit form.
  return WRITE_AS_BYTE_ARRAY(&narrow, n > 4 ? 5 : static_cast<std::uint32_t>(n));
}

std::uint64_t MFileEx::READ_AS_BYTE_ARRAY(unsigned long* value, unsigned long n) {
  if (value == nullptr) return 0;
  std::uint32_t narrow = 0;
  const std::uint64_t read =
      READ_AS_BYTE_ARRAY(&narrow, static_cast<std::uint32_t>(std::min<unsigned long>(n, 4)));
  *value = narrow;
  return read;
}

// ---- strings ----------------------------------------------------------------------------------

size_t MFileEx::_WRITE_WIDE(const wchar_t* text, size_t length, TextUnit unit,
                            bool to_file_order) {
  // Converted in chunks: each chunk's units, in LE order, then swapped for a BE file.
  constexpr std::size_t kChunkChars = 1024;
  size_t written = 0;
  while (written < length) {
    const size_t k = std::min(length - written, kChunkChars);
    std::string units = zb::platform::WideToUtf16Le(text + written, k);
    if (to_file_order && unit == kTextUnitBE) {
      for (std::size_t i = 0; i + 1 < units.size(); i += 2) std::swap(units[i], units[i + 1]);
    }
    const std::uint64_t bytes = _WRITE_BYTES(units.data(), units.size(), unit);
    if (bytes != units.size()) return written + CharsWithin(text + written, k, bytes / 2);
    written += k;
  }
  return written;
}

std::uint64_t MFileEx::WRITE_STRING_DATA(const CString& text) {
  const wchar_t* chars = text.GetString();
  std::size_t length = static_cast<std::size_t>(text.GetLength());
  std::size_t units = zb::platform::Utf16UnitCount(chars, length);
  const bool cut = units > 0xFFFF;
  if (cut) {
    length = CharsWithin(chars, length, 0xFFFF);
    units = zb::platform::Utf16UnitCount(chars, length);
  }
  const unsigned short count = static_cast<unsigned short>(units);
  if (WRITE(&count, 1) != 1) return 0;
  const std::uint64_t written = _WRITE_WIDE(chars, length, kTextUnitLE, false);
  if (cut && !m_write_lost) m_result = MapError(ERROR_INVALID_PARAMETER);
  return written;
}

std::uint64_t MFileEx::WRITE_STRING_DATA(const CStringA& text) {
  const std::size_t full = static_cast<std::size_t>(text.GetLength());
  const std::size_t length = std::min<std::size_t>(full, 0xFFFF);
  const unsigned short count = static_cast<unsigned short>(length);
  if (WRITE(&count, 1) != 1) return 0;
  const std::uint64_t written = _WRITE_BYTES(text.GetString(), length, kTextByte);
  if (length < full && !m_write_lost) m_result = MapError(ERROR_INVALID_PARAMETER);
  return written;
}

size_t MFileEx::READ_STRING_DATA(CString& text) {
  text.Empty();
  unsigned short count = 0;
  if (READ(&count, 1) != 1) return 0;
  std::string bytes(static_cast<std::size_t>(count) * 2, '\0');
  const std::uint64_t got = _READ_BYTES(bytes.data(), bytes.size(), kTextUnitLE);
  const std::wstring wide = zb::platform::Utf16LeToWide(bytes.data(), got - got % 2);
  text.SetString(wide.c_str(), static_cast<int>(wide.size()));
  return static_cast<size_t>(got / 2);
}

size_t MFileEx::READ_STRING_DATA(CStringA& text) {
  text.Empty();
  unsigned short count = 0;
  if (READ(&count, 1) != 1) return 0;
  std::string bytes(count, '\0');
  const std::uint64_t got = _READ_BYTES(bytes.data(), bytes.size(), kTextByte);
  text.SetString(bytes.data(), static_cast<int>(got));
  return static_cast<size_t>(got);
}

size_t MFileEx::WRITE_STRING(const CString& text) {
  return _WRITE_WIDE(text.GetString(), static_cast<size_t>(text.GetLength()), kTextUnitLE, false);
}

size_t MFileEx::WRITE_STRING(const wchar_t* text) {
  if (text == nullptr) return 0;
  return _WRITE_WIDE(text, std::wcslen(text), kTextUnitLE, false);
}

size_t MFileEx::WRITE_STRING(const CStringA& text) {
  return static_cast<size_t>(
      _WRITE_BYTES(text.GetString(), static_cast<std::uint64_t>(text.GetLength()), kTextByte));
}

size_t MFileEx::WRITE_STRING(const char* text) {
  if (text == nullptr) return 0;
  return static_cast<size_t>(_WRITE_BYTES(text, std::strlen(text), kTextByte));
}

size_t MFileEx::WRITE_STRING_COMPLETED(const wchar_t* text, const wchar_t* completion) {
  const size_t written = WRITE_STRING(text);
  if ((m_mode & MODE_TEXT) != 0) WRITE_STRING(completion);
  return written;
}

size_t MFileEx::WRITE_STRING_COMPLETED(const char* text, const char* completion) {
  const size_t written = WRITE_STRING(text);
  if ((m_mode & MODE_TEXT) != 0) WRITE_STRING(completion);
  return written;
}

bool MFileEx::_READ_UNIT16(std::uint16_t* unit) {
  unsigned char bytes[2];
  if (_READ_BYTES(bytes, 2, kTextUnitLE) != 2) return false;
  *unit = LoadUnit(bytes, false);
  return true;
}

bool MFileEx::_READ_WIDE_CHAR(wchar_t* ch) {
  std::uint16_t u = 0;
  if (!_READ_UNIT16(&u)) return false;
  *ch = static_cast<wchar_t>(u);
  if (kWideHoldsAPair && IsHighSurrogate(u)) {
    const std::uint64_t before = TELL();
    std::uint16_t low = 0;
    if (_READ_UNIT16(&low)) {
      if (IsLowSurrogate(low)) {
        *ch = static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
      } else {
        _UNREAD_TO(before);
      }
    }
  }
  return true;
}

size_t MFileEx::READ_STRING_UNTIL(wchar_t* out, const wchar_t* stops, size_t max) {
  if (out == nullptr) return 0;
  size_t stored = 0;
  wchar_t ch = 0;
  while (stored < max && _READ_WIDE_CHAR(&ch)) {
    if (ch == 0 || (stops != nullptr && std::wcschr(stops, ch) != nullptr)) break;
    out[stored++] = ch;
  }
  out[stored] = 0;
  return stored;
}

size_t MFileEx::READ_STRING_UNTIL(char* out, const char* stops, size_t max) {
  if (out == nullptr) return 0;
  size_t stored = 0;
  char ch = 0;
  while (stored < max && _READ_BYTES(&ch, 1, kTextByte) == 1) {
    if (ch == 0 || (stops != nullptr && std::strchr(stops, ch) != nullptr)) break;
    out[stored++] = ch;
  }
  out[stored] = 0;
  return stored;
}

size_t MFileEx::READ_STRING_UNTIL(CString& out, const wchar_t* stops, size_t max) {
  std::wstring text;
  wchar_t ch = 0;
  while (text.size() < max && _READ_WIDE_CHAR(&ch)) {
    if (ch == 0 || (stops != nullptr && std::wcschr(stops, ch) != nullptr)) break;
    text.push_back(ch);
  }
  out.SetString(text.c_str(), static_cast<int>(text.size()));
  return text.size();
}

size_t MFileEx::READ_STRING_UNTIL(CStringA& out, const char* stops, size_t max) {
  std::string text;
  char ch = 0;
  while (text.size() < max && _READ_BYTES(&ch, 1, kTextByte) == 1) {
    if (ch == 0 || (stops != nullptr && std::strchr(stops, ch) != nullptr)) break;
    text.push_back(ch);
  }
  out.SetString(text.c_str(), static_cast<int>(text.size()));
  return text.size();
}

int MFileEx::FPRINTF(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int written = VFPRINTF(format, args);
  va_end(args);
  return written;
}

int MFileEx::VFPRINTF(const wchar_t* format, va_list args) {
  if (format == nullptr) return -1;
  const std::wstring text = zb::platform::VFormatW(format, args);
  return static_cast<int>(_WRITE_WIDE(text.data(), text.size(), kTextUnitLE, false));
}

int MFileEx::FPRINTF(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int written = VFPRINTF(format, args);
  va_end(args);
  return written;
}

int MFileEx::VFPRINTF(const char* format, va_list args) {
  if (format == nullptr) return -1;
  const std::string text = zb::platform::VFormatA(format, args);
  return static_cast<int>(_WRITE_BYTES(text.data(), text.size(), kTextByte));
}

wchar_t* MFileEx::FGETS(wchar_t* out, int n) {
  if (out == nullptr || n < 1) return out;
  int stored = 0;
  wchar_t ch = 0;
  while (stored < n - 1 && _READ_WIDE_CHAR(&ch)) {
    if (ch == L'\r' || ch == L'\n') {
      out[stored++] = L'\n';
      if (ch == L'\r') {
        // CR LF is one line end; anything else after the CR is left for the next read.
        const std::uint64_t before = TELL();
        std::uint16_t next = 0;
        if (_READ_UNIT16(&next) && next != 0x000A) _UNREAD_TO(before);
      }
      break;
    }
    out[stored++] = ch;
  }
  out[stored] = 0;
  return out;
}

char* MFileEx::FGETS(char* out, int n) {
  if (out == nullptr || n < 1) return out;
  int stored = 0;
  unsigned char byte = 0;
  while (stored < n - 1 && _READ_BYTES(&byte, 1, kTextByte) == 1) {
    if (byte >= 0x80) break;
    out[stored++] = static_cast<char>(byte);
  }
  out[stored] = 0;
  return out;
}

char* MFileEx::FGETS_STOP_ENDL(char* out, int n, bool strip_endl) {
  if (out == nullptr || n < 1) return out;
  int stored = 0;
  bool line_end = false;
  char ch = 0;
  while (stored < n - 1 && _READ_BYTES(&ch, 1, kTextByte) == 1) {
    if (ch == '\r' || ch == '\n') {
      line_end = true;
      // One more byte belongs to the line end when it is CR or LF too (LF LF is one line end).
      const std::uint64_t before = TELL();
      char next = 0;
      if (_READ_BYTES(&next, 1, kTextByte) == 1 && next != '\r' && next != '\n') _UNREAD_TO(before);
      break;
    }
    out[stored++] = ch;
  }
  // A line end was read only while fewer than n-1 bytes were stored, so the LF fits.
  if (line_end && !strip_endl) out[stored++] = '\n';
  out[stored] = 0;
  return out;
}

bool MFileEx::SEARCH_STRING(const wchar_t* text, size_t max, bool case_sensitive) {
  if (text == nullptr) return false;
  const std::string units = zb::platform::WideToUtf16Le(text, std::wcslen(text));
  const std::size_t length = units.size() / 2;
  if (max != static_cast<size_t>(-1) && max <= length) return false;
  const std::uint64_t window =
      max == static_cast<size_t>(-1) ? std::numeric_limits<std::uint64_t>::max() : max - length;
  std::vector<std::uint32_t> pattern(length);
  for (std::size_t i = 0; i < length; ++i) {
    pattern[i] = LoadUnit(reinterpret_cast<const unsigned char*>(units.data()) + 2 * i, false);
  }
  zb::internal::StreamMatcher matcher(std::move(pattern), case_sensitive);
  if (length == 0) return true;
  std::uint16_t u = 0;
  for (std::uint64_t read = 0; read < window && _READ_UNIT16(&u); ++read) {
    if (matcher.Feed(u)) return true;
  }
  return false;
}

bool MFileEx::SEARCH_STRING(const char* text, size_t max, bool case_sensitive) {
  if (text == nullptr) return false;
  const std::size_t length = std::strlen(text);
  if (max != static_cast<size_t>(-1) && max <= length) return false;
  const std::uint64_t window =
      max == static_cast<size_t>(-1) ? std::numeric_limits<std::uint64_t>::max() : max - length;
  std::vector<std::uint32_t> pattern(text, text + length);
  for (std::uint32_t& unit : pattern) unit &= 0xFF;  // bytes, whatever the sign of char
  zb::internal::StreamMatcher matcher(std::move(pattern), case_sensitive);
  if (length == 0) return true;
  unsigned char byte = 0;
  for (std::uint64_t read = 0; read < window && _READ_BYTES(&byte, 1, kTextByte) == 1; ++read) {
    if (matcher.Feed(byte)) return true;
  }
  return false;
}
