#include <zorbase/logging/LogWindowAppender.h>

#include <climits>
#include <string>

#include <log4cxx/layout.h>
#include <log4cxx/level.h>

#include <zorbase/logging/MLogPlugIn.h>
#include <zorbase/platform/codepage.h>

LogWindowAppender::LogWindowAppender() = default;

LogWindowAppender::~LogWindowAppender() { finalize(); }

void LogWindowAppender::SetLogWnd(ILogWnd* window) {
  m_pLogWnd.store(window, std::memory_order_release);
}

LONG LogWindowAppender::LevelBit(int level) {
  if (level >= log4cxx::Level::OFF_INT) return 0;
  if (level >= log4cxx::Level::ERROR_INT) return kLogLevelError;
  if (level >= log4cxx::Level::WARN_INT) return kLogLevelWarning;
  if (level >= log4cxx::Level::DEBUG_INT) return kLogLevelInfo;
  return kLogLevelTrace;
}

void LogWindowAppender::append(const log4cxx::spi::LoggingEventPtr& event,
                               log4cxx::helpers::Pool& pool) {
  ILogWnd* window = GetLogWnd();
  if (window == nullptr) return;
  const MLogPlugIn stand_in(MLogPlugIn::StandIn{}, zb::platform::Utf8ToWide(event->getLoggerName()),
                            L"Window plugin");
  const LONG bit = LevelBit(event->getLevel()->toInt());
  log4cxx::LogString text;
  if (log4cxx::LayoutPtr layout = getLayout()) {
    layout->format(text, event, pool);
  } else {
    text = event->getRenderedMessage();
  }
  const std::wstring wide = zb::platform::Utf8ToWide(text);
  window->Put(&stand_in, bit, wide.c_str());
}

const log4cxx::helpers::Class& LogWindowAppender::getStaticClass() {
  static ClazzLogWindowAppender the_class;
  return the_class;
}

const log4cxx::helpers::ClassRegistration& LogWindowAppender::registerClass() {
  static log4cxx::helpers::ClassRegistration registration(&LogWindowAppender::getStaticClass);
  return registration;
}

const log4cxx::helpers::Class& LogWindowAppender::getClass() const { return getStaticClass(); }

const void* LogWindowAppender::cast(const log4cxx::helpers::Class& clazz) const {
  if (&clazz == &log4cxx::helpers::Object::getStaticClass()) {
    return static_cast<const log4cxx::helpers::Object*>(this);
  }
  if (&clazz == &getStaticClass()) return this;
  return log4cxx::AppenderSkeleton::cast(clazz);
}

bool LogWindowAppender::instanceof(const log4cxx::helpers::Class& clazz) const {
  return cast(clazz) != nullptr;
}
