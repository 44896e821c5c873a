// A log plug-in: one named source of log messages with its own level masks per channel.
#pragma once

#include <cstdarg>
#include <string>

#include <boost/any.hpp>

#include <zorbase/logging/MLogPlugInID.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class MLogManager;
class LogWindowAppender;

// Level bits of a plug-in's masks. A mask is the sum of the bits of the levels it lets through.
constexpr LONG kLogLevelError = 1;
constexpr LONG kLogLevelWarning = 2;
constexpr LONG kLogLevelInfo = 4;
constexpr LONG kLogLevelTrace = 8;

// Channel numbers of GetLevel/SetLevel.
constexpr LONG kLogChannelWindow = 0;
constexpr LONG kLogChannelFile = 1;
constexpr LONG kLogChannelStd = 2;

// A plug-in owns a log4cxx logger named by its ID (shared with every plug-in of the same ID),
// three level masks (window, file, standard; 7 = Error, Warning and Info at construction) and a
// description. It plugs itself into the current log manager when constructed and unplugs when
// destroyed; a plug-in without a manager ("free") writes nothing.
//
// Threads: the emitting members (Trace ... ErrorF, the Can... queries) may be called from several
// threads at once. SetLevel, RegLoad, assignment and destruction need the plug-in to themselves,
// and SetLevel also sets the manager's shared channel filters, so call it while no thread logs
// through that manager.
class ZORBASE_API MLogPlugIn {
 public:
  // Plugs into the current manager (MLogManager::GetManager()), if there is one.
  MLogPlugIn(MLogPlugInID id, const wchar_t* description);
  // A copy shares the logger and is plugged into the same manager as its source (as an ordinary
  // plug-in, never as the application's), so it stays valid however long it lives.
  MLogPlugIn(const MLogPlugIn& other);
  MLogPlugIn& operator=(const MLogPlugIn& other);
  // Unplugs from its manager, if any.
  virtual ~MLogPlugIn();

  const MLogPlugInID& GetID() const { return m_id; }
  // The description; valid until the next RegLoad or assignment.
  const wchar_t* GetDescription() const { return m_description.c_str(); }

  // The mask of channel 0 (window), 1 (file) or 2 (standard); 0 for any other number.
  LONG GetLevel(LONG channel) const;
  // Stores the mask of a channel and sets the lowest level of the manager's filter of that
  // channel, which all plug-ins of the manager share: 0 OFF, 1 ERROR, 2-3 WARN, 4-7 INFO,
  // 8 and above TRACE (the lowest level the highest bit lets through). Without a manager, or for
  // another channel number, nothing changes.
  void SetLevel(LONG channel, LONG mask);

  // Whether the channel's mask (or, for CanPutFor, any of the three) shares a bit with `bits`.
  bool CanPutFileFor(LONG bits) const { return (m_file_level & bits) != 0; }
  bool CanPutWndFor(LONG bits) const { return (m_wnd_level & bits) != 0; }
  bool CanPutStdFor(LONG bits) const { return (m_std_level & bits) != 0; }
  bool CanPutFor(LONG bits) const { return ((m_file_level | m_wnd_level | m_std_level) & bits) != 0; }

  bool CanTraceFile() const { return CanPutFileFor(kLogLevelTrace); }
  bool CanTraceWnd() const { return CanPutWndFor(kLogLevelTrace); }
  bool CanTraceStd() const { return CanPutStdFor(kLogLevelTrace); }
  bool CanTrace() const { return CanPutFor(kLogLevelTrace); }
  bool CanInfoFile() const { return CanPutFileFor(kLogLevelInfo); }
  bool CanInfoWnd() const { return CanPutWndFor(kLogLevelInfo); }
  bool CanInfoStd() const { return CanPutStdFor(kLogLevelInfo); }
  bool CanInfo() const { return CanPutFor(kLogLevelInfo); }
  bool CanWarningFile() const { return CanPutFileFor(kLogLevelWarning); }
  bool CanWarningWnd() const { return CanPutWndFor(kLogLevelWarning); }
  bool CanWarningStd() const { return CanPutStdFor(kLogLevelWarning); }
  bool CanWarning() const { return CanPutFor(kLogLevelWarning); }
  bool CanErrorFile() const { return CanPutFileFor(kLogLevelError); }
  bool CanErrorWnd() const { return CanPutWndFor(kLogLevelError); }
  bool CanErrorStd() const { return CanPutStdFor(kLogLevelError); }
  bool CanError() const { return CanPutFor(kLogLevelError); }

  // Plain forms: false when no mask has the level's bit (nothing is formatted or written), else
  // the result of the protected _Trace... (false when free, true otherwise).
  // (Inline, so that a level the masks hold back costs only the test of the masks.)
  bool Trace(const wchar_t* text) const { return CanPutFor(kLogLevelTrace) && _Trace(text); }
  bool Info(const wchar_t* text) const { return CanPutFor(kLogLevelInfo) && _Info(text); }
  bool Warning(const wchar_t* text) const {
    return CanPutFor(kLogLevelWarning) && _Warning(text);
  }
  bool Error(const wchar_t* text) const { return CanPutFor(kLogLevelError) && _Error(text); }

  // printf-style forms (Windows runtime rules: %s takes a wide string). True when no mask has the
  // level's bit; otherwise the result of the protected _Trace... (false when free).
  bool TraceV(const wchar_t* format, va_list args) const;
  bool InfoV(const wchar_t* format, va_list args) const;
  bool WarningV(const wchar_t* format, va_list args) const;
  bool ErrorV(const wchar_t* format, va_list args) const;
  bool TraceF(const wchar_t* format, ...) const;
  bool InfoF(const wchar_t* format, ...) const;
  bool WarningF(const wchar_t* format, ...) const;
  bool ErrorF(const wchar_t* format, ...) const;

  // Saves the settings in the subkey named by the ID below `parent` (created if missing): the
  // description as the default value, the masks as the numbers "File", "Wnd" and "Std". False at
  // the first failure.
  bool RegSave(HKEY parent) const;
  // Loads them back: the description from the default value (at most 4096 bytes), and each mask
  // that is there through SetLevel. True only if the subkey and all four values were read; what
  // was read is applied either way. A missing subkey changes nothing.
  bool RegLoad(HKEY parent);

 protected:
  // With a manager: marks this plug-in as an application plug-in and plugs into `manager`.
  // With null: plugs in nowhere.
  MLogPlugIn(MLogPlugInID id, const wchar_t* description, MLogManager* manager);

  // Whether the plug-in has a manager.
  bool _CheckManager() const { return m_manager != nullptr; }

  // Emit without looking at the masks: false when free; true without writing when the logger
  // holds the level back; otherwise the event goes to log4cxx and the result is true. The
  // format forms always format first.
  bool _Trace(const wchar_t* text) const;
  bool _Trace(const wchar_t* format, va_list args) const;
  bool _Info(const wchar_t* text) const;
  bool _Info(const wchar_t* format, va_list args) const;
  bool _Warning(const wchar_t* text) const;
  bool _Warning(const wchar_t* format, va_list args) const;
  bool _Error(const wchar_t* text) const;
  bool _Error(const wchar_t* format, va_list args) const;

 private:
  friend class MLogManager;
  friend class LogWindowAppender;
  friend class MProgressTimer;
  struct StandIn {};
  // A plug-in that only carries an ID and a description (the window appender's stand-in for the
  // emitting logger): no logger lookup, no manager, no change to log4cxx.
  MLogPlugIn(StandIn, const std::wstring& id, const wchar_t* description);

  bool Emit(int level, const wchar_t* text) const;
  bool EmitFormatted(int level, const wchar_t* format, va_list args) const;

  boost::any m_logger;  // log4cxx::LoggerPtr
  MLogPlugInID m_id;
  std::wstring m_description;
  bool m_application = false;
  MLogManager* m_manager = nullptr;
  LONG m_file_level = 7;
  LONG m_wnd_level = 7;
  LONG m_std_level = 7;
};
