// Tests of the private-profile calls: Windows' reading rules and buffer counts, edits that keep the
// rest of the file byte for byte, both encodings, and writers in several processes.
#include <zorbase/platform/profile.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>
#ifndef _WIN32
#include <csignal>
#endif
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/win_errors.h>

using zb::test::ScratchDir;

namespace {

std::wstring GetString(const wchar_t* section, const wchar_t* key, const std::wstring& file,
                       const wchar_t* default_value = L"<default>", DWORD size = 256) {
  std::vector<wchar_t> buffer(size + 1, L'#');
  const DWORD count = GetPrivateProfileStringW(section, key, default_value, buffer.data(), size, file.c_str());
  return std::wstring(buffer.data(), count);
}

// A NUL-separated list as "a|b|c".
std::wstring ListOf(const wchar_t* buffer, DWORD count) {
  std::wstring out(buffer, count);
  for (wchar_t& c : out) {
    if (c == 0) c = L'|';
  }
  return out;
}

std::string Utf16(const std::wstring& text) { return zb::platform::WideToUtf16Le(text.data(), text.size()); }

}  // namespace

SUITE(PrivateProfile) {
  TEST(ReadsValuesAsWindowsDoes) {
    ScratchDir dir("ProfileRead");
    dir.Put("a.ini",
            "; comment\r\n[General]\r\n  Name =  Value with spaces  \r\nQuoted=\"  kept  \"\r\n"
            "Single='x'\r\nHalf=\"open\r\nEmpty=\r\nbare line\r\n[ Other ]\r\nkey=1\r\n[general]\r\nName=second\r\n");
    const std::wstring file = dir.Win(L"a.ini");
    struct Case {
      const wchar_t* section;
      const wchar_t* key;
      const wchar_t* expected;
    } cases[] = {
        {L"general", L"NAME", L"Value with spaces"}, {L"General", L"Quoted", L"  kept  "},
        {L"General", L"Single", L"x"},               {L"General", L"Half", L"\"open"},
        {L"General", L"Empty", L""},                 {L"General", L"bare line", L""},
        {L"OTHER", L"key", L"1"},                    {L"General", L"missing", L"<default>"},
        {L"Nowhere", L"key", L"<default>"},          {L"General", L"; comment", L"<default>"},
    };
    for (const Case& c : cases) CHECK(c.expected == GetString(c.section, c.key, file));
    CHECK(GetString(L"x", L"y", file, L"trailing   ") == L"trailing");
    CHECK(GetString(L"x", L"y", file, nullptr) == L"");
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  }

  TEST(BufferCountsOfValuesAndLists) {
    ScratchDir dir("ProfileBuffers");
    dir.Put("b.ini", "[One]\r\nk=abcdef\r\nl=2\r\n[Two]\r\n");
    const std::wstring file = dir.Win(L"b.ini");
    wchar_t buffer[32];
    CHECK_EQUAL(3u, GetPrivateProfileStringW(L"One", L"k", L"", buffer, 4, file.c_str()));
    CHECK(std::wstring(buffer) == L"abc");
    CHECK_EQUAL(0u, GetPrivateProfileStringW(L"One", L"k", L"", buffer, 0, file.c_str()));
    DWORD count = GetPrivateProfileStringW(nullptr, nullptr, L"", buffer, 32, file.c_str());
    CHECK_EQUAL(8u, count);
    CHECK(ListOf(buffer, count + 1) == L"One|Two||");
    count = GetPrivateProfileStringW(nullptr, nullptr, L"", buffer, 6, file.c_str());
    CHECK_EQUAL(4u, count);  // cut: size - 2, ending in two NULs
    CHECK(ListOf(buffer, 6) == L"One|||");
    count = GetPrivateProfileStringW(L"one", nullptr, L"", buffer, 32, file.c_str());
    CHECK(ListOf(buffer, count) == L"k|l|");
    count = GetPrivateProfileSectionNamesW(buffer, 32, file.c_str());
    CHECK_EQUAL(8u, count);
    count = GetPrivateProfileSectionW(L"ONE", buffer, 32, file.c_str());
    CHECK(ListOf(buffer, count) == L"k=abcdef|l=2|");
    count = GetPrivateProfileSectionW(L"Two", buffer, 32, file.c_str());
    CHECK_EQUAL(0u, count);
    CHECK(buffer[0] == 0 && buffer[1] == 0);
    char narrow[8];
    CHECK_EQUAL(4u, GetPrivateProfileStringA("One", "k", "", narrow, 5, "C:\\scratch\\ProfileBuffers\\b.ini"));
    CHECK_EQUAL(std::string("abcd"), narrow);
  }

  TEST(IntegersParseTheLeadingDecimalNumber) {
    ScratchDir dir("ProfileInt");
    dir.Put("i.ini", "[S]\r\na=42\r\nb=-3\r\nc=12abc\r\nd=abc\r\ne=0x10\r\n");
    const std::wstring file = dir.Win(L"i.ini");
    CHECK_EQUAL(42u, GetPrivateProfileIntW(L"S", L"a", 7, file.c_str()));
    CHECK_EQUAL(static_cast<UINT>(-3), GetPrivateProfileIntW(L"S", L"b", 7, file.c_str()));
    CHECK_EQUAL(12u, GetPrivateProfileIntW(L"S", L"c", 7, file.c_str()));
    CHECK_EQUAL(0u, GetPrivateProfileIntW(L"S", L"d", 7, file.c_str()));
    CHECK_EQUAL(0u, GetPrivateProfileIntW(L"S", L"e", 7, file.c_str()));
    CHECK_EQUAL(7u, GetPrivateProfileIntW(L"S", L"missing", 7, file.c_str()));
    CHECK_EQUAL(42u, GetPrivateProfileIntA("s", "A", 7, "C:\\scratch\\ProfileInt\\i.ini"));
  }

  TEST(WritesKeepEveryOtherByte) {
    ScratchDir dir("ProfileEdit");
    const std::string prefix("junk\0before\r\n", 13);
    dir.Put("e.ini", prefix + "[A]\nx = 1 ; odd spacing\n\n[B]\r\ny=2");
    const std::wstring file = dir.Win(L"e.ini");
    CHECK(WritePrivateProfileStringW(L"a", L"new", L"v", file.c_str()));
    CHECK_EQUAL(prefix + "[A]\nx = 1 ; odd spacing\nnew=v\r\n\n[B]\r\ny=2", dir.Get("e.ini"));
    CHECK(WritePrivateProfileStringW(L"B", L"Y", L"3", file.c_str()));
    CHECK_EQUAL(prefix + "[A]\nx = 1 ; odd spacing\nnew=v\r\n\n[B]\r\ny=3\r\n", dir.Get("e.ini"));
    CHECK(WritePrivateProfileStringW(L"C", L"z", L"4", file.c_str()));
    CHECK(WritePrivateProfileStringW(L"A", L"X", nullptr, file.c_str()));
    CHECK(WritePrivateProfileStringW(L"b", nullptr, nullptr, file.c_str()));
    CHECK_EQUAL(prefix + "[A]\nnew=v\r\n\n[C]\r\nz=4\r\n", dir.Get("e.ini"));
    const wchar_t block[] = L"p=1\0q=2\0";
    CHECK(WritePrivateProfileSectionW(L"A", block, file.c_str()));
    CHECK_EQUAL(prefix + "[A]\np=1\r\nq=2\r\n\n[C]\r\nz=4\r\n", dir.Get("e.ini"));
    CHECK(GetString(L"A", L"q", file) == L"2");
    CHECK(GetString(L"A", L"new", file) == L"<default>");
  }

  TEST(NewFilesAreEightBitAndUnicodeFilesStayUnicode) {
    ScratchDir dir("ProfileEncoding");
    const std::wstring fresh = dir.Win(L"new.ini");
    CHECK(WritePrivateProfileStringW(L"S", L"k", L"caf\u00e9", fresh.c_str()));
    CHECK_EQUAL("[S]\r\nk=caf\xe9\r\n", dir.Get("new.ini"));
    dir.Put("u.ini", "\xFF\xFE" + Utf16(L"[S]\r\nk=\u0416\r\n"));
    const std::wstring unicode = dir.Win(L"u.ini");
    CHECK(GetString(L"s", L"K", unicode) == L"\u0416");
    CHECK(WritePrivateProfileStringW(L"S", L"n", L"\u4e2d", unicode.c_str()));
    CHECK_EQUAL("\xFF\xFE" + Utf16(L"[S]\r\nk=\u0416\r\nn=\u4e2d\r\n"), dir.Get("u.ini"));
    // An odd final byte and a lone surrogate neither crash nor shift what follows.
    dir.Put("odd.ini", "\xFF\xFE" + Utf16(L"[S]\r\nk=\xD800x") + "A");
    CHECK(WritePrivateProfileStringW(L"S", L"z", L"1", dir.Win(L"odd.ini").c_str()));
    CHECK(GetString(L"S", L"z", dir.Win(L"odd.ini")) == L"1");
  }

  TEST(AFileChangedOutsideIsReadAfresh) {
    ScratchDir dir("ProfileAfresh");
    const std::wstring file = dir.Win(L"f.ini");
    dir.Put("f.ini", "[S]\r\nk=1\r\n");
    CHECK(GetString(L"S", L"k", file) == L"1");
    dir.Put("f.ini", "[S]\r\nk=2\r\n");  // same size, written in place by another program
    CHECK(GetString(L"S", L"k", file) == L"2");
    dir.Put("f.ini", "");
    CHECK(GetString(L"S", L"k", file) == L"<default>");
  }

  TEST(NullKeyOrValueOnAMissingFileLeavesAnEmptyFile) {
    ScratchDir dir("ProfileEmpty");
    CHECK(WritePrivateProfileStringW(L"S", L"k", nullptr, dir.Win(L"a.ini").c_str()));
    CHECK(dir.Exists("a.ini"));
    CHECK_EQUAL("", dir.Get("a.ini"));
    CHECK(WritePrivateProfileStringW(L"S", nullptr, nullptr, dir.Win(L"b.ini").c_str()));
    CHECK_EQUAL("", dir.Get("b.ini"));
    CHECK(WritePrivateProfileStringW(nullptr, nullptr, nullptr, dir.Win(L"c.ini").c_str()));
    CHECK(!dir.Exists("c.ini"));
  }

  TEST(BadNamesAndFiles) {
    ScratchDir dir("ProfileBad");
    wchar_t buffer[8];
    CHECK_EQUAL(2u, GetPrivateProfileStringW(L"S", L"k", L"dd", buffer, 8, L""));
    CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
    CHECK(!WritePrivateProfileStringW(L"S", L"k", L"v", L""));
    CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
    GetPrivateProfileStringW(L"S", L"k", L"", buffer, 8, dir.Win(L"missing.ini").c_str());
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
    dir.Put("sub/keep", "");
    CHECK(!WritePrivateProfileStringW(L"S", L"k", L"v", dir.Win(L"sub").c_str()));
    CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
    CHECK(!WritePrivateProfileStringW(L"S", L"k", L"v", dir.Win(L"nofolder\\x.ini").c_str()));
    CHECK_EQUAL(ERROR_PATH_NOT_FOUND, GetLastError());
  }

  TEST(AFailedWriteKeepsTheOldFile) {
    ScratchDir dir("ProfileFault");
    dir.Put("f.ini", "[S]\r\nk=old\r\n");
    const std::wstring file = dir.Win(L"f.ini");
    for (auto point : {zb::platform::FaultPoint::kWrite, zb::platform::FaultPoint::kFlush,
                       zb::platform::FaultPoint::kRename}) {
      zb::platform::ScopedFault fault(point, 1, ENOSPC);
      CHECK(!WritePrivateProfileStringW(L"S", L"k", L"new", file.c_str()));
      CHECK_EQUAL(ERROR_DISK_FULL, GetLastError());
      CHECK_EQUAL("[S]\r\nk=old\r\n", dir.Get("f.ini"));
    }
    CHECK(WritePrivateProfileStringW(L"S", L"k", L"new", file.c_str()));
  }

#ifndef _WIN32  // Linux processes, links or permissions
  TEST(ReadOnlyFolderIsUpdatedInPlace) {
    if (geteuid() == 0) return;  // root writes anywhere; the refusal cannot be shown
    ScratchDir dir("ProfileInPlace");
    dir.Put("p.ini", "[S]\r\nk=1\r\n");
    chmod(dir.Native().c_str(), 0555);
    CHECK(WritePrivateProfileStringW(L"S", L"k", L"2", dir.Win(L"p.ini").c_str()));
    chmod(dir.Native().c_str(), 0755);
    CHECK_EQUAL("[S]\r\nk=2\r\n", dir.Get("p.ini"));
  }
#endif

#ifndef _WIN32  // Linux processes, links or permissions
  TEST(FourProcessesLoseNoKey) {
    // The lock is what is shown here, not durability: on a memory file system (when there is
    // one) the 4,000 flushes to disk cost nothing.
    char shm_pattern[] = "/dev/shm/zorbase-profile-XXXXXX";
    const bool in_memory = mkdtemp(shm_pattern) != nullptr && zb::platform::MapDrive(L'T', shm_pattern);
    ScratchDir dir("ProfileProcesses");
    const std::wstring file = in_memory ? std::wstring(L"T:\\shared.ini") : dir.Win(L"shared.ini");
    constexpr int kProcesses = 4;
    constexpr int kKeys = 1000;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
      const pid_t pid = fork();
      if (pid == 0) {
        bool ok = true;
        for (int k = 0; k < kKeys; ++k) {
          const std::wstring key = L"p" + std::to_wstring(p) + L"k" + std::to_wstring(k);
          ok = WritePrivateProfileStringW(L"Keys", key.c_str(), std::to_wstring(k).c_str(), file.c_str()) && ok;
        }
        _exit(ok ? 0 : 1);
      }
      children.push_back(pid);
    }
    for (pid_t pid : children) {
      int status = 0;
      waitpid(pid, &status, 0);
      CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<wchar_t> buffer(200000);
    const DWORD count = GetPrivateProfileStringW(L"Keys", nullptr, L"", buffer.data(),
                                                 static_cast<DWORD>(buffer.size()), file.c_str());
    int keys = 0;
    for (DWORD i = 0; i < count; ++i) keys += buffer[i] == 0 ? 1 : 0;
    CHECK_EQUAL(kProcesses * kKeys, keys);
    CHECK(GetString(L"Keys", L"p3k999", file) == L"999");
    if (in_memory) {
      zb::platform::MapDrive(L'T', "");
      unlink((std::string(shm_pattern) + "/shared.ini").c_str());
      rmdir(shm_pattern);
    }
  }
#endif

#ifndef _WIN32  // Linux processes, links or permissions
  TEST(AKilledWriterLeavesTheOldOrTheNewFile) {
    ScratchDir dir("ProfileKill");
    const std::wstring file = dir.Win(L"k.ini");
    std::string pad = "[Pad]\r\n";
    for (int i = 0; i < 20000; ++i) pad += "key" + std::to_string(i) + "=some value to make the file long\r\n";
    dir.Put("k.ini", "[Counter]\r\nn=0\r\n" + pad + "[Tail]\r\nlast=yes\r\n");
    for (int round = 0; round < 8; ++round) {
      const pid_t pid = fork();
      if (pid == 0) {
        for (int n = 1;; ++n) WritePrivateProfileStringW(L"Counter", L"n", std::to_wstring(n).c_str(), file.c_str());
      }
      usleep(20000 + round * 7000);
      if (pid > 0) kill(pid, SIGKILL);
      int status = 0;
      waitpid(pid, &status, 0);
      CHECK(GetString(L"Tail", L"last", file) == L"yes");
      CHECK(GetString(L"Pad", L"key19999", file) == L"some value to make the file long");
    }
  }
#endif
}
