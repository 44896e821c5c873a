#include <zorbase/progress/TerminalProgress.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <mutex>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/console.h>
#include <zorbase/progress/MProgressManager.h>

namespace zb {
namespace {

constexpr wchar_t kClassName[] = L"ZorBaseTerminalProgress";
constexpr int kMaxBarWidth = 30;

void RegisterTargetClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &TerminalProgress::Proc;
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
  });
}

// Code points of UTF-8 text (each takes one column on a terminal, near enough for captions).
std::size_t Columns(const std::string& utf8) {
  std::size_t count = 0;
  for (unsigned char c : utf8) count += (c & 0xC0) != 0x80;
  return count;
}

// The first `columns` code points of UTF-8 text.
std::string CutToColumns(const std::string& utf8, std::size_t columns) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && count++ == columns) return utf8.substr(0, i);
  }
  return utf8;
}

}  // namespace

TerminalProgress::TerminalProgress() : TerminalProgress(Options()) {}

TerminalProgress::TerminalProgress(Options options) : m_options(std::move(options)) {
  m_terminal = m_options.mode == Mode::kTerminal ||
               (m_options.mode == Mode::kAuto && zb::platform::StandardErrorIsTerminal());
  if (m_options.columns <= 0) {
    const int columns = m_terminal ? zb::platform::StandardErrorColumns() : 0;
    m_options.columns = columns > 0 ? columns : 80;
  }
  m_levels.resize(m_options.levels);
  RegisterTargetClass();
  m_target = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  MProgressManager::StoreUITargets();
  if (m_target == nullptr) return;
  SetWindowLongPtrW(m_target, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  MProgressManager::ResetUITargets();
  for (std::size_t i = 0; i < m_options.levels; ++i) MProgressManager::AttachUITarget(m_target);
}

TerminalProgress::~TerminalProgress() {
  Clear();
  MProgressManager::RestoreUITargets();
  if (m_target != nullptr) DestroyWindow(m_target);
}

LRESULT TerminalProgress::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TerminalProgress*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || message < PROGRESS_MSG_BEGIN || message > PROGRESS_MSG_ABORT_BUTTON) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  self->OnMessage(message, static_cast<std::size_t>(wParam), lParam);
  return 0;
}

void TerminalProgress::OnMessage(UINT message, std::size_t level, LPARAM value) {
  if (level >= m_levels.size()) return;
  Level& entry = m_levels[level];
  const auto now = std::chrono::steady_clock::now();
  switch (message) {
    case PROGRESS_MSG_TEXT:
      entry.text = value != 0 ? reinterpret_cast<const wchar_t*>(value) : L"";
      if (entry.active) Draw(false);
      return;
    case PROGRESS_MSG_BEGIN:
      if (level == 0 || !std::any_of(m_levels.begin(), m_levels.end(),
                                     [](const Level& l) { return l.active; })) {
        m_began = now;
      }
      entry.active = true;
      entry.announced = false;
      entry.percent = 0;
      entry.plain_quarter = 0;
      for (std::size_t i = level + 1; i < m_levels.size(); ++i) m_levels[i].active = false;
      if (!m_terminal && now - m_began >= m_options.delay) Announce();
      Draw(true);
      return;
    case PROGRESS_MSG_UPDATE:
      entry.percent = static_cast<LONG>(std::max<LPARAM>(0, std::min<LPARAM>(100, value)));
      if (!m_terminal && entry.active && entry.percent / 25 > entry.plain_quarter) {
        entry.plain_quarter = entry.percent / 25;
        if (now - m_began >= m_options.delay) {
          Announce();
          PlainLine(level, entry.text, entry.plain_quarter * 25);
        }
      }
      Draw(false);
      return;
    case PROGRESS_MSG_END:
      for (std::size_t i = level; i < m_levels.size(); ++i) m_levels[i].active = false;
      Draw(true);
      return;
    default:  // PROGRESS_MSG_ABORT_BUTTON: a terminal has no abort button
      return;
  }
}

std::string TerminalProgress::Line(const Level& level, std::size_t depth) const {
  // indent, caption, " [", bar, "]", " NNN%": one column short of the width, so that no terminal
  // wraps the line; bars have one width on every level and end in one column.
  const std::size_t columns = static_cast<std::size_t>(m_options.columns);
  const std::size_t bar = columns > 20 ? std::min<std::size_t>(kMaxBarWidth, (columns - 10) / 2) : 0;
  const std::size_t fixed = bar + 8;
  const std::size_t indent = std::min<std::size_t>(2 * depth, columns > fixed + 1 ? (columns - fixed - 1) / 2 : 0);
  const std::size_t room = columns > fixed + indent + 1 ? columns - fixed - indent - 1 : 0;
  std::string caption = CutToColumns(zb::platform::WideToUtf8(level.text), room);
  std::string line(indent, ' ');
  line += caption;
  line.append(room - std::min(room, Columns(caption)), ' ');
  const std::size_t filled = bar * static_cast<std::size_t>(level.percent) / 100;
  line += " [";
  line.append(filled, '#');
  line.append(bar - filled, '.');
  char tail[16];
  std::snprintf(tail, sizeof tail, "] %3ld%%", static_cast<long>(level.percent));
  return line + tail;
}

void TerminalProgress::Draw(bool force) {
  if (!m_terminal) return;
  const auto now = std::chrono::steady_clock::now();
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < m_levels.size(); ++i) {
    if (m_levels[i].active) lines.push_back(Line(m_levels[i], i));
  }
  if (lines == m_drawn) return;
  if (!lines.empty()) {
    if (now - m_began < m_options.delay) return;  // a quick operation leaves no trace
    if (!force && !m_drawn.empty() && now - m_last_draw < m_options.interval) return;
  }
  std::string bytes;
  if (!m_drawn.empty()) bytes += "\033[" + std::to_string(m_drawn.size()) + "A";
  bytes += "\r";
  for (const std::string& line : lines) bytes += "\033[K" + line + "\n";
  bytes += "\033[J";
  Write(bytes);
  m_drawn = std::move(lines);
  m_last_draw = now;
}

void TerminalProgress::Clear() {
  if (!m_terminal || m_drawn.empty()) return;
  Write("\033[" + std::to_string(m_drawn.size()) + "A\r\033[J");
  m_drawn.clear();
}

void TerminalProgress::Announce() {
  for (std::size_t i = 0; i < m_levels.size() && m_levels[i].active; ++i) {
    if (m_levels[i].announced) continue;
    m_levels[i].announced = true;
    PlainLine(i, m_levels[i].text, -1);
  }
}

void TerminalProgress::PlainLine(std::size_t depth, const std::wstring& text, LONG percent) {
  std::string line(2 * depth, ' ');
  line += zb::platform::WideToUtf8(text);
  if (percent >= 0) line += ": " + std::to_string(percent) + "%";
  Write(line + "\n");
}

void TerminalProgress::Write(const std::string& bytes) {
  if (m_options.output) {
    m_options.output(bytes);
  } else {
    zb::platform::WriteStandardError(bytes.data(), bytes.size());
  }
}

}  // namespace zb
