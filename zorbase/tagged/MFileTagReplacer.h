// Template filling: MFileTagReplacer copies a narrow text file into itself (it is an output MFile)
// line by line, replacing placeholder texts ("tags", unrelated to the records of MTag) by their
// values. A tag is used on the first line that holds it and dropped, or kept for every line; a line
// is written once more for each further value queued for the same tag, which expands lists.
// Lines end with a carriage return (byte 13); a line feed is an ordinary byte of the next line.
#pragma once

#include <vector>

#include <zorbase/afx/CString.h>
#include <zorbase/files/MFile.h>
#include <zorbase/platform/export.h>

// One placeholder and its value, built by the caller and handed over with Append.
class ZORBASE_API MReplaceTag {
 public:
  MReplaceTag() = default;
  MReplaceTag(const char* tag, const char* value, bool final_value = true, bool keep = false)
      : m_tag(tag), m_value(value), m_final(final_value), m_keep(keep) {}

  CStringA m_tag;        // the placeholder text searched for
  CStringA m_value;      // the text put in its place
  bool m_final = true;   // false: after this value the line is written once more
  bool m_keep = false;   // true: stays active after use; false: used for one line, then dropped
};

class ZORBASE_API MFileTagReplacer : public MFile {
 public:
  // Empty tag lists, the default buffer of 262144 bytes.
  MFileTagReplacer();
  // Frees every tag and closes the file.
  ~MFileTagReplacer() override;
  MFileTagReplacer(const MFileTagReplacer&) = delete;
  MFileTagReplacer& operator=(const MFileTagReplacer&) = delete;

  // Appends `tag` to the tags; the replacer takes ownership (a null tag is ignored).
  void Append(MReplaceTag* tag);
  // Frees and removes every appended tag.
  void ClearTags();
  // Replaces the working tags by fresh copies of the appended ones, in order.
  void ResetTagList();

  // Replaces the working tags in `line` into `out`: for each working tag in order whose text
  // occurs, every occurrence is replaced by its value, the answer becomes false when the tag is
  // not final, and a tag that is not kept is dropped. True when the line is complete.
  bool ReplaceAllTagsInString(char* line, CStringA& out);
  // Runs a whole template from `input` (open for reading) into this file (open for writing): each
  // line is written with its tags replaced and its carriage return; a line is written again as
  // long as a non-final tag was used up on it; a last line without carriage return is copied
  // unchanged. Lines longer than 4095 bytes are handled in pieces. False when a write falls short.
  bool ReplaceAllTagsInFile(MFile& input);

 protected:
  // Frees the working tags.
  void _ClearCopyTags();

  std::vector<MReplaceTag*> m_working_tags;  // owned
  std::vector<MReplaceTag*> m_tags;          // owned
};
