// The log manager: three channels (log file, the host's log window, debugger output) over log4cxx,
// connected to every log plug-in, with show flags and settings kept in the registry.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

#include <boost/any.hpp>

#include <zorbase/files/MFileName.h>
#include <zorbase/logging/ILogWnd.h>
#include <zorbase/logging/MLogManagerBase.h>
#include <zorbase/logging/MLogPlugIn.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// Show flags: the fields put in front of each message, per channel.
constexpr LONG kLogShowWndTimeStamp = 0x001;
constexpr LONG kLogShowWndPlugInID = 0x002;
constexpr LONG kLogShowWndLevel = 0x004;
constexpr LONG kLogShowWndExtra = 0x008;
constexpr LONG kLogShowFileTimeStamp = 0x010;
constexpr LONG kLogShowFilePlugInID = 0x020;
constexpr LONG kLogShowFileLevel = 0x040;
constexpr LONG kLogShowStdTimeStamp = 0x100;
constexpr LONG kLogShowStdPlugInID = 0x200;
constexpr LONG kLogShowStdLevel = 0x400;

// A log manager. Constructing one makes it the current manager (the top of the stack) and creates
// its application plug-in "Log"; destroying it makes the previous one current again. Managers are
// destroyed in the reverse order of their construction.
//
// Channels: the file channel starts closed, the window channel starts closed (no window), the
// standard channel (debugger output, see <zorbase/platform/debug_output.h>) starts open. The
// appenders are named "MLogManager_FILE_APPENDER", "MLogManager_WND_APPENDER" and
// "MLogManager_STD_APPENDER"; each has a level-range filter whose highest level the manager moves
// between OFF (open) and ALL (closed) and whose lowest level the plug-ins set.
//
// Threads: log calls may come from any thread. Construction, destruction, plugging, opening and
// closing channels, the show flags (which rebuild layouts) and the registry operations are for one
// thread at a time, while no other thread logs through this manager.
class ZORBASE_API MLogManager : public MLogManagerBase {
 public:
  MLogManager();
  virtual ~MLogManager();
  // A manager owns log4cxx objects and plug-ins; copies would share and delete them twice.
  MLogManager(const MLogManager&) = delete;
  MLogManager& operator=(const MLogManager&) = delete;

  // The current manager if it is an MLogManager, else null.
  static MLogManager* GetManager();
  // The application plug-in of GetManager(). With no manager (or one whose application plug-in
  // was unplugged): a process-wide dummy plug-in "Log" ("Dummy plugin") that belongs to no
  // manager and writes nothing.
  static MLogPlugIn& GetPlugIn();

  virtual void PickOptions();
  // Writes one message of each level, Trace to Error, through the application plug-in.
  virtual void PutTestLog();

  // Opens (or reopens) the log file `name`, appending or starting afresh. Returns false, with the
  // file channel closed, when the file cannot be opened.
  virtual bool OpenLogFile(const MFileName& name, bool append);
  // Opens the window channel on `window` (closing a previous window first). The window must
  // outlive its time in the manager.
  virtual bool OpenLogWnd(ILogWnd* window);
  virtual bool OpenLogStd();
  virtual void CloseLogFile();
  virtual void CloseLogWnd();
  virtual void CloseLogStd();
  bool IsLogFile() const { return m_file_open; }
  bool IsLogWnd() const { return m_pLogWnd != nullptr; }
  bool IsLogStd() const { return m_std_open; }
  // Calls Clear() on the window, if one is open.
  void ClearLogWnd();

  // Connects a plug-in: sets its manager, lists it, makes it the application plug-in if it was
  // constructed as one, and attaches this manager's appenders to its logger (taking the logger
  // over from an older manager that had attached its own).
  virtual void Plug(MLogPlugIn* plugIn);
  // Disconnects a plug-in. When no other plug-in of the same ID stays with this manager, this
  // manager's appenders leave the logger (other appenders, such as a configuration's, stay), and
  // the logger goes back to the next older manager that has a plug-in of that ID.
  virtual void Unplug(MLogPlugIn* plugIn);

  // Log through `plugIn` (null: GetPlugIn()). False without writing when none of the plug-in's
  // masks has the level's bit; otherwise the plug-in's result.
  virtual bool Trace(const MLogPlugIn* plugIn, const wchar_t* text);
  virtual bool Info(const MLogPlugIn* plugIn, const wchar_t* text);
  virtual bool Warning(const MLogPlugIn* plugIn, const wchar_t* text);
  virtual bool Error(const MLogPlugIn* plugIn, const wchar_t* text);
  // Format (Windows runtime rules, always, even when the level is off), then call the plain
  // virtual form above and return its result.
  bool TraceV(const MLogPlugIn* plugIn, const wchar_t* format, va_list args);
  bool InfoV(const MLogPlugIn* plugIn, const wchar_t* format, va_list args);
  bool WarningV(const MLogPlugIn* plugIn, const wchar_t* format, va_list args);
  bool ErrorV(const MLogPlugIn* plugIn, const wchar_t* format, va_list args);
  bool TraceF(const MLogPlugIn* plugIn, const wchar_t* format, ...);
  bool InfoF(const MLogPlugIn* plugIn, const wchar_t* format, ...);
  bool WarningF(const MLogPlugIn* plugIn, const wchar_t* format, ...);
  bool ErrorF(const MLogPlugIn* plugIn, const wchar_t* format, ...);

  // Show-flag bits one by one. The standard and file setters update their channel's layout; the
  // window setters hand the flags to the open window.
  void SetPutTimeStampLogWindow(bool on);
  void SetPutPluginIDLogWindow(bool on);
  void SetPutLevelLogWindow(bool on);
  void SetPutTimeStampLogFile(bool on);
  void SetPutPluginIDLogFile(bool on);
  void SetPutLevelLogFile(bool on);
  void SetPutTimeStampSTD(bool on);
  void SetPutPluginIDSTD(bool on);
  void SetPutLevelSTD(bool on);
  bool GetPutTimeStampLogWindow() const;
  bool GetPutPluginIDLogWindow() const;
  bool GetPutLevelLogWindow() const;
  bool GetPutTimeStampLogFile() const { return (m_show & kLogShowFileTimeStamp) != 0; }
  bool GetPutPluginIDLogFile() const { return (m_show & kLogShowFilePlugInID) != 0; }
  bool GetPutLevelLogFile() const { return (m_show & kLogShowFileLevel) != 0; }
  bool GetPutTimeStampSTD() const { return (m_show & kLogShowStdTimeStamp) != 0; }
  bool GetPutPluginIDSTD() const { return (m_show & kLogShowStdPlugInID) != 0; }
  bool GetPutLevelSTD() const { return (m_show & kLogShowStdLevel) != 0; }

  // Saves the settings as values of `key` (an open key; null: nothing is done): "Log File Name"
  // (the log file's path while it is open, else ""), "Log Debug Wnd" ("1" or "0" for the standard
  // channel), "Log Show" (the show flags), then every plug-in, plugged and discovered, in its
  // subkey. Always true; failed writes are not reported.
  bool RegSave(HKEY key);
  // Loads them back: a "Log File Name" of at least 4 bytes opens that file afresh, a shorter one
  // closes the log file; "Log Debug Wnd" starting with '1' opens the standard channel, otherwise
  // closes it; "Log Show" is applied as by SetShow; then every plug-in loads its subkey. A missing
  // or unreadable value changes nothing. Always true.
  bool RegLoad(HKEY key);

  // Stores the flags, hands them to the window, updates the standard and file layouts.
  void SetShow(LONG flags);
  // The flags, with the low four bits taken from the window while one is open.
  LONG GetShow();

 protected:
  // "%d{HH:mm:ss}|" if timeStamp, "%c|" if plugInID, "%p|" if level, then always "%m%n".
  virtual std::wstring _GetLayoutString(bool timeStamp, bool plugInID, bool level);
  void _UpdateFileLayout();
  void _UpdateWndLayout();
  void _UpdateStdLayout();

  // Lists every log4cxx logger that no plug-in of this manager names as a discovered plug-in
  // (empty description) and attaches this manager's appenders to it where no other manager's are.
  void _UpdateLog4CXXPlugins();
  // The number of plugged plus discovered plug-ins (refreshing the discovered ones first).
  size_t _GetPlugInCount();
  // The i-th plugged plug-in, then the discovered ones; throws boost::bad_index past the end.
  MLogPlugIn* _GetPlugIn(unsigned long index);

 private:
  friend class MLogPlugIn;
  bool Emit(const MLogPlugIn* plugIn, int level, const wchar_t* text);
  void SetShowBit(LONG bit, bool on);
  void MergeWindowShow();
  LONG MergedShow() const;
  void SetFilterMax(int channel, bool open);
  void SetFilterMin(int channel, LONG mask);
  // Attaches this manager's appenders to the logger of `plugIn`; `take_over` replaces another
  // manager's appenders of the same names.
  void Attach(const MLogPlugIn* plugIn, bool take_over);
  // Removes this manager's appenders from the logger of `plugIn` unless another plug-in of this
  // manager has the same ID, and hands the logger to the next older manager with that ID.
  void DetachIfLast(const MLogPlugIn* plugIn);
  bool HasPlugIn(const MLogPlugInID& id) const;
  void ListCopy(MLogPlugIn* copy);

  std::vector<MLogPlugIn*> m_plugins;
  MLogPlugIn* m_pApplicationPlugIn = nullptr;
  MLogPlugIn* m_pOwnedApplicationPlugIn = nullptr;
  boost::any m_file_appender;
  boost::any m_wnd_appender;
  boost::any m_std_appender;
  boost::any m_file_layout;
  boost::any m_wnd_layout;
  boost::any m_std_layout;
  boost::any m_file_filter;
  boost::any m_wnd_filter;
  boost::any m_std_filter;
  boost::any m_discovered;  // boost::ptr_vector<MLogPlugIn>*, owned
  MFileName m_log_file_name;
  ILogWnd* m_pLogWnd = nullptr;
  bool m_file_open = false;
  bool m_std_open = true;
  LONG m_show = 0xFFF;
};
