#include <zorbase/material/MMaterial.h>

#include <cstring>

namespace {

ULONG PackComponent(float component) {
  const double scaled = static_cast<double>(component) * 255.0;
  if (!(scaled > 0.0)) return 0;  // also NaN
  if (scaled >= 255.0) return 255;
  return static_cast<ULONG>(scaled);
}

}  // namespace

MMaterial::MMaterial() { SetDefaults(); }

void MMaterial::SetDefaults() {
  SetColour(kAmbient, 0.5f, 0.5f, 0.5f, 1.0f);
  SetColour(kDiffuse, 0.75f, 0.75f, 0.75f, 1.0f);
  SetColour(kSpecular, 0.5f, 0.5f, 0.5f, 1.0f);
  m_values[kShininess] = 20.0f;
  SetColour(kEmissive, 0.0f, 0.0f, 0.0f, 1.0f);
}

bool MMaterial::operator==(const MMaterial& other) const {
  return std::memcmp(m_values, other.m_values, sizeof(m_values)) == 0;
}

bool MMaterial::operator!=(const MMaterial& other) const { return !(*this == other); }

void MMaterial::SetColour(int at, float r, float g, float b, float a) {
  m_values[at] = r;
  m_values[at + 1] = g;
  m_values[at + 2] = b;
  m_values[at + 3] = a;
}

void MMaterial::GetColour(int at, float& r, float& g, float& b, float& a) const {
  r = m_values[at];
  g = m_values[at + 1];
  b = m_values[at + 2];
  a = m_values[at + 3];
}

void MMaterial::SetPacked(int at, ULONG rgba) {
  for (int i = 0; i < 4; ++i) m_values[at + i] = static_cast<float>(((rgba >> (8 * i)) & 0xFF) / 255.0);
}

ULONG MMaterial::GetPacked(int at) const {
  ULONG rgba = 0;
  for (int i = 0; i < 4; ++i) rgba |= PackComponent(m_values[at + i]) << (8 * i);
  return rgba;
}

void MMaterial::SetAmbient(float r, float g, float b, float a) { SetColour(kAmbient, r, g, b, a); }
void MMaterial::SetDiffuse(float r, float g, float b, float a) { SetColour(kDiffuse, r, g, b, a); }
void MMaterial::SetSpecular(float r, float g, float b, float a, float shininess) {
  SetColour(kSpecular, r, g, b, a);
  m_values[kShininess] = shininess;
}
void MMaterial::SetEmissive(float r, float g, float b, float a) { SetColour(kEmissive, r, g, b, a); }
void MMaterial::GetAmbient(float& r, float& g, float& b, float& a) const { GetColour(kAmbient, r, g, b, a); }
void MMaterial::GetDiffuse(float& r, float& g, float& b, float& a) const { GetColour(kDiffuse, r, g, b, a); }
void MMaterial::GetSpecular(float& r, float& g, float& b, float& a) const {
  GetColour(kSpecular, r, g, b, a);
}
void MMaterial::GetSpecular(float& r, float& g, float& b, float& a, float& shininess) const {
  GetColour(kSpecular, r, g, b, a);
  shininess = m_values[kShininess];
}
void MMaterial::GetEmissive(float& r, float& g, float& b, float& a) const {
  GetColour(kEmissive, r, g, b, a);
}

void MMaterial::SetAmbient(ULONG rgba) { SetPacked(kAmbient, rgba); }
void MMaterial::SetDiffuse(ULONG rgba) { SetPacked(kDiffuse, rgba); }
void MMaterial::SetSpecular(ULONG rgba, float shininess) {
  SetPacked(kSpecular, rgba);
  m_values[kShininess] = shininess;
}
void MMaterial::SetEmissive(ULONG rgba) { SetPacked(kEmissive, rgba); }
ULONG MMaterial::GetAmbient() const { return GetPacked(kAmbient); }
ULONG MMaterial::GetDiffuse() const { return GetPacked(kDiffuse); }
ULONG MMaterial::GetSpecular() const { return GetPacked(kSpecular); }
ULONG MMaterial::GetEmissive() const { return GetPacked(kEmissive); }

void MMaterial::SetShininess(float shininess) { m_values[kShininess] = shininess; }
float MMaterial::GetShininess() const { return m_values[kShininess]; }
