// The Windows texts of the system error codes this library sets (what FormatMessageW gives for them
// on an English Windows system), without the trailing "\r\n".
#include <zorbase/platform/format_message.h>

#include <algorithm>
#include <iterator>

namespace zb {
namespace platform {
namespace {

struct ErrorText {
  DWORD code;
  const wchar_t* text;
};

// Sorted by code.
const ErrorText kErrorTexts[] = {
    {0, L"The operation completed successfully."},
    {1, L"Incorrect function."},
    {2, L"The system cannot find the file specified."},
    {3, L"The system cannot find the path specified."},
    {4, L"The system cannot open the file."},
    {5, L"Access is denied."},
    {6, L"The handle is invalid."},
    {8, L"Not enough memory resources are available to process this command."},
    {11, L"An attempt was made to load a program with an incorrect format."},
    {12, L"The access code is invalid."},
    {13, L"The data is invalid."},
    {14, L"Not enough memory resources are available to complete this operation."},
    {15, L"The system cannot find the drive specified."},
    {16, L"The directory cannot be removed."},
    {17, L"The system cannot move the file to a different disk drive."},
    {18, L"There are no more files."},
    {19, L"The media is write protected."},
    {21, L"The device is not ready."},
    {22, L"The device does not recognize the command."},
    {23, L"Data error (cyclic redundancy check)."},
    {24, L"The program issued a command but the command length is incorrect."},
    {25, L"The drive cannot locate a specific area or track on the disk."},
    {29, L"The system cannot write to the specified device."},
    {30, L"The system cannot read from the specified device."},
    {31, L"A device attached to the system is not functioning."},
    {32, L"The process cannot access the file because it is being used by another process."},
    {33, L"The process cannot access the file because another process has locked a portion of the "
         L"file."},
    {38, L"Reached the end of the file."},
    {39, L"The disk is full."},
    {50, L"The request is not supported."},
    {53, L"The network path was not found."},
    {58, L"The specified server cannot perform the requested operation."},
    {59, L"An unexpected network error occurred."},
    {65, L"Network access is denied."},
    {67, L"The network name cannot be found."},
    {80, L"The file exists."},
    {82, L"The directory or file cannot be created."},
    {87, L"The parameter is incorrect."},
    {109, L"The pipe has been ended."},
    {110, L"The system cannot open the device or file specified."},
    {111, L"The file name is too long."},
    {112, L"There is not enough space on the disk."},
    {120, L"This function is not supported on this system."},
    {121, L"The semaphore timeout period has expired."},
    {122, L"The data area passed to a system call is too small."},
    {123, L"The filename, directory name, or volume label syntax is incorrect."},
    {124, L"The system call level is not correct."},
    {126, L"The specified module could not be found."},
    {127, L"The specified procedure could not be found."},
    {131, L"An attempt was made to move the file pointer before the beginning of the file."},
    {145, L"The directory is not empty."},
    {160, L"One or more arguments are not correct."},
    {170, L"The requested resource is in use."},
    {183, L"Cannot create a file when that file already exists."},
    {193, L"%1 is not a valid Win32 application."},
    {203, L"The system could not find the environment option that was entered."},
    {206, L"The filename or extension is too long."},
    {223, L"The file size exceeds the limit allowed and cannot be saved."},
    {234, L"More data is available."},
    {259, L"No more data is available."},
    {267, L"The directory name is invalid."},
    {288, L"Attempt to release mutex not owned by caller."},
    {299, L"Only part of a ReadProcessMemory or WriteProcessMemory request was completed."},
    {303, L"The file cannot be opened because it is in the process of being deleted."},
    {317, L"The system cannot find message text for message number 0x%1 in the message file for %2."},
    {487, L"Attempt to access invalid address."},
    {534, L"Arithmetic result exceeded 32 bits."},
    {997, L"Overlapped I/O operation is in progress."},
    {998, L"Invalid access to memory location."},
    {1004, L"Invalid flags."},
    {1011, L"The configuration registry key could not be opened."},
    {1012, L"The configuration registry key could not be read."},
    {1013, L"The configuration registry key could not be written."},
    {1015, L"The registry is corrupted. The structure of one of the files containing registry data "
           L"is corrupted, or the system's memory image of the file is corrupted, or the file could "
           L"not be recovered because the alternate copy or log was absent or corrupted."},
    {1016, L"An I/O operation initiated by the registry failed unrecoverably. The registry could "
           L"not read in, or write out, or flush, one of the files that contain the system's image "
           L"of the registry."},
    {1017, L"The system has attempted to load or restore a file into the registry, but the "
           L"specified file is not in a registry file format."},
    {1018, L"Illegal operation attempted on a registry key that has been marked for deletion."},
    {1021, L"Cannot create a stable subkey under a volatile parent key."},
    {1051, L"A stop control has been sent to a service that other running services are dependent "
           L"on."},
    {1052, L"The requested control is not valid for this service."},
    {1053, L"The service did not respond to the start or control request in a timely fashion."},
    {1056, L"An instance of the service is already running."},
    {1058, L"The service cannot be started, either because it is disabled or because it has no "
           L"enabled devices associated with it."},
    {1060, L"The specified service does not exist as an installed service."},
    {1061, L"The service cannot accept control messages at this time."},
    {1062, L"The service has not been started."},
    {1063, L"The service process could not connect to the service controller."},
    {1067, L"The process terminated unexpectedly."},
    {1072, L"The specified service has been marked for deletion."},
    {1073, L"The specified service already exists."},
    {1113, L"No mapping for the Unicode character exists in the target multi-byte code page."},
    {1117, L"The request could not be performed because of an I/O device error."},
    {1168, L"Element not found."},
    {1200, L"The specified device name is invalid."},
    {1210, L"The format of the specified computer name is invalid."},
    {1223, L"The operation was canceled by the user."},
    {1314, L"A required privilege is not held by the client."},
    {1338, L"The security descriptor structure is invalid."},
    {1460, L"This operation returned because the timeout period expired."},
    {1722, L"The RPC server is unavailable."},
    {1812, L"The specified image file did not contain a resource section."},
    {1813, L"The specified resource type cannot be found in the image file."},
    {1814, L"The specified resource name cannot be found in the image file."},
    {1921, L"The name of the file cannot be resolved by the system."},
    {4390, L"The file or directory is not a reparse point."},
};

}  // namespace

const wchar_t* WindowsErrorText(DWORD code) {
  auto found = std::lower_bound(std::begin(kErrorTexts), std::end(kErrorTexts), code,
                                [](const ErrorText& e, DWORD c) { return e.code < c; });
  return found != std::end(kErrorTexts) && found->code == code ? found->text : nullptr;
}

}  // namespace platform
}  // namespace zb
