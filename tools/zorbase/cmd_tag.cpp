// `zorbase tag dump|verify|convert FILE`: shows the record tree of a tagged file, checks that its
// records fit together, and converts a file of the first format version to a later one. Long runs
// show their progress on standard error (bars on a terminal).

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/progress/MProgress.h>
#include <zorbase/progress/TerminalProgress.h>
#include <zorbase/tagged/MTagList.h>
#include <zorbase/tagged/internal/tag_walk.h>

#include "command.h"
#include "tool_paths.h"

// The bounded walk is internal to the library (hidden in the shared object); the tool builds the
// same source into itself instead of duplicating it.
#include "../../zorbase/tagged/internal/tag_walk.cpp"

namespace zb {
namespace tool {
namespace {

constexpr char kSynopsis[] = "tag dump|verify|convert FILE [MAJOR.MINOR]";
constexpr char kHelp[] =
    "Works on a tagged file (records of a 12-byte header: 6-byte name, major, minor, 32-bit\n"
    "length, then the data; the file opens with the head record ZORCOM).\n"
    "\n"
    "  dump FILE                  prints every record, indented by nesting: name, version, file\n"
    "                             position of the header, bytes of data\n"
    "  verify FILE                checks that the head is there and that every record lies\n"
    "                             inside the file and inside its parent; exit code 1 and the\n"
    "                             offset of each damaged place otherwise\n"
    "  convert FILE [MAJOR.MINOR] converts a file to the given version (default: the current\n"
    "                             version 2.1), wrapping each old payload in a DATA record; a\n"
    "                             file already of that major version is left alone\n"
    "\n"
    "FILE is a native path (relative or absolute) or a Windows path such as 'C:\\Docs\\a.zor'.\n"
    "Records of version 2 and later (except DATA, and MUID other than 2.0) are read as holding\n"
    "nested records; in a file whose head is of version 1 records hold plain payloads.";


std::string Printable(const MTag& tag) {
  std::string out;
  for (int i = 0; i < 6 && tag.m_name[i] != 0; ++i) {
    const unsigned char c = static_cast<unsigned char>(tag.m_name[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof(hex), "\\x%02X", c);
      out += hex;
    }
  }
  return out.empty() ? "\"\"" : out;
}

struct Report {
  MTag head;
  bool head_found = false;
  __int64 size = 0;
  std::vector<zb::tagged::TagDamage> damage;
  long long records = 0;
};

// Walks `name`; `visit` sees every record but the head. False when the file cannot be opened.
bool Walk(const std::wstring& name, Report* report,
          const std::function<void(const MTag&, int)>& visit) {
  MFile file;
  if (!file.OPEN_READ(MFileName(name.c_str()))) return false;
  report->size = zb::tagged::MeasureFileEnd(file);
  file.SEEK(0, 0);
  report->head_found = report->size >= MTag::kHeaderSize && report->head.READ(file) &&
                       std::strncmp(report->head.m_name, "ZORCOM", 6) == 0;
  if (!report->head_found) return true;
  const __int64 size = report->size > 0 ? report->size : 1;
  MProgress progress(0, static_cast<double>(size), false);
  progress.SetText(L"reading");
  progress.Begin(0, static_cast<double>(size));
  zb::tagged::WalkTagTree(
      file, MTag::kHeaderSize, -1, zb::tagged::DescendRule::kFormat, report->head.m_major,
      [&](const MTag& tag, int depth) {
        ++report->records;
        progress.SetCurrentPosition(static_cast<double>(tag.m_tag_pos));
        if (visit) visit(tag, depth);
      },
      [&](const zb::tagged::TagDamage& damage) { report->damage.push_back(damage); });
  return true;
}

int CannotOpen(const std::string& path) {
  std::fprintf(stderr, "zorbase tag: cannot open '%s' for reading\n", path.c_str());
  return kExitFailure;
}

// Nesting deeper than this is not indented further: each line then names its depth instead, so
// a deeply nested file gives lines of bounded length (and output in proportion to its records).
constexpr int kMaxIndentDepth = 32;

// One line of the dump for `tag` at nesting `depth`.
void AppendDumpLine(const MTag& tag, int depth, std::string* lines) {
  const int indent = depth < kMaxIndentDepth ? depth : kMaxIndentDepth;
  lines->append(static_cast<size_t>(indent) * 2, ' ');
  if (depth > kMaxIndentDepth) lines->append("[depth " + std::to_string(depth) + "] ");
  std::string name = Printable(tag);
  if (name.size() < 8) name.append(8 - name.size(), ' ');
  char numbers[96];
  std::snprintf(numbers, sizeof(numbers), " %u.%u  at %lld  data %lld\n", tag.m_major, tag.m_minor,
                static_cast<long long>(tag.m_tag_pos), static_cast<long long>(tag.m_skip));
  lines->append(name);
  lines->append(numbers);
}

int Dump(const std::string& path) {
  const std::wstring name = ArgumentToWindowsPath(path);
  if (!CheckRegularFile("tag", path, name)) return kExitFailure;
  Report report;
  std::string lines;
  const bool opened = Walk(name, &report, [&](const MTag& tag, int depth) {
    AppendDumpLine(tag, depth, &lines);
  });
  if (!opened) return CannotOpen(path);
  if (!report.head_found) {
    std::printf("%s: not a tagged file (no ZORCOM head at offset 0), %lld bytes\n", path.c_str(),
                static_cast<long long>(report.size));
    return kExitFailure;
  }
  std::printf("%s: %lld bytes, head ZORCOM %u.%u, %lld records\n", path.c_str(),
              static_cast<long long>(report.size), report.head.m_major, report.head.m_minor,
              report.records);
  std::fputs(lines.c_str(), stdout);
  for (const auto& damage : report.damage) {
    std::printf("damaged at offset %lld (depth %d): %s\n", static_cast<long long>(damage.position),
                damage.depth, damage.what.c_str());
  }
  return report.damage.empty() ? kExitOk : kExitFailure;
}

int Verify(const std::string& path) {
  const std::wstring name = ArgumentToWindowsPath(path);
  if (!CheckRegularFile("tag", path, name)) return kExitFailure;
  Report report;
  if (!Walk(name, &report, nullptr)) return CannotOpen(path);
  if (!report.head_found) {
    std::printf("%s: damaged at offset 0: no ZORCOM head\n", path.c_str());
    return kExitFailure;
  }
  if (report.damage.empty()) {
    std::printf("%s: ok, version %u.%u, %lld records in %lld bytes\n", path.c_str(),
                report.head.m_major, report.head.m_minor, report.records,
                static_cast<long long>(report.size));
    return kExitOk;
  }
  for (const auto& damage : report.damage) {
    std::printf("%s: damaged at offset %lld (depth %d): %s\n", path.c_str(),
                static_cast<long long>(damage.position), damage.depth, damage.what.c_str());
  }
  return kExitFailure;
}

int Convert(const std::string& path, const std::string& version) {
  unsigned major = 0;
  unsigned minor = 0;
  if (!version.empty()) {
    char dot = 0;
    char extra = 0;
    if (std::sscanf(version.c_str(), "%u%c%u%c", &major, &dot, &minor, &extra) != 3 ||
        dot != '.' || major > 255 || minor > 255 || major == 0) {
      return UsageError("tag", "version must be MAJOR.MINOR, e.g. 2.1");
    }
  }
  const std::wstring name = ArgumentToWindowsPath(path);
  if (!CheckRegularFile("tag", path, name)) return kExitFailure;
  const long long total = FileSizeOf(name);
  std::atomic<bool> done{false};
  bool converted = false;
  std::thread worker([&] {
    MFileName file(name.c_str());
    MTagList list;
    converted = list.CONVERT(file, static_cast<unsigned char>(major),
                             static_cast<unsigned char>(minor));
    done = true;
  });
  {
    // The new file grows under the file's own name while the old one is read.
    MProgress progress(0, static_cast<double>(total > 0 ? total : 1), false);
    progress.SetText(L"converting");
    progress.Begin(0, static_cast<double>(total > 0 ? total : 1));
    while (!done) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      const long long now = total > 0 ? FileSizeOf(name) : -1;
      if (now >= 0) progress.SetCurrentPosition(static_cast<double>(now));
    }
  }
  worker.join();
  if (!converted) {
    std::fprintf(stderr,
                 "zorbase tag: cannot convert '%s' (missing, not a tagged file, damaged, or of a "
                 "higher version); the file is unchanged\n",
                 path.c_str());
    return kExitFailure;
  }
  std::printf("%s: converted\n", path.c_str());
  return kExitOk;
}

int RunTag(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("tag", "missing dump, verify or convert");
  // Long runs show their progress on standard error.
  zb::TerminalProgress terminal;
  const std::string& action = args[0];
  if (action == "dump" || action == "verify") {
    if (args.size() != 2) return UsageError("tag", "expected one FILE");
    return action == "dump" ? Dump(args[1]) : Verify(args[1]);
  }
  if (action == "convert") {
    if (args.size() < 2 || args.size() > 3) return UsageError("tag", "expected FILE [MAJOR.MINOR]");
    return Convert(args[1], args.size() == 3 ? args[2] : std::string());
  }
  return UsageError("tag", "unknown action '" + action + "'");
}

const Command kTagCommand("tag", kSynopsis, kHelp, RunTag);

}  // namespace
}  // namespace tool
}  // namespace zb
