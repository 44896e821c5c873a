#include <zorbase/stdbase/ProgressDelegate.h>

#include <mutex>

namespace {

struct SharedProvider {
  std::mutex mutex;
  ProgressDelegateProvider::Factory factory;
};

// Lives longer than the static objects of the libraries that install a provider, so that their
// unload step (installing an empty function) finds it alive.
SharedProvider g_shared_provider __attribute__((init_priority(1000)));

}  // namespace

boost::shared_ptr<IProgressDelegate> IProgressDelegate::OnProgressNesting(const ProgressInfo& info) {
  return ProgressDelegateProvider::CreateDelegate(info);
}

void IProgressDelegate::OnProgressNotify(const std::string&, const boost::any&) {}

void ProgressDelegateProvider::SetSharedProvider(Factory factory) {
  std::lock_guard<std::mutex> lock(g_shared_provider.mutex);
  g_shared_provider.factory.swap(factory);
}

ProgressDelegateProvider::Factory ProgressDelegateProvider::GetSharedProvider() {
  std::lock_guard<std::mutex> lock(g_shared_provider.mutex);
  return g_shared_provider.factory;
}

boost::shared_ptr<IProgressDelegate> ProgressDelegateProvider::CreateDelegate(const ProgressInfo& info) {
  const Factory factory = GetSharedProvider();
  if (factory.empty()) return boost::shared_ptr<IProgressDelegate>();
  try {
    return factory(info);
  } catch (...) {
    return boost::shared_ptr<IProgressDelegate>();
  }
}

ProgressDelegateProvider::ScopedProgress::ScopedProgress(const std::string& id, std::uint64_t max)
    : m_delegate(CreateDelegate(ProgressInfo(id, max, 0.0))), m_id(id), m_max(max) {
  Start();
}

ProgressDelegateProvider::ScopedProgress::ScopedProgress(ScopedProgress& parent, const std::string& id,
                                                         std::uint64_t max)
    : m_id(id), m_max(max) {
  if (parent.m_delegate) m_delegate = parent.m_delegate->OnProgressNesting(Info());
  Start();
}

void ProgressDelegateProvider::ScopedProgress::Start() {
  if (m_delegate) m_delegate->OnProgressStart(Info());
}

ProgressDelegateProvider::ScopedProgress::~ScopedProgress() {
  if (!m_delegate) return;
  try {
    m_delegate->OnProgressEnd(Info());
  } catch (...) {
  }
}

ProgressInfo ProgressDelegateProvider::ScopedProgress::Info() const {
  const double completeness = m_max == 0 ? 0.0 : static_cast<double>(m_position) / static_cast<double>(m_max);
  return ProgressInfo(m_id, m_max, completeness);
}

void ProgressDelegateProvider::ScopedProgress::Update(std::uint64_t position) {
  m_position = position < m_max ? position : m_max;
  if (m_delegate) m_delegate->OnProgressUpdate(Info());
}

bool ProgressDelegateProvider::ScopedProgress::IsAborted() const {
  return m_delegate ? m_delegate->IsProgressAborted() : false;
}

void ProgressDelegateProvider::ScopedProgress::Notify(const std::string& id, const boost::any& value) {
  if (m_delegate) m_delegate->OnProgressNotify(id, value);
}
