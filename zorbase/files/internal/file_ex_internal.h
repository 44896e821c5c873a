// Internal settings of MFileEx that tests reach.
#pragma once

#include <cstdint>

namespace zb {
namespace internal {

// The largest piece that MFileEx hands to one ReadFile or WriteFile call (0xFFFFFFFF, the most a
// call can take). Tests lower it to show that large transfers are split correctly.
extern std::uint64_t g_file_ex_max_piece;

}  // namespace internal
}  // namespace zb
