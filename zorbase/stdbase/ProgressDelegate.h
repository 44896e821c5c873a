// Progress delegates of the sibling base library: how its long operations report progress to
// whatever the process installed as the shared provider (libzorbase installs its bridge to the
// status callback while it is loaded).
#pragma once

#include <cstdint>
#include <string>

#include <boost/any.hpp>
#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <zorbase/platform/export.h>

// A read-only description of one progress.
class ZORBASE_API ProgressInfo {
 public:
  // `completeness` is the completed fraction (0 to 1) of a range that ends at `max`.
  ProgressInfo(const std::string& id, std::uint64_t max, double completeness)
      : m_id(id), m_max(max), m_completeness(completeness) {}

  // The text shown for the progress.
  const std::string& GetProgressId() const { return m_id; }
  // The end of the range (the start is 0).
  std::uint64_t GetProgressMaxValue() const { return m_max; }
  // The completed fraction of the range.
  double GetProgressCompleteness() const { return m_completeness; }

 private:
  std::string m_id;
  std::uint64_t m_max;
  double m_completeness;
};

// Receives the reports of one progress. Implementations override the four pure operations;
// OnProgressNesting and OnProgressNotify have working defaults.
class ZORBASE_API IProgressDelegate {
 public:
  virtual void OnProgressStart(const ProgressInfo& info) = 0;
  virtual void OnProgressUpdate(const ProgressInfo& info) = 0;
  virtual void OnProgressEnd(const ProgressInfo& info) = 0;
  virtual bool IsProgressAborted() = 0;
  // The delegate for a progress that runs inside this one. By default the shared provider's
  // delegate for `info` (null when none is installed).
  virtual boost::shared_ptr<IProgressDelegate> OnProgressNesting(const ProgressInfo& info);
  // A named value that the operation wants shown beside the progress. Ignored by default.
  virtual void OnProgressNotify(const std::string& id, const boost::any& value);

 protected:
  IProgressDelegate() = default;
  virtual ~IProgressDelegate() = default;
};

// The process-wide factory of delegates.
class ZORBASE_API ProgressDelegateProvider {
 public:
  typedef boost::function<boost::shared_ptr<IProgressDelegate>(const ProgressInfo&)> Factory;

  // Installs `factory` as the shared provider; an empty function removes it. Meant to be called
  // while a library loads or unloads; safe from any thread.
  static void SetSharedProvider(Factory factory);
  // A copy of the installed provider (empty when none is), so that a caller can put it back.
  static Factory GetSharedProvider();

  // A delegate for a new progress described by `info`: the shared provider's result, or null when
  // no provider is installed or the provider throws.
  static boost::shared_ptr<IProgressDelegate> CreateDelegate(const ProgressInfo& info);

  // How the sibling library's long operations report: a scope that obtains a delegate and drives
  // it (start at construction, end at destruction, updates in between). Without a delegate every
  // operation does nothing. One thread drives a ScopedProgress.
  class ZORBASE_API ScopedProgress {
   public:
    // A top-level progress from the shared provider.
    ScopedProgress(const std::string& id, std::uint64_t max);
    // A progress inside `parent`, from the parent's delegate (OnProgressNesting).
    ScopedProgress(ScopedProgress& parent, const std::string& id, std::uint64_t max);
    // Reports the end; exceptions of the delegate are not let out of the destructor.
    ~ScopedProgress();
    ScopedProgress(const ScopedProgress&) = delete;
    ScopedProgress& operator=(const ScopedProgress&) = delete;

    // Reports `position` of the range (values above the maximum count as the maximum).
    void Update(std::uint64_t position);
    // Whether the delegate says the operation was aborted (false without a delegate).
    bool IsAborted() const;
    // Passes a named value to the delegate.
    void Notify(const std::string& id, const boost::any& value);

   private:
    ProgressInfo Info() const;
    void Start();

    boost::shared_ptr<IProgressDelegate> m_delegate;
    std::string m_id;
    std::uint64_t m_max;
    std::uint64_t m_position = 0;
  };
};
