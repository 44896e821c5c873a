// Export control for libzorbase.so. The library builds with hidden visibility; every class and
// function that belongs to the public interface carries ZORBASE_API, nothing else is exported.
#pragma once

#define ZORBASE_API __attribute__((visibility("default")))
