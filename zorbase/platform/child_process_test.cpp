// Helper programs: found on PATH, fed and read through pipes, never waited for past the time-out,
// and never given a descriptor of ours.
#include <zorbase/platform/child_process.h>

#include <UnitTest++/UnitTest++.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <chrono>

#include <zorbase/platform/internal/fake_programs.h>
#include <zorbase/platform/win_errors.h>

using zb::platform::FindProgram;
using zb::platform::ProgramResult;
using zb::platform::ProgramRun;
using zb::platform::RunProgram;

namespace {

ProgramResult Sh(const std::string& script, bool capture = true, DWORD timeout_ms = 5000,
                 const std::string& input = std::string()) {
  ProgramRun run;
  run.argv = {"/bin/sh", "-c", script};
  run.capture_output = capture;
  run.timeout_ms = timeout_ms;
  run.input = input;
  return RunProgram(run);
}

}  // namespace

SUITE(ChildProcess) {

TEST(FindsProgramsOnPathOnly) {
  zb::test::FakePrograms fakes("child_find");
  fakes.Add("zb-helper", "exit 0");
  fakes.dir().Put("bin/not-executable", "#!/bin/sh\n");
  CHECK_EQUAL(fakes.dir().Native("bin/zb-helper"), FindProgram("zb-helper"));
  CHECK_EQUAL("", FindProgram("not-executable"));
  CHECK_EQUAL("", FindProgram("sh"));  // PATH holds the fake directory only
  CHECK_EQUAL("/bin/sh", FindProgram("/bin/sh"));
  CHECK_EQUAL("", FindProgram(""));
}

TEST(InputOutputAndExitCode) {
  ProgramResult r = Sh("cat; exit 3", true, 5000, std::string("h\xc3\xa9llo\0x", 8));
  CHECK_EQUAL(ERROR_SUCCESS, r.error);
  CHECK_EQUAL(3, r.exit_code);
  CHECK(r.output == std::string("h\xc3\xa9llo\0x", 8));
}

TEST(MissingProgramIsFileNotFound) {
  ProgramRun run;
  run.argv = {"zb-no-such-program-anywhere"};
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RunProgram(run).error);
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, zb::platform::StartProgram(run.argv));
  run.argv.clear();
  CHECK_EQUAL(ERROR_INVALID_PARAMETER, RunProgram(run).error);
}

TEST(HangingProgramIsStoppedAtTheTimeOut) {
  ProgramResult r = Sh("echo partial; exec sleep 60", true, 200);
  CHECK_EQUAL(ERROR_TIMEOUT, r.error);
  CHECK_EQUAL(-1, r.exit_code);
}

TEST(HelperLeftBehindDoesNotKeepTheCallWaiting) {
  // The background sleep keeps standard output open after the shell has ended; the call returns
  // with what the shell wrote instead of waiting for the end of the stream (which would time out).
  ProgramResult r = Sh("sleep 3 & echo done", true, 1500);
  CHECK_EQUAL(ERROR_SUCCESS, r.error);
  CHECK_EQUAL("done\n", r.output);
}

TEST(ChildThatStopsReadingRaisesNoSignal) {
  ProgramResult r = Sh("exit 0", false, 5000, std::string(1 << 20, 'x'));
  CHECK_EQUAL(ERROR_SUCCESS, r.error);
  CHECK_EQUAL(0, r.exit_code);
}

TEST(OutputPastTheLimitIsRefused) {
  ProgramRun run;
  run.argv = {"/bin/sh", "-c", "while :; do echo xxxxxxxxxxxxxxxx; done"};
  run.capture_output = true;
  run.output_limit = 4096;
  CHECK_EQUAL(ERROR_BUFFER_OVERFLOW, RunProgram(run).error);
}

TEST(DescriptorsOfTheProcessStayOutOfTheChild) {
  const int opened = open("/dev/null", O_RDONLY);
  const int fd = fcntl(opened, F_DUPFD, 20);  // deliberately without close-on-exec
  close(opened);
  CHECK(fd >= 20);
  ProgramResult r =
      Sh("test -e /proc/self/fd/" + std::to_string(fd) + " && echo leaked || echo ok");
  close(fd);
  CHECK_EQUAL("ok\n", r.output);
}

TEST(StartedProgramRunsWithoutBeingWaitedFor) {
  zb::test::ScratchDir dir("child_start");
  const std::string mark = dir.Native("started");
  CHECK_EQUAL(ERROR_SUCCESS,
              zb::platform::StartProgram({"/bin/sh", "-c", "echo yes > '" + mark + "'"}));
  for (int i = 0; i < 500 && dir.Get("started").empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  CHECK_EQUAL("yes\n", dir.Get("started"));
}

}  // SUITE(ChildProcess)
