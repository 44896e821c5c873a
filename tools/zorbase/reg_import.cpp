// The line-by-line .reg reader of `zorbase reg import` (reg_import.h).
//
// This file decides what Windows decides line by line: the header, comments, blank lines, hex data
// continued over lines, escapes, and which lines belong to which key. Every statement it keeps (a
// key line, or a value with its data on one line) goes to the library's own all-or-nothing reader
// (ImportRegistryText), which parses the value data and writes it; a statement that reader refuses
// is skipped on its own. Statements go over in blocks, so a clean file costs one transaction per
// block and hive.
#include "reg_import.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/registry.h>

#include "command.h"
#include "tool_paths.h"

namespace zb {
namespace tool {

std::string RegistryErrorText(LONG status) {
  if (status == static_cast<LONG>(ERROR_FILE_NOT_FOUND) || status == static_cast<LONG>(ERROR_PATH_NOT_FOUND)) {
    return "The system was unable to find the specified registry key or value.";
  }
  if (status == static_cast<LONG>(ERROR_ACCESS_DENIED)) return "Access is denied.";
  if (status == static_cast<LONG>(ERROR_BAD_NETPATH)) return "The network path was not found.";
  return "The registry call failed with error " + std::to_string(status) + ".";
}

namespace {

constexpr const wchar_t* kHeader5 = L"Windows Registry Editor Version 5.00";
constexpr const wchar_t* kHeader4 = L"REGEDIT4";
// Larger files are refused, as the library refuses them.
constexpr unsigned long long kMaxFileSize = 1ull << 30;
// Statements handed to the library at once.
constexpr std::size_t kBlockSize = 512;

enum class Header { kRegedit4, kVersion5, kIgnored, kRefused };

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring TrimLeft(const std::wstring& text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return text.substr(begin);
}

std::wstring TrimRight(std::wstring text) {
  while (!text.empty() && IsBlank(text.back())) text.pop_back();
  return text;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wstring(prefix).size(), prefix) == 0;
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  std::size_t i = 0;
  for (; prefix[i] != 0; ++i) {
    if (i >= text.size() || zb::internal::AsciiToLower(text[i]) != prefix[i]) return false;
  }
  return true;
}

bool IsHexDigit(wchar_t c) { return zb::internal::AsciiDigitValue(c) < 16; }

// The header as Windows reads it: REGEDIT4 and the 5.00 header import (leading blanks and text
// after them allowed); any other REGEDIT header is accepted and imports nothing; anything else,
// a blank first line included, is no registry file.
Header ReadHeader(std::wstring line) {
  if (!line.empty() && line[0] == 0xFEFF) line.erase(0, 1);
  line = TrimLeft(line);
  if (StartsWith(line, kHeader4)) return Header::kRegedit4;
  if (StartsWith(line, kHeader5)) return Header::kVersion5;
  if (StartsWith(line, L"REGEDIT")) return Header::kIgnored;
  return Header::kRefused;
}

// Text by byte-order mark; without one UTF-8 when it is well-formed, else the ANSI code page.
std::wstring DecodeText(const std::string& bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) return platform::Utf16LeToWide(b + 2, bytes.size() - 2);
  if (bytes.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    std::string swapped = bytes.substr(2);
    for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return platform::Utf16LeToWide(swapped.data(), swapped.size());
  }
  if (bytes.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return platform::Utf8ToWide(bytes.substr(3));
  if (bytes.empty()) return std::wstring();
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0) > 0) {
    return platform::Utf8ToWide(bytes);
  }
  return platform::MultiToWide(bytes, CP_ACP);
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// Reads the whole file; false with the reason printed.
bool ReadFileBytes(const std::string& arg, const std::wstring& path, std::string* bytes) {
  if (!CheckRegularFile("reg", arg, path)) return false;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "ERROR: Error opening the file. There may be a disk or file system error.\n");
    return false;
  }
  bytes->clear();
  char buffer[65536];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof(buffer), &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes->append(buffer, got);
    if (bytes->size() > kMaxFileSize) {
      ok = false;
      break;
    }
  }
  CloseHandle(file);
  if (!ok) std::fprintf(stderr, "ERROR: Error opening the file. There may be a disk or file system error.\n");
  return ok;
}

// Checks the quoted text that starts at text[at] == '"'. Only \\ and \" are escapes in a .reg file;
// Windows drops a value with any other (\0 included). *end is set after the closing quote, or to
// npos for text without one (the library reports that).
bool CheckQuoted(const std::wstring& text, std::size_t at, std::size_t* end) {
  for (std::size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] == L'"') {
      *end = i + 1;
      return true;
    }
    if (text[i] == L'\\') {
      if (i + 1 >= text.size() || (text[i + 1] != L'\\' && text[i + 1] != L'"')) return false;
      ++i;
    }
  }
  *end = std::wstring::npos;
  return true;
}

// One line of hex data: its bytes text without comment and continuation mark, and whether it is
// well-formed (bytes of one or two hex digits separated by commas, a trailing comma allowed).
bool HexLine(const std::wstring& line, std::wstring* bytes, bool* continued) {
  std::wstring text = TrimRight(line.substr(0, line.find(L';')));
  *continued = !text.empty() && text.back() == L'\\';
  if (*continued) text = TrimRight(text.substr(0, text.size() - 1));
  text = TrimLeft(text);
  *bytes = text;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t digits = 0;
    while (i < text.size() && IsHexDigit(text[i]) && digits < 2) ++i, ++digits;
    if (digits == 0) return false;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    if (text[i] != L',') return false;
    ++i;
    while (i < text.size() && IsBlank(text[i])) ++i;
  }
  return true;
}

struct Statement {
  int line = 0;             // first line in the file
  std::size_t section = 0;  // the key line it belongs to (its own index for a key line)
  bool key = false;
  std::wstring text;        // the statement as the library reads it
  bool done = false;        // written, or skipped and reported
};

struct Section {
  std::size_t statement = 0;  // the key line's statement
  bool remove = false;        // [-KEY]
  bool usable = true;         // false once its key line was skipped or could not be written
};

class Importer {
 public:
  Importer(std::string arg, bool strict) : arg_(std::move(arg)), strict_(strict) {}

  int Run() {
    std::string bytes;
    if (!ReadFileBytes(arg_, ArgumentToWindowsPath(arg_), &bytes)) return kExitFailure;
    std::vector<std::wstring> lines = SplitLines(DecodeText(bytes));
    Header header = lines.empty() ? Header::kRefused : ReadHeader(lines[0]);
    if (header == Header::kRefused) {
      std::fprintf(stderr, "%s:1: not a registry file: unknown header\n", arg_.c_str());
      std::fprintf(stderr, "ERROR: The file is not a registry script; nothing was imported.\n");
      return kExitFailure;
    }
    if (header == Header::kIgnored) return Succeeded();
    regedit4_ = header == Header::kRegedit4;
    for (std::size_t i = 1; i < lines.size(); ++i) ReadLine(lines[i], static_cast<int>(i) + 1);
    if (hex_.active) EndHex();
    if (strict_) return RunStrict();
    std::vector<std::size_t> all;
    for (std::size_t i = 0; i < statements_.size(); ++i) all.push_back(i);
    for (std::size_t begin = 0; begin < all.size(); begin += kBlockSize) {
      std::vector<std::size_t> block(all.begin() + begin, all.begin() + std::min(all.size(), begin + kBlockSize));
      ApplyBlock(block);
    }
    PrintSkipped();
    if (failed_) {
      std::fprintf(stderr, "ERROR: Error accessing the registry.\n");
      return kExitFailure;
    }
    return Succeeded();
  }

 private:
  struct HexValue {
    bool active = false;
    std::size_t statement = 0;
    std::wstring head;   // "name"=hex(N):
    std::wstring bytes;  // the bytes so far, one line
  };

  static int Succeeded() {
    std::printf("The operation completed successfully.\n");
    return kExitOk;
  }

  void Skip(int line, const std::string& reason) { skipped_.emplace_back(line, reason); }

  void PrintSkipped() {
    std::stable_sort(skipped_.begin(), skipped_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : skipped_) std::fprintf(stderr, "%s:%d: %s\n", arg_.c_str(), entry.first, entry.second.c_str());
  }

  void ReadLine(const std::wstring& raw, int number) {
    std::wstring line = TrimLeft(raw);
    if (hex_.active) {
      ContinueHex(line, number);
      return;
    }
    if (line.empty() || line[0] == L';' || line[0] == L'#') return;
    if (line[0] == L'[') {
      Statement statement;
      statement.line = number;
      statement.key = true;
      statement.section = sections_.size();
      statement.text = TrimRight(line);
      Section section;
      section.statement = statements_.size();
      section.remove = line.size() > 1 && line[1] == L'-';
      sections_.push_back(section);
      statements_.push_back(std::move(statement));
      return;
    }
    if (line[0] == L'"' || line[0] == L'@') {
      ReadValue(line, number);
      return;
    }
    Skip(number, "unrecognised line");
  }

  void ReadValue(const std::wstring& line, int number) {
    if (sections_.empty()) return Skip(number, "value outside a key");
    if (sections_.back().remove) return Skip(number, "value in a deleted key");
    Statement statement;
    statement.line = number;
    statement.section = sections_.size() - 1;
    statement.text = line;
    std::size_t at = 1;
    if (line[0] == L'"' && !CheckQuoted(line, 0, &at)) return Skip(number, "unknown escape in the value name");
    if (at != std::wstring::npos) {
      while (at < line.size() && IsBlank(line[at])) ++at;
      if (at < line.size() && line[at] == L'=') {
        ++at;
        while (at < line.size() && IsBlank(line[at])) ++at;
        const std::wstring prefix = line.substr(0, at);
        const std::wstring data = line.substr(at);
        std::size_t end = 0;
        if (!data.empty() && data[0] == L'-') {
          // "name"=- deletes the value; a comment may follow.
          std::wstring rest = TrimLeft(data.substr(1));
          if (rest.empty() || rest[0] == L';') statement.text = prefix + L"-";
        } else if (!data.empty() && data[0] == L'"') {
          if (!CheckQuoted(data, 0, &end)) return Skip(number, "unknown escape in the string");
        } else if (StartsWithNoCase(data, L"dword:")) {
          statement.text = prefix + data.substr(0, 6) + TrimLeft(data.substr(6));
        } else if (StartsWithNoCase(data, L"hex")) {
          std::size_t colon = data.find(L':');
          if (colon != std::wstring::npos) return StartHex(std::move(statement), prefix + data.substr(0, colon + 1), data.substr(colon + 1));
        }
      }
    }
    statements_.push_back(std::move(statement));
  }

  void StartHex(Statement statement, std::wstring head, const std::wstring& first) {
    bool continued = false;
    std::wstring bytes;
    if (!HexLine(first, &bytes, &continued)) return Skip(statement.line, "bad hex data");
    hex_.active = continued;
    hex_.head = std::move(head);
    hex_.bytes = bytes;
    hex_.statement = statements_.size();
    statement.text = hex_.head + hex_.bytes;
    statements_.push_back(std::move(statement));
  }

  // A line after one that ended in '\': blank lines and comments are passed over, a line of only
  // '\' drops the value, anything else is more hex data.
  void ContinueHex(const std::wstring& line, int number) {
    if (line.empty() || line[0] == L';' || line[0] == L'#') return;
    Statement& statement = statements_[hex_.statement];
    if (TrimRight(line) == L"\\") {
      hex_.active = false;
      statement.done = true;
      return Skip(number, "a line of only '\\' inside hex data drops the value of line " + std::to_string(statement.line));
    }
    bool continued = false;
    std::wstring bytes;
    if (!HexLine(line, &bytes, &continued)) {
      hex_.active = false;
      statement.done = true;
      return Skip(number, "bad hex data (the value of line " + std::to_string(statement.line) + " is skipped)");
    }
    if (!bytes.empty()) {
      if (!hex_.bytes.empty() && hex_.bytes.back() != L',') hex_.bytes += L',';
      hex_.bytes += bytes;
    }
    hex_.active = continued;
    statement.text = hex_.head + hex_.bytes;
  }

  // The file ended inside continued hex data: the value holds the bytes so far.
  void EndHex() { hex_.active = false; }

  // The .reg text of `ids` for the library, and the statement behind each of its lines.
  std::string Document(const std::vector<std::size_t>& ids, std::vector<std::size_t>* owners) const {
    std::wstring text = regedit4_ ? kHeader4 : kHeader5;
    text += L"\r\n";
    owners->assign(1, std::wstring::npos);
    std::size_t last_section = std::wstring::npos;
    for (std::size_t id : ids) {
      const Statement& statement = statements_[id];
      if (!statement.key && statement.section != last_section) {
        const std::size_t key = sections_[statement.section].statement;
        text += statements_[key].text + L"\r\n";
        owners->push_back(key);
      }
      last_section = statement.section;
      text += statement.text + L"\r\n";
      owners->push_back(id);
    }
    return std::string("\xFF\xFE", 2) + platform::WideToUtf16Le(text.data(), text.size());
  }

  // Imports `ids` in one go. For a refused statement, *bad is set to it and *reason to why.
  LONG Import(const std::vector<std::size_t>& ids, std::size_t* bad, std::string* reason) const {
    std::vector<std::size_t> owners;
    const std::string bytes = Document(ids, &owners);
    std::string problem;
    LONG status = platform::ImportRegistryText(bytes.data(), bytes.size(), &problem);
    if (status == static_cast<LONG>(ERROR_NOT_REGISTRY_FILE)) {
      // The library reports "line N: reason".
      std::size_t colon = problem.find(':');
      int line = colon == std::string::npos ? 0 : std::atoi(problem.c_str() + 5);
      *bad = line >= 1 && static_cast<std::size_t>(line) <= owners.size() ? owners[line - 1] : std::wstring::npos;
      *reason = colon == std::string::npos ? problem : problem.substr(colon + 2);
    }
    return status;
  }

  // Drops statements already handled and values of keys that were skipped.
  std::vector<std::size_t> Pending(const std::vector<std::size_t>& ids) {
    std::vector<std::size_t> pending;
    for (std::size_t id : ids) {
      Statement& statement = statements_[id];
      if (statement.done) continue;
      if (!statement.key && !sections_[statement.section].usable) {
        statement.done = true;
        Skip(statement.line, "the key line " + std::to_string(statements_[sections_[statement.section].statement].line) +
                                 " of this value was skipped");
        continue;
      }
      pending.push_back(id);
    }
    return pending;
  }

  void Refuse(std::size_t id, const std::string& reason) {
    Statement& statement = statements_[id];
    statement.done = true;
    if (statement.key) sections_[statement.section].usable = false;
    Skip(statement.line, reason);
  }

  // Imports a block: on a refused statement the ones before it go in, it is skipped, and the
  // rest of the block is tried again.
  void ApplyBlock(std::vector<std::size_t> ids) {
    for (ids = Pending(ids); !ids.empty(); ids = Pending(ids)) {
      std::size_t bad = std::wstring::npos;
      std::string reason;
      LONG status = Import(ids, &bad, &reason);
      if (status == ERROR_SUCCESS) {
        for (std::size_t id : ids) statements_[id].done = true;
        return;
      }
      auto at = std::find(ids.begin(), ids.end(), bad);
      if (status != static_cast<LONG>(ERROR_NOT_REGISTRY_FILE) || at == ids.end()) return ApplyOneByOne(ids);
      std::vector<std::size_t> before(ids.begin(), at);
      Refuse(bad, reason);
      if (!before.empty() && Import(before, &bad, &reason) != ERROR_SUCCESS) {
        ApplyOneByOne(before);
      } else {
        for (std::size_t id : before) statements_[id].done = true;
      }
    }
  }

  // After a registry call failed: each statement alone, so every failure is named by its line.
  void ApplyOneByOne(const std::vector<std::size_t>& ids) {
    for (std::size_t id : ids) {
      std::vector<std::size_t> one = Pending({id});
      if (one.empty()) continue;
      std::size_t bad = std::wstring::npos;
      std::string reason;
      LONG status = Import(one, &bad, &reason);
      if (status == static_cast<LONG>(ERROR_NOT_REGISTRY_FILE)) {
        Refuse(bad == std::wstring::npos ? id : bad, reason);
      } else if (status != ERROR_SUCCESS) {
        failed_ = true;
        Refuse(id, RegistryErrorText(status));
      }
      statements_[id].done = true;
    }
  }

  int RunStrict() {
    if (skipped_.empty()) {
      std::vector<std::size_t> all;
      for (std::size_t i = 0; i < statements_.size(); ++i) {
        if (!statements_[i].done) all.push_back(i);
      }
      std::size_t bad = std::wstring::npos;
      std::string reason;
      LONG status = Import(all, &bad, &reason);
      if (status == ERROR_SUCCESS) return Succeeded();
      if (status != static_cast<LONG>(ERROR_NOT_REGISTRY_FILE)) {
        std::fprintf(stderr, "ERROR: %s\n", RegistryErrorText(status).c_str());
        return kExitFailure;
      }
      Skip(bad == std::wstring::npos ? 0 : statements_[bad].line, reason);
    }
    PrintSkipped();
    std::fprintf(stderr, "ERROR: The file has lines that cannot be imported; nothing was imported.\n");
    return kExitFailure;
  }

  const std::string arg_;
  const bool strict_;
  bool regedit4_ = false;
  bool failed_ = false;
  std::vector<Statement> statements_;
  std::vector<Section> sections_;
  HexValue hex_;
  std::vector<std::pair<int, std::string>> skipped_;
};

}  // namespace

int ImportRegFile(const std::string& arg, bool strict) { return Importer(arg, strict).Run(); }

}  // namespace tool
}  // namespace zb
