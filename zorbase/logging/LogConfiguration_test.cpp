// A host that configures log4cxx from a configuration file (properties or XML) naming the library's
// appender classes, next to a log manager.
#include <UnitTest++/UnitTest++.h>

#include <fstream>
#include <string>

#include <log4cxx/file.h>
#include <log4cxx/logger.h>
#include <log4cxx/propertyconfigurator.h>
#include <log4cxx/xml/domconfigurator.h>

#include <zorbase/logging/LogWindowAppender.h>
#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/internal/log_test_support.h>

using zb::logtest::DebugCapture;
using zb::logtest::RecordingWindow;

namespace {

class ProbeManager : public MLogManager {
 public:
  using MLogManager::_GetPlugIn;
  using MLogManager::_GetPlugInCount;
  MLogPlugIn* Find(const std::wstring& id) {
    const size_t count = _GetPlugInCount();
    for (size_t i = 0; i < count; ++i) {
      MLogPlugIn* p = _GetPlugIn(static_cast<unsigned long>(i));
      if (p->GetID().Get() == id) return p;
    }
    return nullptr;
  }
};

std::shared_ptr<LogWindowAppender> ConfiguredWindowAppender(const char* logger, const char* name) {
  return log4cxx::cast<LogWindowAppender>(log4cxx::Logger::getLogger(logger)->getAppender(name));
}

// Both configurations: logger CONFIG (level WARN) with a LogWindowAppender "Window" (layout "%p %m")
// and the library's debugger-output appender "Debugger" (layout "cfg|%c|%m%n").
void CheckConfiguredLogger(const char* logger_name, const std::wstring& id) {
  DebugCapture capture;
  RecordingWindow manager_window, configured_window;
  ProbeManager manager;
  manager.OpenLogWnd(&manager_window);
  std::shared_ptr<LogWindowAppender> configured = ConfiguredWindowAppender(logger_name, "Window");
  CHECK(configured != nullptr);
  if (configured == nullptr) return;
  configured->SetLogWnd(&configured_window);

  MLogPlugIn* plugin = manager.Find(id);  // discovered from log4cxx's loggers
  CHECK(plugin != nullptr);
  if (plugin == nullptr) return;
  CHECK(plugin->Warning(L"configured warning"));
  CHECK(plugin->Info(L"below the configured level"));  // true, but the logger holds it back
  LOG4CXX_ERROR(log4cxx::Logger::getLogger(logger_name), "direct error");
  configured->SetLogWnd(nullptr);

  CHECK_EQUAL(2u, configured_window.entries.size());
  if (configured_window.entries.size() == 2) {
    CHECK(configured_window.entries[0].text == L"WARN configured warning");
    CHECK_EQUAL(2, configured_window.entries[0].level);
    CHECK(configured_window.entries[1].text == L"ERROR direct error");
    CHECK_EQUAL(1, configured_window.entries[1].level);
  }
  CHECK_EQUAL(2u, manager_window.entries.size());  // the manager's window has them too
  const std::string text = capture.Text();
  const std::string prefix = std::string("cfg|") + logger_name + "|";
  CHECK(text.find(prefix + "configured warning\n") != std::string::npos);
  CHECK(text.find(prefix + "direct error\n") != std::string::npos);
  CHECK(text.find("below the configured level") == std::string::npos);
}

}  // namespace

SUITE(LogConfiguration) {

TEST(PropertiesFileNamesTheLibraryAppenders) {
  const std::string path = zb::logtest::TempPath("log4cxx.properties");
  {
    std::ofstream out(path);
    out << "log4j.logger.Config.Props=WARN, Window, Debugger\n"
           "log4j.appender.Window=LogWindowAppender\n"
           "log4j.appender.Window.layout=org.apache.log4j.PatternLayout\n"
           "log4j.appender.Window.layout.ConversionPattern=%p %m\n"
           "log4j.appender.Debugger=org.apache.log4j.nt.OutputDebugStringAppender\n"
           "log4j.appender.Debugger.layout=org.apache.log4j.PatternLayout\n"
           "log4j.appender.Debugger.layout.ConversionPattern=cfg|%c|%m%n\n";
  }
  log4cxx::PropertyConfigurator::configure(log4cxx::File(path));
  CheckConfiguredLogger("Config.Props", L"Config.Props");
}

TEST(XmlFileNamesTheLibraryAppenders) {
  const std::string path = zb::logtest::TempPath("log4cxx.xml");
  {
    std::ofstream out(path);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<log4j:configuration xmlns:log4j=\"http://jakarta.apache.org/log4j/\">\n"
           "  <appender name=\"Window\" class=\"LogWindowAppender\">\n"
           "    <layout class=\"org.apache.log4j.PatternLayout\">\n"
           "      <param name=\"ConversionPattern\" value=\"%p %m\"/>\n"
           "    </layout>\n"
           "  </appender>\n"
           "  <appender name=\"Debugger\" class=\"OutputDebugStringAppender\">\n"
           "    <layout class=\"org.apache.log4j.PatternLayout\">\n"
           "      <param name=\"ConversionPattern\" value=\"cfg|%c|%m%n\"/>\n"
           "    </layout>\n"
           "  </appender>\n"
           "  <logger name=\"Config.Xml\">\n"
           "    <level value=\"WARN\"/>\n"
           "    <appender-ref ref=\"Window\"/>\n"
           "    <appender-ref ref=\"Debugger\"/>\n"
           "  </logger>\n"
           "</log4j:configuration>\n";
  }
  log4cxx::xml::DOMConfigurator::configure(path);
  CheckConfiguredLogger("Config.Xml", L"Config.Xml");
}

}
