#include <zorbase/system/MSystemInfo.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdlib>
#include <string>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/system_info.h>
#include <zorbase/settings/COXRegistry.h>
#include <zorbase/strings/internal/wide_check.h>
#include <zorbase/system/internal/system_tables.h>

namespace {

#ifndef _WIN32
// The operating system and processor substituted through the environment are the Linux
// emulation's; Windows reports its own.
const wchar_t kCpuKey[] = L"Hardware\\Description\\System\\CentralProcessor\\0";

// Substitutes ZORBASE_WINVER, ZORBASE_CPU and the processor's registry strings for one test and
// puts everything back afterwards.
struct Substitution {
  Substitution() {
    COXRegistry reg;
    reg.Connect(COXRegistry::keyLocalMachine());
    reg.CreateKey(kCpuKey);
    reg.GetStringValue(L"ProcessorNameString", name_);
    reg.GetStringValue(L"VendorIdentifier", vendor_);
    reg.GetStringValue(L"Identifier", identifier_);
  }
  ~Substitution() {
    unsetenv("ZORBASE_WINVER");
    unsetenv("ZORBASE_CPU");
    SetStrings(name_, vendor_, identifier_);
  }
  void Set(const char* winver, const char* cpu) {
    if (winver) setenv("ZORBASE_WINVER", winver, 1); else unsetenv("ZORBASE_WINVER");
    if (cpu) setenv("ZORBASE_CPU", cpu, 1); else unsetenv("ZORBASE_CPU");
  }
  static void SetStrings(const CString& name, const CString& vendor, const CString& identifier) {
    COXRegistry reg;
    reg.Connect(COXRegistry::keyLocalMachine());
    reg.CreateKey(kCpuKey);
    reg.SetStringValue(L"ProcessorNameString", name);
    reg.SetStringValue(L"VendorIdentifier", vendor);
    reg.SetStringValue(L"Identifier", identifier);
  }
  CString name_, vendor_, identifier_;
};
#endif  // _WIN32

}  // namespace

SUITE(MSystemInfo) {

#ifndef _WIN32  // substitution through the environment is the Linux emulation's
TEST_FIXTURE(Substitution, EveryOperatingSystemAndEditionRow) {
  struct Case { const char* winver; int type; int edition; const wchar_t* text; };
  const Case cases[] = {
      {"3.10.0;platform=0", 1, -1, L"Windows 3.11 Win32s"},
      {"4.0.950;platform=1;csd=C", 2, 4, L"Windows 95 OSR 2.5"},
      {"4.0.1111;platform=1;csd=B", 2, 2, L"Windows 95 OSR2"},
      {"4.0.1212;platform=1;csd=B", 2, 3, L"Windows 95 OSR 2.1"},
      {"4.0.950;platform=1;csd=A", 2, 1, L"Windows 95 SP1"},
      {"4.0.950;platform=1", 2, 0, L"Windows 95"},
      {"4.0.950;platform=1;csd=c", 2, 0, L"Windows 95"},  // compared case-sensitively
      {"4.10.2222;platform=1;csd=A", 3, 1, L"Windows 98 Second Edition"},
      {"4.10.1998;platform=1", 3, 0, L"Windows 98"},
      {"4.90.3000;platform=1", 4, -1, L"Windows ME"},
      {"4.20.0;platform=1", 0, -1, L"Unknown"},
      {"5.0.0;platform=3", 0, -1, L"Unknown"},
      {"3.51.1057;type=1", 6, 0, L"Windows NT Workstation 3.51 x64"},
      {"3.51.1057;type=3", 6, 1, L"Windows NT Server 3.51 x64"},
      {"3.50.807;type=1", 5, 0, L"Windows NT Workstation 3.5 x64"},
      {"3.50.807;type=2", 5, 1, L"Windows NT Server 3.5 x64"},
      {"4.0.1381;type=1", 7, 0, L"Windows NT Workstation 4.0 x64"},
      {"4.0.1381;type=3;suite=0x2", 7, 2, L"Windows NT Server 4.0 Enterprise Edition x64"},
      {"4.0.1381;type=3", 7, 1, L"Windows NT Server 4.0 Standard Edition x64"},
      {"5.0.2195;type=1", 8, 0, L"Windows 2000 Professional x64"},
      {"5.0.2195;type=3;suite=0x82", 8, 3, L"Windows 2000 Datacenter Server x64"},
      {"5.0.2195;type=3;suite=0x2", 8, 2, L"Windows 2000 Advanced Server x64"},
      {"5.0.2195;type=3", 8, 1, L"Windows 2000 Server x64"},
      {"5.1.2600;type=1;metrics=86,87", 9, 6, L"Windows XP Media Center Edition x64"},
      {"5.1.2600;type=1;metrics=86,88", 9, 5, L"Windows XP Tablet PC Edition x64"},
      {"5.1.2600;type=1;metrics=88;suite=0x1", 9, 0, L"Windows XP Starter Edition x64"},
      {"5.1.2600;type=1;suite=0x201", 9, 1, L"Windows XP Embedded x64"},
      {"5.1.2600;type=1;suite=0x200", 9, 2, L"Windows XP Home Edition x64"},
      {"5.1.2600;type=1", 9, 3, L"Windows XP Professional x64"},
      {"5.1.2600;type=3", 9, -1, L"Unknown x64"},
      {"5.2.3790;type=1", 9, 4, L"Windows XP Professional x64 Edition x64"},
      {"5.2.3790;type=3;suite=0x4082", 10, 6, L"Windows Server 2003 Compute Cluster Edition x64"},
      {"5.2.3790;type=3;suite=0x2082", 10, 5, L"Windows Storage Server 2003 R2 x64"},
      {"5.2.3790;type=3;suite=0x82", 10, 4, L"Windows Server 2003 Datacenter Edition x64"},
      {"5.2.3790;type=3;suite=0x402", 10, 3, L"Windows Server 2003 Enterprise Edition x64"},
      {"5.2.3790;type=3;suite=0x421", 10, 1, L"Windows Server 2003 Web Edition x64"},
      {"5.2.3790;type=3;suite=0x21", 10, 0, L"Windows Small Business Server 2003 x64"},
      {"5.2.3790;type=3;suite=0x1", 10, 2, L"Windows Server 2003 Standard Edition x64"},
      {"5.2.3790;type=2", 10, 2, L"Windows Server 2003 Standard Edition x64"},
      // Windows Vista: codes 1 to 28 only.
      {"6.0.6002;product=0x1", 11, 5, L"Windows Vista Ultimate Edition x64"},
      {"6.0.6002;product=0x1C", 11, 5, L"Windows Vista Ultimate Edition x64"},
      {"6.0.6002;product=0x2", 11, 1, L"Windows Vista Home Basic Edition x64"},
      {"6.0.6002;product=0x3", 11, 2, L"Windows Vista Home Premium Edition x64"},
      {"6.0.6002;product=0x4", 11, 4, L"Windows Vista Enterprise Edition x64"},
      {"6.0.6002;product=0x6", 11, 3, L"Windows Vista Business Edition x64"},
      {"6.0.6002;product=0xB", 11, 0, L"Windows Vista Starter Edition x64"},
      {"6.0.6002;product=0x30", 11, -1, L"Unknown x64"},
      {"6.0.6002;product=0x7", 11, -1, L"Unknown x64"},
      // Windows 7: codes 1 to 71.
      {"6.1.7601;product=0x47", 13, 4, L"Windows 7 Ultimate Edition x64"},
      {"6.1.7601;product=0x43", 13, 1, L"Windows 7 Home Basic Edition x64"},
      {"6.1.7601;product=0x44", 13, 2, L"Windows 7 Home Premium Edition x64"},
      {"6.1.7601;product=0x46", 13, 5, L"Windows 7 Enterprise Edition x64"},
      {"6.1.7601;product=0x45", 13, 3, L"Windows 7 Professional Edition x64"},
      {"6.1.7601;product=0x42", 13, 0, L"Windows 7 Starter Edition x64"},
      {"6.1.7601;product=0x48", 13, -1, L"Unknown x64"},
      {"6.1.7601;product=0x30;csd=Service Pack 1;sp=1.0", 13, 3,
       L"Windows 7 Professional Edition x64, Service Pack 1"},
      {"6.2.9200;product=0x30", 15, 3, L"Windows 8 Professional Edition x64"},
      {"6.2.9200;product=0x63", 15, 6, L"Windows 8 x64"},
      {"6.3.9600;product=0x30", 17, 3, L"Windows 8.1 Professional Edition x64"},
      {"6.3.9600;product=0x1", 17, 4, L"Windows 8.1 Ultimate Edition x64"},
      {"10.0.19045;product=0x30", 19, 3, L"Windows 10 Professional Edition x64"},
      {"10.0.19045;product=0xB", 19, 0, L"Windows 10 Starter Edition x64"},
      {"10.0.19045;product=0x64", 19, 6, L"Windows 10 x64"},
      {"10.0.19045;product=0x4", 19, 5, L"Windows 10 Enterprise Edition x64"},
      {"10.0.19045;product=0x2", 19, 1, L"Windows 10 Home Basic Edition x64"},
      {"10.0.19045;product=0x3", 19, 2, L"Windows 10 Home Premium Edition x64"},
      {"10.0.19045;product=0x7", 19, 6, L"Windows 10 x64"},
      // Windows Server 2008: codes 7 to 41.
      {"6.0.6002;type=3;product=0x7", 12, 2, L"Windows Server 2008 Standard Edition x64"},
      {"6.0.6002;type=3;product=0x8", 12, 4, L"Windows Server 2008 Datacenter Edition x64"},
      {"6.0.6002;type=3;product=0x9", 12, 7, L"Windows Small Business Server 2008 x64"},
      {"6.0.6002;type=3;product=0xA", 12, 3, L"Windows Server 2008 Enterprise Edition x64"},
      {"6.0.6002;type=3;product=0xF", 12, 9, L"Windows Server 2008 for Itanium-Based Systems x64"},
      {"6.0.6002;type=3;product=0x11", 12, 0, L"Windows Web Server 2008 x64"},
      {"6.0.6002;type=3;product=0x12", 12, 5, L"Windows HPC Server 2008 x64"},
      {"6.0.6002;type=3;product=0x13", 12, 1, L"Windows Home Server x64"},
      {"6.0.6002;type=3;product=0x14", 12, 6, L"Windows Storage Server 2008 x64"},
      {"6.0.6002;type=3;product=0x1E", 12, 8, L"Windows Essential Business Server 2008 x64"},
      {"6.0.6002;type=3;product=0x21", 12, 10, L"Windows Server 2008 Foundation Edition x64"},
      {"6.0.6002;type=3;product=0x2A", 12, -1, L"Unknown x64"},
      {"6.0.6002;type=3;product=0x6", 12, -1, L"Unknown x64"},
      // Windows Server 2008 R2.
      {"6.1.7601;type=3;product=0xD", 12, 12, L"Windows Server 2008 R2 Standard Edition x64"},
      {"6.1.7601;type=3;product=0xC", 12, 14, L"Windows Server 2008 R2 Datacenter Edition x64"},
      {"6.1.7601;type=3;product=0xE", 12, 13, L"Windows Server 2008 R2 Enterprise Edition x64"},
      {"6.1.7601;type=3;product=0xF", 12, 17,
       L"Windows Server 2008 R2 for Itanium-Based Systems x64"},
      {"6.1.7601;type=3;product=0x1D", 12, 15, L"Windows Web Server 2008 R2 x64"},
      {"6.1.7601;type=3;product=0x12", 12, 16, L"Windows HPC Server 2008 R2 x64"},
      {"6.1.7601;type=3;product=0x21", 12, 11, L"Windows Server 2008 R2 Foundation Edition x64"},
      {"6.1.7601;type=3;product=0x9", 12, -1, L"Unknown x64"},
      {"6.1.7601;type=3;product=0x13", 12, -1, L"Unknown x64"},
      {"6.1.7601;type=3;product=0x15", 12, -1, L"Unknown x64"},
      {"6.1.7601;type=3;product=0x20", 12, -1, L"Unknown x64"},
      {"6.1.7601;type=3;product=0x2A", 12, -1, L"Unknown x64"},
      // Windows Server 2012, 2012 R2, 2016.
      {"6.2.9200;type=3;product=0x24", 14, 2, L"Windows Server 2012 Standard Edition x64"},
      {"6.2.9200;type=3;product=0x25", 14, 4, L"Windows Server 2012 Datacenter Edition x64"},
      {"6.2.9200;type=3;product=0x18", 14, 7, L"Windows Small Business Server 2012 x64"},
      {"6.2.9200;type=3;product=0x26", 14, 3, L"Windows Server 2012 Enterprise Edition x64"},
      {"6.2.9200;type=3;product=0xF", 14, 9, L"Windows Server 2012 for Itanium-Based Systems x64"},
      {"6.2.9200;type=3;product=0x11", 14, 0, L"Windows Web Server 2012 x64"},
      {"6.2.9200;type=3;product=0x12", 14, 5, L"Windows HPC Server 2012 x64"},
      {"6.2.9200;type=3;product=0x13", 14, 1, L"Windows Server 2012 Home Server x64"},
      {"6.2.9200;type=3;product=0x16", 14, 6, L"Windows Storage Server 2012 x64"},
      {"6.2.9200;type=3;product=0x1F", 14, 8, L"Windows Essential Business Server 2012 x64"},
      {"6.2.9200;type=3;product=0x21", 14, 10, L"Windows Server 2012 Foundation Edition x64"},
      {"6.2.9200;type=3;product=0x32", 14, 11, L"Windows Server 2012 x64"},
      {"6.3.9600;type=3;product=0x7", 16, 2, L"Windows Server 2012 R2 Standard Edition x64"},
      {"6.3.9600;type=3;product=0x19", 16, 7, L"Windows Small Business Server 2012 R2 x64"},
      {"6.3.9600;type=3;product=0x1D", 16, 0, L"Windows Web Server 2012 R2 x64"},
      {"6.3.9600;type=3;product=0x0", 16, 11, L"Windows Server 2012 R2 x64"},
      {"10.0.14393;type=2;product=0x8", 18, 4, L"Windows Server 2016 Datacenter Edition x64"},
      {"10.0.14393;type=3;product=0x14", 18, 6, L"Windows Storage Server 2016 x64"},
      {"10.0.14393;type=3;product=0x20", 18, 8, L"Windows Essential Business Server 2016 x64"},
      {"10.0.14393;type=3;product=0x12", 18, 5, L"Windows HPC Server 2016 x64"},
      // Versions no table knows.
      {"6.4.9800;type=1", 0, -1, L"Unknown x64"},
      {"7.0.1;type=1", 0, -1, L"Unknown x64"},
      {"10.1.1;type=1", 0, -1, L"Unknown x64"},
      {"11.0.22000;type=1", 0, -1, L"Unknown x64"},
  };
  for (const Case& c : cases) {
    Set(c.winver, nullptr);
    MSystemInfo info;
    CHECK_EQUAL(c.type, static_cast<int>(info.GET_OS_TYPE()));
    CHECK_EQUAL(c.edition, info.GET_OS_EDITION());
    CHECK_WIDE(c.text, info.GET_OS_DESCRIPTION());
    if (c.type != info.GET_OS_TYPE() || c.edition != info.GET_OS_EDITION())
      std::printf("  case %s\n", c.winver);
  }
}

TEST_FIXTURE(Substitution, EveryProcessorRow) {
  struct Case {
    const char* winver;
    const char* cpu;
    const wchar_t* vendor;
    unsigned short processor;
    unsigned short level;
    const wchar_t* model;
  };
  const Case cases[] = {
      {"3.10.0;platform=0", "0;6;0", L"GenuineIntel", 0, 0xFFFF, L"Intel Unknown"},
      {"4.10.1998;platform=1", "0;3;0", L"GenuineIntel", 0, 0, L"Intel 386"},
      {"4.10.1998;platform=1", "0;4;0", L"GenuineIntel", 0, 1, L"Intel 486"},
      {"4.10.1998;platform=1", "0;5;0", L"GenuineIntel", 0, 2, L"Pentium"},
      {"4.10.1998;platform=1", "0;2;0", L"GenuineIntel", 0, 15, L"Intel Unknown"},
      {nullptr, "0;5;1024", L"AuthenticAMD", 0, 17, L"AMD K6"},
      {nullptr, "0;5;768", L"AuthenticAMD", 0, 16, L"AMD K5"},
      {nullptr, "0;6;2048", L"AuthenticAMD", 0, 18, L"Athlon"},
      {nullptr, "0;15;0", L"AuthenticAMD", 0, 19, L"AMD Unknown"},
      {nullptr, "0;15;512", L"GenuineIntel", 0, 9, L"Pentium 4"},
      {nullptr, "0;4;768", L"GenuineIntel", 0, 15, L"Intel Unknown"},
      {nullptr, "0;6;768", L"GenuineIntel", 0, 0, L"Intel 386"},
      {nullptr, "0;6;1024", L"GenuineIntel", 0, 1, L"Intel 486"},
      {nullptr, "0;6;1280", L"GenuineIntel", 0, 2, L"Pentium"},
      {nullptr, "0;6;1536", L"GenuineIntel", 0, 5, L"Pentium 2"},
      {nullptr, "0;6;1792", L"GenuineIntel", 0, 7, L"Pentium 3"},
      {nullptr, "0;6;3840", L"GenuineIntel", 0, 13, L"Intel Core 2"},
      {nullptr, "0;6;5888", L"GenuineIntel", 0, 13, L"Intel Core 2"},
      {nullptr, "0;6;2048", L"GenuineIntel", 0, 15, L"Intel Unknown"},
      {nullptr, "0;271;1536", L"GenuineIntel", 0, 5, L"Pentium 2"},  // family 15, high byte 1
      {nullptr, "0;6;1536", L"CyrixInstead", 0, 15, L"Intel Unknown"},
      {nullptr, "1;3;0", L"", 1, 0, L"R3000"},
      {nullptr, "1;4;0", L"", 1, 1, L"R4000"},
      {nullptr, "1;5;0", L"", 1, 2, L"R5000"},
      {nullptr, "1;6;0", L"", 1, 3, L"MIPS Unknown"},
      {nullptr, "2;21064;0", L"", 2, 0, L"21064"},
      {nullptr, "2;21066;0", L"", 2, 1, L"21066"},
      {nullptr, "2;21164;0", L"", 2, 2, L"21164"},
      {nullptr, "2;21264;0", L"", 2, 3, L"Alpha Unknown"},
      {nullptr, "3;1;0", L"", 3, 0, L"601"},
      {nullptr, "3;3;0", L"", 3, 1, L"603"},
      {nullptr, "3;4;0", L"", 3, 2, L"604"},
      {nullptr, "3;6;0", L"", 3, 3, L"603+"},
      {nullptr, "3;9;0", L"", 3, 4, L"604+"},
      {nullptr, "3;20;0", L"", 3, 5, L"620"},
      {nullptr, "3;5;0", L"", 3, 6, L"PowerPC Unknown"},
      {nullptr, "6;31;0", L"GenuineIntel", 5, 0, L"Intel Itanium"},
      {nullptr, "6;31;0", L"OtherVendor", 5, 0xFFFF, L"Itanium Unknown"},
      {nullptr, "9;15;512", L"AuthenticAMD", 4, 1, L"Athlon 64"},
      {nullptr, "9;25;512", L"AuthenticAMD", 4, 3, L"AMD64 Unknown"},
      {nullptr, "9;15;1024", L"GenuineIntel", 4, 6, L"Intel64 Pentium 4"},
      {nullptr, "9;15;1536", L"GenuineIntel", 4, 9, L"Intel64 Pentium D"},
      {nullptr, "9;15;768", L"GenuineIntel", 4, 11, L"Intel64 Unknown"},
      {nullptr, "9;6;21760", L"GenuineIntel", 4, 11, L"Intel64 Unknown"},
      {nullptr, "9;6;0", L"HygonGenuine", 4, 3, L"AMD64 Unknown"},
      {nullptr, "12;8;0", L"", 0xFFFF, 0xFFFF, L"Unknown"},
  };
  for (const Case& c : cases) {
    Set(c.winver, c.cpu);
    SetStrings(L"Some Processor", c.vendor, L"Family 1");
    MSystemInfo info;
    CHECK_EQUAL(c.processor, info.GET_PROCESSOR());
    CHECK_EQUAL(c.level, info.GET_PROCESSOR_LEVEL());
    CHECK_WIDE(c.model, info.GET_PROCESSOR_LEVEL_STRING());
    if (c.level != info.GET_PROCESSOR_LEVEL()) std::printf("  case %s\n", c.cpu);
  }
  // The IA-64 type other than 2200 is never reported by the platform; the table still has a row.
  SYSTEM_INFO record{};
  record.wProcessorArchitecture = 6;
  record.dwProcessorType = 2300;
  CHECK_EQUAL(1, zb::system_internal::DecideProcessor(record, L"GenuineIntel", 2).level);
}
#endif  // _WIN32

TEST(EveryModelName) {
  struct Case { unsigned short processor, level; const wchar_t* name; };
  const Case cases[] = {
      {0, 0, L"Intel 386"}, {0, 1, L"Intel 486"}, {0, 2, L"Pentium"}, {0, 3, L"Pentium MMX"},
      {0, 4, L"Pentium Pro"}, {0, 5, L"Pentium 2"}, {0, 6, L"Celeron"}, {0, 7, L"Pentium 3"},
      {0, 8, L"Celeron 3"}, {0, 9, L"Pentium 4"}, {0, 10, L"Pentium M"}, {0, 11, L"Celeron M"},
      {0, 12, L"Intel Core"}, {0, 13, L"Intel Core 2"}, {0, 14, L"Intel Xeon"},
      {0, 15, L"Intel Unknown"}, {0, 16, L"AMD K5"}, {0, 17, L"AMD K6"}, {0, 18, L"Athlon"},
      {0, 19, L"AMD Unknown"}, {0, 20, L"Intel Unknown"}, {1, 0, L"R3000"}, {1, 1, L"R4000"},
      {1, 2, L"R5000"}, {1, 3, L"MIPS Unknown"}, {2, 0, L"21064"}, {2, 1, L"21066"},
      {2, 2, L"21164"}, {2, 9, L"Alpha Unknown"}, {3, 0, L"601"}, {3, 1, L"603"}, {3, 2, L"604"},
      {3, 3, L"603+"}, {3, 4, L"604+"}, {3, 5, L"620"}, {3, 6, L"PowerPC Unknown"},
      {4, 0, L"Opteron 64"}, {4, 1, L"Athlon 64"}, {4, 2, L"Sempron 64"}, {4, 3, L"AMD64 Unknown"},
      {4, 4, L"Intel64 Xeon"}, {4, 5, L"Intel64 Core 2"}, {4, 6, L"Intel64 Pentium 4"},
      {4, 7, L"Intel64 Pentium EE"}, {4, 8, L"Intel64 Pentium Dual Core"},
      {4, 9, L"Intel64 Pentium D"}, {4, 10, L"Intel64 Celeron M"}, {4, 11, L"Intel64 Unknown"},
      {4, 12, L"AMD64 Unknown"}, {5, 0, L"Intel Itanium"}, {5, 1, L"Itanium Unknown"},
      {6, 0, L"Unknown"}, {0xFFFF, 0xFFFF, L"Unknown"}};
  for (const Case& c : cases)
    CHECK_WIDE(c.name, zb::system_internal::ProcessorLevelName(c.processor, c.level));
}

#ifndef _WIN32  // substitution through the environment is the Linux emulation's
TEST_FIXTURE(Substitution, ProcessorNamesFromTheMachineHive) {
  Set(nullptr, "9;6;0");
  SetStrings(L"  Intel(R)  Core(TM)   i7 CPU  ", L"GenuineIntel", L"Intel64 Family 6 Model 85");
  MSystemInfo info;
  CHECK_WIDE(L"Intel(R) Core(TM) i7 CPU", info.GET_PROCESSOR_STRING2().GetString());
  CHECK_WIDE(L"Intel(R) Core(TM) i7 CPU Intel64 Family 6 Model 85",
             info.GET_PROCESSOR_STRING3().GetString());
  CHECK_WIDE(L"AMD64", info.GET_PROCESSOR_STRING());
  CHECK(info.GET_NUM_PROCESSOR_CORES() >= 1);
  SetStrings(L"", L"GenuineIntel", L"");
  MSystemInfo unnamed;
  CHECK_WIDE(L"AMD64", unnamed.GET_PROCESSOR_STRING2().GetString());
  MSystemInfo copy(unnamed);
  CHECK_WIDE(unnamed.GET_OS_DESCRIPTION(), copy.GET_OS_DESCRIPTION());
}

TEST_FIXTURE(Substitution, ShortNamesTerminalServerAndNtCheck) {
  Set("10.0.19045;suite=0x110", nullptr);
  MSystemInfo info;
  CHECK(info.IS_TERMINAL_SERVER());
  CHECK_WIDE(L"Windows 10", info.GET_OS_STRING());
  CHECK(info.IS_OS_NT());
  CHECK(!info.IS_OS_WIN98());
  Set("4.10.1998;platform=1", nullptr);
  MSystemInfo win98;
  CHECK(win98.IS_OS_WIN98());
  CHECK_WIDE(L"Windows 98", win98.GET_OS_STRING());
  CHECK(!win98.IS_OS_NT());
  CHECK(!win98.IS_TERMINAL_SERVER());
}

TEST_FIXTURE(Substitution, DefaultIsWindows10Professional) {
  Set(nullptr, nullptr);
  MSystemInfo info;
  CHECK_EQUAL(19, static_cast<int>(info.GET_OS_TYPE()));
  CHECK_WIDE(L"Windows 10 Professional Edition x64", info.GET_OS_DESCRIPTION());
  Set("not a version", nullptr);  // does not parse: the default stays in force
  MSystemInfo fallback;
  CHECK_WIDE(L"Windows 10 Professional Edition x64", fallback.GET_OS_DESCRIPTION());
}
#endif  // _WIN32

TEST(LiveQueries) {
  MSystemInfo info;
  CHECK(info.GET_FREE_DISK_SPACE(L"C:") > 0);
  CHECK_EQUAL(0ull, info.GET_FREE_DISK_SPACE(L"Q:\\unmapped"));
  CHECK(MSystemInfo::GET_PHYSICAL_MEMORY() > 0);
  CHECK(MSystemInfo::GET_FREE_PHYSICAL_MEMORY() <= MSystemInfo::GET_PHYSICAL_MEMORY());
  CHECK(MSystemInfo::GET_VIRTUAL_MEMORY() >= MSystemInfo::GET_PHYSICAL_MEMORY());
  CHECK(MSystemInfo::GET_FREE_VIRTUAL_MEMORY() > 0);
  int width = -1, height = -1;
  MSystemInfo::GET_RESOLUTION(width, height);
  CHECK(width >= 0 && height >= 0);
  CHECK_EQUAL(static_cast<int>(MSystemInfo::COLOR_32BIT),
              static_cast<int>(MSystemInfo::GET_COLOR_DEPTH()));
  DWORD a = 9, b = 9, c = 9, d = 9;
  CHECK(!info.GET_IE_VERSION(a, b, c, d));
  CHECK(a == 0 && b == 0 && c == 0 && d == 0);
  CHECK(!MSystemInfo::IS_HTML_HELP_INSTALLED());
}

TEST(BrowserVersionFromTheComponentsFile) {
  // A PE library with file version 1.2.3.4 (made by mingw-w64) stands in for the component.
  wchar_t saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, saved);
  CHECK(SetCurrentDirectoryW(L"C:\\"));
  std::wstring fixture = zb::platform::NativeToWindowsPath(
      std::string(ZORBASE_SOURCE_DIR) + "/fuzz/corpus/pe_resources_fuzz/pe_with_version.dll");
  CHECK(CopyFileW(fixture.c_str(), L"C:\\shdocvw.dll", FALSE));
  MSystemInfo info;
  DWORD major = 0, minor = 0, third = 0, build = 0;
  CHECK(info.GET_IE_VERSION(major, minor, third, build));
  CHECK_EQUAL(2u, major);  // file version 1.2: below 4.40
  CHECK_EQUAL(0u, minor);
  CHECK_EQUAL(4u, third);
  CHECK_EQUAL(3u, build);
  DeleteFileW(L"C:\\shdocvw.dll");
  SetCurrentDirectoryW(saved);
}

TEST(BrowserVersionRules) {
  struct Case { DWORD v, n; DWORD major, minor; bool ok; };
  const Case cases[] = {{0, 5, 0, 0, false}, {6, 3, 5, 3, true},   {5, 50, 5, 50, true},
                        {4, 40, 2, 0, true}, {4, 70, 3, 0, true},  {4, 71, 4, 0, true},
                        {4, 72, 4, 1, true}, {4, 73, 4, 2, true}};
  for (const Case& c : cases) {
    DWORD major, minor, third, build;
    CHECK_EQUAL(c.ok, zb::system_internal::BrowserVersion(c.v, c.n, 7, 1234, major, minor, third,
                                                          build));
    CHECK_EQUAL(c.major, major);
    CHECK_EQUAL(c.minor, minor);
    CHECK_EQUAL(c.ok ? 7u : 0u, third);
    CHECK_EQUAL(c.ok ? 1234u : 0u, build);
  }
}

}
