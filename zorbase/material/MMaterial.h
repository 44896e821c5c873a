// The surface description handed to the applications' 3-D display: ambient, diffuse, specular and
// emissive colours with alpha, and the specular shininess. A plain value type.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// Packed colours hold red in bits 0-7, green 8-15, blue 16-23 and alpha 24-31, each byte the
// component times 255 truncated (so 0.5 gives 127). Unpacking divides each byte by 255. A
// component outside 0..1 packs to the nearest end of its byte (NaN to 0).
class ZORBASE_API MMaterial {
 public:
  // Ambient 0.5 0.5 0.5 1, diffuse 0.75 0.75 0.75 1, specular 0.5 0.5 0.5 1, shininess 20,
  // emissive 0 0 0 1.
  MMaterial();
  MMaterial(const MMaterial&) = default;
  MMaterial& operator=(const MMaterial&) = default;
  void SetDefaults();

  // Equal when all seventeen values are bitwise identical (0.0 and -0.0 differ; identical NaN
  // patterns are equal).
  bool operator==(const MMaterial& other) const;
  bool operator!=(const MMaterial& other) const;

  void SetAmbient(float r, float g, float b, float a);
  void SetDiffuse(float r, float g, float b, float a);
  void SetSpecular(float r, float g, float b, float a, float shininess);
  void SetEmissive(float r, float g, float b, float a);
  void GetAmbient(float& r, float& g, float& b, float& a) const;
  void GetDiffuse(float& r, float& g, float& b, float& a) const;
  void GetSpecular(float& r, float& g, float& b, float& a) const;
  void GetSpecular(float& r, float& g, float& b, float& a, float& shininess) const;
  void GetEmissive(float& r, float& g, float& b, float& a) const;

  void SetAmbient(ULONG rgba);
  void SetDiffuse(ULONG rgba);
  void SetSpecular(ULONG rgba, float shininess);
  void SetEmissive(ULONG rgba);
  ULONG GetAmbient() const;
  ULONG GetDiffuse() const;
  ULONG GetSpecular() const;
  ULONG GetEmissive() const;

  void SetShininess(float shininess);
  float GetShininess() const;

 private:
  enum { kAmbient = 0, kDiffuse = 4, kSpecular = 8, kShininess = 12, kEmissive = 13, kCount = 17 };
  void SetColour(int at, float r, float g, float b, float a);
  void GetColour(int at, float& r, float& g, float& b, float& a) const;
  void SetPacked(int at, ULONG rgba);
  ULONG GetPacked(int at) const;

  float m_values[kCount];
};
