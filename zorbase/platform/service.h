// The service control manager, with the Windows calls, records and codes.
//
// The service database is the machine hive of the registry store:
// HKLM\System\CurrentControlSet\Services\NAME holds Type, Start, ErrorControl, ImagePath (a Windows
// path, "Z:\..." for a Linux path, quoted when it has spaces, then the arguments), DisplayName,
// Description, ObjectName and DependOnService. StartServiceW starts the image as a detached process
// (its own session, standard streams on /dev/null, the caller's environment) and waits until its
// StartServiceCtrlDispatcherW listens on the service's Unix socket (under $XDG_RUNTIME_DIR, else
// /tmp), at most 10 seconds. Controls and status pass over that socket; a service whose process is
// gone is reported as stopped.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

struct SERVICE_STATUS {
  DWORD dwServiceType;
  DWORD dwCurrentState;
  DWORD dwControlsAccepted;
  DWORD dwWin32ExitCode;
  DWORD dwServiceSpecificExitCode;
  DWORD dwCheckPoint;
  DWORD dwWaitHint;
};
typedef SERVICE_STATUS* LPSERVICE_STATUS;

struct SERVICE_STATUS_PROCESS {
  DWORD dwServiceType;
  DWORD dwCurrentState;
  DWORD dwControlsAccepted;
  DWORD dwWin32ExitCode;
  DWORD dwServiceSpecificExitCode;
  DWORD dwCheckPoint;
  DWORD dwWaitHint;
  DWORD dwProcessId;
  DWORD dwServiceFlags;
};
typedef SERVICE_STATUS_PROCESS* LPSERVICE_STATUS_PROCESS;

typedef void (*LPSERVICE_MAIN_FUNCTIONW)(DWORD argc, LPWSTR* argv);
struct SERVICE_TABLE_ENTRYW {
  LPWSTR lpServiceName;
  LPSERVICE_MAIN_FUNCTIONW lpServiceProc;
};
typedef SERVICE_TABLE_ENTRYW* LPSERVICE_TABLE_ENTRYW;

typedef void (*LPHANDLER_FUNCTION)(DWORD control);
typedef DWORD (*LPHANDLER_FUNCTION_EX)(DWORD control, DWORD event_type, LPVOID event_data,
                                       LPVOID context);

struct SERVICE_DESCRIPTIONW {
  LPWSTR lpDescription;
};

constexpr DWORD SC_MANAGER_CONNECT = 0x0001;
constexpr DWORD SC_MANAGER_CREATE_SERVICE = 0x0002;
constexpr DWORD SC_MANAGER_ENUMERATE_SERVICE = 0x0004;
constexpr DWORD SC_MANAGER_LOCK = 0x0008;
constexpr DWORD SC_MANAGER_QUERY_LOCK_STATUS = 0x0010;
constexpr DWORD SC_MANAGER_MODIFY_BOOT_CONFIG = 0x0020;
constexpr DWORD SC_MANAGER_ALL_ACCESS = 0xF003F;

constexpr DWORD SERVICE_QUERY_CONFIG = 0x0001;
constexpr DWORD SERVICE_CHANGE_CONFIG = 0x0002;
constexpr DWORD SERVICE_QUERY_STATUS = 0x0004;
constexpr DWORD SERVICE_ENUMERATE_DEPENDENTS = 0x0008;
constexpr DWORD SERVICE_START = 0x0010;
constexpr DWORD SERVICE_STOP = 0x0020;
constexpr DWORD SERVICE_PAUSE_CONTINUE = 0x0040;
constexpr DWORD SERVICE_INTERROGATE = 0x0080;
constexpr DWORD SERVICE_USER_DEFINED_CONTROL = 0x0100;
constexpr DWORD SERVICE_ALL_ACCESS = 0xF01FF;

constexpr DWORD SERVICE_KERNEL_DRIVER = 0x0001;
constexpr DWORD SERVICE_WIN32_OWN_PROCESS = 0x0010;
constexpr DWORD SERVICE_WIN32_SHARE_PROCESS = 0x0020;
constexpr DWORD SERVICE_INTERACTIVE_PROCESS = 0x0100;

constexpr DWORD SERVICE_BOOT_START = 0;
constexpr DWORD SERVICE_SYSTEM_START = 1;
constexpr DWORD SERVICE_AUTO_START = 2;
constexpr DWORD SERVICE_DEMAND_START = 3;
constexpr DWORD SERVICE_DISABLED = 4;

constexpr DWORD SERVICE_ERROR_IGNORE = 0;
constexpr DWORD SERVICE_ERROR_NORMAL = 1;

constexpr DWORD SERVICE_STOPPED = 1;
constexpr DWORD SERVICE_START_PENDING = 2;
constexpr DWORD SERVICE_STOP_PENDING = 3;
constexpr DWORD SERVICE_RUNNING = 4;
constexpr DWORD SERVICE_CONTINUE_PENDING = 5;
constexpr DWORD SERVICE_PAUSE_PENDING = 6;
constexpr DWORD SERVICE_PAUSED = 7;

constexpr DWORD SERVICE_CONTROL_STOP = 1;
constexpr DWORD SERVICE_CONTROL_PAUSE = 2;
constexpr DWORD SERVICE_CONTROL_CONTINUE = 3;
constexpr DWORD SERVICE_CONTROL_INTERROGATE = 4;
constexpr DWORD SERVICE_CONTROL_SHUTDOWN = 5;

constexpr DWORD SERVICE_ACCEPT_STOP = 0x0001;
constexpr DWORD SERVICE_ACCEPT_PAUSE_CONTINUE = 0x0002;
constexpr DWORD SERVICE_ACCEPT_SHUTDOWN = 0x0004;

constexpr DWORD SERVICE_CONFIG_DESCRIPTION = 1;
constexpr DWORD SC_STATUS_PROCESS_INFO = 0;
constexpr DWORD SERVICE_NO_CHANGE = 0xFFFFFFFF;
#define SERVICES_ACTIVE_DATABASEW L"ServicesActive"

constexpr DWORD ERROR_DEPENDENT_SERVICES_RUNNING = 1051;
constexpr DWORD ERROR_INVALID_SERVICE_CONTROL = 1052;
constexpr DWORD ERROR_SERVICE_DISABLED = 1058;
constexpr DWORD ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
constexpr DWORD ERROR_FAILED_SERVICE_CONTROLLER_CONNECT = 1063;
constexpr DWORD ERROR_DATABASE_DOES_NOT_EXIST = 1065;
constexpr DWORD ERROR_PROCESS_ABORTED = 1067;
constexpr DWORD ERROR_SERVICE_MARKED_FOR_DELETE = 1072;

// The manager of the local computer (`machine` null or empty; another name fails with
// RPC_S_SERVER_UNAVAILABLE), database null or SERVICES_ACTIVE_DATABASEW. Close with
// CloseServiceHandle.
ZORBASE_API SC_HANDLE OpenSCManagerW(LPCWSTR machine, LPCWSTR database, DWORD access);

// Installs a service (needs SC_MANAGER_CREATE_SERVICE). `dependencies` is a double-null-terminated
// list (may be null). ERROR_SERVICE_EXISTS when the name is taken, ERROR_INVALID_NAME for an empty
// name, one with a slash or backslash, or longer than 256 characters, ERROR_INVALID_PARAMETER for
// a missing image path or unknown type or start type. The load-order group, tag, account and
// password are accepted and the account kept as ObjectName (LocalSystem when null).
ZORBASE_API SC_HANDLE CreateServiceW(SC_HANDLE manager, LPCWSTR name, LPCWSTR display_name,
                                     DWORD access, DWORD service_type, DWORD start_type,
                                     DWORD error_control, LPCWSTR binary_path,
                                     LPCWSTR load_order_group, LPDWORD tag_id,
                                     LPCWSTR dependencies, LPCWSTR account, LPCWSTR password);

// An installed service (names compare without regard to case); ERROR_SERVICE_DOES_NOT_EXIST.
ZORBASE_API SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR name, DWORD access);

// Removes the service from the database (needs DELETE). A running service keeps running until it
// stops; the name can be installed again at once.
ZORBASE_API BOOL DeleteService(SC_HANDLE service);

// Starts a stopped service (needs SERVICE_START): ERROR_SERVICE_ALREADY_RUNNING, ERROR_SERVICE_DISABLED,
// ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND / ERROR_ACCESS_DENIED / ERROR_BAD_EXE_FORMAT for an
// image that cannot run, ERROR_SERVICE_REQUEST_TIMEOUT for an image that ends or does not connect
// within 10 seconds. `argv` goes to ServiceMain after the service name.
ZORBASE_API BOOL StartServiceW(SC_HANDLE service, DWORD argc, LPCWSTR* argv);

// Sends a control and returns the latest status: ERROR_SERVICE_NOT_ACTIVE when the service does
// not run (status: stopped), ERROR_INVALID_SERVICE_CONTROL when it does not accept the control,
// ERROR_SERVICE_CANNOT_ACCEPT_CTRL while it is starting or stopping.
ZORBASE_API BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);

// The service's status (needs SERVICE_QUERY_STATUS); stopped when its process is gone.
ZORBASE_API BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status);
// SC_STATUS_PROCESS_INFO: SERVICE_STATUS_PROCESS with the process id (0 when stopped).
ZORBASE_API BOOL QueryServiceStatusEx(SC_HANDLE service, DWORD level, LPBYTE buffer, DWORD size,
                                      LPDWORD needed);

// SERVICE_CONFIG_DESCRIPTION: sets the description; an empty text deletes it, null leaves it.
ZORBASE_API BOOL ChangeServiceConfig2W(SC_HANDLE service, DWORD level, LPVOID info);

ZORBASE_API BOOL CloseServiceHandle(SC_HANDLE handle);

// Service side. Connects the process to the manager that started it, runs the (first) table
// entry's ServiceMain on a new thread and dispatches controls to its handler on the calling thread
// until the service reports SERVICE_STOPPED. A process not started by the manager gets
// ERROR_FAILED_SERVICE_CONTROLLER_CONNECT at once.
ZORBASE_API BOOL StartServiceCtrlDispatcherW(const SERVICE_TABLE_ENTRYW* table);
ZORBASE_API SERVICE_STATUS_HANDLE RegisterServiceCtrlHandlerW(LPCWSTR name,
                                                              LPHANDLER_FUNCTION handler);
ZORBASE_API SERVICE_STATUS_HANDLE RegisterServiceCtrlHandlerExW(LPCWSTR name,
                                                                LPHANDLER_FUNCTION_EX handler,
                                                                LPVOID context);
// Reports the service's status to the manager; ERROR_INVALID_HANDLE for an unknown handle.
ZORBASE_API BOOL SetServiceStatus(SERVICE_STATUS_HANDLE handle, LPSERVICE_STATUS status);

#endif  // _WIN32

namespace zb {
namespace platform {

// A status handle outside any dispatcher whose reports are only recorded, for tests of code that
// reports status; LastServiceStatus reads the latest report.
ZORBASE_API SERVICE_STATUS_HANDLE CreateRecordingServiceStatusHandle();
ZORBASE_API bool LastServiceStatus(SERVICE_STATUS_HANDLE handle, SERVICE_STATUS* status);

}  // namespace platform
}  // namespace zb
