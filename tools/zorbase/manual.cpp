// The tool's documentation: the tables below and the registered commands, written as the
// `--help` overview, as the manual page zorbase(1) and as a bash completion script.
#include "manual.h"

#include "command.h"

#include <cctype>
#include <set>
#include <string>
#include <vector>

#ifndef ZORBASE_TOOL_VERSION
#define ZORBASE_TOOL_VERSION "unknown"
#endif

namespace zb {
namespace tool {
namespace {

struct Item {
  const char* name;
  const char* text;
};

constexpr const char* kSummary = "command-line tool of the ZorBase library";

constexpr const char* kDescription =
    "zorbase works with the files, settings and services of programs built on the ZorBase "
    "library as the library itself sees them: Windows paths on their mapped drives, INI files, "
    "the registry store, tagged files, resources and version information, checksums and the "
    "service control manager. Arguments that name files are Windows paths (C:\\Dir\\File.txt) "
    "or native paths (/tmp/file, file.txt); quote Windows paths for the shell.";

const Item kExitStatus[] = {
    {"0", "success"},
    {"1", "the operation failed (a command's help says which cases it counts)"},
    {"2", "usage error: unknown command, missing or bad arguments (reg gives 1 instead, as the "
          "Windows reg command does)"},
};

// Every variable the library reads, with its default.
const Item kEnvironment[] = {
    {"ZORBASE_DRIVE_<LETTER>",
     "Native directory (an absolute path) that drive LETTER: maps to. Without it Z: is / and C: is "
     "$XDG_DATA_HOME/zorbase/drive_c (~/.local/share/zorbase/drive_c, created on first use); "
     "other drives are not mapped (path not found, 3)."},
    {"ZORBASE_REGISTRY_DIR",
     "Directory of the registry store (user.db for HKEY_CURRENT_USER, machine.db for "
     "HKEY_LOCAL_MACHINE). Default $XDG_CONFIG_HOME/zorbase/registry (~/.config/zorbase/registry)."},
    {"ZORBASE_ACP",
     "The ANSI code page of 8-bit text, read once: 1250, 1251, 1252, 1254, 437, 850, 852, 866, "
     "28591, 20127 or 65001 (UTF-8). Default, and for any other value, 1252."},
    {"ZORBASE_WINVER",
     "The Windows version the library reports: MAJOR.MINOR.BUILD[;platform=N][;csd=TEXT]"
     "[;sp=MAJOR.MINOR][;type=N][;suite=0xHEX][;product=0xHEX][;metrics=N,N,...]. Default "
     "Windows 10 Professional, 10.0.19045; text that does not parse keeps the default. Read at "
     "every call."},
    {"ZORBASE_CPU",
     "ARCH;LEVEL;REVISION (decimal) replaces the processor architecture, level and revision the "
     "library reports (default: the machine's own)."},
    {"ZORBASE_CPUINFO",
     "A file read instead of /proc/cpuinfo when the machine hive describes the processors."},
    {"ZORBASE_DEBUG_OUTPUT",
     "Where debugger output goes (OutputDebugString, the logging STD channel): stderr for standard "
     "error, any other value names a file it is appended to; unset or empty drops it, as Windows "
     "does without a debugger."},
    {"ZORBASE_SERVICE_SOCKET, ZORBASE_SERVICE_NAME, ZORBASE_SERVICE_ARGS, ZORBASE_SERVICE_READY_FD",
     "Set by the service control manager for a service program it starts: the channel back to "
     "the manager. Not for users to set."},
    {"TMP, TEMP, TMPDIR",
     "The temporary directory: TMP, else TEMP (a Windows or native path), else TMPDIR, else /tmp. "
     "A program that sets TMP or TEMP through the library also sets TMPDIR."},
    {"HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME",
     "Bases of the defaults above, of the standard folders (application data is $XDG_CONFIG_HOME, "
     "local application data $XDG_DATA_HOME, the user's folders come from "
     "$XDG_CONFIG_HOME/user-dirs.dirs) and of the trash ($XDG_DATA_HOME/Trash)."},
    {"XDG_RUNTIME_DIR",
     "Where services have their sockets (zorbase-services-UID/) and mail attachments their copies "
     "for the mail program (zorbase-mail/). Without it the sockets are in /tmp and the copies in "
     "$TMPDIR/zorbase-mail-UID/ (or /tmp/zorbase-mail-UID/)."},
    {"WAYLAND_DISPLAY, DISPLAY",
     "The desktop's clipboard: wl-copy/wl-paste under Wayland, else xclip or xsel under X11; "
     "without either the clipboard is the process's own."},
    {"ZORBASE_CLIPBOARD_TIMEOUT_MS",
     "How long one clipboard program may run before the call gives up (default 5000)."},
    {"ZORBASE_MAIL_TIMEOUT_MS",
     "How long xdg-email or sendmail may run when mail is sent (default 30000); read at each "
     "call."},
    {"PATH",
     "Where the desktop programs are found: xdg-open, xchm, kchmviewer (help topics), wl-copy, "
     "wl-paste, xclip, xsel (the clipboard), xdg-email, sendmail (mail)."},
};

const Item kFiles[] = {
    {"~/.config/zorbase/registry/",
     "The registry store (see ZORBASE_REGISTRY_DIR); services are kept in the machine hive under "
     "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services."},
    {"~/.local/share/zorbase/drive_c/", "Drive C: (see ZORBASE_DRIVE_<LETTER>)."},
};

std::vector<std::string> Lines(const char* text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char* p = text; *p != 0; ++p) {
    if (*p == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += *p;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Prints `text` wrapped at 100 columns, each line indented by `indent` spaces.
void PrintWrapped(std::FILE* out, const std::string& text, std::size_t indent) {
  constexpr std::size_t kWidth = 100;
  std::string line;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(at, end - at);
    if (!line.empty() && indent + line.size() + 1 + word.size() > kWidth) {
      std::fprintf(out, "%*s%s\n", static_cast<int>(indent), "", line.c_str());
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    at = end + 1;
  }
  if (!line.empty()) std::fprintf(out, "%*s%s\n", static_cast<int>(indent), "", line.c_str());
}

// ---- roff --------------------------------------------------------------------------------------

// Text for a roff text line: backslashes, minus signs and quotes stay what they are (a user
// copies options and paths from the page), a line may break between "][" of a long syntax, and a
// line never starts a request.
std::string Roff(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '[' && i > 0 && text[i - 1] == ']') out += "\\:";
    switch (c) {
      case '\\': out += "\\e"; break;
      case '-': out += "\\-"; break;
      case '\'': out += "\\(aq"; break;
      case '`': out += "\\(ga"; break;
      default: out += c;
    }
  }
  if (!out.empty() && out[0] == '.') out.insert(0, "\\&");
  return out;
}

// Lines that start with a space or hold a run of two spaces belong to a table or a list whose
// columns must stay as they are.
bool IsLaidOut(const std::string& line) {
  if (!line.empty() && line[0] == ' ') return true;
  const std::size_t text = line.find_first_not_of(' ');
  return text != std::string::npos && line.find("  ", text) != std::string::npos;
}

// A command's help text: prose is filled, laid-out lines are kept in no-fill mode.
void PrintRoffText(std::FILE* out, const char* help) {
  bool no_fill = false;
  for (const std::string& line : Lines(help)) {
    if (line.find_first_not_of(' ') == std::string::npos) {
      if (no_fill) std::fprintf(out, ".fi\n");
      no_fill = false;
      std::fprintf(out, ".PP\n");
      continue;
    }
    const bool laid_out = IsLaidOut(line);
    if (laid_out != no_fill) std::fprintf(out, laid_out ? ".nf\n" : ".fi\n");
    no_fill = laid_out;
    std::fprintf(out, "%s\n", Roff(line).c_str());
  }
  if (no_fill) std::fprintf(out, ".fi\n");
}

void PrintRoffItems(std::FILE* out, const Item* items, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    std::fprintf(out, ".TP\n.B %s\n%s\n", Roff(items[i].name).c_str(), Roff(items[i].text).c_str());
  }
}

// The synopsis after its leading command name.
std::string Arguments(const std::string& name, const std::string& synopsis) {
  if (synopsis.compare(0, name.size(), name) != 0) return synopsis;
  const std::size_t rest = synopsis.find_first_not_of(' ', name.size());
  return rest == std::string::npos ? std::string() : synopsis.substr(rest);
}

// ---- completion --------------------------------------------------------------------------------

// The synopsis split at " | " outside brackets: its alternative forms.
std::vector<std::string> Alternatives(const std::string& synopsis) {
  std::vector<std::string> parts;
  std::string part;
  int depth = 0;
  for (std::size_t i = 0; i < synopsis.size(); ++i) {
    const char c = synopsis[i];
    if (c == '[') ++depth;
    if (c == ']' && depth > 0) --depth;
    if (depth == 0 && synopsis.compare(i, 3, " | ") == 0) {
      parts.push_back(part);
      part.clear();
      i += 2;
      continue;
    }
    part += c;
  }
  parts.push_back(part);
  return parts;
}

bool IsWord(const std::string& token) {
  if (token.empty() || !std::islower(static_cast<unsigned char>(token[0]))) return false;
  for (char c : token) {
    if (!std::islower(static_cast<unsigned char>(c)) && !std::isdigit(static_cast<unsigned char>(c)) &&
        c != '-') {
      return false;
    }
  }
  return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = text.find(separator, at);
    parts.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) return parts;
    at = end + 1;
  }
}

// The sub-command words a command takes first: the leading lower-case word of each alternative
// ("ini get ... | set ... | dump FILE", "sc create|start|... NAME").
std::set<std::string> SubCommands(const std::string& name, const std::string& synopsis) {
  std::set<std::string> words;
  for (const std::string& alternative : Alternatives(Arguments(name, synopsis))) {
    const std::string form = Arguments(name, alternative);
    const std::string first = form.substr(0, form.find(' '));
    std::vector<std::string> choices = Split(first, '|');
    bool all_words = true;
    for (const std::string& choice : choices) all_words = all_words && IsWord(choice);
    if (all_words) words.insert(choices.begin(), choices.end());
  }
  return words;
}

// The options a synopsis names: tokens such as --recursive or /ve.
std::set<std::string> Options(const std::string& synopsis) {
  std::set<std::string> options;
  std::string token;
  for (std::size_t i = 0; i <= synopsis.size(); ++i) {
    const char c = i < synopsis.size() ? synopsis[i] : ' ';
    if (c == ' ' || c == '[' || c == ']' || c == '|') {
      const bool dashed = token.size() > 1 && token[0] == '-';
      const bool slashed = token.size() > 1 && token.size() <= 4 && token[0] == '/' &&
                           IsWord(token.substr(1));
      if (dashed || slashed) options.insert(token);
      token.clear();
    } else {
      token += c;
    }
  }
  return options;
}

std::string Join(const std::set<std::string>& words) {
  std::string out;
  for (const std::string& word : words) out += (out.empty() ? "" : " ") + word;
  return out;
}

}  // namespace

void PrintOverview(std::FILE* out) {
  std::fprintf(out, "usage: zorbase COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& [name, entry] : Commands()) std::fprintf(out, "  %s\n", entry.synopsis);
  std::fprintf(out, "\n`zorbase COMMAND --help` describes a command.\n\nexit status:\n");
  for (const Item& item : kExitStatus) std::fprintf(out, "  %s  %s\n", item.name, item.text);
  std::fprintf(out, "\nenvironment:\n");
  for (const Item& item : kEnvironment) {
    std::fprintf(out, "  %s\n", item.name);
    PrintWrapped(out, item.text, 6);
  }
  std::fprintf(out, "\nThe manual page zorbase(1) has all of this and every command's description.\n");
}

void PrintManualPage(std::FILE* out) {
  std::fprintf(out,
               ".\\\" The manual page of zorbase, written by `zorbase --manual-page`.\n"
               ".TH ZORBASE 1 \"\" \"ZorBase %s\" \"User Commands\"\n"
               ".nh\n.ad l\n.ss 12 0\n"
               ".SH NAME\nzorbase \\- %s\n"
               ".SH SYNOPSIS\n",
               ZORBASE_TOOL_VERSION, kSummary);
  bool first = true;
  for (const auto& [name, entry] : Commands()) {
    std::fprintf(out, "%s\\fBzorbase\\fR %s\n", first ? "" : ".br\n",
                 Roff(entry.synopsis).c_str());
    first = false;
  }
  std::fprintf(out, ".br\n\\fBzorbase\\fR [\\fICOMMAND\\fR] \\-\\-help\n");
  std::fprintf(out, ".SH DESCRIPTION\n%s\n", Roff(kDescription).c_str());
  std::fprintf(out, ".PP\n\\fBzorbase\\fR \\fICOMMAND\\fR \\-\\-help prints the part of this page "
                    "that describes \\fICOMMAND\\fR.\n");
  std::fprintf(out, ".SH COMMANDS\n");
  for (const auto& [name, entry] : Commands()) {
    std::fprintf(out, ".SS %s\n\\fBzorbase\\fR %s\n.PP\n", Roff(name).c_str(),
                 Roff(entry.synopsis).c_str());
    PrintRoffText(out, entry.help);
  }
  std::fprintf(out, ".SH \"EXIT STATUS\"\n");
  PrintRoffItems(out, kExitStatus, sizeof kExitStatus / sizeof kExitStatus[0]);
  std::fprintf(out, ".SH ENVIRONMENT\nThe variables the library reads, and with it zorbase and every "
                    "program built on it:\n");
  PrintRoffItems(out, kEnvironment, sizeof kEnvironment / sizeof kEnvironment[0]);
  std::fprintf(out, ".SH FILES\n");
  PrintRoffItems(out, kFiles, sizeof kFiles / sizeof kFiles[0]);
  std::fprintf(out, ".SH \"SEE ALSO\"\n"
                    "\\fBpkg\\-config\\fR(1); the porting guide, "
                    "/usr/share/doc/libzorbase\\-dev/porting.md, says how each Windows facility "
                    "behaves on Linux.\n");
}

void PrintBashCompletion(std::FILE* out) {
  std::set<std::string> names;
  for (const auto& [name, entry] : Commands()) names.insert(name);
  std::fprintf(out,
               "# bash completion for zorbase(1), written by `zorbase --bash-completion`.\n"
               "_zorbase() {\n"
               "  local cur=${COMP_WORDS[COMP_CWORD]} words=\"\" options=\"\"\n"
               "  COMPREPLY=()\n"
               "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
               "    COMPREPLY=($(compgen -W \"%s --help\" -- \"$cur\"))\n"
               "    return\n"
               "  fi\n"
               "  case ${COMP_WORDS[1]} in\n",
               Join(names).c_str());
  for (const auto& [name, entry] : Commands()) {
    std::set<std::string> options = Options(entry.synopsis);
    options.insert("--help");
    std::fprintf(out, "    %s) words=\"%s\"; options=\"%s\" ;;\n", name.c_str(),
                 Join(SubCommands(name, entry.synopsis)).c_str(), Join(options).c_str());
  }
  std::fprintf(out,
               "    *) return ;;\n"
               "  esac\n"
               "  if [ \"$COMP_CWORD\" -eq 2 ] && [ -n \"$words\" ]; then\n"
               "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
               "  fi\n"
               "  case $cur in\n"
               "    -*|/*) COMPREPLY+=($(compgen -W \"$options\" -- \"$cur\")) ;;\n"
               "  esac\n"
               "}\n"
               "complete -o default -F _zorbase zorbase\n");
}

}  // namespace tool
}  // namespace zb
