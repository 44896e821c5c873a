// The log window appender: a log4cxx appender that hands events to the host's log window.
#pragma once

#include <atomic>

#include <log4cxx/appenderskeleton.h>
#include <log4cxx/helpers/class.h>
#include <log4cxx/helpers/classregistration.h>
#include <log4cxx/spi/loggingevent.h>

#include <zorbase/logging/ILogWnd.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// A log4cxx class named "LogWindowAppender" in log4cxx's own class system (registered while the
// library loads), so a configuration file can name it. Each event that passes the appender's
// filters is formatted with its layout and given to the window with the event's level bit and a
// stand-in plug-in carrying the emitting logger's name as its ID. Without a window, events are
// consumed silently.
class ZORBASE_API LogWindowAppender : public log4cxx::AppenderSkeleton {
 public:
  // log4cxx's class object for this appender; newInstance creates an appender without a window.
  class ClazzLogWindowAppender : public log4cxx::helpers::Class {
   public:
    log4cxx::LogString getName() const override { return "LogWindowAppender"; }
    log4cxx::helpers::Object* newInstance() const override { return new LogWindowAppender(); }
  };

  LogWindowAppender();
  ~LogWindowAppender() override;

  // Sets the window events go to (null detaches). Not owned; it must outlive its time here.
  void SetLogWnd(ILogWnd* window);
  ILogWnd* GetLogWnd() const { return m_pLogWnd.load(std::memory_order_acquire); }

  // The level bit for a log4cxx level value: ALL and TRACE 8, DEBUG and INFO 4, WARN 2,
  // ERROR and FATAL 1, OFF 0; any other value takes the bit of the next lower standard level.
  static LONG LevelBit(int log4cxx_level);

  void append(const log4cxx::spi::LoggingEventPtr& event, log4cxx::helpers::Pool& pool) override;
  void close() override {}
  bool requiresLayout() const override { return true; }

  static const log4cxx::helpers::Class& getStaticClass();
  // Registers the class with log4cxx (once; later calls return the same registration).
  static const log4cxx::helpers::ClassRegistration& registerClass();
  const log4cxx::helpers::Class& getClass() const override;
  const void* cast(const log4cxx::helpers::Class& clazz) const override;
  bool instanceof(const log4cxx::helpers::Class& clazz) const override;

 private:
  std::atomic<ILogWnd*> m_pLogWnd{nullptr};
};
