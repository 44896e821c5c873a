// The log4cxx objects that the manager and the plug-ins keep type-erased in boost::any members,
// and the level translations they share.
#pragma once

#include <boost/any.hpp>
#include <log4cxx/appender.h>
#include <log4cxx/layout.h>
#include <log4cxx/level.h>
#include <log4cxx/logger.h>
#include <log4cxx/spi/filter.h>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace logging_internal {

// Emitting levels of the plug-ins, in the order Trace, Info, Warning, Error.
enum LogLevel { kTrace = 0, kInfo = 1, kWarning = 2, kError = 3 };

// The mask bit of a level (Trace 8, Info 4, Warning 2, Error 1).
inline LONG LevelMaskBit(int level) { return static_cast<LONG>(8 >> level); }

// The log4cxx level of an emitting level.
const log4cxx::LevelPtr& Log4cxxLevel(int level);

// The lowest log4cxx level a mask lets through: 0 OFF, 1 ERROR, 2-3 WARN, 4-7 INFO, anything with
// a bit above 4 (8, 15, and the masks the table does not name) TRACE.
const log4cxx::LevelPtr& LowestLevelOfMask(LONG mask);

// The pointer held by a boost::any member, or null when the member is empty.
template <typename T>
std::shared_ptr<T> Held(const boost::any& member) {
  const std::shared_ptr<T>* held = boost::any_cast<std::shared_ptr<T>>(&member);
  return held != nullptr ? *held : std::shared_ptr<T>();
}

// The logger of a plug-in's member, without copying the pointer (the hot path). Null when empty.
inline log4cxx::Logger* LoggerIn(const boost::any& member) {
  const log4cxx::LoggerPtr* held = boost::any_cast<log4cxx::LoggerPtr>(&member);
  return held != nullptr ? held->get() : nullptr;
}

}  // namespace logging_internal
}  // namespace zb
