#include <zorbase/files/MFileMemory.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include <zorbase/platform/win_errors.h>

namespace {

constexpr unsigned short kModeMask = 0x0FFF;

}  // namespace

MFileMemory::MFileMemory()
    : m_memory(nullptr), m_capacity(0), m_position(0), m_owned(true), m_size(0) {}

MFileMemory::~MFileMemory() {
  // Closes the fast paths: MFile's destructor must not see pointers into a freed block.
  _SYNC();
  _RELEASE_BLOCK(nullptr);
}

void MFileMemory::_SYNC() { _FOLD_FAST_PATHS(m_memory, &m_position, &m_size); }

void MFileMemory::_ARM() {
  m_get = m_get_end = m_put = m_put_end = nullptr;
  // The fast paths copy bytes as they are, so they open only when there is nothing to convert.
  if (m_memory == nullptr || m_machine_swap != m_file_swap) return;
  const unsigned mode = m_mode & kModeMask;
  if (mode == MODE_READ) {
    if (m_position <= m_size) {
      m_get = m_memory + m_position;
      m_get_end = m_memory + m_size;
    }
  } else if (mode == MODE_WRITE || mode == MODE_UPDATE || mode == MODE_APPEND) {
    // Room up to one byte before the capacity: a write that reaches the capacity takes the slow
    // path, which grows an owned block then (and cuts a write at the end of a lent one).
    if (m_position < m_capacity && m_capacity - m_position > 1) {
      m_put = m_memory + m_position;
      m_put_end = m_memory + m_capacity - 1;
    }
  }
}

std::uint64_t MFileMemory::_POSITION() const {
  if (m_get != nullptr) return static_cast<std::uint64_t>(m_get - m_memory);
  if (m_put != nullptr) return static_cast<std::uint64_t>(m_put - m_memory);
  return m_position;
}

std::uint64_t MFileMemory::_SIZE() const {
  if (m_put != nullptr) return std::max(m_size, static_cast<std::uint64_t>(m_put - m_memory));
  return m_size;
}

void MFileMemory::_RELEASE_BLOCK(const unsigned char* keep) {
  if (m_owned && m_memory != keep) delete[] m_memory;
  m_memory = nullptr;
  m_capacity = 0;
  m_size = 0;
  m_position = 0;
  m_owned = true;
}

void MFileMemory::_GROW(std::uint64_t capacity) {
  if (capacity > std::numeric_limits<size_t>::max()) throw std::bad_alloc();
  // An allocation of 0 bytes still gives a block, so a file opened with size 0 is open.
  unsigned char* fresh = new unsigned char[capacity != 0 ? static_cast<size_t>(capacity) : 1];
  if (m_memory != nullptr && m_size != 0) std::memcpy(fresh, m_memory, m_size);
  if (m_owned) delete[] m_memory;
  m_memory = fresh;
  m_capacity = capacity;
  m_owned = true;
}

bool MFileMemory::OPEN_WRITE(LONG n, unsigned char* external) {
  _SyncGuard guard(this);
  if (n < 0) {
    _SET_RESULT(ERROR_INVALID_FUNCTION);
    return false;
  }
  const bool keep_owned = external != nullptr && external == m_memory && m_owned;
  _RELEASE_BLOCK(external);
  if (external != nullptr) {
    m_memory = external;
    m_owned = keep_owned;
    m_size = static_cast<std::uint64_t>(n);
  } else {
    _GROW(static_cast<std::uint64_t>(n));
    m_size = 0;
  }
  m_capacity = static_cast<std::uint64_t>(n);
  m_mode = MODE_WRITE;
  m_position = 0;
  return true;
}

bool MFileMemory::OPEN_READ(LONG n, unsigned char* data) {
  _SyncGuard guard(this);
  if (n < 0) {
    _SET_RESULT(ERROR_INVALID_FUNCTION);
    return false;
  }
  if (n == 0 && data == nullptr) {
    if (m_memory == nullptr) return false;
    m_mode = MODE_READ;
    m_position = 0;
    return true;
  }
  const bool keep_owned = data != nullptr && data == m_memory && m_owned;
  _RELEASE_BLOCK(data);
  if (data != nullptr) {
    m_memory = data;
    m_owned = keep_owned;
  } else {
    _GROW(static_cast<std::uint64_t>(n));
    std::memset(m_memory, 0, static_cast<size_t>(n));
  }
  m_size = m_capacity = static_cast<std::uint64_t>(n);
  m_mode = MODE_READ;
  m_position = 0;
  return true;
}

bool MFileMemory::_OPEN(const MFileName&, unsigned short mode) {
  _SyncGuard guard(this);
  m_mode = mode;
  return true;
}

bool MFileMemory::CLOSE() {
  _SyncGuard guard(this);
  m_mode = 0;
  return true;
}

bool MFileMemory::CHANGE_MODE(unsigned short mode) {
  _SyncGuard guard(this);
  m_position = 0;
  m_mode = mode;
  return true;
}

bool MFileMemory::IS_OPEN() const { return m_memory != nullptr && m_mode != 0; }

bool MFileMemory::IS_OPEN_READ() const {
  const unsigned mode = m_mode & kModeMask;
  return IS_OPEN() && (mode == MODE_READ || mode == MODE_UPDATE);
}

bool MFileMemory::IS_OPEN_WRITE() const {
  const unsigned mode = m_mode & kModeMask;
  return IS_OPEN() && (mode == MODE_WRITE || mode == MODE_UPDATE || mode == MODE_APPEND);
}

bool MFileMemory::IS_OPEN_UPDATE() const {
  return IS_OPEN() && (m_mode & kModeMask) == MODE_UPDATE;
}

__int64 MFileMemory::SIZE() const { return static_cast<__int64>(_SIZE()); }

__int64 MFileMemory::TELL() const { return static_cast<__int64>(_POSITION()); }

bool MFileMemory::FEOF() { return _POSITION() >= _SIZE(); }

bool MFileMemory::FLUSH() { return true; }

bool MFileMemory::SEEK(__int64 offset, LONG origin) {
  _SyncGuard guard(this);
  const __int64 size = static_cast<__int64>(m_size);
  __int64 target = 0;
  switch (origin) {
    case 0:
      if (offset < 0 || offset > size) return false;
      target = offset;
      break;
    case 1: {
      const __int64 position = static_cast<__int64>(m_position);
      if (offset < -position || offset > size - position) return false;
      target = position + offset;
      break;
    }
    case 2:
      if (offset < -size || offset > 0) return false;
      target = size + offset;
      break;
    default:
      return false;
  }
  m_position = static_cast<std::uint64_t>(target);
  return true;
}

bool MFileMemory::SET_BUFFER_SIZE(size_t n) {
  _SyncGuard guard(this);
  if (!IS_OPEN()) {
    _SET_RESULT(ERROR_INVALID_FUNCTION);
    return false;
  }
  if (n <= m_capacity) return true;
  if (!m_owned) {
    _SET_RESULT(ERROR_INVALID_FUNCTION);
    return false;
  }
  _GROW(n);
  return true;
}

std::uint64_t MFileMemory::_READ_MEMORY(void* dest, std::uint64_t count, std::uint64_t size) {
  _SyncGuard guard(this);
  if (m_memory == nullptr || m_mode == 0 || size == 0 || count == 0 || dest == nullptr) return 0;
  const std::uint64_t available = m_size > m_position ? m_size - m_position : 0;
  std::uint64_t bytes;
  if (__builtin_mul_overflow(count, size, &bytes) || bytes > available) bytes = available;
  std::memmove(dest, m_memory + m_position, static_cast<size_t>(bytes));
  m_position += bytes;
  return bytes / size;
}

namespace {

// Copies n bytes; element widths are copied through a register, so small writes cost no call.
// The ranges may overlap (a write from the block itself).
void MoveBytes(unsigned char* to, const unsigned char* from, std::uint64_t n) {
  switch (n) {
    case 1:
      *to = *from;
      return;
    case 2: {
      std::uint16_t v;
      std::memcpy(&v, from, 2);
      std::memcpy(to, &v, 2);
      return;
    }
    case 4: {
      std::uint32_t v;
      std::memcpy(&v, from, 4);
      std::memcpy(to, &v, 4);
      return;
    }
    case 8: {
      std::uint64_t v;
      std::memcpy(&v, from, 8);
      std::memcpy(to, &v, 8);
      return;
    }
    default:
      std::memmove(to, from, static_cast<size_t>(n));
  }
}

}  // namespace

std::uint64_t MFileMemory::_WRITE_MEMORY(const void* src, std::uint64_t count,
                                         std::uint64_t size) {
  _SyncGuard guard(this);
  std::uint64_t bytes;
  const unsigned writable = (1u << MODE_WRITE) | (1u << MODE_UPDATE) | (1u << MODE_APPEND);
  const unsigned mode = m_mode & kModeMask;
  if (m_memory != nullptr && mode < 8 && ((writable >> mode) & 1u) != 0 && src != nullptr &&
      size != 0 && !__builtin_mul_overflow(count, size, &bytes) &&
      bytes < m_capacity - m_position) {
    // The common case: the block has room.
    MoveBytes(m_memory + m_position, static_cast<const unsigned char*>(src), bytes);
    m_position += bytes;
    if (m_position > m_size) m_size = m_position;
    return count;
  }
  if (size == 0 || count == 0 || src == nullptr) return 0;
  if (m_memory == nullptr || (mode != MODE_WRITE && mode != MODE_UPDATE && mode != MODE_APPEND)) {
    _SET_RESULT(ERROR_INVALID_FUNCTION);
    return 0;
  }
  if (__builtin_mul_overflow(count, size, &bytes) ||
      bytes > std::numeric_limits<std::uint64_t>::max() - m_position) {
    return 0;
  }
  const auto* from = static_cast<const unsigned char*>(src);
  if (m_position + bytes >= m_capacity) {
    if (m_owned) {
      // The source may lie in the block itself, which growing replaces: follow it there.
      const auto address = reinterpret_cast<std::uintptr_t>(from);
      const auto begin = reinterpret_cast<std::uintptr_t>(m_memory);
      const bool inside = m_memory != nullptr && address >= begin && address < begin + m_capacity;
      _GROW(std::max(m_position + bytes, m_capacity + m_capacity / 2));
      if (inside) from = m_memory + (address - begin);
    } else {
      bytes = m_capacity - m_position;  // a lent block takes what fits
    }
  }
  MoveBytes(m_memory + m_position, from, bytes);
  m_position += bytes;
  if (m_position > m_size) m_size = m_position;
  return bytes / size;
}
