// example_host [LOG_DIRECTORY]: a small host application. It sets up a log manager that writes
// "example_host.log" in the given directory (or a fresh temporary one), logs its steps through
// the application plug-in and a plug-in of its own, times them, shows them as nested progress on
// standard error (bars on a terminal, plain lines otherwise), and prints the log at the end.
#include <zorbase/zorbase.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <system_error>

namespace {

std::string LogDirectory(int argc, char** argv) {
  if (argc > 1) return argv[1];
  // A fresh folder of the system's temporary folder; a name already taken is never reused.
  std::error_code ec;
  const std::filesystem::path tmp = std::filesystem::temp_directory_path(ec);
  if (ec) return ".";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate = tmp / ("example_host-" + std::to_string(random() % 1000000u));
    if (std::filesystem::create_directory(candidate, ec)) return candidate.u8string();
  }
  return ".";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && std::string(argv[1]) == "--help")) {
    std::fprintf(stderr, "usage: example_host [LOG_DIRECTORY]\n");
    return argc == 2 ? 0 : 2;
  }
  const std::string directory = LogDirectory(argc, argv);
  const std::string log_path = directory + "/example_host.log";
  const std::wstring wide_path = zb::platform::Utf8ToWide(log_path);

  int status = 0;
  {
    MLogManager manager;
    if (!manager.OpenLogFile(MFileName(wide_path.c_str()), false)) {
      std::fprintf(stderr, "example_host: cannot open the log file %s\n", log_path.c_str());
      return 1;
    }
    MLogPlugIn& log = MLogManager::GetPlugIn();
    MLogPlugIn documents(L"Documents", L"the host's document module");
    documents.SetLevel(kLogChannelFile, 15);  // traces of this module go to the file too

    // The library's terminal target shows the steps; this run is short, so it shows at once.
    zb::TerminalProgress::Options shown;
    shown.delay = std::chrono::milliseconds(0);
    zb::TerminalProgress terminal(shown);
    MProgress steps(0, 2, false);
    steps.SetText(L"example_host");
    steps.SetAdjustByLowerLevels(true);  // each step's progress moves the outer line too
    steps.Begin(0, 2);

    MProgressTimer timer(true);
    log.InfoF(L"example_host started, logging to %s", wide_path.c_str());

    timer.StepStarted(L"preparing");
    {
      MProgress step(0, 2, false);
      step.SetText(L"preparing");
      step.Begin(0, 2);
      documents.Trace(L"looking for documents");
      step.Increment();
      const std::wstring title = L"Report \u00fcber Q3";
      documents.InfoF(L"document \"%s\" has %d pages", title.c_str(), 12);
      step.Increment();
    }
    steps.Increment();
    timer.StepComplete(L"preparing");

    timer.StepStarted(L"checking");
    {
      MProgress step(0, 2, false);
      step.SetText(L"checking");
      step.Begin(0, 2);
      MFileName name(L"C:\\Documents\\Report.final.txt");
      log.InfoF(L"a document name parses as file \"%s\"", name.GET_FILE_EXT_PARTS());
      step.Increment();
      documents.Warning(L"no backup folder is configured; continuing without one");
      step.Increment();
    }
    steps.Increment();
    timer.StepComplete(L"checking");

    timer.Complete(L"example_host");
    log.Info(L"example_host finished");
    if (!manager.IsLogFile()) status = 1;
  }

  std::printf("log file: %s\n", log_path.c_str());
  std::ifstream in(log_path);
  std::cout << in.rdbuf();
  return status;
}
