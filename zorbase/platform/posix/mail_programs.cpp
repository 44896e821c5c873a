// The mail programs themselves: attachments read from their files, private copies for
// `xdg-email`, and the runs of `xdg-email` and `sendmail -t -oi` under the mail time-out.
#include <zorbase/platform/portable/mail_delivery.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include <zorbase/platform/child_process.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/posix/file_internal.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace {

// Copies for the mail program older than this are removed by later calls: by then the program
// has long read them (or the message was discarded).
constexpr std::time_t kCopyLifetimeSeconds = 7 * 24 * 3600;

struct SortedRecipients {
  std::vector<MailAddress> to, cc, bcc;
};

MailOutcome SortRecipients(const std::vector<MailRecipient>& recipients, SortedRecipients* out) {
  for (const MailRecipient& recipient : recipients) {
    MailAddress address;
    if (!ParseMailAddress(recipient.text, &address)) return MailOutcome::kBadRecipient;
    if (!recipient.name.empty()) {
      for (wchar_t c : recipient.name) {
        if (c < 0x20 || c == 0x7F) return MailOutcome::kBadRecipient;  // never a header of its own
      }
      address.name = WideToUtf8(recipient.name);
    }
    switch (recipient.recipient_class) {
      case 1: out->to.push_back(address); break;
      case 2: out->cc.push_back(address); break;
      case 3: out->bcc.push_back(address); break;
      default: return MailOutcome::kBadRecipient;
    }
  }
  return MailOutcome::kHandedOver;
}

// The last name of a Windows path.
std::wstring LastName(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L"\\/:");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

bool ReadWhole(int fd, std::string* bytes) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      bytes->append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      return true;
    } else if (errno != EINTR) {
      return false;
    }
  }
}

// A file name for a copy: the shown name without anything a path or the mail program's URL could
// read as structure (separators, control characters); never empty, "." or "..".
std::string SafeFileName(const std::wstring& name) {
  std::wstring cleaned;
  for (wchar_t c : name) {
    const bool bad = c < 0x20 || c == 0x7F || c == L'/' || c == L'\\' || c == L':' || c == L',' ||
                     c == L'"' || c == L'\'' || c == L'?' || c == L'&' || c == L'#' || c == L'%';
    cleaned += bad ? L'_' : c;
  }
  if (cleaned.empty() || cleaned == L"." || cleaned == L"..") cleaned = L"attachment";
  std::string utf8 = WideToUtf8(cleaned);
  if (utf8.size() > 200) utf8 = WideToUtf8(cleaned.substr(0, 100));
  return utf8;
}

// This user's folder for attachment copies: in the session's runtime folder when there is one
// (gone at log-out), else in the temporary folder; private (0700) and checked to be ours and not
// a link. Empty when it cannot be had.
std::string CopiesFolder() {
  std::string base;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
    base = std::string(runtime) + "/zorbase-mail";
  } else {
    const char* tmp = std::getenv("TMPDIR");
    base = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/zorbase-mail-" +
           std::to_string(getuid());
  }
  if (mkdir(base.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
  if (lstat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
      (st.st_mode & 077) != 0) {
    return std::string();
  }
  return base;
}

void RemoveOldCopies(const std::string& base) {
  std::error_code ec;
  const std::time_t now = std::time(nullptr);
  std::vector<std::filesystem::path> old;
  for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
    struct stat st;
    if (lstat(entry.path().c_str(), &st) == 0 && now - st.st_mtime > kCopyLifetimeSeconds) {
      old.push_back(entry.path());
    }
  }
  for (const auto& path : old) std::filesystem::remove_all(path, ec);
}

// Writes each attachment to a file of its own (its shown name, in a numbered folder, so equal
// names stay apart) below a fresh folder; the paths go to `paths`. The folder in `*folder`.
bool WriteCopies(const std::vector<MailAttachment>& attachments, std::string* folder,
                 std::vector<std::string>* paths) {
  const std::string base = CopiesFolder();
  if (base.empty()) return false;
  RemoveOldCopies(base);
  std::string pattern = base + "/XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) return false;
  *folder = pattern;
  for (std::size_t i = 0; i < attachments.size(); ++i) {
    const std::string dir = *folder + "/" + std::to_string(i + 1);
    if (mkdir(dir.c_str(), 0700) != 0) return false;
    const std::string path = dir + "/" + SafeFileName(attachments[i].name);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    const std::string& bytes = attachments[i].bytes;
    const bool written = internal::WriteAll(fd, bytes.data(), bytes.size(), -1) == bytes.size();
    if (close(fd) != 0 || !written) return false;
    paths->push_back(path);
  }
  return true;
}

void RemoveFolder(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

}  // namespace

bool MailProgramAvailable() {
  return !FindProgram("xdg-email").empty() || !FindProgram("sendmail").empty();
}

MailOutcome LoadAttachments(std::vector<MailAttachment>* attachments) {
  for (MailAttachment& attachment : *attachments) {
    if (attachment.name.empty()) attachment.name = LastName(attachment.path);
    if (attachment.has_bytes) continue;
    ResolvedPath resolved;
    if (attachment.path.empty() || ResolveWindowsPath(attachment.path.c_str(), &resolved) != 0 ||
        !resolved.exists) {
      return MailOutcome::kAttachmentMissing;
    }
    // Not blocking in open: a named pipe or a device is refused below, never waited on.
    const int fd = open(resolved.native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
      return errno == ENOENT || errno == ENOTDIR ? MailOutcome::kAttachmentMissing
                                                 : MailOutcome::kAttachmentUnreadable;
    }
    struct stat st;
    std::string bytes;
    const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadWhole(fd, &bytes);
    close(fd);
    if (!ok) return MailOutcome::kAttachmentUnreadable;
    attachment.bytes.swap(bytes);
    attachment.has_bytes = true;
  }
  return MailOutcome::kHandedOver;
}

MailOutcome ComposeMail(const MailMessage& message) {
  SortedRecipients recipients;
  MailOutcome outcome = SortRecipients(message.recipients, &recipients);
  if (outcome != MailOutcome::kHandedOver) return outcome;
  std::vector<MailAttachment> attachments = message.attachments;
  outcome = LoadAttachments(&attachments);
  if (outcome != MailOutcome::kHandedOver) return outcome;
  if (FindProgram("xdg-email").empty()) return MailOutcome::kNoProgram;

  ProgramRun run;
  run.argv = {"xdg-email", "--utf8"};
  // xdg-email refuses an empty option value, so empty texts are left out.
  const std::string subject = SubjectLine(message.subject);
  if (!subject.empty()) {
    run.argv.push_back("--subject");
    run.argv.push_back(subject);
  }
  if (!message.body.empty()) {
    run.argv.push_back("--body");
    run.argv.push_back(WideToUtf8(message.body));
  }
  const std::pair<const char*, const std::vector<MailAddress>*> groups[] = {
      {"--to", &recipients.to}, {"--cc", &recipients.cc}, {"--bcc", &recipients.bcc}};
  for (const auto& group : groups) {
    for (const MailAddress& address : *group.second) {
      run.argv.push_back(group.first);
      run.argv.push_back(address.address);
    }
  }
  std::string folder;
  std::vector<std::string> paths;
  if (!attachments.empty() && !WriteCopies(attachments, &folder, &paths)) {
    RemoveFolder(folder);
    return MailOutcome::kFailed;
  }
  for (const std::string& path : paths) {
    run.argv.push_back("--attach");
    run.argv.push_back(path);
  }
  run.timeout_ms = MailTimeoutMs();
  run.leave_running_on_timeout = true;
  const ProgramResult result = RunProgram(run);
  if (result.error == ERROR_TIMEOUT) return MailOutcome::kHandedOver;  // copies stay for it
  if (result.error == 0 && result.exit_code == 0) return MailOutcome::kHandedOver;
  RemoveFolder(folder);  // nobody will read them
  if (result.error == ERROR_FILE_NOT_FOUND) return MailOutcome::kNoProgram;
  if (result.error != 0) return MailOutcome::kFailed;
  switch (result.exit_code) {
    case 2: return MailOutcome::kAttachmentMissing;
    case 3:
    case 4: return MailOutcome::kNoMailClient;
    case 5: return MailOutcome::kAttachmentUnreadable;
    default: return MailOutcome::kFailed;
  }
}

MailOutcome SubmitMail(const MailMessage& message) {
  SortedRecipients recipients;
  MailOutcome outcome = SortRecipients(message.recipients, &recipients);
  if (outcome != MailOutcome::kHandedOver) return outcome;
  if (recipients.to.empty() && recipients.cc.empty() && recipients.bcc.empty()) {
    return MailOutcome::kNoRecipients;
  }
  MailMessage loaded = message;
  outcome = LoadAttachments(&loaded.attachments);
  if (outcome != MailOutcome::kHandedOver) return outcome;
  if (FindProgram("sendmail").empty()) return MailOutcome::kNoProgram;

  ProgramRun run;
  run.argv = {"sendmail", "-t", "-oi"};
  run.input = BuildMimeMessage(loaded, recipients.to, recipients.cc, recipients.bcc);
  run.timeout_ms = MailTimeoutMs();
  const ProgramResult result = RunProgram(run);
  if (result.error == ERROR_FILE_NOT_FOUND) return MailOutcome::kNoProgram;
  if (result.error == ERROR_TIMEOUT) return MailOutcome::kTimedOut;
  if (result.error != 0 || result.exit_code != 0) return MailOutcome::kFailed;
  return MailOutcome::kHandedOver;
}

}  // namespace platform
}  // namespace zb
