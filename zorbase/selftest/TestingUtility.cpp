#include <zorbase/selftest/TestingUtility.h>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/platform/shell_file.h>

namespace {

MLogManager* g_manager = nullptr;
std::wstring g_log_path;

}  // namespace

namespace TestingUtility {

std::wstring GetDefaultPathForTesting() { return L"Z:/RWTesterOut"; }

std::wstring SetupLoggingForTesting(const std::wstring& directory, const std::wstring& name) {
  if (g_manager != nullptr) return g_log_path;
  std::wstring folder = directory;
  if (!name.empty()) folder += L"/" + name;
  // An existing folder is fine; one that cannot be made shows when the log file does not open.
  SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  g_log_path = folder + L"/log.txt";
  g_manager = new MLogManager;
  g_manager->OpenLogFile(MFileName(g_log_path.c_str()), false);
  g_manager->InfoF(nullptr, L"RWTester: logging to file = %s.", g_log_path.c_str());
  return g_log_path;
}

void EndLoggingForTesting() {
  delete g_manager;
  g_manager = nullptr;
  g_log_path.clear();
}

}  // namespace TestingUtility
