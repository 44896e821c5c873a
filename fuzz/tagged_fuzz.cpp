// Feeds arbitrary bytes, as a file, to every reader of tagged files: the tagged file's chain, the
// tag list (top level, nested lists, the tree), the bounded tree walk, CONVERT, and a rewrite that
// carries the records over. Each must end without crashing; CONVERT must either succeed or leave
// the file exactly as it was; a rewrite must leave a file whose chain holds the same records.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/file_marks.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/tagged/MFileTagged.h>
#include <zorbase/tagged/MTagList.h>
#include <zorbase/tagged/internal/tag_walk.h>

namespace {

// Never destroyed, so the exit handler that removes it can still read it.
const std::string& WorkDir() {
  static const std::string* dir = [] {
    // Memory-backed when possible: every input is written, renamed and flushed several times.
    const char* tmp = std::getenv("TMPDIR");
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (tmp && *tmp ? tmp : "/tmp");
    std::string pattern = base + "/zorbase-tagged-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    auto* made = new std::string(pattern);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(WorkDir(), ignored);
    });
    return made;
  }();
  return *dir;
}

void Put(const std::string& path, const std::uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ChainNames(const MFileName& name) {
  std::vector<std::string> names;
  MFileTagged file;
  if (!file.OPEN_READ(name)) return names;
  for (MTag* tag = file.NEXT_TAG(nullptr, false); tag != nullptr; tag = file.NEXT_TAG(tag, false)) {
    names.emplace_back(tag->m_name, strnlen(tag->m_name, 6));
  }
  return names;
}

// Whether the work folder's file system keeps file marks.
bool MarksKept() {
  static const bool kept = [] {
    const std::string probe = WorkDir() + "/probe";
    Put(probe, nullptr, 0);
    const std::wstring windows = zb::platform::NativeToWindowsPath(probe);
    std::string value;
    const bool supported = zb::platform::GetFileMarkW(windows.c_str(), "probe", &value) ||
                           GetLastError() != ERROR_NOT_SUPPORTED;
    std::remove(probe.c_str());
    return supported;
  }();
  return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string native = WorkDir() + "/input.zor";
  const std::string backup = WorkDir() + "/input.bak";
  std::remove(backup.c_str());
  Put(native, data, size);
  const std::wstring windows = zb::platform::NativeToWindowsPath(native);
  MFileName name(windows.c_str());

  // The chain of the tagged file, and searches over it.
  const std::vector<std::string> chain = ChainNames(name);
  {
    MFileTagged file;
    if (file.OPEN_READ(name)) {
      MTag pattern(chain.empty() ? "A" : chain.front().c_str());
      for (MTag* tag = file.FIND_TAG(nullptr, pattern, 0, true); tag != nullptr;
           tag = file.FIND_TAG(&pattern, pattern, 0, true)) {
      }
    }
  }

  // The tag list: top level, each entry's nested list, the whole tree, the format walk.
  {
    MFile file;
    if (file.OPEN_READ(name)) {
      MTagList list;
      list.BUILD_TAG_LIST(file);
      for (size_t i = 0; i < list.SIZE(); ++i) {
        MTag entry = *list.GET_TAG(i);
        MTagList nested;
        nested.BUILD_TAG_LIST(file, entry, true);
      }
      list.BUILD_TAG_TREE(file, 0, -1);
      list.BUILD_TAG_TREE(file, 12, static_cast<__int64>(size / 2));
      zb::tagged::WalkTagTree(file, 0, -1, zb::tagged::DescendRule::kFormat, 2, nullptr, nullptr);
    }
  }

  // CONVERT succeeds or changes nothing.
  {
    const std::string before = Get(native);
    MTagList list;
    if (!list.CONVERT(name, 0, 0) && Get(native) != before) {
      std::fprintf(stderr, "CONVERT failed and changed the file\n");
      std::abort();
    }
  }

  // A rewrite that writes nothing carries every record of the chain over, in order.
  {
    Put(native, data, size);
    const std::vector<std::string> old_chain = ChainNames(name);
    MFileTagged file;
    if (file.OPEN_WRITE(name)) {
      if (!file.CLOSE()) std::abort();
      if (ChainNames(name) != old_chain) {
        std::fprintf(stderr, "rewrite changed the records\n");
        std::abort();
      }
    }
  }
  // Whatever stands under the backup name, unmarked, is never moved over the document (where the
  // file system keeps marks; without them a whole tagged document there is taken for a backup).
  if (MarksKept()) {
    static const std::uint8_t kDocument[] = {'Z', 'O', 'R', 'C', 'O', 'M', 2, 1, 0, 0, 0, 0};
    Put(native, kDocument, sizeof(kDocument));
    Put(backup, data, size);
    MFileTagged file;
    if (file.OPEN_UPDATE(name)) file.CLOSE();
    const std::string document = Get(native);
    if (document != std::string(reinterpret_cast<const char*>(kDocument), sizeof(kDocument)) ||
        Get(backup) != std::string(reinterpret_cast<const char*>(data), size)) {
      std::fprintf(stderr, "a foreign backup replaced the document\n");
      std::abort();
    }
    std::remove(backup.c_str());
  }
  return 0;
}
