// Test support: compiled help files made at test time with a real help compiler (chmcmd of the
// Free Pascal utilities), and a stand-in for xdg-open that records what it was asked to open.
// Used only by tests.
#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <zorbase/platform/child_process.h>
#include <zorbase/platform/internal/fake_programs.h>
#include <zorbase/platform/internal/scratch_dir.h>

namespace zb {
namespace test {

// Bytes of a picture that the pages link to: binary, with NULs.
inline std::string PictureBytes() { return std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff", 17); }

// The text pop-up file of the fixtures.
inline std::string PopupText() {
  return "; pop-ups of the dialog controls\r\n.topic 1001\r\nThe OK button.\r\n"
         ".topic 0x3EA\r\nCancel\r\nline two\r\n\r\n.topic IDH_NAMED\r\nskipped\r\n";
}

// The tips text stream of GettingStarted.chm.
inline std::string TipsText() { return "Tip one: press F1.\nTip two: \xc3\xa9t\xc3\xa9.\n"; }

// Compiles `name`.chm in `dir` from pages (name, content), a [MAP] of "#define" lines and an
// [ALIAS] section; returns whether the compiler made the file.
inline bool CompileHelp(const ScratchDir& dir, const std::string& name,
                        const std::vector<std::pair<std::string, std::string>>& files,
                        const std::string& alias, const std::string& map,
                        const std::string& default_topic) {
  std::string project = "[OPTIONS]\r\nCompatibility=1.1 or later\r\nCompiled file=" + name +
                        ".chm\r\nDefault topic=" + default_topic +
                        "\r\nLanguage=0x409 English (United States)\r\nTitle=" + name +
                        "\r\n\r\n[FILES]\r\n";
  for (const auto& file : files) {
    dir.Put("src_" + name + "/" + file.first, file.second);
    project += file.first + "\r\n";
  }
  if (!alias.empty()) project += "\r\n[ALIAS]\r\n" + alias;
  if (!map.empty()) project += "\r\n[MAP]\r\n" + map;
  dir.Put("src_" + name + "/" + name + ".hhp", project);
  zb::platform::ProgramRun run;
  const std::string chmcmd = zb::platform::FindProgram("chmcmd");
  run.argv = {"/bin/sh", "-c",
              "cd '" + dir.Native("src_" + name) + "' && '" + chmcmd + "' --no-html-scan " + name +
                  ".hhp && mv " + name + ".chm ..",
              "fixture"};
  run.timeout_ms = 60000;
  const zb::platform::ProgramResult result = zb::platform::RunProgram(run);
  return !chmcmd.empty() && result.error == 0 && result.exit_code == 0 && dir.Exists(name + ".chm");
}

// GettingStarted.chm (tips 32768 and 32769, a tips text stream), app.chm (dialog context 5,
// control 0x50010, command 0x10007, the text pop-ups "Help.txt") and tutorial.chm, in `dir`.
inline bool MakeHelpFixtures(const ScratchDir& dir) {
  const std::string page = "<html><head><title>T</title></head><body>";
  const bool tips = CompileHelp(
      dir, "GettingStarted",
      {{"index.htm", page + "Start <a href=\"tip1.htm\">tips</a></body></html>"},
       {"tip1.htm",
        page + "First tip <img src=\"img/pic.png\"> <a href='tip2.htm#top'>next</a> "
               "<a href=\"http://example.invalid/x.htm\">outside</a></body></html>"},
       {"tip2.htm", page + "Second tip</body></html>"},
       {"img/pic.png", PictureBytes()},
       {"tips.txt", TipsText()}},
      "IDH_TIP1=tip1.htm\r\nIDH_TIP2=tip2.htm\r\n",
      "#define IDH_TIP1 32768\r\n#define IDH_TIP2 32769\r\n", "index.htm");
  const bool app = CompileHelp(
      dir, "app",
      {{"index.htm", page + "Contents</body></html>"},
       {"dialog.htm", page + "The dialog</body></html>"},
       {"control.htm", page + "The control</body></html>"},
       {"menu.htm", page + "The command</body></html>"},
       {"Help.txt", PopupText()}},
      "IDH_DIALOG=dialog.htm\r\nIDH_CONTROL=control.htm\r\nIDH_MENU=menu.htm\r\n",
      "#define IDH_DIALOG 5\r\n#define IDH_CONTROL 0x50010\r\n#define IDH_MENU 0x10007\r\n",
      "index.htm");
  const bool tutorial = CompileHelp(
      dir, "tutorial", {{"index.htm", page + "Tutorial</body></html>"}}, "", "", "index.htm");
  return tips && app && tutorial;
}

// xdg-open (and, where asked, kchmviewer or xchm) as scripts that append their arguments, one
// call per line, to the file "opened" of the fake programs' directory. PATH holds them alone.
class FakeOpener {
 public:
  explicit FakeOpener(const std::string& name) : programs_(name) {
    programs_.Add("xdg-open", Record("xdg-open"));
  }
  void AddViewer(const std::string& viewer) { programs_.Add(viewer, Record(viewer)); }
  // Lines recorded so far.
  std::vector<std::string> Calls() const {
    std::vector<std::string> lines;
    const std::string text = programs_.dir().Get("opened");
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = text.find('\n', start);
      lines.push_back(text.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return lines;
  }
  // Waits (at most 10 s) until `count` calls were recorded: viewers are started, not waited for.
  std::vector<std::string> WaitForCalls(std::size_t count) const {
    for (int i = 0; i < 1000 && Calls().size() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return Calls();
  }

 private:
  std::string Record(const std::string& program) const {
    return "printf '%s' '" + program + "' >> '" + programs_.dir().Native("opened") +
           "'\nfor a in \"$@\"; do printf ' %s' \"$a\" >> '" + programs_.dir().Native("opened") +
           "'; done\nprintf '\\n' >> '" + programs_.dir().Native("opened") + "'";
  }

  FakePrograms programs_;
};

}  // namespace test
}  // namespace zb
