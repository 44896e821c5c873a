#include <zorbase/logging/internal/log4cxx_objects.h>

namespace zb {
namespace logging_internal {
namespace {

// log4cxx hands its levels out by value; the emitting path keeps one copy of each.
struct Levels {
  log4cxx::LevelPtr by_emitting_level[4];
  log4cxx::LevelPtr off;
};

const Levels& TheLevels() {
  static const Levels levels{{log4cxx::Level::getTrace(), log4cxx::Level::getInfo(),
                              log4cxx::Level::getWarn(), log4cxx::Level::getError()},
                             log4cxx::Level::getOff()};
  return levels;
}

}  // namespace

const log4cxx::LevelPtr& Log4cxxLevel(int level) { return TheLevels().by_emitting_level[level]; }

const log4cxx::LevelPtr& LowestLevelOfMask(LONG mask) {
  const Levels& levels = TheLevels();
  if ((mask & ~static_cast<LONG>(7)) != 0) return levels.by_emitting_level[kTrace];
  if ((mask & 4) != 0) return levels.by_emitting_level[kInfo];
  if ((mask & 2) != 0) return levels.by_emitting_level[kWarning];
  if ((mask & 1) != 0) return levels.by_emitting_level[kError];
  return levels.off;
}

}  // namespace logging_internal
}  // namespace zb
