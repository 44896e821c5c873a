// A host that keeps its document in a tagged file: it writes a document of three records, reads it
// back, then updates one record and shows that the others were carried over from the backup. Its
// texts are MStrings stored as UTF-8 string records (a 2-byte count, then the bytes).
// Run with ZORBASE_DRIVE_C set to a scratch directory (scripts/run-main.sh does).
#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/files/MFileName.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/strings/MString.h>
#include <zorbase/tagged/tagged.h>

namespace {

const wchar_t kDocument[] = L"C:\\Documents\\example.zor";

// Positions `file` at the payload of record `name` (its "DATA" record); false when missing.
bool FindPayload(MFileTagged& file, const char* name) {
  MTag pattern(name);
  if (file.FIND_TAG(nullptr, pattern, 0, true) == nullptr) return false;
  MTag data;
  return file.READ_TAG(data) && std::string(data.m_name) == "DATA";
}

// Writes one named record holding a "DATA" record; `write_payload` writes the data.
template <class Payload>
bool WriteRecord(MFileTagged& file, const char* name, Payload write_payload) {
  MTag record(name);
  if (!file.WRITE_TAG_BEGIN(record)) return false;
  MTag data("DATA");
  bool ok = data.WRITE(file);
  ok = write_payload() && ok;
  ok = data.UPDATE_SKIP(file) && ok;
  return file.WRITE_TAG_END(record) && ok;
}

bool WriteText(MFileTagged& file, const char* name, const MString& text) {
  return WriteRecord(file, name, [&] { return text.WRITE(file); });
}

// Prints the text of record `name` (its string record) after `label`.
void PrintText(MFileTagged& file, const char* name, const char* label) {
  MString text;
  if (FindPayload(file, name) && text.READ(file)) {
    std::printf("%s%s\n", label, zb::platform::WideToUtf8(text.C_STR()).c_str());
  }
}

bool WritePoints(MFileTagged& file, std::vector<double> points) {
  return WriteRecord(file, "POINTS", [&] {
    std::int32_t count = static_cast<std::int32_t>(points.size());
    return file.WRITE(&count, 1) == 1 && file.WRITE(points.data(), points.size()) == points.size();
  });
}


void PrintDocument() {
  MFileTagged file;
  if (!file.OPEN_READ(MFileName(kDocument))) {
    std::printf("cannot open the document\n");
    return;
  }
  std::printf("records:");
  for (MTag* tag = file.NEXT_TAG(nullptr, false); tag != nullptr; tag = file.NEXT_TAG(tag, false)) {
    std::printf(" %s %u.%u (%lld bytes)", tag->m_name, tag->m_major, tag->m_minor,
                static_cast<long long>(tag->m_skip));
  }
  std::printf("\n");
  PrintText(file, "TITLE", "title:  ");
  if (FindPayload(file, "POINTS")) {
    std::int32_t count = 0;
    file.READ(&count, 1);
    std::printf("points:");
    for (std::int32_t i = 0; i < count && i < 16; ++i) {
      double value = 0;
      file.READ(&value, 1);
      std::printf(" %g", value);
    }
    std::printf("\n");
  }
  PrintText(file, "NOTES", "notes:  ");
}

}  // namespace

int main() {
  CreateDirectoryW(L"C:\\Documents", nullptr);
  const MFileName name(kDocument);

  std::printf("== writing a new document\n");
  {
    MFileTagged file;
    if (!file.OPEN_WRITE(name)) {
      std::printf("cannot create %ls (result %u)\n", kDocument, file.GET_RESULT());
      return 1;
    }
    // A host advances its progress object and logs here as each record is written.
    bool ok = WriteText(file, "TITLE", L"Bracket \u00d8 12, revision A");
    ok = WritePoints(file, {0.0, 12.5, 25.0}) && ok;
    ok = WriteText(file, "NOTES", L"Drawn by the example host \u2013 gr\u00fc\u00dfe.") && ok;
    if (!file.CLOSE() || !ok) {
      std::printf("writing failed (result %u)\n", file.GET_RESULT());
      return 1;
    }
  }
  PrintDocument();

  std::printf("== updating only the points\n");
  {
    MFileTagged file;
    if (!file.OPEN_WRITE(name)) {
      std::printf("cannot open %ls for writing (result %u)\n", kDocument, file.GET_RESULT());
      return 1;
    }
    std::printf("old document kept as %ls while writing\n", file.GET_BACKUP_NAME().GET());
    const bool ok = WritePoints(file, {0.0, 10.0, 20.0, 30.0});
    if (!file.CLOSE() || !ok) {
      std::printf("updating failed (result %u); the old document is %ls\n", file.GET_RESULT(),
                  L"C:\\Documents\\example.bak");
      return 1;
    }
  }
  PrintDocument();
  std::printf("backup left behind: %s\n",
              GetFileAttributesW(L"C:\\Documents\\example.bak") == INVALID_FILE_ATTRIBUTES ? "no"
                                                                                           : "yes");
  return 0;
}
