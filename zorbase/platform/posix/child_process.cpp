// Helper programs started with fork and exec: PATH lookup, standard descriptors, a time-out on
// the wait, and no descriptor of the process leaking into a child that lingers.
#include <zorbase/platform/child_process.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

extern char** environ;

namespace zb {
namespace platform {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

long long NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Everything a child needs, prepared before fork (the child may only make async-signal-safe
// calls between fork and exec).
struct Launch {
  std::string program;
  std::vector<std::string> args;
  std::vector<char*> argv;
  int in_fd = -1;      // becomes standard input
  int out_fd = -1;     // becomes standard output
  int null_fd = -1;    // /dev/null: standard error, and input/output where none is given
  int report_fd = -1;  // close-on-exec pipe that carries errno when exec fails

  void Prepare(const std::vector<std::string>& command, std::string resolved) {
    program = std::move(resolved);
    args = command;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
  }
};

// Moves `fd` above the standard descriptors so that the dup2 calls below cannot clobber it.
int Lift(int fd) { return fd < 0 ? -1 : fcntl(fd, F_DUPFD, 10); }

[[noreturn]] void ExecChild(const Launch& launch) {
  const int in = Lift(launch.in_fd >= 0 ? launch.in_fd : launch.null_fd);
  const int out = Lift(launch.out_fd >= 0 ? launch.out_fd : launch.null_fd);
  const int err = Lift(launch.null_fd);
  const int report = Lift(launch.report_fd);
  if (in < 0 || out < 0 || err < 0 || report < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
      dup2(err, 2) < 0 || dup2(report, 3) < 0) {
    _exit(127);
  }
  fcntl(3, F_SETFD, FD_CLOEXEC);
  if (syscall(SYS_close_range, 4u, ~0u, 0u) != 0) {
    for (int fd = 4; fd < 65536; ++fd) close(fd);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction dfl;
  std::memset(&dfl, 0, sizeof dfl);
  dfl.sa_handler = SIG_DFL;
  sigaction(SIGPIPE, &dfl, nullptr);
  execve(launch.program.c_str(), launch.argv.data(), environ);
  const int code = errno;
  ssize_t ignored = write(3, &code, sizeof code);
  (void)ignored;
  _exit(127);
}

// Reads the exec report: 0 when exec succeeded (the pipe closed empty), else the errno of exec.
int ReadExecReport(int fd) {
  int code = 0;
  ssize_t n;
  do {
    n = read(fd, &code, sizeof code);
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(sizeof code) ? code : 0;
}

DWORD ExecError(int code) { return code == 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; }

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Waits for `pid` without a time limit (used after a kill and for a child that has ended).
int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 0;  // reaped elsewhere (SIGCHLD ignored): no status to report
  }
  return ExitCodeOf(status);
}

void KillGroup(pid_t pid) {
  if (pid <= 0) return;
  kill(-pid, SIGKILL);
  kill(pid, SIGKILL);
}

bool OpenNull(Launch* launch) {
  launch->null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  return launch->null_fd >= 0;
}

}  // namespace

std::string FindProgram(const std::string& name) {
  if (name.empty()) return std::string();
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  const std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return std::string();
}

ProgramResult RunProgram(const ProgramRun& run) {
  ProgramResult result;
  if (run.argv.empty()) {
    result.error = ERROR_INVALID_PARAMETER;
    return result;
  }
  const std::string resolved = FindProgram(run.argv[0]);
  if (resolved.empty()) {
    result.error = ERROR_FILE_NOT_FOUND;
    return result;
  }
  Launch launch;
  launch.Prepare(run.argv, resolved);
  int in_pair[2] = {-1, -1};
  int out_pipe[2] = {-1, -1};
  int report[2] = {-1, -1};
  auto close_all = [&] {
    for (int* fd : {&in_pair[0], &in_pair[1], &out_pipe[0], &out_pipe[1], &report[0], &report[1],
                    &launch.null_fd}) {
      CloseFd(*fd);
    }
  };
  // A socket for standard input lets the parent write with MSG_NOSIGNAL.
  if (!OpenNull(&launch) || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in_pair) != 0 ||
      (run.capture_output && pipe2(out_pipe, O_CLOEXEC) != 0) || pipe2(report, O_CLOEXEC) != 0) {
    result.error = ErrorFromErrno(errno);
    close_all();
    return result;
  }
  shutdown(in_pair[1], SHUT_WR);  // the child's end only reads
  launch.in_fd = in_pair[1];
  launch.out_fd = out_pipe[1];
  launch.report_fd = report[1];
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    ExecChild(launch);
  }
  if (pid < 0) {
    result.error = ErrorFromErrno(errno);
    close_all();
    return result;
  }
  setpgid(pid, pid);  // also from the parent, so the group exists before any kill
  CloseFd(in_pair[1]);
  CloseFd(out_pipe[1]);
  CloseFd(report[1]);
  CloseFd(launch.null_fd);
  const int exec_errno = ReadExecReport(report[0]);
  CloseFd(report[0]);
  if (exec_errno != 0) {
    WaitFor(pid);
    close_all();
    result.error = ExecError(exec_errno);
    return result;
  }

  int in_fd = in_pair[0];
  in_pair[0] = -1;
  if (run.input.empty()) CloseFd(in_fd);
  if (in_fd >= 0) fcntl(in_fd, F_SETFL, fcntl(in_fd, F_GETFL) | O_NONBLOCK);
  int out_fd = out_pipe[0];
  out_pipe[0] = -1;
  if (out_fd >= 0) fcntl(out_fd, F_SETFL, fcntl(out_fd, F_GETFL) | O_NONBLOCK);
  int exit_fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  const long long deadline = run.timeout_ms == 0 ? -1 : NowMs() + run.timeout_ms;
  std::size_t written = 0;
  bool ended = false;
  int status = 0;
  char buffer[65536];

  auto drain = [&]() -> bool {  // false when the output passed the limit
    while (out_fd >= 0) {
      const ssize_t n = read(out_fd, buffer, sizeof buffer);
      if (n > 0) {
        result.output.append(buffer, static_cast<std::size_t>(n));
        if (result.output.size() > run.output_limit) return false;
        continue;
      }
      if (n == 0 || (errno != EINTR)) {
        if (n == 0) CloseFd(out_fd);
        break;
      }
    }
    return true;
  };

  while (!ended) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) {
      ended = true;
      if (done < 0) status = 0;
      break;
    }
    long long wait_ms = -1;
    if (deadline >= 0) {
      wait_ms = deadline - NowMs();
      if (wait_ms <= 0) break;
    }
    if (exit_fd < 0 && (wait_ms < 0 || wait_ms > 20)) wait_ms = 20;  // no pidfd: poll the child
    pollfd fds[3];
    nfds_t count = 0;
    if (exit_fd >= 0) fds[count++] = {exit_fd, POLLIN, 0};
    if (in_fd >= 0) fds[count++] = {in_fd, POLLOUT, 0};
    if (out_fd >= 0) fds[count++] = {out_fd, POLLIN, 0};
    const int ready = poll(fds, count, static_cast<int>(wait_ms < 0 ? -1 : wait_ms));
    if (ready < 0 && errno != EINTR) break;
    for (nfds_t i = 0; i < count && ready > 0; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == in_fd) {
        const ssize_t n = send(in_fd, run.input.data() + written, run.input.size() - written,
                               MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) written += static_cast<std::size_t>(n);
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == run.input.size()) {
          CloseFd(in_fd);  // done, or the child stopped reading
        }
      } else if (fds[i].fd == out_fd) {
        if (!drain()) {
          KillGroup(pid);
          WaitFor(pid);
          result.error = ERROR_BUFFER_OVERFLOW;
          CloseFd(in_fd);
          CloseFd(out_fd);
          CloseFd(exit_fd);
          return result;
        }
      }
    }
  }
  CloseFd(in_fd);
  CloseFd(exit_fd);
  if (!ended) {
    KillGroup(pid);
    WaitFor(pid);
    CloseFd(out_fd);
    result.error = ERROR_TIMEOUT;
    return result;
  }
  // The program has ended: what it wrote is in the pipe. A helper it left behind may hold the
  // pipe open, so read only what is there instead of waiting for the end of the stream.
  const bool fits = drain();
  CloseFd(out_fd);
  if (!fits) {
    result.error = ERROR_BUFFER_OVERFLOW;
    return result;
  }
  result.exit_code = ExitCodeOf(status);
  result.error = ERROR_SUCCESS;
  return result;
}

DWORD StartProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) return ERROR_INVALID_PARAMETER;
  const std::string resolved = FindProgram(argv[0]);
  if (resolved.empty()) return ERROR_FILE_NOT_FOUND;
  Launch launch;
  launch.Prepare(argv, resolved);
  int report[2] = {-1, -1};
  if (!OpenNull(&launch) || pipe2(report, O_CLOEXEC) != 0) {
    const DWORD error = ErrorFromErrno(errno);
    CloseFd(launch.null_fd);
    return error;
  }
  launch.report_fd = report[1];
  // The middle process starts the program in a session of its own and ends at once, so the
  // program is never our child and leaves no zombie behind.
  const pid_t middle = fork();
  if (middle == 0) {
    setsid();
    const pid_t child = fork();
    if (child == 0) ExecChild(launch);
    _exit(child < 0 ? 1 : 0);
  }
  CloseFd(report[1]);
  CloseFd(launch.null_fd);
  if (middle < 0) {
    const DWORD error = ErrorFromErrno(errno);
    CloseFd(report[0]);
    return error;
  }
  const int middle_status = WaitFor(middle);
  const int exec_errno = ReadExecReport(report[0]);
  CloseFd(report[0]);
  if (middle_status != 0) return ERROR_NOT_ENOUGH_MEMORY;  // the second fork failed
  return ExecError(exec_errno);
}

}  // namespace platform
}  // namespace zb
