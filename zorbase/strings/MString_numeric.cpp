// MString numeric conversions through the platform's Windows-runtime conversions.
#include <zorbase/strings/MString.h>

#include <zorbase/platform/numeric.h>

int MString::INT() const { return _wtoi(C_STR()); }

std::int32_t MString::LONG() const { return _wtol(C_STR()); }

double MString::DOUBLE() const { return _wtof(C_STR()); }

float MString::FLOAT() const { return static_cast<float>(_wtof(C_STR())); }

// The scans store nothing when the text holds no number; the value then stays 0.
short MString::SHORT() const {
  short value = 0;
  zb::platform::ScanW(C_STR(), L"%hd", &value);
  return value;
}

unsigned short MString::USHORT() const {
  unsigned short value = 0;
  zb::platform::ScanW(C_STR(), L"%hu", &value);
  return value;
}

std::uint32_t MString::ULONG() const {
  std::uint32_t value = 0;
  zb::platform::ScanW(C_STR(), L"%lu", &value);
  return value;
}
