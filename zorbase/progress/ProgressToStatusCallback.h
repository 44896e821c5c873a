// The bridge from the sibling library's progress delegates to the host's status callback: while
// the library is loaded, every progress that the sibling library reports is shown through
// IStatusCallback (begin, count, end, abort query).
#pragma once

#include <boost/shared_ptr.hpp>

#include <zorbase/platform/export.h>
#include <zorbase/stdbase/ProgressDelegate.h>

class ZORBASE_API ProgressToStatusCallback {
 public:
  // Reports one progress to the registered status callback; without one, nothing happens and the
  // progress is never aborted.
  class ZORBASE_API ProgressDelegate : public IProgressDelegate {
   public:
    // STATUS_BEGIN(0, max, id): the 8-bit id widened one character each, used as the format.
    void OnProgressStart(const ProgressInfo& info) override;
    // STATUS_COUNT(completeness * max), or 0 when max is 0; the callback's result is not used.
    void OnProgressUpdate(const ProgressInfo& info) override;
    // STATUS_END().
    void OnProgressEnd(const ProgressInfo& info) override;
    // STATUS_GET_ABORT(): false without a registered callback.
    bool IsProgressAborted() override;
  };

  // Makes the delegates. The library installs a function calling mg_instance.CreateDelegate as
  // the sibling library's shared provider when it loads and an empty one when it unloads.
  class ZORBASE_API ProgressDelegateFactory {
   public:
    // A new ProgressDelegate; `info` is not used.
    boost::shared_ptr<IProgressDelegate> CreateDelegate(const ProgressInfo& info);

    static ProgressDelegateFactory mg_instance;
  };
};
