#include <zorbase/files/MBlobImpl.h>

#include <cstring>
#include <utility>

MBlobImpl::MBlobImpl(const void* data, std::size_t count) { Assign(data, count); }

MBlobImpl::MBlobImpl(const MBlobImpl& other) { Assign(other.m_data, other.m_count); }

MBlobImpl::MBlobImpl(MBlobImpl&& other) noexcept
    : m_count(std::exchange(other.m_count, 0)), m_data(std::exchange(other.m_data, nullptr)) {}

MBlobImpl& MBlobImpl::operator=(const MBlobImpl& other) {
  if (this != &other) Assign(other.m_data, other.m_count);
  return *this;
}

MBlobImpl& MBlobImpl::operator=(MBlobImpl&& other) noexcept {
  if (this != &other) {
    _Free();
    m_count = std::exchange(other.m_count, 0);
    m_data = std::exchange(other.m_data, nullptr);
  }
  return *this;
}

MBlobImpl::~MBlobImpl() { _Free(); }

void MBlobImpl::Assign(const void* data, std::size_t count) {
  if (data == nullptr || count == 0) {
    _Free();
    return;
  }
  // Copy first, then free: `data` may point into the old block.
  unsigned char* fresh = new unsigned char[count];
  std::memcpy(fresh, data, count);
  delete[] m_data;
  m_data = fresh;
  m_count = count;
}

void MBlobImpl::_Free() {
  delete[] m_data;
  m_data = nullptr;
  m_count = 0;
}
