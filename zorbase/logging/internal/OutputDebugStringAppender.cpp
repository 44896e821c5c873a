#include <zorbase/logging/internal/OutputDebugStringAppender.h>

#include <log4cxx/layout.h>
#include <log4cxx/spi/loggingevent.h>

#include <zorbase/platform/debug_output.h>

namespace zb {
namespace logging_internal {

OutputDebugStringAppender::~OutputDebugStringAppender() { finalize(); }

const log4cxx::helpers::Class& OutputDebugStringAppender::getStaticClass() {
  static ClazzOutputDebugStringAppender the_class;
  return the_class;
}

const log4cxx::helpers::ClassRegistration& OutputDebugStringAppender::registerClass() {
  static log4cxx::helpers::ClassRegistration registration(&OutputDebugStringAppender::getStaticClass);
  return registration;
}

const log4cxx::helpers::Class& OutputDebugStringAppender::getClass() const {
  return getStaticClass();
}

const void* OutputDebugStringAppender::cast(const log4cxx::helpers::Class& clazz) const {
  if (&clazz == &log4cxx::helpers::Object::getStaticClass()) {
    return static_cast<const log4cxx::helpers::Object*>(this);
  }
  if (&clazz == &getStaticClass()) return this;
  return log4cxx::AppenderSkeleton::cast(clazz);
}

bool OutputDebugStringAppender::instanceof(const log4cxx::helpers::Class& clazz) const {
  return cast(clazz) != nullptr;
}

void OutputDebugStringAppender::append(const log4cxx::spi::LoggingEventPtr& event,
                                       log4cxx::helpers::Pool& pool) {
  if (!zb::platform::DebugOutputEnabled()) return;
  log4cxx::LayoutPtr layout = getLayout();
  log4cxx::LogString text;
  if (layout) {
    layout->format(text, event, pool);
  } else {
    text = event->getRenderedMessage();
  }
  zb::platform::DebugOutputUtf8(text.data(), text.size());
}

}  // namespace logging_internal
}  // namespace zb
