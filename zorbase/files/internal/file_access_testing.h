// The one stand-in for a host's file-access reporter in tests: it records what the files ask and
// tell it and answers as configured, and a scope registers it with one file class.
#pragma once

#include <string>

#include <zorbase/files/IZorFileAccess.h>
#include <zorbase/files/MFileName.h>

namespace zb {
namespace test {

class RecordingFileAccess : public IZorFileAccess {
 public:
  int CheckFileAccess(const MFileName& name, bool for_reading) override {
    ++checks;
    last_name = name.GET();
    last_for_reading = for_reading;
    return check_answer;
  }
  bool ApproveFileAccess(const MFileName& name, bool for_reading) override {
    ++approvals;
    last_name = name.GET();
    last_for_reading = for_reading;
    return approve_answer;
  }
  bool UsesApproval() override { return uses_approval; }
  void ReportWriteFailure(const MFileName& name, int code) override {
    ++failures;
    failure_name = name.GET();
    failure_code = code;
  }

  // Answers.
  int check_answer = 0;
  bool approve_answer = true;
  bool uses_approval = false;
  // What was asked and told.
  int checks = 0;
  int approvals = 0;
  int failures = 0;
  int failure_code = -1;
  bool last_for_reading = false;
  std::wstring last_name;
  std::wstring failure_name;
};

// Registers `reporter` with File (MFile or MFileEx, each has its own) for the scope's lifetime.
template <class File>
class ScopedFileAccess {
 public:
  explicit ScopedFileAccess(IZorFileAccess* reporter) { File::SetFileAccessReporter(reporter); }
  ~ScopedFileAccess() { File::SetFileAccessReporter(nullptr); }
  ScopedFileAccess(const ScopedFileAccess&) = delete;
  ScopedFileAccess& operator=(const ScopedFileAccess&) = delete;
};

}  // namespace test
}  // namespace zb
