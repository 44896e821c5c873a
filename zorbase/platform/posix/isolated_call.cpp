#include <zorbase/platform/isolated_call.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace {

constexpr std::size_t kMaxAnswer = 256u << 20;

long long NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

DWORD RunIsolated(const std::function<std::string()>& job, DWORD timeout_ms,
                  std::string* result) {
  result->clear();
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return ErrorFromErrno(errno);
  const pid_t pid = fork();
  if (pid < 0) {
    const DWORD error = ErrorFromErrno(errno);
    close(fds[0]);
    close(fds[1]);
    return error;
  }
  if (pid == 0) {
    close(fds[0]);
    // A crash report of the child would only confuse the caller's own output.
    const int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null_fd >= 0) dup2(null_fd, 2);
    // A fault ends the child: no handler of the parent (a fault translator, a test framework's
    // jump back into its runner) may carry the copy on as if it were the parent.
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    for (int signal_number : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT}) {
      sigaction(signal_number, &dfl, nullptr);
    }
    sigset_t faults;
    sigemptyset(&faults);
    for (int signal_number : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT}) {
      sigaddset(&faults, signal_number);
    }
    sigprocmask(SIG_UNBLOCK, &faults, nullptr);
    // The answer: its length (8 bytes) and its bytes. Anything short of that is no answer.
    int code = 1;
    try {
      const std::string answer = job();
      const std::uint64_t size = answer.size();
      if (size <= kMaxAnswer && WriteAll(fds[1], reinterpret_cast<const char*>(&size), 8) &&
          WriteAll(fds[1], answer.data(), answer.size())) {
        code = 0;
      }
    } catch (...) {
    }
    _exit(code);  // no atexit handlers or static destructors of the parent's objects
  }
  close(fds[1]);
  fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
  const long long deadline = NowMs() + timeout_ms;
  std::string received;
  bool timed_out = false;
  bool too_long = false;
  char buffer[65536];
  for (;;) {
    const long long left = deadline - NowMs();
    if (left <= 0) {
      timed_out = true;
      break;
    }
    pollfd pfd = {fds[0], POLLIN, 0};
    const int ready = poll(&pfd, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;  // the child closed its end: ended
    received.append(buffer, static_cast<std::size_t>(n));
    if (received.size() > kMaxAnswer + 8) {
      too_long = true;
      break;
    }
  }
  close(fds[0]);
  if (timed_out || too_long) kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (timed_out) return ERROR_TIMEOUT;
  std::uint64_t size = 0;
  if (too_long || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || received.size() < 8) {
    return ERROR_INVALID_DATA;
  }
  std::memcpy(&size, received.data(), 8);
  if (size != received.size() - 8) return ERROR_INVALID_DATA;
  result->assign(received, 8, std::string::npos);
  return ERROR_SUCCESS;
}

}  // namespace platform
}  // namespace zb
