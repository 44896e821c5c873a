// Fuzz target for the .reg file reader: arbitrary bytes must never crash the importer. What the
// reader keeps of a file must survive the writer and parse back, all or nothing, to the same
// document, and its subtree must load into (and export from) an in-memory hive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <zorbase/platform/portable/reg_file.h>
#include <zorbase/platform/portable/registry_store.h>

namespace {

using zb::platform::regfile::Document;

bool SameDocument(const Document& a, const Document& b) {
  if (a.sections.size() != b.sections.size()) return false;
  for (std::size_t i = 0; i < a.sections.size(); ++i) {
    const auto& x = a.sections[i];
    const auto& y = b.sections[i];
    if (x.path != y.path || x.remove != y.remove || x.values.size() != y.values.size()) return false;
    for (std::size_t k = 0; k < x.values.size(); ++k) {
      const auto& v = x.values[k];
      const auto& w = y.values[k];
      if (v.name != w.name || v.remove != w.remove || (!v.remove && (v.type != w.type || v.data != w.data))) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // What the line-by-line reader keeps of any input is a document the writer can carry whole.
  Document document;
  std::vector<zb::platform::regfile::ParseError> skipped;
  if (!zb::platform::regfile::ReadLines(data, size, &document, &skipped)) return 0;
  zb::platform::regfile::ParseError error;
  std::string written = zb::platform::regfile::Write(document);
  Document again;
  if (!zb::platform::regfile::Parse(written.data(), written.size(), &again, &error)) std::abort();
  if (!SameDocument(document, again)) std::abort();
  zb::platform::reg::TreeKey tree;
  std::wstring base;
  if (!zb::platform::regfile::BuildTree(document, &tree, &base)) return 0;
  static std::unique_ptr<zb::platform::reg::Hive> hive = [] {
    DWORD error_code = 0;
    return zb::platform::reg::Hive::OpenMemory(&error_code);
  }();
  if (!hive) std::abort();
  if (hive->ReplaceTree(zb::platform::reg::kRootKeyId, tree) != ERROR_SUCCESS) return 0;
  zb::platform::reg::TreeKey exported;
  if (hive->ExportTree(zb::platform::reg::kRootKeyId, &exported) != ERROR_SUCCESS) std::abort();
  Document out;
  zb::platform::regfile::AppendTree(base, exported, &out);
  zb::platform::regfile::Write(out);
  return 0;
}
