#include <zorbase/progress/MProgressManager.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include <zorbase/platform/thread_id.h>
#include <zorbase/progress/IProgressSink.h>
#include <zorbase/progress/MProgress.h>

// ---- the host's stack of progress pointers ----

void MProgressManager::vector_facade::push_back(MProgress* progress) { m_manager->_push_back(progress); }
void MProgressManager::vector_facade::pop_back() { m_manager->_pop_back(); }
MProgress* MProgressManager::vector_facade::back() { return m_manager->_back(); }
std::size_t MProgressManager::vector_facade::size() { return m_manager->_size(); }

// ---- static forwarders ----

MProgressManager& MProgressManager::Instance() {
  // Never destroyed: progress objects that are themselves static may end after the library's
  // other static objects are gone.
  static MProgressManager* instance = new MProgressManager;
  return *instance;
}

std::size_t MProgressManager::Begin(MProgress* progress) { return Instance()._Begin(progress); }
std::size_t MProgressManager::End(MProgress* progress) { return Instance()._End(progress); }
void MProgressManager::SendMessageUpdate(LONG percent, MProgress* progress) {
  Instance()._SendMessageUpdate(percent, progress);
}
void MProgressManager::SetText(MProgress* progress) { Instance()._SetText(progress); }
void MProgressManager::AttachUITarget(HWND window) { Instance()._AttachUITarget(window); }
void MProgressManager::ResetUITargets() { Instance()._ResetUITargets(); }
void MProgressManager::StoreUITargets() { Instance()._StoreUITargets(); }
void MProgressManager::RestoreUITargets() { Instance()._RestoreUITargets(); }
void MProgressManager::SetAbortFlag(bool abort) { Instance()._SetAbortFlag(abort); }
bool MProgressManager::GetAbortFlag() { return Instance()._GetAbortFlag(); }
void MProgressManager::ResetAbortFlag() { Instance()._ResetAbortFlag(); }
void MProgressManager::EnableAbortButton(bool enable) { Instance()._EnableAbortButton(enable); }
void MProgressManager::SetProcessOnlyCurrentThreadWindows(bool onlyCurrentThread) {
  Instance()._SetProcessOnlyCurrentThreadWindows(onlyCurrentThread);
}
void MProgressManager::SetSink(IProgressSink* sink) { Instance()._SetSink(sink); }
void MProgressManager::NotifySink() { Instance()._NotifySink(); }
void MProgressManager::IncrementLast(double amount) { Instance()._IncrementLast(amount); }
MProgressManager::vector_facade MProgressManager::GetProgressPointers() {
  return Instance()._GetProgressPointers();
}
void MProgressManager::push_back(MProgress* progress) { Instance()._push_back(progress); }
void MProgressManager::pop_back() { Instance()._pop_back(); }
MProgress* MProgressManager::back() { return Instance()._back(); }

// ---- the chain ----

std::size_t MProgressManager::_Begin(MProgress* progress) {
  if (m_chain.size() >= m_chain.max_size()) throw std::length_error("list<T> too long");
  m_chain.push_back(progress);
  const std::size_t level = m_chain.size() - 1;
  try {
    _SendToLevel(level, PROGRESS_MSG_TEXT, level, reinterpret_cast<LPARAM>(progress->m_text.c_str()));
    _SendToLevel(level, PROGRESS_MSG_BEGIN, level, 0);
  } catch (...) {
    // The progress does not count as begun, so it must not stay in the chain.
    auto it = std::find(m_chain.begin(), m_chain.end(), progress);
    if (it != m_chain.end()) m_chain.erase(it);
    throw;
  }
  return level;
}

std::size_t MProgressManager::_End(MProgress* progress) {
  auto it = std::find(m_chain.begin(), m_chain.end(), progress);
  if (it == m_chain.end()) return static_cast<std::size_t>(-1);
  MProgress* parent = it == m_chain.begin() ? nullptr : *std::prev(it);
  // The progress leaves the chain even when a UI target throws; it is looked up again because a
  // target may have changed the chain meanwhile.
  struct Leave {
    std::list<MProgress*>& chain;
    MProgress* progress;
    ~Leave() {
      auto found = std::find(chain.begin(), chain.end(), progress);
      if (found != chain.end()) chain.erase(found);
    }
  } leave{m_chain, progress};
  const std::size_t level = progress->m_level;  // the caller holds the progress's lock
  _SendToLevel(level, PROGRESS_MSG_END, level, 0);
  if (parent != nullptr) _SendText(parent);
  return static_cast<std::size_t>(-1);
}

void MProgressManager::_SendMessageUpdate(LONG percent, MProgress* progress) {
  const std::size_t level = progress->m_level;
  _SendToLevel(level, PROGRESS_MSG_UPDATE, level, percent);
  if (m_chain.empty() || m_chain.front() == progress) return;
  auto it = std::find(m_chain.begin(), m_chain.end(), progress);
  if (it == m_chain.end()) return;
  (*std::prev(it))->_FoldChildPercent(percent);
}

void MProgressManager::_SetText(MProgress* progress) {
  _NotifySink();
  _SendText(progress);
}

void MProgressManager::_SendText(MProgress* progress) {
  // Under the progress's lock, so that the text is not replaced by another thread while the
  // message is built and sent.
  StdBase::LocalLocking::Guard guard(*progress);
  const std::size_t level = progress->m_level;
  _SendToLevel(level, PROGRESS_MSG_TEXT, level, reinterpret_cast<LPARAM>(progress->m_text.c_str()));
}

// ---- messages ----

void MProgressManager::_SendToLevel(std::size_t level, unsigned int message, WPARAM wParam,
                                    LPARAM lParam) {
  if (level >= m_ui_targets.size()) return;
  _MProgressSendMessage(m_ui_targets[level], message, wParam, lParam);
}

void MProgressManager::_MProgressSendMessage(HWND window, unsigned int message, WPARAM wParam,
                                             LPARAM lParam) {
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
    SendMessageW(window, message, wParam, lParam);
  } else if (!m_process_only_current_thread_windows) {
    PostMessageW(window, message, wParam, lParam);
  }
}

void MProgressManager::_AttachUITarget(HWND window) { m_ui_targets.push_back(window); }
void MProgressManager::_ResetUITargets() { m_ui_targets.clear(); }
void MProgressManager::_StoreUITargets() { m_stored_ui_targets.push_back(m_ui_targets); }
void MProgressManager::_RestoreUITargets() {
  if (m_stored_ui_targets.empty()) return;
  m_ui_targets = std::move(m_stored_ui_targets.back());
  m_stored_ui_targets.pop_back();
}

void MProgressManager::_EnableAbortButton(bool enable) {
  if (m_ui_targets.empty()) return;
  _MProgressSendMessage(m_ui_targets[0], PROGRESS_MSG_ABORT_BUTTON, 0, enable ? 1 : 0);
}

void MProgressManager::_SetProcessOnlyCurrentThreadWindows(bool onlyCurrentThread) {
  m_process_only_current_thread_windows = onlyCurrentThread;
}

// ---- flags, sink, pointers ----

void MProgressManager::_SetAbortFlag(bool abort) { m_abort.value = abort; }
bool MProgressManager::_GetAbortFlag() { return m_abort.value; }
void MProgressManager::_ResetAbortFlag() { m_abort.value = false; }

void MProgressManager::_SetSink(IProgressSink* sink) { m_sink = sink; }
void MProgressManager::_NotifySink() {
  IProgressSink* sink = m_sink;  // the sink may remove itself while it runs
  if (sink != nullptr) sink->Notify();
}

void MProgressManager::_IncrementLast(double amount) {
  if (!m_chain.empty()) m_chain.back()->Increment(amount);
}

MProgressManager::vector_facade MProgressManager::_GetProgressPointers() { return vector_facade(this); }
void MProgressManager::_push_back(MProgress* progress) { m_progress_pointers.push_back(progress); }
void MProgressManager::_pop_back() {
  if (!m_progress_pointers.empty()) m_progress_pointers.pop_back();
}
MProgress* MProgressManager::_back() {
  return m_progress_pointers.empty() ? nullptr : m_progress_pointers.back();
}
std::size_t MProgressManager::_size() { return m_progress_pointers.size(); }
