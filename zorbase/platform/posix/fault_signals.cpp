// Processor faults become Windows exception codes: the handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL
// and SIGTRAP run on the faulting thread (on its alternate stack when it has one), map the signal's
// si_code to the exception code and call the thread's translator, which may throw. Faults that are
// not translated go on to the handler that was installed before, or end the process with the
// default action: no fault is ever swallowed.
#include <zorbase/platform/structured_exception.h>

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>

namespace zb {
namespace platform {
namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP};
constexpr int kSignalCount = sizeof(kFaultSignals) / sizeof(kFaultSignals[0]);

std::mutex g_install_mutex;
bool g_installed = false;
struct sigaction g_previous[kSignalCount];

thread_local _se_translator_function t_translator = nullptr;
// The calling thread's stack: [t_stack_low, t_stack_high), recorded when it installs a translator,
// so the handler can tell a stack overflow from other invalid accesses.
thread_local std::uintptr_t t_stack_low = 0;
thread_local std::uintptr_t t_stack_high = 0;

// The alternate signal stack this library gave the thread; released when the thread ends.
struct AltStack {
  void* memory = nullptr;
  std::size_t size = 0;
  ~AltStack() {
    if (!memory) return;
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == memory &&
        !(current.ss_flags & SS_ONSTACK)) {
      stack_t off{};
      off.ss_flags = SS_DISABLE;
      sigaltstack(&off, nullptr);
    }
    munmap(memory, size);
  }
};
thread_local AltStack t_alt_stack;

int SignalIndex(int sig) {
  for (int i = 0; i < kSignalCount; ++i)
    if (kFaultSignals[i] == sig) return i;
  return -1;
}

void EnsureAltStack() {
  if (t_alt_stack.memory) return;
  stack_t current{};
  if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;  // has one
  std::size_t size = 256 * 1024;
  void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return;
  stack_t stack{};
  stack.ss_sp = memory;
  stack.ss_size = size;
  if (sigaltstack(&stack, nullptr) != 0) {
    munmap(memory, size);
    return;
  }
  t_alt_stack.memory = memory;
  t_alt_stack.size = size;
}

void RecordStackBounds() {
  if (t_stack_high) return;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
  void* address = nullptr;
  std::size_t size = 0;
  if (pthread_attr_getstack(&attr, &address, &size) == 0) {
    t_stack_low = reinterpret_cast<std::uintptr_t>(address);
    t_stack_high = t_stack_low + size;
  }
  pthread_attr_destroy(&attr);
}

bool IsStackOverflow(std::uintptr_t address) {
  if (!t_stack_high) return false;
  // The guard region lies just below the lowest usable address (for the main thread, the limit the
  // kernel grows the stack to); glibc may also place a thread's guard inside the reported block.
  const std::uintptr_t below = 1024 * 1024, above = 64 * 1024;
  return address + below >= t_stack_low && address < t_stack_low + above;
}

DWORD ExceptionCodeFor(int sig, const siginfo_t* info) {
  switch (sig) {
    case SIGSEGV:
      return IsStackOverflow(reinterpret_cast<std::uintptr_t>(info->si_addr))
                 ? EXCEPTION_STACK_OVERFLOW
                 : EXCEPTION_ACCESS_VIOLATION;
    case SIGBUS:
      return info->si_code == BUS_ADRALN ? EXCEPTION_DATATYPE_MISALIGNMENT
                                         : EXCEPTION_IN_PAGE_ERROR;
    case SIGILL:
      return info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG
                 ? EXCEPTION_PRIV_INSTRUCTION
                 : EXCEPTION_ILLEGAL_INSTRUCTION;
    case SIGTRAP:
      return info->si_code == TRAP_TRACE ? EXCEPTION_SINGLE_STEP : EXCEPTION_BREAKPOINT;
    case SIGFPE:
      switch (info->si_code) {
        case FPE_INTDIV: return EXCEPTION_INT_DIVIDE_BY_ZERO;
        case FPE_INTOVF: return EXCEPTION_INT_OVERFLOW;
        case FPE_FLTDIV: return EXCEPTION_FLT_DIVIDE_BY_ZERO;
        case FPE_FLTOVF: return EXCEPTION_FLT_OVERFLOW;
        case FPE_FLTUND: return EXCEPTION_FLT_UNDERFLOW;
        case FPE_FLTRES: return EXCEPTION_FLT_INEXACT_RESULT;
        case FPE_FLTSUB: return EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
        default: return EXCEPTION_FLT_INVALID_OPERATION;
      }
  }
  return 0;
}

// Hands a fault the library does not translate to whoever handled it before: the previous handler,
// or the default action (which ends the process for every one of these signals).
void ChainToPrevious(int sig, siginfo_t* info, void* context) {
  int index = SignalIndex(sig);
  if (index < 0) return;
  const struct sigaction& previous = g_previous[index];
  const bool sent = info->si_code <= 0;  // kill(), sigqueue(), tgkill(): not a processor fault
  if (previous.sa_flags & SA_SIGINFO) {
    if (previous.sa_sigaction) previous.sa_sigaction(sig, info, context);
    return;
  }
  if (previous.sa_handler == SIG_IGN && sent) return;
  if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(sig);
    return;
  }
  // Default action. A faulting instruction faults again when the handler returns; a breakpoint
  // or a signal that was sent does not, so it is raised again.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(sig, &fallback, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, sig);
  pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
  if (sent || sig == SIGTRAP) raise(sig);
}

void OnFault(int sig, siginfo_t* info, void* context) {
  const int saved_errno = errno;
  _se_translator_function translator = t_translator;
  if (translator && info->si_code > 0) {
    EXCEPTION_RECORD record{};
    record.ExceptionCode = ExceptionCodeFor(sig, info);
    record.ExceptionAddress = info->si_addr;
    if (sig == SIGSEGV || sig == SIGBUS) {
      record.NumberParameters = 2;
      record.ExceptionInformation[0] = 0;
      record.ExceptionInformation[1] = reinterpret_cast<ULONG_PTR>(info->si_addr);
    }
    EXCEPTION_POINTERS pointers{&record, context};
    translator(record.ExceptionCode, &pointers);  // throws for the faults it translates
  }
  errno = saved_errno;
  ChainToPrevious(sig, info, context);
}

}  // namespace

void InstallFaultHandlers() {
  std::lock_guard<std::mutex> lock(g_install_mutex);
  if (g_installed) return;
  struct sigaction action {};
  action.sa_sigaction = OnFault;
  // SA_NODEFER: a translator that throws leaves the handler without sigreturn, so the signal must
  // not stay blocked for the thread afterwards.
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < kSignalCount; ++i) sigaction(kFaultSignals[i], &action, &g_previous[i]);
  g_installed = true;
}

void RemoveFaultHandlers() {
  std::lock_guard<std::mutex> lock(g_install_mutex);
  if (!g_installed) return;
  for (int i = 0; i < kSignalCount; ++i) sigaction(kFaultSignals[i], &g_previous[i], nullptr);
  g_installed = false;
}

}  // namespace platform
}  // namespace zb

_se_translator_function _set_se_translator(_se_translator_function translator) {
  _se_translator_function previous = zb::platform::t_translator;
  if (translator) {
    zb::platform::RecordStackBounds();
    zb::platform::EnsureAltStack();
    zb::platform::InstallFaultHandlers();
  }
  zb::platform::t_translator = translator;
  return previous;
}
