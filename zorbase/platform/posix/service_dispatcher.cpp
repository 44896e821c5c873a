// The service's side: the dispatcher that listens on the service's socket, ServiceMain on its own
// thread, the control handler, and the status the service reports.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/posix/service_channel.h>
#include <zorbase/platform/service.h>

namespace zb {
namespace platform {
namespace {

// What a status handle names: the service of this process, or a recording stand-in.
struct ServiceRecord {
  std::mutex mutex;
  SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, 0, 0, 0, 0};
  LPHANDLER_FUNCTION handler = nullptr;
  LPHANDLER_FUNCTION_EX handler_ex = nullptr;
  LPVOID context = nullptr;
  std::atomic<bool> stopped{false};
};

std::mutex g_records_mutex;
std::set<ServiceRecord*>& Records() {
  static auto* records = new std::set<ServiceRecord*>();
  return *records;
}

// The service of this process while StartServiceCtrlDispatcherW runs.
ServiceRecord* g_dispatched = nullptr;

ServiceRecord* RecordOf(SERVICE_STATUS_HANDLE handle) {
  std::lock_guard<std::mutex> lock(g_records_mutex);
  auto* record = reinterpret_cast<ServiceRecord*>(handle);
  return Records().count(record) ? record : nullptr;
}

// Answers one connection: a status query or a control for the handler.
void Serve(int fd, ServiceRecord* record) {
  service::Request request;
  if (service::ReceiveAll(fd, &request, sizeof request, 5000) != ERROR_SUCCESS ||
      request.magic != service::kMagic)
    return;
  service::Reply reply{};
  if (request.op == service::kControl) {
    DWORD state, accepted;
    LPHANDLER_FUNCTION handler;
    LPHANDLER_FUNCTION_EX handler_ex;
    LPVOID context;
    {
      std::lock_guard<std::mutex> lock(record->mutex);
      state = record->status.dwCurrentState;
      accepted = record->status.dwControlsAccepted;
      handler = record->handler;
      handler_ex = record->handler_ex;
      context = record->context;
    }
    const DWORD control = request.control;
    const bool interrogate = control == SERVICE_CONTROL_INTERROGATE;
    const bool allowed =
        interrogate || control >= 128 ||
        (control == SERVICE_CONTROL_STOP && (accepted & SERVICE_ACCEPT_STOP)) ||
        ((control == SERVICE_CONTROL_PAUSE || control == SERVICE_CONTROL_CONTINUE) &&
         (accepted & SERVICE_ACCEPT_PAUSE_CONTINUE)) ||
        (control == SERVICE_CONTROL_SHUTDOWN && (accepted & SERVICE_ACCEPT_SHUTDOWN));
    if (state == SERVICE_STOPPED) {
      reply.error = ERROR_SERVICE_NOT_ACTIVE;
    } else if (!interrogate && (state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING)) {
      reply.error = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    } else if (!allowed) {
      reply.error = ERROR_INVALID_SERVICE_CONTROL;
    } else if (handler_ex) {
      DWORD result = handler_ex(control, 0, nullptr, context);
      if (result != NO_ERROR && !interrogate) reply.error = result;
    } else if (handler) {
      handler(control);
    } else {
      reply.error = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;  // no handler registered yet
    }
  }
  {
    std::lock_guard<std::mutex> lock(record->mutex);
    std::memcpy(&reply.status, &record->status, sizeof record->status);
  }
  reply.status.dwProcessId = static_cast<DWORD>(getpid());
  service::SendAll(fd, &reply, sizeof reply);
}

void TellManager(int ready_fd, char what) {
  if (ready_fd < 0) return;
  (void)!write(ready_fd, &what, 1);
  close(ready_fd);
}

// Binds the listening socket; a socket file left by a service process that died is replaced, a
// live one means another instance runs (false, *already = true).
int Listen(const std::string& path, bool* already) {
  *already = false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  for (int attempt = 0; attempt < 4; ++attempt) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(fd, 16) == 0)
      return fd;
    const int error = errno;
    close(fd);
    if (error == ENOENT) {
      // The last service of this store removed the store's folder as it ended, after the
      // manager had made it for this start: make it again.
      if (!service::PrivateDirectory(path.substr(0, path.rfind('/')))) return -1;
      continue;
    }
    if (error != EADDRINUSE) {
      errno = error;
      return -1;
    }
    service::Request request{service::kMagic, service::kQuery, 0};
    service::Reply reply;
    if (service::Exchange(path, request, &reply, 2000) != ERROR_SERVICE_NOT_ACTIVE) {
      *already = true;
      return -1;
    }
    unlink(path.c_str());
  }
  errno = EADDRINUSE;  // the name stayed taken through every attempt
  return -1;
}

}  // namespace

SERVICE_STATUS_HANDLE CreateRecordingServiceStatusHandle() {
  auto* record = new ServiceRecord();  // lives as long as the process, as status handles do
  std::lock_guard<std::mutex> lock(g_records_mutex);
  Records().insert(record);
  return reinterpret_cast<SERVICE_STATUS_HANDLE>(record);
}

bool LastServiceStatus(SERVICE_STATUS_HANDLE handle, SERVICE_STATUS* status) {
  ServiceRecord* record = RecordOf(handle);
  if (!record || !status) return false;
  std::lock_guard<std::mutex> lock(record->mutex);
  *status = record->status;
  return true;
}

}  // namespace platform
}  // namespace zb

using namespace zb::platform;

BOOL StartServiceCtrlDispatcherW(const SERVICE_TABLE_ENTRYW* table) {
  if (!table || !table[0].lpServiceProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const char* socket_path = std::getenv(service::kSocketVariable);
  const char* ready_text = std::getenv(service::kReadyVariable);
  if (!socket_path || !*socket_path || g_dispatched) {
    SetLastError(g_dispatched ? ERROR_SERVICE_ALREADY_RUNNING
                              : ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    return FALSE;
  }
  int ready_fd = ready_text ? std::atoi(ready_text) : -1;
  std::string path = socket_path;
  // The variables belong to this start only; programs the service starts must not inherit them.
  unsetenv(service::kSocketVariable);
  unsetenv(service::kReadyVariable);
  bool already = false;
  int listener = Listen(path, &already);
  if (listener < 0) {
    if (already) {
      TellManager(ready_fd, service::kAlreadyRunning);
    } else {
      service::SendStartFailure(ready_fd, errno);
    }
    SetLastError(already ? ERROR_SERVICE_ALREADY_RUNNING : ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    return FALSE;
  }
  auto* record = reinterpret_cast<ServiceRecord*>(CreateRecordingServiceStatusHandle());
  g_dispatched = record;

  std::vector<std::wstring> args;
  const char* name = std::getenv(service::kNameVariable);
  args.push_back(name ? Utf8ToWide(name)
                      : std::wstring(table[0].lpServiceName ? table[0].lpServiceName : L""));
  if (const char* extra = std::getenv(service::kArgsVariable)) {
    std::string all = extra;
    std::size_t start = 0;
    while (!all.empty() && start <= all.size()) {
      std::size_t end = all.find('\x1F', start);
      if (end == std::string::npos) end = all.size();
      args.push_back(Utf8ToWide(all.substr(start, end - start)));
      start = end + 1;
    }
  }
  TellManager(ready_fd, service::kReady);

  LPSERVICE_MAIN_FUNCTIONW main_function = table[0].lpServiceProc;
  std::thread([main_function, args]() mutable {
    std::vector<LPWSTR> argv;
    for (std::wstring& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    main_function(static_cast<DWORD>(args.size()), argv.data());
  }).detach();

  while (!record->stopped) {
    pollfd waiting{listener, POLLIN, 0};
    int n = poll(&waiting, 1, 50);
    if (n <= 0) continue;
    int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    Serve(client, record);
    close(client);
  }
  close(listener);
  unlink(path.c_str());
  rmdir(path.substr(0, path.rfind('/')).c_str());  // the store's folder, once it is empty
  return TRUE;
}

SERVICE_STATUS_HANDLE RegisterServiceCtrlHandlerExW(LPCWSTR, LPHANDLER_FUNCTION_EX handler,
                                                    LPVOID context) {
  ServiceRecord* record = g_dispatched;
  if (!record || !handler) {
    SetLastError(record ? ERROR_INVALID_PARAMETER : ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(record->mutex);
  record->handler_ex = handler;
  record->handler = nullptr;
  record->context = context;
  return reinterpret_cast<SERVICE_STATUS_HANDLE>(record);
}

SERVICE_STATUS_HANDLE RegisterServiceCtrlHandlerW(LPCWSTR, LPHANDLER_FUNCTION handler) {
  ServiceRecord* record = g_dispatched;
  if (!record || !handler) {
    SetLastError(record ? ERROR_INVALID_PARAMETER : ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(record->mutex);
  record->handler = handler;
  record->handler_ex = nullptr;
  return reinterpret_cast<SERVICE_STATUS_HANDLE>(record);
}

BOOL SetServiceStatus(SERVICE_STATUS_HANDLE handle, LPSERVICE_STATUS status) {
  ServiceRecord* record = RecordOf(handle);
  if (!record) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!status || status->dwCurrentState < SERVICE_STOPPED ||
      status->dwCurrentState > SERVICE_PAUSED) {
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> lock(record->mutex);
    record->status = *status;
  }
  if (status->dwCurrentState == SERVICE_STOPPED) record->stopped = true;
  return TRUE;
}
