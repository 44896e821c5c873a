// String resources by id. The buffer forms never give an empty text for a missing string: the
// buffer then holds the message "ID=<id>: can't load string from module: '<file>', h=<handle>",
// so a missing resource shows up where the text would have been.
#pragma once

#include <cstddef>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// Loads string `id` of `module` into `buffer` (at most `size` characters, terminator included)
// and returns `buffer`. `size` 0 leaves the buffer untouched; `id` 0 empties it; a string that
// does not load gives the message above, cut at size - 1.
ZORBASE_API wchar_t* MLoadString(HINSTANCE module, unsigned int id, wchar_t* buffer,
                                 std::size_t size);
// The same in the process-wide resource module (CZorResource::GetResInstance).
ZORBASE_API wchar_t* MLoadString(unsigned int id, wchar_t* buffer, std::size_t size);
// String `id` of any length into `out` (from the process-wide resource module); returns `out`.
ZORBASE_API CString& MLoadString(CString& out, unsigned int id);

// Loads string `id` as above and uses it as a printf-style format (Windows rules, at most 1,024
// characters produced) for the further arguments; the result replaces `buffer`'s content, cut at
// size - 1 characters. An empty string leaves the buffer as loaded. Returns `buffer`.
ZORBASE_API wchar_t* MLoadStringF(unsigned int id, wchar_t* buffer, std::size_t size, ...);
