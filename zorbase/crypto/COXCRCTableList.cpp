// COXCRCTableList: find-or-append under a lock; the two instantiations the CRC classes use.
#include <zorbase/crypto/COXCRCTableList.h>

#include <memory>

template <typename T>
const typename COXCRCTableList<T>::CNode* COXCRCTableList<T>::GetNode(T polynomial) {
  std::lock_guard<std::mutex> guard(m_lock);
  CNode** link = &m_pHead;
  for (; *link != nullptr; link = &(*link)->m_pNext) {
    if ((*link)->m_polynomial == polynomial) return *link;
  }
  auto node = std::make_unique<CNode>();
  node->m_polynomial = polynomial;
  node->m_pNext = nullptr;
  node->m_pExtra = nullptr;
  BuildNode(*node);
  *link = node.release();
  return *link;
}

template <typename T>
const typename COXCRCTableList<T>::CNode* COXCRCTableList<T>::Find(T polynomial) const {
  std::lock_guard<std::mutex> guard(m_lock);
  for (const CNode* node = m_pHead; node != nullptr; node = node->m_pNext) {
    if (node->m_polynomial == polynomial) return node;
  }
  return nullptr;
}

template <typename T>
std::size_t COXCRCTableList<T>::GetCount() const {
  std::lock_guard<std::mutex> guard(m_lock);
  std::size_t count = 0;
  for (const CNode* node = m_pHead; node != nullptr; node = node->m_pNext) ++count;
  return count;
}

template <typename T>
void COXCRCTableList<T>::RemoveAll() {
  std::lock_guard<std::mutex> guard(m_lock);
  while (m_pHead != nullptr) {
    CNode* next = m_pHead->m_pNext;
    FreeExtra(*m_pHead);
    delete m_pHead;
    m_pHead = next;
  }
}

template class COXCRCTableList<std::uint16_t>;
template class COXCRCTableList<std::uint32_t>;
