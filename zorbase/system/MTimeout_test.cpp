#include <zorbase/system/MTimeout.h>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/platform/clocks.h>

namespace {

// Exposes the protected marks and moves them.
class Probe : public MTimeout {
 public:
  using MTimeout::MTimeout;
  using MTimeout::_ShiftLastAliveTime;
  using MTimeout::_UpdateLastAliveTime;
  DWORD Ticks() const { return m_lastAliveTicks; }
};

// Lets time pass without waiting; puts the clocks back when the test ends.
struct ClockFixture {
  ~ClockFixture() { zb::platform::ResetClocksForTesting(); }
  void Pass(std::int64_t ms) { zb::platform::AdvanceClocksForTesting(ms); }
};

}  // namespace

SUITE(MTimeout) {

TEST_FIXTURE(ClockFixture, TimeoutAfterTheConfiguredTime) {
  struct Case { DWORD timeout; std::int64_t passed_ms; bool timed_out; };
  const Case cases[] = {
      {0, 0, false},
      {0, 400000000, false},               // 0 never times out
      {5000, 4000, false},
      {5000, 6000, true},
      {300000000, 259000000, false},       // above 72 hours: exactly 72 hours
      {300000000, 259300000, true},
      {259200000, 259300000, true},
  };
  for (const Case& c : cases) {
    Probe timeout(c.timeout);
    Pass(c.passed_ms);
    CHECK_EQUAL(c.timed_out, timeout.IsTimeout());
    zb::platform::ResetClocksForTesting();
  }
}

TEST_FIXTURE(ClockFixture, AcrossTheTickWrap) {
  // The tick count stands 4 seconds before its wrap at the last sign of life.
  Pass(static_cast<std::int64_t>(static_cast<DWORD>(0xFFFFF060u - GetTickCount())));
  Probe timeout(5000);
  CHECK(timeout.Ticks() > 0xFFFF0000u);
  Pass(4990);
  CHECK(GetTickCount() < timeout.Ticks());  // wrapped
  CHECK(!timeout.IsTimeout());
  Pass(110);
  CHECK(timeout.IsTimeout());
}

TEST_FIXTURE(ClockFixture, ShiftAndUpdateMoveBothMarks) {
  Probe timeout(5000);
  DWORD ticks = timeout.Ticks();
  long long seconds = timeout.GetLastActivityTime();
  timeout._ShiftLastAliveTime(1500);
  CHECK_EQUAL(ticks + 1500, timeout.Ticks());
  CHECK_EQUAL(seconds + 1, timeout.GetLastActivityTime());
  Pass(6000);
  CHECK(timeout.IsTimeout() == false);  // only 4.5 seconds after the shifted mark
  Pass(2000);
  CHECK(timeout.IsTimeout());
  timeout._UpdateLastAliveTime();
  CHECK(!timeout.IsTimeout());
  CHECK_EQUAL(5000u, timeout.GetTimeout());
}

TEST(CopiesKeepTheMarks) {
  Probe a(1000), b(2000);
  b = a;
  CHECK_EQUAL(1000u, b.GetTimeout());
  CHECK_EQUAL(a.Ticks(), b.Ticks());
}

}
