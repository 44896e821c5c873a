// The host application's log window, as the log manager and the log window appender see it.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class MLogPlugIn;

// Implemented by the host. The manager does not own the window; it must stay alive while it is
// open in a manager (MLogManager::OpenLogWnd until CloseLogWnd or the manager's destruction).
// Put is called from whichever thread logs, under the window appender's lock.
class ILogWnd {
 public:
  // The window's show flags; only the low four bits (time stamp 0x1, plug-in ID 0x2, level 0x4,
  // and a fourth bit 0x8 the window keeps for itself) are used by the manager.
  virtual LONG GetShow() = 0;
  // Receives the manager's show flags (all bits; the window looks at the low four).
  virtual void SetShow(LONG flags) = 0;
  // One message: `plugIn` names the source by its ID (a stand-in valid only during the call),
  // `level` one level bit (Error 1, Warning 2, Info 4, Trace 8) or 0, `text` the bare message.
  virtual void Put(const MLogPlugIn* plugIn, LONG level, const wchar_t* text) = 0;
  // Two operations the library never calls; a window may leave them as they are.
  virtual void Reserved3() {}
  virtual void Reserved4() {}
  // Empties the window.
  virtual void Clear() = 0;

 protected:
  virtual ~ILogWnd() = default;
};
