// `zorbase reg`: the registry store from the command line, with the syntax of the Windows `reg`
// command: query, add, delete, export and import. Options start with / or - and ignore case; root
// keys are written in long or short form (HKEY_CURRENT_USER or HKCU, ...).
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/registry.h>

#include "command.h"
#include "tool_paths.h"

namespace zb {
namespace tool {
namespace {

constexpr const char* kName = "reg";
constexpr const char* kNotFound = "ERROR: The system was unable to find the specified registry key or value.";

struct Options {
  std::wstring key;                 // the KEY argument as given
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
  std::wstring separator = L"\\0";  // /s SEP (add, REG_MULTI_SZ)
};

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = zb::internal::AsciiToUpper(c);
  return text;
}

void Print(const std::wstring& text) { std::printf("%s\n", Narrow(text).c_str()); }

int Fail(LONG status) {
  if (status == static_cast<LONG>(ERROR_FILE_NOT_FOUND) || status == static_cast<LONG>(ERROR_PATH_NOT_FOUND)) {
    std::fprintf(stderr, "%s\n", kNotFound);
  } else if (status == static_cast<LONG>(ERROR_ACCESS_DENIED)) {
    std::fprintf(stderr, "ERROR: Access is denied.\n");
  } else if (status == static_cast<LONG>(ERROR_BAD_NETPATH)) {
    std::fprintf(stderr, "ERROR: The network path was not found.\n");
  } else {
    std::fprintf(stderr, "ERROR: The registry call failed with error %d.\n", static_cast<int>(status));
  }
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

// Parses the arguments after the subcommand. `takes_recurse` says whether /s is the recursion
// switch (query) or takes a separator (add).
bool ParseOptions(const std::string& command, const std::vector<std::string>& args, std::size_t first, Options* options,
                  std::string* problem) {
  for (std::size_t i = first; i < args.size(); ++i) {
    std::wstring arg = Widen(args[i]);
    // Only the known switches are options, so native paths such as /tmp/x.reg stay arguments.
    static const wchar_t* const kSwitches[] = {L"V", L"VE", L"VA", L"F", L"Y", L"T", L"D", L"S"};
    bool is_option = false;
    if (arg.size() >= 2 && (arg[0] == L'/' || arg[0] == L'-')) {
      for (const wchar_t* known : kSwitches) is_option = is_option || Upper(arg.substr(1)) == known;
    }
    if (!is_option) {
      if (options->key.empty()) {
        options->key = arg;
      } else {
        options->plain.push_back(arg);
      }
      continue;
    }
    std::wstring name = Upper(arg.substr(1));
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
      } else {
        options->recurse = true;
      }
    }
  }
  if (options->key.empty()) {
    *problem = "KEY is missing";
    return false;
  }
  int chosen = (options->has_value ? 1 : 0) + (options->default_value ? 1 : 0) + (options->all_values ? 1 : 0);
  if (chosen > 1) {
    *problem = "/v, /ve and /va exclude each other";
    return false;
  }
  return true;
}

// Opens KEY ("[\\MACHINE\]ROOT\path"); a machine other than this one cannot be reached.
LONG OpenKey(const std::wstring& key, REGSAM access, bool create, HKEY* result, std::wstring* full_name) {
  std::wstring path = key;
  std::wstring machine;
  if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
    std::size_t slash = path.find(L'\\', 2);
    machine = path.substr(2, slash == std::wstring::npos ? std::wstring::npos : slash - 2);
    path = slash == std::wstring::npos ? std::wstring() : path.substr(slash + 1);
  }
  HKEY root = nullptr;
  std::wstring sub_key;
  if (!zb::platform::ParseRegistryPath(path, &root, &sub_key)) return ERROR_INVALID_PARAMETER;
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

void ListKey(HKEY key, const std::wstring& full_name, bool recurse) {
  Print(L"");
  Print(full_name);
  for (DWORD index = 0;; ++index) {
    std::vector<wchar_t> name(16384);
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueW(key, index, name.data(), &name_size, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    std::vector<BYTE> data;
    if (ReadValue(key, name.data(), &type, &data) != ERROR_SUCCESS) continue;
    PrintValue(std::wstring(name.data(), name_size), type, data);
  }
  std::vector<std::wstring> children = SubKeys(key);
  if (!recurse) {
    if (!children.empty()) Print(L"");
    for (const std::wstring& child : children) Print(full_name + L"\\" + child);
    return;
  }
  for (const std::wstring& child : children) {
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    ListKey(sub, full_name + L"\\" + child, true);
    RegCloseKey(sub);
  }
}

int Query(const Options& options) {
  HKEY key = nullptr;
  std::wstring full_name;
  LONG status = OpenKey(options.key, KEY_READ, false, &key, &full_name);
  if (status == static_cast<LONG>(ERROR_INVALID_PARAMETER)) return UsageError(kName, "invalid key name");
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
    } else if (options.default_value && status == static_cast<LONG>(ERROR_FILE_NOT_FOUND)) {
      Print(L"");
      Print(full_name);
      Print(L"    (Default)    REG_SZ    (value not set)");
    } else {
      result = Fail(status);
    }
  } else {
    ListKey(key, full_name, options.recurse);
  }
  RegCloseKey(key);
  return result;
}

// The data of `reg add` in Windows form; false for data that does not fit the type.
bool EncodeData(const Options& options, DWORD* type, std::vector<BYTE>* data, std::string* problem) {
  static const std::pair<const wchar_t*, DWORD> kTypes[] = {
      {L"REG_SZ", REG_SZ},       {L"REG_EXPAND_SZ", REG_EXPAND_SZ}, {L"REG_MULTI_SZ", REG_MULTI_SZ},
      {L"REG_DWORD", REG_DWORD}, {L"REG_QWORD", REG_QWORD},         {L"REG_BINARY", REG_BINARY},
      {L"REG_NONE", REG_NONE},   {L"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN}};
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
  auto strings = [&](const std::vector<std::wstring>& parts) {
    std::string bytes;
    for (const std::wstring& part : parts) {
      bytes += zb::platform::WideToUtf16Le(part.data(), part.size());
      bytes.append(2, '\0');
    }
    data->assign(bytes.begin(), bytes.end());
  };
  const std::wstring& text = options.data;
  switch (*type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      strings({text});
      return true;
    case REG_MULTI_SZ: {
      std::vector<std::wstring> parts;
      if (!text.empty()) {
        std::size_t at = 0;
        for (;;) {
          std::size_t found = options.separator.empty() ? std::wstring::npos : text.find(options.separator, at);
          parts.push_back(text.substr(at, found == std::wstring::npos ? std::wstring::npos : found - at));
          if (found == std::wstring::npos) break;
          at = found + options.separator.size();
        }
      }
      parts.emplace_back();  // the list's closing terminator
      strings(parts);
      return true;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN:
    case REG_QWORD: {
      std::string digits = Narrow(text.empty() ? std::wstring(L"0") : text);
      int base = 10;
      std::size_t start = 0;
      if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        start = 2;
      }
      std::uint64_t number = 0;
      bool ok = start < digits.size();
      for (std::size_t i = start; ok && i < digits.size(); ++i) {
        char c = digits[i];
        const int value = zb::internal::AsciiDigitValue(c);
        const int digit = value < base ? value : -1;
        if (digit < 0) ok = false;
        std::uint64_t next = number * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit < 0 ? 0 : digit);
        if (next / static_cast<std::uint64_t>(base) != number) ok = false;
        number = next;
      }
      std::size_t width = *type == REG_QWORD ? 8 : 4;
      if (!ok || (width == 4 && number > 0xFFFFFFFFull)) {
        *problem = "invalid number " + digits;
        return false;
      }
      data->clear();
      for (std::size_t i = 0; i < width; ++i) data->push_back(static_cast<BYTE>(number >> (8 * i)));
      if (*type == REG_DWORD_BIG_ENDIAN) std::swap((*data)[0], (*data)[3]), std::swap((*data)[1], (*data)[2]);
      return true;
    }
    default: {
      if (text.size() % 2 != 0) {
        *problem = "binary data needs an even number of hex digits";
        return false;
      }
      data->clear();
      for (std::size_t i = 0; i < text.size(); i += 2) {
        auto hex = [](wchar_t c) {
          const int value = zb::internal::AsciiDigitValue(c);
          return value < 16 ? value : -1;
        };
        int high = hex(text[i]);
        int low = hex(text[i + 1]);
        if (high < 0 || low < 0) {
          *problem = "invalid hex data";
          return false;
        }
        data->push_back(static_cast<BYTE>(high * 16 + low));
      }
      return true;
    }
  }
}

int Add(const Options& options) {
  if (options.all_values) return UsageError(kName, "/va is not an option of add");
  DWORD type = REG_SZ;
  std::vector<BYTE> data;
  std::string problem;
  bool writes_value = options.has_value || options.default_value || options.has_data || options.has_type;
  if (writes_value && !EncodeData(options, &type, &data, &problem)) return UsageError(kName, problem);
  HKEY key = nullptr;
  std::wstring full_name;
  LONG status = OpenKey(options.key, KEY_ALL_ACCESS, true, &key, &full_name);
  if (status == static_cast<LONG>(ERROR_INVALID_PARAMETER)) return UsageError(kName, "invalid key name");
  if (status != ERROR_SUCCESS) return Fail(status);
  if (writes_value) {
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
  if (status == static_cast<LONG>(ERROR_INVALID_PARAMETER)) return UsageError(kName, "invalid key name");
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
  if (options.plain.size() != 1) return UsageError(kName, "export needs KEY and FILE");
  HKEY key = nullptr;
  std::wstring full_name;
  LONG status = OpenKey(options.key, KEY_READ, false, &key, &full_name);
  if (status == static_cast<LONG>(ERROR_INVALID_PARAMETER)) return UsageError(kName, "invalid key name");
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
  if (!options.plain.empty()) return UsageError(kName, "import takes one FILE");
  std::string problem;
  LONG status = zb::platform::ImportRegistryFile(options.key, &problem);
  if (status == static_cast<LONG>(ERROR_NOT_REGISTRY_FILE)) {
    std::fprintf(stderr, "ERROR: Error accessing the registry: not a registry file (%s); nothing was imported.\n",
                 problem.c_str());
    return kExitFailure;
  }
  if (status != ERROR_SUCCESS) return Fail(status);
  std::printf("The operation completed successfully.\n");
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(kName, "an operation is missing");
  std::string operation = args[0];
  for (char& c : operation) c = zb::internal::AsciiToLower(c);
  Options options;
  std::string problem;
  if (!ParseOptions(operation, args, 1, &options, &problem)) return UsageError(kName, problem);
  if (operation == "query") {
    if (!options.plain.empty()) return UsageError(kName, "unexpected argument " + Narrow(options.plain[0]));
    return Query(options);
  }
  if (operation == "add") {
    if (!options.plain.empty()) return UsageError(kName, "unexpected argument " + Narrow(options.plain[0]));
    return Add(options);
  }
  if (operation == "delete") {
    if (!options.plain.empty()) return UsageError(kName, "unexpected argument " + Narrow(options.plain[0]));
    return Delete(options);
  }
  if (operation == "export") return Export(options);
  if (operation == "import") return Import(options);
  return UsageError(kName, "unknown operation " + args[0]);
}

const Command kCommand(
    kName,
    "reg query KEY [/v NAME | /ve] [/s] | add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/s SEP] [/f] | "
    "delete KEY [/v NAME | /ve | /va] [/f] | export KEY FILE [/y] | import FILE",
    "Reads and changes the registry store, as the Windows `reg` command does.\n"
    "\n"
    "KEY is [\\\\MACHINE\\]ROOT\\SubKey with ROOT one of HKEY_LOCAL_MACHINE (HKLM), HKEY_CURRENT_USER\n"
    "(HKCU), HKEY_CLASSES_ROOT (HKCR), HKEY_USERS (HKU), HKEY_CURRENT_CONFIG (HKCC); only this\n"
    "machine can be reached.\n"
    "\n"
    "  query   lists the values and sub-keys of KEY; /v NAME or /ve (the default value) shows one\n"
    "          value; /s lists all keys below KEY too\n"
    "  add     creates KEY and, with /v NAME or /ve, writes a value: /t REG_SZ, REG_EXPAND_SZ,\n"
    "          REG_MULTI_SZ (strings separated by \\0 or /s SEP), REG_DWORD, REG_QWORD (decimal or\n"
    "          0x hex), REG_BINARY (hex digits); /d DATA; /f overwrites without asking\n"
    "  delete  deletes KEY with everything below it, or the value /v NAME, the default value /ve,\n"
    "          or all values of KEY /va; /f does not ask\n"
    "  export  writes KEY and its sub-keys to FILE (\"Windows Registry Editor Version 5.00\",\n"
    "          UTF-16LE); /y overwrites an existing file without asking\n"
    "  import  applies a .reg file (5.00 or REGEDIT4, UTF-16 or UTF-8); a malformed file changes\n"
    "          nothing\n"
    "\n"
    "Exit codes: 0 success, 1 the operation failed or was declined, 2 usage error.",
    &Run);

}  // namespace
}  // namespace tool
}  // namespace zb
