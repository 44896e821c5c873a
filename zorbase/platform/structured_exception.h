// Processor faults as structured exceptions. A thread that installs a translator with
// _set_se_translator has every processor fault it raises (invalid memory access, integer division
// by zero, unmasked floating-point traps, illegal instructions, breakpoints, stack overflow) handed
// to that translator with its Windows exception code, on the faulting thread; a translator that
// throws turns the fault into a C++ exception at the faulting instruction.
//
// Code that is to catch such exceptions must be compiled with -fnon-call-exceptions (the
// counterpart of the asynchronous exception model) and reach the faulting code through a call the
// optimiser cannot see through. A fault in a thread without a translator, a fault the translator
// declines (returns from), and a fault outside any handler still end the process as a crash does;
// handlers that were installed before the library's are called for faults the library does not
// translate.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // winnt.h declares the codes and records on Windows

constexpr DWORD EXCEPTION_ACCESS_VIOLATION = 0xC0000005u;
constexpr DWORD EXCEPTION_DATATYPE_MISALIGNMENT = 0x80000002u;
constexpr DWORD EXCEPTION_BREAKPOINT = 0x80000003u;
constexpr DWORD EXCEPTION_SINGLE_STEP = 0x80000004u;
constexpr DWORD EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008Cu;
constexpr DWORD EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008Du;
constexpr DWORD EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008Eu;
constexpr DWORD EXCEPTION_FLT_INEXACT_RESULT = 0xC000008Fu;
constexpr DWORD EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090u;
constexpr DWORD EXCEPTION_FLT_OVERFLOW = 0xC0000091u;
constexpr DWORD EXCEPTION_FLT_STACK_CHECK = 0xC0000092u;
constexpr DWORD EXCEPTION_FLT_UNDERFLOW = 0xC0000093u;
constexpr DWORD EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094u;
constexpr DWORD EXCEPTION_INT_OVERFLOW = 0xC0000095u;
constexpr DWORD EXCEPTION_PRIV_INSTRUCTION = 0xC0000096u;
constexpr DWORD EXCEPTION_IN_PAGE_ERROR = 0xC0000006u;
constexpr DWORD EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001Du;
constexpr DWORD EXCEPTION_NONCONTINUABLE_EXCEPTION = 0xC0000025u;
constexpr DWORD EXCEPTION_INVALID_DISPOSITION = 0xC0000026u;
constexpr DWORD EXCEPTION_STACK_OVERFLOW = 0xC00000FDu;
constexpr DWORD EXCEPTION_INVALID_HANDLE = 0xC0000008u;

constexpr DWORD EXCEPTION_MAXIMUM_PARAMETERS = 15;
constexpr DWORD EXCEPTION_NONCONTINUABLE = 1;

// The fault record: code, flags, the faulting instruction's address and, for access violations,
// two parameters (0 read / 1 write / 8 execute, and the address that was accessed).
struct EXCEPTION_RECORD {
  DWORD ExceptionCode;
  DWORD ExceptionFlags;
  EXCEPTION_RECORD* ExceptionRecord;
  PVOID ExceptionAddress;
  DWORD NumberParameters;
  ULONG_PTR ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS];
};
typedef EXCEPTION_RECORD* PEXCEPTION_RECORD;

// The fault record and the processor context (here the signal's ucontext_t).
struct EXCEPTION_POINTERS {
  PEXCEPTION_RECORD ExceptionRecord;
  PVOID ContextRecord;
};
typedef EXCEPTION_POINTERS* PEXCEPTION_POINTERS;
typedef EXCEPTION_POINTERS _EXCEPTION_POINTERS;

#endif  // _WIN32

#if !defined(_WIN32) || !defined(_MSC_VER)
typedef void (*_se_translator_function)(unsigned int code, _EXCEPTION_POINTERS* pointers);

// Installs `translator` for the calling thread only and returns the one it replaces (null for
// none). Null removes the thread's translator. The first non-null translator of the process puts
// the library's fault handlers in place; each thread that installs one gets an alternate signal
// stack, so a stack overflow can still be reported.
//
// On Windows with MSVC this is the runtime's own function (<eh.h>). With other compilers the
// runtime's translator is never called, so the library provides this one: a vectored exception
// handler hands the fault to the thread's translator, and a translator that throws has its
// exception thrown from the faulting instruction (which needs -fnon-call-exceptions as on Linux).
ZORBASE_API _se_translator_function _set_se_translator(_se_translator_function translator);
#else
#include <eh.h>
#endif

namespace zb {
namespace platform {

// Puts the process's fault handlers in place (idempotent), remembering the handlers they replace.
void InstallFaultHandlers();

// Puts back the handlers that InstallFaultHandlers replaced; done when the library unloads, so no
// handler is left pointing into unloaded code.
void RemoveFaultHandlers();

}  // namespace platform
}  // namespace zb
