#include <zorbase/stdbase/ProgressDelegate.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <UnitTest++/UnitTest++.h>

namespace {

struct Log {
  std::vector<std::string> lines;
};

class RecordingDelegate : public IProgressDelegate {
 public:
  explicit RecordingDelegate(Log* log) : m_log(log) {}
  ~RecordingDelegate() override = default;
  void OnProgressStart(const ProgressInfo& info) override { Add("start", info); }
  void OnProgressUpdate(const ProgressInfo& info) override { Add("update", info); }
  void OnProgressEnd(const ProgressInfo& info) override { Add("end", info); }
  bool IsProgressAborted() override { return true; }

 private:
  void Add(const char* what, const ProgressInfo& info) {
    m_log->lines.push_back(std::string(what) + " " + info.GetProgressId() + " " +
                           std::to_string(info.GetProgressMaxValue()) + " " +
                           std::to_string(info.GetProgressCompleteness()));
  }
  Log* m_log;
};

// Installs a recording provider for one test and restores the previous one.
struct ProviderScope {
  Log log;
  ProgressDelegateProvider::Factory previous = ProgressDelegateProvider::GetSharedProvider();
  explicit ProviderScope(bool throws = false) {
    ProgressDelegateProvider::SetSharedProvider([this, throws](const ProgressInfo&) {
      if (throws) throw std::runtime_error("provider failed");
      return boost::shared_ptr<IProgressDelegate>(new RecordingDelegate(&log));
    });
  }
  ~ProviderScope() { ProgressDelegateProvider::SetSharedProvider(previous); }
};

}  // namespace

SUITE(StdBaseProgressDelegate) {

TEST(ScopedProgressDrivesTheSharedProvidersDelegate) {
  ProviderScope scope;
  {
    ProgressDelegateProvider::ScopedProgress outer("copy", 200);
    outer.Update(50);
    {
      ProgressDelegateProvider::ScopedProgress inner(outer, "file", 0);
      inner.Update(7);
    }
    outer.Update(900);  // beyond the range counts as the end
    CHECK(outer.IsAborted());
  }
  const std::vector<std::string> expected = {
      "start copy 200 0.000000", "update copy 200 0.250000", "start file 0 0.000000",
      "update file 0 0.000000",  "end file 0 0.000000",      "update copy 200 1.000000",
      "end copy 200 1.000000"};
  CHECK(scope.log.lines == expected);
}

TEST(WithoutProviderOrWithAThrowingOneNothingIsReported) {
  ProviderScope restore;
  ProgressDelegateProvider::SetSharedProvider(ProgressDelegateProvider::Factory());
  CHECK(!ProgressDelegateProvider::CreateDelegate(ProgressInfo("x", 1, 0)));
  ProgressDelegateProvider::ScopedProgress lone("x", 10);
  lone.Update(5);
  CHECK(!lone.IsAborted());
  ProviderScope throwing(true);
  CHECK(!ProgressDelegateProvider::CreateDelegate(ProgressInfo("x", 1, 0)));
}

}
