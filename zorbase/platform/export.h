// Export control for libzorbase.so (zorbase.dll on Windows). The library builds with hidden
// visibility; every class and function that belongs to the public interface carries ZORBASE_API,
// nothing else is exported.
#pragma once

#ifdef _WIN32
// On Windows the DLLs export what carries the mark and their users import it; the library's own
// units (and the test runner, which links them directly) are built with ZORBASE_BUILDING_LIBRARY.
#ifdef ZORBASE_BUILDING_LIBRARY
#define ZORBASE_API __declspec(dllexport)
#else
#define ZORBASE_API __declspec(dllimport)
#endif
#else
#define ZORBASE_API __attribute__((visibility("default")))
#endif
