#include <zorbase/logging/internal/DuplicateEventFilter.h>

#include <memory>
#include <vector>

namespace zb {
namespace logging_internal {
namespace {

struct LastEvent {
  std::weak_ptr<log4cxx::spi::LoggingEvent> event;
  std::vector<const DuplicateEventFilter*> passed;
};

thread_local LastEvent t_last;

bool SameEvent(const std::weak_ptr<log4cxx::spi::LoggingEvent>& seen,
               const log4cxx::spi::LoggingEventPtr& event) {
  // Owner equality: the control block cannot be reused while `seen` still refers to it.
  return !seen.owner_before(event) && !event.owner_before(seen) && !seen.expired();
}

}  // namespace

log4cxx::spi::Filter::FilterDecision DuplicateEventFilter::decide(
    const log4cxx::spi::LoggingEventPtr& event) const {
  LastEvent& last = t_last;
  if (!SameEvent(last.event, event)) {
    last.event = event;
    last.passed.clear();
  }
  for (const DuplicateEventFilter* filter : last.passed) {
    if (filter == this) return DENY;
  }
  last.passed.push_back(this);
  return NEUTRAL;
}

}  // namespace logging_internal
}  // namespace zb
