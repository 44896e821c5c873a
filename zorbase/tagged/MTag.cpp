#include <zorbase/tagged/MTag.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <typeinfo>

#include <zorbase/files/MFile.h>
#include <zorbase/tagged/MFileTagged.h>

unsigned char MTag::m_file_vmajor = 2;
unsigned char MTag::m_file_vminor = 1;

bool MTag::operator==(const MTag& other) const {
  return std::strncmp(m_name, other.m_name, 6) == 0 && m_major == other.m_major;
}

bool MTag::COMPARE(const MTag& other, unsigned long mode) const {
  if (std::strncmp(m_name, other.m_name, 6) != 0) return false;
  if (mode == 0) return true;
  if (mode == 1) return m_major >= other.m_major;
  return m_major == other.m_major;
}

bool MTag::READ(MFile& file) {
  m_tag_pos = file.TELL();
  m_data_pos = m_tag_pos + kHeaderSize;
  m_written = 0;
  m_closed = 0;
  char name[6];
  if (file.READ(name, 6) != 6) return false;
  std::memcpy(m_name, name, 6);
  m_name[6] = 0;
  if (file.READ(&m_major, 1) != 1) return false;
  if (file.READ(&m_minor, 1) != 1) return false;
  std::int32_t skip = 0;
  if (file.READ(&skip, 1) != 1) return false;
  m_skip = skip;
  return true;
}

bool MTag::_WRITE_GENERAL(MFile& file) {
  m_tag_pos = file.TELL();
  // Noted before the header goes in: the write may fill the buffer, which then keeps the header.
  if (MFileTagged* tagged = dynamic_cast<MFileTagged*>(&file)) tagged->_OPEN_RECORD(m_tag_pos);
  m_data_pos = m_tag_pos + kHeaderSize;
  m_written = 1;
  m_closed = 0;
  // One transfer of the whole header: name, version, skip in the file's byte order.
  std::int32_t skip = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_skip));
  if (file.GET_FILESWAP() != file.GET_MACHINESWAP()) file.SWAP(&skip, 1);
  char header[kHeaderSize];
  std::memcpy(header, m_name, 6);
  header[6] = static_cast<char>(m_major);
  header[7] = static_cast<char>(m_minor);
  std::memcpy(header + 8, &skip, 4);
  return file.WRITE(header, kHeaderSize) == static_cast<std::uint64_t>(kHeaderSize);
}

bool MTag::_UPDATE_SKIP_GENERAL(MFile& file) {
  if (m_closed) return true;
  const bool exact = MFileTagged::_IS_EXACT(file);
  __int64 end = 0;
  if (!exact || !static_cast<MFileTagged&>(file)._FAST_TELL(&end)) end = file.TELL();
  const __int64 skip = end - m_data_pos;
  // A length the header cannot hold would be read back as a different record boundary.
  if (m_data_pos < 0 || skip < 0 || skip > std::numeric_limits<std::int32_t>::max()) return false;
  m_skip = skip;
  std::int32_t value = static_cast<std::int32_t>(skip);
  MFileTagged* tagged =
      exact ? static_cast<MFileTagged*>(&file) : dynamic_cast<MFileTagged*>(&file);
  if (tagged != nullptr) tagged->_CLOSE_RECORD(m_tag_pos);
  if (tagged != nullptr) {
    std::int32_t in_file_order = value;
    if (file.GET_FILESWAP() != file.GET_MACHINESWAP()) file.SWAP(&in_file_order, 1);
    if (tagged->_PATCH_BUFFERED(m_tag_pos + 8, &in_file_order, 4)) {
      m_closed = 1;
      return true;
    }
  }
  if (!file.SEEK(m_tag_pos + 8, 0)) return false;
  const bool written = file.WRITE(&value, 1) == 1;
  if (!file.SEEK(m_data_pos + skip, 0) || !written) return false;
  m_closed = 1;
  return true;
}
