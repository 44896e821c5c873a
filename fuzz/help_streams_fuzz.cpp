// Fuzz target for the readers of compiled-help streams: the context-id map (#IVB with #STRINGS),
// the #SYSTEM records, text pop-up (tips) files and the links of a page. Arbitrary bytes must
// never crash them, every topic they give must come from the strings, and every link they give
// must stay inside the help file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <zorbase/platform/portable/chm_streams.h>

namespace chm = zb::platform::chm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // The first two bytes split the rest into #IVB and #STRINGS.
  if (size >= 2) {
    const std::size_t split = std::min<std::size_t>(size - 2, data[0] | (data[1] << 8));
    const std::string ivb = bytes.substr(2, split);
    const std::string strings = bytes.substr(2 + split);
    for (const chm::ContextEntry& entry : chm::ParseContextMap(ivb, strings)) {
      if (entry.topic.empty() || entry.topic.find('\0') != std::string::npos ||
          strings.find(entry.topic) == std::string::npos) {
        std::abort();
      }
    }
  }
  const std::string topic = chm::ParseDefaultTopic(bytes);
  if (topic.find('\0') != std::string::npos) std::abort();
  for (const chm::TextPopup& popup : chm::ParseTextPopups(bytes)) {
    if (popup.text.size() > bytes.size()) std::abort();
  }
  for (const std::string& name : chm::LinkedNames("/folder/page.htm", bytes)) {
    if (name.empty() || name[0] != '/' || name.find("/../") != std::string::npos ||
        name.find("/./") != std::string::npos || name.find('\\') != std::string::npos) {
      std::abort();
    }
  }
  const std::string normal = chm::NormalizeName(bytes);
  if (!normal.empty() && (normal[0] != '/' || normal.find("/../") != std::string::npos)) {
    std::abort();
  }
  return 0;
}
