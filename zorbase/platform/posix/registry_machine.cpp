// The machine hive's description of this machine: the processor keys below
// Hardware\Description\System\CentralProcessor, filled from /proc/cpuinfo when the machine hive is
// first opened by a process, and rewritten only where they differ.
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/portable/registry_internal.h>

namespace zb {
namespace platform {
namespace reg {

namespace {

struct Processor {
  std::map<std::string, std::string> fields;
};

std::string TrimText(const std::string& text) {
  std::size_t begin = text.find_first_not_of(" \t");
  std::size_t end = text.find_last_not_of(" \t\r\n");
  return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

std::vector<Processor> ReadCpuInfo(const char* path) {
  std::vector<Processor> processors;
  std::ifstream in(path);
  std::string line;
  Processor current;
  while (std::getline(in, line)) {
    std::size_t colon = line.find(':');
    if (TrimText(line).empty()) {
      if (!current.fields.empty()) processors.push_back(current);
      current = Processor();
      continue;
    }
    if (colon == std::string::npos) continue;
    current.fields[TrimText(line.substr(0, colon))] = TrimText(line.substr(colon + 1));
  }
  if (!current.fields.empty()) processors.push_back(current);
  return processors;
}

std::string Field(const Processor& processor, const char* name) {
  auto found = processor.fields.find(name);
  return found == processor.fields.end() ? std::string() : found->second;
}

// The "Identifier" text Windows gives a processor, e.g. "Intel64 Family 6 Model 85 Stepping 7".
std::string Identifier(const Processor& processor) {
  std::string vendor = Field(processor, "vendor_id");
  std::string family = Field(processor, "cpu family");
  if (!family.empty()) {
    std::string architecture = vendor == "GenuineIntel" ? "Intel64" : "AMD64";
#if !defined(__x86_64__)
    architecture = "x86";
#endif
    return architecture + " Family " + family + " Model " + Field(processor, "model") + " Stepping " +
           Field(processor, "stepping");
  }
  // Other architectures (ARM): implementer, part and revision as the kernel reports them.
  std::string part = Field(processor, "CPU part");
  if (!part.empty()) {
    return "ARMv8 (64-bit) Family " + Field(processor, "CPU architecture") + " Model " + part + " Revision " +
           Field(processor, "CPU revision");
  }
  return std::string();
}

std::vector<BYTE> StringData(const std::string& utf8) { return SzData(Utf8ToWide(utf8)); }

}  // namespace

void DescribeMachine(Hive* machine) {
  if (machine->read_only()) return;
  const char* source = std::getenv("ZORBASE_CPUINFO");  // tests may describe another machine
  std::vector<Processor> processors = ReadCpuInfo(source != nullptr && *source != 0 ? source : "/proc/cpuinfo");
  std::vector<Edit> edits;
  for (std::size_t index = 0; index < processors.size(); ++index) {
    const Processor& processor = processors[index];
    std::string number = Field(processor, "processor");
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) number = std::to_string(index);
    std::vector<std::wstring> levels = {L"Hardware", L"Description", L"System", L"CentralProcessor",
                                        std::wstring(number.begin(), number.end())};
    std::vector<std::pair<std::wstring, std::pair<DWORD, std::vector<BYTE>>>> values;
    std::string name = Field(processor, "model name");
    if (!name.empty()) values.push_back({L"ProcessorNameString", {REG_SZ, StringData(name)}});
    std::string vendor = Field(processor, "vendor_id");
    if (vendor.empty()) vendor = Field(processor, "CPU implementer");
    if (!vendor.empty()) values.push_back({L"VendorIdentifier", {REG_SZ, StringData(vendor)}});
    std::string identifier = Identifier(processor);
    if (!identifier.empty()) values.push_back({L"Identifier", {REG_SZ, StringData(identifier)}});
    std::string mhz = Field(processor, "cpu MHz");
    if (!mhz.empty()) values.push_back({L"~MHz", {REG_DWORD, DwordData(static_cast<DWORD>(std::atof(mhz.c_str()) + 0.5))}});
    // Only what differs is written, so opening the machine hive costs no write once it is current.
    KeyRecord key;
    KeyId current = kRootKeyId;
    bool exists = true;
    for (const std::wstring& level : levels) {
      if (machine->FindChild(current, level, &key) != ERROR_SUCCESS) {
        exists = false;
        break;
      }
      current = key.id;
    }
    for (const auto& value : values) {
      if (exists) {
        ValueRecord stored;
        if (machine->GetValue(current, value.first, &stored) == ERROR_SUCCESS && stored.type == value.second.first &&
            (value.first == L"~MHz" || stored.data == value.second.second)) {
          continue;
        }
      }
      Edit edit;
      edit.kind = Edit::Kind::kSetValue;
      edit.levels = levels;
      edit.value_name = value.first;
      edit.type = value.second.first;
      edit.data = value.second.second;
      edits.push_back(std::move(edit));
    }
  }
  if (!edits.empty()) machine->Apply(edits);
}

}  // namespace reg
}  // namespace platform
}  // namespace zb
