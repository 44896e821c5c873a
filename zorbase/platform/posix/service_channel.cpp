#include <zorbase/platform/posix/service_channel.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/registry.h>

namespace zb {
namespace platform {
namespace service {
namespace {

std::uint64_t Fnv1a(const std::string& bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

}  // namespace

bool PrivateDirectory(const std::string& dir) {
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  if (st.st_uid != getuid()) {
    errno = EACCES;
    return false;
  }
  return true;
}

void SendStartFailure(int ready_fd, int error) {
  if (ready_fd < 0) return;
  char message[1 + sizeof(int)];
  message[0] = kFailed;
  std::memcpy(message + 1, &error, sizeof error);
  (void)!write(ready_fd, message, sizeof message);
  close(ready_fd);
}

bool SendAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

DWORD ReceiveAll(int fd, void* data, std::size_t size, int timeout_ms) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    pollfd waiting{fd, POLLIN, 0};
    int ready = poll(&waiting, 1, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return ERROR_SERVICE_REQUEST_TIMEOUT;
    ssize_t n = ready < 0 ? -1 : recv(fd, p, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return ERROR_SERVICE_NOT_ACTIVE;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return ERROR_SUCCESS;
}

std::string SocketPath(const std::wstring& service_name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  std::string base = runtime && *runtime == '/' && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)
                         ? std::string(runtime)
                         : std::string("/tmp");
  char user[32];
  std::snprintf(user, sizeof user, "%u", static_cast<unsigned>(getuid()));
  std::string dir = base + "/zorbase-services-" + user;
  if (!PrivateDirectory(dir)) return std::string();
  // One folder per registry store, so separate stores (tests, users' own) never meet.
  char store[24];
  std::snprintf(store, sizeof store, "%016llx",
                static_cast<unsigned long long>(Fnv1a(RegistryDirectory())));
  dir += "/";
  dir += store;
  if (!PrivateDirectory(dir)) return std::string();
  std::wstring folded;
  for (wchar_t c : service_name) folded.push_back(UpcaseChar(c));
  char name[24];
  std::snprintf(name, sizeof name, "%016llx",
                static_cast<unsigned long long>(Fnv1a(WideToUtf8(folded))));
  return dir + "/" + name + ".sock";
}

DWORD Exchange(const std::string& path, const Request& request, Reply* reply, int timeout_ms) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return ERROR_SERVICE_NOT_ACTIVE;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return ErrorFromErrno(errno);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return ERROR_SERVICE_NOT_ACTIVE;  // nobody listens: the service's process is gone
  }
  DWORD result = SendAll(fd, &request, sizeof request)
                     ? ReceiveAll(fd, reply, sizeof *reply, timeout_ms)
                     : ERROR_SERVICE_NOT_ACTIVE;
  close(fd);
  return result;
}

}  // namespace service
}  // namespace platform
}  // namespace zb
