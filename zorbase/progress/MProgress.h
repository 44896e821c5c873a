// Nested progress over a numeric range. A progress begun while others run becomes the innermost
// of the manager's chain (its nesting level); every strictly higher integer percentage goes to the
// host's UI target of its level (MProgressManager) and, where parents ask for it, into the
// parents' display within the share they reserved for the child.
#pragma once

#include <cstddef>
#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>
#include <zorbase/progress/MProgressManager.h>
#include <zorbase/stdbase/LocalLocking.h>

// Thread safety: every public operation holds the progress's own recursive lock (a child's report
// takes its parent's lock inside its own, so locks go from inner to outer progress). Beginning and
// ending progress objects changes the manager's chain, which is to happen on one thread at a time.
//
// Input that has no meaning is given one: a range end that is NaN or infinite makes the range
// empty (width 1) at the other end, or at 0; NaN or infinite positions and amounts are ignored;
// reported percentages never exceed 100; Begin on a begun progress restarts it in place.
class ZORBASE_API MProgress : private StdBase::LocalLocking {
 public:
  // Sets the range and, when `begin` is true, begins at once.
  MProgress(double start = 0.0, double end = 100.0, bool begin = true);
  // Ends the progress if it is begun. Errors of the UI targets are not let out of the destructor.
  virtual ~MProgress();
  MProgress(const MProgress&) = delete;
  MProgress& operator=(const MProgress&) = delete;

  // Sets the range and begins (position 0). The highest percentage reported so far is kept, so a
  // progress begun again reports only higher percentages.
  void Begin(double start, double end);
  // Leaves the manager's chain; nothing happens when the progress is not begun.
  void End();

  // Moves to `position` (measured from the start of the range) and reports
  // trunc(position * 100 / width + 0.5) when that is higher than before.
  void SetCurrentPosition(double position);
  void Count(double position);
  // Calls the sink, moves by the next increment (or `amount`), reports when the position is past
  // the start, and makes the next increment 1.0 again.
  void Increment();
  void Increment(double amount);
  // The amount of the next Increment(); also the share of this progress that a child covers.
  void SetNextIncrement(double increment);
  void SetChildWeight(double weight);
  // Makes the next increment reach `position`.
  void SetNextPosition(double position);
  // When set, children's percentages are folded into this progress's display.
  void SetAdjustByLowerLevels(bool adjust);

  // Stores the caption (null stores an empty one), calls the sink without holding the lock, and
  // sends the caption to the level's UI target under the lock. Returns true.
  bool SetText(const wchar_t* text);
  // The caption from the host's resource-string wrapper (empty without one).
  bool SetText(unsigned int resourceId);
  // The caption; valid until it changes or the progress goes.
  const std::wstring& GetText() const;

  // Forwarders to MProgressManager.
  static void IncrementLast(double amount);
  static void ResetUITargets();
  static void AttachUITarget(LONG unused, HWND window);
  static void SetAbortFlag(bool abort);
  static bool GetAbortFlag();
  static void ResetAbortFlag();
  static void EnableAbortButton(bool enable);
  static void SetProcessOnlyCurrentThreadWindows(bool onlyCurrentThread);
  static MProgressManager::vector_facade GetProgressPointers();

 protected:
  // Orders the ends (equal ends give width 1) and, when begun, recomputes the scaler.
  void _SetRange(double start, double end);
  void _SetScaler();
  void _Begin();
  void _End();
  // Reports `percent` when it is above the highest so far, then calls _OnActualUpdate.
  void _SendMessageUpdate(LONG percent);
  // Called after each reported percentage, inside the lock. Does nothing here.
  virtual void _OnActualUpdate(LONG percent);

 private:
  friend class MProgressManager;

  void _ReportPosition();
  // The parent side of the folding: shows a child's `percent` inside this progress's next
  // increment, when the adjust flag is set.
  void _FoldChildPercent(LONG percent);

  bool m_begun = false;
  bool m_adjust_by_lower_levels = false;
  std::size_t m_level = static_cast<std::size_t>(-1);
  double m_range_start = 0.0;
  double m_range_end = 0.0;
  double m_range_width = 1.0;
  double m_scaler = -1.0;
  double m_position = 0.0;
  double m_next_increment = 1.0;
  LONG m_last_percent = -1;
  std::wstring m_text;
};
