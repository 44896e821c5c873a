/* A native library that answers "DllGetVersion" with 3.14.159 for platform 2, as the version
   tests expect. The record: size, major, minor, build, platform (32-bit each). */
#include <stdint.h>

typedef struct {
  uint32_t size, major, minor, build, platform;
} Record;

__attribute__((visibility("default"))) int32_t DllGetVersion(Record* record) {
  if (record == 0 || record->size != sizeof(Record)) return (int32_t)0x80070057; /* E_INVALIDARG */
  record->major = 3;
  record->minor = 14;
  record->build = 159;
  record->platform = 2;
  return 0;
}
