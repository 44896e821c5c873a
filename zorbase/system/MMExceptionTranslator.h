// Turns processor faults into the exceptions of MException.h. Constructing a translator installs
// the library's fault translation in the calling thread (and keeps the translation it displaced);
// destroying it puts that one back in the thread that destroys it. The library keeps one instance,
// made when it loads, for the loading thread; another thread that wants its faults translated
// constructs its own, for as long as it runs guarded code.
//
// The code that catches translated faults must be built with -fnon-call-exceptions (see
// <zorbase/platform/structured_exception.h>). Faults the translator does not know, faults of
// threads without a translator and faults outside any handler end the process as crashes do.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/structured_exception.h>

class ZORBASE_API MMExceptionTranslator {
 public:
  MMExceptionTranslator();
  MMExceptionTranslator(const MMExceptionTranslator&) = delete;
  MMExceptionTranslator& operator=(const MMExceptionTranslator&) = delete;
  virtual ~MMExceptionTranslator();

 private:
  // Throws MHardException, MMException, MMFltException or MMIntException (code and SeTypeTable)
  // for the 20 codes of SeTypeTable; returns for any other code, so the fault goes on.
  static void _Translate(unsigned int code, _EXCEPTION_POINTERS* pointers);

  _se_translator_function m_previous;
};
