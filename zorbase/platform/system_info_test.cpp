#include <zorbase/platform/system_info.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdlib>

#include <zorbase/platform/last_error.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

struct Env {
  ~Env() {
    unsetenv("ZORBASE_WINVER");
    unsetenv("ZORBASE_CPU");
  }
};

}  // namespace

SUITE(SystemInfo) {

TEST_FIXTURE(Env, BothVersionRecordSizes) {
  setenv("ZORBASE_WINVER", "6.1.7601;csd=Service Pack 1;sp=1.0;type=3;suite=0x12;product=0x7", 1);
  OSVERSIONINFOEXW ex{};
  ex.dwOSVersionInfoSize = sizeof ex;
  CHECK(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&ex)));
  CHECK_EQUAL(6u, ex.dwMajorVersion);
  CHECK_EQUAL(1u, ex.dwMinorVersion);
  CHECK_EQUAL(7601u, ex.dwBuildNumber);
  CHECK_EQUAL(2u, ex.dwPlatformId);
  CHECK_WIDE(L"Service Pack 1", ex.szCSDVersion);
  CHECK_EQUAL(1, ex.wServicePackMajor);
  CHECK_EQUAL(0x12, ex.wSuiteMask);
  CHECK_EQUAL(3, ex.wProductType);
  OSVERSIONINFOW basic{};
  basic.dwOSVersionInfoSize = sizeof basic;
  CHECK(GetVersionExW(&basic));
  CHECK_EQUAL(sizeof basic, basic.dwOSVersionInfoSize);
  CHECK_EQUAL(7601u, basic.dwBuildNumber);
  basic.dwOSVersionInfoSize = 12;
  CHECK(!GetVersionExW(&basic));
  CHECK_EQUAL(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  DWORD product = 0;
  CHECK(GetProductInfo(6, 1, 1, 0, &product));
  CHECK_EQUAL(7u, product);
}

TEST(ParsingRefusesMalformedText) {
  const char* bad[] = {"10", "10.0", "a.b.c", "10.0.1;platform", "10.0.1;type=300",
                       "10.0.1;suite=0x10000", "10.0.1;sp=1", "10.0.1;metrics=1,,2",
                       "10.0.1;colour=5", "-1.0.1"};
  for (const char* text : bad) {
    zb::platform::EmulatedVersion v;
    CHECK(!zb::platform::ParseEmulatedVersion(text, &v));
    CHECK_EQUAL(10u, v.info.dwMajorVersion);  // the default stays in force
  }
  zb::platform::EmulatedVersion v;
  CHECK(zb::platform::ParseEmulatedVersion("5.1.2600;metrics=86,89", &v));
  CHECK_EQUAL(2u, v.metrics.size());
}

TEST_FIXTURE(Env, MetricsAndVerification) {
  setenv("ZORBASE_WINVER", "5.1.2600;sp=2.0;metrics=86,89", 1);
  CHECK_EQUAL(1, GetSystemMetrics(SM_TABLETPC));
  CHECK_EQUAL(1, GetSystemMetrics(SM_SERVERR2));
  CHECK_EQUAL(0, GetSystemMetrics(SM_MEDIACENTER));
  struct Case { DWORD major, minor; WORD sp; BYTE condition; BOOL expected; };
  const Case cases[] = {{5, 1, 2, VER_GREATER_EQUAL, TRUE}, {5, 1, 3, VER_GREATER_EQUAL, FALSE},
                        {5, 0, 9, VER_GREATER_EQUAL, TRUE}, {6, 0, 0, VER_GREATER_EQUAL, FALSE},
                        {5, 1, 2, VER_EQUAL, TRUE},         {6, 0, 0, VER_LESS, TRUE},
                        {0, 0, 0, VER_GREATER_EQUAL, TRUE}};
  for (const Case& c : cases) {
    OSVERSIONINFOEXW want{};
    want.dwOSVersionInfoSize = sizeof want;
    want.dwMajorVersion = c.major;
    want.dwMinorVersion = c.minor;
    want.wServicePackMajor = c.sp;
    const DWORD types = VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR;
    ULONGLONG mask = VerSetConditionMask(0, types, c.condition);
    CHECK_EQUAL(c.expected, VerifyVersionInfoW(&want, types, mask));
  }
  setenv("ZORBASE_WINVER", "4.10.1998;platform=1", 1);
  OSVERSIONINFOEXW any{};
  CHECK(!VerifyVersionInfoW(&any, VER_MAJORVERSION,
                            VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL)));
}

TEST_FIXTURE(Env, ProcessorRecordAndItsSubstitute) {
  SYSTEM_INFO info;
  GetNativeSystemInfo(&info);
  CHECK(info.dwNumberOfProcessors >= 1);
  CHECK(info.dwPageSize >= 4096);
  setenv("ZORBASE_CPU", "6;31;1280", 1);
  GetSystemInfo(&info);
  CHECK_EQUAL(6, info.wProcessorArchitecture);
  CHECK_EQUAL(31, info.wProcessorLevel);
  CHECK_EQUAL(1280, info.wProcessorRevision);
  CHECK_EQUAL(2200u, info.dwProcessorType);
  setenv("ZORBASE_CPU", "9;x;1", 1);  // does not parse: the machine's figures
  GetSystemInfo(&info);
  CHECK(info.wProcessorLevel != 31);
}

TEST(MemoryAndDisk) {
  MEMORYSTATUSEX status{};
  CHECK(!GlobalMemoryStatusEx(&status));
  status.dwLength = sizeof status;
  CHECK(GlobalMemoryStatusEx(&status));
  CHECK(status.ullTotalPhys > 0 && status.ullAvailPhys <= status.ullTotalPhys);
  CHECK(status.dwMemoryLoad <= 100);
  ULARGE_INTEGER free_bytes, total, total_free;
  CHECK(GetDiskFreeSpaceExW(L"C:\\", &free_bytes, &total, &total_free));
  CHECK(total.QuadPart >= total_free.QuadPart && total_free.QuadPart >= free_bytes.QuadPart);
  DWORD spc, bps, fc, tc;
  CHECK(GetDiskFreeSpaceW(L"C:\\", &spc, &bps, &fc, &tc));
  CHECK_EQUAL(512u, bps);
  CHECK(!GetDiskFreeSpaceExW(L"Q:\\", &free_bytes, nullptr, nullptr));
  CHECK_EQUAL(ERROR_PATH_NOT_FOUND, GetLastError());
}

}
