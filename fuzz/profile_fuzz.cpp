// Fuzz target for the private-profile parser: arbitrary bytes must never crash it, an unedited
// document must serialise back to exactly the input, and a value written into any document must
// read back after the text is parsed again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <zorbase/platform/profile/profile_document.h>

using zb::platform::profile::ProfileDocument;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  ProfileDocument doc = ProfileDocument::Parse(bytes);
  if (doc.Serialize() != bytes) std::abort();
  for (const std::wstring& section : doc.SectionNames()) {
    std::vector<std::wstring> keys;
    doc.KeyNames(section, &keys);
    for (const std::wstring& key : keys) {
      std::wstring value;
      doc.Value(section, key, &value);
    }
    std::vector<std::wstring> lines;
    doc.SectionLines(section, &lines);
  }
  const std::vector<std::wstring> names = doc.SectionNames();
  if (!names.empty() && !zb::platform::profile::NamesEqual(names.front(), L"FuzzSection")) {
    doc.RemoveSection(names.front());
  }
  doc.SetValue(L"FuzzSection", L"fuzz key", L"fuzz value");
  ProfileDocument again = ProfileDocument::Parse(doc.Serialize());
  std::wstring value;
  if (!again.Value(L"fuzzsection", L"FUZZ KEY", &value) || value != L"fuzz value") std::abort();
  again.ReplaceSection(L"FuzzSection", {L"a=1", L"b=2"});
  ProfileDocument third = ProfileDocument::Parse(again.Serialize());
  if (!third.Value(L"FuzzSection", L"b", &value) || value != L"2") std::abort();
  return 0;
}
