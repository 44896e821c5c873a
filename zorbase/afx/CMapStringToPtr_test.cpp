// Tests of the framework's string maps: hashing into buckets, iteration order, block allocation
// across removals, and keys compared exactly.
#include <zorbase/afx/CMapStringToPtr.h>
#include <zorbase/afx/CMapStringToString.h>
#include <zorbase/afx/CWordArray.h>

#include <UnitTest++/UnitTest++.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> KeysInOrder(const CMapStringToPtr& map) {
  std::vector<std::wstring> keys;
  POSITION position = map.GetStartPosition();
  while (position != nullptr) {
    CString key;
    void* value = nullptr;
    map.GetNextAssoc(position, key, value);
    keys.push_back(key.GetString());
  }
  return keys;
}

}  // namespace

SUITE(CMapStringToPtr) {
  TEST(HashIsTheFrameworksTimesThirtyThree) {
    CHECK_EQUAL(0u, CMapStringToPtr::HashKey(L""));
    CHECK_EQUAL(static_cast<UINT>('a'), CMapStringToPtr::HashKey(L"a"));
    CHECK_EQUAL(static_cast<UINT>('a' * 33 + 'b'), CMapStringToPtr::HashKey(L"ab"));
    CMapStringToPtr map;
    CHECK_EQUAL(17u, map.GetHashTableSize());
  }

  TEST(IteratesBucketByBucketNewestFirstWithinABucket) {
    CMapStringToPtr map;
    // 'a' = 97 -> bucket 12; 'b' = 98 -> 13; "s" = 115 -> 13 as well (115 % 17 = 13).
    map[L"b"] = reinterpret_cast<void*>(1);
    map[L"a"] = reinterpret_cast<void*>(2);
    map[L"s"] = reinterpret_cast<void*>(3);
    const std::vector<std::wstring> expected = {L"a", L"s", L"b"};
    CHECK(expected == KeysInOrder(map));
  }

  TEST(KeysAreExactAndRemovalKeepsTheRest) {
    CMapStringToPtr map(3);
    for (int i = 0; i < 100; ++i) map[std::to_wstring(i).c_str()] = reinterpret_cast<void*>(static_cast<INT_PTR>(i + 1));
    CHECK_EQUAL(100, map.GetCount());
    void* value = nullptr;
    CHECK(map.Lookup(L"42", value));
    CHECK_EQUAL(reinterpret_cast<void*>(43), value);
    for (int i = 0; i < 100; i += 2) CHECK(map.RemoveKey(std::to_wstring(i).c_str()));
    CHECK(!map.RemoveKey(L"0"));
    CHECK_EQUAL(50, map.GetCount());
    std::set<std::wstring> seen;
    for (const std::wstring& key : KeysInOrder(map)) seen.insert(key);
    CHECK_EQUAL(50u, seen.size());
    CHECK(seen.count(L"41") == 1 && seen.count(L"42") == 0);
    // Entries freed by removal are reused; new ones still land.
    map.SetAt(L"new", nullptr);
    CHECK_EQUAL(51, map.GetCount());
    map.RemoveAll();
    CHECK(map.IsEmpty());
    CHECK(map.GetStartPosition() == nullptr);
  }

  TEST(CaseMattersInTheFrameworkMap) {
    CMapStringToPtr map;
    map[L"Key"] = reinterpret_cast<void*>(1);
    void* value = nullptr;
    CHECK(!map.Lookup(L"KEY", value));
    LPCWSTR stored = nullptr;
    CHECK(map.LookupKey(L"Key", stored));
    CHECK(std::wstring(L"Key") == stored);
    map[nullptr] = reinterpret_cast<void*>(2);
    CHECK(map.Lookup(L"", value));
    CHECK_EQUAL(reinterpret_cast<void*>(2), value);
  }

  TEST(InitHashTableKeepsEntriesAndUsesTheNewSize) {
    CMapStringToPtr map;
    map.InitHashTable(101);
    CHECK_EQUAL(101u, map.GetHashTableSize());
    for (int i = 0; i < 30; ++i) map[std::to_wstring(i).c_str()] = nullptr;
    map.InitHashTable(7);
    CHECK_EQUAL(30u, KeysInOrder(map).size());
    void* value = reinterpret_cast<void*>(1);
    CHECK(map.Lookup(L"29", value));
  }

  TEST(NullPositionEndsIteration) {
    CMapStringToPtr map;
    POSITION position = nullptr;
    CString key(L"unchanged");
    void* value = nullptr;
    map.GetNextAssoc(position, key, value);
    CHECK(key == L"unchanged");
  }
}

SUITE(CMapStringToString) {
  TEST(StoresTextAndRemovesTheLastEntry) {
    CMapStringToString map;
    map.SetAt(L"a", L"1");
    map[L"b"] = L"2";
    map.SetAt(L"a", nullptr);
    CString value(L"x");
    CHECK(map.Lookup(L"a", value));
    CHECK(value.IsEmpty());
    CHECK(map.RemoveKey(L"a"));
    CHECK(map.RemoveKey(L"b"));
    CHECK(map.IsEmpty());
    map[L"c"] = L"3";
    CHECK(map.Lookup(L"c", value));
    CHECK(value == L"3");
    CHECK(map.IsSerializable());
  }
}

SUITE(CWordArray) {
  TEST(HoldsSixteenBitWords) {
    CWordArray words;
    words.Add(0xFFFF);
    words.Add(2);
    words.InsertAt(1, 7, 2);
    CHECK_EQUAL(4, words.GetSize());
    CHECK_EQUAL(0xFFFF, words[0]);
    CHECK_EQUAL(7, words[2]);
    CWordArray copy;
    copy.Copy(words);
    CHECK_EQUAL(4, copy.Append(words));
    copy.InsertAt(0, &words);
    CHECK_EQUAL(12, copy.GetSize());
    CHECK_THROW(copy.GetAt(12), CInvalidArgException);
    CHECK_EQUAL("CWordArray", copy.GetRuntimeClass()->m_lpszClassName);
  }
}
