// Fuzz target for the resource readers: arbitrary bytes as a PE file, as .res data and as an ELF
// file with a resource note. Every entry found must lie inside the input; the string-table and
// message-table walkers then run over each entry's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <zorbase/platform/internal/message_table.h>
#include <zorbase/platform/internal/resource_readers.h>
#include <zorbase/platform/internal/version_block.h>

namespace {

using namespace zb::platform::res;

void CheckEntries(ByteSpan input, const ResourceIndex& index) {
  if (index.entries().size() > kMaxResourceEntries) std::abort();
  std::size_t looked_up = 0;
  for (const ResourceEntry& entry : index.entries()) {
    if (entry.data < input.data() || entry.size > input.size() ||
        entry.data > input.data() + (input.size() - entry.size)) {
      std::abort();
    }
    const ByteSpan data(entry.data, entry.size);
    std::wstring text;
    FindMessageInTable(data, 1, &text);
    CheckVersionTree(data);
    // A string-table block: 16 length-prefixed entries.
    std::uint64_t offset = 0;
    for (int i = 0; i < 16; ++i) {
      std::uint16_t length = 0;
      if (!data.U16(offset, &length) || !data.Has(offset + 2, 2ull * length)) break;
      offset += 2 + 2ull * length;
    }
    // A look-up is linear in the entries; a few of them keep the target's time linear too.
    if (++looked_up <= 16) {
      DWORD error = 0;
      if (index.Find(entry.type, entry.name, ResourceIndex::kAnyLanguage, &error) == nullptr) {
        std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteSpan input(data, size);
  ResourceIndex pe;
  ReadPeResources(input, &pe);
  CheckEntries(input, pe);
  ResourceIndex res;
  ReadResFormat(input, &res);
  CheckEntries(input, res);
  const ByteSpan note = FindResourceNoteInElfFile(input);
  if (note.data() != nullptr) {
    ResourceIndex native;
    ReadResFormat(note, &native);
    CheckEntries(input, native);
  }
  return 0;
}
