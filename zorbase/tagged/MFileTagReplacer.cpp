#include <zorbase/tagged/MFileTagReplacer.h>

#include <cstring>

namespace {

constexpr char kLineEnd = 13;
constexpr size_t kLineBuffer = 4096;

}  // namespace

MFileTagReplacer::MFileTagReplacer() : MFile(0x40000) {}

MFileTagReplacer::~MFileTagReplacer() {
  _ClearCopyTags();
  ClearTags();
  CLOSE();
}

void MFileTagReplacer::Append(MReplaceTag* tag) {
  if (tag != nullptr) m_tags.push_back(tag);
}

void MFileTagReplacer::ClearTags() {
  for (MReplaceTag* tag : m_tags) delete tag;
  m_tags.clear();
}

void MFileTagReplacer::_ClearCopyTags() {
  for (MReplaceTag* tag : m_working_tags) delete tag;
  m_working_tags.clear();
}

void MFileTagReplacer::ResetTagList() {
  _ClearCopyTags();
  for (const MReplaceTag* tag : m_tags) m_working_tags.push_back(new MReplaceTag(*tag));
}

bool MFileTagReplacer::ReplaceAllTagsInString(char* line, CStringA& out) {
  out = line;
  bool complete = true;
  for (size_t i = 0; i < m_working_tags.size();) {
    MReplaceTag* tag = m_working_tags[i];
    if (out.Find(tag->m_tag.GetString()) < 0) {
      ++i;
      continue;
    }
    out.Replace(tag->m_tag.GetString(), tag->m_value.GetString());
    if (!tag->m_final) complete = false;
    if (tag->m_keep) {
      ++i;
    } else {
      delete tag;
      m_working_tags.erase(m_working_tags.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  return complete;
}

bool MFileTagReplacer::ReplaceAllTagsInFile(MFile& input) {
  ResetTagList();
  bool ok = true;
  char line[kLineBuffer];
  while (!input.FEOF()) {
    size_t length = 0;
    bool ended = false;  // a carriage return closed the line
    bool at_end = false;  // the input ended inside the line
    while (length < kLineBuffer - 1) {
      char byte = 0;
      if (input.READ(&byte, 1) != 1) {
        at_end = true;
        break;
      }
      if (byte == kLineEnd) {
        ended = true;
        break;
      }
      line[length++] = byte;
    }
    line[length] = 0;
    if (at_end) {
      // A last line without its carriage return is copied as it stands.
      if (length > 0 && WRITE(line, length) != length) ok = false;
      break;
    }
    CStringA out;
    for (;;) {
      const size_t tags_before = m_working_tags.size();
      const bool complete = ReplaceAllTagsInString(line, out);
      const size_t bytes = static_cast<size_t>(out.GetLength());
      if (WRITE(out.GetString(), bytes) != bytes) ok = false;
      // A piece of a longer line gets no line end of its own.
      if (ended && WRITE(&kLineEnd, 1) != 1) ok = false;
      // Repeat only while a value was used up, so a kept non-final tag cannot repeat forever.
      if (complete || m_working_tags.size() >= tags_before || !ok) break;
    }
    if (!ok) break;
  }
  return ok;
}
