// MTag: one 12-byte record header of a tagged file (name, major and minor version, length of the
// data that follows) held in memory together with the file positions where it was read or written.
// Header bytes on disk: 6 name bytes (NUL-padded), major, minor, then the data length as a signed
// 32-bit value in the file's byte order. See docs/tagged-format.md.
#pragma once

#include <cstdint>
#include <cstring>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class MFile;

class ZORBASE_API MTag {
 public:
  // The size of a header on disk.
  static constexpr int kHeaderSize = 12;
  // The current file format version (2.1); the default version of new tags.
  static unsigned char m_file_vmajor;
  static unsigned char m_file_vminor;

  // An empty name, version 1.0, positions -1, skip 0, flags clear, no next record.
  MTag() { _INITIALIZE(nullptr, 1, 0); }
  // The first 6 characters of `name` (a null name gives an empty one) and the current version;
  // positions -1, skip 0, flags clear, no next record.
  explicit MTag(const char* name) { _INITIALIZE(name, m_file_vmajor, m_file_vminor); }
  // The same with the given version.
  MTag(const char* name, unsigned char major, unsigned char minor) {
    _INITIALIZE(name, major, minor);
  }
  MTag(const MTag& other) = default;
  MTag& operator=(const MTag& other) = default;

  // Re-initialises the tag as the constructors of the same arguments do.
  void INIT(const char* name) { _INITIALIZE(name, m_file_vmajor, m_file_vminor); }
  void INIT(const char* name, unsigned char major, unsigned char minor) {
    _INITIALIZE(name, major, minor);
  }

  // Same name and same major version.
  bool operator==(const MTag& other) const;
  // Same name, and: mode 0 nothing more; mode 1 this major >= other's major; any other mode the
  // majors are equal.
  bool COMPARE(const MTag& other, unsigned long mode) const;
  // The two version bytes, major then minor.
  unsigned char* VERSION() { return &m_major; }
  const unsigned char* VERSION() const { return &m_major; }

  // Reads a header at the file's position: tag position = that position, data position = tag
  // position + 12, skip sign-extended from the file's byte order; both flags cleared. False when
  // any read falls short (the fields read so far are kept).
  bool READ(MFile& file);
  // Writes the header at the file's position (the low 32 bits of the skip, in the file's byte
  // order); positions taken from the file, written flag set, closed flag cleared. False when a
  // write falls short.
  inline bool WRITE(MFile& file);
  // Once the record's data has been written: skip = file position - data position, written back
  // into the header, and the file left at the data's end; the closed flag is set and a second call
  // does nothing. False when a seek or the write fails, or when the data has grown beyond what the
  // 32-bit length can hold.
  inline bool UPDATE_SKIP(MFile& file);
  // Clears the closed flag so that UPDATE_SKIP writes the skip again.
  void UNDO_UPDATE() { m_closed = 0; }

  // The name as text (at most 6 characters).
  const char* NAME() const { return m_name; }
  // The position just after the record's data (data position + skip).
  __int64 END() const { return m_data_pos + m_skip; }

  char m_name[7];           // up to 6 name characters and a NUL
  unsigned char m_written;  // set by WRITE: written (or rewritten) since the file was opened
  unsigned char m_closed;   // set by UPDATE_SKIP: the skip has been written back
  unsigned char m_major;
  unsigned char m_minor;
  __int64 m_tag_pos;   // file position of the header; -1 when unknown
  __int64 m_data_pos;  // tag position + 12; -1 when unknown
  __int64 m_skip;      // length of the data
  MTag* m_next;        // the tagged file's chain link; null otherwise (not owned)

 private:
  // Tags are made per record, a million times for a large document, so everything a record costs
  // is inline: with a constant name the compiler folds the name into two stores. The name goes
  // into the two pieces (4 and 2 bytes) in which the header writers read it back; byte-wise
  // stores read back as wider loads would stall.
  void _INITIALIZE(const char* name, unsigned char major, unsigned char minor) {
    std::uint64_t bytes = 0;
    if (name != nullptr) {
      for (int i = 0; i < 6 && name[i] != 0; ++i) {
        bytes |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i);
      }
    }
    const std::uint32_t low = static_cast<std::uint32_t>(bytes);
    const std::uint16_t high = static_cast<std::uint16_t>(bytes >> 32);
    std::memcpy(m_name, &low, 4);
    std::memcpy(m_name + 4, &high, 2);
    m_name[6] = 0;
    m_written = 0;
    m_closed = 0;
    m_major = major;
    m_minor = minor;
    m_tag_pos = -1;
    m_data_pos = -1;
    m_skip = 0;
    m_next = nullptr;
  }
  // WRITE and UPDATE_SKIP for any file and whenever the tagged file's fast lane is closed.
  bool _WRITE_GENERAL(MFile& file);
  bool _UPDATE_SKIP_GENERAL(MFile& file);
};

// WRITE and UPDATE_SKIP take the tagged file's fast lane inline, so they are defined with it.
#include <zorbase/tagged/MFileTagged.h>
