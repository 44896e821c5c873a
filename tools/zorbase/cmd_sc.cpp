// `zorbase sc create|start|query|queryex|stop|delete NAME ...`: the service control manager from
// the command line, with the syntax and output of the Windows service tool.
#include "command.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/service.h>
#include <zorbase/system/MSysError.h>

namespace zb {
namespace tool {
namespace {

// Prints "[SC] CALL FAILED CODE:" and the system's text, as the Windows tool does.
int Failed(const char* call, DWORD code) {
  MSysError error;
  error.Fill(code);
  std::printf("[SC] %s FAILED %u:\n\n%s\n\n", call, static_cast<unsigned>(code),
              Narrow(error.m_text).c_str());
  return kExitFailure;
}

const char* StateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED: return "STOPPED";
    case SERVICE_START_PENDING: return "START_PENDING";
    case SERVICE_STOP_PENDING: return "STOP_PENDING";
    case SERVICE_RUNNING: return "RUNNING";
    case SERVICE_CONTINUE_PENDING: return "CONTINUE_PENDING";
    case SERVICE_PAUSE_PENDING: return "PAUSE_PENDING";
    case SERVICE_PAUSED: return "PAUSED";
    default: return "UNKNOWN";
  }
}

void PrintStatus(const std::string& name, const SERVICE_STATUS_PROCESS& s, bool with_process) {
  const DWORD type = s.dwServiceType;
  std::printf("\nSERVICE_NAME: %s\n", name.c_str());
  std::printf("        TYPE               : %x  %s%s\n", static_cast<unsigned>(type),
              (type & SERVICE_WIN32_SHARE_PROCESS) ? "WIN32_SHARE_PROCESS" : "WIN32_OWN_PROCESS",
              (type & SERVICE_INTERACTIVE_PROCESS) ? " (interactive)" : "");
  std::printf("        STATE              : %u  %s\n", static_cast<unsigned>(s.dwCurrentState),
              StateName(s.dwCurrentState));
  std::printf("                                (%s, %s, %s)\n",
              (s.dwControlsAccepted & SERVICE_ACCEPT_STOP) ? "STOPPABLE" : "NOT_STOPPABLE",
              (s.dwControlsAccepted & SERVICE_ACCEPT_PAUSE_CONTINUE) ? "PAUSABLE" : "NOT_PAUSABLE",
              (s.dwControlsAccepted & SERVICE_ACCEPT_SHUTDOWN) ? "ACCEPTS_SHUTDOWN"
                                                              : "IGNORES_SHUTDOWN");
  std::printf("        WIN32_EXIT_CODE    : %u  (0x%x)\n", static_cast<unsigned>(s.dwWin32ExitCode),
              static_cast<unsigned>(s.dwWin32ExitCode));
  std::printf("        SERVICE_EXIT_CODE  : %u  (0x%x)\n",
              static_cast<unsigned>(s.dwServiceSpecificExitCode),
              static_cast<unsigned>(s.dwServiceSpecificExitCode));
  std::printf("        CHECKPOINT         : 0x%x\n", static_cast<unsigned>(s.dwCheckPoint));
  std::printf("        WAIT_HINT          : 0x%x\n", static_cast<unsigned>(s.dwWaitHint));
  if (with_process) {
    std::printf("        PID                : %u\n", static_cast<unsigned>(s.dwProcessId));
    std::printf("        FLAGS              :\n");
  }
}

// Options of `create`: "binPath= VALUE" as two arguments (or "binPath=VALUE" as one).
bool ParseOptions(const std::vector<std::string>& args, std::size_t first,
                  std::vector<std::pair<std::string, std::string>>* options) {
  for (std::size_t i = first; i < args.size(); ++i) {
    std::size_t eq = args[i].find('=');
    if (eq == std::string::npos) return false;
    std::string key = args[i].substr(0, eq);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string value = args[i].substr(eq + 1);
    if (value.empty()) {
      if (i + 1 >= args.size()) return false;
      value = args[++i];
    }
    options->emplace_back(key, value);
  }
  return true;
}

struct Handles {
  SC_HANDLE manager = nullptr, service = nullptr;
  ~Handles() {
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
  }
};

int RunSc(const std::vector<std::string>& args) {
  if (args.size() < 2) return UsageError("sc", "needs a command and a service name");
  const std::string& command = args[0];
  const std::string& name = args[1];
  const std::wstring wide_name = Widen(name);
  Handles h;
  h.manager = OpenSCManagerW(nullptr, nullptr,
                             command == "create" ? SC_MANAGER_CREATE_SERVICE | SC_MANAGER_CONNECT
                                                 : SC_MANAGER_CONNECT);
  if (!h.manager) return Failed("OpenSCManager", GetLastError());

  if (command == "create") {
    std::vector<std::pair<std::string, std::string>> options;
    if (!ParseOptions(args, 2, &options)) return UsageError("sc", "options are NAME= VALUE pairs");
    std::wstring path, display = wide_name, depend;
    DWORD start = SERVICE_DEMAND_START, type = SERVICE_WIN32_OWN_PROCESS;
    for (const auto& option : options) {
      if (option.first == "binpath") {
        path = Widen(option.second);
      } else if (option.first == "displayname") {
        display = Widen(option.second);
      } else if (option.first == "depend") {
        depend = Widen(option.second);
        for (wchar_t& c : depend) if (c == L'/') c = L'\0';
        depend.push_back(L'\0');
      } else if (option.first == "start") {
        if (option.second == "auto") start = SERVICE_AUTO_START;
        else if (option.second == "demand") start = SERVICE_DEMAND_START;
        else if (option.second == "disabled") start = SERVICE_DISABLED;
        else return UsageError("sc", "start= is auto, demand or disabled");
      } else if (option.first == "type") {
        if (option.second != "own") return UsageError("sc", "type= own is the only type");
      } else {
        return UsageError("sc", "unknown option " + option.first + "=");
      }
    }
    if (path.empty()) return UsageError("sc", "create needs binPath=");
    h.service = CreateServiceW(h.manager, wide_name.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                               type, start, SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr,
                               depend.empty() ? nullptr : depend.c_str(), nullptr, nullptr);
    if (!h.service) return Failed("CreateService", GetLastError());
    std::printf("[SC] CreateService SUCCESS\n");
    return kExitOk;
  }

  DWORD access = command == "start"    ? SERVICE_START | SERVICE_QUERY_STATUS
                 : command == "stop"   ? SERVICE_STOP | SERVICE_QUERY_STATUS
                 : command == "delete" ? DELETE
                                       : SERVICE_QUERY_STATUS;
  if (command != "start" && command != "stop" && command != "delete" && command != "query" &&
      command != "queryex")
    return UsageError("sc", "unknown command " + command);
  if (args.size() != 2) return UsageError("sc", command + " takes only the service name");
  h.service = OpenServiceW(h.manager, wide_name.c_str(), access);
  if (!h.service) return Failed("OpenService", GetLastError());

  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (command == "delete") {
    if (!DeleteService(h.service)) return Failed("DeleteService", GetLastError());
    std::printf("[SC] DeleteService SUCCESS\n");
    return kExitOk;
  }
  if (command == "start") {
    if (!StartServiceW(h.service, 0, nullptr)) return Failed("StartService", GetLastError());
    QueryServiceStatusEx(h.service, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                         sizeof status, &needed);
    PrintStatus(name, status, true);
    return kExitOk;
  }
  if (command == "stop") {
    SERVICE_STATUS plain{};
    if (!ControlService(h.service, SERVICE_CONTROL_STOP, &plain))
      return Failed("ControlService", GetLastError());
    std::memcpy(&status, &plain, sizeof plain);
    PrintStatus(name, status, false);
    return kExitOk;
  }
  if (!QueryServiceStatusEx(h.service, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                            sizeof status, &needed))
    return Failed("QueryService", GetLastError());
  PrintStatus(name, status, command == "queryex");
  return kExitOk;
}

const Command kSc(
    "sc", "sc create|start|query|queryex|stop|delete NAME [OPTION= VALUE...]",
    "Controls services through the library's service control manager, as the Windows service\n"
    "tool does. Options of create (the space after '=' is part of the syntax):\n"
    "  binPath= PATH       the program, a Windows path (Z:\\... for a Linux path), then arguments\n"
    "  start= auto|demand|disabled   (default demand)\n"
    "  DisplayName= TEXT   depend= A/B   type= own\n"
    "query prints the state (for example STATE : 4  RUNNING); queryex adds the process id.\n"
    "stop sends the stop control and prints the status it returns (usually STOP_PENDING).\n"
    "A failure prints \"[SC] CALL FAILED CODE:\" with the system's text (1060 for a service that\n"
    "does not exist) and exits with status 1; a usage error exits with status 2.",
    RunSc);

}  // namespace
}  // namespace tool
}  // namespace zb
