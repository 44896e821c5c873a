// Copying text to and from the clipboard (<zorbase/platform/clipboard.h>) in one call.
#pragma once

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>

// Takes the clipboard's text into `text`: the Unicode text when there is some, else the ANSI
// text converted. Returns 1 when text was taken; 0 (without opening the clipboard) when it holds
// no text, and 0 when it cannot be opened or read (`text` is then unchanged).
ZORBASE_API int GetTextFromClipboard(CString& text);

// Empties the clipboard and puts `text` on it (with its terminator) as Unicode text, or as ANSI
// text for the narrow form. Returns 1 when the clipboard accepted it; 0 when it cannot be opened,
// refused the data (the block is then freed), or `text` is null. The clipboard is closed again
// in every case.
ZORBASE_API int CopyStringToClipboard(const wchar_t* text);
ZORBASE_API int CopyStringToClipboard(const char* text);
