// Help topics on the desktop: a CHM viewer started at the topic, or the topic's files written to
// a private folder and handed to xdg-open.
#include <zorbase/platform/portable/help_display.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include <zorbase/platform/child_process.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/portable/chm_streams.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace help {
namespace {

constexpr DWORD kOpenerTimeoutMs = 10000;

std::mutex g_folders_mutex;
std::map<std::string, std::string>* g_folders = new std::map<std::string, std::string>;

// The private folder of `chm_path` in this process, made on first use (mode 0700).
DWORD FolderFor(const std::string& chm_path, std::string* folder) {
  std::lock_guard<std::mutex> lock(g_folders_mutex);
  auto it = g_folders->find(chm_path);
  struct stat st;
  if (it != g_folders->end() && lstat(it->second.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    *folder = it->second;
    return ERROR_SUCCESS;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") +
                        "/zorbase-help-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) return ErrorFromErrno(errno);
  (*g_folders)[chm_path] = pattern;
  *folder = pattern;
  return ERROR_SUCCESS;
}

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes one object below `folder`; its folders are made as needed. Names come normalized (no
// "." or "..", no empty parts), and nothing below the private folder is a link of anyone else's.
DWORD WriteObject(const std::string& folder, const std::string& name, const std::string& data) {
  const std::string normal = chm::NormalizeName(name);
  if (normal.empty() || normal.find('\0') != std::string::npos) return ERROR_INVALID_NAME;
  std::size_t slash = 0;
  while ((slash = normal.find('/', slash + 1)) != std::string::npos) {
    const std::string dir = folder + normal.substr(0, slash);
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return ErrorFromErrno(errno);
  }
  const std::string path = folder + normal;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return ErrorFromErrno(errno);
  const bool ok = WriteAll(fd, data);
  const int write_errno = errno;
  close(fd);
  return ok ? ERROR_SUCCESS : ErrorFromErrno(write_errno);
}

}  // namespace

DWORD StartChmViewer(const std::string& chm_path, const std::string& topic, DWORD context_id) {
  if (!FindProgram("kchmviewer").empty()) {
    return StartProgram({"kchmviewer", "-showPage", topic, chm_path});
  }
  if (context_id != 0 && !FindProgram("xchm").empty()) {
    return StartProgram({"xchm", "-c", std::to_string(context_id), chm_path});
  }
  return ERROR_FILE_NOT_FOUND;
}

DWORD OpenExtracted(const std::string& chm_path, const std::map<std::string, std::string>& files,
                    const std::string& topic) {
  if (FindProgram("xdg-open").empty()) return ERROR_FILE_NOT_FOUND;
  std::string folder;
  DWORD error = FolderFor(chm_path, &folder);
  if (error != ERROR_SUCCESS) return error;
  for (const auto& [name, data] : files) {
    error = WriteObject(folder, name, data);
    if (error != ERROR_SUCCESS && name == topic) return error;  // others are only extras
  }
  ProgramRun run;
  run.argv = {"xdg-open", folder + chm::NormalizeName(topic)};
  run.timeout_ms = kOpenerTimeoutMs;
  const ProgramResult result = RunProgram(run);
  if (result.error != ERROR_SUCCESS) return result.error;
  return result.exit_code == 0 ? ERROR_SUCCESS : ERROR_NO_ASSOCIATION;
}

}  // namespace help
}  // namespace platform
}  // namespace zb
