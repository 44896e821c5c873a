// Isolated work: an answer comes back whole; a crash, an early end or a hang is an error result.
#include <zorbase/platform/isolated_call.h>

#include <UnitTest++/UnitTest++.h>

#include <csignal>
#include <unistd.h>

#include <string>

#include <zorbase/platform/win_errors.h>

using zb::platform::RunIsolated;

SUITE(IsolatedCall) {

TEST(AnswerComesBackWhole) {
  std::string answer;
  const std::string big(3 << 20, 'z');
  CHECK_EQUAL(ERROR_SUCCESS, RunIsolated([&] { return big + std::string("\0end", 4); }, 10000,
                                         &answer));
  CHECK(answer == big + std::string("\0end", 4));
}

TEST(CrashAndEarlyEndAreInvalidData) {
  std::string answer = "stale";
  CHECK_EQUAL(ERROR_INVALID_DATA, RunIsolated([] {
                raise(SIGSEGV);
                return std::string("never");
              }, 10000, &answer));
  CHECK_EQUAL("", answer);
  CHECK_EQUAL(ERROR_INVALID_DATA, RunIsolated([]() -> std::string { _exit(0); }, 10000, &answer));
  CHECK_EQUAL(ERROR_INVALID_DATA, RunIsolated([]() -> std::string { throw 1; }, 10000, &answer));
}

TEST(HangIsStopped) {
  std::string answer;
  CHECK_EQUAL(ERROR_TIMEOUT, RunIsolated([] {
                for (;;) pause();
                return std::string();
              }, 200, &answer));
}

}  // SUITE(IsolatedCall)
