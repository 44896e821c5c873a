// The channel between the service control manager and a service process: one Unix socket per
// service, one request and one reply per connection.
#pragma once

#include <cstdint>
#include <string>

#include <zorbase/platform/service.h>

namespace zb {
namespace platform {
namespace service {

constexpr std::uint32_t kMagic = 0x5A425343;  // "ZBSC"
constexpr std::uint32_t kQuery = 1;
constexpr std::uint32_t kControl = 2;

struct Request {
  std::uint32_t magic;
  std::uint32_t op;
  std::uint32_t control;
};

struct Reply {
  std::uint32_t error;  // 0, or the Windows error of the control
  SERVICE_STATUS_PROCESS status;
};

// Environment variables with which the manager starts a service process.
constexpr const char* kSocketVariable = "ZORBASE_SERVICE_SOCKET";
constexpr const char* kNameVariable = "ZORBASE_SERVICE_NAME";
constexpr const char* kReadyVariable = "ZORBASE_SERVICE_READY_FD";
constexpr const char* kArgsVariable = "ZORBASE_SERVICE_ARGS";  // UTF-8, separated by \x1F

// Bytes the service process writes to the ready pipe: listening, another instance runs, or a
// failure ('E' followed by the errno, as for an image that could not be executed).
constexpr char kReady = 'R';
constexpr char kAlreadyRunning = 'A';
constexpr char kFailed = 'E';

// The socket path of a service (names compare without regard to case), in a directory private to
// the user and the registry store in use; the directory is created. Empty when no such directory
// can be made.
std::string SocketPath(const std::wstring& service_name);

// Creates `dir` (mode 0700) unless it exists as a directory owned by this user. False with errno
// set (ENOTDIR or EACCES when the name is taken by something else or by another user).
bool PrivateDirectory(const std::string& dir);

// Writes kFailed and `error` (an errno, never 0) to the ready pipe and closes it. Safe between
// fork and exec: it only writes and closes.
void SendStartFailure(int ready_fd, int error);

// Writes all of `data` to a socket; false when the peer is gone.
bool SendAll(int fd, const void* data, std::size_t size);

// Reads exactly `size` bytes, waiting at most `timeout_ms` for each part: ERROR_SUCCESS,
// ERROR_SERVICE_REQUEST_TIMEOUT, or ERROR_SERVICE_NOT_ACTIVE when the peer closed first.
DWORD ReceiveAll(int fd, void* data, std::size_t size, int timeout_ms);

// Sends `request` to the service behind `path`. ERROR_SUCCESS with the reply;
// ERROR_SERVICE_NOT_ACTIVE when no process listens there (or it ended during the exchange);
// ERROR_SERVICE_REQUEST_TIMEOUT when it does not answer within `timeout_ms`.
DWORD Exchange(const std::string& path, const Request& request, Reply* reply, int timeout_ms);

}  // namespace service
}  // namespace platform
}  // namespace zb
