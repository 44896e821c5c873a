#include <zorbase/selftest/TestingUtility.h>

#include <boost/filesystem.hpp>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/internal/native_path.h>

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
  boost::system::error_code ignored;  // an existing folder is fine; a missing one shows below
  boost::filesystem::create_directories(zb::logging_internal::NativeLogPath(folder), ignored);
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
