// MVersionInfo: the version resource of an executable file or a loaded module — the fixed file
// and product versions, the language and code page of the first translation, and named string
// values. Works on Windows PE files and on native modules built with zorbase_add_resources
// (libzorbase.so carries the project version this way). Failures give false or empty texts;
// nothing throws except allocation.
#pragma once

#include <cstdint>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/version.h>

class ZORBASE_API MVersionInfo {
 public:
  // No data; fixed information 0; language and code page 0.
  MVersionInfo();
  // The copy owns its own copy of the data and has the same fixed information, size, language
  // and code page.
  MVersionInfo(const MVersionInfo& other);
  MVersionInfo& operator=(const MVersionInfo& other);
  virtual ~MVersionInfo();

  // Reads the version resource of the file at `path` (a Windows path). Sets the code page to
  // 1252 and clears the fixed information first; takes language and code page from the first
  // translation entry when there is one. True when the fixed record carries its signature.
  bool GET_FILE_VERSION_INFO(const wchar_t* path);
  // The same for a module loaded in the process, found by its name (GetModuleHandleW); null means
  // the executable.
  bool GET_MODULE_VERSION_INFO(const wchar_t* moduleName);

  // Part `index` of the file or product version: 0 major, 1 minor, 2 build, 3 revision; any other
  // index gives 0.
  std::uint32_t GET_VERSION_VALUE(std::uint32_t index) const;
  std::uint32_t GET_PRODUCT_VERSION_VALUE(std::uint32_t index) const;

  // The string value `name` of the translation read (\StringFileInfo\<language><code page>\name,
  // each as four lower-case hexadecimal digits). False, `value` unchanged, without data or value.
  bool GET_VALUE(const wchar_t* name, CString& value);

  // The file version formatted: character i of `order` (at most four) is a digit 1-4 that puts
  // major, minor, build or revision into argument i (other characters leave it 0); `format` takes
  // the four as unsigned numbers ("%d.%d.%d.%d" with "1234" is the dotted version). Empty for an
  // empty or null format or order. Without data the running executable's resource is read
  // first; still none gives an empty text.
  CString GET_FILE_VERSION(const wchar_t* format, const wchar_t* order);

  // Compare the file versions: major, then minor, build, revision; the first difference decides.
  bool operator==(const MVersionInfo& other) const;
  bool operator<(const MVersionInfo& other) const;
  bool operator>(const MVersionInfo& other) const;

  VS_FIXEDFILEINFO fixedInfo;  // zero until a resource is read
  BYTE* data;                  // the whole version block (array new); null when none
  std::uint64_t dataSize;      // its size in bytes
  WORD language;               // from the first translation entry; 0 if none
  WORD codePage;               // from the same entry; 1252 when the resource has none
};
