// `zorbase ini get|set|dump`: INI files through the private-profile calls (get, set) and through
// MIniFile (dump).
#include "command.h"
#include "tool_paths.h"

#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/profile.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/settings/MIniFile.h>

namespace zb {
namespace tool {
namespace {

constexpr char kHelp[] =
    "get FILE SECTION KEY        prints the value alone on one line (GetPrivateProfileStringW);\n"
    "                            exit code 1 when the key is missing.\n"
    "set FILE SECTION KEY VALUE  stores the value (WritePrivateProfileStringW), creating the file,\n"
    "                            section and key as needed; the rest of the file stays as it is.\n"
    "dump FILE                   reads FILE as MIniFile does (FILE_u.ini, UTF-16, when it exists,\n"
    "                            else FILE in the ANSI code page) and prints the encoding, then\n"
    "                            every section and entry; line feeds in values show as \\n.\n"
    "\n"
    "FILE is a Windows path (C:\\Dir\\app.ini) or a native path. Sections and keys ignore case.\n"
    "Exit status: 0 success, 1 failure or missing key/file, 2 usage error.";

int Get(const std::vector<std::string>& args) {
  if (args.size() != 4) return UsageError("ini", "get needs FILE SECTION KEY");
  const std::wstring file = ArgumentToWindowsPath(args[1]);
  const std::wstring section = Widen(args[2]);
  const std::wstring key = Widen(args[3]);
  std::vector<wchar_t> buffer(4096);
  DWORD count = 0;
  DWORD error = ERROR_SUCCESS;
  for (;;) {
    count = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(),
                                     static_cast<DWORD>(buffer.size()), file.c_str());
    error = GetLastError();
    if (count + 1 < buffer.size() || buffer.size() >= (1u << 26)) break;
    buffer.resize(buffer.size() * 4);
  }
  if (error != ERROR_SUCCESS) {
    if (error != ERROR_FILE_NOT_FOUND) {
      std::fprintf(stderr, "zorbase ini: cannot read '%s' (error %u)\n", args[1].c_str(),
                   static_cast<unsigned>(error));
    }
    return kExitFailure;
  }
  std::printf("%s\n", Narrow(std::wstring(buffer.data(), count)).c_str());
  return kExitOk;
}

int Set(const std::vector<std::string>& args) {
  if (args.size() != 5) return UsageError("ini", "set needs FILE SECTION KEY VALUE");
  const std::wstring file = ArgumentToWindowsPath(args[1]);
  if (!WritePrivateProfileStringW(Widen(args[2]).c_str(), Widen(args[3]).c_str(),
                                  Widen(args[4]).c_str(), file.c_str())) {
    std::fprintf(stderr, "zorbase ini: cannot write '%s' (error %u)\n", args[1].c_str(),
                 static_cast<unsigned>(GetLastError()));
    return kExitFailure;
  }
  return kExitOk;
}

std::string Escaped(const CString& text) {
  std::wstring out;
  for (int i = 0; i < text.GetLength(); ++i) {
    if (text[i] == L'\n') {
      out += L"\\n";
    } else if (text[i] == L'\\') {
      out += L"\\\\";
    } else {
      out.push_back(text[i]);
    }
  }
  return Narrow(out);
}

int Dump(const std::vector<std::string>& args) {
  if (args.size() != 2) return UsageError("ini", "dump needs FILE");
  const std::wstring file = ArgumentToWindowsPath(args[1]);
  std::vector<wchar_t> unicode_name(file.size() + 3);
  MIniFile::MakeUnicodeName(unicode_name.data(), file.c_str());
  const bool unicode = GetFileAttributesW(unicode_name.data()) != INVALID_FILE_ATTRIBUTES;
  if (!unicode && GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "zorbase ini: neither '%s' nor its UTF-16 file '%s' exists\n", args[1].c_str(),
                 Narrow(unicode_name.data()).c_str());
    return kExitFailure;
  }
  MIniFile ini;
  const DWORD error = ini.ReadFromFile(file.c_str(), 0);
  if (error != ERROR_SUCCESS) {
    std::fprintf(stderr, "zorbase ini: cannot read '%s' (error %u)\n", args[1].c_str(),
                   static_cast<unsigned>(error));
    return kExitFailure;
  }
  if (unicode) {
    std::printf("encoding: UTF-16LE (%s)\n", Narrow(unicode_name.data()).c_str());
  } else {
    std::printf("encoding: 8-bit, code page %u\n", GetACP());
  }
  for (unsigned int s = 0; s < ini.GetSectionsCount(); ++s) {
    CString name;
    std::printf("[%s]\n", Escaped(ini.GetSectionName(name, s)).c_str());
    for (unsigned int e = 0; e < ini.GetEntriesCount(s); ++e) {
      CString key;
      CString value;
      ini.GetEntryName(key, s, e, 0);
      ini.GetEntryName(value, s, e, 1);
      std::printf("%s = %s\n", Escaped(key).c_str(), Escaped(value).c_str());
    }
  }
  return kExitOk;
}

int RunIni(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("ini", "missing get, set or dump");
  if (args[0] == "get") return Get(args);
  if (args[0] == "set") return Set(args);
  if (args[0] == "dump") return Dump(args);
  return UsageError("ini", "unknown action '" + args[0] + "' (get, set or dump)");
}

const Command kIni("ini", "ini get FILE SECTION KEY | set FILE SECTION KEY VALUE | dump FILE", kHelp, RunIni);

}  // namespace
}  // namespace tool
}  // namespace zb
