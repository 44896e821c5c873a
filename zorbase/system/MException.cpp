#include <zorbase/system/MException.h>

namespace {

const wchar_t kUnknownType[] = L"Uknown exception type.\n";

// Chains longer than this are taken to loop back on themselves.
constexpr int kMaxLinkedTables = 256;

// The entry of `code` in `table` and the tables it links to, or null.
const MException::sType* FindEntry(const MException::sType* table, DWORD code) {
  for (int depth = 0; table && depth < kMaxLinkedTables; ++depth) {
    const MException::sType* entry = table;
    for (; entry->code != MException::MAX_EX_CODE; ++entry)
      if (entry->code == code) return entry;
    table = reinterpret_cast<const MException::sType*>(entry->description);
  }
  return nullptr;
}

}  // namespace

MException::MException() : m_type(0), m_table(nullptr) {}
MException::MException(const sType* table) : m_type(0), m_table(table) {}
MException::MException(DWORD code, const sType* table) : m_type(code), m_table(table) {}
MException::MException(const MException& other) = default;
MException& MException::operator=(const MException& other) = default;
MException::~MException() = default;

MException& MException::operator=(DWORD code) {
  m_type = code;
  return *this;
}

const wchar_t* MException::GetName() const { return _GetName(m_table); }
const wchar_t* MException::GetDescription() const { return _GetDescription(m_table); }

const wchar_t* MException::_GetName(const sType* table) const {
  const sType* entry = FindEntry(table, m_type);
  return entry ? entry->name : kUnknownType;
}

const wchar_t* MException::_GetDescription(const sType* table) const {
  const sType* entry = FindEntry(table, m_type);
  return entry ? entry->description : kUnknownType;
}

MHardException::~MHardException() = default;
MMException::~MMException() = default;
MMFltException::~MMFltException() = default;
MMIntException::~MMIntException() = default;

const MException::sType SeTypeTable[] = {
    {0xC0000005u, L"EXCEPTION_ACCESS_VIOLATION\n",
     L"The thread tried to read from or write to a virtual address for which it does not have the "
     L"appropriate access.\n"},
    {0xC000008Cu, L"EXCEPTION_ARRAY_BOUNDS_EXCEEDED\n",
     L"The thread tried to access an array element that is out of bounds and the underlying "
     L"hardware supports bounds checking.\n"},
    {0x80000003u, L"EXCEPTION_BREAKPOINT\n", L"A breakpoint was encountered.\n"},
    {0x80000002u, L"EXCEPTION_DATATYPE_MISALIGNMENT\n",
     L"The thread tried to read or write data that is misaligned on hardware that does not "
     L"provide alignment.    For example, 16-bit values must be aligned on 2-byte boundaries; "
     L"32-bit values on 4-byte boundaries, and so on.\n"},
    {0xC000008Du, L"EXCEPTION_FLT_DENORMAL_OPERAND\n",
     L"One of the operands in a floating-point operation is denormal.     A denormal value is one "
     L"that is too small to represent as a standard floating-point value\n"},
    {0xC000008Eu, L"EXCEPTION_FLT_DIVIDE_BY_ZERO\n",
     L"The thread tried to divide a floating-point value by a floating-point divisor of zero.\n"},
    {0xC000008Fu, L"EXCEPTION_FLT_INEXACT_RESULT\n",
     L"The result of a floating-point operation cannot be represented exactly as a decimal "
     L"fraction.\n"},
    {0xC0000090u, L"EXCEPTION_FLT_INVALID_OPERATION\n",
     L"This exception represents any floating-point exception not included in this list.\n"},
    {0xC0000091u, L"EXCEPTION_FLT_OVERFLOW\n",
     L"The exponent of a floating-point operation is greater than the magnitude allowed by the "
     L"corresponding type.\n"},
    {0xC0000092u, L"EXCEPTION_FLT_STACK_CHECK\n",
     L"The stack overflowed or underflowed as the result of a floating-point operation.\n"},
    {0xC0000093u, L"EXCEPTION_FLT_UNDERFLOW\n",
     L"The exponent of a floating-point operation is less than the magnitude allowed by the "
     L"corresponding type.\n"},
    {0xC000001Du, L"EXCEPTION_ILLEGAL_INSTRUCTION\n",
     L"The thread tried to execute an invalid instruction.\n"},
    {0xC0000006u, L"EXCEPTION_IN_PAGE_ERROR\n",
     L"The thread tried to access a page that was not present, and the system was unable to load "
     L"the page.    For example, this exception might occur if a network connection is lost while "
     L"running a program over the network.\n"},
    {0xC0000094u, L"EXCEPTION_INT_DIVIDE_BY_ZERO\n",
     L"The thread tried to divide an integer value by an integer divisor of zero.\n"},
    {0xC0000095u, L"EXCEPTION_INT_OVERFLOW\n",
     L"The result of an integer operation caused a carry out of the most significant bit of the "
     L"result.\n"},
    {0xC0000026u, L"EXCEPTION_INVALID_DISPOSITION\n",
     L"An exception handler returned an invalid disposition to the exception dispatcher.    "
     L"Programmers using a high-level language such as C should never encounter this "
     L"exception.\n"},
    {0xC0000025u, L"EXCEPTION_NONCONTINUABLE_EXCEPTION\n",
     L"The thread tried to continue execution after a noncontinuable exception occurred.\n"},
    {0xC0000096u, L"EXCEPTION_PRIV_INSTRUCTION\n",
     L"The thread tried to execute an instruction whose operation is not allowed in the current "
     L"machine mode.\n"},
    {0x80000004u, L"EXCEPTION_SINGLE_STEP\n",
     L"A trace trap or other single-instruction mechanism signaled that one instruction has been "
     L"executed.\n"},
    {0xC00000FDu, L"EXCEPTION_STACK_OVERFLOW\n", L"The thread used up its stack.\n"},
    {MException::MAX_EX_CODE, nullptr, nullptr},
};
