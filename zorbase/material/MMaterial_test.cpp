#include <zorbase/material/MMaterial.h>

#include <cstring>
#include <limits>

#include <UnitTest++/UnitTest++.h>

SUITE(MMaterial) {

TEST(DefaultsPackAsExpected) {
  const MMaterial m;
  CHECK_EQUAL(0xFF7F7F7Fu, m.GetAmbient());
  CHECK_EQUAL(0xFFBFBFBFu, m.GetDiffuse());
  CHECK_EQUAL(0xFF7F7F7Fu, m.GetSpecular());
  CHECK_EQUAL(0xFF000000u, m.GetEmissive());
  CHECK_EQUAL(20.0f, m.GetShininess());
  float r, g, b, a, s;
  m.GetSpecular(r, g, b, a, s);
  CHECK(r == 0.5f && g == 0.5f && b == 0.5f && a == 1.0f && s == 20.0f);
}

TEST(PackedValuesRoundTrip) {
  MMaterial m;
  m.SetAmbient(0x80FF0000u);
  float r, g, b, a;
  m.GetAmbient(r, g, b, a);
  CHECK(r == 0.0f && g == 0.0f && b == 1.0f);
  CHECK_EQUAL(static_cast<float>(128 / 255.0), a);
  CHECK_EQUAL(0x80FF0000u, m.GetAmbient());
  const ULONG samples[] = {0u, 0xFFFFFFFFu, 0x01020304u, 0x7F80FE01u, 0xDEADBEEFu};
  for (ULONG packed : samples) {
    m.SetDiffuse(packed);
    m.SetSpecular(packed, 3.0f);
    m.SetEmissive(packed);
    CHECK_EQUAL(packed, m.GetDiffuse());
    CHECK_EQUAL(packed, m.GetSpecular());
    CHECK_EQUAL(packed, m.GetEmissive());
    CHECK_EQUAL(3.0f, m.GetShininess());
  }
  // A float colour survives packing only when each component is a multiple of 1/255.
  m.SetEmissive(0.3f, 0.0f, 1.0f, 1.0f);
  m.SetEmissive(m.GetEmissive());
  m.GetEmissive(r, g, b, a);
  CHECK(r != 0.3f);
  CHECK(g == 0.0f && b == 1.0f && a == 1.0f);
}

TEST(ComponentsOutsideTheRangePackToTheNearestEnd) {
  MMaterial m;
  m.SetAmbient(-0.5f, 2.0f, std::numeric_limits<float>::quiet_NaN(), 1.0f);
  CHECK_EQUAL(0xFF00FF00u, m.GetAmbient());
}

TEST(ComparisonIsBitwise) {
  MMaterial a;
  MMaterial b(a);
  CHECK(a == b);
  b.SetShininess(20.5f);
  CHECK(a != b);
  b = a;
  CHECK(a == b);
  b.SetEmissive(-0.0f, 0.0f, 0.0f, 1.0f);  // -0.0 differs from 0.0
  CHECK(a != b);
  float nan_bits = std::numeric_limits<float>::quiet_NaN();
  a.SetShininess(nan_bits);
  MMaterial c(a);
  CHECK(a == c);  // the same NaN pattern
  a.SetDefaults();
  CHECK(a == MMaterial());
}

}
