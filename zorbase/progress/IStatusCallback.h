// The host's status callback: status texts, messages, tooltips and a begin/count/end progress
// with an abort query. Code anywhere calls the statics; each forwards to one virtual operation of
// the one registered implementation (mp_instance), which the host supplies by deriving from this
// class and assigning itself to mp_instance (and null to withdraw). With nothing registered every
// static does nothing and returns its default: true for the count, increment and text statics,
// false for STATUS_GET_ABORT, null for STATUS_PARENT.
#pragma once

#include <cstdarg>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// An unsigned int first argument is the resource identifier of a message or its format; a
// const wchar_t* first argument is the format itself. The V forms pass the caller's va_list on
// (the implementation receives a copy, so the caller's list stays usable); the variadic forms
// gather their own trailing arguments.
//
// Thread safety: the statics read mp_instance without a lock; register and withdraw the
// implementation while no other thread reports. The implementation decides its own thread-safety.
// Exceptions of the implementation reach the caller of the static.
class ZORBASE_API IStatusCallback {
 public:
  // Brackets STATUS_BEGIN(start, end, text) and STATUS_END() in a scope. `text` is handed over as
  // a format. Nothing happens when no implementation is registered.
  class ZORBASE_API Session {
   public:
    Session(double start, double end, const wchar_t* text);
    // Exceptions of the implementation's end are not let out of the destructor.
    ~Session();
    Session& operator=(const Session&) = default;
  };

  IStatusCallback() = default;
  IStatusCallback(const IStatusCallback&) = default;
  IStatusCallback& operator=(const IStatusCallback&) = default;
  virtual ~IStatusCallback();

  // Whether an implementation is registered.
  static bool HasInstance();

  static void STATUSV(unsigned int id, va_list args);
  static void STATUS(unsigned int id, ...);
  static void STATUSV(const wchar_t* format, va_list args);
  static void STATUS(const wchar_t* format, ...);
  static void STATUS_TEMPV(unsigned int id, va_list args);
  static void STATUS_TEMP(unsigned int id, ...);
  static bool STATUS_COUNT(double position);
  static bool STATUS_INC(double amount);
  static void STATUS_INITV(unsigned int id, va_list args);
  static void STATUS_INIT(unsigned int id, ...);
  static void STATUS_INITV(const wchar_t* format, va_list args);
  static void STATUS_INIT(const wchar_t* format, ...);
  static void STATUS_INIT_TEXT(const wchar_t* text);
  static void STATUS_INIT_ZOR_RES_STRINGV(unsigned int id, va_list args);
  static void STATUS_INIT_ZOR_RES_STRING(unsigned int id, ...);
  static void STATUS_INIT_ZOR_RES_STRINGV(const wchar_t* format, va_list args);
  static void STATUS_INIT_ZOR_RES_STRING(const wchar_t* format, ...);
  static void STATUS_MODE(ULONG mode, unsigned short flags, bool on);
  static HWND STATUS_PARENT(HWND parent);
  static void STATUS_STOP();
  static bool STATUS_GET_ABORT();
  static void STATUS_BEGINV(double start, double end, unsigned int id, va_list args);
  static void STATUS_BEGIN(double start, double end, unsigned int id, ...);
  static void STATUS_BEGINV(double start, double end, const wchar_t* format, va_list args);
  static void STATUS_BEGIN(double start, double end, const wchar_t* format, ...);
  static void STATUS_END();
  static bool STATUS_TEXTV(short mode, const wchar_t* format, va_list args);
  static bool STATUS_TEXT(short mode, const wchar_t* format, ...);
  static void STATUS_BEGIN_ZOR_RES_STRINGV(double start, double end, unsigned int id, va_list args);
  static void STATUS_BEGIN_ZOR_RES_STRING(double start, double end, unsigned int id, ...);
  static bool STATUS_TEXT_INFOV(const wchar_t* format, va_list args);
  static bool STATUS_TEXT_INFO(const wchar_t* format, ...);
  static bool STATUS_TEXT_WARNINGV(const wchar_t* format, va_list args);
  static bool STATUS_TEXT_WARNING(const wchar_t* format, ...);
  static bool STATUS_TEXT_ERRORV(const wchar_t* format, va_list args);
  static bool STATUS_TEXT_ERROR(const wchar_t* format, ...);
  static void STATUS_TEXT_MODE(unsigned short mode, unsigned short flags);
  static void TOOLTIP_TEXT(const wchar_t* text);
  static void TOOLTIP_SHOW(bool show);
  static void STATUS_ERRORV(unsigned int id, va_list args);
  static void STATUS_ERROR(unsigned int id, ...);
  static void STATUS_ERRORV(const wchar_t* format, va_list args);
  static void STATUS_ERROR(const wchar_t* format, ...);
  static void STATUS_MESSAGEV(unsigned int id, va_list args);
  static void STATUS_MESSAGE(unsigned int id, ...);
  static void STATUS_MESSAGEV(const wchar_t* format, va_list args);
  static void STATUS_MESSAGE(const wchar_t* format, ...);
  static void STATUS_WARNINGV(unsigned int id, va_list args);
  static void STATUS_WARNING(unsigned int id, ...);
  static void STATUS_WARNINGV(const wchar_t* format, va_list args);
  static void STATUS_WARNING(const wchar_t* format, ...);

 protected:
  // Two operations that the library never calls; they do nothing unless an implementation gives
  // them a meaning.
  virtual void _OnStatusReserved1();
  virtual void _OnStatusReserved2();

  virtual void _OnStatus(unsigned int id, va_list args) = 0;
  virtual void _OnStatus(const wchar_t* format, va_list args) = 0;
  virtual void _OnStatusTemp(unsigned int id, va_list args) = 0;
  virtual bool _OnStatusCount(double position) = 0;
  virtual bool _OnStatusInc(double amount) = 0;
  virtual void _OnStatusInit(unsigned int id, va_list args) = 0;
  virtual void _OnStatusInit(const wchar_t* format, va_list args) = 0;
  virtual void _OnStatusInitText(const wchar_t* text) = 0;
  virtual void _OnStatusInitZorResString(unsigned int id, va_list args) = 0;
  virtual void _OnStatusInitZorResString(const wchar_t* format, va_list args) = 0;
  virtual void _OnStatusMode(ULONG mode, unsigned short flags, bool on) = 0;
  virtual HWND _OnStatusParent(HWND parent) = 0;
  virtual void _OnStatusStop() = 0;
  virtual bool _OnStatusGetAbort() = 0;
  virtual void _OnStatusBegin(double start, double end, unsigned int id, va_list args) = 0;
  virtual void _OnStatusBegin(double start, double end, const wchar_t* format, va_list args) = 0;
  virtual void _OnStatusEnd() = 0;
  virtual bool _OnStatusText(short mode, const wchar_t* format, va_list args) = 0;
  virtual void _OnStatusBeginZorResString(double start, double end, unsigned int id, va_list args) = 0;
  virtual bool _OnStatusTextInfo(const wchar_t* format, va_list args) = 0;
  virtual bool _OnStatusTextWarning(const wchar_t* format, va_list args) = 0;
  virtual bool _OnStatusTextError(const wchar_t* format, va_list args) = 0;
  virtual void _OnStatusTextMode(unsigned short mode, unsigned short flags) = 0;
  virtual void _OnTooltipText(const wchar_t* text) = 0;
  virtual void _OnTooltipShow(bool show) = 0;
  virtual void _OnStatusError(unsigned int id, va_list args) = 0;
  virtual void _OnStatusError(const wchar_t* format, va_list args) = 0;
  virtual void _OnStatusMessage(unsigned int id, va_list args) = 0;
  virtual void _OnStatusMessage(const wchar_t* format, va_list args) = 0;
  virtual void _OnStatusWarning(unsigned int id, va_list args) = 0;
  virtual void _OnStatusWarning(const wchar_t* format, va_list args) = 0;

  // The registered implementation; not owned. Null when none is registered.
  static IStatusCallback* mp_instance;
};
