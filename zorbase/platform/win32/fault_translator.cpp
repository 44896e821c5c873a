// Processor faults as structured exceptions on Windows with mingw-w64, whose runtime never calls a
// translator set with _set_se_translator. A vectored exception handler takes each processor fault
// of a thread that has a translator and makes that thread continue as if the faulting instruction
// had called the translator: a C++ exception the translator throws then unwinds from the faulting
// frame, and catches around it work as with the runtime's own translator (the code must be
// compiled with -fnon-call-exceptions, as on Linux).
#include <zorbase/platform/structured_exception.h>

#include <mutex>

namespace zb {
namespace platform {
namespace {

thread_local _se_translator_function t_translator = nullptr;
// The fault being translated: the dispatcher's copies are gone once the thread continues.
thread_local EXCEPTION_RECORD t_record;
thread_local CONTEXT t_context;
thread_local EXCEPTION_POINTERS t_pointers;

std::mutex g_install_mutex;
PVOID g_handler = nullptr;

bool IsProcessorFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_BREAKPOINT:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

}  // namespace
}  // namespace platform
}  // namespace zb

// Entered through the trampoline below with the stack as a call from the faulting instruction
// leaves it. A translator that returns declines the fault, which then ends the process as an
// unhandled fault does.
extern "C" [[noreturn]] void zb_platform_call_translator() {
  using namespace zb::platform;
  t_pointers.ExceptionRecord = &t_record;
  t_pointers.ContextRecord = &t_context;
  _se_translator_function translator = t_translator;
  if (translator != nullptr) translator(t_record.ExceptionCode, &t_pointers);
  TerminateProcess(GetCurrentProcess(), t_record.ExceptionCode);
  for (;;) {
  }
}

// The thread continues here with r11 holding the return address to push: the faulting
// instruction's address plus one, so that the unwinder finds the faulting instruction's region.
// Pushing here, after the dispatcher's frames are gone, leaves them untouched.
__asm__(
    ".text\n"
    ".globl zb_platform_fault_trampoline\n"
    "zb_platform_fault_trampoline:\n"
    "  pushq %r11\n"
    "  jmp zb_platform_call_translator\n");
extern "C" void zb_platform_fault_trampoline();

namespace zb {
namespace platform {
namespace {

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  const DWORD code = info->ExceptionRecord->ExceptionCode;
  if (t_translator == nullptr || !IsProcessorFault(code)) return EXCEPTION_CONTINUE_SEARCH;
  t_record = *info->ExceptionRecord;
  t_record.ExceptionRecord = nullptr;
  t_context = *info->ContextRecord;
  CONTEXT* context = info->ContextRecord;
  context->R11 = context->Rip + 1;
  context->Rip = reinterpret_cast<DWORD64>(&zb_platform_fault_trampoline);
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

void InstallFaultHandlers() {
  std::lock_guard<std::mutex> lock(g_install_mutex);
  if (g_handler == nullptr) g_handler = AddVectoredExceptionHandler(1, OnException);
}

void RemoveFaultHandlers() {
  std::lock_guard<std::mutex> lock(g_install_mutex);
  if (g_handler == nullptr) return;
  RemoveVectoredExceptionHandler(g_handler);
  g_handler = nullptr;
}

}  // namespace platform
}  // namespace zb

_se_translator_function _set_se_translator(_se_translator_function translator) {
  _se_translator_function previous = zb::platform::t_translator;
  if (translator != nullptr) {
    // Room to throw from a stack overflow: the system keeps this much for the handler.
    ULONG guarantee = 64 * 1024;
    SetThreadStackGuarantee(&guarantee);
    zb::platform::InstallFaultHandlers();
  }
  zb::platform::t_translator = translator;
  return previous;
}
