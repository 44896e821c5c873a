#include <zorbase/files/MBlobBuffer.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr std::size_t kStep = 1024;

void FreeBlock(unsigned char*& data, std::size_t& capacity, std::size_t& size) {
  delete[] data;
  data = nullptr;
  capacity = 0;
  size = 0;
}

}  // namespace

MBlobBuffer::MBlobBuffer(const MBlobBuffer& other) {
  if (other.m_data != nullptr) {
    m_data = new unsigned char[other.m_capacity];
    std::memcpy(m_data, other.m_data, other.m_size);
    m_capacity = other.m_capacity;
    m_size = other.m_size;
  }
}

MBlobBuffer::MBlobBuffer(MBlobBuffer&& other) noexcept
    : m_capacity(std::exchange(other.m_capacity, 0)),
      m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)) {}

MBlobBuffer& MBlobBuffer::operator=(const MBlobBuffer& other) {
  if (this != &other) {
    MBlobBuffer copy(other);
    *this = std::move(copy);
  }
  return *this;
}

MBlobBuffer& MBlobBuffer::operator=(MBlobBuffer&& other) noexcept {
  if (this != &other) {
    delete[] m_data;
    m_capacity = std::exchange(other.m_capacity, 0);
    m_data = std::exchange(other.m_data, nullptr);
    m_size = std::exchange(other.m_size, 0);
  }
  return *this;
}

MBlobBuffer::~MBlobBuffer() { delete[] m_data; }

unsigned char* MBlobBuffer::Create(const void* src, std::size_t n) {
  if (n == 0) {
    FreeBlock(m_data, m_capacity, m_size);
    return nullptr;
  }
  if (src == nullptr) return nullptr;
  const auto* bytes = static_cast<const unsigned char*>(src);
  if (bytes == m_data && n == m_size) return m_data;
  // Compare addresses as integers: relational comparison of unrelated pointers is unspecified.
  const auto address = reinterpret_cast<std::uintptr_t>(bytes);
  const auto begin = reinterpret_cast<std::uintptr_t>(m_data);
  if (m_data != nullptr && address >= begin && address < begin + m_capacity) {
    // The source lies in the current block: detach it, build the new block, copy, then free.
    if (address - begin > m_size || n > m_size - (address - begin)) return nullptr;
    unsigned char* detached = m_data;
    const std::size_t old_capacity = m_capacity;
    const std::size_t old_size = m_size;
    m_data = nullptr;
    m_capacity = 0;
    m_size = 0;
    try {
      _Resize(n, false);
    } catch (...) {
      m_data = detached;
      m_capacity = old_capacity;
      m_size = old_size;
      throw;
    }
    std::memcpy(m_data, bytes, n);
    delete[] detached;
    return m_data;
  }
  _Resize(n, false);
  std::memcpy(m_data, bytes, n);
  return m_data;
}

unsigned char* MBlobBuffer::__Create_with_threshold(int n, int keep, int relative) {
  std::int64_t target = n;
  if (relative != 0) target += static_cast<std::int64_t>(m_size);
  if (target < 0) return nullptr;
  return _Resize(static_cast<std::size_t>(target), keep != 0);
}

unsigned char* MBlobBuffer::_Resize(std::size_t target, bool keep) {
  if (target == 0) {
    FreeBlock(m_data, m_capacity, m_size);
    return nullptr;
  }
  if (m_data != nullptr && target <= m_capacity && m_capacity - target <= kStep) {
    m_size = target;
    return m_data;
  }
  if (target / kStep >= SIZE_MAX / kStep - 1) throw std::bad_alloc();
  const std::size_t capacity = (target / kStep + 1) * kStep;
  unsigned char* fresh = new unsigned char[capacity];
  if (keep && m_data != nullptr) std::memcpy(fresh, m_data, std::min(m_size, target));
  delete[] m_data;
  m_data = fresh;
  m_capacity = capacity;
  m_size = target;
  return m_data;
}
