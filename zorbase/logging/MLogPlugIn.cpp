#include <zorbase/logging/MLogPlugIn.h>

#include <cxxabi.h>
#include <log4cxx/logger.h>

#include <new>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/internal/GuardedFileAppender.h>
#include <zorbase/logging/internal/log4cxx_objects.h>
#include <zorbase/logging/internal/reg_values.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/format.h>
#include <zorbase/platform/last_error.h>

using zb::logging_internal::LoggerIn;
using zb::logging_internal::LevelMaskBit;
namespace li = zb::logging_internal;

namespace {

// The logger named by `id`. A logger that has no level of its own gets ALL, so that the plug-in's
// masks and the manager's filters alone decide; a level that a log4cxx configuration gave it is
// kept, so configured levels keep working next to the manager.
log4cxx::LoggerPtr LoggerFor(const MLogPlugInID& id) {
  log4cxx::LoggerPtr logger = log4cxx::Logger::getLogger(zb::platform::WideToUtf8(id.Get()));
  if (logger && !logger->getLevel()) logger->setLevel(log4cxx::Level::getAll());
  return logger;
}

}  // namespace

MLogPlugIn::MLogPlugIn(MLogPlugInID id, const wchar_t* description)
    : m_logger(LoggerFor(id)), m_id(std::move(id)), m_description(description ? description : L"") {
  if (MLogManager* manager = MLogManager::GetManager()) manager->Plug(this);
  SetLevel(kLogChannelFile, m_file_level);
  SetLevel(kLogChannelWindow, m_wnd_level);
  SetLevel(kLogChannelStd, m_std_level);
}

MLogPlugIn::MLogPlugIn(MLogPlugInID id, const wchar_t* description, MLogManager* manager)
    : m_logger(LoggerFor(id)), m_id(std::move(id)), m_description(description ? description : L"") {
  if (manager != nullptr) {
    m_application = true;
    manager->Plug(this);
  }
  SetLevel(kLogChannelFile, m_file_level);
  SetLevel(kLogChannelWindow, m_wnd_level);
  SetLevel(kLogChannelStd, m_std_level);
}

MLogPlugIn::MLogPlugIn(StandIn, const std::wstring& id, const wchar_t* description)
    : m_id(id), m_description(description ? description : L"") {}

MLogPlugIn::MLogPlugIn(const MLogPlugIn& other)
    : m_logger(other.m_logger),
      m_id(other.m_id),
      m_description(other.m_description),
      m_application(other.m_application),
      m_file_level(other.m_file_level),
      m_wnd_level(other.m_wnd_level),
      m_std_level(other.m_std_level) {
  if (other.m_manager != nullptr) other.m_manager->ListCopy(this);
}

MLogPlugIn& MLogPlugIn::operator=(const MLogPlugIn& other) {
  if (this == &other) return *this;
  if (m_manager != nullptr) m_manager->Unplug(this);
  m_logger = other.m_logger;
  m_id = other.m_id;
  m_description = other.m_description;
  m_application = other.m_application;
  m_file_level = other.m_file_level;
  m_wnd_level = other.m_wnd_level;
  m_std_level = other.m_std_level;
  if (other.m_manager != nullptr) other.m_manager->ListCopy(this);
  return *this;
}

MLogPlugIn::~MLogPlugIn() {
  if (m_manager == nullptr) return;
  MLogManager* manager = m_manager;
  manager->Unplug(this);
  if (manager->m_pOwnedApplicationPlugIn == this) manager->m_pOwnedApplicationPlugIn = nullptr;
}

LONG MLogPlugIn::GetLevel(LONG channel) const {
  switch (channel) {
    case kLogChannelWindow: return m_wnd_level;
    case kLogChannelFile: return m_file_level;
    case kLogChannelStd: return m_std_level;
    default: return 0;
  }
}

void MLogPlugIn::SetLevel(LONG channel, LONG mask) {
  if (m_manager == nullptr) return;
  switch (channel) {
    case kLogChannelWindow: m_wnd_level = mask; break;
    case kLogChannelFile: m_file_level = mask; break;
    case kLogChannelStd: m_std_level = mask; break;
    default: return;
  }
  m_manager->SetFilterMin(channel, mask);
}

bool MLogPlugIn::Emit(int level, const wchar_t* text) const {
  if (m_manager == nullptr) return false;
  log4cxx::Logger* logger = LoggerIn(m_logger);
  if (logger == nullptr) return false;
  const log4cxx::LevelPtr& log4cxx_level = li::Log4cxxLevel(level);
  if (!logger->isEnabledFor(log4cxx_level)) return true;
  li::TakeFileChannelError();
  // No exception leaves a logging call: a failing channel (a full disk under the log file, a
  // host's window or configured appender that throws) makes the call return false with the last
  // error set, and the next call tries again.
  try {
    // LogString is UTF-8 in this build; the narrow forcedLog would decode by the C locale instead.
    logger->forcedLogLS(log4cxx_level, zb::platform::WideToUtf8(text != nullptr ? text : L""),
                        LOG4CXX_LOCATION);
  } catch (abi::__forced_unwind&) {
    throw;  // a cancelled thread must finish unwinding
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  } catch (...) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  const DWORD file_error = li::TakeFileChannelError();
  if (file_error != 0) {
    SetLastError(file_error);
    return false;
  }
  return true;
}

bool MLogPlugIn::EmitFormatted(int level, const wchar_t* format, va_list args) const {
  std::wstring text;
  try {
    text = zb::platform::VFormatW(format != nullptr ? format : L"", args);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  return Emit(level, text.c_str());
}

bool MLogPlugIn::_Trace(const wchar_t* text) const { return Emit(li::kTrace, text); }
bool MLogPlugIn::_Info(const wchar_t* text) const { return Emit(li::kInfo, text); }
bool MLogPlugIn::_Warning(const wchar_t* text) const { return Emit(li::kWarning, text); }
bool MLogPlugIn::_Error(const wchar_t* text) const { return Emit(li::kError, text); }

bool MLogPlugIn::_Trace(const wchar_t* format, va_list args) const {
  return EmitFormatted(li::kTrace, format, args);
}
bool MLogPlugIn::_Info(const wchar_t* format, va_list args) const {
  return EmitFormatted(li::kInfo, format, args);
}
bool MLogPlugIn::_Warning(const wchar_t* format, va_list args) const {
  return EmitFormatted(li::kWarning, format, args);
}
bool MLogPlugIn::_Error(const wchar_t* format, va_list args) const {
  return EmitFormatted(li::kError, format, args);
}

bool MLogPlugIn::TraceV(const wchar_t* format, va_list args) const {
  return !CanPutFor(LevelMaskBit(li::kTrace)) || _Trace(format, args);
}
bool MLogPlugIn::InfoV(const wchar_t* format, va_list args) const {
  return !CanPutFor(LevelMaskBit(li::kInfo)) || _Info(format, args);
}
bool MLogPlugIn::WarningV(const wchar_t* format, va_list args) const {
  return !CanPutFor(LevelMaskBit(li::kWarning)) || _Warning(format, args);
}
bool MLogPlugIn::ErrorV(const wchar_t* format, va_list args) const {
  return !CanPutFor(LevelMaskBit(li::kError)) || _Error(format, args);
}

bool MLogPlugIn::RegSave(HKEY parent) const {
  HKEY key = nullptr;
  wchar_t no_class[] = L"";
  if (RegCreateKeyExW(parent, m_id.c_str(), 0, no_class, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool ok = li::WriteRegString(key, nullptr, m_description) &&
                  li::WriteRegDword(key, L"File", static_cast<DWORD>(m_file_level)) &&
                  li::WriteRegDword(key, L"Wnd", static_cast<DWORD>(m_wnd_level)) &&
                  li::WriteRegDword(key, L"Std", static_cast<DWORD>(m_std_level));
  RegCloseKey(key);
  return ok;
}

bool MLogPlugIn::RegLoad(HKEY parent) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, m_id.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  bool ok = true;
  std::wstring description;
  if (li::ReadRegString(key, nullptr, 4096, &description)) {
    m_description = description;
  } else {
    ok = false;
  }
  struct {
    const wchar_t* name;
    LONG channel;
  } const masks[] = {{L"File", kLogChannelFile}, {L"Wnd", kLogChannelWindow},
                     {L"Std", kLogChannelStd}};
  for (const auto& mask : masks) {
    DWORD value = 0;
    if (li::ReadRegDword(key, mask.name, &value)) {
      SetLevel(mask.channel, static_cast<LONG>(value));
    } else {
      ok = false;
    }
  }
  RegCloseKey(key);
  return ok;
}

#define ZB_PLUGIN_F_FORM(Name)                            \
  bool MLogPlugIn::Name##F(const wchar_t* format, ...) const { \
    va_list args;                                         \
    va_start(args, format);                               \
    const bool result = Name##V(format, args);            \
    va_end(args);                                         \
    return result;                                        \
  }
ZB_PLUGIN_F_FORM(Trace)
ZB_PLUGIN_F_FORM(Info)
ZB_PLUGIN_F_FORM(Warning)
ZB_PLUGIN_F_FORM(Error)
#undef ZB_PLUGIN_F_FORM
