#include <zorbase/system/MMExceptionTranslator.h>

#include <zorbase/system/MException.h>

MMExceptionTranslator::MMExceptionTranslator() : m_previous(_set_se_translator(&_Translate)) {}

MMExceptionTranslator::~MMExceptionTranslator() { _set_se_translator(m_previous); }

void MMExceptionTranslator::_Translate(unsigned int code, _EXCEPTION_POINTERS*) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_BREAKPOINT:
    case EXCEPTION_SINGLE_STEP:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_NONCONTINUABLE_EXCEPTION:
    case EXCEPTION_INVALID_DISPOSITION:
    case EXCEPTION_PRIV_INSTRUCTION:
      throw MHardException(code, SeTypeTable);
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_STACK_OVERFLOW:
      throw MMException(code, SeTypeTable);
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
      throw MMIntException(code, SeTypeTable);
    default:
      if (code >= EXCEPTION_FLT_DENORMAL_OPERAND && code <= EXCEPTION_FLT_UNDERFLOW)
        throw MMFltException(code, SeTypeTable);
      return;
  }
}
