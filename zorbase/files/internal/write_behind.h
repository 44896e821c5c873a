// A background writer for one MFile: while the caller fills the next buffer, a full one is
// written to the stream at its offset on a thread of its own, so the time the system spends
// taking the bytes overlaps the time the program spends producing them.
//
// The stream belongs to the writer while a buffer is being written: the file waits (Wait) before
// any other use of it. Bytes a background write could not place (a full disk, a failing device)
// are never dropped: they are kept as owed bytes, the failure is answered by the next Wait, and
// WriteOwed places them before the file writes anything else, so the next flush or the close
// reports whether they reached the file.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
class FileStream;
}

namespace files {

class WriteBehind {
 public:
  explicit WriteBehind(zb::platform::FileStream* stream) : stream_(stream) {}
  // Waits for the buffer being written, then ends the thread.
  ~WriteBehind();
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Whether a buffer is being written now.
  bool Busy() const { return busy_; }
  // Waits until the buffer being written is done. A write that fell short leaves its remaining
  // bytes owed; its Windows error code is the answer (0 when it was whole or nothing was running).
  DWORD Wait();
  // Places the owed bytes at their offset (the stream's position moves). True when nothing is
  // owed any more; false with the stream's error when they still cannot be written. Call after Wait.
  bool WriteOwed();
  bool HasOwed() const { return !owed_.empty(); }

  // Starts writing `size` bytes of `full` (allocated with new[] of `capacity` bytes) at `offset`
  // and returns an empty buffer of `capacity` bytes for the caller to fill next; `full` belongs to
  // the writer from now on. Call after Wait.
  unsigned char* Exchange(unsigned char* full, std::uint64_t capacity, std::uint64_t size,
                          std::int64_t offset);

 private:
  void Run();
  // Writes the job's buffer at its offset, setting job_written_ and job_error_.
  void WriteJob();

  zb::platform::FileStream* stream_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;  // a job was posted, or the writer is to stop
  std::condition_variable done_;  // the job is done
  bool busy_ = false;             // a job was posted and not yet waited for (the caller's view)
  bool posted_ = false;           // a job is waiting for the thread or being written
  bool stop_ = false;

  std::unique_ptr<unsigned char[]> job_;  // the buffer being written (then the spare)
  std::uint64_t job_capacity_ = 0;
  std::uint64_t job_size_ = 0;
  std::int64_t job_offset_ = 0;
  std::uint64_t job_written_ = 0;
  DWORD job_error_ = 0;

  std::vector<unsigned char> owed_;  // bytes a write could not place, from owed_offset_
  std::int64_t owed_offset_ = 0;
};

}  // namespace files
}  // namespace zb
