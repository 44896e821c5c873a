#include <zorbase/system/MTypeInfo.h>

#include <UnitTest++/UnitTest++.h>

#include <map>

struct MTypeInfoTestPeer {
  static MTypeInfo Empty() { return MTypeInfo(); }
};

SUITE(MTypeInfo) {

TEST(EmptyValuesAreEqualAndUnordered) {
  MTypeInfo a = MTypeInfoTestPeer::Empty(), b = MTypeInfoTestPeer::Empty();
  CHECK(a == b);
  CHECK(!(a != b));
  CHECK(!(a < b));
  CHECK(!(b < a));
}

TEST(EmptyComesBeforeEveryType) {
  MTypeInfo empty = MTypeInfoTestPeer::Empty(), type(typeid(int));
  CHECK(empty != type);
  CHECK(empty < type);
  CHECK(!(type < empty));
}

TEST(TypesCompareByIdentityAndServeAsMapKeys) {
  MTypeInfo i(typeid(int)), d(typeid(double)), i2(typeid(int));
  CHECK(i == i2);
  CHECK(i != d);
  CHECK((i < d) != (d < i));
  std::map<MTypeInfo, int> counts;
  counts[i] = 1;
  counts[d] = 2;
  counts[i2] = 3;
  CHECK_EQUAL(2u, counts.size());
  CHECK_EQUAL(3, counts[MTypeInfo(typeid(int))]);
  MTypeInfo copy = d;
  copy = i;
  CHECK(copy == i);
}

}
