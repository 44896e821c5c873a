// MTag: one 12-byte record header of a tagged file (name, major and minor version, length of the
// data that follows) held in memory together with the file positions where it was read or written.
// Header bytes on disk: 6 name bytes (NUL-padded), major, minor, then the data length as a signed
// 32-bit value in the file's byte order. See docs/tagged-format.md.
#pragma once

#include <cstdint>

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
  MTag();
  // The first 6 characters of `name` (a null name gives an empty one) and the current version;
  // positions -1, skip 0, flags clear, no next record.
  explicit MTag(const char* name);
  // The same with the given version.
  MTag(const char* name, unsigned char major, unsigned char minor);
  MTag(const MTag& other) = default;
  MTag& operator=(const MTag& other) = default;

  // Re-initialises the tag as the constructors of the same arguments do.
  void INIT(const char* name);
  void INIT(const char* name, unsigned char major, unsigned char minor);

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
  bool WRITE(MFile& file);
  // Once the record's data has been written: skip = file position - data position, written back
  // into the header, and the file left at the data's end; the closed flag is set and a second call
  // does nothing. False when a seek or the write fails, or when the data has grown beyond what the
  // 32-bit length can hold.
  bool UPDATE_SKIP(MFile& file);
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
};
