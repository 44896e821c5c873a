// The framework's POSITION type and the hash table that the string-keyed maps (CMapStringToPtr,
// CMapStringToString) share. The table behaves as the framework's does: entries hang in buckets
// chosen by HashKey(key) % GetHashTableSize() (17 unless InitHashTable says otherwise), a new entry
// goes to the front of its bucket, iteration runs bucket by bucket and along each chain, and entry
// nodes are allocated in blocks of the block size given at construction. Removing the last entry
// frees every block, as RemoveAll does.
//
// Besides the buckets the table keeps a private index by the key with ASCII letters folded, which
// grows with the table. It serves the exact lookup (an exact match also matches when case is
// ignored) and the lookup that ignores case, so both cost a hash probe however many entries the
// table holds; it never changes the order of iteration.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include <zorbase/afx/CObject.h>
#include <zorbase/afx/CString.h>
#include <zorbase/platform/internal/ascii.h>

// An iteration position of the framework's collections: an opaque pointer; null ends iteration.
struct __POSITION {};
typedef __POSITION* POSITION;
#define BEFORE_START_POSITION (reinterpret_cast<POSITION>(static_cast<LONG_PTR>(-1)))

namespace zb {
namespace afx_internal {

template <typename Value>
class StringHashTable {
 public:
  struct Assoc {
    Assoc* next = nullptr;       // next entry of the same bucket (iteration order)
    Assoc* fold_next = nullptr;  // next entry of the same slot of the folded index
    UINT hash = 0;               // HashKey(key)
    UINT fold_hash = 0;          // hash of the key with ASCII letters folded to lower case
    CString key;
    Value value{};
  };

  static constexpr UINT kDefaultHashTableSize = 17;

  explicit StringHashTable(INT_PTR block_size)
      : block_size_(block_size > 0 ? static_cast<std::size_t>(block_size) : 1) {}
  ~StringHashTable() = default;
  StringHashTable(const StringHashTable&) = delete;
  StringHashTable& operator=(const StringHashTable&) = delete;

  INT_PTR GetCount() const { return count_; }
  INT_PTR GetSize() const { return count_; }
  BOOL IsEmpty() const { return count_ == 0; }
  UINT GetHashTableSize() const { return table_size_; }

  // The framework's string hash: h = h * 33 + c over the code units of the key (null: 0).
  static UINT HashKey(LPCWSTR key) {
    UINT hash = 0;
    if (key != nullptr) {
      for (; *key != 0; ++key) hash = (hash << 5) + hash + static_cast<UINT>(*key);
    }
    return hash;
  }

  // Sets the number of buckets (0 counts as 1). The framework allows this only while the map is
  // empty; here entries already present are redistributed, so nothing is lost either way.
  void InitHashTable(UINT hash_size, BOOL allocate_now = TRUE) {
    if (hash_size == 0) hash_size = 1;
    std::vector<Assoc*> entries = AllEntries();
    table_size_ = hash_size;
    buckets_.clear();
    if (allocate_now || !entries.empty()) buckets_.assign(table_size_, nullptr);
    // Re-insert from the back so that each chain keeps the entries' relative order.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) LinkBucket(*it);
  }

  // Removes every entry and frees the entry blocks.
  void RemoveAll() {
    buckets_.clear();
    fold_slots_.clear();
    blocks_.clear();
    free_list_ = nullptr;
    count_ = 0;
  }

  // True and the stored key's text when `key` is present (exactly); the text lives as long as the
  // entry.
  BOOL LookupKey(LPCWSTR key, LPCWSTR& stored_key) const {
    Assoc* a = FindExact(key);
    if (a == nullptr) return FALSE;
    stored_key = a->key.GetString();
    return TRUE;
  }

  // The position of the first entry, or null when the map is empty.
  POSITION GetStartPosition() const { return count_ == 0 ? nullptr : BEFORE_START_POSITION; }

 protected:
  // Exchanges the entries (and block size and table size) of two tables.
  void SwapTable(StringHashTable& other) noexcept {
    std::swap(block_size_, other.block_size_);
    std::swap(table_size_, other.table_size_);
    std::swap(count_, other.count_);
    buckets_.swap(other.buckets_);
    fold_slots_.swap(other.fold_slots_);
    blocks_.swap(other.blocks_);
    std::swap(free_list_, other.free_list_);
  }

  // The entry whose key equals `key` code unit for code unit, or null.
  Assoc* FindExact(LPCWSTR key) const {
    if (key == nullptr) key = L"";
    if (fold_slots_.empty()) return nullptr;
    const UINT hash = HashKey(key);
    for (Assoc* a = fold_slots_[FoldHash(key) & (fold_slots_.size() - 1)]; a != nullptr; a = a->fold_next) {
      if (a->hash == hash && a->key == key) return a;
    }
    return nullptr;
  }

  // The entry whose key equals `key` exactly; failing that, of the entries whose key equals it
  // when ASCII letters are compared without case, the first in iteration order; else null.
  Assoc* FindNoCase(LPCWSTR key) const {
    if (key == nullptr) key = L"";
    if (fold_slots_.empty()) return nullptr;
    const UINT hash = HashKey(key);
    const UINT fold_hash = FoldHash(key);
    Assoc* best = nullptr;
    for (Assoc* a = fold_slots_[fold_hash & (fold_slots_.size() - 1)]; a != nullptr; a = a->fold_next) {
      if (a->fold_hash != fold_hash || a->key.CompareNoCase(key) != 0) continue;
      if (a->hash == hash && a->key == key) return a;
      if (best == nullptr || ComesBefore(a, best)) best = a;
    }
    return best;
  }

  // The keyed operations of the maps, matching keys exactly or, with `no_case`, as FindNoCase.
  Assoc* Find(LPCWSTR key, bool no_case) const { return no_case ? FindNoCase(key) : FindExact(key); }
  BOOL LookupValue(LPCWSTR key, Value& value, bool no_case) const {
    Assoc* a = Find(key, no_case);
    if (a == nullptr) return FALSE;
    value = a->value;
    return TRUE;
  }
  Value& ValueAt(LPCWSTR key, bool no_case) {
    Assoc* a = Find(key, no_case);
    if (a == nullptr) a = Insert(key);
    return a->value;
  }
  BOOL RemoveEntry(LPCWSTR key, bool no_case) {
    Assoc* a = Find(key, no_case);
    if (a == nullptr) return FALSE;
    Remove(a);
    return TRUE;
  }
  // The entry at `position` into `key` and `value`, moving `position` on; nothing at the end.
  void NextEntry(POSITION& position, CString& key, Value& value) const {
    Assoc* a = Next(position);
    if (a == nullptr) return;
    key = a->key;
    value = a->value;
  }

  // Adds a new entry under `key` (which must not be present exactly) with a default value.
  Assoc* Insert(LPCWSTR key) {
    if (key == nullptr) key = L"";
    if (buckets_.empty()) buckets_.assign(table_size_, nullptr);
    Assoc* a = NewAssoc();
    a->key = key;
    a->hash = HashKey(key);
    a->fold_hash = FoldHash(key);
    LinkBucket(a);
    ++count_;
    if (static_cast<std::size_t>(count_) > fold_slots_.size()) GrowFoldIndex();
    LinkFold(a);
    return a;
  }

  // Unlinks and frees `a`; when it was the last entry, every block is freed.
  void Remove(Assoc* a) {
    Assoc** link = &buckets_[a->hash % table_size_];
    while (*link != a) link = &(*link)->next;
    *link = a->next;
    Assoc** fold_link = &fold_slots_[a->fold_hash & (fold_slots_.size() - 1)];
    while (*fold_link != a) fold_link = &(*fold_link)->fold_next;
    *fold_link = a->fold_next;
    --count_;
    if (count_ == 0) {
      RemoveAll();
      return;
    }
    a->key.Empty();
    a->value = Value{};
    a->fold_next = nullptr;
    a->next = free_list_;
    free_list_ = a;
  }

  // The entry at `position` (null or past the end: null); `position` moves to the next entry, or
  // to null after the last one.
  Assoc* Next(POSITION& position) const {
    if (position == nullptr || count_ == 0) {
      position = nullptr;
      return nullptr;
    }
    Assoc* current;
    if (position == BEFORE_START_POSITION) {
      current = FirstFrom(0);
    } else {
      current = reinterpret_cast<Assoc*>(position);
    }
    if (current == nullptr) {
      position = nullptr;
      return nullptr;
    }
    Assoc* next = current->next != nullptr ? current->next : FirstFrom(current->hash % table_size_ + 1);
    position = reinterpret_cast<POSITION>(next);
    return current;
  }

 private:
  static UINT FoldHash(LPCWSTR key) {
    UINT hash = 2166136261u;
    for (; *key != 0; ++key) hash = (hash ^ static_cast<UINT>(zb::internal::AsciiToLower(*key))) * 16777619u;
    return hash;
  }

  Assoc* FirstFrom(std::size_t bucket) const {
    for (; bucket < buckets_.size(); ++bucket) {
      if (buckets_[bucket] != nullptr) return buckets_[bucket];
    }
    return nullptr;
  }

  // True when `a` is met before `b` while iterating.
  bool ComesBefore(const Assoc* a, const Assoc* b) const {
    const UINT bucket_a = a->hash % table_size_;
    const UINT bucket_b = b->hash % table_size_;
    if (bucket_a != bucket_b) return bucket_a < bucket_b;
    for (const Assoc* x = buckets_[bucket_a]; x != nullptr; x = x->next) {
      if (x == a) return true;
      if (x == b) return false;
    }
    return false;
  }

  std::vector<Assoc*> AllEntries() const {
    std::vector<Assoc*> entries;
    entries.reserve(static_cast<std::size_t>(count_));
    for (Assoc* first : buckets_) {
      for (Assoc* a = first; a != nullptr; a = a->next) entries.push_back(a);
    }
    return entries;
  }

  void LinkBucket(Assoc* a) {
    Assoc*& head = buckets_[a->hash % table_size_];
    a->next = head;
    head = a;
  }

  void LinkFold(Assoc* a) {
    Assoc*& head = fold_slots_[a->fold_hash & (fold_slots_.size() - 1)];
    a->fold_next = head;
    head = a;
  }

  void GrowFoldIndex() {
    std::size_t size = std::max<std::size_t>(16, fold_slots_.size() * 2);
    while (size < static_cast<std::size_t>(count_)) size *= 2;
    std::vector<Assoc*> old;
    old.swap(fold_slots_);
    fold_slots_.assign(size, nullptr);
    for (Assoc* head : old) {
      while (head != nullptr) {
        Assoc* next = head->fold_next;
        LinkFold(head);
        head = next;
      }
    }
  }

  Assoc* NewAssoc() {
    if (free_list_ == nullptr) {
      blocks_.push_back(std::make_unique<Assoc[]>(block_size_));
      Assoc* block = blocks_.back().get();
      for (std::size_t i = block_size_; i-- > 0;) {
        block[i].next = free_list_;
        free_list_ = &block[i];
      }
    }
    Assoc* a = free_list_;
    free_list_ = a->next;
    a->next = nullptr;
    return a;
  }

  std::size_t block_size_;
  UINT table_size_ = kDefaultHashTableSize;
  INT_PTR count_ = 0;
  std::vector<Assoc*> buckets_;     // empty until the first entry arrives
  std::vector<Assoc*> fold_slots_;  // power-of-two slots, at least as many as entries
  std::vector<std::unique_ptr<Assoc[]>> blocks_;
  Assoc* free_list_ = nullptr;
};

}  // namespace afx_internal
}  // namespace zb
