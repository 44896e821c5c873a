// The Windows C runtime's file functions on Windows paths: streams opened with the Windows mode
// strings, 64-bit seek and tell, and the name-level calls, each leaving errno as the Windows
// runtime leaves it (for instance EACCES for removing a directory, a read-only file or a file
// another open denies sharing to). The errno values are this platform's (ENOTEMPTY is Linux's
// number), so callers compare against the usual macros.
//
// Streams are ordinary stdio FILE objects: read, write, flush and close them with fread, fwrite,
// fgets, fprintf, fflush, fclose and the rest of stdio. Underneath, each stream is a file opened as
// CreateFileW opens it, sharing read and write (the runtime's _SH_DENYNO), so share modes between
// streams and handles hold, and every write passes the write fault point. Text mode ("t", or no
// "b") writes each LF as CR LF and reads CR LF as LF, and stops reading at a Ctrl-Z byte; a lone CR
// is kept. In text mode a position from ftell/_ftelli64 is meant only for seeking back to it.
#pragma once

#include <cstdint>
#include <cstdio>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

constexpr int _SH_DENYRW = 0x10;
constexpr int _SH_DENYWR = 0x20;
constexpr int _SH_DENYRD = 0x30;
constexpr int _SH_DENYNO = 0x40;

typedef int errno_t;
typedef std::int64_t __time64_t;
typedef std::uint32_t _fsize_t;

// File attributes of the runtime's find functions.
constexpr unsigned _A_NORMAL = 0x00;
constexpr unsigned _A_RDONLY = 0x01;
constexpr unsigned _A_HIDDEN = 0x02;
constexpr unsigned _A_SYSTEM = 0x04;
constexpr unsigned _A_SUBDIR = 0x10;
constexpr unsigned _A_ARCH = 0x20;

struct _wfinddata64i32_t {
  unsigned attrib;
  __time64_t time_create;
  __time64_t time_access;
  __time64_t time_write;
  _fsize_t size;  // the low 32 bits of the size
  wchar_t name[260];
};

// Opens a stream. Mode: "r", "w" (truncate or create), "a" (append, create), each optionally with
// "+" (read and write), "b" or "t", "x" (with "w": fail when the file exists), and the hint letters
// c n N S R T D ("D": the file is deleted when the stream closes). Null with errno set on failure:
// ENOENT (missing file or directory, invalid drive), EACCES (directory, read-only file for
// writing, sharing violation), EEXIST, EMFILE, EINVAL (bad mode or name).
ZORBASE_API FILE* _wfopen(const wchar_t* name, const wchar_t* mode);
// _wfopen with a share flag (_SH_DENYRW, _SH_DENYWR, _SH_DENYRD, _SH_DENYNO).
ZORBASE_API FILE* _wfsopen(const wchar_t* name, const wchar_t* mode, int share_flag);
// _wfopen returning the errno (0 on success) and storing the stream in *stream (null on failure).
ZORBASE_API errno_t _wfopen_s(FILE** stream, const wchar_t* name, const wchar_t* mode);

// 64-bit seek (origin SEEK_SET, SEEK_CUR, SEEK_END; 0 or -1 with errno EINVAL) and tell.
ZORBASE_API int _fseeki64(FILE* stream, __int64 offset, int origin);
ZORBASE_API __int64 _ftelli64(FILE* stream);

// Existence and permission: mode 0 exists, 2 writable, 4 readable, 6 both. Directories answer
// only for existence. 0, or -1 with errno ENOENT, EACCES or EINVAL.
ZORBASE_API int _waccess(const wchar_t* name, int mode);
// Deletes a file (EACCES for a directory, a read-only file or one open without delete sharing).
ZORBASE_API int _wremove(const wchar_t* name);
ZORBASE_API int _wunlink(const wchar_t* name);
// Renames a file or directory (EACCES when the new name exists).
ZORBASE_API int _wrename(const wchar_t* old_name, const wchar_t* new_name);
// Removes an empty directory (ENOTEMPTY when it is not empty or not a directory).
ZORBASE_API int _wrmdir(const wchar_t* name);
// Creates a directory (EEXIST, ENOENT for a missing parent).
ZORBASE_API int _wmkdir(const wchar_t* name);
ZORBASE_API int _wchdir(const wchar_t* name);
// The current directory in Windows form. With a null buffer a buffer of at least max_length
// characters is allocated with malloc (the caller frees it); ERANGE when the text does not fit.
ZORBASE_API wchar_t* _wgetcwd(wchar_t* buffer, int max_length);

// Directory listing through the runtime: a search handle (-1 with errno ENOENT when nothing
// matches or EINVAL), the next entry (0, or -1 with errno ENOENT at the end), closing (0 or -1).
ZORBASE_API std::intptr_t _wfindfirst64i32(const wchar_t* pattern, _wfinddata64i32_t* data);
ZORBASE_API int _wfindnext64i32(std::intptr_t search, _wfinddata64i32_t* data);
ZORBASE_API int _findclose(std::intptr_t search);
#endif  // _WIN32

