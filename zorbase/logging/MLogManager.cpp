#include <zorbase/logging/MLogManager.h>

#include <algorithm>

#include <boost/ptr_container/ptr_vector.hpp>
#include <log4cxx/fileappender.h>
#include <log4cxx/filter/levelrangefilter.h>
#include <log4cxx/helpers/pool.h>
#include <log4cxx/logmanager.h>
#include <log4cxx/patternlayout.h>

#include <zorbase/logging/LogWindowAppender.h>
#include <zorbase/logging/internal/DuplicateEventFilter.h>
#include <zorbase/logging/internal/GuardedFileAppender.h>
#include <zorbase/logging/internal/OutputDebugStringAppender.h>
#include <zorbase/logging/internal/log4cxx_objects.h>
#include <zorbase/logging/internal/native_path.h>
#include <zorbase/logging/internal/reg_values.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/format.h>

namespace li = zb::logging_internal;
using li::Held;

namespace {

typedef boost::ptr_vector<MLogPlugIn> PlugInList;

const char kDefaultPattern[] = "%d{HH:mm:ss}|%c|%p|%m%n";
const char kFileAppenderName[] = "MLogManager_FILE_APPENDER";
const char kWndAppenderName[] = "MLogManager_WND_APPENDER";
const char kStdAppenderName[] = "MLogManager_STD_APPENDER";

enum Channel { kWnd = 0, kFile = 1, kStd = 2 };

PlugInList* Discovered(const boost::any& member) {
  PlugInList* const* held = boost::any_cast<PlugInList*>(&member);
  return held != nullptr ? *held : nullptr;
}

log4cxx::LayoutPtr MakeLayout(const char* pattern) {
  auto layout = std::make_shared<log4cxx::PatternLayout>();
  layout->setConversionPattern(pattern);
  log4cxx::helpers::Pool pool;
  layout->activateOptions(pool);
  return layout;
}

log4cxx::spi::FilterPtr MakeFilter() {
  auto filter = std::make_shared<log4cxx::filter::LevelRangeFilter>();
  log4cxx::helpers::Pool pool;
  filter->activateOptions(pool);
  return filter;
}

}  // namespace

MLogManager::MLogManager() {
  m_discovered = new PlugInList;

  log4cxx::LayoutPtr std_layout = MakeLayout(kDefaultPattern);
  log4cxx::LayoutPtr wnd_layout = MakeLayout("%m");
  log4cxx::LayoutPtr file_layout = MakeLayout(kDefaultPattern);

  log4cxx::AppenderPtr std_appender = std::make_shared<li::OutputDebugStringAppender>();
  log4cxx::AppenderPtr wnd_appender = std::make_shared<LogWindowAppender>();
  log4cxx::AppenderPtr file_appender = std::make_shared<li::GuardedFileAppender>();
  log4cxx::spi::FilterPtr std_filter = MakeFilter();
  log4cxx::spi::FilterPtr wnd_filter = MakeFilter();
  log4cxx::spi::FilterPtr file_filter = MakeFilter();

  std_appender->setName(kStdAppenderName);
  wnd_appender->setName(kWndAppenderName);
  file_appender->setName(kFileAppenderName);
  // The file is UTF-8 whatever the process locale (log4cxx would otherwise encode by the locale).
  file_appender->setOption("ENCODING", "UTF-8");
  std_appender->setLayout(std_layout);
  wnd_appender->setLayout(wnd_layout);
  file_appender->setLayout(file_layout);
  std_appender->addFilter(std_filter);
  wnd_appender->addFilter(wnd_filter);
  file_appender->addFilter(file_filter);
  std_appender->addFilter(std::make_shared<li::DuplicateEventFilter>());
  wnd_appender->addFilter(std::make_shared<li::DuplicateEventFilter>());
  file_appender->addFilter(std::make_shared<li::DuplicateEventFilter>());

  m_file_appender = file_appender;
  m_wnd_appender = wnd_appender;
  m_std_appender = std_appender;
  m_file_layout = file_layout;
  m_wnd_layout = wnd_layout;
  m_std_layout = std_layout;
  m_file_filter = file_filter;
  m_wnd_filter = wnd_filter;
  m_std_filter = std_filter;

  PushManager(this);

  m_pOwnedApplicationPlugIn = new MLogPlugIn(L"Log", L"Application plugin", this);
  m_pApplicationPlugIn = m_pOwnedApplicationPlugIn;
}

MLogManager::~MLogManager() {
  // The application plug-in unplugs itself from its destructor.
  MLogPlugIn* owned = m_pOwnedApplicationPlugIn;
  m_pOwnedApplicationPlugIn = nullptr;
  delete owned;

  // Plug-ins that outlive the manager become free; this manager's appenders leave their loggers.
  std::vector<MLogPlugIn*> orphans;
  orphans.swap(m_plugins);
  m_pApplicationPlugIn = nullptr;
  for (MLogPlugIn* plugin : orphans) plugin->m_manager = nullptr;

  if (PlugInList* list = Discovered(m_discovered)) {
    while (!list->empty()) list->pop_back();  // each unplugs itself once out of the list
  }
  for (MLogPlugIn* plugin : orphans) DetachIfLast(plugin);

  if (m_file_open) CloseLogFile();
  if (m_pLogWnd != nullptr) CloseLogWnd();
  SetFilterMax(kStd, false);

  PopManager(this);
  delete Discovered(m_discovered);
  m_discovered = boost::any();
}

MLogManager* MLogManager::GetManager() {
  return dynamic_cast<MLogManager*>(GetCurrentManager());
}

MLogPlugIn& MLogManager::GetPlugIn() {
  MLogManager* manager = GetManager();
  if (manager != nullptr && manager->m_pApplicationPlugIn != nullptr) {
    return *manager->m_pApplicationPlugIn;
  }
  static MLogPlugIn dummy(L"Log", L"Dummy plugin", nullptr);
  return dummy;
}

void MLogManager::PickOptions() {}

void MLogManager::PutTestLog() {
  Trace(nullptr, L"Test trace log");
  Info(nullptr, L"Test info log");
  Warning(nullptr, L"Test warning log");
  Error(nullptr, L"Test error log");
}

// ---- channels -------------------------------------------------------------------------------

void MLogManager::SetFilterMax(int channel, bool open) {
  const boost::any& member =
      channel == kWnd ? m_wnd_filter : channel == kFile ? m_file_filter : m_std_filter;
  if (log4cxx::spi::FilterPtr filter = Held<log4cxx::spi::Filter>(member)) {
    filter->setOption("LEVELMAX", open ? "OFF" : "ALL");
  }
}

void MLogManager::SetFilterMin(int channel, LONG mask) {
  const boost::any& member =
      channel == kWnd ? m_wnd_filter : channel == kFile ? m_file_filter : m_std_filter;
  if (log4cxx::spi::FilterPtr filter = Held<log4cxx::spi::Filter>(member)) {
    log4cxx::LogString name;
    li::LowestLevelOfMask(mask)->toString(name);
    filter->setOption("LEVELMIN", name);
  }
}

bool MLogManager::OpenLogFile(const MFileName& name, bool append) {
  if (&name != &m_log_file_name) m_log_file_name = name;
  log4cxx::AppenderPtr appender = Held<log4cxx::Appender>(m_file_appender);
  auto file = log4cxx::cast<log4cxx::FileAppender>(appender);
  if (!file) return false;
  const wchar_t* path = m_log_file_name.GET();
  const std::string native = li::NativeLogPath(path != nullptr ? path : L"");
  if (native.empty()) {
    // log4cxx would keep writing to the previous file when given no file name.
    m_file_open = false;
    SetFilterMax(kFile, false);
    return false;
  }
  file->setOption("FILE", native);
  file->setOption("APPEND", append ? "TRUE" : "FALSE");
  log4cxx::helpers::Pool pool;
  file->activateOptions(pool);
  // log4cxx reports a file it cannot open through its own diagnostics and leaves no writer.
  const bool opened = static_cast<bool>(file->getWriter());
  SetFilterMax(kFile, opened);
  m_file_open = opened;
  return opened;
}

void MLogManager::CloseLogFile() {
  m_file_open = false;
  SetFilterMax(kFile, false);
}

bool MLogManager::OpenLogWnd(ILogWnd* window) {
  if (m_pLogWnd != nullptr) CloseLogWnd();
  m_pLogWnd = window;
  if (window != nullptr) window->SetShow(m_show);
  SetFilterMax(kWnd, true);
  auto appender = log4cxx::cast<LogWindowAppender>(Held<log4cxx::Appender>(m_wnd_appender));
  if (appender) appender->SetLogWnd(window);
  return static_cast<bool>(appender);
}

void MLogManager::CloseLogWnd() {
  if (m_pLogWnd != nullptr) m_show = MergedShow();
  m_pLogWnd = nullptr;
  SetFilterMax(kWnd, false);
  auto appender = log4cxx::cast<LogWindowAppender>(Held<log4cxx::Appender>(m_wnd_appender));
  if (appender) appender->SetLogWnd(nullptr);
}

bool MLogManager::OpenLogStd() {
  m_std_open = true;
  SetFilterMax(kStd, true);
  return true;
}

void MLogManager::CloseLogStd() {
  m_std_open = false;
  SetFilterMax(kStd, false);
}

void MLogManager::ClearLogWnd() {
  if (m_pLogWnd != nullptr) m_pLogWnd->Clear();
}

// ---- plugging -------------------------------------------------------------------------------

void MLogManager::Plug(MLogPlugIn* plugIn) {
  if (plugIn == nullptr) return;
  plugIn->m_manager = this;
  m_plugins.push_back(plugIn);
  if (plugIn->m_application) m_pApplicationPlugIn = plugIn;
  Attach(plugIn, true);
}

void MLogManager::Unplug(MLogPlugIn* plugIn) {
  if (plugIn == nullptr) return;
  if (plugIn == m_pApplicationPlugIn) m_pApplicationPlugIn = nullptr;
  if (plugIn->m_manager == this) plugIn->m_manager = nullptr;
  auto it = std::find(m_plugins.rbegin(), m_plugins.rend(), plugIn);
  if (it != m_plugins.rend()) m_plugins.erase(std::next(it).base());
  DetachIfLast(plugIn);
}

void MLogManager::ListCopy(MLogPlugIn* copy) {
  copy->m_manager = this;
  m_plugins.push_back(copy);
}

bool MLogManager::HasPlugIn(const MLogPlugInID& id) const {
  for (const MLogPlugIn* plugin : m_plugins) {
    if (plugin->m_id == id) return true;
  }
  if (const PlugInList* list = Discovered(m_discovered)) {
    for (const MLogPlugIn& plugin : *list) {
      if (plugin.m_id == id) return true;
    }
  }
  return false;
}

void MLogManager::Attach(const MLogPlugIn* plugIn, bool take_over) {
  log4cxx::Logger* logger = li::LoggerIn(plugIn->m_logger);
  if (logger == nullptr) return;
  const boost::any* members[] = {&m_std_appender, &m_wnd_appender, &m_file_appender};
  for (const boost::any* member : members) {
    log4cxx::AppenderPtr ours = Held<log4cxx::Appender>(*member);
    if (!ours) continue;
    log4cxx::AppenderPtr present = logger->getAppender(ours->getName());
    if (present == ours) continue;
    if (present) {
      if (!take_over) continue;
      logger->removeAppender(present);
    }
    logger->addAppender(ours);
  }
}

void MLogManager::DetachIfLast(const MLogPlugIn* plugIn) {
  if (HasPlugIn(plugIn->m_id)) return;
  log4cxx::Logger* logger = li::LoggerIn(plugIn->m_logger);
  if (logger == nullptr) return;
  const boost::any* members[] = {&m_std_appender, &m_wnd_appender, &m_file_appender};
  bool detached = false;
  for (const boost::any* member : members) {
    log4cxx::AppenderPtr ours = Held<log4cxx::Appender>(*member);
    if (ours && logger->getAppender(ours->getName()) == ours) {
      logger->removeAppender(ours);
      detached = true;
    }
  }
  if (!detached) return;
  // The logger goes back to the newest other manager that still has a plug-in of this ID.
  for (auto it = mg_stack_managers.rbegin(); it != mg_stack_managers.rend(); ++it) {
    MLogManager* other = dynamic_cast<MLogManager*>(*it);
    if (other == nullptr || other == this || !other->HasPlugIn(plugIn->m_id)) continue;
    other->Attach(plugIn, false);
    break;
  }
}

// ---- discovered plug-ins --------------------------------------------------------------------

void MLogManager::_UpdateLog4CXXPlugins() {
  PlugInList* list = Discovered(m_discovered);
  if (list == nullptr) return;
  const log4cxx::LoggerList loggers = log4cxx::LogManager::getCurrentLoggers();
  for (const log4cxx::LoggerPtr& logger : loggers) {
    if (!logger) continue;
    const MLogPlugInID id(zb::platform::Utf8ToWide(logger->getName()));
    if (HasPlugIn(id)) continue;
    MLogPlugIn* plugin = new MLogPlugIn(id, L"", nullptr);
    list->push_back(plugin);
    plugin->m_manager = this;
    Attach(plugin, false);
  }
}

size_t MLogManager::_GetPlugInCount() {
  _UpdateLog4CXXPlugins();
  const PlugInList* list = Discovered(m_discovered);
  return m_plugins.size() + (list != nullptr ? list->size() : 0);
}

MLogPlugIn* MLogManager::_GetPlugIn(unsigned long index) {
  if (index < m_plugins.size()) return m_plugins[index];
  _UpdateLog4CXXPlugins();
  PlugInList* list = Discovered(m_discovered);
  if (list == nullptr) throw boost::bad_index("'at()' out of bounds");
  return &list->at(index - m_plugins.size());
}

// ---- log calls ------------------------------------------------------------------------------

bool MLogManager::Emit(const MLogPlugIn* plugIn, int level, const wchar_t* text) {
  const MLogPlugIn* plugin = plugIn != nullptr ? plugIn : &GetPlugIn();
  if (!plugin->CanPutFor(li::LevelMaskBit(level))) return false;
  return plugin->Emit(level, text);
}

bool MLogManager::Trace(const MLogPlugIn* plugIn, const wchar_t* text) {
  return Emit(plugIn, li::kTrace, text);
}
bool MLogManager::Info(const MLogPlugIn* plugIn, const wchar_t* text) {
  return Emit(plugIn, li::kInfo, text);
}
bool MLogManager::Warning(const MLogPlugIn* plugIn, const wchar_t* text) {
  return Emit(plugIn, li::kWarning, text);
}
bool MLogManager::Error(const MLogPlugIn* plugIn, const wchar_t* text) {
  return Emit(plugIn, li::kError, text);
}

namespace {
std::wstring FormatLogText(const wchar_t* format, va_list args) {
  return zb::platform::VFormatW(format != nullptr ? format : L"", args);
}
}  // namespace

bool MLogManager::TraceV(const MLogPlugIn* plugIn, const wchar_t* format, va_list args) {
  return Trace(plugIn, FormatLogText(format, args).c_str());
}
bool MLogManager::InfoV(const MLogPlugIn* plugIn, const wchar_t* format, va_list args) {
  return Info(plugIn, FormatLogText(format, args).c_str());
}
bool MLogManager::WarningV(const MLogPlugIn* plugIn, const wchar_t* format, va_list args) {
  return Warning(plugIn, FormatLogText(format, args).c_str());
}
bool MLogManager::ErrorV(const MLogPlugIn* plugIn, const wchar_t* format, va_list args) {
  return Error(plugIn, FormatLogText(format, args).c_str());
}

#define ZB_MANAGER_F_FORM(Name)                                                   \
  bool MLogManager::Name##F(const MLogPlugIn* plugIn, const wchar_t* format, ...) { \
    va_list args;                                                                 \
    va_start(args, format);                                                       \
    const bool result = Name##V(plugIn, format, args);                            \
    va_end(args);                                                                 \
    return result;                                                                \
  }
ZB_MANAGER_F_FORM(Trace)
ZB_MANAGER_F_FORM(Info)
ZB_MANAGER_F_FORM(Warning)
ZB_MANAGER_F_FORM(Error)
#undef ZB_MANAGER_F_FORM

// ---- registry ------------------------------------------------------------------------------

bool MLogManager::RegSave(HKEY key) {
  if (key == nullptr) return true;
  const wchar_t* path = m_file_open ? m_log_file_name.GET() : nullptr;
  li::WriteRegString(key, L"Log File Name", path != nullptr ? path : L"");
  li::WriteRegString(key, L"Log Debug Wnd", m_std_open ? L"1" : L"0");
  li::WriteRegDword(key, L"Log Show", static_cast<DWORD>(GetShow()));
  for (size_t i = 0; i < _GetPlugInCount(); ++i) {
    _GetPlugIn(static_cast<unsigned long>(i))->RegSave(key);
  }
  return true;
}

bool MLogManager::RegLoad(HKEY key) {
  if (key == nullptr) return true;
  std::wstring text;
  DWORD bytes = 0;
  if (li::ReadRegString(key, L"Log File Name", 2048, &text, &bytes)) {
    if (bytes >= 4 && !text.empty()) {
      OpenLogFile(MFileName(text.c_str()), false);
    } else if (m_file_open) {
      CloseLogFile();
    }
  }
  if (li::ReadRegString(key, L"Log Debug Wnd", 2048, &text)) {
    if (!text.empty() && text[0] == L'1') {
      OpenLogStd();
    } else if (m_std_open) {
      CloseLogStd();
    }
  }
  DWORD show = 0;
  if (li::ReadRegDword(key, L"Log Show", &show)) SetShow(static_cast<LONG>(show));
  for (size_t i = 0; i < _GetPlugInCount(); ++i) {
    _GetPlugIn(static_cast<unsigned long>(i))->RegLoad(key);
  }
  return true;
}

// ---- show flags and layouts -----------------------------------------------------------------

LONG MLogManager::MergedShow() const {
  if (m_pLogWnd == nullptr) return m_show;
  return (m_show & 0xFF0) | (m_pLogWnd->GetShow() & 0xF);
}

void MLogManager::SetShowBit(LONG bit, bool on) {
  if (on) {
    m_show |= bit;
  } else {
    m_show &= ~bit;
  }
}

void MLogManager::SetPutTimeStampLogWindow(bool on) {
  if (m_pLogWnd != nullptr) m_show = MergedShow();
  SetShowBit(kLogShowWndTimeStamp, on);
  if (m_pLogWnd != nullptr) m_pLogWnd->SetShow(m_show);
}
void MLogManager::SetPutPluginIDLogWindow(bool on) {
  if (m_pLogWnd != nullptr) m_show = MergedShow();
  SetShowBit(kLogShowWndPlugInID, on);
  if (m_pLogWnd != nullptr) m_pLogWnd->SetShow(m_show);
}
void MLogManager::SetPutLevelLogWindow(bool on) {
  if (m_pLogWnd != nullptr) m_show = MergedShow();
  SetShowBit(kLogShowWndLevel, on);
  if (m_pLogWnd != nullptr) m_pLogWnd->SetShow(m_show);
}
void MLogManager::SetPutTimeStampLogFile(bool on) {
  SetShowBit(kLogShowFileTimeStamp, on);
  _UpdateFileLayout();
}
void MLogManager::SetPutPluginIDLogFile(bool on) {
  SetShowBit(kLogShowFilePlugInID, on);
  _UpdateFileLayout();
}
void MLogManager::SetPutLevelLogFile(bool on) {
  SetShowBit(kLogShowFileLevel, on);
  _UpdateFileLayout();
}
void MLogManager::SetPutTimeStampSTD(bool on) {
  SetShowBit(kLogShowStdTimeStamp, on);
  _UpdateStdLayout();
}
void MLogManager::SetPutPluginIDSTD(bool on) {
  SetShowBit(kLogShowStdPlugInID, on);
  _UpdateStdLayout();
}
void MLogManager::SetPutLevelSTD(bool on) {
  SetShowBit(kLogShowStdLevel, on);
  _UpdateStdLayout();
}

bool MLogManager::GetPutTimeStampLogWindow() const {
  return (MergedShow() & kLogShowWndTimeStamp) != 0;
}
bool MLogManager::GetPutPluginIDLogWindow() const {
  return (MergedShow() & kLogShowWndPlugInID) != 0;
}
bool MLogManager::GetPutLevelLogWindow() const { return (MergedShow() & kLogShowWndLevel) != 0; }

void MLogManager::SetShow(LONG flags) {
  m_show = flags;
  if (m_pLogWnd != nullptr) m_pLogWnd->SetShow(flags);
  _UpdateStdLayout();
  _UpdateFileLayout();
}

LONG MLogManager::GetShow() {
  m_show = MergedShow();
  return m_show;
}

std::wstring MLogManager::_GetLayoutString(bool timeStamp, bool plugInID, bool level) {
  std::wstring pattern;
  if (timeStamp) pattern += L"%d{HH:mm:ss}|";
  if (plugInID) pattern += L"%c|";
  if (level) pattern += L"%p|";
  pattern += L"%m%n";
  return pattern;
}

namespace {
void SetPattern(const boost::any& member, const std::wstring& pattern) {
  if (log4cxx::LayoutPtr layout = Held<log4cxx::Layout>(member)) {
    layout->setOption("CONVERSIONPATTERN", zb::platform::WideToUtf8(pattern));
    log4cxx::helpers::Pool pool;
    layout->activateOptions(pool);
  }
}
}  // namespace

void MLogManager::_UpdateFileLayout() {
  SetPattern(m_file_layout,
             _GetLayoutString((m_show & kLogShowFileTimeStamp) != 0,
                              (m_show & kLogShowFilePlugInID) != 0,
                              (m_show & kLogShowFileLevel) != 0));
}

void MLogManager::_UpdateWndLayout() {}

void MLogManager::_UpdateStdLayout() {
  SetPattern(m_std_layout,
             _GetLayoutString((m_show & kLogShowStdTimeStamp) != 0,
                              (m_show & kLogShowStdPlugInID) != 0,
                              (m_show & kLogShowStdLevel) != 0));
}
