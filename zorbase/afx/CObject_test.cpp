// Tests of CObject's run-time class information and the framework arrays.
#include <zorbase/afx/CByteArray.h>
#include <zorbase/afx/CObject.h>
#include <zorbase/afx/CStringArray.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>

namespace {

class Shape : public CObject {
  DECLARE_DYNAMIC(Shape)
};
IMPLEMENT_DYNAMIC(Shape, CObject)

class Circle : public Shape {
  DECLARE_DYNCREATE(Circle)
 public:
  int radius = 3;
};
IMPLEMENT_DYNCREATE(Circle, Shape)

}  // namespace

SUITE(CObject) {
  TEST(RuntimeClassNamesAndDerivation) {
    Circle circle;
    CHECK_EQUAL("Circle", circle.GetRuntimeClass()->m_lpszClassName);
    CHECK(circle.IsKindOf(RUNTIME_CLASS(Circle)));
    CHECK(circle.IsKindOf(RUNTIME_CLASS(Shape)));
    CHECK(circle.IsKindOf(RUNTIME_CLASS(CObject)));
    CHECK(!circle.IsKindOf(RUNTIME_CLASS(CByteArray)));
    CHECK(!circle.IsKindOf(nullptr));
    CHECK(RUNTIME_CLASS(Shape)->CreateObject() == nullptr);
    CObject* made = RUNTIME_CLASS(Circle)->CreateObject();
    CHECK(made != nullptr && made->IsKindOf(RUNTIME_CLASS(Circle)));
    CHECK_EQUAL(3, static_cast<Circle*>(made)->radius);
    delete made;
    CHECK(!circle.IsSerializable());
    CByteArray bytes;
    CHECK(bytes.IsSerializable());
    CHECK_EQUAL("CByteArray", bytes.GetRuntimeClass()->m_lpszClassName);
  }
}

SUITE(CByteArray) {
  TEST(GrowsInsertsAndRemoves) {
    CByteArray bytes;
    CHECK(bytes.IsEmpty());
    CHECK(bytes.GetData() == nullptr);
    CHECK_EQUAL(0, bytes.Add(7));
    bytes.SetAtGrow(3, 9);
    CHECK_EQUAL(4, bytes.GetSize());
    CHECK_EQUAL(3, bytes.GetUpperBound());
    CHECK_EQUAL(0, bytes[1]);
    bytes.InsertAt(1, 5, 2);
    const BYTE expected[] = {7, 5, 5, 0, 0, 9};
    CHECK_EQUAL(6, bytes.GetSize());
    CHECK_EQUAL(0, std::memcmp(bytes.GetData(), expected, sizeof(expected)));
    bytes.RemoveAt(1, 4);
    CHECK_EQUAL(2, bytes.GetSize());
    CHECK_EQUAL(9, bytes.GetAt(1));
    CByteArray other;
    other.Copy(bytes);
    CHECK_EQUAL(2, other.Append(bytes));
    CHECK_EQUAL(4, other.GetSize());
    other.InsertAt(0, &bytes);
    CHECK_EQUAL(6, other.GetSize());
    other.SetSize(1);
    CHECK_EQUAL(7, other[0]);
  }

  TEST(BadIndexesThrowTheInvalidArgumentException) {
    CByteArray bytes;
    bytes.SetSize(2);
    CHECK_THROW(bytes.GetAt(2), CInvalidArgException);
    CHECK_THROW(bytes.SetAt(-1, 1), CInvalidArgException);
    CHECK_THROW(bytes.SetSize(-1), CInvalidArgException);
    CHECK_THROW(bytes.RemoveAt(1, 2), CInvalidArgException);
    CHECK_THROW(bytes.InsertAt(0, nullptr), CInvalidArgException);
    CHECK_EQUAL(2, bytes.GetSize());
  }
}

SUITE(CStringArray) {
  TEST(HoldsStrings) {
    CStringArray names;
    CHECK_EQUAL(0, names.Add(L"one"));
    CHECK_EQUAL(1, names.Add(CString(L"two")));
    CHECK_EQUAL(2, names.Add(static_cast<LPCWSTR>(nullptr)));
    CHECK(names[2].IsEmpty());
    names.InsertAt(0, L"zero");
    names.SetAtGrow(5, L"five");
    CHECK_EQUAL(6, names.GetSize());
    CHECK(names[0] == L"zero");
    CHECK(names.GetAt(5) == L"five");
    CHECK(names[4].IsEmpty());
    CStringArray copy;
    copy.Copy(names);
    names.RemoveAll();
    CHECK_EQUAL(6, copy.GetSize());
    CHECK(copy[1] == L"one");
    CHECK_THROW(copy.ElementAt(6), CInvalidArgException);
  }
}
