// Loads a text that a class shows by resource identifier (progress captions, unit names) from the
// host's resource-string wrapper. Every such lookup of the library goes through this one function.
#pragma once

#include <string>

namespace zb {
namespace internal {

// The text of resource string `id` as the host's installed resource-string wrapper loads it
// (ZorResLoadStringEx into a string); empty when no wrapper is installed or the load fails.
std::wstring LoadWrapperText(unsigned int id);

}  // namespace internal
}  // namespace zb
