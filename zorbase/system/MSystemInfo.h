// What the application wants to know about the machine: the operating system as a type, an edition
// and a text ("Windows 10 Professional Edition x64"), terminal services, the processor
// architecture and model with the processor's own name strings, the number of processors; and live
// queries of disk space, memory, screen and installed components.
//
// The system's numbers come from the platform (GetVersionExW, GetProductInfo, GetSystemMetrics,
// GetSystemInfo; ZORBASE_WINVER and ZORBASE_CPU substitute them, see
// <zorbase/platform/system_info.h>) and the machine hive's
// Hardware\Description\System\CentralProcessor\0; the tables that turn them into types, editions
// and texts are this class's own.
#pragma once

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API MSystemInfo {
 public:
  enum OS_TYPES : std::int32_t {
    OS_UNKNOWN = 0,
    OS_WIN32S = 1,
    OS_WIN95 = 2,
    OS_WIN98 = 3,
    OS_WINME = 4,
    OS_WINNT35 = 5,
    OS_WINNT351 = 6,
    OS_WINNT4 = 7,
    OS_WIN2000 = 8,
    OS_WINXP = 9,
    OS_WIN2003 = 10,
    OS_WINVISTA = 11,
    OS_WIN2008 = 12,  // also Windows Server 2008 R2
    OS_WIN7 = 13,
    OS_WIN2012 = 14,
    OS_WIN8 = 15,
    OS_WIN2012R2 = 16,
    OS_WIN81 = 17,
    OS_WIN2016 = 18,
    OS_WIN10 = 19,
  };

  enum COLOR_TYPES : std::int32_t {
    COLOR_PALETTE_SMALL = 0,  // monochrome or a palette of fewer than 16 entries
    COLOR_PALETTE_16 = 1,     // a palette of 16 to 255 entries
    COLOR_PALETTE_256 = 2,    // a palette of 256 or more entries
    COLOR_OTHER = 3,          // a depth other than 1, 24 and 32 bits
    COLOR_24BIT = 4,
    COLOR_32BIT = 5,
  };

  // Detects the operating system, then the processor.
  MSystemInfo();
  MSystemInfo(const MSystemInfo& other) = default;
  MSystemInfo& operator=(const MSystemInfo& other) = default;
  ~MSystemInfo();

  OS_TYPES GET_OS_TYPE() const { return m_osType; }
  int GET_OS_EDITION() const { return m_osEdition; }
  bool IS_TERMINAL_SERVER() const { return m_terminalServer; }
  unsigned short GET_PROCESSOR() const { return m_processor; }
  unsigned short GET_PROCESSOR_LEVEL() const { return m_processorLevel; }
  unsigned long long GET_NUM_PROCESSOR_CORES() const { return m_processorCount; }
  const wchar_t* GET_OS_DESCRIPTION() const { return m_osDescription.GetString(); }
  // The short name of the type ("Windows 7"); "Unknown" for any value outside the table.
  const wchar_t* GET_OS_STRING() const;
  bool IS_OS_WIN98() const { return m_osType == OS_WIN98; }
  // Whether the system's version verification answers (true on every NT-family system).
  bool IS_OS_NT() const;
  // "Intel x86", "SGI MIPS", "Alpha AXP", "PowerPC", "AMD64", "Intel Itanium"; null otherwise.
  const wchar_t* GET_PROCESSOR_STRING() const;
  // The processor's name when known, else GET_PROCESSOR_STRING (empty for null).
  CString GET_PROCESSOR_STRING2();
  // The processor's name, a space, its identifier.
  CString GET_PROCESSOR_STRING3();
  // The model name of the processor level ("Pentium 4", "Intel64 Unknown", ...).
  const wchar_t* GET_PROCESSOR_LEVEL_STRING() const;
  // Bytes free on the volume of `path` (for the caller); 0 when the query fails.
  unsigned long long GET_FREE_DISK_SPACE(const wchar_t* path) const;

  // Total and available physical memory, total and available page file (commit limit), in bytes;
  // 0 when the system does not answer.
  static long long GET_PHYSICAL_MEMORY();
  static long long GET_FREE_PHYSICAL_MEMORY();
  static long long GET_VIRTUAL_MEMORY();
  static long long GET_FREE_VIRTUAL_MEMORY();
  // The screen's resolution in pixels (0 by 0 without a display).
  static void GET_RESOLUTION(int& width, int& height);
  // The colour depth class of a device context; null: the screen.
  static COLOR_TYPES GET_COLOR_DEPTH(HDC dc);
  static COLOR_TYPES GET_COLOR_DEPTH();
  // The version of the system's web browser component ("shdocvw.dll"); false, with all four
  // outputs 0, when it is not installed.
  bool GET_IE_VERSION(DWORD& major, DWORD& minor, DWORD& third, DWORD& build) const;
  // Whether the HTML Help control's class is registered with a readable default value.
  static bool IS_HTML_HELP_INSTALLED();

 protected:
  void _DetectOperatingSystem();
  void _DetectProcessor();

  OS_TYPES m_osType;
  std::int32_t m_osEdition;
  DWORD m_platformId;
  CString m_osDescription;
  bool m_terminalServer;
  unsigned short m_processor;
  unsigned short m_processorLevel;
  unsigned long long m_processorCount;
  CString m_processorName;
  CString m_processorVendor;
  CString m_processorIdentifier;
};
