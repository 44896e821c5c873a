#include <zorbase/logging/LogWindowAppender.h>

#include <UnitTest++/UnitTest++.h>

#include <climits>

#include <log4cxx/helpers/pool.h>
#include <log4cxx/logger.h>
#include <log4cxx/patternlayout.h>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/internal/log_test_support.h>

using zb::logtest::RecordingWindow;

SUITE(LogWindowAppender) {

TEST(LevelBits) {
  struct Case {
    int level;
    LONG bit;
  } cases[] = {{INT_MIN, 8}, {5000, 8},  {9999, 8},  {10000, 4}, {20000, 4}, {29999, 4},
               {30000, 2},   {40000, 1}, {50000, 1}, {60000, 1}, {INT_MAX, 0}};
  for (const Case& c : cases) CHECK_EQUAL(c.bit, LogWindowAppender::LevelBit(c.level));
}

TEST(RegisteredInLog4cxxClassSystem) {
  const log4cxx::helpers::Class& by_name = log4cxx::helpers::Class::forName("LogWindowAppender");
  CHECK_EQUAL(&LogWindowAppender::getStaticClass(), &by_name);
  std::unique_ptr<log4cxx::helpers::Object> made(by_name.newInstance());
  CHECK(made->instanceof(LogWindowAppender::getStaticClass()));
  CHECK(made->instanceof(log4cxx::Appender::getStaticClass()));
  CHECK(made->instanceof(log4cxx::AppenderSkeleton::getStaticClass()));
  CHECK(made->instanceof(log4cxx::helpers::Object::getStaticClass()));
  CHECK(!made->instanceof(log4cxx::Layout::getStaticClass()));
  CHECK_EQUAL("LogWindowAppender", made->getClass().getName());
  CHECK_EQUAL(&LogWindowAppender::registerClass(), &LogWindowAppender::registerClass());
}

TEST(EventsWithoutWindowAreConsumed) {
  auto appender = std::make_shared<LogWindowAppender>();
  appender->setLayout(std::make_shared<log4cxx::PatternLayout>("%m"));
  log4cxx::LoggerPtr logger = log4cxx::Logger::getLogger("Appender.NoWindow");
  logger->addAppender(appender);
  LOG4CXX_ERROR(logger, "nobody listens");
  RecordingWindow window;
  appender->SetLogWnd(&window);
  LOG4CXX_ERROR(logger, "now someone does");
  appender->SetLogWnd(nullptr);
  LOG4CXX_ERROR(logger, "gone again");
  logger->removeAppender(appender);
  CHECK_EQUAL(1u, window.entries.size());
  if (!window.entries.empty()) {
    CHECK(window.entries[0].text == L"now someone does");
    CHECK_EQUAL(1, window.entries[0].level);
    CHECK(window.entries[0].id == L"Appender.NoWindow");
  }
}

TEST(DebugEventOfADirectLoggerHasTheInfoBit) {
  RecordingWindow window;
  MLogManager manager;
  manager.OpenLogWnd(&window);
  MLogPlugIn plugin(L"Appender.Debug", L"");  // lowers the shared window filter to INFO
  plugin.SetLevel(kLogChannelWindow, 15);     // ...and now to TRACE
  log4cxx::LoggerPtr logger = log4cxx::Logger::getLogger("Appender.Debug");
  LOG4CXX_DEBUG(logger, "debug");
  CHECK(plugin.Warning(L"warn \u00e4\u20ac"));
  CHECK_EQUAL(2u, window.entries.size());
  if (window.entries.size() == 2) {
    CHECK_EQUAL(4, window.entries[0].level);
    CHECK(window.entries[0].text == L"debug");
    CHECK_EQUAL(2, window.entries[1].level);
    CHECK(window.entries[1].text == L"warn \u00e4\u20ac");
  }
}

}
