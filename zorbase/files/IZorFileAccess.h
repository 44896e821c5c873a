// IZorFileAccess: the host's file-access reporter. A host implements it and registers one object
// with MFile::SetFileAccessReporter (and one with MFileEx's own call); every open of those files
// then asks it first, and a file written to that is closed after a write fault is reported to it.
#pragma once

#include <zorbase/platform/export.h>

class MFileName;

class ZORBASE_API IZorFileAccess {
 public:
  // Asked before an open when UsesApproval() is false: non-zero refuses the open. `for_reading` is
  // true when the file is opened for reading only.
  virtual int CheckFileAccess(const MFileName& name, bool for_reading) = 0;
  // Asked before an open when UsesApproval() is true: false refuses the open.
  virtual bool ApproveFileAccess(const MFileName& name, bool for_reading) = 0;
  // Which of the two questions an open asks.
  virtual bool UsesApproval() = 0;
  // Told when a file that was written to is closed after a write fault (result code 29); `code`
  // is always 0.
  virtual void ReportWriteFailure(const MFileName& name, int code) = 0;

 protected:
  // Not deleted through this interface; the host owns the object and keeps it alive while it is
  // registered.
  ~IZorFileAccess() = default;
};
