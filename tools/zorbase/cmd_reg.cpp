// `zorbase reg`: the registry store from the command line, with the syntax of the Windows `reg`
// command: query, add, delete, export and import. Options start with / or - and ignore case; root
// keys are written in long or short form (HKEY_CURRENT_USER or HKCU, ...).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/registry.h>

#include "command.h"
#include "reg_import.h"
#include "tool_paths.h"

namespace zb {
namespace tool {
namespace {

constexpr const char* kName = "reg";

struct Options {
  std::wstring key;                 // the KEY argument as given (FILE for import)
  std::vector<std::wstring> plain;  // arguments after KEY that are not options
  bool has_value = false;           // /v NAME
  std::wstring value;
  bool default_value = false;       // /ve
  bool all_values = false;          // /va
  bool recurse = false;             // /s (query)
  bool force = false;               // /f or /y
  bool has_type = false;
  std::wstring type = L"REG_SZ";
  bool has_data = false;
  std::wstring data;
  bool has_separator = false;
  std::wstring separator = L"\\0";  // /s SEP (add, REG_MULTI_SZ)
  bool strict = false;              // /strict (import)
};

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = zb::internal::AsciiToUpper(c);
  return text;
}

void Print(const std::wstring& text) { std::printf("%s\n", Narrow(text).c_str()); }

int Fail(LONG status) {
  std::fprintf(stderr, "ERROR: %s\n", RegistryErrorText(status).c_str());
  return kExitFailure;
}

// Usage errors end with exit code 1, as with the Windows tool.
int Usage(const std::string& problem) {
  UsageError(kName, problem);
  return kExitFailure;
}

// Asks on standard input; true for an answer starting with y.
bool Confirm(const std::string& question) {
  std::printf("%s (Yes/No)? ", question.c_str());
  std::fflush(stdout);
  std::string answer;
  if (!std::getline(std::cin, answer)) answer.clear();
  if (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y')) return true;
  std::printf("The operation was canceled by the user.\n");
  return false;
}

// The switches each operation takes. /s is the recursion switch of query and takes the separator
// with add; /reg:32 and /reg:64 choose a registry view on Windows, and there is one view here.
struct SwitchSet {
  const char* operation;
  std::vector<std::wstring> names;
};
const SwitchSet kSwitchSets[] = {
    {"query", {L"V", L"VE", L"S", L"REG:32", L"REG:64"}},
    {"add", {L"V", L"VE", L"T", L"D", L"S", L"F", L"REG:32", L"REG:64"}},
    {"delete", {L"V", L"VE", L"VA", L"F", L"REG:32", L"REG:64"}},
    {"export", {L"Y", L"REG:32", L"REG:64"}},
    {"import", {L"STRICT", L"REG:32", L"REG:64"}},
};
// Every switch name of any operation: other arguments that start with / or - are not switches, so
// native paths such as /tmp/x.reg stay arguments.
const wchar_t* const kAllSwitches[] = {L"V", L"VE", L"VA", L"F", L"Y", L"T", L"D", L"S", L"STRICT", L"REG:32", L"REG:64"};

bool IsSwitch(const std::wstring& arg) {
  if (arg.size() < 2 || (arg[0] != L'/' && arg[0] != L'-')) return false;
  const std::wstring name = Upper(arg.substr(1));
  return std::find(std::begin(kAllSwitches), std::end(kAllSwitches), name) != std::end(kAllSwitches);
}

// Whether the switch `name` (upper case) takes the next argument as its value.
bool TakesValue(const std::string& operation, const std::wstring& name) {
  return name == L"V" || name == L"T" || name == L"D" || (name == L"S" && operation == "add");
}

// /?, /h and -H (any case, / or -) where a switch may stand ask for help, with every operation.
bool IsHelpSwitch(const std::string& arg) {
  return arg.size() == 2 && (arg[0] == '/' || arg[0] == '-') && (arg[1] == '?' || arg[1] == 'h' || arg[1] == 'H');
}

bool WantsHelp(const std::string& operation, const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (IsHelpSwitch(args[i])) return true;
    const std::wstring arg = Widen(args[i]);
    if (i > 0 && IsSwitch(arg) && TakesValue(operation, Upper(arg.substr(1)))) ++i;
  }
  return false;
}

// Parses the arguments after the operation. A switch given twice, or one the operation does not
// take, is refused; export takes /y only after FILE.
bool ParseOptions(const std::string& command, const std::vector<std::string>& args, std::size_t first, Options* options,
                  std::string* problem) {
  std::vector<std::wstring> seen;
  const SwitchSet* allowed = nullptr;
  for (const SwitchSet& set : kSwitchSets) {
    if (command == set.operation) allowed = &set;
  }
  for (std::size_t i = first; i < args.size(); ++i) {
    std::wstring arg = Widen(args[i]);
    if (!IsSwitch(arg)) {
      if (options->key.empty()) {
        options->key = arg;
      } else {
        options->plain.push_back(arg);
      }
      continue;
    }
    std::wstring name = Upper(arg.substr(1));
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
      *problem = "option " + args[i] + " is given twice";
      return false;
    }
    seen.push_back(name);
    if (allowed == nullptr || std::find(allowed->names.begin(), allowed->names.end(), name) == allowed->names.end()) {
      *problem = "option " + args[i] + " does not belong to " + command;
      return false;
    }
    if (command == "export" && name == L"Y" && options->plain.empty()) {
      *problem = "/y must follow the file name";
      return false;
    }
  auto next = [&](std::wstring* out) -> bool {
      if (i + 1 >= args.size()) {
        *problem = "option " + args[i] + " needs a value";
        return false;
      }
      *out = Widen(args[++i]);
      return true;
    };
    if (name == L"V") {
      if (!next(&options->value)) return false;
      options->has_value = true;
    } else if (name == L"VE") {
      options->default_value = true;
    } else if (name == L"VA") {
      options->all_values = true;
    } else if (name == L"F" || name == L"Y") {
      options->force = true;
    } else if (name == L"T") {
      if (!next(&options->type)) return false;
      options->type = Upper(options->type);
      options->has_type = true;
    } else if (name == L"D") {
      if (!next(&options->data)) return false;
      options->has_data = true;
    } else if (name == L"S") {
      if (command == "add") {
        if (!next(&options->separator)) return false;
        options->has_separator = true;
      } else {
        options->recurse = true;
      }
    } else if (name == L"STRICT") {
      options->strict = true;
    }
  }
  if (options->key.empty()) {
    *problem = command == "import" ? "FILE is missing" : "KEY is missing";
    return false;
  }
  int chosen = (options->has_value ? 1 : 0) + (options->default_value ? 1 : 0) + (options->all_values ? 1 : 0);
  if (chosen > 1) {
    *problem = "/v, /ve and /va exclude each other";
    return false;
  }
  return true;
}

// Splits KEY ("[\\MACHINE\]ROOT\path") into the machine and the path; false for a name Windows
// refuses (no root, or ending in two backslashes).
bool SplitKey(const std::wstring& key, std::wstring* machine, std::wstring* path, HKEY* root, std::wstring* sub_key) {
  *path = key;
  machine->clear();
  if (path->size() > 2 && (*path)[0] == L'\\' && (*path)[1] == L'\\') {
    std::size_t slash = path->find(L'\\', 2);
    *machine = path->substr(2, slash == std::wstring::npos ? std::wstring::npos : slash - 2);
    *path = slash == std::wstring::npos ? std::wstring() : path->substr(slash + 1);
  }
  if (path->size() >= 2 && path->compare(path->size() - 2, 2, L"\\\\") == 0) return false;
  return zb::platform::ParseRegistryPath(*path, root, sub_key);
}

// Opens KEY; a machine other than this one cannot be reached.
LONG OpenKey(const std::wstring& key, REGSAM access, bool create, HKEY* result, std::wstring* full_name) {
  std::wstring path;
  std::wstring machine;
  HKEY root = nullptr;
  std::wstring sub_key;
  if (!SplitKey(key, &machine, &path, &root, &sub_key)) return ERROR_INVALID_PARAMETER;
  if (!machine.empty()) {
    HKEY connected = nullptr;
    LONG status = RegConnectRegistryW(machine.c_str(), root, &connected);
    if (status != ERROR_SUCCESS) return status;
    root = connected;
  }
  std::wstring root_name = path.substr(0, path.find(L'\\'));
  static const wchar_t* const kLong[][2] = {{L"HKLM", L"HKEY_LOCAL_MACHINE"}, {L"HKCU", L"HKEY_CURRENT_USER"},
                                             {L"HKCR", L"HKEY_CLASSES_ROOT"},  {L"HKU", L"HKEY_USERS"},
                                             {L"HKCC", L"HKEY_CURRENT_CONFIG"}};
  root_name = Upper(root_name);
  for (const auto& names : kLong) {
    if (root_name == names[0]) root_name = names[1];
  }
  *full_name = sub_key.empty() ? root_name : root_name + L"\\" + sub_key;
  if (create) {
    return RegCreateKeyExW(root, sub_key.c_str(), 0, nullptr, 0, access, nullptr, result, nullptr);
  }
  return RegOpenKeyExW(root, sub_key.c_str(), 0, access, result);
}

const wchar_t* TypeName(DWORD type) {
  switch (type) {
    case REG_NONE: return L"REG_NONE";
    case REG_SZ: return L"REG_SZ";
    case REG_EXPAND_SZ: return L"REG_EXPAND_SZ";
    case REG_BINARY: return L"REG_BINARY";
    case REG_DWORD: return L"REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return L"REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return L"REG_LINK";
    case REG_MULTI_SZ: return L"REG_MULTI_SZ";
    case REG_RESOURCE_LIST: return L"REG_RESOURCE_LIST";
    case REG_FULL_RESOURCE_DESCRIPTOR: return L"REG_FULL_RESOURCE_DESCRIPTOR";
    case REG_RESOURCE_REQUIREMENTS_LIST: return L"REG_RESOURCE_REQUIREMENTS_LIST";
    case REG_QWORD: return L"REG_QWORD";
    default: return L"REG_UNKNOWN";
  }
}

// Strings of string data (up to the data's end, split at terminators).
std::vector<std::wstring> Strings(const std::vector<BYTE>& data) {
  std::wstring text = zb::platform::Utf16LeToWide(data.data(), data.size() & ~static_cast<std::size_t>(1));
  std::vector<std::wstring> parts;
  std::wstring current;
  for (wchar_t c : text) {
    if (c == 0) {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

std::wstring FormatData(DWORD type, const std::vector<BYTE>& data) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  if ((type == REG_DWORD || type == REG_QWORD) && data.size() == (type == REG_DWORD ? 4u : 8u)) {
    std::uint64_t number = 0;
    for (std::size_t i = data.size(); i-- > 0;) number = (number << 8) | data[i];
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%llx", static_cast<unsigned long long>(number));
    return text;
  }
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::vector<std::wstring> parts = Strings(data);
    return parts.empty() ? std::wstring() : parts[0];
  }
  if (type == REG_MULTI_SZ) {
    std::wstring joined;
    std::vector<std::wstring> parts = Strings(data);
    while (!parts.empty() && parts.back().empty()) parts.pop_back();
    for (std::size_t i = 0; i < parts.size(); ++i) joined += (i > 0 ? L"\\0" : L"") + parts[i];
    return joined;
  }
  std::wstring hex;
  for (BYTE b : data) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

// The spelling a value name was stored with (names compare without regard to case).
std::wstring StoredName(HKEY key, const std::wstring& name) {
  std::wstring wanted = Upper(name);
  for (DWORD index = 0;; ++index) {
    std::vector<wchar_t> buffer(16384);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (RegEnumValueW(key, index, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    std::wstring stored(buffer.data(), size);
    if (Upper(stored) == wanted) return stored;
  }
  return name;
}

void PrintValue(const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
  Print(L"    " + (name.empty() ? std::wstring(L"(Default)") : name) + L"    " + TypeName(type) + L"    " +
        FormatData(type, data));
}

LONG ReadValue(HKEY key, const wchar_t* name, DWORD* type, std::vector<BYTE>* data) {
  DWORD size = 0;
  LONG status = RegQueryValueExW(key, name, nullptr, type, nullptr, &size);
  if (status != ERROR_SUCCESS) return status;
  data->resize(size);
  status = RegQueryValueExW(key, name, nullptr, type, data->empty() ? nullptr : data->data(), &size);
  data->resize(size);
  return status;
}

std::vector<std::wstring> SubKeys(HKEY key) {
  std::vector<std::wstring> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD size = 256;
    if (RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  return names;
}

// Lists a key as Windows does: its name, its values and a blank line when it has values (or is
// reached by recursion), then its sub-keys' names, or with `recurse` their listings.
void ListKey(HKEY key, const std::wstring& full_name, bool recurse, bool recursing) {
  bool has_values = false;
  for (DWORD index = 0;; ++index) {
    std::vector<wchar_t> name(16384);
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueW(key, index, name.data(), &name_size, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    std::vector<BYTE> data;
    if (ReadValue(key, name.data(), &type, &data) != ERROR_SUCCESS) continue;
    if (!has_values) Print(full_name);
    has_values = true;
    PrintValue(std::wstring(name.data(), name_size), type, data);
  }
  if (!has_values && recursing) Print(full_name);
  if (has_values || recursing) Print(L"");
  std::vector<std::wstring> children = SubKeys(key);
  if (!recurse) {
    for (const std::wstring& child : children) Print(full_name + L"\\" + child);
    return;
  }
  for (const std::wstring& child : children) {
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    ListKey(sub, full_name + L"\\" + child, true, true);
    RegCloseKey(sub);
  }
}

int Query(const Options& options) {
  HKEY key = nullptr;
  std::wstring full_name;
  LONG status = OpenKey(options.key, KEY_READ, false, &key, &full_name);
  if (status == static_cast<LONG>(ERROR_INVALID_PARAMETER)) return Usage("invalid key name");
  if (status != ERROR_SUCCESS) return Fail(status);
  int result = kExitOk;
  if (options.has_value || options.default_value) {
    const wchar_t* name = options.default_value ? L"" : options.value.c_str();
    DWORD type = 0;
    std::vector<BYTE> data;
    status = ReadValue(key, name, &type, &data);
    if (status == ERROR_SUCCESS) {
      Print(L"");
      Print(full_name);
      PrintValue(StoredName(key, name), type, data);
      Print(L"");
    } else if (options.default_value && status == static_cast<LONG>(ERROR_FILE_NOT_FOUND)) {
      Print(L"");
      Print(full_name);
      Print(L"    (Default)    REG_SZ    (value not set)");
      Print(L"");
    } else {
      result = Fail(status);
    }
  } else {
    Print(L"");
    ListKey(key, full_name, options.recurse, false);
  }
  RegCloseKey(key);
  return result;
}

// REG_MULTI_SZ data as Windows builds it from /d: the separator (\0 as two characters, or the one
// character /s SEP) ends a string. An empty string is refused: a separator at the start with
// text after it, or two in a row. The list ends with one more terminator unless the text already
// ends in a separator, so "a#" with /s # is a, NUL, NUL, and "#" alone is NUL, NUL.
bool MultiStringUnits(const Options& options, std::wstring* units, std::string* problem) {
  if (options.has_separator && options.separator.size() != 1) {
    *problem = "the separator /s must be one character";
    return false;
  }
  const std::wstring& text = options.data;
  units->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!options.has_separator && text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == L'0') {
      *units += L'\0';
      ++i;
    } else if (options.has_separator && text[i] == options.separator[0]) {
      *units += L'\0';
    } else {
      *units += text[i];
    }
    const std::size_t n = units->size();
    if (n >= 2 && (*units)[n - 2] == 0 && ((*units)[n - 1] == 0 || n == 2)) {
      *problem = "REG_MULTI_SZ data may not hold an empty string";
      return false;
    }
  }
  *units += L'\0';
  if (units->size() >= 2 && (*units)[units->size() - 2] != 0) *units += L'\0';
  return true;
}

// A number of /d: decimal or 0x hex; REG_QWORD also takes a minus sign (-1 is all ones).
bool ParseNumber(const std::wstring& text, std::size_t width, bool allow_minus, std::uint64_t* number) {
  std::string digits = Narrow(text.empty() ? std::wstring(L"0") : text);
  bool negative = allow_minus && digits.size() > 1 && digits[0] == '-';
  if (negative) digits.erase(0, 1);
  int base = 10;
  std::size_t start = 0;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    start = 2;
  }
  *number = 0;
  bool ok = start < digits.size();
  for (std::size_t i = start; ok && i < digits.size(); ++i) {
    const int value = zb::internal::AsciiDigitValue(digits[i]);
    if (value >= base) return false;
    std::uint64_t next = *number * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(value);
    if (next / static_cast<std::uint64_t>(base) != *number) return false;
    *number = next;
  }
  if (!ok || (width == 4 && *number > 0xFFFFFFFFull)) return false;
  if (negative) *number = 0 - *number;
  return true;
}

// The data of `reg add` in Windows form; false for data that does not fit the type.
bool EncodeData(const Options& options, DWORD* type, std::vector<BYTE>* data, std::string* problem) {
  static const std::pair<const wchar_t*, DWORD> kTypes[] = {
      {L"REG_SZ", REG_SZ},         {L"REG_EXPAND_SZ", REG_EXPAND_SZ},
      {L"REG_MULTI_SZ", REG_MULTI_SZ}, {L"REG_DWORD", REG_DWORD},
      {L"REG_QWORD", REG_QWORD},   {L"REG_BINARY", REG_BINARY},
      {L"REG_NONE", REG_NONE},     {L"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN},
      {L"REG_DWORD_LITTLE_ENDIAN", REG_DWORD}};
  bool known = false;
  for (const auto& entry : kTypes) {
    if (options.type == entry.first) {
      *type = entry.second;
      known = true;
    }
  }
  if (!known) {
    *problem = "unknown type " + Narrow(options.type);
    return false;
  }
  const std::wstring& text = options.data;
  std::wstring units;
  switch (*type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_NONE:  // text with its terminator, as Windows writes it
    case REG_MULTI_SZ: {
      if (*type != REG_MULTI_SZ) {
        units = text + L'\0';
      } else if (!MultiStringUnits(options, &units, problem)) {
        return false;
      }
      const std::string bytes = zb::platform::WideToUtf16Le(units.data(), units.size());
      data->assign(bytes.begin(), bytes.end());
      return true;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
    case REG_QWORD: {
      if (*type != REG_QWORD && !options.has_data) {
        *problem = Narrow(options.type) + " needs /d";
        return false;
      }
      std::size_t width = *type == REG_QWORD ? 8 : 4;
      std::uint64_t number = 0;
      if (!ParseNumber(text, width, *type == REG_QWORD, &number)) {
        *problem = "invalid number " + Narrow(text);
        return false;
      }
      // Windows stores REG_DWORD_BIG_ENDIAN data in the machine's order too.
      data->clear();
      for (std::size_t i = 0; i < width; ++i) data->push_back(static_cast<BYTE>(number >> (8 * i)));
      return true;
    }
    default: {
      // An odd number of digits reads as if a 0 led them.
      const std::wstring digits = text.size() % 2 != 0 ? L"0" + text : text;
      data->clear();
      for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = zb::internal::AsciiDigitValue(digits[i]);
        const int low = zb::internal::AsciiDigitValue(digits[i + 1]);
        if (high >= 16 || low >= 16) {
          *problem = "invalid hex data";
          return false;
        }
        data->push_back(static_cast<BYTE>(high * 16 + low));
      }
      return true;
    }
  }
}

// Writes the value /v NAME, or the default value (with /ve, or when no name is given, as Windows
// does for `reg add KEY`), after creating KEY.
int Add(const Options& options) {
  if (options.all_values) return Usage("/va is not an option of add");
  std::wstring machine;
  std::wstring path;
  HKEY root = nullptr;
  std::wstring sub_key;
  if (!SplitKey(options.key, &machine, &path, &root, &sub_key)) return Usage("invalid key name");
  const bool bare_root = sub_key.empty();
  if (bare_root && (options.has_value || options.default_value || options.has_type || options.has_data)) {
    return Usage("a root key holds no values");
  }
  DWORD type = REG_SZ;
  std::vector<BYTE> data;
  std::string problem;
  if (!EncodeData(options, &type, &data, &problem)) return Usage(problem);
  HKEY key = nullptr;
  std::wstring full_name;
  LONG status = OpenKey(options.key, KEY_ALL_ACCESS, true, &key, &full_name);
  if (status == static_cast<LONG>(ERROR_INVALID_PARAMETER)) return Usage("invalid key name");
  if (status != ERROR_SUCCESS) return Fail(status);
  if (!bare_root) {
    const wchar_t* name = options.has_value ? options.value.c_str() : L"";
    DWORD size = 0;
    bool exists = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
    if (exists && !options.force &&
        !Confirm("Value " + Narrow(*name != 0 ? std::wstring(name) : std::wstring(L"(Default)")) +
                 " exists, overwrite")) {
      RegCloseKey(key);
      return kExitFailure;
    }
    status = RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return Fail(status);
  std::printf("The operation completed successfully.\n");
  return kExitOk;
}

int Delete(const Options& options) {
  HKEY key = nullptr;
  std::wstring full_name;
  LONG status = OpenKey(options.key, KEY_ALL_ACCESS, false, &key, &full_name);
  if (status == static_cast<LONG>(ERROR_INVALID_PARAMETER)) return Usage("invalid key name");
  if (status != ERROR_SUCCESS) return Fail(status);
  if (options.has_value || options.default_value) {
    const wchar_t* name = options.default_value ? L"" : options.value.c_str();
    if (!options.force && !Confirm("Delete the registry value " +
                                   Narrow(*name != 0 ? std::wstring(name) : std::wstring(L"(Default)")))) {
      RegCloseKey(key);
      return kExitFailure;
    }
    status = RegDeleteValueW(key, name);
  } else if (options.all_values) {
    if (!options.force && !Confirm("Delete all values under the registry key " + Narrow(full_name))) {
      RegCloseKey(key);
      return kExitFailure;
    }
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
      std::vector<wchar_t> name(16384);
      DWORD size = static_cast<DWORD>(name.size());
      if (RegEnumValueW(key, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.emplace_back(name.data(), size);
    }
    for (const std::wstring& name : names) {
      LONG result = RegDeleteValueW(key, name.c_str());
      if (result != ERROR_SUCCESS) status = result;
    }
  } else {
    if (!options.force && !Confirm("Permanently delete the registry key " + Narrow(full_name))) {
      RegCloseKey(key);
      return kExitFailure;
    }
    RegCloseKey(key);
    key = nullptr;
    HKEY root = nullptr;
    std::wstring sub_key;
    std::wstring path = options.key;
    if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
      std::size_t slash = path.find(L'\\', 2);
      path = slash == std::wstring::npos ? std::wstring() : path.substr(slash + 1);
    }
    zb::platform::ParseRegistryPath(path, &root, &sub_key);
    status = sub_key.empty() ? static_cast<LONG>(ERROR_ACCESS_DENIED) : RegDeleteTreeW(root, sub_key.c_str());
  }
  if (key != nullptr) RegCloseKey(key);
  if (status != ERROR_SUCCESS) return Fail(status);
  std::printf("The operation completed successfully.\n");
  return kExitOk;
}

int Export(const Options& options) {
  if (options.plain.size() != 1) return Usage("export needs KEY and FILE");
  HKEY key = nullptr;
  std::wstring full_name;
  LONG status = OpenKey(options.key, KEY_READ, false, &key, &full_name);
  if (status == static_cast<LONG>(ERROR_INVALID_PARAMETER)) return Usage("invalid key name");
  if (status != ERROR_SUCCESS) return Fail(status);
  RegCloseKey(key);
  // The file as the library will write it: a mapped Windows path is asked about through the
  // library, never by the raw argument.
  const std::wstring file = ArgumentToWindowsPath(Narrow(options.plain[0]));
  if (PathExists(file)) {
    if (!options.force && !Confirm("File " + Narrow(options.plain[0]) + " already exists. Overwrite")) {
      return kExitFailure;
    }
  }
  HKEY root = nullptr;
  std::wstring sub_key;
  zb::platform::ParseRegistryPath(full_name, &root, &sub_key);
  status = zb::platform::ExportRegistryKey(root, sub_key.c_str(), file);
  if (status != ERROR_SUCCESS) return Fail(status);
  std::printf("The operation completed successfully.\n");
  return kExitOk;
}

int Import(const Options& options) {
  if (!options.plain.empty()) return Usage("import takes one FILE");
  return ImportRegFile(Narrow(options.key), options.strict);
}

constexpr const char* kSynopsis =
    "reg query KEY [/v NAME | /ve] [/s] | add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/s SEP] [/f] | "
    "delete KEY [/v NAME | /ve | /va] [/f] | export KEY FILE [/y] | import FILE [/strict]";

constexpr const char* kHelp =
    "Reads and changes the registry store with the command lines, results and exit codes of the\n"
    "Windows `reg` command.\n"
    "\n"
    "KEY is [\\\\MACHINE\\]ROOT\\SubKey with ROOT one of HKEY_LOCAL_MACHINE (HKLM), HKEY_CURRENT_USER\n"
    "(HKCU), HKEY_CLASSES_ROOT (HKCR), HKEY_USERS (HKU), HKEY_CURRENT_CONFIG (HKCC); only this\n"
    "machine can be reached. A KEY ending in two backslashes is refused.\n"
    "\n"
    "  query   lists the values of KEY (followed by a blank line) and its sub-keys; /v NAME or /ve\n"
    "          (the default value) shows one value; /s lists all keys below KEY too\n"
    "  add     creates KEY and writes the value /v NAME, or the default value (/ve, or no name:\n"
    "          `reg add KEY` writes an empty default value): /t REG_SZ (default), REG_EXPAND_SZ,\n"
    "          REG_MULTI_SZ (strings separated by \\0 or the one character /s SEP; no empty\n"
    "          strings), REG_DWORD, REG_DWORD_LITTLE_ENDIAN, REG_DWORD_BIG_ENDIAN (stored in the\n"
    "          machine's order, as Windows stores it), REG_QWORD (decimal or 0x hex, -1 for all\n"
    "          ones; /d is required for the DWORD types), REG_BINARY (hex digits, an odd number\n"
    "          padded in front), REG_NONE (the text with its terminator); /d DATA; /f overwrites\n"
    "          without asking. A switch given twice is refused.\n"
    "  delete  deletes KEY with everything below it, or the value /v NAME, the default value /ve,\n"
    "          or all values of KEY /va; /f does not ask\n"
    "  export  writes KEY and its sub-keys to FILE (\"Windows Registry Editor Version 5.00\",\n"
    "          UTF-16LE); /y after FILE overwrites an existing file without asking\n"
    "  import  applies a .reg file (5.00 or REGEDIT4, UTF-16 or UTF-8) line by line as Windows\n"
    "          does: a line Windows skips is skipped and named on standard error as FILE:LINE:\n"
    "          reason, and the rest is imported; /strict reads the whole file first and changes\n"
    "          nothing if a line is bad\n"
    "\n"
    "/?, /h or -H with any operation shows this help. /reg:32 and /reg:64 are accepted and change\n"
    "nothing: there is one registry view.\n"
    "\n"
    "Exit codes, as with the Windows command: 0 success (an import with skipped lines included),\n"
    "1 the operation failed or was declined, usage errors included (with /strict, an import with a\n"
    "bad line).";

int Run(const std::vector<std::string>& args) {
  std::string operation = args.empty() ? std::string() : args[0];
  for (char& c : operation) c = zb::internal::AsciiToLower(c);
  if (WantsHelp(operation, args)) {
    std::printf("usage: zorbase %s\n\n%s\n", kSynopsis, kHelp);
    return kExitOk;
  }
  if (args.empty()) return Usage("an operation is missing");
  static const char* const kOperations[] = {"query", "add", "delete", "export", "import"};
  if (std::find_if(std::begin(kOperations), std::end(kOperations),
                   [&](const char* known) { return operation == known; }) == std::end(kOperations)) {
    return Usage("unknown operation " + args[0]);
  }
  Options options;
  std::string problem;
  if (!ParseOptions(operation, args, 1, &options, &problem)) return Usage(problem);
  if (operation == "export") return Export(options);
  if (operation == "import") return Import(options);
  if (!options.plain.empty()) return Usage("unexpected argument " + Narrow(options.plain[0]));
  if (operation == "query") return Query(options);
  if (operation == "add") return Add(options);
  return Delete(options);
}

const Command kCommand(kName, kSynopsis, kHelp, &Run);

}  // namespace
}  // namespace tool
}  // namespace zb
