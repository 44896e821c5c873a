// A log4cxx filter that lets each event through an appender once.
#pragma once

#include <log4cxx/spi/filter.h>

namespace zb {
namespace logging_internal {

// The manager attaches its appenders to the logger of every plug-in. Loggers form a hierarchy by
// their dotted names and an event also goes to the appenders of the logger's ancestors, so with
// plug-ins "Engine" and "Engine.IO" in one manager, an event of "Engine.IO" would reach the same
// appender twice. This filter, last in each of the manager's appenders' chains, denies the second
// delivery of the same event. It remembers, per thread, the event it saw last (a weak reference,
// so a later event can never be mistaken for it) and the filters it already passed.
class DuplicateEventFilter : public log4cxx::spi::Filter {
 public:
  FilterDecision decide(const log4cxx::spi::LoggingEventPtr& event) const override;
};

}  // namespace logging_internal
}  // namespace zb
