// miscstr: small helpers on the framework's wide string (CString): delimited values with quoting,
// prefix and suffix tests, splitting, last-occurrence search, truncation, file-name-safe text,
// strict integer parsing and formatting. Case folding is ASCII-only, as everywhere in the library.
#pragma once

#include <cstddef>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>

namespace miscstr {

// An empty wide text.
extern ZORBASE_API const wchar_t null[];

// `specials[0]` is the separator of delimited values and `specials[1]` the quote character; any
// further characters also force quoting. QuoteVal returns `value` unchanged when it holds none of
// `specials`, else quote + value with each quote doubled + quote (null or one-character specials:
// unchanged). GetNextVal reads the next value of `line` from `pos` into `out`, undoing the quoting,
// and moves `pos` past it and its separator; 0 when `pos` is at or past the end (or `specials` is
// null or too short), else 1.
ZORBASE_API CString QuoteVal(CString value, const wchar_t* specials);
ZORBASE_API int GetNextVal(CString line, int& pos, CString& out, const wchar_t* specials);

// Non-zero when 0 <= index < length and s[index] == c.
ZORBASE_API int CharAtIs(CString s, int index, wchar_t c);
// Non-zero when `s` begins (ends) with `prefix` (`suffix`): ordinal, or ASCII letters folded when
// `case_sensitive` is 0.
ZORBASE_API int StartsWith(CString s, CString prefix, int case_sensitive);
ZORBASE_API int EndsWith(CString s, CString suffix, int case_sensitive);
// Splits `s` at the first (with `from_end`, the last) occurrence of `separator`, found without
// regard to case: `left` before it, `right` after it, both trimmed. Not found (or an empty
// separator): `left` is the trimmed text, `right` empty, and the result 0.
ZORBASE_API int Split(CString s, CString separator, CString& left, CString& right, int from_end);
// Index of the last occurrence of `sub` (occurrences may overlap), or -1 (also for an empty sub).
ZORBASE_API int ReverseFind(CString s, CString sub);
// Removes white space at both ends.
ZORBASE_API void Trim(CString& s);
// Appends `delimiter` (when `target` is not empty) and prefix + value + suffix, unless `value` is
// empty.
ZORBASE_API void AddDelimited(CString& target, CString value, CString delimiter, CString prefix,
                              CString suffix);
// A copy of `s` of the same length in which every character that is neither safe (0-9, A-Z, a-z
// and ! # $ % & ' ( ) - @ ^ _ { } ~ `) nor in `also_allowed` becomes '_'.
ZORBASE_API CString MakeStringSafe(const CString& s, const CString& also_allowed);
// Parses a base-10 integer (leading white space and a sign allowed). True only when a digit was
// read, the value fits an int and nothing follows; `value` receives the number in every case
// (saturated on overflow, 0 when nothing was read).
ZORBASE_API bool str2int(const wchar_t* text, int& value);
// A new string formatted by the platform formatter (Windows rules: %s is wide).
ZORBASE_API CString str(const wchar_t* format, ...);
// When longer than `n`, keeps the first `n` characters; returns `s`.
ZORBASE_API CString& TruncateString(CString& s, std::size_t n);
ZORBASE_API CStringA& TruncateString(CStringA& s, std::size_t n);

}  // namespace miscstr
