// Tests of the case-insensitive maps: lookups, indexing and removal ignore case, keys keep the
// spelling of their first insertion, and the object map owns its objects.
#include <zorbase/strings/CMapStringIToObject.h>
#include <zorbase/strings/CMapStringIToPtr.h>

#include <UnitTest++/UnitTest++.h>

#include <string>

namespace {

class Counted : public CObject {
 public:
  explicit Counted(int* deaths) : deaths_(deaths) {}
  ~Counted() override { ++*deaths_; }

 private:
  int* deaths_;
};

}  // namespace

SUITE(CMapStringIToPtr) {
  TEST(FindsAnyCaseAndKeepsTheFirstSpelling) {
    CMapStringIToPtr map;
    int payload = 0;
    map[L"Section"] = &payload;
    void* found = nullptr;
    CHECK(map.Lookup(L"SECTION", found));
    CHECK_EQUAL(static_cast<void*>(&payload), found);
    map[L"SECTION"] = &payload;
    CHECK_EQUAL(1, map.GetCount());
    POSITION position = map.GetStartPosition();
    CString key;
    map.GetNextAssoc(position, key, found);
    CHECK(key == L"Section");
    CHECK(position == nullptr);
    CHECK(map.RemoveKey(L"section"));
    CHECK(map.IsEmpty());
    CHECK(!map.RemoveKey(L"section"));
  }

  TEST(ExactSpellingWinsOverAnotherCase) {
    // Two spellings can coexist when stored through the framework map's exact operations.
    CMapStringIToPtr map;
    int a = 0, b = 0;
    static_cast<CMapStringToPtr&>(map)[L"key"] = &a;
    static_cast<CMapStringToPtr&>(map)[L"KEY"] = &b;
    void* found = nullptr;
    CHECK(map.Lookup(L"KEY", found));
    CHECK_EQUAL(static_cast<void*>(&b), found);
    CHECK(map.Lookup(L"key", found));
    CHECK_EQUAL(static_cast<void*>(&a), found);
    // Neither matches exactly: the one met first in iteration order is used.
    POSITION position = map.GetStartPosition();
    CString first;
    void* first_value = nullptr;
    map.GetNextAssoc(position, first, first_value);
    CHECK(map.Lookup(L"Key", found));
    CHECK_EQUAL(first_value, found);
  }

  TEST(ManyKeysStayReachableInAnyCase) {
    CMapStringIToPtr map;
    for (int i = 0; i < 2000; ++i) map[(L"Name" + std::to_wstring(i)).c_str()] = reinterpret_cast<void*>(static_cast<INT_PTR>(i + 1));
    CHECK_EQUAL(2000, map.GetCount());
    void* found = nullptr;
    CHECK(map.Lookup(L"NAME1999", found));
    CHECK_EQUAL(reinterpret_cast<void*>(2000), found);
    CHECK(map.RemoveKey(L"name0"));
    CHECK(!map.Lookup(L"Name0", found));
    CHECK_EQUAL(1999, map.GetCount());
  }
}

SUITE(CMapStringIToString) {
  TEST(ValuesByAnyCase) {
    CMapStringIToString map;
    map[L"Key"] = L"one";
    map.SetAt(L"KEY", L"two");
    CHECK_EQUAL(1, map.GetCount());
    CString value;
    CHECK(map.Lookup(L"key", value));
    CHECK(value == L"two");
    CHECK(map.RemoveKey(L"kEY"));
    CHECK(!map.Lookup(L"Key", value));
  }
}

SUITE(CMapStringIToObject) {
  TEST(SetReplacesAndDeletesTheOldObject) {
    int deaths = 0;
    {
      CMapStringIToObject map;
      CHECK(!map.Set(L"Key", new Counted(&deaths)));
      Counted* second = new Counted(&deaths);
      CHECK(map.Set(L"KEY", second));
      CHECK_EQUAL(1, deaths);
      CHECK(map.Set(L"key", second));  // the same object again: nothing deleted
      CHECK_EQUAL(1, deaths);
      CObject* found = nullptr;
      CHECK(map.Lookup(L"kEy", found));
      CHECK_EQUAL(static_cast<CObject*>(second), found);
      map[L"Other"] = new Counted(&deaths);
      CHECK_EQUAL(2, map.GetCount());
    }
    CHECK_EQUAL(3, deaths);
  }

  TEST(RemoveKey2HandsTheObjectBack) {
    int deaths = 0;
    CMapStringIToObject map;
    map.Set(L"a", new Counted(&deaths));
    map.Set(L"b", new Counted(&deaths));
    CObject* kept = map.RemoveKey2(L"A");
    CHECK(kept != nullptr);
    CHECK_EQUAL(0, deaths);
    CHECK(map.RemoveKey2(L"a") == nullptr);
    delete kept;
    CHECK(map.RemoveKey(L"B"));
    CHECK_EQUAL(2, deaths);
    CHECK(!map.RemoveKey(L"B"));
    map.Set(L"c", new Counted(&deaths));
    map.RemoveAll();
    CHECK_EQUAL(3, deaths);
    CHECK_EQUAL(0, map.GetCount());
  }
}
