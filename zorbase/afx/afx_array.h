// Implementation detail of the framework arrays: the element storage and operations that the typed
// arrays (CByteArray, CStringArray) share. Indexes are INT_PTR; a bad index or size throws
// CInvalidArgException, as the framework does.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include <zorbase/afx/CObject.h>

namespace zb {
namespace afx_internal {

template <typename Element>
class ArrayBase {
 public:
  INT_PTR GetSize() const { return static_cast<INT_PTR>(items_.size()); }
  INT_PTR GetCount() const { return GetSize(); }
  BOOL IsEmpty() const { return items_.empty(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }

  // Resizes to `new_size` elements (new ones value-initialised). `grow_by` >= 0 sets how many
  // elements are added at a time when the array grows (-1 keeps the current setting).
  void SetSize(INT_PTR new_size, INT_PTR grow_by = -1) {
    if (new_size < 0) throw CInvalidArgException("array size below zero");
    if (grow_by >= 0) grow_by_ = grow_by;
    if (static_cast<std::size_t>(new_size) > items_.capacity() && grow_by_ > 0) {
      std::size_t rounded = items_.size() + static_cast<std::size_t>(grow_by_);
      items_.reserve(std::max(rounded, static_cast<std::size_t>(new_size)));
    }
    items_.resize(static_cast<std::size_t>(new_size));
  }
  void FreeExtra() { items_.shrink_to_fit(); }
  void RemoveAll() { items_.clear(); }

  const Element& GetAt(INT_PTR index) const { return items_[Check(index)]; }
  void SetAt(INT_PTR index, const Element& element) { items_[Check(index)] = element; }
  Element& ElementAt(INT_PTR index) { return items_[Check(index)]; }
  const Element& ElementAt(INT_PTR index) const { return items_[Check(index)]; }
  const Element& operator[](INT_PTR index) const { return GetAt(index); }
  Element& operator[](INT_PTR index) { return ElementAt(index); }

  // Direct access to the elements (null when empty); valid until the array changes size.
  const Element* GetData() const { return items_.empty() ? nullptr : items_.data(); }
  Element* GetData() { return items_.empty() ? nullptr : items_.data(); }

  // Stores `element` at `index`, growing the array first if needed.
  void SetAtGrow(INT_PTR index, const Element& element) {
    if (index < 0) throw CInvalidArgException("array index below zero");
    if (index >= GetSize()) SetSize(index + 1);
    items_[static_cast<std::size_t>(index)] = element;
  }
  // Appends `element`; returns its index.
  INT_PTR Add(const Element& element) {
    items_.push_back(element);
    return GetSize() - 1;
  }
  // Inserts `count` copies of `element` before `index` (at or past the end: the array grows).
  void InsertAt(INT_PTR index, const Element& element, INT_PTR count = 1) {
    if (index < 0 || count < 0) throw CInvalidArgException("bad array insertion");
    if (index > GetSize()) SetSize(index);
    items_.insert(items_.begin() + index, static_cast<std::size_t>(count), element);
  }
  // Removes `count` elements from `index` on.
  void RemoveAt(INT_PTR index, INT_PTR count = 1) {
    if (index < 0 || count < 0 || index + count > GetSize()) throw CInvalidArgException("bad array removal");
    items_.erase(items_.begin() + index, items_.begin() + index + count);
  }

 protected:
  // The typed arrays' Append, Copy and InsertAt(index, array): safe when `source` is this array.
  INT_PTR AppendItems(const ArrayBase& source) {
    const INT_PTR first = GetSize();
    const std::vector<Element> copy = source.items_;
    items_.insert(items_.end(), copy.begin(), copy.end());
    return first;
  }
  void CopyItems(const ArrayBase& source) {
    if (&source != this) items_ = source.items_;
  }
  void InsertItems(INT_PTR start_index, const ArrayBase* source) {
    if (source == nullptr || start_index < 0) throw CInvalidArgException("bad array insertion");
    const std::vector<Element> copy = source->items_;
    if (start_index > GetSize()) SetSize(start_index);
    items_.insert(items_.begin() + start_index, copy.begin(), copy.end());
  }

  std::size_t Check(INT_PTR index) const {
    if (index < 0 || index >= GetSize()) throw CInvalidArgException("array index out of range");
    return static_cast<std::size_t>(index);
  }
  std::vector<Element>& items() { return items_; }
  const std::vector<Element>& items() const { return items_; }

 private:
  std::vector<Element> items_;
  INT_PTR grow_by_ = 0;
};

}  // namespace afx_internal
}  // namespace zb
