#include <zorbase/progress/ProgressToStatusCallback.h>

#include <string>

#include <zorbase/progress/IStatusCallback.h>

ProgressToStatusCallback::ProgressDelegateFactory ProgressToStatusCallback::ProgressDelegateFactory::mg_instance;

void ProgressToStatusCallback::ProgressDelegate::OnProgressStart(const ProgressInfo& info) {
  const std::string& id = info.GetProgressId();
  std::wstring wide;
  wide.reserve(id.size());
  for (char c : id) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  IStatusCallback::STATUS_BEGIN(0.0, static_cast<double>(info.GetProgressMaxValue()), wide.c_str());
}

void ProgressToStatusCallback::ProgressDelegate::OnProgressUpdate(const ProgressInfo& info) {
  const std::uint64_t max = info.GetProgressMaxValue();
  const double position = max != 0 ? info.GetProgressCompleteness() * static_cast<double>(max) : 0.0;
  IStatusCallback::STATUS_COUNT(position);
}

void ProgressToStatusCallback::ProgressDelegate::OnProgressEnd(const ProgressInfo&) {
  IStatusCallback::STATUS_END();
}

bool ProgressToStatusCallback::ProgressDelegate::IsProgressAborted() {
  return IStatusCallback::STATUS_GET_ABORT();
}

boost::shared_ptr<IProgressDelegate> ProgressToStatusCallback::ProgressDelegateFactory::CreateDelegate(
    const ProgressInfo&) {
  return boost::shared_ptr<IProgressDelegate>(new ProgressDelegate);
}
