#include <zorbase/files/internal/write_behind.h>

#include <cstdio>
#include <system_error>
#include <utility>

#include <zorbase/platform/file_stream.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace files {

WriteBehind::~WriteBehind() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void WriteBehind::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return posted_ || stop_; });
    // A posted job is written even when the writer is asked to stop: the owner waits for it.
    if (!posted_) return;
    lock.unlock();
    WriteJob();
    lock.lock();
    posted_ = false;
    done_.notify_one();
  }
}

void WriteBehind::WriteJob() {
  job_written_ = 0;
  job_error_ = 0;
  if (!stream_->Seek(job_offset_, SEEK_SET)) {
    job_error_ = stream_->Error() != 0 ? stream_->Error() : ERROR_WRITE_FAULT;
    return;
  }
  job_written_ = stream_->Write(job_.get(), static_cast<std::size_t>(job_size_));
  if (job_written_ < job_size_) {
    job_error_ = stream_->Error() != 0 ? stream_->Error() : ERROR_WRITE_FAULT;
  }
}

DWORD WriteBehind::Wait() {
  if (!busy_) return 0;
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return !posted_; });
  busy_ = false;
  if (job_written_ < job_size_) {
    // Owed bytes always precede the job's: the file waits and places them before it writes more.
    owed_offset_ = job_offset_ + static_cast<std::int64_t>(job_written_);
    owed_.assign(job_.get() + job_written_, job_.get() + job_size_);
  }
  return job_error_;
}

bool WriteBehind::WriteOwed() {
  if (owed_.empty()) return true;
  if (!stream_->Seek(owed_offset_, SEEK_SET)) return false;
  const std::size_t written = stream_->Write(owed_.data(), owed_.size());
  owed_.erase(owed_.begin(), owed_.begin() + static_cast<std::ptrdiff_t>(written));
  owed_offset_ += static_cast<std::int64_t>(written);
  return owed_.empty();
}

unsigned char* WriteBehind::Exchange(unsigned char* full, std::uint64_t capacity,
                                     std::uint64_t size, std::int64_t offset) {
  std::unique_ptr<unsigned char[]> spare = std::move(job_);
  if (spare == nullptr || job_capacity_ != capacity) spare.reset(new unsigned char[capacity]);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    job_.reset(full);
    job_capacity_ = capacity;
    job_size_ = size;
    job_offset_ = offset;
    job_written_ = 0;
    job_error_ = 0;
    posted_ = true;
  }
  busy_ = true;
  if (thread_.joinable()) {
    wake_.notify_one();
    return spare.release();
  }
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // No thread to be had: the buffer is written here and now, as without a writer.
    WriteJob();
    posted_ = false;
  }
  return spare.release();
}

}  // namespace files
}  // namespace zb
