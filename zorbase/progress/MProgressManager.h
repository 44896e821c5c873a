// The process-wide manager of running progress objects: the chain of begun MProgress objects
// (outermost first), the host's UI targets (one window per nesting level), the abort flag, the
// host's sink and a stack of progress pointers that hosts keep for themselves.
#pragma once

#include <atomic>
#include <cstddef>
#include <list>
#include <vector>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>
#include <zorbase/platform/window_messages.h>
#include <zorbase/stdbase/LocalLocking.h>

class MProgress;
class IProgressSink;

// Messages to the UI targets. wParam is the nesting level (0 for the abort button).
constexpr UINT PROGRESS_MSG_BEGIN = WM_USER + 1000;   // lParam 0
constexpr UINT PROGRESS_MSG_UPDATE = WM_USER + 1001;  // lParam: the new percentage
constexpr UINT PROGRESS_MSG_END = WM_USER + 1002;     // lParam 0
// lParam: the progress's caption, a zero-terminated wide string owned by the progress. A receiver
// on another thread (posted message) must read it while the progress exists and keeps its text.
constexpr UINT PROGRESS_MSG_TEXT = WM_USER + 1003;
constexpr UINT PROGRESS_MSG_ABORT_BUTTON = WM_USER + 1004;  // lParam 1 enable, 0 disable

// A message for level i goes to UI target i, when there is one. A target that belongs to the
// calling thread gets it synchronously (SendMessageW); a target of another thread gets it posted,
// unless "process only current thread windows" is on (the default), in which case it is dropped.
//
// Thread safety: the manager takes no lock (GlobalLocking only marks that). Beginning and ending
// progress objects, attaching targets, and setting the sink happen on one thread at a time; the
// abort flag may be set and read from any thread.
class ZORBASE_API MProgressManager : private StdBase::GlobalLocking<MProgressManager> {
 public:
  // A view of the host's stack of progress pointers; the manager never reads that stack.
  class ZORBASE_API vector_facade {
   public:
    explicit vector_facade(MProgressManager* manager) : m_manager(manager) {}
    void push_back(MProgress* progress);
    // Does nothing on an empty stack.
    void pop_back();
    // Null on an empty stack.
    MProgress* back();
    std::size_t size();

   private:
    MProgressManager* m_manager;
  };

  MProgressManager() = default;
  MProgressManager(const MProgressManager&) = default;
  MProgressManager& operator=(const MProgressManager&) = default;

  // Appends to the chain and returns the new level; sends PROGRESS_MSG_TEXT and PROGRESS_MSG_BEGIN.
  // Throws std::length_error("list<T> too long") past the list's maximum size.
  static std::size_t Begin(MProgress* progress);
  // Sends PROGRESS_MSG_END (and the parent's text again) and removes the progress from the chain.
  // Returns SIZE_MAX; does nothing for a progress that is not in the chain.
  static std::size_t End(MProgress* progress);
  static void SendMessageUpdate(LONG percent, MProgress* progress);
  static void SetText(MProgress* progress);

  static void AttachUITarget(HWND window);
  static void ResetUITargets();
  // Pushes a copy of the targets; RestoreUITargets pops it back (nothing when none is stored).
  static void StoreUITargets();
  static void RestoreUITargets();

  static void SetAbortFlag(bool abort);
  static bool GetAbortFlag();
  static void ResetAbortFlag();
  // Sends PROGRESS_MSG_ABORT_BUTTON to target 0.
  static void EnableAbortButton(bool enable);
  static void SetProcessOnlyCurrentThreadWindows(bool onlyCurrentThread);

  // The sink is not owned; null removes it.
  static void SetSink(IProgressSink* sink);
  static void NotifySink();

  // Increment(amount) on the innermost progress of the chain, if any.
  static void IncrementLast(double amount);

  static vector_facade GetProgressPointers();
  static void push_back(MProgress* progress);
  static void pop_back();
  static MProgress* back();

 private:
  friend class MProgress;
  static MProgressManager& Instance();

  std::size_t _Begin(MProgress* progress);
  std::size_t _End(MProgress* progress);
  void _SendMessageUpdate(LONG percent, MProgress* progress);
  void _SetText(MProgress* progress);
  void _SendText(MProgress* progress);
  void _MProgressSendMessage(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam);
  void _SendToLevel(std::size_t level, unsigned int message, WPARAM wParam, LPARAM lParam);
  void _AttachUITarget(HWND window);
  void _ResetUITargets();
  void _StoreUITargets();
  void _RestoreUITargets();
  void _SetAbortFlag(bool abort);
  bool _GetAbortFlag();
  void _ResetAbortFlag();
  void _EnableAbortButton(bool enable);
  void _SetProcessOnlyCurrentThreadWindows(bool onlyCurrentThread);
  void _SetSink(IProgressSink* sink);
  void _NotifySink();
  void _IncrementLast(double amount);
  vector_facade _GetProgressPointers();
  void _push_back(MProgress* progress);
  void _pop_back();
  MProgress* _back();
  std::size_t _size();

  struct AbortFlag {
    std::atomic<bool> value{false};
    AbortFlag() = default;
    AbortFlag(const AbortFlag& other) : value(other.value.load()) {}
    AbortFlag& operator=(const AbortFlag& other) {
      value = other.value.load();
      return *this;
    }
  };

  AbortFlag m_abort;
  std::list<MProgress*> m_chain;
  std::vector<HWND> m_ui_targets;
  std::vector<std::vector<HWND>> m_stored_ui_targets;
  IProgressSink* m_sink = nullptr;
  std::vector<MProgress*> m_progress_pointers;
  bool m_process_only_current_thread_windows = true;
};
