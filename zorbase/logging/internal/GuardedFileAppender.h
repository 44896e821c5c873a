// The file channel's appender: log4cxx's FileAppender, except that a failed write (a full disk, a
// file grown past its limit, a failing device) never leaves it as an exception. log4cxx throws
// its I/O exceptions out of the logging call, which would end a host's process for one log line
// and keep the event from the other channels.
#pragma once

#include <log4cxx/fileappender.h>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace logging_internal {

class GuardedFileAppender : public log4cxx::FileAppender {
 public:
  // Writes the event; on failure records the Windows error code for the emitting thread (see
  // TakeFileChannelError) and drops the event. Later events are written again as soon as the
  // file takes them.
  void append(const log4cxx::spi::LoggingEventPtr& event, log4cxx::helpers::Pool& pool) override;
};

// The calling thread's file-channel failure since the last call (0 when none), cleared by the call.
DWORD TakeFileChannelError();

}  // namespace logging_internal
}  // namespace zb
