#include <zorbase/progress/IStatusCallback.h>

IStatusCallback* IStatusCallback::mp_instance = nullptr;

IStatusCallback::~IStatusCallback() = default;

void IStatusCallback::_OnStatusReserved1() {}
void IStatusCallback::_OnStatusReserved2() {}

bool IStatusCallback::HasInstance() { return mp_instance != nullptr; }

IStatusCallback::Session::Session(double start, double end, const wchar_t* text) {
  STATUS_BEGIN(start, end, text);
}

IStatusCallback::Session::~Session() {
  try {
    STATUS_END();
  } catch (...) {
  }
}

void IStatusCallback::STATUSV(unsigned int id, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatus(id, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS(unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  try {
    STATUSV(id, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUSV(const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatus(format, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    STATUSV(format, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_TEMPV(unsigned int id, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusTemp(id, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_TEMP(unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  try {
    STATUS_TEMPV(id, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

bool IStatusCallback::STATUS_COUNT(double position) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return true;
  return instance->_OnStatusCount(position);
}

bool IStatusCallback::STATUS_INC(double amount) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return true;
  return instance->_OnStatusInc(amount);
}

void IStatusCallback::STATUS_INITV(unsigned int id, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusInit(id, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_INIT(unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  try {
    STATUS_INITV(id, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_INITV(const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusInit(format, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_INIT(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    STATUS_INITV(format, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_INIT_TEXT(const wchar_t* text) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  instance->_OnStatusInitText(text);
}

void IStatusCallback::STATUS_INIT_ZOR_RES_STRINGV(unsigned int id, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusInitZorResString(id, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_INIT_ZOR_RES_STRING(unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  try {
    STATUS_INIT_ZOR_RES_STRINGV(id, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_INIT_ZOR_RES_STRINGV(const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusInitZorResString(format, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_INIT_ZOR_RES_STRING(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    STATUS_INIT_ZOR_RES_STRINGV(format, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_MODE(ULONG mode, unsigned short flags, bool on) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  instance->_OnStatusMode(mode, flags, on);
}

HWND IStatusCallback::STATUS_PARENT(HWND parent) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return nullptr;
  return instance->_OnStatusParent(parent);
}

void IStatusCallback::STATUS_STOP() {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  instance->_OnStatusStop();
}

bool IStatusCallback::STATUS_GET_ABORT() {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return false;
  return instance->_OnStatusGetAbort();
}

void IStatusCallback::STATUS_BEGINV(double start, double end, unsigned int id, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusBegin(start, end, id, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_BEGIN(double start, double end, unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  try {
    STATUS_BEGINV(start, end, id, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_BEGINV(double start, double end, const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusBegin(start, end, format, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_BEGIN(double start, double end, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    STATUS_BEGINV(start, end, format, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_END() {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  instance->_OnStatusEnd();
}

bool IStatusCallback::STATUS_TEXTV(short mode, const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return true;
  va_list copy;
  va_copy(copy, args);
  try {
    const bool result = instance->_OnStatusText(mode, format, copy);
    va_end(copy);
    return result;
  } catch (...) {
    va_end(copy);
    throw;
  }
}

bool IStatusCallback::STATUS_TEXT(short mode, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    const bool result = STATUS_TEXTV(mode, format, args);
    va_end(args);
    return result;
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_BEGIN_ZOR_RES_STRINGV(double start, double end, unsigned int id, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusBeginZorResString(start, end, id, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_BEGIN_ZOR_RES_STRING(double start, double end, unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  try {
    STATUS_BEGIN_ZOR_RES_STRINGV(start, end, id, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

bool IStatusCallback::STATUS_TEXT_INFOV(const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return true;
  va_list copy;
  va_copy(copy, args);
  try {
    const bool result = instance->_OnStatusTextInfo(format, copy);
    va_end(copy);
    return result;
  } catch (...) {
    va_end(copy);
    throw;
  }
}

bool IStatusCallback::STATUS_TEXT_INFO(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    const bool result = STATUS_TEXT_INFOV(format, args);
    va_end(args);
    return result;
  } catch (...) {
    va_end(args);
    throw;
  }
}

bool IStatusCallback::STATUS_TEXT_WARNINGV(const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return true;
  va_list copy;
  va_copy(copy, args);
  try {
    const bool result = instance->_OnStatusTextWarning(format, copy);
    va_end(copy);
    return result;
  } catch (...) {
    va_end(copy);
    throw;
  }
}

bool IStatusCallback::STATUS_TEXT_WARNING(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    const bool result = STATUS_TEXT_WARNINGV(format, args);
    va_end(args);
    return result;
  } catch (...) {
    va_end(args);
    throw;
  }
}

bool IStatusCallback::STATUS_TEXT_ERRORV(const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return true;
  va_list copy;
  va_copy(copy, args);
  try {
    const bool result = instance->_OnStatusTextError(format, copy);
    va_end(copy);
    return result;
  } catch (...) {
    va_end(copy);
    throw;
  }
}

bool IStatusCallback::STATUS_TEXT_ERROR(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    const bool result = STATUS_TEXT_ERRORV(format, args);
    va_end(args);
    return result;
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_TEXT_MODE(unsigned short mode, unsigned short flags) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  instance->_OnStatusTextMode(mode, flags);
}

void IStatusCallback::TOOLTIP_TEXT(const wchar_t* text) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  instance->_OnTooltipText(text);
}

void IStatusCallback::TOOLTIP_SHOW(bool show) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  instance->_OnTooltipShow(show);
}

void IStatusCallback::STATUS_ERRORV(unsigned int id, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusError(id, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_ERROR(unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  try {
    STATUS_ERRORV(id, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_ERRORV(const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusError(format, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_ERROR(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    STATUS_ERRORV(format, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_MESSAGEV(unsigned int id, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusMessage(id, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_MESSAGE(unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  try {
    STATUS_MESSAGEV(id, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_MESSAGEV(const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusMessage(format, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_MESSAGE(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    STATUS_MESSAGEV(format, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_WARNINGV(unsigned int id, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusWarning(id, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_WARNING(unsigned int id, ...) {
  va_list args;
  va_start(args, id);
  try {
    STATUS_WARNINGV(id, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}

void IStatusCallback::STATUS_WARNINGV(const wchar_t* format, va_list args) {
  IStatusCallback* instance = mp_instance;
  if (instance == nullptr) return;
  va_list copy;
  va_copy(copy, args);
  try {
    instance->_OnStatusWarning(format, copy);
    va_end(copy);
  } catch (...) {
    va_end(copy);
    throw;
  }
}

void IStatusCallback::STATUS_WARNING(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    STATUS_WARNINGV(format, args);
    va_end(args);
  } catch (...) {
    va_end(args);
    throw;
  }
}
