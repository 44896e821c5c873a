#include <zorbase/logging/internal/GuardedFileAppender.h>

#include <cerrno>
#include <exception>

#include <zorbase/platform/last_error.h>

namespace zb {
namespace logging_internal {

namespace {
// Events are appended on the emitting thread, so the failure of an event belongs to that thread.
thread_local DWORD t_file_channel_error = 0;
}  // namespace

void GuardedFileAppender::append(const log4cxx::spi::LoggingEventPtr& event,
                                 log4cxx::helpers::Pool& pool) {
  errno = 0;
  try {
    log4cxx::FileAppender::append(event, pool);
  } catch (const std::exception&) {
    // log4cxx's I/O exception carries only a message; the write that failed left its errno.
    const int error = errno;
    t_file_channel_error = error != 0 ? zb::platform::ErrorFromErrno(error) : ERROR_WRITE_FAULT;
  }
}

DWORD TakeFileChannelError() {
  const DWORD error = t_file_channel_error;
  t_file_channel_error = 0;
  return error;
}

}  // namespace logging_internal
}  // namespace zb
