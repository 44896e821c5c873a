// Real processor faults in guarded code, on several threads at once; unguarded faults still crash.
// Built with -fnon-call-exceptions (the build gives it to every *_fault_test.cpp).
#include <zorbase/system/MException.h>
#include <zorbase/system/MMExceptionTranslator.h>

#include <UnitTest++/UnitTest++.h>

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#else
#include <fenv.h>
#endif
#ifndef _WIN32  // the tests that fault in a child process
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cwchar>
#include <thread>
#include <vector>

namespace {

// The faults must reach the processor: sanitizers would report them before they happen.
#define ZB_FAULTS_REACH_THE_PROCESSOR __attribute__((noinline, no_sanitize("address", "undefined")))
ZB_FAULTS_REACH_THE_PROCESSOR int DivideInt(int a, int b) { return a / b; }
ZB_FAULTS_REACH_THE_PROCESSOR int ReadAt(const int* p) { return *p; }
__attribute__((noinline)) double DivideDouble(double a, double b) { return a / b; }
__attribute__((noinline)) int Recurse(int depth) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  if (depth < 0) return 0;  // never: keeps the compiler from calling the recursion endless
  return Recurse(depth + 1) + frame[0];
}

// Reached through volatile pointers, so the optimiser cannot see what the guarded call does.
int (*volatile g_divide_int)(int, int) = DivideInt;
int (*volatile g_read_at)(const int*) = ReadAt;
double (*volatile g_divide_double)(double, double) = DivideDouble;
int (*volatile g_recurse)(int) = Recurse;
const int* volatile g_null = nullptr;
volatile int g_zero = 0;

struct Caught {
  int cls = 0;  // 1 MMIntException, 2 MMFltException, 3 MMException, 4 MHardException
  DWORD code = 0;
  const wchar_t* name = nullptr;
  const wchar_t* description = nullptr;
};

template <class F>
Caught Guarded(F f) {
  Caught caught;
  try {
    f();
  } catch (const MMIntException& e) {
    caught = {1, e.GetType(), e.GetName(), e.GetDescription()};
  } catch (const MMFltException& e) {
    caught = {2, e.GetType(), e.GetName(), e.GetDescription()};
  } catch (const MMException& e) {
    caught = {3, e.GetType(), e.GetName(), e.GetDescription()};
  } catch (const MHardException& e) {
    caught = {4, e.GetType(), e.GetName(), e.GetDescription()};
  }
  return caught;
}

Caught IntegerDivision() { return Guarded([] { g_divide_int(1, g_zero); }); }
Caught NullAccess() { return Guarded([] { g_read_at(g_null); }); }
#if defined(__x86_64__) || defined(_M_X64)
// On x86-64 the SSE unit does double arithmetic on both systems: its control register unmasks
// division by zero (bit 9) with the flags (bits 0-5) cleared, and is put back afterwards.
Caught FloatTrap() {
  const unsigned int saved = _mm_getcsr() & ~0x3Fu;
  _mm_setcsr(saved & ~0x200u);
  Caught caught = Guarded([] { g_divide_double(1.0, static_cast<double>(g_zero)); });
  _mm_setcsr(saved);
  return caught;
}
#else
Caught FloatTrap() {
  feclearexcept(FE_ALL_EXCEPT);
  feenableexcept(FE_DIVBYZERO);
  Caught caught = Guarded([] { g_divide_double(1.0, static_cast<double>(g_zero)); });
  fedisableexcept(FE_ALL_EXCEPT);
  feclearexcept(FE_ALL_EXCEPT);
  return caught;
}
#endif

// UnitTest++ puts its own handlers for these signals in place around every test; the library's go
// back on top of them for the test's duration (UnitTest++ restores the previous ones afterwards).
void TakeBackFaultSignals() {
  zb::platform::RemoveFaultHandlers();
  zb::platform::InstallFaultHandlers();
}

bool Same(const wchar_t* a, const wchar_t* b) { return a && b && std::wcscmp(a, b) == 0; }

#ifndef _WIN32  // a child process by fork
// Nothing thrown inside can be caught: an exception that reaches here ends the process.
template <class F>
void Unguarded(F& body) noexcept {
  body();
}

// Runs `body` in a child process, outside any handler, and returns its wait status.
template <class F>
int InChild(F body) {
  pid_t pid = fork();
  if (pid == 0) {
    TakeBackFaultSignals();
    Unguarded(body);
    _exit(0);  // reached only when the fault was swallowed
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

bool Crashed(int status) {
  // Killed by a signal; under a sanitizer its own report may end the child with an error status.
  return WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
}

int g_chained_exit = 0;
void ExitFromEarlierHandler(int) { _exit(42); }
#endif  // _WIN32

}  // namespace

SUITE(MMExceptionTranslatorFaults) {

TEST(IntegerDivisionByZeroIsAnIntegerException) {
  TakeBackFaultSignals();
  MMExceptionTranslator translator;
  Caught c = IntegerDivision();
  CHECK_EQUAL(1, c.cls);
  CHECK_EQUAL(0xC0000094u, c.code);
  CHECK(Same(L"EXCEPTION_INT_DIVIDE_BY_ZERO\n", c.name));
  CHECK(Same(L"The thread tried to divide an integer value by an integer divisor of zero.\n",
             c.description));
  // Every base class catches it too.
  bool as_base = false;
  try {
    g_divide_int(5, g_zero);
  } catch (const MException& e) {
    as_base = e.GetType() == 0xC0000094u;
  }
  CHECK(as_base);
}

TEST(NullAccessIsAHardExceptionNotAnMMException) {
  TakeBackFaultSignals();
  MMExceptionTranslator translator;
  Caught c = NullAccess();
  CHECK_EQUAL(4, c.cls);
  CHECK_EQUAL(0xC0000005u, c.code);
  CHECK(Same(L"EXCEPTION_ACCESS_VIOLATION\n", c.name));
}

TEST(FloatingPointTrapIsAFloatException) {
  TakeBackFaultSignals();
  MMExceptionTranslator translator;
  Caught c = FloatTrap();
  CHECK_EQUAL(2, c.cls);
  CHECK_EQUAL(0xC000008Eu, c.code);
  CHECK(Same(L"EXCEPTION_FLT_DIVIDE_BY_ZERO\n", c.name));
}

TEST(StackOverflowIsAnMMException) {
  TakeBackFaultSignals();
  Caught c;
  std::thread([&] {
    MMExceptionTranslator translator;
    c = Guarded([] { g_recurse(0); });
  }).join();
  CHECK_EQUAL(3, c.cls);
  CHECK_EQUAL(0xC00000FDu, c.code);
  CHECK(Same(L"EXCEPTION_STACK_OVERFLOW\n", c.name));
}

TEST(FaultsAreTranslatedOnSeveralThreadsAtOnce) {
  TakeBackFaultSignals();
  constexpr int kThreads = 4, kRounds = 200;
  std::atomic<int> right{0}, wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      MMExceptionTranslator translator;
      for (int i = 0; i < kRounds; ++i) {
        switch ((i + t) % 3) {
          case 0: {
            Caught c = IntegerDivision();
            (c.cls == 1 && c.code == 0xC0000094u ? right : wrong)++;
            break;
          }
          case 1: {
            Caught c = NullAccess();
            (c.cls == 4 && c.code == 0xC0000005u ? right : wrong)++;
            break;
          }
          default: {
            Caught c = FloatTrap();
            (c.cls == 2 && c.code == 0xC000008Eu ? right : wrong)++;
            break;
          }
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  CHECK_EQUAL(kThreads * kRounds, right.load());
  CHECK_EQUAL(0, wrong.load());
}

#ifndef _WIN32  // each fault ends a child process made by fork; signal handlers chain
TEST(FaultInAThreadWithoutTranslatorCrashes) {
  int status = InChild([] {
    _set_se_translator(nullptr);
    g_read_at(g_null);
  });
  CHECK(Crashed(status));
}

TEST(FaultOutsideGuardedCodeCrashes) {
  int status = InChild([] {
    MMExceptionTranslator translator;
    g_divide_int(1, g_zero);  // no handler: the exception cannot be caught
  });
  CHECK(Crashed(status));
}

TEST(UntranslatedFaultsReachTheHandlerInstalledBefore) {
  int status = InChild([] {
    zb::platform::RemoveFaultHandlers();
    struct sigaction earlier {};
    earlier.sa_handler = ExitFromEarlierHandler;
    sigemptyset(&earlier.sa_mask);
    sigaction(SIGSEGV, &earlier, nullptr);
    zb::platform::InstallFaultHandlers();
    _set_se_translator(nullptr);
    g_read_at(g_null);
  });
  (void)g_chained_exit;
  CHECK(WIFEXITED(status));
  CHECK_EQUAL(42, WEXITSTATUS(status));
}
#endif  // _WIN32

}
