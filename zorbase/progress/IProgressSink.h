// The host's sink that the progress manager calls on every increment and text change, so that a
// host can stay responsive (pump messages, check an abort button) during long operations.
#pragma once

#include <zorbase/platform/export.h>

// Not owned by the library; it must outlive its registration with MProgressManager::SetSink.
// Notify() runs on the thread that drives the progress, inside that progress's lock. The class has
// no virtual destructor: the library never deletes a sink.
class ZORBASE_API IProgressSink {
 public:
  IProgressSink() = default;
  IProgressSink(const IProgressSink&) = default;
  IProgressSink(IProgressSink&&) = default;
  IProgressSink& operator=(const IProgressSink&) = default;
  IProgressSink& operator=(IProgressSink&&) = default;

  virtual void Notify() = 0;
};
