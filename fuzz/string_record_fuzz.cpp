// Fuzz target for the string-record reader: arbitrary bytes read as a chain of records must never
// crash or read outside the data; a failed read leaves the string unchanged, and every string read
// writes back to a record that reads as the same string.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <zorbase/files/MFileMemory.h>
#include <zorbase/strings/MString.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<unsigned char> bytes(data, data + size);
  for (unsigned char swap : {7, 0}) {
    MFileMemory file;
    file.OPEN_READ(static_cast<LONG>(bytes.size()), bytes.empty() ? nullptr : bytes.data());
    if (bytes.empty()) file.OPEN_READ(1, nullptr);
    file.SET_FILESWAP(swap);
    for (int records = 0; records < 1000; ++records) {
      MString text(L"sentinel");
      if (!text.READ(file)) {
        if (!(text == L"sentinel")) std::abort();
        break;
      }
      if (std::wcslen(text.C_STR()) != text.LEN()) continue;  // a NUL inside: cut on writing
      MFileMemory copy;
      copy.OPEN_WRITE(70000);
      if (!text.WRITE(copy)) continue;  // replacement characters can outgrow the record
      copy.OPEN_READ(0, nullptr);
      MString back;
      if (!back.READ(copy) || !(back == text)) std::abort();
    }
  }
  return 0;
}
