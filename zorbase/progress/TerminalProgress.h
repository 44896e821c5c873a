// A ready-made UI target for MProgress that draws the running progress levels on a terminal: one
// line per level with its caption, a bar and the percentage. When standard error is not a
// terminal it writes plain lines instead (a line when a level begins, and one each time a level
// passes a quarter), indented by level.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>
#include <zorbase/platform/window_messages.h>

namespace zb {

// While it lives, the object is the UI target of every nesting level up to `levels`: the manager's
// previous targets are stored on construction and restored on destruction. It creates its message
// target on the constructing thread, so progress driven on that thread draws at once; progress on
// other threads reaches it only when the manager posts to other threads and this thread pumps.
// Output is limited: nothing is written before `delay` has passed since the outermost progress
// began (quick operations leave no trace, in either mode), and on a terminal percentages are redrawn at most once per
// `interval`, only when a line changed. Use the object on its creating thread only.
class ZORBASE_API TerminalProgress {
 public:
  enum class Mode { kAuto, kTerminal, kPlain };
  struct Options {
    Mode mode = Mode::kAuto;  // kAuto: terminal drawing when standard error is a terminal
    std::size_t levels = 8;
    std::chrono::milliseconds delay{200};
    std::chrono::milliseconds interval{100};
    int columns = 0;  // 0: the terminal's width (80 when unknown)
    // Where the bytes go; standard error when empty.
    std::function<void(const std::string&)> output;
  };

  TerminalProgress();
  explicit TerminalProgress(Options options);
  // Erases the drawn lines and restores the previous UI targets.
  ~TerminalProgress();
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  // The message target (null when it could not be created; then nothing is drawn).
  HWND Target() const { return m_target; }
  // Erases the drawn lines so that other text can be written; the next change draws them again.
  void Clear();

  // The target's window procedure; public only so that the registration can name it.
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  struct Level {
    bool active = false;
    std::wstring text;
    LONG percent = 0;
    LONG plain_quarter = 0;
    bool announced = false;  // plain mode: its begin line is written
  };

  void OnMessage(UINT message, std::size_t level, LPARAM value);
  void Draw(bool force);
  std::string Line(const Level& level, std::size_t depth) const;
  void Write(const std::string& bytes);
  // Plain mode: the begin lines of running levels not yet written.
  void Announce();
  void PlainLine(std::size_t depth, const std::wstring& text, LONG percent);

  Options m_options;
  bool m_terminal = false;
  HWND m_target = nullptr;
  std::vector<Level> m_levels;
  std::vector<std::string> m_drawn;
  std::chrono::steady_clock::time_point m_began;
  std::chrono::steady_clock::time_point m_last_draw;
};

}  // namespace zb
