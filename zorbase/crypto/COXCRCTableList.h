// COXCRCTableList: the process-wide list of CRC lookup tables, one node per polynomial, shared by
// every CRC object of that polynomial.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include <zorbase/platform/export.h>

// A list of per-polynomial tables of entry type T (16- or 32-bit). Nodes are built on first use of
// a polynomial, appended at the end, never removed while the process runs, and all freed by
// RemoveAll when the library unloads; a node's address stays valid until then. Lookups and
// appends are serialised by a lock, so CRC objects may be constructed from several threads.
template <typename T>
class ZORBASE_API COXCRCTableList {
 public:
  // One polynomial's table: the 256 entries of the one-byte step, the polynomial, the link to the
  // next node, and data of the faster engines (owned by the node, freed with it).
  struct CNode {
    T m_table[256];
    T m_polynomial;
    CNode* m_pNext;
    void* m_pExtra;
  };

  constexpr COXCRCTableList() noexcept : m_pHead(nullptr), m_lock() {}
  COXCRCTableList(const COXCRCTableList&) = delete;
  COXCRCTableList& operator=(const COXCRCTableList&) = delete;

  // The node of `polynomial`, built and appended if the list has none yet. Never null; throws
  // std::bad_alloc when memory runs out (the list is then unchanged).
  const CNode* GetNode(T polynomial);

  // The node of `polynomial`, or null when none was built.
  const CNode* Find(T polynomial) const;

  // The number of nodes.
  std::size_t GetCount() const;

  // Frees every node. CRC objects still pointing at a node must not be used afterwards; the
  // library calls this when it unloads.
  void RemoveAll();

 protected:
  ~COXCRCTableList() = default;

  // Fills node.m_table (and node.m_pExtra) for node.m_polynomial.
  virtual void BuildNode(CNode& node) const = 0;
  // Frees what BuildNode put into node.m_pExtra.
  virtual void FreeExtra(CNode& node) const = 0;

 private:
  CNode* m_pHead;
  mutable std::mutex m_lock;
};

extern template class ZORBASE_API COXCRCTableList<std::uint16_t>;
extern template class ZORBASE_API COXCRCTableList<std::uint32_t>;
