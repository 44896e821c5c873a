// The manager's side of the service control manager: the service database in the machine hive,
// handles, starting images as detached processes, controls and status over the service's socket.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/posix/service_channel.h>
#include <zorbase/platform/registry.h>
#include <zorbase/platform/service.h>

extern char** environ;

namespace zb {
namespace platform {
namespace {

const wchar_t kServicesKey[] = L"System\\CurrentControlSet\\Services";
constexpr int kStartTimeoutMs = 10000;
constexpr int kControlTimeoutMs = 30000;

class ManagerObject : public KernelObject {
 public:
  explicit ManagerObject(DWORD access) : access(access) {}
  bool ClosesWithCloseHandle() const override { return false; }
  DWORD access;
};

class ServiceObject : public KernelObject {
 public:
  ServiceObject(std::wstring name, DWORD access) : name(std::move(name)), access(access) {}
  bool ClosesWithCloseHandle() const override { return false; }
  std::wstring name;
  DWORD access;
};

std::wstring KeyOf(const std::wstring& name) { return std::wstring(kServicesKey) + L"\\" + name; }

bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

std::shared_ptr<ServiceObject> ServiceOf(SC_HANDLE handle, DWORD needed) {
  auto object = LookupHandleAs<ServiceObject>(reinterpret_cast<HANDLE>(handle));
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if ((object->access & needed) != needed) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return object;
}

LONG SetString(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
  std::string bytes = WideToUtf16Le(value.c_str(), value.size() + 1);
  return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
}

LONG SetDword(HKEY key, const wchar_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value);
}

// A value of the service's key; false when the service or the value does not exist.
bool ReadValue(const std::wstring& name, const wchar_t* value, std::vector<BYTE>* data,
               DWORD* type) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyOf(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD size = 0;
  LONG result = RegQueryValueExW(key, value, nullptr, type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    data->resize(size);
    result = RegQueryValueExW(key, value, nullptr, type, data->data(), &size);
    data->resize(size);
  }
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool ReadDword(const std::wstring& name, const wchar_t* value, DWORD* out) {
  std::vector<BYTE> data;
  DWORD type = 0;
  if (!ReadValue(name, value, &data, &type) || type != REG_DWORD || data.size() != 4) return false;
  std::memcpy(out, data.data(), 4);
  return true;
}

bool ReadString(const std::wstring& name, const wchar_t* value, std::wstring* out) {
  std::vector<BYTE> data;
  DWORD type = 0;
  if (!ReadValue(name, value, &data, &type) || (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  *out = Utf16LeToWide(data.data(), data.size());
  while (!out->empty() && out->back() == L'\0') out->pop_back();
  return true;
}

bool Installed(const std::wstring& name) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyOf(name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// The live status of a service, stopped when its process does not answer.
SERVICE_STATUS_PROCESS LiveStatus(const std::wstring& name, DWORD* error) {
  service::Request request{service::kMagic, service::kQuery, 0};
  service::Reply reply{};
  *error = service::Exchange(service::SocketPath(name), request, &reply, kControlTimeoutMs);
  if (*error == ERROR_SUCCESS) return reply.status;
  SERVICE_STATUS_PROCESS stopped{};
  DWORD type = SERVICE_WIN32_OWN_PROCESS;
  ReadDword(name, L"Type", &type);
  stopped.dwServiceType = type;
  stopped.dwCurrentState = SERVICE_STOPPED;
  return stopped;
}

// ImagePath: a quoted program or the text up to the first space, then space-separated arguments.
bool SplitImagePath(const std::wstring& image, std::wstring* program,
                    std::vector<std::wstring>* args) {
  std::size_t i = 0;
  while (i < image.size() && image[i] == L' ') ++i;
  if (i < image.size() && image[i] == L'"') {
    std::size_t end = image.find(L'"', i + 1);
    if (end == std::wstring::npos) return false;
    *program = image.substr(i + 1, end - i - 1);
    i = end + 1;
  } else {
    std::size_t end = image.find(L' ', i);
    if (end == std::wstring::npos) end = image.size();
    *program = image.substr(i, end - i);
    i = end;
  }
  while (i < image.size()) {
    while (i < image.size() && image[i] == L' ') ++i;
    if (i >= image.size()) break;
    std::wstring arg;
    if (image[i] == L'"') {
      std::size_t end = image.find(L'"', i + 1);
      if (end == std::wstring::npos) end = image.size();
      arg = image.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      std::size_t end = image.find(L' ', i);
      if (end == std::wstring::npos) end = image.size();
      arg = image.substr(i, end - i);
      i = end;
    }
    args->push_back(arg);
  }
  return !program->empty();
}

DWORD ExecError(int error) {
  switch (error) {
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    default: return ErrorFromErrno(error);
  }
}

// Starts the image detached (its own session, reparented to init, standard streams on
// /dev/null) and waits for its dispatcher. Everything the child needs is prepared before fork.
DWORD Spawn(const std::wstring& name, const std::vector<std::string>& argv_text,
            const std::string& socket_path, const std::string& service_args) {
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return ErrorFromErrno(errno);
  // The write end moves above the standard streams, which the service gets from /dev/null even
  // when this process runs without them.
  int high = fcntl(ready[1], F_DUPFD_CLOEXEC, 10);
  if (high < 0) {
    DWORD code = ErrorFromErrno(errno);
    close(ready[0]);
    close(ready[1]);
    return code;
  }
  close(ready[1]);
  ready[1] = high;
  std::vector<std::string> env_text;
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    if (entry.rfind(std::string(service::kSocketVariable) + "=", 0) == 0 ||
        entry.rfind(std::string(service::kNameVariable) + "=", 0) == 0 ||
        entry.rfind(std::string(service::kReadyVariable) + "=", 0) == 0 ||
        entry.rfind(std::string(service::kArgsVariable) + "=", 0) == 0)
      continue;
    env_text.push_back(entry);
  }
  env_text.push_back(std::string(service::kSocketVariable) + "=" + socket_path);
  env_text.push_back(std::string(service::kNameVariable) + "=" + WideToUtf8(name));
  env_text.push_back(std::string(service::kReadyVariable) + "=" + std::to_string(ready[1]));
  env_text.push_back(std::string(service::kArgsVariable) + "=" + service_args);
  std::vector<char*> envp, argv;
  for (std::string& e : env_text) envp.push_back(&e[0]);
  envp.push_back(nullptr);
  std::vector<std::string> args = argv_text;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);

  pid_t middle = fork();
  if (middle < 0) {
    DWORD code = ErrorFromErrno(errno);
    close(ready[0]);
    close(ready[1]);
    return code;
  }
  if (middle == 0) {
    setsid();
    pid_t grandchild = fork();
    if (grandchild != 0) {
      // Tell the manager who the service process is, then leave it to init.
      char message[1 + sizeof(pid_t)];
      message[0] = 'P';
      std::memcpy(message + 1, &grandchild, sizeof grandchild);
      if (grandchild > 0) (void)!write(ready[1], message, sizeof message);
      _exit(0);
    }
    fcntl(ready[1], F_SETFD, 0);  // the service inherits the write end
    // and no other descriptor of the manager's process.
    close_range(3, static_cast<unsigned>(ready[1]) - 1, 0);
    close_range(static_cast<unsigned>(ready[1]) + 1, ~0u, 0);
    int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, 0);
      dup2(devnull, 1);
      dup2(devnull, 2);
      if (devnull > 2) close(devnull);
    }
    if (chdir("/") != 0) _exit(127);
    execve(argv[0], argv.data(), envp.data());
    service::SendStartFailure(ready[1], errno);
    _exit(127);
  }
  close(ready[1]);
  int status = 0;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  // Read the service's pid, then its verdict: ready, already running, an exec error, or an end.
  pid_t service_pid = 0;
  DWORD result = ERROR_SERVICE_REQUEST_TIMEOUT;
  int waited = 0;
  std::string received;
  while (waited < kStartTimeoutMs) {
    pollfd waiting{ready[0], POLLIN, 0};
    int n = poll(&waiting, 1, 100);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {
      waited += 100;
      continue;
    }
    char buffer[64];
    ssize_t got = read(ready[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // every write end closed: the process ended without connecting
    received.append(buffer, static_cast<std::size_t>(got));
    bool decided = false;
    while (!received.empty() && !decided) {
      char kind = received[0];
      if (kind == 'P' && received.size() >= 1 + sizeof(pid_t)) {
        std::memcpy(&service_pid, received.data() + 1, sizeof(pid_t));
        received.erase(0, 1 + sizeof(pid_t));
      } else if (kind == service::kFailed && received.size() >= 1 + sizeof(int)) {
        int error;
        std::memcpy(&error, received.data() + 1, sizeof error);
        result = ExecError(error);
        decided = true;
      } else if (kind == service::kReady) {
        result = ERROR_SUCCESS;
        decided = true;
      } else if (kind == service::kAlreadyRunning) {
        result = ERROR_SERVICE_ALREADY_RUNNING;
        decided = true;
      } else if (kind == 'P' || kind == service::kFailed) {
        break;  // the rest of the message is still on its way
      } else {
        received.erase(0, 1);
      }
    }
    if (decided) break;
  }
  close(ready[0]);
  // A process that neither connected nor ended in time is not left half-started.
  if (result == ERROR_SERVICE_REQUEST_TIMEOUT && service_pid > 0 && waited >= kStartTimeoutMs)
    kill(service_pid, SIGKILL);
  return result;
}

}  // namespace
}  // namespace platform
}  // namespace zb

using namespace zb::platform;

SC_HANDLE OpenSCManagerW(LPCWSTR machine, LPCWSTR database, DWORD access) {
  if (machine && *machine) {
    wchar_t own[64];
    DWORD size = 64;
    std::wstring wanted = machine;
    while (!wanted.empty() && wanted[0] == L'\\') wanted.erase(0, 1);
    if (!GetComputerNameW(own, &size) || !EqualNoCase(wanted, own)) {
      SetLastError(RPC_S_SERVER_UNAVAILABLE);
      return nullptr;
    }
  }
  if (database && !EqualNoCase(database, SERVICES_ACTIVE_DATABASEW)) {
    SetLastError(ERROR_DATABASE_DOES_NOT_EXIST);
    return nullptr;
  }
  HKEY key;
  LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServicesKey, 0, nullptr, 0, KEY_READ, nullptr,
                                &key, nullptr);
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    return nullptr;
  }
  RegCloseKey(key);
  return reinterpret_cast<SC_HANDLE>(RegisterHandle(std::make_shared<ManagerObject>(access)));
}

SC_HANDLE CreateServiceW(SC_HANDLE manager, LPCWSTR name, LPCWSTR display_name, DWORD access,
                         DWORD service_type, DWORD start_type, DWORD error_control,
                         LPCWSTR binary_path, LPCWSTR, LPDWORD tag_id, LPCWSTR dependencies,
                         LPCWSTR account, LPCWSTR) {
  auto scm = LookupHandleAs<ManagerObject>(reinterpret_cast<HANDLE>(manager));
  if (!scm) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!(scm->access & SC_MANAGER_CREATE_SERVICE)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  std::wstring service_name = name ? name : L"";
  if (service_name.empty() || service_name.size() > 256 ||
      service_name.find_first_of(L"/\\") != std::wstring::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  const DWORD base_type = service_type & ~SERVICE_INTERACTIVE_PROCESS;
  if (!binary_path || !*binary_path ||
      (base_type != SERVICE_WIN32_OWN_PROCESS && base_type != SERVICE_WIN32_SHARE_PROCESS) ||
      start_type > SERVICE_DISABLED || error_control > 3) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HKEY key;
  DWORD disposition = 0;
  LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, KeyOf(service_name).c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, &disposition);
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    return nullptr;
  }
  if (disposition != REG_CREATED_NEW_KEY) {
    RegCloseKey(key);
    SetLastError(ERROR_SERVICE_EXISTS);
    return nullptr;
  }
  SetDword(key, L"Type", service_type);
  SetDword(key, L"Start", start_type);
  SetDword(key, L"ErrorControl", error_control);
  SetString(key, L"ImagePath", binary_path, REG_EXPAND_SZ);
  SetString(key, L"DisplayName", display_name ? display_name : service_name);
  SetString(key, L"ObjectName", account ? account : L"LocalSystem");
  if (dependencies && *dependencies) {
    std::size_t length = 0;
    while (dependencies[length] || dependencies[length + 1]) ++length;
    std::string bytes = WideToUtf16Le(dependencies, length + 2);
    RegSetValueExW(key, L"DependOnService", 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  }
  RegCloseKey(key);
  if (tag_id) *tag_id = 0;
  return reinterpret_cast<SC_HANDLE>(
      RegisterHandle(std::make_shared<ServiceObject>(service_name, access)));
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR name, DWORD access) {
  if (!LookupHandleAs<ManagerObject>(reinterpret_cast<HANDLE>(manager))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  HKEY key;
  LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyOf(name).c_str(), 0, KEY_READ, &key);
  if (result != ERROR_SUCCESS) {
    SetLastError(result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND
                     ? ERROR_SERVICE_DOES_NOT_EXIST
                     : static_cast<DWORD>(result));
    return nullptr;
  }
  RegCloseKey(key);
  return reinterpret_cast<SC_HANDLE>(RegisterHandle(std::make_shared<ServiceObject>(name, access)));
}

BOOL DeleteService(SC_HANDLE service) {
  auto object = ServiceOf(service, DELETE);
  if (!object) return FALSE;
  LONG result = RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyOf(object->name).c_str());
  if (result != ERROR_SUCCESS)
    return Fail(result == ERROR_FILE_NOT_FOUND ? ERROR_SERVICE_MARKED_FOR_DELETE
                                               : static_cast<DWORD>(result));
  return TRUE;
}

BOOL StartServiceW(SC_HANDLE service, DWORD argc, LPCWSTR* argv) {
  auto object = ServiceOf(service, SERVICE_START);
  if (!object) return FALSE;
  std::wstring image;
  DWORD start_type = SERVICE_DEMAND_START;
  if (!ReadString(object->name, L"ImagePath", &image))
    return Fail(Installed(object->name) ? ERROR_PATH_NOT_FOUND : ERROR_SERVICE_MARKED_FOR_DELETE);
  ReadDword(object->name, L"Start", &start_type);
  if (start_type == SERVICE_DISABLED) return Fail(ERROR_SERVICE_DISABLED);
  DWORD error = 0;
  if (LiveStatus(object->name, &error).dwCurrentState != SERVICE_STOPPED)
    return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  std::wstring program;
  std::vector<std::wstring> image_args;
  if (!SplitImagePath(image, &program, &image_args)) return Fail(ERROR_PATH_NOT_FOUND);
  ResolvedPath resolved;
  DWORD resolve_error = ResolveWindowsPath(program.c_str(), &resolved);
  if (resolve_error != ERROR_SUCCESS) return Fail(resolve_error);
  if (!resolved.exists)
    return Fail(resolved.parent_missing ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
  std::string socket_path = service::SocketPath(object->name);
  if (socket_path.empty()) return Fail(ERROR_ACCESS_DENIED);
  std::vector<std::string> argv_text{resolved.native};
  for (const std::wstring& a : image_args) argv_text.push_back(WideToUtf8(a));
  std::string service_args;
  for (DWORD i = 0; argv && i < argc; ++i) {
    if (i) service_args.push_back('\x1F');
    service_args += WideToUtf8(argv[i] ? argv[i] : L"");
  }
  DWORD result = Spawn(object->name, argv_text, socket_path, service_args);
  if (result != ERROR_SUCCESS) return Fail(result);
  return TRUE;
}

BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  DWORD needed = control == SERVICE_CONTROL_STOP ? SERVICE_STOP
                 : control == SERVICE_CONTROL_PAUSE || control == SERVICE_CONTROL_CONTINUE
                     ? SERVICE_PAUSE_CONTINUE
                 : control == SERVICE_CONTROL_INTERROGATE ? SERVICE_INTERROGATE
                 : control >= 128 && control <= 255       ? SERVICE_USER_DEFINED_CONTROL
                                                          : 0;
  if (needed == 0) return Fail(ERROR_INVALID_PARAMETER);
  auto object = ServiceOf(service, needed);
  if (!object) return FALSE;
  service::Request request{service::kMagic, service::kControl, control};
  service::Reply reply{};
  DWORD error = service::Exchange(service::SocketPath(object->name), request, &reply,
                                  kControlTimeoutMs);
  if (error == ERROR_SERVICE_NOT_ACTIVE) {
    DWORD ignored;
    reply.status = LiveStatus(object->name, &ignored);
  }
  if (status) std::memcpy(status, &reply.status, sizeof *status);
  if (error == ERROR_SUCCESS) error = reply.error;
  if (error != ERROR_SUCCESS) return Fail(error);
  return TRUE;
}

BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  auto object = ServiceOf(service, SERVICE_QUERY_STATUS);
  if (!object) return FALSE;
  if (!status) return Fail(ERROR_INVALID_PARAMETER);
  DWORD error;
  SERVICE_STATUS_PROCESS live = LiveStatus(object->name, &error);
  if (error == ERROR_SERVICE_REQUEST_TIMEOUT) return Fail(error);
  std::memcpy(status, &live, sizeof *status);
  return TRUE;
}

BOOL QueryServiceStatusEx(SC_HANDLE service, DWORD level, LPBYTE buffer, DWORD size,
                          LPDWORD needed) {
  auto object = ServiceOf(service, SERVICE_QUERY_STATUS);
  if (!object) return FALSE;
  if (level != SC_STATUS_PROCESS_INFO) return Fail(ERROR_INVALID_LEVEL);
  if (needed) *needed = sizeof(SERVICE_STATUS_PROCESS);
  if (!buffer || size < sizeof(SERVICE_STATUS_PROCESS)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  DWORD error;
  SERVICE_STATUS_PROCESS live = LiveStatus(object->name, &error);
  if (error == ERROR_SERVICE_REQUEST_TIMEOUT) return Fail(error);
  std::memcpy(buffer, &live, sizeof live);
  return TRUE;
}

BOOL ChangeServiceConfig2W(SC_HANDLE service, DWORD level, LPVOID info) {
  auto object = ServiceOf(service, SERVICE_CHANGE_CONFIG);
  if (!object) return FALSE;
  if (level != SERVICE_CONFIG_DESCRIPTION) return Fail(ERROR_INVALID_LEVEL);
  if (!info) return Fail(ERROR_INVALID_PARAMETER);
  HKEY key;
  LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyOf(object->name).c_str(), 0, KEY_ALL_ACCESS,
                              &key);
  if (result != ERROR_SUCCESS) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
  const wchar_t* text = static_cast<SERVICE_DESCRIPTIONW*>(info)->lpDescription;
  if (!text) {
    RegCloseKey(key);
    return TRUE;  // null leaves the description as it is
  }
  result = *text ? SetString(key, L"Description", text) : RegDeleteValueW(key, L"Description");
  RegCloseKey(key);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    return Fail(static_cast<DWORD>(result));
  return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
  HANDLE h = reinterpret_cast<HANDLE>(handle);
  if ((!LookupHandleAs<ManagerObject>(h) && !LookupHandleAs<ServiceObject>(h)) ||
      !UnregisterHandle(h))
    return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}
