// The library's debugger-output appender: the standard channel of every log manager. It is a
// log4cxx class named "OutputDebugStringAppender", so configuration files can name it (also as
// "org.apache.log4j.nt.OutputDebugStringAppender", which log4cxx resolves by its last part).
#pragma once

#include <log4cxx/appenderskeleton.h>
#include <log4cxx/helpers/class.h>
#include <log4cxx/helpers/classregistration.h>

namespace zb {
namespace logging_internal {

// Formats each event with its layout and sends the UTF-8 text to the platform's debugger output
// (zb::platform::DebugOutputUtf8). When debugger output is dropped, events are not even formatted.
class OutputDebugStringAppender : public log4cxx::AppenderSkeleton {
 public:
  class ClazzOutputDebugStringAppender : public log4cxx::helpers::Class {
   public:
    log4cxx::LogString getName() const override { return "OutputDebugStringAppender"; }
    log4cxx::helpers::Object* newInstance() const override {
      return new OutputDebugStringAppender();
    }
  };

  OutputDebugStringAppender() = default;
  ~OutputDebugStringAppender() override;

  static const log4cxx::helpers::Class& getStaticClass();
  static const log4cxx::helpers::ClassRegistration& registerClass();
  const log4cxx::helpers::Class& getClass() const override;
  const void* cast(const log4cxx::helpers::Class& clazz) const override;
  bool instanceof(const log4cxx::helpers::Class& clazz) const override;

  void close() override {}
  bool requiresLayout() const override { return true; }

 protected:
  void append(const log4cxx::spi::LoggingEventPtr& event, log4cxx::helpers::Pool& pool) override;
};

}  // namespace logging_internal
}  // namespace zb
