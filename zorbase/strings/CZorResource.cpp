#include <zorbase/strings/CZorResource.h>

#include <atomic>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/resources.h>

namespace {

std::atomic<HINSTANCE> g_resource_module{nullptr};

}  // namespace

CZorResource::CZorResource() : m_handle(nullptr), m_data(nullptr), m_size(0) {}

CZorResource& CZorResource::operator=(const CZorResource& other) {
  m_handle = other.m_handle;
  m_data = other.m_data;
  m_size = other.m_size;
  return *this;
}

CZorResource::~CZorResource() { Release(); }

bool CZorResource::Load(const wchar_t* name, const wchar_t* type) {
  m_handle = nullptr;
  m_data = nullptr;
  m_size = 0;
  const HINSTANCE module = GetResInstance();
  if (HRSRC found = FindResourceW(module, name, type)) {
    m_handle = LoadResource(module, found);
    m_size = SizeofResource(module, found);
    if (m_handle != nullptr && m_size != 0) m_data = LockResource(m_handle);
  }
  if (m_data != nullptr) return true;
  if (GetLastError() == ERROR_SUCCESS) SetLastError(1);
  m_handle = nullptr;
  m_size = 0;
  return false;
}

void CZorResource::Release() {
  m_handle = nullptr;
  m_data = nullptr;
}

HINSTANCE CZorResource::GetResInstance() { return g_resource_module.load(std::memory_order_acquire); }

void CZorResource::SetResInstance(HINSTANCE module) {
  g_resource_module.store(module, std::memory_order_release);
}
